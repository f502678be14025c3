#include "AppTestSupport.h"
#include "app/Setting.h"

#include "foundation/PreferenceTable.h"
#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"
#include "platform/Termination.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>

#include <gtest/gtest.h>

using platform::MessageBox;
using platform::Registry;

namespace {

const QString kSetting = QStringLiteral("Software\\OmbrelPlayer\\Setting");

// Starts from a new install's settings file.
class SettingTest : public testing::Test {
  protected:
    void SetUp() override {
        QFile::remove(Registry::DefaultFilePath());
        LanguageIndex = 0;
        ASSERT_EQ(foundation::WriteDefaultsOnFirstStart(),
                  foundation::FirstStartResult::DefaultsWritten);
        MessageBox::ClearRecorded();
    }

    static void Store(const QString& name, std::uint32_t value) {
        Registry registry;
        registry.Load();
        registry.WriteInteger(kSetting, name, value);
        ASSERT_TRUE(registry.Save());
    }
};

}  // namespace

TEST_F(SettingTest, AStoredSimplifiedChineseIsTheProgramsLanguage) {
    Store(QStringLiteral("Language"), 2);
    TFormSetting form;
    EXPECT_EQ(LanguageIndex, 2);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Istrel Player 设置"));
    EXPECT_EQ(form.CombLang->currentIndex(), 2);
    EXPECT_EQ(form.width(), 440);
    // The recorder group lies beyond the width the window opens with; its two
    // buttons stay hidden.
    EXPECT_GE(form.GBCRVSetting->x(), 440);
    EXPECT_FALSE(form.btnAbout->isVisible());
    EXPECT_FALSE(form.BtnFalvorSetting->isVisible());
    EXPECT_TRUE(MessageBox::Recorded().empty());
    EXPECT_FALSE(platform::TerminationRequested());

    // The background runs from light grey at the top to near black at the bottom.
    const QImage picture = form.grab().toImage();
    EXPECT_EQ(picture.pixelColor(2, 0).rgb() & 0xFFFFFF, 0xB4B4B4u);
    EXPECT_LT(qGray(picture.pixel(2, picture.height() - 2)), 0x30);
}

TEST_F(SettingTest, CancelKeepsEveryStoredValueForTheReaders) {
    TFormSetting form;
    form.show();
    form.CombLang->setCurrentIndex(1);
    form.CombLangChange();
    EXPECT_EQ(form.windowTitle(), UiText(87, 1));
    EXPECT_EQ(form.BtnOK->text(), UiText(58, 1));
    EXPECT_EQ(LanguageIndex, 0);
    form.CBAutoSearchSD->setChecked(true);
    form.comboCaptureRange->setCurrentIndex(1);
    form.BtnCancelClick();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(form.AutoSDSearch());
    EXPECT_FALSE(form.CaptureChart());
    EXPECT_EQ(LanguageIndex, 0);

    form.show();
    EXPECT_EQ(form.CombLang->currentIndex(), 0);
    EXPECT_EQ(form.windowTitle(), UiText(87, 0));
    EXPECT_FALSE(form.CBAutoSearchSD->isChecked());
    EXPECT_EQ(form.comboCaptureRange->currentIndex(), 0);
    EXPECT_EQ(form.comboCaptureRange->itemText(1), QStringLiteral("Video Image + Chart"));
}

TEST_F(SettingTest, OkStoresTheChangesAndTheLanguage) {
    QTemporaryDir folder;
    TFormSetting form;
    form.show();
    form.LEDefaultSaveDir->setText(folder.filePath(QStringLiteral("missing")));
    form.BtnOKClick();
    auto boxes = MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, UiText(96) + folder.filePath(QStringLiteral("missing")));
    EXPECT_EQ(boxes[0].flags, platform::MB_ICONEXCLAMATION);
    EXPECT_TRUE(form.isVisible());

    form.LEDefaultSaveDir->setText(folder.path());
    form.CombLang->setCurrentIndex(2);
    form.CombLangChange();
    form.comboCaptureRange->setCurrentIndex(1);  // after the preview, which resets it
    form.BtnOKClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(LanguageIndex, 2);
    EXPECT_EQ(form.DefaultSavePath(), folder.path());
    EXPECT_TRUE(form.CaptureChart());  // the stored values, which the window saved
    EXPECT_EQ(MessageBox::Recorded().size(), 1u);
}

// A language preview shows the capture range as stored, in the new language; an
// edit made before it is gone, and OK then stores none.
TEST_F(SettingTest, ALanguagePreviewTakesBackTheCaptureRangeEdit) {
    Store(QStringLiteral("CaptureChart"), 1);
    TFormSetting form;
    form.show();
    ASSERT_EQ(form.comboCaptureRange->currentIndex(), 1);
    form.comboCaptureRange->setCurrentIndex(0);
    form.CombLang->setCurrentIndex(1);
    form.CombLangChange();
    EXPECT_EQ(form.comboCaptureRange->currentIndex(), 1);
    EXPECT_EQ(form.comboCaptureRange->currentText(), UiText(94, 1));
    EXPECT_EQ(form.comboCaptureRange->itemText(0), UiText(93, 1));
    form.CBAutoSearchSD->setChecked(true);  // other edits stay
    form.CombLang->setCurrentIndex(0);
    form.CombLangChange();
    EXPECT_TRUE(form.CBAutoSearchSD->isChecked());
    EXPECT_EQ(form.comboCaptureRange->currentIndex(), 1);
    form.BtnOKClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(form.CaptureChart());
    EXPECT_TRUE(form.AutoSDSearch());
    Registry registry;
    registry.Load();
    EXPECT_EQ(registry.ReadInteger(kSetting, QStringLiteral("CaptureChart")), 1u);
}

