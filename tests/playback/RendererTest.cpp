#include "PlaybackTestSupport.h"

#include "media/AudioDevice.h"
#include "media/ClassIds.h"
#include "media/FilterFactory.h"
#include "media/FrameImage.h"
#include "media/GlVideoRenderer.h"
#include "support/DebugCapture.h"
#include "support/TestMedia.h"

#include <QGuiApplication>
#include <QImage>
#include <QOpenGLWidget>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace media;

namespace {

class RendererTest : public testing::Test {
  protected:
    void SetUp() override {
        UseNullAudioDevice(true);
        window.show();
    }
    void TearDown() override {
        player.reset();
        for (const QUuid& id :
             {CLSID_EnhancedVideoRenderer, CLSID_VideoMixingRenderer9, CLSID_VideoMixingRenderer}) {
            SetClassAvailable(id, true);
        }
        GlVideoRenderer::AcceptSoftwareRasteriser(false);
    }

    HRESULT Open() {
        player = std::make_unique<DShowPlayer>(&window);
        return player->OpenFile(TestClipPath());
    }

    // Paused on `picture`, the whole window as destination.
    void ShowPicture(int picture) {
        ASSERT_EQ(Open(), S_OK);
        ASSERT_EQ(player->SetVideoRect(nullptr), S_OK);
        ASSERT_EQ(player->Pause(), S_OK);
        ASSERT_EQ(player->SeekSeconds(picture / kClipFps + 0.01), S_OK);
        BitmapInfoHeader header;
        std::uint8_t* bits = nullptr;
        ASSERT_EQ(player->GetCurrentImage(&header, &bits), S_OK);
        player->MemFreeCurrentImage(bits);
    }

    QWidget* Sink(const char* name) { return window.findChild<QWidget*>(name); }

