// Writes seed files for the fuzzers into <folder>/mp4, <folder>/mov and
// <folder>/ts: short recordings with and without each optional box, atom or
// stream.
#include "support/MovRecordingWriter.h"
#include "support/Mp4RecordingWriter.h"
#include "support/TsRecordingWriter.h"

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
    if (!folder.mkpath(QStringLiteral("mp4")) || !folder.mkpath(QStringLiteral("mov")) ||
        !folder.mkpath(QStringLiteral("ts"))) {
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
    // Two seconds of five small pictures a second: small enough for the fuzzers'
    // input limit, long enough for a start past the first second.
    const std::function<void(tsrec::TsRecordingSpec&)> tsChanges[] = {
        [](tsrec::TsRecordingSpec&) {},
        [](tsrec::TsRecordingSpec& s) { s.writeAudio = false; },
        [](tsrec::TsRecordingSpec& s) { s.firstPcrBase = (std::uint64_t{1} << 33) - 90000; },
        [](tsrec::TsRecordingSpec& s) { s.firstLogPacketHasAdaptationField = false; },
        [](tsrec::TsRecordingSpec& s) { s.pcrStopsAfterFrames = 4; },
    };
    for (const auto& change : tsChanges) {
        tsrec::TsRecordingSpec spec;
        spec.frameRate = 5;
        spec.syntheticFrameBytes = 40;
        change(spec);
        ok = tsrec::WriteTsRecording(folder.filePath(QStringLiteral("ts/seed%1.ts").arg(index++)),
                                     spec) &&
             ok;
    }
    return ok ? 0 : 1;
}
