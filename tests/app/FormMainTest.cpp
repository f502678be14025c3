// The main window end to end under the offscreen platform, with real recordings:
// the language switch, dropped recordings played back to back, a screenshot and
// a cut from the tool bar.
#include "AppTestSupport.h"
#include "app/Main.h"
#include "app/VideoWindow.h"
#include "controls/ColorBoxARGB.h"
#include "controls/PlayControlBtn.h"
#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"
#include "support/DebugCapture.h"
#include "support/TestClips.h"
#include "support/TestMedia.h"
#include "views/ChartFrame.h"
#include "views/FileSelectFrame.h"
#include "views/InfoFrom.h"
#include "views/PlayControlFrame.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <unistd.h>

#include <random>

namespace {

// The main window before its first showing.
class FormMainFixture : public AppFolderTest {
  protected:
    FormMainFixture() {
        platform::MessageBox::ClearRecorded();
        form_.askSaveName = [this](const app::SaveRequest&) { return answer_; };
    }
    ~FormMainFixture() override { LanguageIndex = 0; }

    // A recording of `seconds` of real pictures, in this test's folder.
    QString Write(const QString& name, double seconds, std::uint32_t startTime) {
        tsrec::TestMediaParams params;
        params.seconds = seconds;
        const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
        EXPECT_FALSE(media.h264.empty());
        const QString path = PathOf(name);
        EXPECT_TRUE(tsrec::WriteTsRecording(path, {.media = &media, .startTime = startTime}));
        return path;
    }
    void Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        data.setUrls(urls);
        // The application delivers a drop only to a window that took the drag's entry.
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&form_, &enter);
        QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form_, &drop);
    }
    // A click on the drive's row selects the whole drive as the play list.
    void SelectFirstDrive() {
        QTest::mouseClick(form_.FileSelectFrame, Qt::LeftButton, {}, QPoint(100, 85));
    }
    bool AnyPicture(QWidget* widget) {
        const QImage image = widget->grab().toImage();
        for (int y = 0; y < image.height(); y += 8) {
            for (int x = 0; x < image.width(); x += 8) {
                if (qGray(image.pixel(x, y)) > 40) {
                    return true;
                }
            }
        }
        return false;
    }

    // Files a user may give that are no recording of this recorder, as the probe
    // refuses them: another camera's recording, one cut off inside a packet while
    // it was copied (larger than a read block, so its tail is off the packet grid),
    // and random bytes named .ts.
    QStringList WriteRefusedFiles() {
        const QString other = PathOf(QStringLiteral("other camera.ts"));
        EXPECT_TRUE(QFile::copy(TestClipPath(), other));
        std::vector<std::uint8_t> bytes =
            tsrec::BuildTsRecording({.durationSeconds = 10, .syntheticFrameBytes = 60000});
        bytes.resize(bytes.size() * 3 / 4 + 101);
        const QString truncated = PathOf(QStringLiteral("truncated.ts"));
        EXPECT_TRUE(tsrec::WriteFileBytes(truncated, bytes));
        std::mt19937 random(21);
        QByteArray noise(200000, 0);
        for (char& byte : noise) {
            byte = static_cast<char>(random());
        }
        const QString noisy = PathOf(QStringLiteral("noise.ts"));
        WriteFile(noisy, noise);
        const QStringList refused{other, truncated, noisy};
        DebugCapture quiet;
        for (const QString& path : refused) {
            EXPECT_EQ(ItemRef(new TFileItem(path))->fileType, FILE_TYPE_NONE) << path.toStdString();
        }
        return refused;
    }
    // The one box of a load that refused `names`: the table's warning, then the names.
    static void ExpectRefusedBox(const QStringList& names) {
        const std::vector<platform::RecordedBox> boxes = platform::MessageBox::Recorded();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, QStringLiteral("Video file not found. \n This software only "
                                                "supports video files created by Ombrel.\n\n") +
                                     names.join(QLatin1Char('\n')));
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Warning"));
        EXPECT_EQ(boxes[0].flags, platform::MB_ICONEXCLAMATION);
    }
    // After a load that refused every name: the list and the play list as they were,
    // still playing.
    void ExpectStillPlaying(const QStringList& listed, const FileItemList& playing) {
        EXPECT_EQ(ListedNames(), listed);
        EXPECT_EQ(form_.FileSelectFrame->PlayList(), playing);
        EXPECT_EQ(form_.PlayList().Items(), playing);
        EXPECT_EQ(form_.PlayControlPanel->State(), PLAY_PANEL_PLAYING);
    }
    QStringList ListedNames() const {
        QStringList names;
        for (const TFileItem* record : form_.FileSelectFrame->Records().Records()) {
            names << QFileInfo(record->path).fileName();
        }
        return names;
    }

    TFormMain form_;
    std::optional<app::SaveChoice> answer_;
};

