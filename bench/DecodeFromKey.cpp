// The work of an exact seek done by libavformat and libavcodec in one loop, with no
// player around it: a byte seek to the key frame at or before the target, then
// packets in and pictures out until the target's picture. The decoder is opened
// as the player opens it (the same thread policy), so ours minus this is what the
// player's pipeline adds (queues, hand-offs, conversion, paint).
//
//   ombrel-bench-decode FILE T...   prints decode_ms per target (after one untimed
//                                   seek to 1 s, as the player's first seek is
//                                   reported apart)
//   ombrel-bench-decode --first FILE
//                                   prints key_decode_ms: the file's first key
//                                   frame read and decoded alone (the decoder
//                                   already open), the floor of a first picture
#include "media/AvHandles.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Packet {
    std::int64_t pts;
    std::int64_t pos;
    bool key;
};

class DecodeFromKey {
  public:
    explicit DecodeFromKey(const char* path) {
        AVFormatContext* context = nullptr;
        if (avformat_open_input(&context, path, av_find_input_format("mpegts"), nullptr) < 0) {
            throw std::runtime_error("cannot open");
        }
        format_.reset(context);
        if (avformat_find_stream_info(context, nullptr) < 0) {
            throw std::runtime_error("no stream information");
        }
        video_ = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video_ < 0) {
            throw std::runtime_error("no video");
        }
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            if (static_cast<int>(i) != video_) {
                context->streams[i]->discard = AVDISCARD_ALL;
            }
        }
        Index();
        const AVStream* stream = context->streams[video_];
        codec_ = media::OpenDecoder(*stream->codecpar, stream->time_base, true);
    }

    // Reads the first key frame's packet and decodes it alone; the time in ms.
    double FirstKeyFrame() {
        avcodec_flush_buffers(codec_.get());
        av_seek_frame(format_.get(), -1, packets_.front().pos, AVSEEK_FLAG_BYTE);
        QElapsedTimer timer;
        timer.start();
        media::AvPacketPtr packet(av_packet_alloc());
        media::AvFramePtr frame(av_frame_alloc());
        while (av_read_frame(format_.get(), packet.get()) >= 0) {
            const bool key = packet->stream_index == video_ && (packet->flags & AV_PKT_FLAG_KEY);
            if (key) {
                avcodec_send_packet(codec_.get(), packet.get());
                avcodec_send_packet(codec_.get(), nullptr);
                avcodec_receive_frame(codec_.get(), frame.get());
            }
            av_packet_unref(packet.get());
            if (key) {
                break;
            }
        }
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    // Decodes from the key frame to the picture shown at `seconds`; its time in ms.
    double Seek(double seconds) {
        QElapsedTimer timer;
        timer.start();
        const std::int64_t wanted = first_ + std::llround(seconds * 90000.0);
        const auto shown = std::upper_bound(shown_.begin(), shown_.end(), wanted);
        const std::int64_t target = shown == shown_.begin() ? shown_.front() : *std::prev(shown);
        const Packet* key = &packets_.front();
        for (const Packet& packet : packets_) {
            if (packet.key && packet.pts <= target) {
                key = &packet;
            }
        }
        avcodec_flush_buffers(codec_.get());
        av_seek_frame(format_.get(), -1, key->pos, AVSEEK_FLAG_BYTE);
        media::AvPacketPtr packet(av_packet_alloc());
        media::AvFramePtr frame(av_frame_alloc());
        bool reached = false;
        while (!reached && av_read_frame(format_.get(), packet.get()) >= 0) {
            if (packet->stream_index == video_) {
                avcodec_send_packet(codec_.get(), packet.get());
                while (!reached && avcodec_receive_frame(codec_.get(), frame.get()) >= 0) {
                    reached = frame->best_effort_timestamp >= target;
                    av_frame_unref(frame.get());
                }
            }
            av_packet_unref(packet.get());
        }
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

  private:
    void Index() {
        media::AvPacketPtr packet(av_packet_alloc());
        while (av_read_frame(format_.get(), packet.get()) >= 0) {
            if (packet->stream_index == video_ && packet->pts != AV_NOPTS_VALUE) {
                packets_.push_back(
                    {packet->pts, packet->pos, (packet->flags & AV_PKT_FLAG_KEY) != 0});
                shown_.push_back(packet->pts);
            }
            av_packet_unref(packet.get());
        }
        if (packets_.empty()) {
            throw std::runtime_error("no pictures");
        }
        std::sort(shown_.begin(), shown_.end());
        first_ = shown_.front();
    }

    media::AvFormatPtr format_;
    media::AvCodecPtr codec_;
    int video_ = -1;
    std::vector<Packet> packets_;      // decode order
    std::vector<std::int64_t> shown_;  // presentation order
    std::int64_t first_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ombrel-bench-decode FILE T... | --first FILE\n");
        return 2;
    }
    try {
        if (std::string(argv[1]) == "--first") {
            DecodeFromKey decoder(argv[2]);
            std::printf("key_decode_ms %.3f\n", decoder.FirstKeyFrame());
            return 0;
        }
        DecodeFromKey decoder(argv[1]);
        decoder.Seek(1.0);
        for (int i = 2; i < argc; ++i) {
            std::printf("decode_ms %.3f\n", decoder.Seek(std::atof(argv[i])));
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
