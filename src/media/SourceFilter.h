#pragma once

#include "media/AvHandles.h"
#include "media/BaseFilter.h"
#include "media/PacketIndex.h"

#include <QString>

namespace media {

// Reads one local file with libavformat and pushes its video and audio packets
// out of one pin each. Other streams (the recorder's sensor log) get no pin.
class SourceFilter : public BaseFilter {
  public:
    SourceFilter();
    ~SourceFilter() override;

    // Opens the file, builds the index of video packets and creates the pins.
    HRESULT Load(const QString& path);
    REFERENCE_TIME Duration() const { return duration_; }

    void StartStreaming() override;
    void BeginStop() override;
    void StopStreaming() override;
    void Wake() override;

  private:
    HRESULT OpenInput(const QString& path);
    void SelectStreams();
    bool BuildIndex();
    void CreatePins();
    MediaType StreamType(int streamIndex, MajorType major) const;

    void Run(platform::Worker::Control& worker);
    void SeekForSegment();
    bool HasEnoughQueued() const;
    void Route(AVPacket* packet, std::uint64_t generation);
    void EndStreams(std::uint64_t generation);
    REFERENCE_TIME ToUnits(std::int64_t pts, const AVStream* stream) const;

    AvFormatPtr format_;
    int videoStream_ = -1;
    int audioStream_ = -1;
    Pin* videoPin_ = nullptr;
    Pin* audioPin_ = nullptr;
    std::shared_ptr<PacketIndex> index_;
    std::int64_t startVideoPts_ = 0;  // media position 0, in the video time base
    std::int64_t startAudioPts_ = 0;  // the same instant in the audio time base
    REFERENCE_TIME duration_ = 0;
    bool byteSeek_ = false;
};

}  // namespace media
