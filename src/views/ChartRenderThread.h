#pragma once

#include "platform/Worker.h"
#include "views/ChartRenderer.h"

#include <QImage>

#include <functional>
#include <mutex>

namespace views {

// A finished picture with what it was drawn with, so that the mouse and the cursor
// map through the picture that is on screen.
struct ChartPicture {
    QImage image;  // null before the first picture
    ChartPlot plot;
    int request = 0;  // the number of the request it answers
};

// The chart's render thread: draws one picture per coalesced redraw request from
// the inputs handed over with the request, and keeps the newest picture (the front)
// for the GUI thread to take up.
//
// Any thread may ask for a redraw and take the front; `onPicture` runs on the
// render thread after each new front (the owner queues taking it up from there).
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
    // current one. Gives the request's number, counted from 1.
    int RequestRedraw(ChartRenderInput input);

    // The newest picture; it shares its pixels, which the thread never draws into
    // again while they are shared.
    ChartPicture Front() const;
    // Pictures published so far.
    int PictureCount() const;

  private:
    void RenderLoop(platform::Worker::Control& control);

    const PictureReady onPicture_;

    // Guarded by inputMutex_: the request handed over by the GUI thread.
    mutable std::mutex inputMutex_;
    ChartRenderInput input_;
    bool pending_ = false;
    int requests_ = 0;

    // Guarded by frontMutex_: the newest picture.
    mutable std::mutex frontMutex_;
    ChartPicture front_;
    int pictures_ = 0;

    // Render thread only.
    ChartRenderer renderer_;
    QImage back_;

    platform::Worker worker_;  // last: started once the rest is built, joined first
};

}  // namespace views
