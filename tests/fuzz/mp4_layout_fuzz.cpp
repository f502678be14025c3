// Walks arbitrary bytes as a recorder's MP4 file and reads every table entry the
// cutter may read after a successful walk.
#include "cutting/Mp4Layout.h"
#include "platform/DebugOutput.h"

#include <cstddef>
#include <cstdint>

using namespace cutting;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::DebugOutput::SetSink([](const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MemorySourceReader source(std::span<const std::uint8_t>(data, size));
    RecordingMp4Layout layout;
    if (Mp4ParseAtoms(source, layout) != Cut_OK) {
        return 0;
    }
    std::uint64_t sum = 0;
    for (std::uint32_t i = 0; i < layout.videoChunkCount; ++i) {
        sum += layout.VideoSamplesPerChunk(i) + layout.VideoChunkOffset(i);
    }
    for (std::uint32_t i = 0; i < layout.videoSampleCount; ++i) {
        sum += layout.VideoSampleDelta(i) + *layout.VideoStszEntry(i);
    }
    for (std::uint32_t i = 0; i < layout.audioChunkCount; ++i) {
        sum += layout.AudioSamplesPerChunk(i) + layout.AudioChunkOffset(i);
    }
    for (std::uint32_t i = 0; i < layout.audioSampleCount; ++i) {
        sum += layout.AudioSampleSize(i);
    }
    for (std::uint32_t r = 0; r < layout.recordCount; ++r) {
        sum += *layout.FptsValue(r) + FlogRecordTime(layout.FlogRecord(r));
    }
    const Mp4BoxMap& map = layout.Map();
    sum += layout.Bytes(map.textPos + 12)[0] * (map.textLength > 0 ? 1 : 0);
    return sum == 1 ? 0 : 0;
}
