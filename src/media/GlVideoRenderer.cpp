#include "GlVideoRenderer.h"

#include "media/ClassIds.h"
#include "media/FrameImage.h"
#include "platform/DebugOutput.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <vector>

namespace media {

namespace {

std::atomic<bool> softwareAccepted{false};

const char* const kVertexShader = R"(
attribute vec2 position;
attribute vec2 texCoord;
varying vec2 uv;
void main() {
    uv = texCoord;
    gl_Position = vec4(position, 0.0, 1.0);
})";

const char* const kFragmentShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
varying vec2 uv;
uniform sampler2D planeY;
uniform sampler2D planeU;
uniform sampler2D planeV;
uniform mat3 matrix;
uniform vec3 offset;
void main() {
    vec3 yuv = vec3(texture2D(planeY, uv).r, texture2D(planeU, uv).r, texture2D(planeV, uv).r);
    gl_FragColor = vec4(clamp(matrix * (yuv - offset), 0.0, 1.0), 1.0);
})";

// Column-major YUV to RGB matrices.
struct ColourMatrix {
    std::array<float, 9> matrix;
    std::array<float, 3> offset;
};

ColourMatrix MatrixFor(const AVFrame* picture) {
    const bool full =
        picture->color_range == AVCOL_RANGE_JPEG || picture->format == AV_PIX_FMT_YUVJ420P;
    const bool bt709 = picture->colorspace == AVCOL_SPC_BT709;
    const float kr = bt709 ? 0.2126f : 0.299f;
    const float kb = bt709 ? 0.0722f : 0.114f;
    const float kg = 1.0f - kr - kb;
    const float ys = full ? 1.0f : 255.0f / 219.0f;
    const float cs = full ? 1.0f : 255.0f / 224.0f;
    const float rv = 2.0f * (1.0f - kr) * cs;
    const float bu = 2.0f * (1.0f - kb) * cs;
    const float gu = -bu * kb / kg;
    const float gv = -rv * kr / kg;
    ColourMatrix m;
    m.matrix = {ys, ys, ys, 0.0f, gu, bu, rv, gv, 0.0f};
    m.offset = {full ? 0.0f : 16.0f / 255.0f, 128.0f / 255.0f, 128.0f / 255.0f};
    return m;
}

class GlSink : public QOpenGLWidget, protected QOpenGLFunctions {
  public:
    GlSink(GlVideoRenderer& owner, QWidget* parent, std::function<void()> gone)
        : QOpenGLWidget(parent), owner_(owner), gone_(std::move(gone)) {}

    ~GlSink() override {
        makeCurrent();
        if (textures_[0] != 0) {
            glDeleteTextures(3, textures_.data());
        }
        program_.reset();
        doneCurrent();
        gone_();
    }

  protected:
    void initializeGL() override {
        initializeOpenGLFunctions();
        program_ = std::make_unique<QOpenGLShaderProgram>();
        program_->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader);
        program_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader);
        program_->bindAttributeLocation("position", 0);
        program_->bindAttributeLocation("texCoord", 1);
        program_->link();
        glGenTextures(3, textures_.data());
        for (GLuint texture : textures_) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
    }

    void paintGL() override {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const SharedFrame picture = owner_.CurrentPicture();
        if (!picture || !program_ || !program_->isLinked()) {
            return;
        }
        if (picture != uploaded_) {
            Upload(picture);
        }
        const qreal ratio = devicePixelRatioF();
        const QRect area = owner_.Letterboxed()
                               ? LetterboxRect(QSize(picture->width, picture->height),
                                               picture->sample_aspect_ratio, rect())
                               : rect();
        glViewport(static_cast<GLint>(area.left() * ratio),
                   static_cast<GLint>((height() - area.bottom() - 1) * ratio),
                   static_cast<GLsizei>(area.width() * ratio),
                   static_cast<GLsizei>(area.height() * ratio));
        Draw(MatrixFor(picture.get()));
    }

  private:
    void Upload(const SharedFrame& picture) {
        AvFramePtr converted;
        const AVFrame* planes = picture.get();
        if (!IsPlanar420(planes)) {
            converted = ConvertTo420(planes, scaler_);
            if (!converted) {
                return;
            }
            planes = converted.get();
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        for (int i = 0; i < 3; ++i) {
            const int width = i == 0 ? planes->width : (planes->width + 1) / 2;
            const int height = i == 0 ? planes->height : (planes->height + 1) / 2;
            UploadPlane(textures_[i], planes->data[i], planes->linesize[i], width, height);
        }
        uploaded_ = picture;
    }

    void UploadPlane(GLuint texture, const std::uint8_t* data, int stride, int width, int height) {
        // Rows are repacked when the stride has padding: GL ES 2 has no row length.
        const std::uint8_t* source = data;
        if (stride != width) {
            packed_.resize(static_cast<std::size_t>(width) * height);
            for (int row = 0; row < height; ++row) {
                std::memcpy(packed_.data() + static_cast<std::size_t>(row) * width,
                            data + static_cast<std::size_t>(row) * stride, width);
            }
            source = packed_.data();
        }
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, width, height, 0, GL_LUMINANCE,
                     GL_UNSIGNED_BYTE, source);
    }

    void Draw(const ColourMatrix& colour) {
        static const GLfloat vertices[] = {-1, -1, 0, 1, 1, -1, 1, 1, -1, 1, 0, 0, 1, 1, 1, 0};
        program_->bind();
        for (int i = 0; i < 3; ++i) {
            glActiveTexture(GL_TEXTURE0 + i);
            glBindTexture(GL_TEXTURE_2D, textures_[i]);
        }
        program_->setUniformValue("planeY", 0);
        program_->setUniformValue("planeU", 1);
        program_->setUniformValue("planeV", 2);
        glUniformMatrix3fv(program_->uniformLocation("matrix"), 1, GL_FALSE, colour.matrix.data());
        program_->setUniformValue("offset", colour.offset[0], colour.offset[1], colour.offset[2]);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), vertices);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), vertices + 2);
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        glDisableVertexAttribArray(0);
        glDisableVertexAttribArray(1);
        glActiveTexture(GL_TEXTURE0);
        program_->release();
    }

    GlVideoRenderer& owner_;
    std::function<void()> gone_;
    std::unique_ptr<QOpenGLShaderProgram> program_;
    std::array<GLuint, 3> textures_{};
    SharedFrame uploaded_;
    SwsPtr scaler_;
    std::vector<std::uint8_t> packed_;
};

}  // namespace

