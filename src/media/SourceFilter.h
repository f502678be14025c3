#pragma once

#include "media/AvHandles.h"
#include "media/BaseFilter.h"
#include "media/FileInput.h"
#include "media/PacketIndex.h"
#include "media/TsIndexScanner.h"

#include <QString>

#include <atomic>
#include <functional>
#include <vector>

namespace media {

// Reads one local file with libavformat and pushes its video and audio packets
// out of one pin each. Other streams (the recorder's sensor log) get no pin.
//
// The index of video packets: a transport stream's is built by reading its
// packets directly, the start (up to the first pictures) and the end (the last
// time stamp) while opening, the rest on a worker of its own while playback
// starts; any other file's by one libavformat pass while opening.
class SourceFilter : public BaseFilter {
  public:
    using DurationSink = std::function<void(REFERENCE_TIME)>;

    SourceFilter();
    ~SourceFilter() override;

    // Before Load: told of a new duration by the indexing worker, where the end of
    // the file held no picture to take it from while opening (the file's pictures
    // end before its bytes do); called on that worker.
    void SetDurationSink(DurationSink sink) { durationSink_ = std::move(sink); }
    // Opens the file, starts the index of video packets and creates the pins.
    HRESULT Load(const QString& path);
    REFERENCE_TIME Duration() const { return duration_.load(); }
    // False while the duration is only what the indexed part of the file shows (its
    // end held no picture and the indexing worker has not reached it yet).
    bool DurationFinal() const { return durationFinal_.load(); }
    // What indexing and demuxing have read of the file so far, in bytes.
    std::int64_t BytesRead() const;
    bool IndexComplete() const { return index_ && index_->Complete(); }

    void StartStreaming() override;
    void BeginStop() override;
    void StopStreaming() override;
    void Wake() override;

  private:
    HRESULT OpenInput(const QString& path);
    void IgnoreDataStreams();
    void SelectStreams();
    void StartScanning(const QString& path, std::vector<AVDictionary*>& options);
    void TellVideoParameters();
    bool FinishScanning();
    void SetVideoTimes(std::int64_t lastPts);
    void SetDuration(std::int64_t lastPts);
    void IndexRest(platform::Worker::Control& worker);
    void StopIndexing();
    bool BuildIndex();
    void CreatePins();
    MediaType StreamType(int streamIndex, MajorType major) const;

    void Run(platform::Worker::Control& worker);
    void SeekForSegment(platform::Worker::Control& worker, std::uint64_t generation);
    bool HasEnoughQueued() const;
    void Route(AVPacket* packet, std::uint64_t generation);
    void EndStreams(std::uint64_t generation);
    REFERENCE_TIME ToUnits(std::int64_t pts, const AVStream* stream) const;

    std::unique_ptr<FileInput> input_;  // before format_, which reads through it
    AvFormatPtr format_;
    bool transportStream_ = false;
    int videoStream_ = -1;
    int audioStream_ = -1;
    Pin* videoPin_ = nullptr;
    Pin* audioPin_ = nullptr;
    std::shared_ptr<PacketIndex> index_;
    std::int64_t startVideoPts_ = 0;  // media position 0, in the video time base
    std::int64_t startAudioPts_ = 0;  // the same instant in the audio time base
    std::int64_t frameDuration_ = 0;  // in the video time base, from the start
    AVRational videoTimeBase_{1, 90000};
    std::atomic<REFERENCE_TIME> duration_{0};
    std::atomic<bool> durationFinal_{true};
    bool byteSeek_ = false;
    DurationSink durationSink_;
    // Built on the opening thread, then used by the indexing worker alone.
    std::unique_ptr<TsIndexScanner> scanner_;
    int scannedStream_ = -1;
    bool tailKnown_ = false;
    std::int64_t tailLastPts_ = 0;
    std::unique_ptr<platform::Worker> indexer_;  // last: stopped before the rest goes
};

}  // namespace media
