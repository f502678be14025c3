// Cuts arbitrary bytes as a recorder's MPEG-TS recording: a span within the first
// second, one later with a join to a second copy, and the same on the PCR path,
// read a few packets at a time. Bytes the probe refuses are cut with the
// recorder's stream identifiers.
#include "MemoryFile.h"
#include "cutting/Cuttingproc.h"
#include "cutting/TSCutting.h"
#include "platform/DebugOutput.h"
#include "recordings/FileItem.h"

#include <cstddef>
#include <cstdint>

namespace {

struct Span {
    double start;
    double span;
    int items;
    std::int32_t fileType;
};

constexpr Span kSpans[] = {
    {0.5, 2.0, 1, FILE_TYPE_TS},
    {1.5, 3.0, 2, FILE_TYPE_TS},
    {1.5, 3.0, 2, FILE_TYPE_TS_PCR},
};

void Cut(CuttingProc& job, TFileItem* item, const Span& span) {
    item->fileType = span.fileType;
    for (int i = 0; i < span.items; ++i) {
        item->AddRef();
        job.selection.push_back(item);
    }
    job.startOffset = span.start;
    job.span = span.span;
    job.endOffset = span.start + span.span;
    RunTSCutting(&job);
    job.ReleaseSelection();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::DebugOutput::SetSink([](const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile recording("recording");
    static CuttingProc job(nullptr, WM_CUTTING_EVENT);
    if (!recording.Fill(data, size)) {
        return 0;
    }
    if (!job.outputFile.IsOpen()) {
        job.outputFile = platform::FileHandle::CreateWrite(QStringLiteral("/dev/null"));
        job.tsChunkPackets = 7;
    }
    recordings::RecordingReadLimits limits;
    limits.blockBytes = 16 * recordings::kTsPacketSize;
    TFileItem* item = new TFileItem(recording.Path(), limits);
    if (item->fileType != FILE_TYPE_TS) {
        item->path = recording.Path();
        item->pids = {0x100, 0x1011, 0x1011, 0x1100, 0x1600};
        item->duration = 2.0;
    }
    for (const Span& span : kSpans) {
        Cut(job, item, span);
    }
    item->Release();
    return 0;
}
