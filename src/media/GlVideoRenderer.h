#pragma once

#include "media/VideoRendererFilter.h"

#include <QString>

#include <optional>

namespace media {

// The GL renderer: a QOpenGLWidget in the video window that takes the Y, U and V
// planes as textures and converts them to RGB in a shader. It starts only where an
// OpenGL context can be made and the GL is not a software rasteriser (virtual
// machines, remote desktops, a virtual display): there the rasteriser takes the cores
// the decoder needs, and the raster renderer that comes next does the same work for
// far less.
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
    // Whether an OpenGL context can be made here, whatever draws it.
    static bool OpenGlAvailable();
    // GL_RENDERER of a context made here; nothing where none can be made.
    static std::optional<QString> OpenGlRenderer();
    // Mesa's software rasterisers by their GL_RENDERER: llvmpipe, softpipe, swrast
    // ("Software Rasterizer").
    static bool IsSoftwareRasteriser(const QString& renderer);
    // For tests and benchmarks of the GL renderer itself: it starts on a software
    // rasteriser too. Process-wide; off by default.
    static void AcceptSoftwareRasteriser(bool accept);

  private:
    QWidget* CreateSink(QWidget* window) override;

    std::atomic<std::uint32_t> aspectMode_{MFVideoARMode_PreservePicture};
};

}  // namespace media
