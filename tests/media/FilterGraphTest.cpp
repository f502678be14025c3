#include "media/AudioDevice.h"
#include "media/ClassIds.h"
#include "media/FilterFactory.h"
#include "media/FilterGraph.h"
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

// Filters added decoders first: when the graph goes, the decoders wait on full
// renderer queues that nobody empties any more.
TEST(FilterGraphTest, GoesWhileDecodersWaitOnFullRenderers) {
    UseNullAudioDevice(true);
    QWidget window;
    window.resize(640, 360);
    window.show();
    {
        std::shared_ptr<FilterGraph> graph;
        ASSERT_EQ(CreateInstance(CLSID_FilterGraph, graph), S_OK);
        std::shared_ptr<BaseFilter> source;
        ASSERT_EQ(graph->AddSourceFilter(TestClipPath(), QString(), source), S_OK);
        std::shared_ptr<BaseFilter> decoder;
        std::shared_ptr<BaseFilter> audio;
        ASSERT_EQ(CreateInstance(CLSID_LAVVideoDecoder, decoder), S_OK);
        ASSERT_EQ(CreateInstance(CLSID_DSoundRender, audio), S_OK);
        graph->AddFilter(decoder, "LAV Video Decoder");
        ASSERT_EQ(AddRasterRenderer(*graph, window), S_OK);
        std::unique_ptr<PinEnumerator> pins;
        source->EnumPins(pins);
        std::shared_ptr<Pin> pin;
        int rendered = 0;
        while (pins->Next(pin) == S_OK) {
            rendered +=
                graph->RenderEx(pin, AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr) == S_OK;
        }
        graph->AddFilter(audio, "Audio Renderer");
        EXPECT_EQ(rendered, 1);  // the audio renderer came too late for the audio pin
        std::shared_ptr<BaseFilter> found;
        EXPECT_EQ(graph->FindFilterByName("Audio Decoder", found), VFW_E_NOT_FOUND);
        graph->Stop();
        graph->Pause();
        // Paused, the decoder fills the renderer's queue and waits there, while its
        // own input fills up behind it.
        const Pin& decoderInput = *decoder->FirstPin(PinDirection::Input);
        ASSERT_TRUE(WaitUntil([&] {
            const std::vector<pid_t> threads = ThreadsNamed("media-vdecode");
            return !decoder->WantsInput(decoderInput) && threads.size() == 1 &&
                   ThreadIsAsleep(threads.front());
        }));
    }
}

TEST(FilterGraphTest, FilterNamesAreMadeUnique) {
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
