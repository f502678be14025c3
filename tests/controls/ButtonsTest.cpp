#include "ControlHost.h"
#include "controls/GradientButton.h"
#include "controls/IconButton.h"
#include "controls/ImageBox.h"
#include "controls/PlayControlBtn.h"
#include "foundation/Commonfun.h"

#include <gtest/gtest.h>

using controls::BoundsRect;

// The pictures come with the controls library into every program that links it.
TEST(ControlPictures, EveryNamedPictureIsInTheResources) {
    for (const char* name : {"RID_Thumb", "RID_folder", "RID_NormalBtn", "RID_HoverBtn",
                             "RID_PushedBtn", "RID_ChartSetting", "RID_Pan", "RID_Zoom",
                             "RID_FitSize", "RID_Info", "RID_TurnLampON", "RID_TurnLampOff"}) {
        const QImage image = LoadResourceImage(QString::fromLatin1(name));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_TRUE(image.hasAlphaChannel()) << name;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                opaque += image.pixelColor(x, y).alpha() == 255 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, image.width() * image.height() / 8) << name;
    }
}

TEST(TGradientButton, BodySplitsAtTheRatioAndClicksOnlyInside) {
    ControlHost host;
    TGradientButton button(&host, 0.3f, 0xFF141455, 0xFF3C3CBA, 0xFF9696DC, QString());
    button.setGeometry(0, 0, 250, 45);
    int clicks = 0;
    button.OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, &button);
        ++clicks;
    };
    button.show();
    // Split at y 13: the upper gradient ends and the lower one starts with the
    // middle colour there.
    EXPECT_TRUE(NearColour(ControlHost::PixelAt(&button, QPoint(125, 3)), 0xFF9696DC, 30));
    EXPECT_TRUE(NearColour(ControlHost::PixelAt(&button, QPoint(125, 12)), 0xFF3C3CBA, 12));
    EXPECT_TRUE(NearColour(ControlHost::PixelAt(&button, QPoint(125, 13)), 0xFF3C3CBA, 12));
    EXPECT_TRUE(NearColour(ControlHost::PixelAt(&button, QPoint(125, 41)), 0xFF141455, 20));

    ControlHost::Press(&button, QPoint(100, 20));
    EXPECT_EQ(button.State(), ButtonState::Pressed);
    ControlHost::Release(&button, QPoint(250, 20));  // on the right edge: outside
    EXPECT_EQ(button.State(), ButtonState::Normal);
    EXPECT_EQ(clicks, 0);
    ControlHost::Click(&button, QPoint(100, 20));
    EXPECT_EQ(button.State(), ButtonState::Hover);
    EXPECT_EQ(clicks, 1);
}

TEST(TIconButton, LatchedStateShowsPushedWhateverThePointerDoes) {
    ControlHost host;
    TIconButton button(&host, QStringLiteral("RID_Pan"), controls::kAnchorsLeftTop,
                       BoundsRect(10, 10, 35, 35));
    TIconButton reference(&host, QStringLiteral("RID_Pan"), controls::kAnchorsLeftTop,
                          BoundsRect(50, 10, 75, 35));
    button.show();
    reference.show();
    const QImage normal = reference.grab().toImage();
    ControlHost::Press(&reference, QPoint(12, 12));
    const QImage pushed = reference.grab().toImage();
    ControlHost::Release(&reference, QPoint(12, 12));
    ASSERT_NE(normal, pushed);

    button.SetState(4);
    ControlHost::Move(&button, QPoint(12, 12));
    EXPECT_EQ(button.MouseBits(), TIconButton::kHoverBit);
    EXPECT_EQ(button.grab().toImage(), pushed);
    ControlHost::Move(&button, QPoint(120, 60));  // away: Qt delivers the leave
    EXPECT_EQ(button.MouseBits(), 0);
    EXPECT_EQ(button.grab().toImage(), pushed);
    button.SetState(0);
    EXPECT_EQ(button.grab().toImage(), normal);
}

TEST(TImageBox, MissingPictureLeavesTheBoxEmpty) {
    ControlHost host;
    TImageBox box(&host, QStringLiteral("RID_TurnLampON"), controls::kAnchorsLeftTop,
                  BoundsRect(15, 15, 45, 45));
    TImageBox empty(&host, QStringLiteral("RID_NoSuchPicture"), controls::kAnchorsLeftTop,
                    BoundsRect(55, 15, 85, 45));
    box.show();
    empty.show();
    EXPECT_TRUE(box.HasImage());
    EXPECT_FALSE(empty.HasImage());
    const QImage nothing = empty.grab().toImage();
    EXPECT_NE(box.grab().toImage(), nothing);
    box.SetImage(QStringLiteral("RID_NoSuchPicture"));
    EXPECT_FALSE(box.HasImage());
    EXPECT_EQ(box.grab().toImage(), nothing);
}

TEST(TPlayControlBtn, HiddenByItsOwnClickItComesBackNormal) {
    ControlHost host;
    TPlayControlBtn play(&host, controls::kAnchorsLeftTop, BoundsRect(20, 30, 50, 60),
                         PlayButtonKind::Play);
    play.OnClick = [&play](QObject*) { play.hide(); };
    play.show();
    ControlHost::Move(&play, QPoint(15, 15));
    EXPECT_EQ(play.State(), ButtonState::Hover);
    ControlHost::Click(&play, QPoint(15, 15));
    EXPECT_TRUE(play.isHidden());
    play.show();
    EXPECT_EQ(play.State(), ButtonState::Normal);

    int clicks = 0;
    play.OnClick = [&clicks](QObject*) { ++clicks; };
    ControlHost::Press(&play, QPoint(15, 15));
    ControlHost::Move(&play, QPoint(15, 40));  // dragged off, button held
    ControlHost::Move(&play, QPoint(15, 45));
    EXPECT_EQ(play.State(), ButtonState::Normal);
    ControlHost::Release(&play, QPoint(15, 30));  // below the button
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(play.State(), ButtonState::Normal);
}

TEST(OwnerDrawnControl, AnchorsKeepTheDistancesToTheOwnersEdges) {
    ControlHost host(QSize(400, 120));
    TPlayControlBtn right(&host, controls::AnchorTop | controls::AnchorRight,
                          BoundsRect(330, 30, 360, 60), PlayButtonKind::NextFrame);
    TPlayControlBtn stretched(&host,
                              controls::AnchorLeft | controls::AnchorTop | controls::AnchorRight,
                              BoundsRect(15, 5, 385, 21), PlayButtonKind::Play);
    TPlayControlBtn fixed(&host, controls::kAnchorsLeftTop, BoundsRect(20, 30, 50, 60),
                          PlayButtonKind::Play);
    host.resize(500, 150);
    EXPECT_EQ(right.geometry(), BoundsRect(430, 30, 460, 60));
    EXPECT_EQ(stretched.geometry(), BoundsRect(15, 5, 485, 21));
    EXPECT_EQ(fixed.geometry(), BoundsRect(20, 30, 50, 60));
}
