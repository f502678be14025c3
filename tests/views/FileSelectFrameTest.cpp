#include "views/FileSelectFrame.h"

#include "FileListTestSupport.h"
#include "controls/ColumnHeader.h"
#include "foundation/UiStringTable.h"
#include "platform/FileHandle.h"
#include "platform/MessageBox.h"
#include "views/PlayControlFrame.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// How far two colours are apart, the largest of the channel differences.
int ColourDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// `argb` drawn over the opaque `below`.
QRgb Over(QRgb argb, QRgb below) {
    const int a = qAlpha(argb);
    auto mix = [a](int top, int bottom) { return (top * a + bottom * (255 - a)) / 255; };
    return qRgb(mix(qRed(argb), qRed(below)), mix(qGreen(argb), qGreen(below)),
                mix(qBlue(argb), qBlue(below)));
}

}  // namespace

class FileSelectFrameTest : public testing::Test {
  protected:
    FileSelectFrameTest() {
        list.SetPlayControlPanel(&panel);
        list.OnChange = [this](QObject* sender) {
            EXPECT_EQ(sender, &list);
            ++changes;
            panel.SetDuration(list.PlayList().empty() ? 60 : 120);  // as the main window does
        };
        panel.OnPlay = [this](QObject*) { ++plays; };
        list.resize(365, 300);
        platform::MessageBox::ClearRecorded();
    }
    void Load(const QStringList& names) {
        list.PendingCount = 0;
        for (const QString& name : names) {
            list.PendingNames[list.PendingCount++] = name;
        }
        list.Refresh();
    }
    QImage Grab() { return list.grab().toImage(); }

    FakeRecordings fake;
    TFileSelectControl list{nullptr, fake.Factory()};
    TPlayControlPanel panel;
    int changes = 0;
    int plays = 0;
};

