#include "TSCutting.h"

#include "CutFailure.h"
#include "foundation/ErrorReport.h"
#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "recordings/TsPacket.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

using namespace recordings;
using namespace cutting;

constexpr std::int64_t kTicksPerSecond = 90000;
// A join puts the next recording's first frame one frame (at 30 fps) on.
constexpr std::int64_t kJoinGapTicks = 3000;
// Audio that lags the video by more than this is no longer waited for.
constexpr std::int64_t kAudioWaitTicks = 90000;
// An end that is never reached: an unbounded span runs to the end of the selection.
constexpr std::int64_t kNever = std::int64_t{1} << 60;
constexpr double kUnboundedSeconds = 1e9;
constexpr std::uint32_t kPatPid = 0;
constexpr std::size_t kPidCount = 0x2000;
// A recording's time zero is looked for within its first production-size chunk,
// this many packets at a time.
constexpr std::int64_t kTimeScanBytes = std::int64_t{32767} * kTsPacketSize;
constexpr std::size_t kTimeLookPackets = 64;
// The start search begins this far before the start, and further back when that
// does not settle it; bisection on the pictures' times finds where, to within
// this many packets. It reads in pieces of its own size.
constexpr std::int64_t kStartLeadTicks = kTicksPerSecond;
constexpr std::int64_t kBisectionPackets = 1024;
constexpr std::int64_t kSearchReadBytes = std::int64_t{2048} * kTsPacketSize;
// A chunk stays in the processor's cache between its read and its write.
constexpr int kChunkPackets = 5577;  // 1 MiB

// The recorder's log packets: an ordinary one has a 105-byte adaptation field and
// its 14-byte PES header at 110..123; the first one of a recording an 89-byte
// field, its PES header at 94..107 and the LogStreamHeader at 108..123.
constexpr int kLogAdaptationLength = 105;
constexpr int kLogPesAt = 110;
constexpr int kLogPesHeaderSize = 14;
constexpr int kHeaderPesAt = 94;
constexpr int kLogHeaderAt = 108;
constexpr int kLogHeaderSize = 16;

// Every failure of a cut is logged under this one text.
constexpr char kFailureText[] = "Err_Cut_OpenSrcFileErrorr";

// When the picture is decoded: its DTS, or its PTS when it carries no DTS.
std::int64_t PesDecodeTime(const std::uint8_t* p, int at) {
    return PesHasDts(p, at) ? ReadPesTime(p + at + 14) : PesPts(p, at);
}

// Ticks from `zero` to `time` on a 33-bit clock that may have wrapped in between;
// negative when `time` comes first.
std::int64_t TicksAfter(std::int64_t time, std::int64_t zero) {
    const std::int64_t ticks = (time - zero) & kTsTimeMask;
    return ticks > (kTsTimeMask >> 1) ? ticks - kTsTimeMask - 1 : ticks;
}

// The span rounded up to whole seconds, in ticks; an unbounded one never ends.
std::int64_t SpanTicks(double span) {
    if (std::isnan(span) || span <= 0.0) {
        return 0;
    }
    if (span >= kUnboundedSeconds) {
        return kNever;
    }
    return static_cast<std::int64_t>(std::ceil(span)) * kTicksPerSecond;
}

// A picture a decoder can start on: marked random access, or carrying an H.264
// sequence parameter set or IDR slice in its first packet.
bool IsKeyFrame(const std::uint8_t* p, int pesAt) {
    if (TsRandomAccess(p)) {
        return true;
    }
    for (int i = pesAt + 9 + p[pesAt + 8]; i + 3 < kTsPacketSize; ++i) {
        if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1) {
            const int type = p[i + 3] & 0x1F;
            if (type == 5 || type == 7) {
                return true;
            }
            if (type == 1) {
                return false;
            }
        }
    }
    return false;
}

// What a video PES start's header length says against the packet that carries it.
enum class PesHeaderFit { Fits, Repaired, Broken };

bool StartCodeAt(const std::uint8_t* p, int at) {
    if (at + 3 <= kTsPacketSize && p[at] == 0 && p[at + 1] == 0 && p[at + 2] == 1) {
        return true;
    }
    return at + 4 <= kTsPacketSize && p[at] == 0 && p[at + 1] == 0 && p[at + 2] == 0 &&
           p[at + 3] == 1;
}

// A PES header holds the fields its flags announce, then only stuffing (0xFF), and
// ends inside its packet. A length that says otherwise moves where readers look
// for the picture: it is set back to the fields and their stuffing when a start
// code follows them there, since a picture's data begins with one. Broken when
// the header cannot be made to agree.
PesHeaderFit FitVideoPesHeader(std::uint8_t* p) {
    const int at = TsPayloadOffset(p);
    if (at + 9 > kTsPacketSize || p[at] != 0 || p[at + 1] != 0 || p[at + 2] != 1) {
        return PesHeaderFit::Fits;  // no PES header to measure
    }
    const std::uint8_t flags = p[at + 7];
    const int stated = p[at + 8];
    const int fields = (flags & 0x80) != 0 ? ((flags & 0x40) != 0 ? 10 : 5) : 0;
    // Nothing but a PTS, or a PTS and a DTS: the recorder writes no other field.
    const bool onlyTimes = (flags & 0x3F) == 0 && (flags & 0xC0) != 0x40;
    const int dataAt = at + 9;
    if (stated >= fields && dataAt + stated <= kTsPacketSize) {
        const bool stuffed = !onlyTimes || std::all_of(p + dataAt + fields, p + dataAt + stated,
                                                       [](std::uint8_t b) { return b == 0xFF; });
        if (stuffed) {
            return PesHeaderFit::Fits;
        }
    }
    if (!onlyTimes) {
        return PesHeaderFit::Broken;
    }
    int length = fields;
    while (dataAt + length < kTsPacketSize && p[dataAt + length] == 0xFF) {
        ++length;
    }
    if (!StartCodeAt(p, dataAt + length)) {
        return PesHeaderFit::Broken;
    }
    p[at + 8] = static_cast<std::uint8_t>(length);
    return PesHeaderFit::Repaired;
}

