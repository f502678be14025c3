// Walks arbitrary bytes as a recorder's MOV file; after a successful walk takes
// every sample into merged tables and rebuilds a clip's movie atom from them.
#include "cutting/MovLayout.h"
#include "platform/DebugOutput.h"

#include <cstddef>
#include <cstdint>

using namespace cutting;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::DebugOutput::SetSink([](const QString&) {});
    return 0;
}

namespace {

void TakeTrack(const RecordingMovLayout& layout, int track, DestTable& sizes, DestTable& offsets) {
    const std::uint32_t total = layout.SampleTotal(track);
    if (total > 0) {
        sizes.Append(layout.SizeEntries(track, 0, total), total);
    }
    for (std::uint32_t i = 0; i < total; ++i) {
        offsets.AppendU32BE(layout.SampleOffset(track, i));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MemorySourceReader source(std::span<const std::uint8_t>(data, size));
    RecordingMovLayout layout;
    if (MovReadMoov(source, layout) != Cut_OK) {
        return 0;
    }
    DestTable ctts(8, layout.videoTotal), videoSizes(4, layout.videoTotal);
    DestTable videoOffsets(4, layout.videoTotal), sync(4, layout.syncTotal);
    DestTable audioSizes(4, layout.audioTotal), audioOffsets(4, layout.audioTotal);
    DestTable thirdSizes(4, layout.thirdTotal), thirdOffsets(4, layout.thirdTotal);
    if (layout.videoTotal > 0) {
        ctts.Append(layout.CttsEntries(0, layout.videoTotal), layout.videoTotal);
    }
    for (std::uint32_t i = 0; i < layout.syncTotal; ++i) {
        sync.AppendU32BE(layout.SyncNumber(i));
    }
    TakeTrack(layout, 0, videoSizes, videoOffsets);
    TakeTrack(layout, 1, audioSizes, audioOffsets);
    TakeTrack(layout, 2, thirdSizes, thirdOffsets);
    const MovMergedTables tables{ctts,       videoSizes,   videoOffsets, sync,
                                 audioSizes, audioOffsets, thirdSizes,   thirdOffsets};
    BoxBuilder moov;
    BuildMovMoov(layout, tables, moov);
    return 0;
}
