#pragma once

#include "recordings/FileItem.h"
#include "support/TsRecordingWriter.h"
#include "support/WaitUntil.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

struct ItemReleaser {
    void operator()(TFileItem* item) const { item->Release(); }
};
// One reference to an item, dropped at the end of the scope.
using ItemRef = std::unique_ptr<TFileItem, ItemReleaser>;

inline ItemRef ProbeItem(const QString& path, const recordings::RecordingReadLimits& limits = {}) {
    return ItemRef(new TFileItem(path, limits));
}

// Blocks of `packets` packets, to reach multi-block cases with small files.
inline recordings::RecordingReadLimits SmallBlocks(std::int64_t packets = 16) {
    return recordings::RecordingReadLimits{packets * tsrec::kPacketSize,
                                           recordings::kMaxRecordingSize};
}

// Decodes the item's log as the worker does, on this thread.
bool Decode(TFileItem& item, const recordings::RecordingReadLimits& limits = {});

// The one box the readers show for a file over the size limit.
void ExpectSizeBoxShown(bool fromWorker);

// A private folder of recordings for one test. Specs are written with designated
// initializers: Write("a.ts", {.durationSeconds = 3}).
class RecordingTest : public testing::Test {
  protected:
    QString PathOf(const char* name) const { return folder_.filePath(QString::fromLatin1(name)); }
    // Writes a recording; the test fails when it cannot.
    QString Write(const char* name, const tsrec::TsRecordingSpec& spec = {});
    QString WriteBytes(const char* name, const std::vector<std::uint8_t>& bytes);
    // Writes and probes a recording.
    ItemRef Probe(const char* name, const tsrec::TsRecordingSpec& spec = {}) {
        return ProbeItem(Write(name, spec));
    }
    // Sets the file's size (a longer file grows sparse, with zeros).
    void Resize(const QString& path, std::int64_t size);

  private:
    QTemporaryDir folder_;
};