class FormMainTest : public FormMainFixture {
  protected:
    FormMainTest() { form_.show(); }
};

// The window shown on the program's arguments.
using FormMainStartTest = FormMainFixture;

}  // namespace

TEST_F(FormMainTest, LanguageSwitchRelabelsEveryWindowInEachLanguage) {
    TInfoForm info;
    _InfoForm = &info;
    for (int language = 0; language < kLanguageCount; ++language) {
        LanguageIndex = language;
        form_.Set_Lang();
        EXPECT_EQ(form_.windowTitle(), UiText(1, language));
        EXPECT_EQ(form_.TBCapture->toolTip(), UiText(10, language));
        EXPECT_EQ(form_.TBCutting->toolTip(), UiText(11, language));
        EXPECT_EQ(form_.TBSetting->toolTip(), UiText(13, language));
        EXPECT_EQ(form_.TBGPSForm->toolTip(), UiText(12, language));
        EXPECT_EQ(form_.PlayControlPanel->PlayButton()->toolTip(), UiText(16, language));
        EXPECT_EQ(info.windowTitle(), UiText(49, language));
    }
    EXPECT_EQ(form_.windowTitle(), QStringLiteral("Istrel Player"));
    _InfoForm = nullptr;
}

TEST_F(FormMainTest, TheStartWorkRunsOnTheFirstShowingOnly) {
    // Minimising and restoring, or hiding and showing again, repeats the show
    // event; the start work (the language applied, the cutting job made) must not
    // run again: a language chosen since stays unapplied until it is applied.
    const QString title = form_.windowTitle();
    ASSERT_EQ(title, UiText(1, 0));
    ASSERT_NE(form_.Cutting(), nullptr);
    LanguageIndex = 2;
    form_.showMinimized();
    form_.showNormal();
    form_.hide();
    form_.show();
    EXPECT_EQ(form_.windowTitle(), title);
}

TEST_F(FormMainTest, DroppedRecordingsPlayBackToBackWithTheChartFollowing) {
    const QString a = Write(QStringLiteral("a.ts"), 2.0, 1700000000);
    const QString b = Write(QStringLiteral("b.ts"), 2.0, 1700000002);
    QFile(PathOf(QStringLiteral("notes.txt"))).open(QIODevice::WriteOnly);

    Drop({a, PathOf(QStringLiteral("notes.txt")), b});
    ASSERT_EQ(form_.FileSelectFrame->Records().Records().size(), 2u);
    SelectFirstDrive();
    ASSERT_EQ(form_.PlayList().Items().size(), 2u);
    EXPECT_EQ(form_.PlayControlPanel->State(), PLAY_PANEL_READY);
    ASSERT_TRUE(WaitUntil([&] { return AnyPicture(form_.VideoWnd); }));

    form_.PlayControlPanel->PlayButtonClick(nullptr);
    EXPECT_TRUE(form_.Timer->isActive());
    ASSERT_TRUE(WaitUntil([&] { return form_.PlayList().CurrentIndex() == 1; }));
    const FileItemList items = form_.PlayList().Items();
    EXPECT_TRUE(items[1]->flags & FILE_ITEM_PLAYING);
    // The first file's graph was given back from inside its own event drain.
    EXPECT_EQ(items[0]->player->State(), STATE_NO_GRAPH);
    // The last file ends: the panel pauses and the timer stops there.
    ASSERT_TRUE(WaitUntil([&] { return form_.PlayControlPanel->State() == PLAY_PANEL_READY; }));
    EXPECT_FALSE(form_.Timer->isActive());
    EXPECT_GT(form_.PlayControlPanel->GetPosition(), 3.0);
    EXPECT_TRUE(form_.TrendChart->CursorLine()->isVisible());
    EXPECT_TRUE(AnyPicture(form_.VideoWnd));

    // Paused, back into the first file from the time line: it opens again, paused
    // at the place asked, and shows its picture.
    const double start = form_.PlayList().Timeline().StartOf(1);
    form_.PlayPosChange(form_.PlayControlPanel, start - 0.5);
    ASSERT_EQ(form_.PlayList().CurrentIndex(), 0);
    EXPECT_EQ(items[0]->player->State(), STATE_PAUSED);
    EXPECT_NEAR(form_.PlayList().GlobalPosition(), start - 0.5, 0.05);
    EXPECT_EQ(form_.PlayList().CurrentPlayer()->GrabFrame().size(), QSize(320, 240));
    EXPECT_TRUE(platform::MessageBox::Recorded().empty());
}

