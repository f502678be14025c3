#pragma once

#include "recordings/FileItem.h"
#include "support/TsRecordingWriter.h"
#include "support/WaitUntil.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

struct ItemReleaser {
    void operator()(TFileItem* item) const { item->Release(); }
};
// One reference to an item, dropped at the end of the scope.
using ItemRef = std::unique_ptr<TFileItem, ItemReleaser>;

// The reference count, read through one AddRef/Release pair.
std::int32_t RefCount(TFileItem* item);

// An item whose file was never there: only the fields the logic reads are set.
ItemRef UnprobedItem(double duration, const QString& path = QStringLiteral("/absent/a.ts"));

// Writes `bytes` as the whole file; the test fails when it cannot.
void WriteFile(const QString& path, const QByteArray& bytes = {});
// The whole file, or nothing when it cannot be read.
QByteArray ReadFile(const QString& path);

// A private folder for one test, with recordings written by the recorder's layout.
class AppFolderTest : public testing::Test {
  protected:
    QString PathOf(const QString& name) const { return folder_.filePath(name); }
    // Writes a recording and probes it; the test fails when either fails.
    ItemRef Recording(const QString& name, const tsrec::TsRecordingSpec& spec = {});

  private:
    QTemporaryDir folder_;
};