TEST_F(SettingTest, ASettingsFileThatCannotBeWrittenIsReported) {
    QTemporaryDir dir;
    const QString longPath = dir.filePath(QString(250, u'r'));
    ASSERT_TRUE(QFile::copy(Registry::DefaultFilePath(), longPath));
    TFormSetting form(nullptr, longPath);
    form.show();
    form.CBAutoSearchSD->setChecked(true);
    form.BtnOKClick();
    const auto boxes = MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(UiText(123))) << boxes[0].text.toStdString();
    // The values apply for this run; the file keeps what it held.
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(form.AutoSDSearch());
    Registry registry(longPath);
    registry.Load();
    EXPECT_EQ(registry.ReadInteger(kSetting, QStringLiteral("AutoSDSearch")), 0u);
}

TEST_F(SettingTest, TheRecorderGroupWritesTheTickedSettingsToTheChosenCard) {
    QTemporaryDir disk;
    QTemporaryDir card;
    TFormSetting form;
    form.VolumeSource = [&] {
        return std::vector<platform::Volume>{{disk.path(), QStringLiteral("disk"), false},
                                             {card.path(), QStringLiteral("SDCARD"), true}};
    };
    form.show();
    form.BtnFalvorSettingClick();
    EXPECT_EQ(form.width(), 760);
    ASSERT_EQ(form.CBDriveSel->count(), 2);
    EXPECT_EQ(form.CBDriveSel->currentIndex(), 1);
    EXPECT_EQ(form.CBDriveSel->currentText(), QStringLiteral("SDCARD (%1)").arg(card.path()));
    EXPECT_EQ(form.DatePicker->date(), QDate::currentDate());

    // A model changes the quality texts, not the choice.
    form.CBSelModel->setCurrentIndex(1);
    form.CBSelModelChange();
    EXPECT_EQ(form.CBVQuality->itemText(0), UiText(108));
    EXPECT_EQ(form.CBVQuality->currentIndex(), 2);
    EXPECT_EQ(form.CBDVRBatt->itemText(2), QStringLiteral("2hr"));
    EXPECT_EQ(form.CBAutoLock->itemText(10), QStringLiteral("0 (Off)"));

    form.btnSaveToDiskClick();
    ASSERT_EQ(MessageBox::Recorded().size(), 1u);
    EXPECT_EQ(MessageBox::Recorded()[0].text, UiText(122));
    EXPECT_EQ(MessageBox::Recorded()[0].caption, UiText(63));

    for (QCheckBox* box : {form.checkBoxDate, form.checkBoxTime, form.checkBoxDVR_Batt,
                           form.checkBoxAutoLock, form.checkBoxVQuality}) {
        box->setChecked(true);
    }
    form.DatePicker->setDate(QDate(2024, 3, 5));
    form.TimePicker->setTime(QTime(14, 7, 9));
    form.CBDVRBatt->setCurrentIndex(2);
    // Refilling the drive list keeps the chosen card.
    form.CBDriveSelDropDown();
    EXPECT_EQ(form.CBDriveSel->currentIndex(), 1);
    form.btnSaveToDiskClick();
    ASSERT_EQ(MessageBox::Recorded().size(), 2u);
    EXPECT_EQ(MessageBox::Recorded()[1].text, UiText(121));
    EXPECT_EQ(ReadFile(card.filePath(QStringLiteral("SETUP.CFG"))),
              "Date=2024/03/05\r\nTime=14:07:09\r\nDVR_ByBatt=2\r\nDVR_AutoLock=5\r\n"
              "DVR_Quality=2\r\n");
    EXPECT_FALSE(QFile::exists(disk.filePath(QStringLiteral("SETUP.CFG"))));

    // The card is gone by the next look at the list: nothing is chosen.
    form.VolumeSource = [&] {
        return std::vector<platform::Volume>{{disk.path(), QStringLiteral("disk"), false}};
    };
    form.CBDriveSelDropDown();
    EXPECT_EQ(form.CBDriveSel->currentIndex(), -1);
    form.btnSaveToDiskClick();
    ASSERT_EQ(MessageBox::Recorded().size(), 3u);
    EXPECT_EQ(MessageBox::Recorded()[2].text, UiText(120));

    // A disk that takes no such file.
    ASSERT_TRUE(QDir(disk.path()).mkdir(QStringLiteral("SETUP.CFG")));
    form.CBDriveSel->setCurrentIndex(0);
    form.btnSaveToDiskClick();
    EXPECT_EQ(MessageBox::Recorded().back().text, UiText(123));
}
