// Writes seed files for the walk fuzzers into <folder>/mp4 and <folder>/mov:
// short recordings with and without each optional box or atom.
#include "support/MovRecordingWriter.h"
#include "support/Mp4RecordingWriter.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <functional>

using namespace isorec;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("mp4")) || !folder.mkpath(QStringLiteral("mov"))) {
        return 1;
    }
    const std::function<void(Mp4RecordingSpec&)> mp4Changes[] = {
        [](Mp4RecordingSpec&) {},
        [](Mp4RecordingSpec& s) { s.freeBoxBeforeMdat = true; },
        [](Mp4RecordingSpec& s) {
            s.textBoxEnclosesLog = false;
            s.text.clear();
        },
        [](Mp4RecordingSpec& s) {
            s.records.clear();
            s.fpts.clear();
        },
    };
    int index = 0;
    bool ok = true;
    for (const auto& change : mp4Changes) {
        Mp4RecordingSpec spec = SyntheticMp4Spec(1.0, 1);
        change(spec);
        ok = WriteMp4Recording(folder.filePath(QStringLiteral("mp4/seed%1.mp4").arg(index++)),
                               spec) &&
             ok;
    }
    const std::function<void(MovRecordingSpec&)> movChanges[] = {
        [](MovRecordingSpec&) {},
        [](MovRecordingSpec& s) {
            s.editList = false;
            s.wideAtom = false;
        },
        [](MovRecordingSpec& s) {
            s.dataHandlers = false;
            s.sampleDependencies = false;
        },
        [](MovRecordingSpec& s) { s.trailingUserData = false; },
    };
    for (const auto& change : movChanges) {
        MovRecordingSpec spec = SyntheticMovSpec(1.0, 1);
        change(spec);
        ok = WriteMovRecording(folder.filePath(QStringLiteral("mov/seed%1.mov").arg(index++)),
                               spec) &&
             ok;
    }
    return ok ? 0 : 1;
}
