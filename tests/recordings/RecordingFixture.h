#pragma once

#include "recordings/FileItem.h"
#include "support/TsRecordingWriter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

struct ItemReleaser {
    void operator()(TFileItem* item) const { item->Release(); }
};
// One reference to an item, dropped at the end of the scope.
using ItemRef = std::unique_ptr<TFileItem, ItemReleaser>;

inline ItemRef ProbeItem(const QString& path, const RecordingReadLimits& limits = {}) {
    return ItemRef(new TFileItem(path, limits));
}

// A private folder of recordings for one test.
class RecordingTest : public testing::Test {
  protected:
    QString PathOf(const QString& name) const { return folder_.filePath(name); }
    // Writes a recording; the test fails at once when it cannot.
    QString Write(const QString& name, const tsrec::TsRecordingSpec& spec);
    QString WriteBytes(const QString& name, const std::vector<std::uint8_t>& bytes);
    // Sets the file's size (a longer file grows sparse, with zeros).
    void Resize(const QString& path, std::int64_t size);

  private:
    QTemporaryDir folder_;
};

// Pumps the GUI thread's events until `done` holds; false after the time-out.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 30000);