TEST_F(FileSelectFrameTest, OpenSearchesTheCardThenTheFoldersAndLoads) {
    QTemporaryDir volumes;
    for (const char* folder : {"card1/misc", "card2/dcim", "card2/Video", "card3/VIDEO"}) {
        QDir(volumes.path()).mkpath(QString::fromLatin1(folder));
    }
    list.SetVolumeProvider([&] {
        return QStringList{volumes.filePath("card1"), volumes.filePath("card2"),
                           volumes.filePath("card3")};
    });
    bool search = false;
    list.SetPreferences({.autoSearchCard = [&] { return search; },
                         .defaultOpenFolder = [] { return QStringLiteral("/default"); }});
    QStringList folders;
    QStringList answer;
    list.SetOpenFileChooser([&](const QString& folder) {
        folders.append(folder);
        return answer;
    });

    // Cancelled with an empty list: the warning.
    list.OpenFileClick(nullptr);
    ASSERT_EQ(platform::MessageBox::Recorded().size(), 1u);
    EXPECT_EQ(platform::MessageBox::Recorded()[0].text, UiText(66));
    EXPECT_EQ(platform::MessageBox::Recorded()[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(platform::MessageBox::Recorded()[0].flags, platform::MB_ICONEXCLAMATION);

    // Two recordings of one drive, from the card: loaded, not played.
    search = true;
    fake.Add("/rec/a.TS", {.start = 1000});
    fake.Add("/rec/b.ts", {.start = 1060});
    answer = {QStringLiteral("/rec/b.ts"), QStringLiteral("/rec/a.TS")};
    list.OpenFileClick(nullptr);
    EXPECT_EQ(list.PendingCount, 2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(plays, 0);

    // Cancelled while the list holds records: nothing happens.
    search = false;
    answer.clear();
    list.OpenFileClick(nullptr);
    EXPECT_EQ(list.Records().Records().size(), 2u);
    EXPECT_EQ(platform::MessageBox::Recorded().size(), 1u);

    // One recording: loaded, selected and played through the panel.
    answer = {QStringLiteral("/rec/a.TS")};
    list.OpenFileClick(nullptr);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(plays, 1);

    // At most 256 names are taken.
    answer.clear();
    for (int i = 0; i < 300; ++i) {
        answer.append(QStringLiteral("/many/%1").arg(i));
    }
    fake.probes = 0;
    list.OpenFileClick(nullptr);
    EXPECT_EQ(list.PendingCount, 256);
    EXPECT_EQ(fake.probes, 256);

    // The default folder, the first card's that has one ("video" before "DCIM", any
    // case), then the last one.
    EXPECT_EQ(folders,
              (QStringList{"/default/", volumes.filePath("card2/Video"), "/rec", "/rec", "/rec"}));
}

// Names that are no recording are named in one warning once the list shows what
// loaded; a load of nothing but such names keeps the list, fires nothing and plays
// nothing again. A long list of names is cut short.
TEST_F(FileSelectFrameTest, RefusedNamesAreNamedOnceAndAnAllRefusedLoadKeepsTheList) {
    const QString warning = UiText(66) + QStringLiteral("\n\n");
    list.OnChange = [this](QObject*) {
        ++changes;
        EXPECT_TRUE(platform::MessageBox::Recorded().empty());  // the box comes after
        panel.SetDuration(60);
    };
    fake.Add("/rec/a.ts", {.start = 1000});
    QStringList answer{"/x/1.ts", "/rec/a.ts", "/x/2.ts"};
    list.SetOpenFileChooser([&](const QString&) { return answer; });
    list.OpenFileClick(nullptr);
    EXPECT_EQ(RowsText(list.Records()), "G+ /rec/a.ts*");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(plays, 1);
    ASSERT_EQ(platform::MessageBox::Recorded().size(), 1u);
    EXPECT_EQ(platform::MessageBox::Recorded()[0].text, warning + "/x/1.ts\n/x/2.ts");
    EXPECT_EQ(platform::MessageBox::Recorded()[0].caption, UiText(63));
    EXPECT_EQ(platform::MessageBox::Recorded()[0].flags, platform::MB_ICONEXCLAMATION);

    platform::MessageBox::ClearRecorded();
    answer.clear();
    for (int i = 0; i < 25; ++i) {
        answer.append(QStringLiteral("/x/%1.ts").arg(i));
    }
    list.OpenFileClick(nullptr);
    EXPECT_EQ(RowsText(list.Records()), "G+ /rec/a.ts*");
    EXPECT_EQ(Names(list.PlayList()), "/rec/a.ts");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(plays, 1);
    ASSERT_EQ(platform::MessageBox::Recorded().size(), 1u);
    EXPECT_EQ(platform::MessageBox::Recorded()[0].text,
              warning + answer.mid(0, 20).join(QLatin1Char('\n')) + QStringLiteral("\n\u2026"));

    // The main window's way in: the same.
    platform::MessageBox::ClearRecorded();
    Load({QStringLiteral("/x/dropped.ts")});
    EXPECT_EQ(RowsText(list.Records()), "G+ /rec/a.ts*");
    ASSERT_EQ(platform::MessageBox::Recorded().size(), 1u);
    EXPECT_EQ(platform::MessageBox::Recorded()[0].text, warning + "/x/dropped.ts");
    EXPECT_EQ(changes, 1);
}

// A name may be thousands of characters long: the box shows each refused name
// shortened in its middle, its start and its file name kept, so twenty of them
// still fit on the screen.
TEST_F(FileSelectFrameTest, LongRefusedNamesAreShortenedInTheBox) {
    const QString deep = QStringLiteral("/x/") + QStringLiteral("deep/").repeated(700) +
                         QStringLiteral("last-name.ts");
    QStringList names;
    for (int i = 0; i < 20; ++i) {
        names.append(deep + QString::number(i));
    }
    names.append(QStringLiteral("/x/short.ts"));
    Load(names);
    ASSERT_EQ(platform::MessageBox::Recorded().size(), 1u);
    const QStringList lines = platform::MessageBox::Recorded()[0].text.split(QLatin1Char('\n'));
    const QStringList shown = lines.mid(lines.indexOf(QString()) + 1);
    ASSERT_EQ(shown.size(), 21);
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        EXPECT_LE(shown[i].size(), 120);
        EXPECT_TRUE(shown[i].startsWith(QStringLiteral("/x/deep/deep/")));
        EXPECT_TRUE(shown[i].endsWith(QStringLiteral("/last-name.ts") + QString::number(i)));
        EXPECT_TRUE(shown[i].contains(QStringLiteral("\u2026")));
    }
    EXPECT_EQ(shown[20], QStringLiteral("\u2026"));

    // A name of the longest length shown stays whole.
    platform::MessageBox::ClearRecorded();
    const QString whole = QStringLiteral("/x/") + QStringLiteral("n").repeated(114) + ".ts";
    Load({whole});
    ASSERT_EQ(platform::MessageBox::Recorded().size(), 1u);
    EXPECT_TRUE(platform::MessageBox::Recorded()[0].text.endsWith(QStringLiteral("\n") + whole));
}

// Two drives: the first open with "a" read-only, "b" selected and playing; the second
// closed.
TEST_F(FileSelectFrameTest, PaintsDrivesSelectionAndMarks) {
    const QStringList names = AddDrives(fake, {2, 1});
    fake.Add("a", {.start = 1700000000, .readOnly = true});
    Load(names);
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(kDateX, RowY(0)));
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(kDateX, RowY(2)));
    list.SetPlayingIndex(0);
    ASSERT_EQ(list.Records().RowCount(), 4);  // G a b G

    const QImage image = Grab();
    const int iconX = static_cast<int>(list.Layout().columns[0].x);
    const QRgb plain = image.pixel(300, RowY(1));
    const QRgb selected = image.pixel(300, RowY(2));
    EXPECT_LE(ColourDistance(selected, Over(0xC86464C8, plain)), 6);
    EXPECT_GT(ColourDistance(selected, plain), 20);
    EXPECT_LE(ColourDistance(image.pixel(300, 299), 0xFF282846), 6);  // gradient bottom
    // Drive triangles: open (pointing down) and closed (pointing right).
    EXPECT_LE(ColourDistance(image.pixel(iconX + 10, views::kRowsTop + 7),
                             Over(0xC8C8C8FF, image.pixel(iconX + 1, views::kRowsTop + 18))),
              10);
    EXPECT_LE(ColourDistance(image.pixel(iconX + 7, RowY(3)),
                             Over(0xC8C8C8FF, image.pixel(iconX + 18, RowY(3)))),
              10);
    // The padlock's body on "a", the playing triangle on "b".
    EXPECT_LE(ColourDistance(image.pixel(iconX + 6, views::kRowsTop + 20 + 12), 0xFFC8C8C8), 10);
    EXPECT_LE(ColourDistance(image.pixel(iconX + 6, RowY(2)), 0xFF7878FA), 10);
    // Text in the date column of a record; the whole start time fits it.
    QFont bold = list.font();
    bold.setBold(true);
    EXPECT_LE(QFontMetrics(bold).horizontalAdvance(fake.Made("b")->GetStartTimeText()),
              list.Layout().columns[1].width - 15);
    bool text = false;
    for (int x = kDateX; x < 140 && !text; ++x) {
        text = ColourDistance(image.pixel(x, RowY(1)), 0xFFE6FFE6) < 40;
    }
    EXPECT_TRUE(text);

    // Scrolled right in a narrow list the header follows the rows, also when the list
    // widens and the bar goes away.
    list.show();
    list.resize(250, 300);
    const QPoint barEnd(240, 291);
    QWidget* bar = list.childAt(barEnd);
    ASSERT_NE(bar, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->mapFrom(&list, barEnd));
    EXPECT_GT(list.Header()->ScrollOffset(), 40);
    EXPECT_EQ(list.Header()->ScrollOffset(), static_cast<int>(list.Layout().horizontalPosition));
    list.resize(400, 300);
    EXPECT_EQ(list.Header()->ScrollOffset(), 0);
}

