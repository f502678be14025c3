#include "FileIntake.h"

#include "app/FileNames.h"

namespace app {

QStringList FileIntake::KeepRecordings(const QStringList& names) {
    QStringList accepted;
    for (const QString& name : names) {
        const QString extension = LowerExtension(name);
        if (extension == QLatin1String(".mov") || extension == QLatin1String(".mp4") ||
            extension == QLatin1String(".ts")) {
            accepted << name;
        }
    }
    return accepted;
}

void FileIntake::Drop(const QStringList& names) {
    if (!names.isEmpty() && names.size() <= kMostDropped) {
        Load(KeepRecordings(names));
    }
}

void FileIntake::CommandLine(const QStringList& arguments) {
    Load(KeepRecordings(arguments.mid(0, kMostArguments)));
}

void FileIntake::Load(const QStringList& names) {
    if (!names.isEmpty() && load) {
        load(names);
    }
}

}  // namespace app
