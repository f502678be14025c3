#pragma once

#include "media/VideoRendererFilter.h"

namespace media {

// The GL renderer: a QOpenGLWidget in the video window that takes the Y, U and V
// planes as textures and converts them to RGB in a shader. It starts only where an
// OpenGL context can be made.
class GlVideoRenderer : public VideoRendererFilter,
                        public IGetService,
                        public IVideoDisplayControl {
  public:
    GlVideoRenderer();
    ~GlVideoRenderer() override;

    HRESULT GetService(const QUuid& service, std::shared_ptr<IVideoDisplayControl>& out) override;

    HRESULT SetVideoWindow(QWidget* window) override;
    HRESULT SetAspectRatioMode(std::uint32_t mode) override;
    HRESULT SetVideoPosition(const NormalizedRect* source, const Rect* destination) override;
    HRESULT GetVideoPosition(NormalizedRect* source, Rect* destination) override;
    HRESULT GetNativeVideoSize(Size* native, Size* aspect) override;
    HRESULT RepaintVideo() override;
    HRESULT GetCurrentImage(BitmapInfoHeader* header, std::uint8_t** bits, std::uint32_t* size,
                            REFERENCE_TIME* timeStamp) override;

    bool Letterboxed() const { return aspectMode_ == MFVideoARMode_PreservePicture; }
    static bool OpenGlAvailable();

  private:
    QWidget* CreateSink(QWidget* window) override;

    std::atomic<std::uint32_t> aspectMode_{MFVideoARMode_PreservePicture};
};

}  // namespace media
