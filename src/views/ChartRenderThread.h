#pragma once

#include "platform/Worker.h"
#include "views/ChartRenderer.h"

#include <QImage>

#include <functional>
#include <mutex>

class QPainter;

namespace views {

// The chart's render thread: draws one picture per coalesced redraw request from
// the inputs handed over with the request, and keeps the newest picture (the front)
// for the GUI thread to paint.
//
// Any thread may ask for a redraw and read the front; `onPicture` runs on the
// render thread after each new front (the owner queues a repaint from there).
class ChartRenderThread {
  public:
    using PictureReady = std::function<void()>;

    explicit ChartRenderThread(PictureReady onPicture);
    // Stops the thread the program's way (stop flag, signal, join); a pass under way
    // ends first.
    ~ChartRenderThread();
    ChartRenderThread(const ChartRenderThread&) = delete;
    ChartRenderThread& operator=(const ChartRenderThread&) = delete;

    // Replaces the inputs of the next pass; wakes the thread unless a request is
    // already pending, so a burst of requests costs at most one pass after the
    // current one.
    void RequestRedraw(ChartRenderInput input);

    // Under the front lock: draws the front picture stretched over `target`; false
    // (nothing drawn) before the first picture.
    bool PaintFront(QPainter& painter, const QRect& target) const;
    // The plot the front picture was drawn with (all 0 before the first picture).
    ChartPlot FrontPlot() const;
    // Pictures published so far.
    int PictureCount() const;

  private:
    void RenderLoop(platform::Worker::Control& control);

    const PictureReady onPicture_;

    // Guarded by inputMutex_: the request handed over by the GUI thread.
    mutable std::mutex inputMutex_;
    ChartRenderInput input_;
    bool pending_ = false;

    // Guarded by frontMutex_: the newest picture and what it was drawn with.
    mutable std::mutex frontMutex_;
    QImage front_;
    ChartPlot frontPlot_;
    int pictures_ = 0;

    // Render thread only.
    ChartRenderer renderer_;
    QImage back_;

    platform::Worker worker_;  // last: started once the rest is built, joined first
};

}  // namespace views