TEST_F(FileSelectFrameTest, MouseKeysAndWheel) {
    Load(AddDrives(fake, {2, 12}));
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(kDateX, RowY(1)));  // opens drive 2
    EXPECT_EQ(list.Records().RowCount(), 14);
    EXPECT_TRUE(list.hasFocus());
    EXPECT_EQ(changes, 1);  // the load's

    // A double click: press and release, then the double click and its release.
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(kDateX, RowY(1)));
    QTest::mouseDClick(&list, Qt::LeftButton, {}, QPoint(kDateX, RowY(1)));
    QTest::mouseRelease(&list, Qt::LeftButton, {}, QPoint(kDateX, RowY(1)));
    EXPECT_EQ(list.PlayList().size(), 12u);  // the first click selected the open drive
    EXPECT_EQ(plays, 1);                     // the double click played it

    // The arrows keep the row they move to in sight.
    ASSERT_EQ(list.Layout().VisibleRows(), 11);  // rows 0..10 of G G c d e f g h i j k l m n
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(kDateX, RowY(10)));
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(&list, Qt::Key_Down);
    }
    EXPECT_EQ(list.PlayList().front()->path, "n");
    EXPECT_EQ(list.TopRow(), 3);
    QTest::keyClick(&list, Qt::Key_Escape);

    // The wheel turned away from the user scrolls up a row per notch.
    QWheelEvent wheel(QPointF(kDateX, RowY(2)), list.mapToGlobal(QPointF(kDateX, RowY(2))),
                      QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&list, &wheel);
    EXPECT_EQ(list.TopRow(), 1);
}

