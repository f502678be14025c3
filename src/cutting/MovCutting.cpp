#include "MovCutting.h"

#include "BoxBuilder.h"
#include "CutArithmetic.h"
#include "CutFailure.h"
#include "DestTable.h"
#include "MovLayout.h"
#include "SourceReader.h"
#include "foundation/ErrorReport.h"
#include "platform/MessageBox.h"
#include "recordings/ByteOrder.h"

#include <QString>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

using recordings::ReadBe32;
using recordings::WriteBe32;

using namespace cutting;

namespace {

constexpr std::uint32_t kDefaultWindowSize = 6553600;
constexpr int kVideo = 0;
constexpr int kAudio = 1;
constexpr int kThird = 2;

void ThrowOnCopyFailure(CopyOutcome copied) {
    if (copied != CopyOutcome::Copied) {
        const CutResult code = CopyFailureResult(copied);
        throw CutFailure(code, code == Err_Cut_SrcFileMappingError ? "Err_Cut_SrcFileMappingError"
                                                                   : "WriteFile Error");
    }
}

// Half-open index ranges of the current source: video samples, sync entries,
// audio samples, third-track samples.
struct MovRanges {
    std::uint32_t vs = 0, ve = 0;
    std::uint32_t is = 0, ie = 0;
    std::uint32_t as = 0, ae = 0;
    std::uint32_t ts = 0, te = 0;
};

class MovCutState {
  public:
    explicit MovCutState(CuttingProc& job)
        : job_(job),
          windowSize_(job.mappingWindowSize > 0 ? job.mappingWindowSize : kDefaultWindowSize) {}

    void Run();

  private:
    void MovCreateDestDataBuffer();
    void MovReadSourceFile();
    void CopyFirstAtom();
    void MovFindStartPosition();
    void MovFindStopPosition();
    void TakeRestOfSource();
    bool SamplesInside(const ByteSpan& copied) const;
    void MovCopyMdat();
    void MovModifyStbl(std::uint64_t start);
    void MovWriteMoov();

    // The first sample range of the copy, over the tracks with samples in it.
    bool ByteRange(std::uint64_t* start, std::uint64_t* end) const;
    std::uint32_t FirstSyncAtLeast(std::uint32_t number) const;
    std::uint32_t VideoSamplesIn(std::int64_t seconds) const;
    void SetSoundEnds(std::uint32_t videoTicks, std::uint32_t* audio, std::uint32_t* third) const;
    void CopyView(std::uint64_t offset, std::size_t size);
    void AppendSamples(int track, std::uint32_t first, std::uint32_t end, std::uint32_t delta,
                       DestTable& sizes, DestTable& offsets);

    CuttingProc& job_;
    const std::uint32_t windowSize_;
    std::size_t sourceIndex_ = 0;
    FileSourceReader source_;
    RecordingMovLayout layout_;
    std::uint32_t videoTimeScale_ = 0;
    std::uint32_t audioTimeScale_ = 0;
    std::uint32_t firstAtomSize_ = 0;  // where the clip's "mdat" header begins
    MovRanges r_;
    std::uint64_t outputPosition_ = 0;
    std::vector<std::uint8_t> viewBuffer_;

