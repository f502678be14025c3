#include "FileListTestSupport.h"

#include "support/DebugCapture.h"

#include <gtest/gtest.h>

TFileItem* NewRecord(std::uint32_t start, double duration, const QString& path) {
    TFileItem* record = nullptr;
    {
        DebugCapture quiet;  // the probe of no file logs its failure
        record = new TFileItem(QString());
    }
    record->fileType = FILE_TYPE_TS;
    record->startTime = start;
    record->duration = duration;
    record->path = path;
    return record;
}

std::int32_t RefCount(TFileItem* record) {
    record->AddRef();
    return record->Release();
}

FakeRecordings::~FakeRecordings() {
    for (TFileItem* record : all_) {
        record->Release();
    }
}

views::FileListRecords::RecordFactory FakeRecordings::Factory() {
    return [this](const QString& name) {
        ++probes;
        const auto spec = specs_.find(name);
        TFileItem* record = spec == specs_.end()
                                ? NewRecord(0, 0, name)
                                : NewRecord(spec->second.start, spec->second.duration, name);
        if (spec == specs_.end()) {
            record->fileType = FILE_TYPE_NONE;
        } else if (spec->second.readOnly) {
            record->flags |= FILE_ITEM_READ_ONLY;
        }
        record->AddRef();
        made_[name] = record;
        all_.push_back(record);
        return record;
    };
}

QStringList AddDrives(FakeRecordings& fake, const std::vector<int>& perDrive) {
    QStringList names;
    std::uint32_t start = 1700000000;
    for (int count : perDrive) {
        for (int i = 0; i < count; ++i) {
            const QString name = QString(QChar(char16_t(u'a' + names.size())));
            fake.Add(name, {.start = start});
            names.append(name);
            start += 60;
        }
        start += 3600;
    }
    return names;
}

void LoadDrives(views::FileListRecords& list, FakeRecordings& fake,
                const std::vector<int>& perDrive, bool open) {
    ASSERT_TRUE(list.Load(AddDrives(fake, perDrive)));
    for (const auto& group : list.Groups()) {
        group->expanded = open;
    }
    list.RebuildRows();
}

QString RowsText(const views::FileListRecords& list) {
    QStringList rows;
    for (const views::FileRow& row : list.Rows()) {
        if (row.IsGroup()) {
            rows.append(row.group->expanded ? QStringLiteral("G+") : QStringLiteral("G-"));
            continue;
        }
        const std::uint32_t flags = row.record->flags;
        rows.append(row.record->path + ((flags & FILE_ITEM_SELECTED) ? QStringLiteral("*") : "") +
                    ((flags & FILE_ITEM_PLAYING) ? QStringLiteral(">") : ""));
    }
    return rows.join(QLatin1Char(' '));
}

QString Names(const FileItemList& records) {
    QStringList names;
    for (const TFileItem* record : records) {
        names.append(record->path);
    }
    return names.join(QLatin1Char(' '));
}
