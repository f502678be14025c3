#include "media/AudioDevice.h"
#include "media/ClassIds.h"
#include "media/FilterFactory.h"
#include "media/FilterGraph.h"
#include "media/SourceFilter.h"
#include "media/VideoRendererFilter.h"
#include "support/ProcessState.h"
#include "support/TestClips.h"
#include "support/WaitUntil.h"

#include <QWidget>

#include <gtest/gtest.h>

using namespace media;

namespace {

// The raster renderer drawing windowless into `window`, as the player sets it up.
HRESULT AddRasterRenderer(FilterGraph& graph, QWidget& window) {
    std::shared_ptr<BaseFilter> renderer;
    std::shared_ptr<IRendererFilterConfig> config;
    std::shared_ptr<IWindowlessControl> control;
    HRESULT hr = CreateInstance(CLSID_VideoMixingRenderer9, renderer);
    hr = Succeeded(hr) ? graph.AddFilter(renderer, "VMR-9") : hr;
    hr = Succeeded(hr) ? QueryInterface(renderer, config) : hr;
    hr = Succeeded(hr) ? config->SetRenderingMode(VMRMode_Windowless) : hr;
    hr = Succeeded(hr) ? QueryInterface(renderer, control) : hr;
    return Succeeded(hr) ? control->SetVideoClippingWindow(&window) : hr;
}

// A graph for `path` with the video decoder and the raster renderer in it, and an
// audio renderer made but not yet added.
struct TestGraph {
    std::shared_ptr<FilterGraph> graph;
    std::shared_ptr<BaseFilter> source;
    std::shared_ptr<BaseFilter> decoder;
    std::shared_ptr<BaseFilter> audio;
};

void MakeGraph(const QString& path, QWidget& window, TestGraph& made) {
    ASSERT_EQ(CreateInstance(CLSID_FilterGraph, made.graph), S_OK);
    ASSERT_EQ(made.graph->AddSourceFilter(path, QString(), made.source), S_OK);
    ASSERT_EQ(CreateInstance(CLSID_LAVVideoDecoder, made.decoder), S_OK);
    ASSERT_EQ(CreateInstance(CLSID_DSoundRender, made.audio), S_OK);
    made.graph->AddFilter(made.decoder, "LAV Video Decoder");
    ASSERT_EQ(AddRasterRenderer(*made.graph, window), S_OK);
}

// The source's pins rendered to the renderers in the graph; how many rendered.
int RenderSource(TestGraph& made) {
    std::unique_ptr<PinEnumerator> pins;
    made.source->EnumPins(pins);
    std::shared_ptr<Pin> pin;
    int rendered = 0;
    while (pins->Next(pin) == S_OK) {
        rendered +=
            made.graph->RenderEx(pin, AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr) == S_OK;
    }
    return rendered;
}

class FilterGraphTest : public testing::Test {
  protected:
    void SetUp() override {
        UseNullAudioDevice(true);
        window.resize(640, 360);
        window.show();
    }

