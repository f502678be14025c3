// Probes arbitrary bytes as a recorder's MPEG-TS recording, in blocks of a few
// packets so that every scan crosses block edges.
#include "MemoryFile.h"
#include "platform/DebugOutput.h"
#include "recordings/FileItem.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::DebugOutput::SetSink([](const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile recording("recording");
    if (!recording.Fill(data, size)) {
        return 0;
    }
    recordings::RecordingReadLimits limits;
    limits.blockBytes = 16 * recordings::kTsPacketSize;
    (new TFileItem(recording.Path(), limits))->Release();
    return 0;
}
