// The MPEG-TS cutter on recordings that changed after the file list probed them,
// or that were never cuttable: a failure is reported as one, the temporary file
// goes and the destination keeps what it held.
#include "CutFixture.h"

#include "cutting/TSCutting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

tsrec::TsRecordingSpec Synthetic(double seconds) {
    tsrec::TsRecordingSpec spec;
    spec.durationSeconds = seconds;
    return spec;
}

class TSCuttingChangedSourceTest : public CutTest {
  protected:
    QString Destination() const { return PathOf(QStringLiteral("clip.ts")); }

    // Cuts through the job onto a destination an earlier cut left; the cut must
    // fail with `expected` and leave that destination and nothing else.
    void ExpectFailureKeepingTheDestination(const std::vector<TFileItem*>& items, double start,
                                            double end, CutResult expected) {
        ASSERT_TRUE(tsrec::WriteFileBytes(Destination(), {'o', 'l', 'd'}));
        EXPECT_EQ(Cut(items, Destination(), start, end).result, expected);
        EXPECT_EQ(Bytes(Destination()), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
        EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("quendrix.tmp"))));
    }
};

}  // namespace

TEST_F(TSCuttingChangedSourceTest, ARecordingWithNoPictureToGiveIsAFailedRead) {
    // Video without time stamps as written; cut down to its PAT, or emptied, after
    // the probe.
    tsrec::TsRecordingSpec spec = Synthetic(4);
    spec.writeVideoPts = false;
    ItemRef unstamped = Recording(QStringLiteral("a.ts"), spec);
    ItemRef cutDown = Recording(QStringLiteral("b.ts"), Synthetic(4));
    const std::vector<std::uint8_t> whole = Bytes(cutDown->path);
    ASSERT_TRUE(tsrec::WriteFileBytes(
        cutDown->path, std::vector<std::uint8_t>(whole.begin(), whole.begin() + 188)));
    ItemRef emptied = Recording(QStringLiteral("c.ts"), Synthetic(4));
    ASSERT_TRUE(tsrec::WriteFileBytes(emptied->path, {}));
    for (TFileItem* item : {unstamped.get(), cutDown.get(), emptied.get()}) {
        for (const double start : {0.5, 1.5}) {
            SCOPED_TRACE(item->path.toStdString() + " from " + std::to_string(start));
            ExpectFailureKeepingTheDestination({item}, start, start + 2, Err_Cut_ReadSrcFileError);
        }
    }
}

TEST_F(TSCuttingChangedSourceTest, ARecordingThatShrinksUnderTheCutIsAFailedRead) {
    ItemRef first = Recording(QStringLiteral("a.ts"), Synthetic(4));
    ItemRef second = Recording(QStringLiteral("b.ts"), Synthetic(4));
    const std::vector<std::int64_t> sizes = {QFileInfo(first->path).size(),
                                             QFileInfo(second->path).size()};
    // When the cut started both were whole; by the time they are read they hold a
    // fifth of that, the first or the second (the join partner).
    for (TFileItem* shrunk : {first.get(), second.get()}) {
        SCOPED_TRACE(shrunk->path.toStdString());
        const std::vector<std::uint8_t> whole = Bytes(shrunk->path);
        ASSERT_TRUE(tsrec::WriteFileBytes(
            shrunk->path,
            std::vector<std::uint8_t>(whole.begin(), whole.begin() + whole.size() / 5)));
        for (const double start : {0.5, 1.5}) {
            const CutOutput cut =
                RunCutter(TSCutting, {first.get(), second.get()},
                          {.start = start, .end = 2.0, .tsChunkPackets = 16, .sourceSizes = sizes});
            EXPECT_EQ(cut.result, Err_Cut_ReadSrcFileError) << start;
        }
        ASSERT_TRUE(tsrec::WriteFileBytes(shrunk->path, whole));
    }
    // Grown since the start: the cut reads what was there when it started.
    std::vector<std::uint8_t> longer = Bytes(second->path);
    const CutOutput before = RunCutter(TSCutting, {first.get(), second.get()},
                                       {.start = 1.5, .end = 4.0, .sourceSizes = sizes});
    ASSERT_EQ(before.result, Cut_OK);
    const std::vector<std::uint8_t> again = Bytes(second->path);
    longer.insert(longer.end(), again.begin(), again.end());
    ASSERT_TRUE(tsrec::WriteFileBytes(second->path, longer));
    const CutOutput after = RunCutter(TSCutting, {first.get(), second.get()},
                                      {.start = 1.5, .end = 4.0, .sourceSizes = sizes});
    ASSERT_EQ(after.result, Cut_OK);
    EXPECT_TRUE(after.clip == before.clip);
}

TEST_F(TSCuttingChangedSourceTest, ASourceThatIsNoLongerARegularFileIsRefused) {
    ItemRef first = Recording(QStringLiteral("a.ts"), Synthetic(3));
    ItemRef second = Recording(QStringLiteral("b.ts"), Synthetic(3));
    // An endless device at the recording's name, then a pipe and a folder: at the
    // start, and as the join partner.
    const auto replace = [](const QString& path, int kind) {
        QFile::remove(path);
        switch (kind) {
            case 0:
                return QFile::link(QStringLiteral("/dev/zero"), path);
            case 1:
                return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
            default:
                return QDir().mkdir(path);
        }
    };
    for (TFileItem* replaced : {first.get(), second.get()}) {
        const std::vector<std::uint8_t> whole = Bytes(replaced->path);
        for (int kind = 0; kind < 3; ++kind) {
            SCOPED_TRACE(kind);
            ASSERT_TRUE(replace(replaced->path, kind));
            ExpectFailureKeepingTheDestination({first.get(), second.get()}, 1.5, 4.5,
                                               Err_Cut_OpenSrcFileErrorr);
            QFile::remove(replaced->path);
            QDir().rmdir(replaced->path);
        }
        ASSERT_TRUE(tsrec::WriteFileBytes(replaced->path, whole));
    }
}