    QWidget window;
};

// Filters added decoders first: when the graph goes, the decoders wait on full
// renderer queues that nobody empties any more.
TEST_F(FilterGraphTest, GoesWhileDecodersWaitOnFullRenderers) {
    {
        TestGraph made;
        MakeGraph(TestClipPath(), window, made);
        ASSERT_NE(made.audio, nullptr);
        const int rendered = RenderSource(made);
        made.graph->AddFilter(made.audio, "Audio Renderer");
        EXPECT_EQ(rendered, 1);  // the audio renderer came too late for the audio pin
        std::shared_ptr<BaseFilter> found;
        EXPECT_EQ(made.graph->FindFilterByName("Audio Decoder", found), VFW_E_NOT_FOUND);
        made.graph->Stop();
        made.graph->Pause();
        // Paused, the decoder fills the renderer's queue and waits there, while its
        // own input fills up behind it.
        const Pin& decoderInput = *made.decoder->FirstPin(PinDirection::Input);
        ASSERT_TRUE(WaitUntil([&] {
            const std::vector<pid_t> threads = ThreadsNamed("media-vdecode");
            return !made.decoder->WantsInput(decoderInput) && threads.size() == 1 &&
                   ThreadIsAsleep(threads.front());
        }));
    }
}

// Played from its head over the lost middle to its end, a recording with a hole
// of 1.5 GB completes once, and neither indexing nor demuxing read the hole.
TEST_F(FilterGraphTest, PlaysOverAHoleWithoutReadingIt) {
    TestGraph made;
    MakeGraph(HoledClipPath(), window, made);
    ASSERT_NE(made.audio, nullptr);
    made.graph->AddFilter(made.audio, "Audio Renderer");
    EXPECT_EQ(RenderSource(made), 2);
    REFERENCE_TIME from = 44 * kUnitsPerSecond / 25;
    made.graph->SetPositions(&from, AM_SEEKING_AbsolutePositioning, nullptr,
                             AM_SEEKING_NoPositioning);
    made.graph->Run();
    std::vector<long> codes;
    ASSERT_TRUE(WaitUntil(
        [&] {
            long code = 0;
            LONG_PTR param1 = 0;
            LONG_PTR param2 = 0;
            if (made.graph->GetEvent(code, param1, param2, 0) == S_OK) {
                codes.push_back(code);
            }
            return !codes.empty() && codes.back() == EC_COMPLETE;
        },
        30000));
    EXPECT_EQ(codes, std::vector<long>{EC_COMPLETE});
    EXPECT_LT(static_cast<SourceFilter&>(*made.source).BytesRead(), 16 << 20);
}

// A seek right after opening, to a time the play list's time line knows but the
// index has not reached yet, lands there, not at the end of what was indexed.
TEST_F(FilterGraphTest, SeekBeyondTheIndexedPartLandsAtItsTarget) {
    const QString path = ZeroTailRecordingPath();
    ASSERT_FALSE(path.isEmpty());
    for (int round = 0; round < 3; ++round) {
        TestGraph made;
        MakeGraph(path, window, made);
        REFERENCE_TIME target = 50 * kUnitsPerSecond;
        made.graph->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                 AM_SEEKING_NoPositioning);
        ASSERT_EQ(RenderSource(made), 1);
        made.graph->Pause();
        REFERENCE_TIME duration = 0;
        ASSERT_TRUE(WaitUntil(
            [&] {
                made.graph->GetDuration(duration);
                return duration > 59 * kUnitsPerSecond;
            },
            20000));
        std::shared_ptr<BaseFilter> found;
        ASSERT_EQ(made.graph->FindFilterByName("VMR-9", found), S_OK);
        auto& renderer = dynamic_cast<VideoRendererFilter&>(*found);
        ASSERT_TRUE(renderer.WaitForPresentation(std::chrono::milliseconds(10000)));
        REFERENCE_TIME position = 0;
        made.graph->GetCurrentPosition(position);
        EXPECT_EQ(position, target);
        const SharedFrame picture = renderer.CurrentPicture();
        ASSERT_NE(picture, nullptr);
        const MediaType type = made.source->FirstPin(PinDirection::Output)->Type();
        const double shown = av_q2d(type.timeBase) *
                             static_cast<double>(picture->best_effort_timestamp - type.startPts);
        EXPECT_NEAR(shown, 50.0, 0.05);
    }
}

// A step that comes while the run takes its last picture and its end of stream
// answers at once: the step shows the next picture or says the end is reached,
// it does not wait for a picture that will never come.
TEST_F(FilterGraphTest, StepAsTheRunTakesItsEndAnswers) {
    TestGraph made;
    MakeGraph(TestClipPath(), window, made);
    ASSERT_EQ(RenderSource(made), 1);
    std::shared_ptr<BaseFilter> found;
    ASSERT_EQ(made.graph->FindFilterByName("VMR-9", found), S_OK);
    auto& renderer = dynamic_cast<VideoRendererFilter&>(*found);
    const REFERENCE_TIME last = (kClipFrames - 1) * kUnitsPerSecond / static_cast<int>(kClipFps);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        REFERENCE_TIME at = last - (round % 3) * kUnitsPerSecond / static_cast<int>(kClipFps);
        made.graph->Run();
        made.graph->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr,
                                 AM_SEEKING_NoPositioning);
        renderer.WaitForPresentation(std::chrono::milliseconds(5000));
        const HRESULT stepped = made.graph->Step(1, nullptr);
        EXPECT_TRUE(stepped == S_OK || stepped == S_FALSE) << std::hex << stepped;
        EXPECT_NE(renderer.CurrentPicture(), nullptr);
    }
}

TEST_F(FilterGraphTest, FilterNamesAreMadeUnique) {
    std::shared_ptr<FilterGraph> graph;
    ASSERT_EQ(CreateInstance(CLSID_FilterGraph, graph), S_OK);
    std::shared_ptr<BaseFilter> first;
    std::shared_ptr<BaseFilter> second;
    ASSERT_EQ(CreateInstance(CLSID_LAVVideoDecoder, first), S_OK);
    ASSERT_EQ(CreateInstance(CLSID_LAVVideoDecoder, second), S_OK);
    EXPECT_EQ(graph->AddFilter(first, "Decoder"), S_OK);
    EXPECT_EQ(graph->AddFilter(second, "Decoder"), S_OK);
    EXPECT_EQ(first->Name(), "Decoder");
    EXPECT_EQ(second->Name(), "Decoder 0001");
    EXPECT_EQ(graph->AddFilter(first, "Again"), E_UNEXPECTED);
    EXPECT_EQ(graph->RemoveFilter(first), S_OK);
    EXPECT_EQ(graph->RemoveFilter(first), VFW_E_NOT_IN_GRAPH);
}

}  // namespace
