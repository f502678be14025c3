#pragma once

#include "app/StoredPreferences.h"
#include "platform/MountedVolumes.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace app {
struct RecorderSetup;
}

// The preferences dialog: default save and open folders, the memory-card search,
// the screen-capture range and the language, kept in the settings file. Beyond
// the 440 pixels it opens with lies the group that writes the recorder's setup
// file to a memory card. Created once at start-up, shown modally by the main
// window (QDialog::Accepted stands for OK). GUI thread only.
class TFormSetting : public QDialog {
    Q_OBJECT

  public:
    // Reads the preferences and publishes the stored language as LanguageIndex. A
    // settings file without the settings key gives the "Initial Error" box and a
    // termination request (platform/Termination); construction still completes.
    explicit TFormSetting(QWidget* owner = nullptr,
                          QString registryPath = platform::Registry::DefaultFilePath());

    // The stored preferences, read by the other windows. An edit left with Cancel
    // never shows here.
    const QString& DefaultSavePath() const { return preferences_.Values().defaultSavePath; }
    const QString& DefaultOpenPath() const { return preferences_.Values().defaultOpenPath; }
    bool AutoSDSearch() const { return preferences_.Values().autoSDSearch; }
    bool CaptureChart() const { return preferences_.Values().captureChart; }

    // Loads the controls from the stored preferences (every show).
    void FormShow();
    void BtnOKClick();
    void BtnCancelClick();
    void BtnDefaultSaveDirClick();
    void BtnDefaultOpenDirClick();
    // Previews the chosen language in this window only.
    void CombLangChange();
    void btnAboutClick();
    // Every caption, hint and list text in the window's own language.
    void ApplyLanguage();

    // The recorder settings group.
    void BtnFalvorSettingClick();
    void CBDriveSelDropDown();
    void CBSelModelChange();
    void btnSaveToDiskClick();

    // The volumes offered as memory cards; tests hand in their own folders.
    std::function<std::vector<platform::Volume>()> VolumeSource = platform::MountedVolumes;

    QPushButton* BtnOK;
    QPushButton* BtnCancel;
    QLineEdit* LEDefaultSaveDir;
    QPushButton* BtnDefaultOpenDir;
    QLineEdit* LEDefaultOpenDir;
    QPushButton* BtnDefaultSaveDir;
    QComboBox* CombLang;
    QLabel* labLang;
    QPushButton* btnAbout;  // hidden: nothing offers the About box here
    QGroupBox* GBCRVSetting;
    QFrame* Bevel1;
    QTimeEdit* TimePicker;
    QLabel* labCVRDesc;
    QCheckBox* checkBoxTime;
    QCheckBox* checkBoxDVR_Batt;
    QLabel* labDevice;
    QPushButton* btnSaveToDisk;
    QCheckBox* checkBoxDate;
    QComboBox* CBDVRBatt;
    QComboBox* CBDriveSel;
    QDateEdit* DatePicker;
    QLabel* labModel;
    QComboBox* CBSelModel;
    QComboBox* CBVQuality;
    QCheckBox* checkBoxVQuality;
    QCheckBox* checkBoxAutoLock;
    QComboBox* CBAutoLock;
    QLabel* labImageRange;
    QCheckBox* CBAutoSearchSD;
    QPushButton* BtnFalvorSetting;  // hidden: nothing widens the window to the group
    QComboBox* comboCaptureRange;

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void CreatePreferenceControls();
    void CreateRecorderControls();
    void ApplyRecorderLanguage();
    void ChooseFolder(QLineEdit* edit);
    app::RecorderSetup ReadRecorderSetup() const;

    QLabel* labDefaultSaveDir_;  // the labels of the two folder edits
    QLabel* labDefaultOpenDir_;
    int languageIndex_ = 0;  // the window's own language, previewed before OK
    app::StoredPreferences preferences_;
};

// The one settings window, set by the entry when it creates the forms.
extern TFormSetting* FormSetting;
