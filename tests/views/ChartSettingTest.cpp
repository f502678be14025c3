#include "foundation/PreferenceTable.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/Termination.h"
#include "views/ChartSetting.h"
#include "views/ColorPickButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHideEvent>
#include <QShowEvent>
#include <QSpontaneKeyEvent>

#include <gtest/gtest.h>

using views::ChartSeries;

namespace {

const QString kChartKey = QStringLiteral("Software\\OmbrelPlayer\\Chart");

QByteArray Stored(const char* name) {
    platform::Registry registry;
    registry.Load();
    return registry.ReadBinary(kChartKey, QString::fromLatin1(name)).value_or(QByteArray());
}

// Takes the window system's show and hide events, which Qt delivers as spontaneous.
class SystemEvents : public TsettingChart {
  public:
    using TsettingChart::hideEvent;
    using TsettingChart::showEvent;
    using TsettingChart::TsettingChart;
};

class ChartSettingTest : public testing::Test {
  protected:
    void SetUp() override {
        QFile::remove(platform::Registry::DefaultFilePath());  // a new install
        ASSERT_EQ(foundation::WriteDefaultsOnFirstStart(),
                  foundation::FirstStartResult::DefaultsWritten);
        dialog = std::make_unique<SystemEvents>(nullptr);
        dialog->OnRedrawRequest = [this](QObject*) { ++redraws; };
    }

    std::unique_ptr<SystemEvents> dialog;
    int redraws = 0;
};

}  // namespace

TEST_F(ChartSettingTest, UpdateThenHideWritesTheRegistry) {
    dialog->show();
    EXPECT_EQ(redraws, 1);  // showing: the chart follows the boxes
    dialog->CheckBox(ChartSeries::GpsSpeed)->click();
    views::ColorPickButton* right = dialog->ColorBox(views::kColorTurnRight);
    right->OnChange(right, 0xFF123456);  // red 0x12, green 0x34, blue 0x56 picked
    EXPECT_TRUE(dialog->LiveSettings().Shows(ChartSeries::GpsSpeed));
    EXPECT_FALSE(dialog->StoredSettings().Shows(ChartSeries::GpsSpeed));
    EXPECT_EQ(redraws, 1);  // a box alone asks for nothing
    dialog->btnRefreshClick();
    EXPECT_EQ(redraws, 2);
    EXPECT_TRUE(dialog->Changed());
    EXPECT_EQ(Stored("VisibleChart"), QByteArray::fromHex("07000000"));
    dialog->hide();
    EXPECT_EQ(Stored("VisibleChart"), QByteArray::fromHex("07020000"));
    EXPECT_EQ(Stored("ChartColor").mid(36, 4), QByteArray::fromHex("12345600"));
    EXPECT_TRUE(dialog->Changed());  // until shown again
    dialog->show();
    EXPECT_FALSE(dialog->Changed());
    // The next start reads them back.
    EXPECT_EQ(TsettingChart(nullptr).StoredSettings(), dialog->StoredSettings());
}

TEST_F(ChartSettingTest, RestoreBringsBackTheStoredChoicesAndRedraws) {
    dialog->CheckBox(ChartSeries::GX)->click();
    dialog->CheckBox(ChartSeries::TurnLamps)->click();
    EXPECT_NE(dialog->LiveSettings(), dialog->StoredSettings());
    dialog->btnRestoreClick();
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(dialog->LiveSettings(), dialog->StoredSettings());
    EXPECT_TRUE(dialog->CheckBox(ChartSeries::GX)->isChecked());
    EXPECT_FALSE(dialog->CheckBox(ChartSeries::TurnLamps)->isChecked());
}

TEST_F(ChartSettingTest, MinimisingAndRestoringNeitherSavesNorRestores) {
    dialog->show();
    dialog->CheckBox(ChartSeries::Rpm)->click();
    dialog->btnRefreshClick();
    dialog->CheckBox(ChartSeries::GZ)->click();  // not applied
    QHideEvent hide;
    QSpontaneKeyEvent::setSpontaneous(&hide);
    dialog->hideEvent(&hide);
    QShowEvent show;
    QSpontaneKeyEvent::setSpontaneous(&show);
    dialog->showEvent(&show);
    EXPECT_EQ(Stored("VisibleChart"), QByteArray::fromHex("07000000"));
    EXPECT_FALSE(dialog->LiveSettings().Shows(ChartSeries::GZ));
    EXPECT_TRUE(dialog->Changed());
}

TEST_F(ChartSettingTest, AMissingKeyIsReportedAndEndsTheProgram) {
    platform::Registry registry;
    registry.CreateKey(QStringLiteral("Software\\OmbrelPlayer\\Setting"));
    ASSERT_TRUE(registry.Save());
    platform::MessageBox::ClearRecorded();
    TsettingChart damaged(nullptr);
    const auto boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Initial Error, Please re-Install"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("ERROR"));
    EXPECT_TRUE(platform::TerminationRequested());
    EXPECT_EQ(damaged.LiveSettings(), views::ChartSettings::Defaults());
    // Saving reports it again and creates no key.
    damaged.show();
    damaged.btnRefreshClick();
    damaged.hide();
    EXPECT_EQ(platform::MessageBox::Recorded().size(), 2u);
    ASSERT_EQ(registry.Load(), platform::Registry::LoadResult::Loaded);
    EXPECT_FALSE(registry.KeyExists(kChartKey));
}
