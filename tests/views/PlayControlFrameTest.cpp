#include "views/PlayControlFrame.h"

#include "controls/PlayControlBtn.h"
#include "controls/PlayTimeLine.h"
#include "foundation/UiStringTable.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

class PlayControlFrameTest : public testing::Test {
  protected:
    PlayControlFrameTest() {
        panel.OnPlay = [this](QObject* sender) {
            EXPECT_EQ(sender, &panel);
            log += "play ";
        };
        panel.OnPause = [this](QObject*) { log += "pause "; };
        panel.OnNextFrame = [this](QObject*) { log += "next "; };
        panel.OnPrevFrame = [this](QObject*) { log += "prev "; };
        panel.OnStartPointChange = [this](QObject* sender, double) {
            EXPECT_EQ(sender, panel.TimeLine());
            log += "start ";
        };
        panel.show();  // resize events reach shown widgets only
    }
    void Click(QWidget* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    TPlayControlPanel panel;
    std::string log;
};

TEST_F(PlayControlFrameTest, PlacesChildrenAndDrivesTheButtons) {
    EXPECT_EQ(panel.size(), QSize(679, 65));
    EXPECT_EQ(panel.TimeLine()->geometry(), QRect(15, 5, 649, 16));
    EXPECT_EQ(panel.PlayButton()->geometry(), QRect(20, 30, 30, 30));
    EXPECT_EQ(panel.ElapsedLabel()->geometry(), QRect(274, 32, 130, 33));
    EXPECT_TRUE(panel.TotalLabel()->isHidden());  // narrower than 740
    EXPECT_EQ(panel.ElapsedLabel()->font().pointSize(), 1440 / panel.logicalDpiY());
    EXPECT_EQ(panel.GetVolume(), 50);
    panel.SetSpeed(1.2);
    EXPECT_EQ(panel.GetSpeed(), 1.5);
    panel.SetLanguage();
    EXPECT_EQ(panel.PauseButton()->toolTip(), UiText(17));
    EXPECT_EQ(panel.TotalLabel()->toolTip(), UiText(21));
    EXPECT_EQ(panel.PrevFrameButton()->toolTip(), UiText(22));
    EXPECT_EQ(panel.NextFrameButton()->toolTip(), UiText(23));
    const QImage image = panel.grab().toImage();
    EXPECT_LE(std::abs(qGray(image.pixel(2, 0)) - 0xB4), 2);  // the gradient's ends
    EXPECT_LE(std::abs(qGray(image.pixel(2, 64)) - 0x16), 6);

    panel.resize(1000, 65);
    EXPECT_EQ(panel.TimeLine()->width(), 970);
    EXPECT_EQ(panel.ElapsedLabel()->x(), 370);
    EXPECT_EQ(panel.TotalLabel()->x(), 500);
    EXPECT_FALSE(panel.TotalLabel()->isHidden());

    panel.SetDuration(125);
    EXPECT_EQ(panel.TotalLabel()->text(), QStringLiteral("/00:02:05"));
    Click(panel.PlayButton());
    EXPECT_TRUE(panel.PlayButton()->isHidden());
    panel.SetPosition(64.5);
    EXPECT_EQ(panel.ElapsedLabel()->text(), QStringLiteral("00:01:04"));
    panel.SetPosition(125);  // the end point pauses
    EXPECT_FALSE(panel.PlayButton()->isHidden());
    EXPECT_TRUE(panel.PauseButton()->isHidden());
    EXPECT_EQ(log, "play pause ");
}

TEST_F(PlayControlFrameTest, ButtonsAndTheEndPointDriveTheEvents) {
    Click(panel.PlayButton());
    panel.SetPosition(100);  // no media: the end point does nothing
    EXPECT_EQ(panel.State(), PLAY_PANEL_NO_MEDIA);

    panel.SetDuration(125);
    Click(panel.PlayButton());
    EXPECT_TRUE(panel.PlayButton()->isHidden());
    EXPECT_FALSE(panel.PauseButton()->isHidden());
    panel.SetPosition(125);  // the end point pauses
    EXPECT_EQ(panel.State(), PLAY_PANEL_READY);
    EXPECT_FALSE(panel.PlayButton()->isHidden());
    Click(panel.NextFrameButton());
    Click(panel.PrevFrameButton());
    EXPECT_EQ(log, "play pause next prev ");
}

TEST_F(PlayControlFrameTest, MarkerDragsUpdateTheTimeLabels) {
    panel.SetDuration(57);  // 513 px of track: 9 px a second
    panel.SetPosition(20);
    TPlayTimeLine* line = panel.TimeLine();
    // Hover the start marker, then drag it 45 px right: 5 s.
    QTest::mouseMove(line, QPoint(30, 8));
    QTest::mouseMove(line, QPoint(31, 8));
    QTest::mousePress(line, Qt::LeftButton, {}, QPoint(31, 8));
    QTest::mouseMove(line, QPoint(76, 8));
    QTest::mouseRelease(line, Qt::LeftButton, {}, QPoint(76, 8));
    EXPECT_DOUBLE_EQ(panel.GetStartPoint(), 5.0);
    EXPECT_EQ(panel.ElapsedLabel()->text(), QStringLiteral("00:00:15"));
    EXPECT_EQ(panel.TotalLabel()->text(), QStringLiteral("/00:00:52"));
    EXPECT_EQ(log, "start ");
}
