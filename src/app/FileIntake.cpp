#include "FileIntake.h"

#include "app/FileNames.h"

namespace app {

bool FileIntake::IsRecordingName(const QString& name) {
    const QString extension = LowerExtension(name);
    return extension == QLatin1String(".mov") || extension == QLatin1String(".mp4") ||
           extension == QLatin1String(".ts");
}

QStringList FileIntake::KeepRecordings(const QStringList& names) {
    QStringList accepted;
    for (const QString& name : names) {
        if (IsRecordingName(name)) {
            accepted << name;
        }
    }
    return accepted;
}

QStringList FileIntake::DroppedRecordings(const QStringList& names) {
    if (names.isEmpty() || names.size() > kMostDropped) {
        return {};
    }
    return KeepRecordings(names);
}

QStringList FileIntake::CommandLineRecordings(const QStringList& arguments) {
    return KeepRecordings(arguments.mid(0, kMostArguments));
}

void FileIntake::Drop(const QStringList& names) {
    Load(DroppedRecordings(names));
}

void FileIntake::CommandLine(const QStringList& arguments) {
    Load(CommandLineRecordings(arguments));
}

void FileIntake::Load(const QStringList& names) {
    if (!names.isEmpty() && load) {
        load(names);
    }
}

}  // namespace app