// Running, the time line crosses into the next file and back: the file sought to
// runs from the place asked, the one left behind stops and keeps its graph.
TEST_F(FormMainTest, SeeksWhilePlayingCrossFilesAndKeepRunning) {
    Drop({Write(QStringLiteral("a.ts"), 2.0, 1700000000),
          Write(QStringLiteral("b.ts"), 2.0, 1700000002)});
    SelectFirstDrive();
    ASSERT_EQ(form_.PlayList().Items().size(), 2u);
    const FileItemList items = form_.PlayList().Items();
    const double start = form_.PlayList().Timeline().StartOf(1);

    form_.PlayControlPanel->PlayButtonClick(nullptr);
    form_.PlayPosChange(form_.PlayControlPanel, start + 0.5);
    ASSERT_EQ(form_.PlayList().CurrentIndex(), 1);
    EXPECT_EQ(items[1]->player->State(), STATE_RUNNING);
    EXPECT_TRUE(items[1]->flags & FILE_ITEM_PLAYING);

    form_.PlayPosChange(form_.PlayControlPanel, 0.5);
    ASSERT_EQ(form_.PlayList().CurrentIndex(), 0);
    EXPECT_EQ(items[0]->player->State(), STATE_RUNNING);
    EXPECT_EQ(items[1]->player->State(), STATE_STOPPED);  // built ahead, kept
    ASSERT_TRUE(WaitUntil([&] { return form_.PlayList().GlobalPosition() > 0.7; }));
    EXPECT_TRUE(form_.Timer->isActive());
    EXPECT_TRUE(platform::MessageBox::Recorded().empty());
}

TEST_F(FormMainTest, ScreenshotAndCutFromTheToolBar) {
    Drop({Write(QStringLiteral("drive.ts"), 3.0, 1700000000)});
    ASSERT_EQ(form_.PlayList().Items().size(), 1u);  // one recording: selected at once

    answer_ = app::SaveChoice{PathOf(QStringLiteral("shot")), 2};
    form_.TBCapture->click();
    const QImage shot(PathOf(QStringLiteral("shot.bmp")), "BMP");
    EXPECT_EQ(shot.size(), QSize(320, 240));

    answer_ = app::SaveChoice{PathOf(QStringLiteral("clip")), 1};
    form_.TBCutting->click();
    EXPECT_TRUE(form_.BtnCutSatus->text().startsWith(UiText(72)));
    ASSERT_TRUE(WaitUntil([&] { return !platform::MessageBox::Recorded().empty(); }));
    EXPECT_EQ(platform::MessageBox::Recorded()[0].text, QStringLiteral("Cutting completed"));
    EXPECT_EQ(form_.BtnCutSatus->text(), QString());
    EXPECT_TRUE(tsrec::RunFfprobe(PathOf(QStringLiteral("clip.ts"))).ran);
}

// Saving the clip over the recording it is cut from, by its own name or through a
// link to it, is refused with the error box; the recording stays as it was.
TEST_F(FormMainTest, ACutOverItsOwnRecordingIsRefused) {
    const QString drive = Write(QStringLiteral("drive.ts"), 3.0, 1700000000);
    Drop({drive});
    ASSERT_EQ(form_.PlayList().Items().size(), 1u);
    const QByteArray original = ReadFile(drive);
    ASSERT_FALSE(original.isEmpty());
    ASSERT_TRUE(QFile::link(drive, PathOf(QStringLiteral("link.ts"))));
    ASSERT_EQ(::link(drive.toLocal8Bit().constData(),
                     PathOf(QStringLiteral("hard.ts")).toLocal8Bit().constData()),
              0);
    platform::MessageBox::SetAnswer(platform::IDYES);  // overwrite: yes
    for (const QString& name :
         {QStringLiteral("drive"), QStringLiteral("link.ts"), QStringLiteral("hard.ts")}) {
        SCOPED_TRACE(name.toStdString());
        platform::MessageBox::ClearRecorded();
        answer_ = app::SaveChoice{PathOf(name), 1};
        form_.TBCutting->click();
        const std::vector<platform::RecordedBox> boxes = platform::MessageBox::Recorded();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].text, UiText(81));  // the file exists: overwrite?
        EXPECT_EQ(boxes[1].text, QStringLiteral("Save file can not be opened"));
        EXPECT_EQ(boxes[1].caption, QStringLiteral("Error"));
        EXPECT_EQ(boxes[1].flags, platform::MB_ICONHAND);
        EXPECT_FALSE(form_.Cutting()->IsBusy());
        EXPECT_EQ(form_.BtnCutSatus->text(), QString());
    }
    EXPECT_EQ(ReadFile(drive), original);
    EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("quendrix.tmp"))));
    EXPECT_EQ(form_.FileSelectFrame->Records().Records().size(), 1u);
    platform::MessageBox::SetAnswer(platform::IDOK);
}

