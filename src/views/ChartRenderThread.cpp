#include "ChartRenderThread.h"

#include <QPainter>

#include <utility>

namespace views {

ChartRenderThread::ChartRenderThread(PictureReady onPicture)
    : onPicture_(std::move(onPicture)),
      worker_("ChartRender", [this](platform::Worker::Control& control) { RenderLoop(control); }) {}

ChartRenderThread::~ChartRenderThread() {
    worker_.Stop();
}

void ChartRenderThread::RequestRedraw(ChartRenderInput input) {
    bool wake = false;
    {
        std::lock_guard lock(inputMutex_);
        input_ = std::move(input);
        wake = !pending_;
        pending_ = true;
    }
    if (wake) {
        worker_.Wake();
    }
}

bool ChartRenderThread::PaintFront(QPainter& painter, const QRect& target) const {
    std::lock_guard lock(frontMutex_);
    if (front_.isNull()) {
        return false;
    }
    painter.drawImage(target, front_);
    return true;
}

ChartPlot ChartRenderThread::FrontPlot() const {
    std::lock_guard lock(frontMutex_);
    return frontPlot_;
}

int ChartRenderThread::PictureCount() const {
    std::lock_guard lock(frontMutex_);
    return pictures_;
}

void ChartRenderThread::RenderLoop(platform::Worker::Control& control) {
    while (!control.StopRequested()) {
        ChartRenderInput input;
        {
            std::unique_lock lock(inputMutex_);
            if (!pending_) {
                lock.unlock();
                control.Wait();
                continue;
            }
            // Taken before drawing: a request made during this pass gets one more.
            input = std::move(input_);
            input_ = {};
            pending_ = false;
        }
        ChartPlot plot;
        if (!renderer_.Render(input, back_, plot)) {
            continue;  // nothing drawn: the old picture stays
        }
        {
            std::lock_guard lock(frontMutex_);
            std::swap(front_, back_);
            frontPlot_ = plot;
            ++pictures_;
        }
        if (onPicture_) {
            onPicture_();
        }
    }
}

}  // namespace views