    DestTable ctts_, videoSizes_, videoOffsets_, sync_;
    DestTable audioSizes_, audioOffsets_, thirdSizes_, thirdOffsets_;
};

void MovCutState::Run() {
    if (job_.selection.empty()) {
        throw std::runtime_error("No source selected");
    }
    MovCreateDestDataBuffer();
    sourceIndex_ = 0;
    MovReadSourceFile();
    videoTimeScale_ = layout_.videoTimeScale;
    audioTimeScale_ = layout_.audioTimeScale;
    CopyFirstAtom();
    MovFindStartPosition();
    while (sourceIndex_ + 1 < job_.selection.size()) {
        TakeRestOfSource();
        MovCopyMdat();
        ++sourceIndex_;
        MovReadSourceFile();
        r_.vs = r_.is = r_.as = r_.ts = 0;
    }
    MovFindStopPosition();
    MovCopyMdat();
    MovWriteMoov();
}

void MovCutState::MovCreateDestDataBuffer() {
    const std::uint64_t n = job_.selection.size();
    const std::uint64_t s = WholeSeconds(job_.span);
    const std::uint64_t cv = 30 * (n + s) + 100;
    const std::uint64_t cs = s + 2 * n + 10;
    const std::uint64_t ca = 47 * (n + s) + 151;
    const std::uint64_t ct = n + s + 11;
    try {
        ctts_ = DestTable(8, cv);
        videoSizes_ = DestTable(4, cv);
        videoOffsets_ = DestTable(4, cv);
        sync_ = DestTable(4, cs);
        audioSizes_ = DestTable(4, ca);
        audioOffsets_ = DestTable(4, ca);
        thirdSizes_ = DestTable(4, ct);
        thirdOffsets_ = DestTable(4, ct);
    } catch (const std::bad_alloc&) {
        throw CutFailure(Err_Cut_MemAllocError, "Err_Cut_MemAllocError");
    }
}

void MovCutState::MovReadSourceFile() {
    const CutResult opened = OpenCutSource(source_, job_.selection[sourceIndex_]->path);
    if (opened != Cut_OK) {
        throw CutFailure(opened, opened == Err_Cut_SrcFileSizeOverError
                                     ? "Err_Cut_SrcFileSizeOverError"
                                     : "Err_Cut_OpenSrcFileErrorr");
    }
    if (MovReadMoov(source_, layout_) != Cut_OK) {
        throw CutFailure(Err_Cut_SrcFileMappingError, "Err_Cut_SrcFileMappingError");
    }
}

void MovCutState::CopyView(std::uint64_t offset, std::size_t size) {
    ThrowOnCopyFailure(CopySourceBytes(source_, offset, size, viewBuffer_, job_.outputFile));
}

// The first atom whole, then the next 8 bytes as the clip's "mdat" header (its
// size is set at the end).
void MovCutState::CopyFirstAtom() {
    std::uint8_t header[8];
    if (!source_.Read(0, header, sizeof header)) {
        throw CutFailure(Err_Cut_SrcFileMappingError, "Err_Cut_SrcFileMappingError");
    }
    firstAtomSize_ = ReadBe32(header);
    if (firstAtomSize_ < 8 || std::uint64_t{firstAtomSize_} + 8 > source_.Size()) {
        throw CutFailure(Err_Cut_SrcFileMappingError, "Err_Cut_SrcFileMappingError");
    }
    ThrowOnCopyFailure(
        CopySourceRange(source_, 0, firstAtomSize_, windowSize_, viewBuffer_, job_.outputFile));
    std::uint8_t mdat[8];
    if (!source_.Read(firstAtomSize_, mdat, sizeof mdat)) {
        throw CutFailure(Err_Cut_SrcFileMappingError, "Err_Cut_SrcFileMappingError");
    }
    std::copy_n("mdat", 4, mdat + 4);
    if (!job_.outputFile.Write(mdat, sizeof mdat)) {
        throw CutFailure(Err_Cut_OpenDestFileError, "WriteFile Error");
    }
    outputPosition_ = std::uint64_t{firstAtomSize_} + 8;
}

std::uint32_t MovCutState::FirstSyncAtLeast(std::uint32_t number) const {
    std::uint32_t i = 0;
    while (i < layout_.syncTotal && layout_.SyncNumber(i) < number) {
        ++i;
    }
    return i;
}

// Whole seconds to a 0-based video sample index.
std::uint32_t MovCutState::VideoSamplesIn(std::int64_t seconds) const {
    if (seconds <= 0) {
        return 0;
    }
    const double sampleSeconds = static_cast<double>(layout_.videoDelta) / videoTimeScale_;
    return Trunc32(seconds / sampleSeconds);
}

// Audio and third-track indexes at a video time, each limited to its table.
void MovCutState::SetSoundEnds(std::uint32_t videoTicks, std::uint32_t* audio,
                               std::uint32_t* third) const {
    const double audioTicks = static_cast<double>(videoTicks) * audioTimeScale_ / videoTimeScale_;
    *audio = std::min(Trunc32(audioTicks / layout_.audioDelta), layout_.audioTotal);
    *third = std::min(videoTicks / layout_.thirdDelta, layout_.thirdTotal);
}

void MovCutState::MovFindStartPosition() {
    r_.vs = r_.is = r_.as = r_.ts = 0;
    const std::uint32_t w = VideoSamplesIn(static_cast<std::int32_t>(Trunc32(job_.startOffset)));
    if (w == 0 || layout_.syncTotal == 0) {
        return;
    }
    // The last sync sample numbered below W; the first one when none is.
    const std::uint32_t i = FirstSyncAtLeast(w);
    r_.is = i > 0 ? i - 1 : 0;
    r_.vs = layout_.SyncNumber(r_.is) - 1;
    SetSoundEnds(layout_.videoDelta * r_.vs, &r_.as, &r_.ts);
}

void MovCutState::TakeRestOfSource() {
    r_.ve = layout_.videoTotal;
    r_.ie = layout_.syncTotal;
    r_.ae = layout_.audioTotal;
    r_.te = layout_.thirdTotal;
}

void MovCutState::MovFindStopPosition() {
    const std::uint32_t w = VideoSamplesIn(WholeSecondsSigned(job_.endOffset) + 1);
    const std::uint32_t i = FirstSyncAtLeast(w);
    // Near the end of the source, or with no sync sample after W, the rest of
    // it is taken.
    if (w > layout_.videoTotal - 10 || i >= layout_.syncTotal) {
        TakeRestOfSource();
    } else {
        r_.ie = i;
        r_.ve = layout_.SyncNumber(i);
        SetSoundEnds(layout_.videoDelta * r_.ve, &r_.ae, &r_.te);
    }
    // An end before the start in one source leaves the ranges empty.
    r_.ve = std::max(r_.ve, r_.vs);
    r_.ie = std::max(r_.ie, r_.is);
    r_.ae = std::max(r_.ae, r_.as);
    r_.te = std::max(r_.te, r_.ts);
}

bool MovCutState::ByteRange(std::uint64_t* start, std::uint64_t* end) const {
    const std::uint32_t firsts[3] = {r_.vs, r_.as, r_.ts};
    const std::uint32_t ends[3] = {r_.ve, r_.ae, r_.te};
    bool any = false;
    for (int track = kVideo; track <= kThird; ++track) {
        if (firsts[track] >= ends[track]) {
            continue;
        }
        const std::uint64_t first = layout_.SampleOffset(track, firsts[track]);
        const std::uint32_t last = ends[track] - 1;
        const std::uint64_t lastEnd =
            std::uint64_t{layout_.SampleOffset(track, last)} + layout_.SampleSize(track, last);
        *start = any ? std::min(*start, first) : first;
        *end = any ? std::max(*end, lastEnd) : lastEnd;
        any = true;
    }
    return any;
}

// Every sample the clip takes must lie in the file's media (never in its movie
// atom) and in the bytes copied: a clip whose tables point elsewhere cannot be read.
bool MovCutState::SamplesInside(const ByteSpan& copied) const {
    const std::vector<ByteSpan> media = layout_.MediaSpans(source_.Size());
    const std::uint32_t firsts[3] = {r_.vs, r_.as, r_.ts};
    const std::uint32_t ends[3] = {r_.ve, r_.ae, r_.te};
    for (int track = kVideo; track <= kThird; ++track) {
        // The clip keeps stsz's header: a uniform size there would override its table.
        if (layout_.UniformSampleSize(track) != 0) {
            return false;
        }
        for (std::uint32_t i = firsts[track]; i < ends[track]; ++i) {
            const std::uint32_t offset = layout_.SampleOffset(track, i);
            const std::uint32_t size = layout_.SampleSize(track, i);
            const bool inMedia = std::any_of(media.begin(), media.end(), [&](const ByteSpan& m) {
                return m.Holds(offset, size);
            });
            if (!inMedia || !copied.Holds(offset, size)) {
                return false;
            }
        }
    }
    return true;
}

void MovCutState::MovCopyMdat() {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    if (!ByteRange(&start, &end) || end < start) {
        end = start;
    }
    if (!SamplesInside(ByteSpan{start, end})) {
        throw CutFailure(Err_Cut_SrcFileFormatError, "Err_Cut_SrcFileFormatError");
    }
    std::uint64_t remaining = end - start;
    // Chunk offsets are 32 bits: a clip that would pass them is refused.
    if (outputPosition_ + remaining > UINT32_MAX) {
        throw CutFailure(Err_Cut_DestFileSizeOverError, "Err_Cut_DestFileSizeOverError");
    }
    const std::uint64_t w = windowSize_;
    std::uint64_t base = start / w * w;
    // The first view runs from the start to the window's end.
    const std::uint64_t first = std::min(w - (start - base), remaining);
    if (first > 0) {
        CopyView(start, static_cast<std::size_t>(first));
    }
    std::uint64_t written = first;
    remaining -= first;
    job_.PostProgress(static_cast<std::int64_t>(outputPosition_));
    base += w;
    while (remaining > 0) {
        if (job_.stopFlag.load() != 0) {
            throw CutFailure(Err_Cut_Interrupt, "Err_Cut_Interrupt");
        }
        const std::uint64_t block = std::min(remaining, w);
        CopyView(base, static_cast<std::size_t>(block));
        written += block;
        remaining -= block;
        if (remaining == 0) {
            break;
        }
        job_.PostProgress(static_cast<std::int64_t>(outputPosition_ + written));
        base += w;
    }
    MovModifyStbl(start);
    outputPosition_ += written;
    job_.PostProgress(static_cast<std::int64_t>(outputPosition_));
}

void MovCutState::AppendSamples(int track, std::uint32_t first, std::uint32_t end,
                                std::uint32_t delta, DestTable& sizes, DestTable& offsets) {
    if (end > first) {
        sizes.Append(layout_.SizeEntries(track, first, end - first), end - first);
    }
    for (std::uint32_t i = first; i < end; ++i) {
        offsets.AppendU32BE(layout_.SampleOffset(track, i) + delta);
    }
}

void MovCutState::MovModifyStbl(std::uint64_t start) {
    const std::uint32_t videoCount = r_.ve - r_.vs;
    if (!ctts_.HasRoomFor(videoCount) || !videoSizes_.HasRoomFor(videoCount) ||
        !videoOffsets_.HasRoomFor(videoCount) || !sync_.HasRoomFor(r_.ie - r_.is) ||
        !audioSizes_.HasRoomFor(r_.ae - r_.as) || !audioOffsets_.HasRoomFor(r_.ae - r_.as) ||
        !thirdSizes_.HasRoomFor(r_.te - r_.ts) || !thirdOffsets_.HasRoomFor(r_.te - r_.ts)) {
        // The job's result follows the box, not the other way round.
        platform::MessageBox::ShowAndWait(QStringLiteral("Memory Alloc is not enough"),
                                          QStringLiteral("Fatal Error"), platform::MB_OK,
                                          [this] { return job_.stopFlag.load() != 0; });
        throw CutFailure(Err_Cut_MemReserveNotEnough, "Err_Cut_MemReserveNotEnough");
    }
    // Sync numbers follow the clip's sample numbering: a source's sample k
    // becomes sample Nv - vs + k.
    const std::uint32_t syncOffset = videoSizes_.Count() - r_.vs;
    for (std::uint32_t index = r_.is; index < r_.ie; ++index) {
        sync_.AppendU32BE(layout_.SyncNumber(index) + syncOffset);
    }
    if (videoCount > 0) {
        ctts_.Append(layout_.CttsEntries(r_.vs, videoCount), videoCount);
    }
    const auto delta = static_cast<std::uint32_t>(outputPosition_ - start);
    AppendSamples(kVideo, r_.vs, r_.ve, delta, videoSizes_, videoOffsets_);
    AppendSamples(kAudio, r_.as, r_.ae, delta, audioSizes_, audioOffsets_);
    AppendSamples(kThird, r_.ts, r_.te, delta, thirdSizes_, thirdOffsets_);
}

void MovCutState::MovWriteMoov() {
    std::uint8_t mdatSize[4];
    WriteBe32(mdatSize, static_cast<std::uint32_t>(outputPosition_ - firstAtomSize_));
    if (!job_.outputFile.WriteAt(mdatSize, sizeof mdatSize, firstAtomSize_)) {
        throw CutFailure(Err_Cut_OpenDestFileError, "WriteFile Error");
    }
    const MovMergedTables tables{ctts_,       videoSizes_,   videoOffsets_, sync_,
                                 audioSizes_, audioOffsets_, thirdSizes_,   thirdOffsets_};
    BoxBuilder moov;
    BuildMovMoov(layout_, tables, moov);
    if (!job_.outputFile.Write(moov.Bytes().data(), static_cast<std::int64_t>(moov.Size()))) {
        throw CutFailure(Err_Cut_OpenDestFileError, "WriteFile Error");
    }
}

}  // namespace

CutResult MOVCutting(CuttingProc* job) {
    CutResult status = Err_Cut_Unknown;
    try {
        auto state = std::make_unique<MovCutState>(*job);
        state->Run();
        status = Cut_OK;
    } catch (const CutFailure& e) {
        status = e.code;
        // Unlike the MP4 and TS cutters, a failed table allocation ends without a log line.
        if (e.code != Err_Cut_MemAllocError) {
            EXCEPTION_LOG_LINE("MOVCutting", e);
        }
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("MOVCutting", e);
    } catch (...) {
        status = Err_Cut_Unknown;
    }
    return status;
}

CutResult RunMOVCutting(CuttingProc* job) {
    return MOVCutting(job);
}