// Fits the header of every video PES start among `count` packets; true when one
// was set right.
bool FitVideoPesHeaders(std::uint8_t* packets, std::int64_t count, std::uint32_t videoPid) {
    bool repaired = false;
    for (std::int64_t i = 0; i < count; ++i) {
        std::uint8_t* p = packets + i * kTsPacketSize;
        if (TsPid(p) == videoPid && TsPayloadUnitStart(p)) {
            repaired = FitVideoPesHeader(p) == PesHeaderFit::Repaired || repaired;
        }
    }
    return repaired;
}

// ---- One cut ----

enum class Phase { FirstPackets, Bulk, Tail, ByPcr };
enum class Verdict { Write, Drop, Stop };

// A PES stream whose packets are written or dropped a whole PES at a time.
struct StreamState {
    std::int64_t lastTime = -1;    // rebased time of its latest PES start
    std::int64_t lastDecode = -1;  // rebased decode time of its latest PES start written
    bool keep = false;             // the PES in hand is written; false before the first
    // A PES past the end was dropped: the pictures after it in decode order may
    // refer to it, so none of them is written either.
    bool ended = false;
};

// Where a clip can begin: the PAT before a PES start (or that PES start itself
// when no PAT came before it), and the time (from the recording's zero) that
// becomes clip time 0.
struct StartCandidate {
    std::int64_t offset = -1;
    std::int64_t time = 0;
    bool afterPat = true;
    bool Found() const { return offset >= 0; }
};

// What one packet tells the start search.
struct StartSignal {
    bool keyFrame = false;  // a video key frame starts here
    bool past = false;      // its time lies past the start point
    bool decisive = false;  // past, on the stream that decides where to begin
    // Both counted from the recording's time zero.
    std::int64_t time = 0;  // what is compared with the start point
    std::int64_t zero = 0;  // what becomes clip time 0 when the clip begins here
};

// Things reported once per cut, however often they occur.
enum Report : std::size_t {
    kReportNoPts,
    kReportNoAdaptation,
    kReportNoPcrField,
    kReportLogLayout,
    kReportPesRepaired,
    kBoxVideoPts,
    kBoxPcr,
    kReportCount
};

class TsCut {
  public:
    explicit TsCut(CuttingProc* job);

    void TsCutByPts();
    void TsCutByPcr();

  private:
    // A time stamp of a recording and, for a picture, when it is decoded.
    struct Stamp {
        std::int64_t time = 0;
        std::int64_t decode = 0;
    };

    // Sources and chunks.
    void TsCutOpenSource();
    std::int64_t ReadSource(std::uint8_t* into, std::int64_t size, std::int64_t offset) const;
    bool TsCutReadChunk(bool mayJoin);
    void ContinueAcrossJoin();
    bool HavePacket(Phase phase);
    std::uint8_t* Packet(int index) { return buffer_.get() + std::size_t(index) * kTsPacketSize; }
    const std::uint8_t* Packet(int index) const {
        return buffer_.get() + std::size_t(index) * kTsPacketSize;
    }
    PesHeaderFit FitPicture(std::uint8_t* p);
    std::optional<Stamp> FirstTimeFrom(std::int64_t from,
                                       std::int64_t stretch = kTimeScanBytes) const;
    std::optional<Stamp> TimeOf(const std::uint8_t* p) const;

    // The clock: each recording's stamps count from its own time zero; the clip
    // places that zero at `clipStart_`, and ends where the play list's time line
    // says, measured in the same recording.
    Stamp TimeZero() const;
    void PlaceItem(std::int64_t itemZero, std::int64_t clipStart);
    std::int64_t Rebase(std::int64_t time) const {
        return clipStart_ + TicksAfter(time, itemZero_);
    }

    // Where the clip begins.
    bool StartCut();
    std::optional<StartCandidate> TsCutFindStartByPts(std::int64_t start);
    std::optional<StartCandidate> TsCutFindStartByPcr(std::int64_t start);
    // How a search ended: settled when a key frame at or before the start came
    // before a picture past it.
    struct StartSearch {
        std::optional<StartCandidate> candidate;
        bool settled = false;
    };
    StartSearch FindStart(std::int64_t start, std::int64_t from);
    std::int64_t OffsetBefore(std::int64_t time) const;
    std::optional<std::int64_t> PictureTimeFrom(std::int64_t from) const;
    StartSignal ObservePts(const std::uint8_t* p, std::int64_t start) const;
    StartSignal ObservePcr(const std::uint8_t* p, std::int64_t start,
                           std::optional<std::int64_t>& lastPcr);
    void BeginAt(const StartCandidate& candidate);
    void BeginAtNextItem();

