#pragma once

#include "platform/Registry.h"

#include <QString>

namespace app {

// The settings window's preferences, as stored or as edited.
struct PreferenceValues {
    QString defaultSavePath{};  // empty = none
    QString defaultOpenPath{};  // empty = none
    bool autoSDSearch = false;
    bool captureChart = false;
    int language = 0;  // LanguageIndex; -1 (no choice) is never stored
};

// The stored preferences of the settings window and their one way into the
// settings file (through the preference table). GUI thread only.
class StoredPreferences {
  public:
    explicit StoredPreferences(QString registryPath = platform::Registry::DefaultFilePath());

    // Reads the settings key. False when the key is missing (a damaged settings
    // file); the values then keep what they held. Damaged values read as defaults,
    // a language outside 0..2 as 0.
    bool Load();

    enum class StoreResult {
        Stored,
        FolderMissing,  // a folder text names no folder: nothing stored
        KeyMissing,     // the settings key is gone: nothing stored
        WriteFailed,    // the file could not be written: the values apply for this run only
    };
    // Checks the edited folders (as typed), then writes only the values that differ
    // from the stored ones and takes them. `missingFolder` receives the folder text
    // of FolderMissing.
    StoreResult Store(const PreferenceValues& edited, QString* missingFolder);

    const PreferenceValues& Values() const { return values_; }
    const QString& RegistryPath() const { return registryPath_; }

  private:
    QString registryPath_;
    PreferenceValues values_;
};

}  // namespace app
