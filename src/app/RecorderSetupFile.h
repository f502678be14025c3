#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

namespace app {

// The settings the user ticked for the recorder; an empty one is left as it is on
// the recorder. The list settings hold the item index of their list.
struct RecorderSetup {
    std::optional<QDate> date{};
    std::optional<QTime> time{};
    std::optional<int> battery{};   // 0 off, 1..4 hours of extended recording; -1 none chosen
    std::optional<int> autoLock{};  // item 0 is level 10, item 10 is off
    std::optional<int> quality{};   // 0 normal, 1 standard, 2 best

    bool NothingTicked() const;
};

// The recorder's settings file, SETUP.CFG in the root folder of its memory card:
// one "Name=value" line per ticked setting, in a fixed order, each ending in CR LF.
class RecorderSetupFile {
  public:
    static constexpr const char* kFileName = "SETUP.CFG";

    // The file's bytes. Date and time always use "/" and ":" (the recorder's own
    // format), whatever the system's separators.
    static QByteArray Format(const RecorderSetup& setup);

    enum class Result { Written, NoVolume, NothingTicked, WriteFailed };
    // Replaces the file in `volumeRoot` (empty: no volume chosen). Nothing ticked is
    // told first, card or not. Every write and the flush to the card are checked; a
    // file left incomplete by a failure is removed, so the recorder never reads half
    // a file.
    static Result Write(const QString& volumeRoot, const RecorderSetup& setup);

    // The string table key telling the user a result.
    static int MessageKey(Result result);
};

}  // namespace app