    // Phases.
    void TsCutWriteFirstPackets();
    void TsCutCopyChunks();
    void TsCutWriteTail();
    void TsCutCopyByPcr();
    void FinishCut();
    bool AwaitingAudio() const;
    bool TailDone() const;

    // Packets.
    Verdict HandlePacket(Phase phase);
    Verdict HandleStream(std::uint8_t* p, StreamState& stream, Phase phase, bool video);
    Verdict DecideStream(std::uint8_t* p, StreamState& stream, Phase phase, bool video);
    Verdict HandleLog(std::uint8_t* p, Phase phase);
    void RebasePes(std::uint8_t* p, int at) const;
    void SetPcr(std::uint8_t* p, std::int64_t time, Phase phase);
    void InsertLogHeader(std::uint8_t* p);
    void Keep(const std::uint8_t* p);
    void Renumber(std::uint8_t* p);
    void Flush();

    void Note(Report report, const char* text);
    void BoxOnce(Report report, const char* text);
    [[noreturn]] static void Fail(CutResult result) { throw CutFailure(result, kFailureText); }

    CuttingProc* job_;
    std::array<std::uint32_t, 5> pids_{};
    bool byPcr_ = false;
    // What a read overwrites needs no clearing first.
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int64_t bufferBytes_ = 0;
    std::int64_t readBytes_ = 0;  // per read: the whole buffer, less while searching

    platform::FileHandle source_;
    std::int64_t sourceLimit_ = 0;  // bytes of the source read: its size when the cut started
    std::size_t item_ = 0;
    std::int64_t readOffset_ = 0;   // file offset of the next read
    std::int64_t chunkOffset_ = 0;  // file offset of the chunk's first packet
    int packetCount_ = 0;
    int packetIndex_ = 0;
    int kept_ = 0;     // packets of the chunk kept, moved to its front
    int flushed_ = 0;  // of those, already written

    std::int64_t itemZero_ = 0;     // the current recording's time zero, as its stamps say
    std::int64_t clipStart_ = 0;    // where that zero stands in the clip
    std::int64_t timeLineEnd_ = 0;  // from the first recording's zero on the time line
    std::int64_t endTime_ = 0;      // last clip time written, in the current recording
    StreamState video_;
    StreamState audio_;
    StreamState log_;
    std::int64_t lastPcr_ = 0;
    bool headerPending_ = false;
    std::array<std::int8_t, kPidCount> counters_{};  // next counter per PID, -1 unseen
    std::int64_t bytesWritten_ = 0;
    std::int64_t readSincePost_ = 0;  // chunk bytes used up since the last progress
    int pictures_ = 0;                // video PES starts written
    std::bitset<kReportCount> reported_;
};

TsCut::TsCut(CuttingProc* job) : job_(job) {
    if (job->selection.empty()) {
        throw std::runtime_error("Nothing selected");
    }
    const TFileItem* first = job->selection.front();
    pids_ = first->pids;
    byPcr_ = first->fileType != FILE_TYPE_TS;
    const std::size_t packets =
        static_cast<std::size_t>(std::clamp(job->tsChunkPackets, 1, kChunkPackets));
    try {
        buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(packets * kTsPacketSize);
        bufferBytes_ = static_cast<std::int64_t>(packets * kTsPacketSize);
        readBytes_ = bufferBytes_;
    } catch (const std::bad_alloc&) {
        buffer_.reset();  // the first read fails
    }
    counters_.fill(-1);
    for (const int stream : {PID_PMT, PID_VIDEO, PID_AUDIO, PID_LOG}) {
        counters_[pids_[stream] & 0x1FFF] = 0;
    }
}

void TsCut::TsCutByPts() {
    if (!StartCut()) {
        TsCutWriteFirstPackets();
    }
    TsCutCopyChunks();
    TsCutWriteTail();
    FinishCut();
}

void TsCut::TsCutByPcr() {
    StartCut();
    TsCutCopyByPcr();
    FinishCut();
}

// A clip without a single picture is no clip: the source had nothing to give.
void TsCut::FinishCut() {
    Flush();
    if (pictures_ == 0) {
        Fail(Err_Cut_ReadSrcFileError);
    }
}

// A source is read only up to its size when the cut started: a recording that
// grew since is not read further, and one replaced by something endless (a device,
// a pipe) is not a recording.
void TsCut::TsCutOpenSource() {
    source_ = platform::FileHandle::OpenRead(job_->selection[item_]->path);
    if (!source_.IsOpen() || !source_.IsRegularFile()) {
        Fail(Err_Cut_OpenSrcFileErrorr);
    }
    const std::vector<std::int64_t>& sizes = job_->sourceSizes;
    sourceLimit_ = item_ < sizes.size() && sizes[item_] >= 0 ? sizes[item_] : source_.Size();
}

// Reads up to `size` bytes at `offset` within the source's limit. A source that
// ends before its limit has shrunk under the cut: a failed read.
std::int64_t TsCut::ReadSource(std::uint8_t* into, std::int64_t size, std::int64_t offset) const {
    const std::int64_t wanted = std::max<std::int64_t>(0, std::min(size, sourceLimit_ - offset));
    const std::int64_t got = wanted > 0 ? source_.ReadAt(into, wanted, offset) : 0;
    if (got != wanted) {
        Fail(Err_Cut_ReadSrcFileError);
    }
    return got;
}

