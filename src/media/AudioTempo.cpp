#include "AudioTempo.h"

#include "AvHandles.h"
#include "MediaLog.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <cstring>
#include <string>

namespace media {

namespace {

// atempo stages whose product is `tempo`, each within 0.5 .. 2.0.
std::string TempoChain(double tempo) {
    std::string chain;
    auto add = [&chain](double factor) {
        if (!chain.empty()) {
            chain += ',';
        }
        chain += "atempo=" + std::to_string(factor);
    };
    while (tempo < 0.5) {
        add(0.5);
        tempo /= 0.5;
    }
    while (tempo > 2.0) {
        add(2.0);
        tempo /= 2.0;
    }
    add(tempo);
    return chain;
}

}  // namespace

AudioTempo::AudioTempo(int rate, int channels) : rate_(rate), channels_(channels) {}

AudioTempo::~AudioTempo() {
    Release();
}

bool AudioTempo::SetTempo(double tempo) {
    if (!(tempo > 0.0) || !std::isfinite(tempo)) {
        return false;
    }
    tempo_ = tempo;
    Reset();
    return true;
}

void AudioTempo::Reset() {
    Release();
    passThrough_.clear();
    pts_ = 0;
    if (std::fabs(tempo_ - 1.0) > 1e-6) {
        Build();
    }
}

bool AudioTempo::Build() {
    graph_ = avfilter_graph_alloc();
    if (graph_ == nullptr) {
        return false;
    }
    const std::string layout = channels_ == 1 ? "mono" : "stereo";
    const std::string arguments = "sample_rate=" + std::to_string(rate_) +
                                  ":sample_fmt=s16:channel_layout=" + layout + ":time_base=1/" +
                                  std::to_string(rate_);
    if (avfilter_graph_create_filter(&source_, avfilter_get_by_name("abuffer"), "in",
                                     arguments.c_str(), nullptr, graph_) < 0 ||
        avfilter_graph_create_filter(&sink_, avfilter_get_by_name("abuffersink"), "out", nullptr,
                                     nullptr, graph_) < 0) {
        Release();
        return false;
    }
    const AVSampleFormat formats[] = {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_NONE};
    av_opt_set_int_list(sink_, "sample_fmts", formats, AV_SAMPLE_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source_;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink_;
    const std::string chain = TempoChain(tempo_);
    const bool parsed =
        avfilter_graph_parse_ptr(graph_, chain.c_str(), &inputs, &outputs, nullptr) >= 0;
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (!parsed || avfilter_graph_config(graph_, nullptr) < 0) {
        Release();
        return false;
    }
    return true;
}

void AudioTempo::Release() {
    avfilter_graph_free(&graph_);
    source_ = nullptr;
    sink_ = nullptr;
}

void AudioTempo::Push(const std::int16_t* samples, int frames) {
    if (frames <= 0) {
        return;
    }
    if (graph_ == nullptr) {
        passThrough_.insert(passThrough_.end(), samples, samples + frames * channels_);
        return;
    }
    AVFrame* frame = av_frame_alloc();
    if (frame == nullptr) {
        LogMediaFailure("AudioTempo", "no memory for a frame; samples dropped");
        return;
    }
    frame->format = AV_SAMPLE_FMT_S16;
    frame->sample_rate = rate_;
    av_channel_layout_default(&frame->ch_layout, channels_);
    frame->nb_samples = frames;
    frame->pts = pts_;
    pts_ += frames;
    int result = av_frame_get_buffer(frame, 0);
    if (result >= 0) {
        std::memcpy(frame->data[0], samples, static_cast<std::size_t>(frames) * channels_ * 2);
        result = av_buffersrc_add_frame(source_, frame);
    }
    if (result < 0) {
        // The filter keeps what it had; these samples are simply not heard.
        LogMediaFailure("AudioTempo", "cannot feed " + std::to_string(frames) +
                                          " samples: " + AvErrorText(result));
    }
    av_frame_free(&frame);
}

void AudioTempo::PushEnd() {
    if (graph_ == nullptr) {
        return;
    }
    const int result = av_buffersrc_add_frame(source_, nullptr);
    if (result < 0) {
        LogMediaFailure("AudioTempo", "cannot end the stream: " + AvErrorText(result));
    }
}

void AudioTempo::Pull(std::vector<std::int16_t>& out) {
    if (graph_ == nullptr) {
        out.insert(out.end(), passThrough_.begin(), passThrough_.end());
        passThrough_.clear();
        return;
    }
    AVFrame* frame = av_frame_alloc();
    while (av_buffersink_get_frame(sink_, frame) >= 0) {
        const auto* data = reinterpret_cast<const std::int16_t*>(frame->data[0]);
        out.insert(out.end(), data, data + frame->nb_samples * channels_);
        av_frame_unref(frame);
    }
    av_frame_free(&frame);
}

}  // namespace media
