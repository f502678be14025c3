#include "ChartRenderThread.h"

#include <utility>

namespace views {

ChartRenderThread::ChartRenderThread(PictureReady onPicture)
    : onPicture_(std::move(onPicture)),
      worker_("ChartRender", [this](platform::Worker::Control& control) { RenderLoop(control); }) {}

ChartRenderThread::~ChartRenderThread() {
    worker_.Stop();
}

int ChartRenderThread::RequestRedraw(ChartRenderInput input) {
    bool wake = false;
    int request = 0;
    {
        std::lock_guard lock(inputMutex_);
        input_ = std::move(input);
        request = ++requests_;
        wake = !pending_;
        pending_ = true;
    }
    if (wake) {
        worker_.Wake();
    }
    return request;
}

ChartPicture ChartRenderThread::Front() const {
    std::lock_guard lock(frontMutex_);
    return front_;
}

int ChartRenderThread::PictureCount() const {
    std::lock_guard lock(frontMutex_);
    return pictures_;
}

void ChartRenderThread::RenderLoop(platform::Worker::Control& control) {
    while (!control.StopRequested()) {
        ChartRenderInput input;
        int request = 0;
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
            request = requests_;
            pending_ = false;
        }
        ChartPlot plot;
        if (!renderer_.Render(input, back_, plot)) {
            continue;  // nothing drawn: the old picture stays
        }
        {
            std::lock_guard lock(frontMutex_);
            std::swap(front_.image, back_);
            front_.plot = plot;
            front_.request = request;
            ++pictures_;
        }
        if (onPicture_) {
            onPicture_();
        }
    }
}

}  // namespace views