// Dropped files the probe refuses are named in one warning beside the recordings
// that load; a drop of refused files only keeps the drive that plays, listed.
TEST_F(FormMainTest, RefusedDroppedFilesAreNamedAndKeepThePlayingDrive) {
    const QString a = Write(QStringLiteral("a.ts"), 5.0, 1700000000);
    const QString b = Write(QStringLiteral("b.ts"), 5.0, 1700000005);
    const QStringList refused = WriteRefusedFiles();
    Drop({refused[0], a, refused[1], b, refused[2]});
    EXPECT_EQ(ListedNames(), (QStringList{"a.ts", "b.ts"}));
    ExpectRefusedBox(refused);

    SelectFirstDrive();
    ASSERT_EQ(form_.PlayList().Items().size(), 2u);
    form_.PlayControlPanel->PlayButtonClick(nullptr);
    ASSERT_EQ(form_.PlayControlPanel->State(), PLAY_PANEL_PLAYING);
    const FileItemList playing = form_.PlayList().Items();
    platform::MessageBox::ClearRecorded();
    Drop({refused[2], refused[0]});
    ExpectRefusedBox({refused[2], refused[0]});
    ExpectStillPlaying({"a.ts", "b.ts"}, playing);
    EXPECT_EQ(form_.FileSelectFrame->Records().RowCount(), 3);  // the drive's row and its two
}

// Chosen in the open dialog: a single recording beside refused files plays at once;
// a choice of refused files only leaves it playing and listed.
TEST_F(FormMainTest, RefusedFilesFromTheOpenDialogAreNamedAndKeepThePlayingRecording) {
    const QString a = Write(QStringLiteral("a.ts"), 5.0, 1700000000);
    const QStringList refused = WriteRefusedFiles();
    QStringList chosen{refused[1], a};
    form_.FileSelectFrame->SetOpenFileChooser([&](const QString&) { return chosen; });
    form_.FileSelectFrame->OpenFileClick(nullptr);
    EXPECT_EQ(ListedNames(), QStringList{"a.ts"});
    ExpectRefusedBox({refused[1]});
    ASSERT_EQ(form_.PlayList().Items().size(), 1u);
    ASSERT_EQ(form_.PlayControlPanel->State(), PLAY_PANEL_PLAYING);

    const FileItemList playing = form_.PlayList().Items();
    platform::MessageBox::ClearRecorded();
    chosen = refused;
    form_.FileSelectFrame->OpenFileClick(nullptr);
    ExpectRefusedBox(refused);
    ExpectStillPlaying({"a.ts"}, playing);
}

TEST_F(FormMainStartTest, RefusedFilesOnTheCommandLineAreNamedOnceTheWindowShows) {
    const QString a = Write(QStringLiteral("a.ts"), 2.0, 1700000000);
    const QStringList refused = WriteRefusedFiles();
    form_.commandLine = QStringList{QStringLiteral("/usr/bin/ombrel-player"), refused[1], a,
                                    refused[0], refused[2]};
    form_.show();
    EXPECT_EQ(ListedNames(), QStringList{"a.ts"});
    EXPECT_EQ(form_.PlayList().Items().size(), 1u);  // one recording: selected at once
    ExpectRefusedBox({refused[1], refused[0], refused[2]});
}

TEST_F(FormMainStartTest, ACommandLineOfRefusedFilesOnlyShowsTheWarning) {
    const QStringList refused = WriteRefusedFiles();
    form_.commandLine = QStringList{QStringLiteral("/usr/bin/ombrel-player")} + refused;
    form_.show();
    EXPECT_TRUE(ListedNames().isEmpty());
    EXPECT_EQ(form_.FileSelectFrame->Records().RowCount(), 0);
    EXPECT_TRUE(form_.PlayList().Items().empty());
    ExpectRefusedBox(refused);
}