GlVideoRenderer::GlVideoRenderer() : VideoRendererFilter(CLSID_EnhancedVideoRenderer) {}

GlVideoRenderer::~GlVideoRenderer() = default;

bool GlVideoRenderer::OpenGlAvailable() {
    return OpenGlRenderer().has_value();
}

std::optional<QString> GlVideoRenderer::OpenGlRenderer() {
    QOpenGLContext context;
    if (!context.create()) {
        return std::nullopt;
    }
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) {
        return std::nullopt;
    }
    const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    QString renderer = name != nullptr ? QString::fromLatin1(name) : QString();
    context.doneCurrent();
    return renderer;
}

bool GlVideoRenderer::IsSoftwareRasteriser(const QString& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

void GlVideoRenderer::AcceptSoftwareRasteriser(bool accept) {
    softwareAccepted = accept;
}

HRESULT GlVideoRenderer::GetService(const QUuid& service,
                                    std::shared_ptr<IVideoDisplayControl>& out) {
    out.reset();
    if (service != MR_VIDEO_RENDER_SERVICE) {
        return E_NOINTERFACE;
    }
    return QueryInterface(shared_from_this(), out);
}

HRESULT GlVideoRenderer::SetVideoWindow(QWidget* window) {
    if (window == nullptr) {
        return E_POINTER;
    }
    const std::optional<QString> renderer = OpenGlRenderer();
    if (!renderer) {
        return VFW_E_NO_DISPLAY;
    }
    if (IsSoftwareRasteriser(*renderer) && !softwareAccepted) {
        platform::DebugOutput::Write(
            QStringLiteral("GL video renderer: OpenGL here is the software rasteriser \"%1\"; "
                           "the raster renderer is taken")
                .arg(*renderer));
        return VFW_E_NO_DISPLAY;
    }
    return AttachWindow(window);
}

HRESULT GlVideoRenderer::SetAspectRatioMode(std::uint32_t mode) {
    aspectMode_ = mode;
    return Repaint();
}

HRESULT GlVideoRenderer::SetVideoPosition(const NormalizedRect*, const Rect* destination) {
    return SetDestination(destination);
}

HRESULT GlVideoRenderer::GetVideoPosition(NormalizedRect* source, Rect* destination) {
    if (source == nullptr && destination == nullptr) {
        return E_POINTER;
    }
    if (source != nullptr) {
        *source = NormalizedRect{};
    }
    if (destination != nullptr) {
        *destination = Destination();
    }
    return S_OK;
}

HRESULT GlVideoRenderer::GetNativeVideoSize(Size* native, Size* aspect) {
    const QSize size = NativeSize();
    if (native != nullptr) {
        *native = Size{size.width(), size.height()};
    }
    if (aspect != nullptr) {
        const AVRational sar = SampleAspect();
        const bool known = sar.num > 0 && sar.den > 0;
        *aspect = Size{size.width() * (known ? sar.num : 1), size.height() * (known ? sar.den : 1)};
    }
    return S_OK;
}

HRESULT GlVideoRenderer::RepaintVideo() {
    return Repaint();
}

HRESULT GlVideoRenderer::GetCurrentImage(BitmapInfoHeader* header, std::uint8_t** bits,
                                         std::uint32_t* size, REFERENCE_TIME* timeStamp) {
    if (header == nullptr || bits == nullptr || size == nullptr) {
        return E_POINTER;
    }
    const HRESULT result = Grab(*header, *bits, 0);
    *size = Succeeded(result) ? header->biSizeImage : 0;
    if (timeStamp != nullptr) {
        *timeStamp = 0;
    }
    return result;
}

QWidget* GlVideoRenderer::CreateSink(QWidget* window) {
    return new GlSink(*this, window, [this] { SinkDestroyed(); });
}

}  // namespace media
