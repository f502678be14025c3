// Decodes the sensor log of arbitrary bytes as the log worker does, after the
// probe has read what it could of them, in blocks of a few packets.
#include "MemoryFile.h"
#include "platform/DebugOutput.h"
#include "platform/FileHandle.h"
#include "recordings/FileItem.h"
#include "recordings/LogManagement.h"

#include <cstddef>
#include <cstdint>
#include <exception>

namespace {

recordings::RecordingReadLimits SmallBlocks() {
    recordings::RecordingReadLimits limits;
    limits.blockBytes = 16 * recordings::kTsPacketSize;
    return limits;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::DebugOutput::SetSink([](const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile recording("recording");
    static TLogManagement manager(nullptr, SmallBlocks());
    if (!recording.Fill(data, size)) {
        return 0;
    }
    TFileItem* item = new TFileItem(recording.Path(), SmallBlocks());
    const platform::FileHandle file = platform::FileHandle::OpenRead(recording.Path());
    try {
        manager.ReadTSLog(file, *item);
    } catch (const std::exception&) {
        // A failed decode is an answer too.
    }
    item->Release();
    return 0;
}