// Reads the next chunk of whole packets. At the end of a recording it goes on with
// the next selected one when `mayJoin`; false when there is nothing more to read.
bool TsCut::TsCutReadChunk(bool mayJoin) {
    if (job_->stopFlag.load() != 0) {
        Fail(Err_Cut_Interrupt);
    }
    if (!buffer_) {
        Fail(Err_Cut_ReadSrcFileError);
    }
    bool joined = false;
    for (;;) {
        const std::int64_t got = ReadSource(buffer_.get(), readBytes_, readOffset_);
        chunkOffset_ = readOffset_;
        packetCount_ = static_cast<int>(got / kTsPacketSize);
        packetIndex_ = kept_ = flushed_ = 0;
        readOffset_ += std::int64_t{packetCount_} * kTsPacketSize;
        if (packetCount_ > 0) {
            if (joined) {
                ContinueAcrossJoin();
            }
            return true;
        }
        if (!mayJoin || item_ + 1 >= job_->selection.size()) {
            return false;
        }
        ++item_;
        TsCutOpenSource();
        readOffset_ = 0;
        joined = true;
    }
}

// A video PES start's header is set right before anything reads it, so the start
// search and the clip both see where the picture's data begins.
PesHeaderFit TsCut::FitPicture(std::uint8_t* p) {
    if (TsPid(p) != pids_[PID_VIDEO] || !TsPayloadUnitStart(p)) {
        return PesHeaderFit::Fits;
    }
    const PesHeaderFit fit = FitVideoPesHeader(p);
    if (fit == PesHeaderFit::Repaired) {
        Note(kReportPesRepaired,
             "TSCutting: a video PES header length that disagreed with its packet was set right");
    }
    return fit;
}

// The next recording goes on one frame step after the last picture decoded (or
// from the last clock reference on the PCR path), counted from that recording's
// own first picture.
void TsCut::ContinueAcrossJoin() {
    const Stamp zero = TimeZero();
    const std::int64_t next = byPcr_ ? lastPcr_ : video_.lastDecode + kJoinGapTicks;
    PlaceItem(zero.time, next - TicksAfter(zero.decode, zero.time));
    // A PES cut off at the end of the last recording does not go on in this one.
    video_.keep = audio_.keep = log_.keep = false;
}

// True when a packet is at hand; writes a used-up chunk and reads the next.
bool TsCut::HavePacket(Phase phase) {
    if (packetIndex_ < packetCount_) {
        return true;
    }
    if (packetCount_ == 0) {
        return false;
    }
    Flush();
    // Progress comes once per chunk of the job's size, however the chunks are read,
    // and at the end of each recording.
    const std::int64_t step = std::int64_t{std::max(1, job_->tsChunkPackets)} * kTsPacketSize;
    const std::int64_t read = std::int64_t{packetCount_} * kTsPacketSize;
    readSincePost_ += read;
    if ((phase == Phase::Bulk || phase == Phase::ByPcr) &&
        (readSincePost_ >= step || read < readBytes_)) {
        job_->PostProgress(bytesWritten_);
        readSincePost_ = 0;
    }
    return TsCutReadChunk(true);
}

// The first time stamp of the source from `from` on: a video PTS with its decode
// time, or a PCR on the PCR path. It is looked for in a fixed stretch, whatever
// the read size.
std::optional<TsCut::Stamp> TsCut::FirstTimeFrom(std::int64_t from, std::int64_t stretch) const {
    std::array<std::uint8_t, kTimeLookPackets * kTsPacketSize> block;
    for (std::int64_t at = from; at < from + stretch;) {
        const std::int64_t got = ReadSource(block.data(), std::int64_t{block.size()}, at);
        if (got < kTsPacketSize) {
            return std::nullopt;
        }
        if (!byPcr_) {
            FitVideoPesHeaders(block.data(), got / kTsPacketSize, pids_[PID_VIDEO]);
        }
        for (std::int64_t i = 0; i + kTsPacketSize <= got; i += kTsPacketSize) {
            if (const std::optional<Stamp> time = TimeOf(block.data() + i)) {
                return time;
            }
        }
        at += got - got % kTsPacketSize;
    }
    return std::nullopt;
}

std::optional<TsCut::Stamp> TsCut::TimeOf(const std::uint8_t* p) const {
    const std::uint32_t pid = TsPid(p);
    if (byPcr_) {
        if (pid != pids_[PID_PCR] || !TsHasPcr(p)) {
            return std::nullopt;
        }
        return Stamp{TsReadPcr(p), TsReadPcr(p)};
    }
    if (pid != pids_[PID_VIDEO] || !TsPayloadUnitStart(p)) {
        return std::nullopt;
    }
    const std::optional<int> pes = PesHeaderAt(p);
    return pes ? std::optional(Stamp{PesPts(p, *pes), PesDecodeTime(p, *pes)}) : std::nullopt;
}

// The current recording's first time stamp. A recording without one (no picture
// with a time stamp, or nothing left of it) cannot be cut.
TsCut::Stamp TsCut::TimeZero() const {
    const std::optional<Stamp> zero = FirstTimeFrom(0);
    if (!zero) {
        Fail(Err_Cut_ReadSrcFileError);
    }
    return *zero;
}

