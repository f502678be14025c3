#pragma once

#include "cutting/Cuttingproc.h"
#include "support/TsRecordingWriter.h"
#include "support/WaitUntil.h"

#include <QEvent>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct ItemReleaser {
    void operator()(TFileItem* item) const { item->Release(); }
};
// One reference to an item, dropped at the end of the scope.
using ItemRef = std::unique_ptr<TFileItem, ItemReleaser>;

// The reference count of an item, read through one AddRef/Release pair.
std::int32_t RefCount(TFileItem* item);

// Collects the cutting job's window messages on the GUI thread.
class CutMessageSink : public QObject {
  public:
    struct Message {
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    bool event(QEvent* event) override;
    const std::vector<Message>& Messages() const { return messages_; }
    // The final message's result, when it came.
    std::optional<CutResult> Final() const;
    int FinalCount() const;
    // Runs events until the final message came; false after the time-out.
    bool WaitForFinal(int timeoutMs = 60000);
    // Delivers what was posted; the caller knows nothing more is on its way (the
    // cutter ran on this thread, or the job's worker is joined or was never woken).
    void Drain();

  private:
    std::vector<Message> messages_;
};

// One parsed packet of a clip.
struct ClipPacket {
    std::size_t offset = 0;
    std::uint8_t sync = 0;
    std::uint16_t pid = 0;
    bool pesStart = false;
    bool payload = false;
    int counter = 0;
    int adaptationLength = -1;  // -1 without adaptation field
    bool randomAccess = false;
    std::optional<std::int64_t> pcr;  // 2 x bytes 6..9, as the recorder's readers take it
    std::optional<std::int64_t> pts;
    std::optional<std::int64_t> dts;
    int pesAt = -1;  // PES header offset in the packet, on PES starts
};
std::vector<ClipPacket> ParseClip(const std::vector<std::uint8_t>& bytes);
std::vector<ClipPacket> PacketsOf(const std::vector<ClipPacket>& packets, std::uint16_t pid);
// The PTS of the PES starts of `pid`, in file order.
std::vector<std::int64_t> PtsOf(const std::vector<ClipPacket>& packets, std::uint16_t pid);

// Every packet in place and continuous per stream (the four rewritten streams
// from 0); no PES of the three streams continues one that is not there, and every
// bounded one is whole.
void ExpectPacketGrid(const std::vector<std::uint8_t>& clip);
// How often a clock reference is below the one before it.
int BackwardClockSteps(const std::vector<ClipPacket>& packets);

// Checks by the outside tools. Empty texts mean clean.
QString FfprobeErrors(const QString& path);
QString ContinuityErrors(const QString& path);
QString DecodeErrors(const QString& path);
// The MD5 of every decoded picture, in presentation order (ffmpeg's framemd5).
QStringList PictureHashes(const QString& path);

// A folder of recordings and clips for one test, and a cut run end to end through
// the job and its worker.
class CutTest : public testing::Test {
  protected:
    QString PathOf(const QString& name) const { return folder_.filePath(name); }
    // Writes a recording and probes it; the test fails when either fails.
    ItemRef Recording(const QString& name, const tsrec::TsRecordingSpec& spec);
    // An item that was never probed (no file needed), with the fields the job reads.
    static ItemRef FakeItem(double duration, std::int32_t fileType, const QString& path = {});
    // Real H.264/AAC content: `seconds` long, one key frame a second, with
    // `bFrames` B-frames between reference pictures.
    static const tsrec::ElementaryStreams& RealMedia(double seconds, int bFrames = 0);

    struct CutRun {
        CutResult started = Err_Cut_Unknown;
        std::optional<CutResult> result;
        std::vector<CutMessageSink::Message> messages;
    };
    // Cuts [start, end) of the play list into `destination` and waits for the outcome.
    CutRun Cut(const std::vector<TFileItem*>& playList, const QString& destination, double start,
               double end, std::int32_t chunkPackets = 32767);

    static std::vector<std::uint8_t> Bytes(const QString& path) {
        return tsrec::ReadFileBytes(path);
    }

    using Cutter = std::function<CutResult(CuttingProc*)>;
    struct CutOutput {
        CutResult result = Err_Cut_Unknown;
        std::vector<CutMessageSink::Message> messages;
        std::vector<std::uint8_t> clip;
        std::vector<int> Progress() const;
    };
    struct CutOptions {
        double start = 0.0;
        double end = 0.0;
        double span = -1.0;                     // -1: end minus start on the joined time line
        std::uint32_t totalBytes = 0;           // 0: the sum of the source sizes
        std::uint32_t mp4BlockSize = 10000000;  // read by the MP4 tests' cutter
        std::uint32_t movWindowSize = 6553600;
        std::int32_t tsChunkPackets = 32767;
        bool tsStartFromFirstByte = false;
        bool stopBeforeStart = false;
        bool readOnlyOutput = false;  // an output that refuses writes
        bool discardOutput = false;   // write to /dev/null (clips of gigabytes)
        // The sources' sizes when the cut started; empty: their sizes now.
        std::vector<std::int64_t> sourceSizes = {};
    };
    // Runs a cutter on the calling thread with a job set up as the worker would.
    CutOutput RunCutter(const Cutter& cutter, const std::vector<TFileItem*>& sources,
                        const CutOptions& options);

  private:
    QTemporaryDir folder_;
};