TEST_F(FileSelectFrameTest, PopupMenuUnlockAndRemoval) {
    QTemporaryDir folder;
    const QString locked = folder.filePath("locked.ts");
    const QString gone = folder.filePath("gone.ts");
    for (const QString& path : {locked, gone}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        fake.Add(path, {.start = path == locked ? 100u : 160u, .readOnly = true});
    }
    Load({locked, gone});  // one drive, opened: G locked gone
    fake.Made(locked)->versionText = QStringLiteral(" 1. 0.12");
    QMenu* menu = list.PopupMenu();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 5);
    QAction* play = items[0];
    QAction* remove = items[1];
    QAction* unlock = items[2];
    QAction* firmware = items[4];

    list.PopupMenuPopup(QPoint(kDateX, RowY(1)));
    EXPECT_EQ(firmware->text(), QStringLiteral("Firmware:   1. 0.12"));
    EXPECT_TRUE(unlock->isEnabled());
    EXPECT_FALSE(remove->isEnabled());  // nothing selected yet
    EXPECT_TRUE(play->isEnabled());     // the load made the panel ready
    panel.PlayButtonClick(nullptr);
    list.PopupMenuPopup(QPoint(kDateX, RowY(1)));
    EXPECT_FALSE(play->isEnabled());  // already playing
    panel.PauseButtonClick(nullptr);
    unlock->trigger();
    EXPECT_FALSE(platform::FileHandle::IsReadOnlyFile(locked));
    EXPECT_EQ(fake.Made(locked)->flags & FILE_ITEM_READ_ONLY, 0u);

    // A file that can no longer be unlocked keeps its padlock.
    QFile::remove(gone);
    list.PopupMenuPopup(QPoint(kDateX, RowY(2)));
    unlock->trigger();
    EXPECT_NE(fake.Made(gone)->flags & FILE_ITEM_READ_ONLY, 0u);

    // Over the header, a drive row, the strip under the last whole row (one row
    // shown here: "locked" lies under the strip) or below the rows: no record.
    list.resize(365, views::kRowsTop + 35);
    list.UpdateLayout();
    for (int y : {views::kRowsTop - 5, RowY(0), RowY(1), RowY(5)}) {
        list.PopupMenuPopup(QPoint(kDateX, y));
        EXPECT_EQ(firmware->text(), QStringLiteral("Firmware:  ")) << y;
        EXPECT_FALSE(unlock->isEnabled()) << y;
    }
    // Scrolled down a row, the header still names nothing, though the row
    // arithmetic would name the record scrolled out above the rows.
    QWheelEvent wheel(QPointF(kDateX, RowY(0)), list.mapToGlobal(QPointF(kDateX, RowY(0))),
                      QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&list, &wheel);
    ASSERT_EQ(list.TopRow(), 1);
    list.PopupMenuPopup(QPoint(kDateX, views::kRowsTop - 5));
    EXPECT_EQ(firmware->text(), QStringLiteral("Firmware:  "));
    list.resize(365, 300);
    list.UpdateLayout();

    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(kDateX, RowY(0)));  // the drive
    list.PopupMenuPopup(QPoint(kDateX, RowY(1)));
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_TRUE(play->isEnabled());  // the panel is ready
    remove->trigger();
    EXPECT_EQ(list.Records().RowCount(), 0);  // the emptied drive went too
    EXPECT_EQ(changes, 3);                    // load, selection, removal
    EXPECT_EQ(fake.ListRefs(locked), 0);
}