// Makes the current recording's zero clip time `clipStart`, and sets the end where
// the time line puts it in this recording: its items lie back to back with the
// durations the probe found.
void TsCut::PlaceItem(std::int64_t itemZero, std::int64_t clipStart) {
    itemZero_ = itemZero;
    clipStart_ = clipStart;
    if (timeLineEnd_ >= kNever) {
        endTime_ = kNever;
        return;
    }
    double before = 0.0;
    for (std::size_t i = 0; i < item_; ++i) {
        before += job_->selection[i]->duration;
    }
    endTime_ = clipStart_ + timeLineEnd_ - std::llround(before * kTicksPerSecond);
}

// Opens the first recording, finds where the clip begins and reads from there.
// True when the clip keeps the recording's first packet and its time stamps.
bool TsCut::StartCut() {
    const auto start = static_cast<std::int64_t>(job_->startOffset * kTicksPerSecond);
    const std::int64_t span = SpanTicks(job_->span);
    timeLineEnd_ = span >= kNever ? kNever : start + span;
    item_ = 0;
    TsCutOpenSource();
    itemZero_ = TimeZero().time;
    if (start <= kTicksPerSecond) {
        readOffset_ = 0;
        TsCutReadChunk(false);
        PlaceItem(itemZero_, itemZero_);  // the recording's own stamps stay
        return true;
    }
    const std::optional<StartCandidate> candidate =
        byPcr_ ? TsCutFindStartByPcr(start) : TsCutFindStartByPts(start);
    if (candidate) {
        BeginAt(*candidate);
    } else {
        BeginAtNextItem();
    }
    headerPending_ = true;
    return false;
}

// Searching from the recording's first byte reads everything before the start.
// Where the pictures' times rise through the file, as a recorder writes them, a
// search from a table a little before the start finds what that search finds once
// it meets a key frame at or before the start and then a picture past it: the
// pictures before the table are then all earlier, so none of them ends the whole
// search, and the tables and key frames it meets after this table decide.
// Otherwise it begins further back, and at last at the first byte.
std::optional<StartCandidate> TsCut::TsCutFindStartByPts(std::int64_t start) {
    const std::int64_t firstLead = job_->tsStartFromFirstByte ? start : kStartLeadTicks;
    for (std::int64_t lead = firstLead; lead < start; lead *= 4) {
        const std::int64_t from = OffsetBefore(start - lead);
        if (from == 0) {
            break;
        }
        const StartSearch search = FindStart(start, from);
        if (search.settled) {
            return search.candidate;
        }
    }
    return FindStart(start, 0).candidate;
}

std::optional<StartCandidate> TsCut::TsCutFindStartByPcr(std::int64_t start) {
    return FindStart(start, 0).candidate;
}

// Searches the first recording from `from` (from its first table on, unless from
// the first byte) for the last key frame at or before `start` (or the first one
// after it), once a time stamp past `start` shows the search is done. Without any
// key frame: the first PES start past `start`. Nothing past `start` in the whole
// recording: no candidate. Times count from the recording's zero.
TsCut::StartSearch TsCut::FindStart(std::int64_t start, std::int64_t from) {
    StartCandidate key;
    StartCandidate first;
    bool past = false;
    std::int64_t patAt = -1;
    std::optional<std::int64_t> lastPcr;
    readOffset_ = from;
    // The search ends soon after the start: it reads no more than it looks at.
    readBytes_ = std::min(bufferBytes_, kSearchReadBytes);
    const auto restore = [this](StartSearch result) {
        readBytes_ = bufferBytes_;
        return result;
    };
    while (TsCutReadChunk(false)) {
        for (int i = 0; i < packetCount_; ++i) {
            std::uint8_t* p = Packet(i);
            FitPicture(p);
            const std::int64_t at = chunkOffset_ + std::int64_t{i} * kTsPacketSize;
            if (TsPid(p) == kPatPid) {
                patAt = at;
                continue;
            }
            if (from > 0 && patAt < 0) {
                continue;
            }
            const StartSignal signal =
                byPcr_ ? ObservePcr(p, start, lastPcr) : ObservePts(p, start);
            const StartCandidate here{patAt >= 0 ? patAt : at, 0, patAt >= 0};
            if (signal.keyFrame) {
                if (signal.time <= start) {
                    key = StartCandidate{here.offset, signal.zero, here.afterPat};
                } else if (!key.Found()) {
                    return restore(
                        {StartCandidate{here.offset, signal.zero, here.afterPat}, false});
                }
            }
            if (signal.past) {
                past = true;
                if (!first.Found()) {
                    first = StartCandidate{here.offset, signal.zero, here.afterPat};
                }
                if (signal.decisive && key.Found()) {
                    return restore({key, true});
                }
            }
        }
    }
    if (!past) {
        return restore({std::nullopt, false});
    }
    return restore({key.Found() ? key : first, false});
}

