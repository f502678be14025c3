// Dropped and command-line names: which are taken, and when the list is loaded.
#include "app/FileIntake.h"

#include <gtest/gtest.h>

using app::FileIntake;

namespace {

QStringList Numbered(int count, const QString& pattern) {
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names << pattern.arg(i);
    }
    return names;
}

}  // namespace

TEST(FileIntakeTest, DropsTakeRecordingNamesAndLoadOnlyWhenOneWasTaken) {
    std::vector<QStringList> loads;
    FileIntake intake;
    intake.load = [&](const QStringList& names) { loads.push_back(names); };

    intake.Drop({"/m/a.MP4", "/m/b.txt", "/m/c.ts", "/m/d.Mov", "/m.ts/e", "/m/f.ts.bak"});
    intake.Drop({"/m/notes.txt"});           // nothing taken: the list stays
    intake.Drop(Numbered(300, "/m/%1.ts"));  // too many: ignored whole
    intake.Drop(Numbered(255, "/m/%1.ts"));  // the most one drop takes
    intake.Drop({});
    ASSERT_EQ(loads.size(), 2u);
    EXPECT_EQ(loads[0], (QStringList{"/m/a.MP4", "/m/c.ts", "/m/d.Mov"}));
    EXPECT_EQ(loads[1].size(), 255);
}

TEST(FileIntakeTest, CommandLineLooksAtTheFirst256Arguments) {
    std::vector<QStringList> loads;
    FileIntake intake;
    intake.load = [&](const QStringList& names) { loads.push_back(names); };

    QStringList arguments{"/usr/bin/ombrel-player"};
    arguments << Numbered(256, "/card/%1.TS");
    intake.CommandLine(arguments);
    intake.CommandLine({"/usr/bin/ombrel-player", "--help"});
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0].size(), 255);  // the program's own path is the first of 256
    EXPECT_EQ(loads[0].front(), QStringLiteral("/card/0.TS"));
    EXPECT_EQ(loads[0].back(), QStringLiteral("/card/254.TS"));
}
