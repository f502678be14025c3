#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <stdexcept>
#include <string>

namespace media {

struct AvPacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct AvFrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AvFormatDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct AvCodecDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct SwsDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct SwrDeleter {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketDeleter>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameDeleter>;
using AvFormatPtr = std::unique_ptr<AVFormatContext, AvFormatDeleter>;
using AvCodecPtr = std::unique_ptr<AVCodecContext, AvCodecDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
// A decoded picture shared by the renderer thread and the GUI thread.
using SharedFrame = std::shared_ptr<const AVFrame>;

inline SharedFrame ShareFrame(AvFramePtr frame) {
    return SharedFrame(frame.release(), [](const AVFrame* f) {
        AVFrame* owned = const_cast<AVFrame*>(f);
        av_frame_free(&owned);
    });
}

inline std::string AvErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof(text));
    return text;
}

// An open decoder for `parameters`; `threaded` lets libavcodec pick its own threads.
inline AvCodecPtr OpenDecoder(const AVCodecParameters& parameters, AVRational timeBase,
                              bool threaded) {
    const AVCodec* decoder = avcodec_find_decoder(parameters.codec_id);
    AvCodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), &parameters) < 0) {
        throw std::runtime_error("Decoder context");
    }
    codec->pkt_timebase = timeBase;
    if (threaded) {
        codec->thread_count = 0;
        codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    }
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) {
        throw std::runtime_error("Decoder open");
    }
    return codec;
}

}  // namespace media