// The latest offset on the packet grid, within a few hundred kilobytes, from
// which the next picture is at or before `time`, by bisection on the pictures'
// times; 0 when there is none.
std::int64_t TsCut::OffsetBefore(std::int64_t time) const {
    std::int64_t low = 0;
    std::int64_t high = sourceLimit_ / kTsPacketSize;
    while (high - low > kBisectionPackets) {
        const std::int64_t middle = low + (high - low) / 2;
        const std::optional<std::int64_t> next = PictureTimeFrom(middle * kTsPacketSize);
        if (next && *next <= time) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low * kTsPacketSize;
}

// The time (from the recording's zero) of the first picture with a time stamp
// from `from` on, looked for in a short stretch.
std::optional<std::int64_t> TsCut::PictureTimeFrom(std::int64_t from) const {
    const std::optional<Stamp> next = FirstTimeFrom(from, kBisectionPackets * kTsPacketSize);
    return next ? std::optional(TicksAfter(next->time, itemZero_)) : std::nullopt;
}

StartSignal TsCut::ObservePts(const std::uint8_t* p, std::int64_t start) const {
    StartSignal signal;
    const std::uint32_t pid = TsPid(p);
    const bool video = pid == pids_[PID_VIDEO];
    if ((!video && pid != pids_[PID_AUDIO]) || !TsPayloadUnitStart(p)) {
        return signal;
    }
    const std::optional<int> pes = PesHeaderAt(p);
    if (!pes) {
        return signal;
    }
    signal.keyFrame = video && IsKeyFrame(p, *pes);
    signal.time = TicksAfter(PesPts(p, *pes), itemZero_);
    signal.past = signal.time > start;
    signal.decisive = video;
    // Decoding starts at the DTS: no DTS in the clip may fall below 0.
    signal.zero = TicksAfter(PesDecodeTime(p, *pes), itemZero_);
    return signal;
}

StartSignal TsCut::ObservePcr(const std::uint8_t* p, std::int64_t start,
                              std::optional<std::int64_t>& lastPcr) {
    StartSignal signal;
    const std::uint32_t pid = TsPid(p);
    const bool video = pid == pids_[PID_VIDEO];
    if (pid == pids_[PID_PCR]) {
        if (TsHasPcr(p)) {
            lastPcr = TicksAfter(TsReadPcr(p), itemZero_);
            signal.past = *lastPcr >= start;
            signal.decisive = true;
        } else if (!TsHasAdaptation(p) && !video && pid != pids_[PID_AUDIO]) {
            BoxOnce(kBoxPcr, "Error");
        }
    }
    if (video && TsPayloadUnitStart(p)) {
        const std::optional<int> pes = PesHeaderAt(p);
        signal.keyFrame = pes && IsKeyFrame(p, *pes);
    }
    // Before the first clock reference a key frame counts as at the recording's zero.
    signal.time = lastPcr.value_or(0);
    signal.zero = lastPcr.value_or(0);
    return signal;
}

// Reads from the candidate on: its time becomes clip time 0.
void TsCut::BeginAt(const StartCandidate& candidate) {
    if (!candidate.afterPat) {
        platform::DebugOutput::Write(QStringLiteral("start id = 0 is not find"));
    }
    readOffset_ = candidate.offset;
    if (!TsCutReadChunk(false)) {
        Fail(Err_Cut_ReadSrcFileError);  // the file shrank since it was searched
    }
    // On the PCR path no clock reference may fall below 0.
    std::int64_t zero = candidate.time;
    if (byPcr_) {
        const std::optional<Stamp> clock = FirstTimeFrom(candidate.offset);
        zero = clock ? TicksAfter(clock->time, itemZero_) : candidate.time;
    }
    PlaceItem(itemZero_, -zero);
}

// The first recording holds nothing past the start point: the clip begins with the
// next one.
void TsCut::BeginAtNextItem() {
    if (item_ + 1 >= job_->selection.size()) {
        Fail(Err_Cut_FindStartPositionError);
    }
    ++item_;
    TsCutOpenSource();
    readOffset_ = 0;
    if (!TsCutReadChunk(true)) {
        Fail(Err_Cut_FindStartPositionError);
    }
    const Stamp zero = TimeZero();
    PlaceItem(zero.time, -TicksAfter(zero.decode, zero.time));
}

void TsCut::TsCutWriteFirstPackets() {
    video_ = StreamState{};
    audio_ = StreamState{};
    log_ = StreamState{};
    while ((video_.lastTime < 0 || AwaitingAudio()) && HavePacket(Phase::FirstPackets)) {
        HandlePacket(Phase::FirstPackets);
        ++packetIndex_;
    }
}

void TsCut::TsCutCopyChunks() {
    while (HavePacket(Phase::Bulk)) {
        if (HandlePacket(Phase::Bulk) == Verdict::Stop) {
            return;
        }
        ++packetIndex_;
    }
}

void TsCut::TsCutWriteTail() {
    while (!TailDone() && HavePacket(Phase::Tail)) {
        HandlePacket(Phase::Tail);
        ++packetIndex_;
    }
}

void TsCut::TsCutCopyByPcr() {
    lastPcr_ = 0;
    while (HavePacket(Phase::ByPcr)) {
        if (HandlePacket(Phase::ByPcr) == Verdict::Stop) {
            return;
        }
        ++packetIndex_;
    }
}

// A recording without sound, or whose sound stops early, does not hold up the cut.
bool TsCut::AwaitingAudio() const {
    return audio_.lastTime < 0 && video_.lastTime <= audio_.lastTime + kAudioWaitTicks;
}

// Done once each stream met a PES past the end: a picture exactly at the end may
// still be followed, in decode order, by pictures shown before it.
bool TsCut::TailDone() const {
    const bool audioDone = audio_.ended || video_.lastTime > audio_.lastTime + kAudioWaitTicks;
    return video_.ended && audioDone;
}

Verdict TsCut::HandlePacket(Phase phase) {
    std::uint8_t* p = Packet(packetIndex_);
    const std::uint32_t pid = TsPid(p);
    if (phase == Phase::ByPcr && pid == pids_[PID_PCR] && TsHasPcr(p)) {
        lastPcr_ = Rebase(TsReadPcr(p));
        TsWritePcr(p, lastPcr_);
    }
    Verdict verdict = Verdict::Write;
    if (pid == pids_[PID_VIDEO]) {
        verdict = HandleStream(p, video_, phase, true);
    } else if (pid == pids_[PID_AUDIO]) {
        verdict = HandleStream(p, audio_, phase, false);
    } else if (pid == pids_[PID_LOG]) {
        verdict = HandleLog(p, phase);
    } else if (phase == Phase::ByPcr && pid == kPatPid && lastPcr_ > endTime_) {
        verdict = Verdict::Stop;
    }
    if (verdict == Verdict::Write) {
        pictures_ += pid == pids_[PID_VIDEO] && TsPayloadUnitStart(p) ? 1 : 0;
        Keep(p);
    }
    return verdict;
}

// Audio and video: a PES start decides for its whole PES. Near the start and in the
// tail PES outside [0, end] are dropped, and after one past the end every later
// one; the bulk phase stops at the first past the end; the PCR path drops nothing.
Verdict TsCut::HandleStream(std::uint8_t* p, StreamState& stream, Phase phase, bool video) {
    if (!TsPayloadUnitStart(p)) {
        return stream.keep ? Verdict::Write : Verdict::Drop;
    }
    const PesHeaderFit fit = video ? FitPicture(p) : PesHeaderFit::Fits;
    const Verdict verdict = DecideStream(p, stream, phase, video);
    // A picture whose header hides where its data begins would make the clip
    // unreadable: the source cannot be cut.
    if (verdict == Verdict::Write && fit == PesHeaderFit::Broken) {
        Fail(Err_Cut_ReadSrcFileError);
    }
    return verdict;
}

Verdict TsCut::DecideStream(std::uint8_t* p, StreamState& stream, Phase phase, bool video) {
    const std::optional<int> pes = PesHeaderAt(p);
    if (!pes) {
        Note(kReportNoPts, "TSCutting: a PES start without PTS is copied unchanged");
    }
    if (phase == Phase::ByPcr) {
        if (pes) {
            RebasePes(p, *pes);
        }
        stream.keep = true;
        return Verdict::Write;
    }
    const std::int64_t time = pes ? Rebase(PesPts(p, *pes)) : stream.lastTime;
    stream.lastTime = time;
    if (phase == Phase::Bulk && time > endTime_) {
        return Verdict::Stop;
    }
    if (phase != Phase::Bulk) {
        stream.ended = stream.ended || time > endTime_;
    }
    stream.keep = phase == Phase::Bulk || (time >= 0 && !stream.ended);
    if (!stream.keep) {
        return Verdict::Drop;
    }
    const std::int64_t decode = pes ? Rebase(PesDecodeTime(p, *pes)) : time;
    stream.lastDecode = decode;
    if (pes) {
        RebasePes(p, *pes);
    }
    if (video) {
        SetPcr(p, decode, phase);
    }
    return Verdict::Write;
}

// The sensor log: rebased like the sound; nothing before the first picture.
Verdict TsCut::HandleLog(std::uint8_t* p, Phase phase) {
    if (!TsPayloadUnitStart(p)) {
        return log_.keep ? Verdict::Write : Verdict::Drop;
    }
    log_.keep = false;
    if (phase == Phase::FirstPackets && video_.lastTime < 0) {
        return Verdict::Drop;
    }
    if (const std::optional<int> pes = PesHeaderAt(p)) {
        const std::int64_t time = Rebase(PesPts(p, *pes));
        const bool windowed = phase == Phase::FirstPackets || phase == Phase::Tail;
        if (windowed && (time < 0 || time > endTime_)) {
            return Verdict::Drop;
        }
        RebasePes(p, *pes);
    } else {
        Note(kReportNoPts, "TSCutting: a PES start without PTS is copied unchanged");
    }
    if (headerPending_) {
        InsertLogHeader(p);
    }
    log_.keep = true;
    return Verdict::Write;
}

void TsCut::RebasePes(std::uint8_t* p, int at) const {
    const bool dtsFlag = (p[at + 7] & 0x40) != 0;
    WritePesTime(p + at + 9, dtsFlag ? 0x31 : 0x21, Rebase(PesPts(p, at)));
    if (PesHasDts(p, at)) {
        WritePesTime(p + at + 14, 0x11, Rebase(ReadPesTime(p + at + 14)));
    }
}

// The recorder's clock reference on a video PES start is the picture's time; with
// pictures decoded out of their order it must be the decode time, or the clock
// would run backwards.
void TsCut::SetPcr(std::uint8_t* p, std::int64_t time, Phase phase) {
    if (!TsHasAdaptation(p)) {
        if (phase == Phase::Bulk) {
            BoxOnce(kBoxVideoPts, "Program Error!! \nQuendri cutting voide PTS");
        }
        Note(kReportNoAdaptation,
             "TSCutting: a video PES start without adaptation field keeps no PCR");
        return;
    }
    if (!TsHasPcr(p)) {
        Note(kReportNoPcrField,
             "TSCutting: a video PES start without PCR field is left without one");
        return;
    }
    TsWritePcr(p, time);
}

// Turns the clip's first log packet into one that carries the LogStreamHeader,
// as a recording's own first log packet does.
void TsCut::InsertLogHeader(std::uint8_t* p) {
    headerPending_ = false;
    const int pesAt = TsPayloadOffset(p);
    if (TsHasAdaptation(p) && pesAt + 9 <= kTsPacketSize) {
        const int dataAt = pesAt + 9 + p[pesAt + 8];
        if (dataAt + kLogHeaderSize <= kTsPacketSize && ReadLe32(p + dataAt) == kLogStreamMagic) {
            return;
        }
    }
    const bool recorderLayout = TsHasAdaptation(p) && p[4] == kLogAdaptationLength &&
                                p[kLogPesAt] == 0 && p[kLogPesAt + 1] == 0 &&
                                p[kLogPesAt + 2] == 1 && p[kLogPesAt + 8] == 5;
    if (!recorderLayout) {
        Note(kReportLogLayout,
             "TSCutting: the first log packet has no room for the LogStreamHeader");
        return;
    }
    p[4] = kLogAdaptationLength - kLogHeaderSize;
    std::memmove(p + kHeaderPesAt, p + kLogPesAt, kLogPesHeaderSize);
    const int length = (p[kHeaderPesAt + 4] << 8) | p[kHeaderPesAt + 5];
    if (length != 0) {
        const int grown = length + kLogHeaderSize;
        p[kHeaderPesAt + 4] = static_cast<std::uint8_t>(grown >> 8);
        p[kHeaderPesAt + 5] = static_cast<std::uint8_t>(grown);
    }
    const std::array<std::uint8_t, 16>& header = job_->selection[item_]->header;
    std::memcpy(p + kLogHeaderAt, header.data(), kLogHeaderSize);
}

// Moves a packet to be written to the front of the chunk, renumbered.
void TsCut::Keep(const std::uint8_t* p) {
    std::uint8_t* to = Packet(kept_);
    if (to != p) {
        std::memcpy(to, p, kTsPacketSize);
    }
    Renumber(to);
    ++kept_;
}

// Counters run on over dropped packets and joins. The four rewritten streams count
// from 0; every other PID goes on from its first written packet's own counter.
void TsCut::Renumber(std::uint8_t* p) {
    const std::uint32_t pid = TsPid(p);
    if (pid == kTsNullPid) {
        return;
    }
    int counter = counters_[pid];
    if (counter < 0) {
        counter = p[3] & 0x0F;
    }
    if (TsHasPayload(p)) {
        p[3] = static_cast<std::uint8_t>((p[3] & 0xF0) | counter);
        counters_[pid] = static_cast<std::int8_t>((counter + 1) & 0x0F);
    } else {
        // A packet without payload repeats the counter of the one before.
        p[3] = static_cast<std::uint8_t>((p[3] & 0xF0) | ((counter + 15) & 0x0F));
        counters_[pid] = static_cast<std::int8_t>(counter);
    }
}

void TsCut::Flush() {
    if (kept_ == flushed_) {
        return;
    }
    const std::int64_t bytes = std::int64_t{kept_ - flushed_} * kTsPacketSize;
    if (!job_->outputFile.Write(Packet(flushed_), bytes)) {
        Fail(Err_Cut_OpenDestFileError);
    }
    bytesWritten_ += bytes;
    flushed_ = kept_;
}

void TsCut::Note(Report report, const char* text) {
    if (!reported_.test(report)) {
        reported_.set(report);
        platform::DebugOutput::Write(QString::fromLatin1(text));
    }
}

void TsCut::BoxOnce(Report report, const char* text) {
    if (!reported_.test(report)) {
        reported_.set(report);
        // The cut's outcome comes after the box, not on top of it.
        platform::MessageBox::ShowAndWait(QString::fromLatin1(text), QStringLiteral("Error"),
                                          platform::MB_OK,
                                          [this] { return job_->stopFlag.load() != 0; });
    }
}

}  // namespace

CutResult TSCutting(CuttingProc* job) {
    CutResult result = Err_Cut_Unknown;
    try {
        TsCut cut(job);
        if (job->selection.front()->fileType == FILE_TYPE_TS) {
            cut.TsCutByPts();
        } else {
            cut.TsCutByPcr();
        }
        result = Cut_OK;
    } catch (const CutFailure& failure) {
        result = failure.code;
        EXCEPTION_LOG_LINE("TSCutting", failure);
    } catch (const std::exception& error) {
        result = Err_Cut_Unknown;
        EXCEPTION_LOG_LINE("TSCutting", error);
    } catch (...) {
        // Unlike the MP4 and MOV cutters, the TS cutter logs even what it cannot name.
        result = Err_Cut_Unknown;
        EXCEPTION_LOG_LINE("TSCutting", std::runtime_error("Unknown exception"));
    }
    return result;
}

CutResult RunTSCutting(CuttingProc* job) {
    return TSCutting(job);
}
