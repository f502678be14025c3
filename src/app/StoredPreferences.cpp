#include "StoredPreferences.h"

#include "foundation/PreferenceTable.h"

#include <QFileInfo>

namespace app {

using foundation::Preference;

namespace {

bool NamesNoFolder(const QString& text) {
    return !text.isEmpty() && !QFileInfo(text).isDir();
}

}  // namespace

StoredPreferences::StoredPreferences(QString registryPath)
    : registryPath_(std::move(registryPath)) {}

bool StoredPreferences::Load() {
    platform::Registry registry(registryPath_);
    registry.Load();
    if (!foundation::PreferenceKeyExists(registry, Preference::Language)) {
        return false;
    }
    values_.defaultSavePath =
        foundation::ReadStringPreference(registry, Preference::DefaultSavePath);
    values_.defaultOpenPath =
        foundation::ReadStringPreference(registry, Preference::DefaultOpenPath);
    values_.autoSDSearch =
        foundation::ReadIntegerPreference(registry, Preference::AutoSDSearch) != 0;
    values_.captureChart =
        foundation::ReadIntegerPreference(registry, Preference::CaptureChart) != 0;
    values_.language = foundation::ReadLanguagePreference(registry);
    return true;
}

StoredPreferences::StoreResult StoredPreferences::Store(const PreferenceValues& edited,
                                                        QString* missingFolder) {
    for (const QString& folder : {edited.defaultSavePath, edited.defaultOpenPath}) {
        if (NamesNoFolder(folder)) {
            *missingFolder = folder;
            return StoreResult::FolderMissing;
        }
    }
    platform::Registry registry(registryPath_);
    registry.Load();
    if (!foundation::PreferenceKeyExists(registry, Preference::Language)) {
        return StoreResult::KeyMissing;
    }
    bool changed = false;
    if (edited.defaultSavePath != values_.defaultSavePath) {
        values_.defaultSavePath = edited.defaultSavePath;
        foundation::WriteStringPreference(registry, Preference::DefaultSavePath,
                                          values_.defaultSavePath);
        changed = true;
    }
    if (edited.defaultOpenPath != values_.defaultOpenPath) {
        values_.defaultOpenPath = edited.defaultOpenPath;
        foundation::WriteStringPreference(registry, Preference::DefaultOpenPath,
                                          values_.defaultOpenPath);
        changed = true;
    }
    if (edited.autoSDSearch != values_.autoSDSearch) {
        values_.autoSDSearch = edited.autoSDSearch;
        foundation::WriteIntegerPreference(registry, Preference::AutoSDSearch,
                                           values_.autoSDSearch ? 1 : 0);
        changed = true;
    }
    if (edited.captureChart != values_.captureChart) {
        values_.captureChart = edited.captureChart;
        foundation::WriteIntegerPreference(registry, Preference::CaptureChart,
                                           values_.captureChart ? 1 : 0);
        changed = true;
    }
    if (edited.language != values_.language && edited.language != -1) {
        values_.language = edited.language;
        foundation::WriteIntegerPreference(registry, Preference::Language,
                                           static_cast<std::uint32_t>(values_.language));
        changed = true;
    }
    if (changed && !registry.Save()) {
        return StoreResult::WriteFailed;
    }
    return StoreResult::Stored;
}

}  // namespace app