    TestVideoWindow window;
    std::unique_ptr<DShowPlayer> player;
};

bool IsBlack(QRgb pixel) {
    return qRed(pixel) < 24 && qGreen(pixel) < 24 && qBlue(pixel) < 24;
}
bool IsWhite(QRgb pixel) {
    return qRed(pixel) > 216 && qGreen(pixel) > 216 && qBlue(pixel) > 216;
}

TEST(LetterboxTest, FitsThePictureCentredInTheDestination) {
    // 4:3 in 16:9: bars left and right.
    EXPECT_EQ(LetterboxRect(QSize(320, 240), {0, 1}, QRect(0, 0, 640, 360)),
              QRect(80, 0, 480, 360));
    // 16:9 in 4:3: bars above and below.
    EXPECT_EQ(LetterboxRect(QSize(1920, 1080), {1, 1}, QRect(0, 0, 400, 300)),
              QRect(0, 37, 400, 225));
    // The destination's own offset is kept.
    EXPECT_EQ(LetterboxRect(QSize(320, 240), {1, 1}, QRect(10, 20, 320, 240)),
              QRect(10, 20, 320, 240));
    // Non-square pixels: 720x576 at 16:15 shows as 4:3.
    EXPECT_EQ(LetterboxRect(QSize(720, 576), {16, 15}, QRect(0, 0, 800, 600)),
              QRect(0, 0, 800, 600));
    EXPECT_EQ(LetterboxRect(QSize(320, 240), {1, 1}, QRect()), QRect());
}

TEST_F(RendererTest, OffscreenFallsBackToTheRasterRenderers) {
    if (GlVideoRenderer::OpenGlAvailable()) {
        GTEST_SKIP() << "OpenGL works here; the GL renderer is taken";
    }
    ASSERT_EQ(Open(), S_OK);
    EXPECT_TRUE(player->HasVideo());
    EXPECT_EQ(Sink("EVR"), nullptr);
    EXPECT_NE(Sink("VMR-9"), nullptr);
}

TEST_F(RendererTest, UnavailableRenderersAreSkippedInOrder) {
    SetClassAvailable(CLSID_EnhancedVideoRenderer, false);
    SetClassAvailable(CLSID_VideoMixingRenderer9, false);
    ASSERT_EQ(Open(), S_OK);
    EXPECT_NE(Sink("VMR-7"), nullptr);
    EXPECT_EQ(Sink("VMR-9"), nullptr);

    SetClassAvailable(CLSID_VideoMixingRenderer, false);
    player = std::make_unique<DShowPlayer>(&window);
    EXPECT_EQ(player->OpenFile(TestClipPath()), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(player->State(), STATE_NO_GRAPH);
}

TEST_F(RendererTest, RendererThatCannotStartLeavesTheGraph) {
    if (GlVideoRenderer::OpenGlAvailable()) {
        GTEST_SKIP() << "the GL renderer starts here";
    }
    std::shared_ptr<IGraphBuilder> graph;
    ASSERT_EQ(CreateInstance(CLSID_FilterGraph, graph), S_OK);
    CEVR evr;
    EXPECT_LT(evr.Attach(graph, &window), 0);
    EXPECT_FALSE(evr.HasVideo());
    std::shared_ptr<BaseFilter> left;
    EXPECT_EQ(graph->FindFilterByName("EVR", left), VFW_E_NOT_FOUND);

    CVMR9 vmr;
    EXPECT_EQ(vmr.Attach(graph, &window), S_OK);
    EXPECT_EQ(graph->FindFilterByName("VMR-9", left), S_OK);
    // Nothing connected to it: it leaves, and answers without effect.
    EXPECT_EQ(vmr.RemoveIfUnconnected(graph), S_OK);
    EXPECT_FALSE(vmr.HasVideo());
    EXPECT_EQ(graph->FindFilterByName("VMR-9", left), VFW_E_NOT_FOUND);
    BitmapInfoHeader header;
    std::uint8_t* bits = reinterpret_cast<std::uint8_t*>(&header);
    EXPECT_LT(vmr.GetCurrentImage(&header, &bits), 0);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(vmr.SetVideoRect(&window, nullptr), S_OK);
    EXPECT_EQ(vmr.MemFreeCurrentImage(nullptr), S_OK);
}

TEST_F(RendererTest, AudioOnlyFileHasNoVideoAndNoImage) {
    player = std::make_unique<DShowPlayer>(&window);
    ASSERT_EQ(player->OpenFile(AudioOnlyClipPath()), S_OK);
    EXPECT_FALSE(player->HasVideo());
    BitmapInfoHeader header;
    std::uint8_t* bits = reinterpret_cast<std::uint8_t*>(&header);
    EXPECT_LT(player->GetCurrentImage(&header, &bits), 0);
    EXPECT_EQ(bits, nullptr);
}

// Picture 99 has bands 0, 1, 5 and 6 white.
bool IsLetterboxedPicture99(const QImage& image) {
    // The picture is 480x360 at x 80; the bands are 48 wide and 72 high there.
    return image.size() == QSize(640, 360) && IsBlack(image.pixel(40, 180)) &&
           IsBlack(image.pixel(600, 180)) && IsWhite(image.pixel(80 + 24, 36)) &&
           IsWhite(image.pixel(80 + 48 + 24, 36)) && IsBlack(image.pixel(80 + 96 + 24, 36)) &&
           IsWhite(image.pixel(80 + 5 * 48 + 24, 36));
}

TEST_F(RendererTest, RasterRenderersLetterboxTheWindow) {
    for (const bool preScaled : {false, true}) {
        SetClassAvailable(CLSID_VideoMixingRenderer9, !preScaled);
        ShowPicture(99);
        QWidget* sink = Sink(preScaled ? "VMR-7" : "VMR-9");
        ASSERT_NE(sink, nullptr);
        EXPECT_EQ(sink->geometry(), window.rect());
        EXPECT_TRUE(WaitUntil([&] {
            return IsLetterboxedPicture99(
                window.grab().toImage().convertToFormat(QImage::Format_RGB32));
        }));

        const Rect part{100, 50, 300, 200};
        EXPECT_EQ(player->SetVideoRect(&part), S_OK);
        EXPECT_EQ(sink->geometry(), QRect(100, 50, 200, 150));
        player.reset();
    }
}

// The shown picture (a grab) scaled into the letterbox of `area` as Qt paints it.
QImage QtScaledReference(DShowPlayer& player, const QSize& area) {
    BitmapInfoHeader header;
    std::uint8_t* bits = nullptr;
    if (player.GetCurrentImage(&header, &bits) != S_OK || bits == nullptr) {
        return {};
    }
    QImage native(header.biWidth, header.biHeight, QImage::Format_RGB32);
    const int stride = header.biWidth * 4;
    for (int row = 0; row < header.biHeight; ++row) {
        std::memcpy(native.scanLine(row),
                    bits + static_cast<std::size_t>(header.biHeight - 1 - row) * stride, stride);
    }
    player.MemFreeCurrentImage(bits);
    QImage reference(area, QImage::Format_RGB32);
    QPainter painter(&reference);
    painter.fillRect(reference.rect(), Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(LetterboxRect(native.size(), AVRational{1, 1}, reference.rect()), native);
    return reference;
}

// The Qt-scaled renderer scales ahead of the paint; what shows is still exactly
// what Qt's smooth scaling of the picture gives, also while the window's size
// differs from the one the picture was prepared for.
TEST_F(RendererTest, QtScaledRendererShowsExactlyQtsScaling) {
    SetClassAvailable(CLSID_EnhancedVideoRenderer, false);
    ShowPicture(99);
    QWidget* sink = Sink("VMR-9");
    ASSERT_NE(sink, nullptr);
    const auto showsReference = [&] {
        const QImage reference = QtScaledReference(*player, sink->size());
        return !reference.isNull() &&
               sink->grab().toImage().convertToFormat(QImage::Format_RGB32) == reference;
    };
    EXPECT_TRUE(WaitUntil(showsReference));

    const Rect part{0, 0, 301, 203};
    ASSERT_EQ(player->SetVideoRect(&part), S_OK);
    EXPECT_TRUE(WaitUntil(showsReference));
    // Prepared for the new size, in images the renderer uses again picture after picture.
    for (int step = 0; step < 4; ++step) {
        player->StepOneFrame();
        EXPECT_TRUE(WaitUntil(showsReference)) << "step " << step;
    }
}

TEST_F(RendererTest, GrabIsNativeBgraBottomUpAsFfmpegDecodes) {
    ShowPicture(37);
    BitmapInfoHeader header;
    std::uint8_t* bits = nullptr;
    ASSERT_EQ(player->GetCurrentImage(&header, &bits), S_OK);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, kClipWidth);
    EXPECT_EQ(header.biHeight, kClipHeight);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_EQ(header.biCompression, BI_RGB);
    EXPECT_EQ(header.biSizeImage, static_cast<std::uint32_t>(kClipWidth * kClipHeight * 4));
    EXPECT_EQ(GrabbedPictureNumber(header, bits), 37);

    const GrabDifference difference = CompareWithFfmpeg(header, bits, TestClipPath(), 37);
    EXPECT_TRUE(difference.compared);
    EXPECT_LT(difference.mean, 2.0);
    EXPECT_LT(difference.largest, 64);
    player->MemFreeCurrentImage(bits);
}

// 854 is no multiple of 16: every column of a grab and of what both raster renderers
// paint is the decoder's, the last ones too.
TEST_F(RendererTest, OddWidthIsWholeInGrabsAndRasterPictures) {
    tsrec::TestMediaParams params;
    params.width = 854;
    params.height = 480;
    params.seconds = 1.0;
    const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
    ASSERT_FALSE(media.h264.empty());
    tsrec::TsRecordingSpec spec;
    spec.media = &media;
    const QString path = TestFolder() + "/wide854.ts";
    ASSERT_TRUE(tsrec::WriteTsRecording(path, spec));
    window.resize(params.width, params.height);
    constexpr int kPicture = 12;

    for (const QUuid& renderer : {CLSID_VideoMixingRenderer9, CLSID_VideoMixingRenderer}) {
        SetClassAvailable(CLSID_EnhancedVideoRenderer, false);
        SetClassAvailable(CLSID_VideoMixingRenderer9, renderer == CLSID_VideoMixingRenderer9);
        player = std::make_unique<DShowPlayer>(&window);
        ASSERT_EQ(player->OpenFile(path), S_OK);
        const Rect native{0, 0, params.width, params.height};
        ASSERT_EQ(player->SetVideoRect(&native), S_OK);
        ASSERT_EQ(player->Pause(), S_OK);
        ASSERT_EQ(player->SeekSeconds(kPicture / 25.0 + 0.01), S_OK);

        BitmapInfoHeader header;
        std::uint8_t* bits = nullptr;
        ASSERT_EQ(player->GetCurrentImage(&header, &bits), S_OK);
        ASSERT_EQ(header.biWidth, params.width);
        const GrabDifference grab = CompareWithFfmpeg(header, bits, path, kPicture);
        player->MemFreeCurrentImage(bits);
        EXPECT_TRUE(grab.compared);
        EXPECT_LT(grab.mean, 2.0);
        EXPECT_LT(grab.largest, 64) << "column " << grab.worstColumn;

        // What the renderer paints at the native size, as a bottom-up bitmap again.
        QWidget* sink = Sink(renderer == CLSID_VideoMixingRenderer9 ? "VMR-9" : "VMR-7");
        ASSERT_NE(sink, nullptr);
        ASSERT_EQ(sink->size(), QSize(params.width, params.height));
        const QImage painted =
            sink->grab().toImage().convertToFormat(QImage::Format_RGB32).mirrored();
        BitmapInfoHeader paintedHeader = header;
        const GrabDifference paint =
            CompareWithFfmpeg(paintedHeader, painted.constBits(), path, kPicture);
        EXPECT_TRUE(paint.compared);
        EXPECT_LT(paint.mean, 2.0);
        EXPECT_LT(paint.largest, 64) << "column " << paint.worstColumn;
        player.reset();
    }
}

TEST(GlRendererNames, MesaSoftwareRasterisersAndNotHardware) {
    for (const char* software :
         {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Software Rasterizer", "swrast"}) {
        EXPECT_TRUE(GlVideoRenderer::IsSoftwareRasteriser(QString::fromLatin1(software)))
            << software;
    }
    // VMware's driver is hardware, though LLVM builds its shaders.
    for (const char* hardware :
         {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "NVIDIA GeForce RTX 3060/PCIe/SSE2",
          "AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0)",
          "SVGA3D; build: RELEASE; LLVM;", ""}) {
        EXPECT_FALSE(GlVideoRenderer::IsSoftwareRasteriser(QString::fromLatin1(hardware)))
            << hardware;
    }
}

// Runs under Xvfb, whose Mesa GL is llvmpipe (see the xvfb test in CMake): the player
// takes the raster renderer and says why.
TEST_F(RendererTest, GlRendererGivesWayToTheRasterRendererOnASoftwareRasteriser) {
    const std::optional<QString> renderer = GlVideoRenderer::OpenGlRenderer();
    if (!renderer) {
        GTEST_SKIP() << "no OpenGL on platform " << QGuiApplication::platformName().toStdString();
    }
    if (!GlVideoRenderer::IsSoftwareRasteriser(*renderer)) {
        GTEST_SKIP() << "OpenGL here is drawn by hardware: " << renderer->toStdString();
    }
    DebugCapture trace;
    ShowPicture(99);
    EXPECT_EQ(Sink("EVR"), nullptr);
    QWidget* sink = Sink("VMR-9");
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(WaitUntil([&] {
        return IsLetterboxedPicture99(sink->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }));
    const QStringList lines = trace.Lines();
    EXPECT_EQ(lines.filter(QStringLiteral("the raster renderer is taken")).size(), 1)
        << lines.join('\n').toStdString();
    EXPECT_TRUE(trace.Contains(QStringLiteral("\"%1\"").arg(*renderer)));
}

// Runs where OpenGL works (under Xvfb with Mesa, see the xvfb test in CMake); a
// software rasteriser is accepted here, so that the GL renderer itself is tested.
TEST_F(RendererTest, GlRendererShowsThePictureUnderX) {
    if (!GlVideoRenderer::OpenGlAvailable()) {
        GTEST_SKIP() << "no OpenGL on platform " << QGuiApplication::platformName().toStdString();
    }
    GlVideoRenderer::AcceptSoftwareRasteriser(true);
    ShowPicture(99);
    auto* sink = qobject_cast<QOpenGLWidget*>(Sink("EVR"));
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(Sink("VMR-9"), nullptr);
    EXPECT_TRUE(WaitUntil([&] {
        return IsLetterboxedPicture99(
            sink->grabFramebuffer().convertToFormat(QImage::Format_RGB32));
    }));

    // The grab is at the native size and leaves the destination as it was.
    const Rect part{0, 0, 320, 180};
    player->SetVideoRect(&part);
    BitmapInfoHeader header;
    std::uint8_t* bits = nullptr;
    ASSERT_EQ(player->GetCurrentImage(&header, &bits), S_OK);
    EXPECT_EQ(header.biWidth, kClipWidth);
    EXPECT_EQ(GrabbedPictureNumber(header, bits), 99);
    player->MemFreeCurrentImage(bits);
    EXPECT_EQ(sink->geometry(), QRect(0, 0, 320, 180));
}

}  // namespace
