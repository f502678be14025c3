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

namespace {

class FormMainTest : public AppFolderTest {
  protected:
    FormMainTest() {
        platform::MessageBox::ClearRecorded();
        form_.askSaveName = [this](const app::SaveRequest&) { return answer_; };
        form_.show();
    }
    ~FormMainTest() override { LanguageIndex = 0; }

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

    TFormMain form_;
    std::optional<app::SaveChoice> answer_;
};

}  // namespace

TEST_F(FormMainTest, LanguageSwitchRelabelsEveryWindowInEachLanguage) {
    TInfoForm info;
    _InfoForm = &info;
    for (int language = 0; language < kLanguageCount; ++language) {
        LanguageIndex = language;
        form_.Set_Lang();
        EXPECT_EQ(form_.windowTitle(), UiText(1, language));
        EXPECT_EQ(form_.TBCapture->toolTip(), UiText(10, language));
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
