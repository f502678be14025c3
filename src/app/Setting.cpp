#include "Setting.h"

#include "app/About.h"
#include "app/RecorderSetupFile.h"
#include "foundation/PreferenceTable.h"
#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QTimeEdit>

TFormSetting* FormSetting = nullptr;

namespace {

constexpr int kPreferencesWidth = 440;
constexpr int kRecorderWidth = 760;
constexpr int kHeight = 310;
// The background runs from light grey at the top to near black at the bottom.
constexpr QRgb kTopColour = 0xFFB4B4B4;
constexpr QRgb kBottomColour = 0xFF212121;

// A drop-down list that tells when its list is about to open, so the drive list
// is current whenever the user looks at it.
class DropDownComboBox : public QComboBox {
  public:
    using QComboBox::QComboBox;
    std::function<void()> OnDropDown;

    void showPopup() override {
        if (OnDropDown) {
            OnDropDown();
        }
        QComboBox::showPopup();
    }
};

QComboBox* NewList(QWidget* parent, int items, QRect geometry) {
    auto* list = new QComboBox(parent);
    for (int i = 0; i < items; ++i) {
        list->addItem(QString());
    }
    list->setGeometry(geometry);
    return list;
}

// Item texts change in place, so a list keeps its selection across languages.
void SetItemTexts(QComboBox* list, const QStringList& texts) {
    for (int i = 0; i < texts.size() && i < list->count(); ++i) {
        list->setItemText(i, texts[i]);
    }
}

// Texts drawn on the background take black or white, whichever stands out more
// from the background at their row (a group's title is at its top).
void SetTextContrast(QWidget* window) {
    for (QWidget* child : window->findChildren<QWidget*>()) {
        const bool group = qobject_cast<QGroupBox*>(child) != nullptr;
        if (!group && !qobject_cast<QLabel*>(child) && !qobject_cast<QCheckBox*>(child)) {
            continue;
        }
        const int y = child->mapTo(window, QPoint(0, group ? 8 : child->height() / 2)).y();
        const int grey =
            qGray(kTopColour) + (qGray(kBottomColour) - qGray(kTopColour)) * y / kHeight;
        QPalette palette = child->palette();
        palette.setColor(QPalette::WindowText, grey > 118 ? Qt::black : Qt::white);
        child->setPalette(palette);
    }
}

QString VolumeText(const platform::Volume& volume) {
    return volume.displayName == volume.rootPath
               ? volume.rootPath
               : QStringLiteral("%1 (%2)").arg(volume.displayName, volume.rootPath);
}

}  // namespace

TFormSetting::TFormSetting(QWidget* owner, QString registryPath)
    : QDialog(owner), preferences_(std::move(registryPath)) {
    setFixedSize(kPreferencesWidth, kHeight);
    CreatePreferenceControls();
    CreateRecorderControls();
    SetTextContrast(this);

    if (!preferences_.Load()) {
        foundation::ShowInitialError();
    }
    languageIndex_ = preferences_.Values().language;
    LanguageIndex = languageIndex_;
    for (int language = 0; language < kLanguageCount; ++language) {
        CombLang->addItem(LanguageName(language));
    }
    CombLang->setCurrentIndex(languageIndex_);
    ApplyLanguage();
}

void TFormSetting::CreatePreferenceControls() {
    labDefaultSaveDir_ = new QLabel(this);
    labDefaultSaveDir_->setGeometry(16, 10, 370, 20);
    LEDefaultSaveDir = new QLineEdit(this);
    LEDefaultSaveDir->setGeometry(16, 30, 370, 24);
    BtnDefaultSaveDir = new QPushButton(QStringLiteral("..."), this);
    BtnDefaultSaveDir->setGeometry(392, 30, 32, 24);

    labDefaultOpenDir_ = new QLabel(this);
    labDefaultOpenDir_->setGeometry(16, 62, 370, 20);
    LEDefaultOpenDir = new QLineEdit(this);
    LEDefaultOpenDir->setGeometry(16, 82, 370, 24);
    BtnDefaultOpenDir = new QPushButton(QStringLiteral("..."), this);
    BtnDefaultOpenDir->setGeometry(392, 82, 32, 24);

    CBAutoSearchSD = new QCheckBox(this);
    CBAutoSearchSD->setGeometry(16, 120, 408, 22);
    labImageRange = new QLabel(this);
    labImageRange->setGeometry(16, 156, 180, 24);
    comboCaptureRange = NewList(this, 2, QRect(200, 156, 224, 24));
    labLang = new QLabel(this);
    labLang->setGeometry(16, 192, 180, 24);
    CombLang = new QComboBox(this);
    CombLang->setGeometry(200, 192, 224, 24);

    btnAbout = new QPushButton(this);
    btnAbout->setGeometry(16, 266, 90, 28);
    btnAbout->hide();
    BtnFalvorSetting = new QPushButton(this);
    BtnFalvorSetting->setGeometry(112, 266, 120, 28);
    BtnFalvorSetting->hide();
    BtnOK = new QPushButton(this);
    BtnOK->setGeometry(244, 266, 86, 28);
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(this);
    BtnCancel->setGeometry(338, 266, 86, 28);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::VLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(kPreferencesWidth, 8, 4, kHeight - 16);

    connect(BtnOK, &QPushButton::clicked, this, &TFormSetting::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormSetting::BtnCancelClick);
    connect(BtnDefaultSaveDir, &QPushButton::clicked, this, &TFormSetting::BtnDefaultSaveDirClick);
    connect(BtnDefaultOpenDir, &QPushButton::clicked, this, &TFormSetting::BtnDefaultOpenDirClick);
    connect(CombLang, &QComboBox::activated, this, &TFormSetting::CombLangChange);
    connect(btnAbout, &QPushButton::clicked, this, &TFormSetting::btnAboutClick);
    connect(BtnFalvorSetting, &QPushButton::clicked, this, &TFormSetting::BtnFalvorSettingClick);
}

void TFormSetting::CreateRecorderControls() {
    GBCRVSetting = new QGroupBox(this);
    GBCRVSetting->setGeometry(457, 6, 285, kHeight - 12);
    QWidget* group = GBCRVSetting;
    // Rows of a name (label or check box) and its value.
    const auto name = [](int row) { return QRect(10, 98 + 25 * row, 138, 22); };
    const auto value = [](int row) { return QRect(150, 98 + 25 * row, 125, 22); };

    labCVRDesc = new QLabel(group);
    labCVRDesc->setWordWrap(true);
    labCVRDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    labCVRDesc->setGeometry(10, 18, 265, 76);

    labModel = new QLabel(group);
    labModel->setGeometry(name(0));
    CBSelModel = new QComboBox(group);
    CBSelModel->addItems({QStringLiteral("Falvor SD"), QStringLiteral("K730 / Falvor HD")});
    CBSelModel->setCurrentIndex(-1);
    CBSelModel->setGeometry(value(0));

    checkBoxDate = new QCheckBox(group);
    checkBoxDate->setGeometry(name(1));
    DatePicker = new QDateEdit(group);
    DatePicker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    DatePicker->setCalendarPopup(true);
    DatePicker->setGeometry(value(1));

    checkBoxTime = new QCheckBox(group);
    checkBoxTime->setGeometry(name(2));
    TimePicker = new QTimeEdit(group);
    TimePicker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    TimePicker->setGeometry(value(2));

    checkBoxDVR_Batt = new QCheckBox(group);
    checkBoxDVR_Batt->setGeometry(name(3));
    CBDVRBatt = NewList(group, 5, value(3));
    CBDVRBatt->setCurrentIndex(0);

    checkBoxAutoLock = new QCheckBox(group);
    checkBoxAutoLock->setGeometry(name(4));
    CBAutoLock = NewList(group, 11, value(4));
    CBAutoLock->setCurrentIndex(5);

    checkBoxVQuality = new QCheckBox(group);
    checkBoxVQuality->setGeometry(name(5));
    CBVQuality = NewList(group, 3, value(5));
    CBVQuality->setCurrentIndex(2);

    labDevice = new QLabel(group);
    labDevice->setGeometry(name(6));
    auto* drives = new DropDownComboBox(group);
    drives->OnDropDown = [this] { CBDriveSelDropDown(); };
    drives->setGeometry(value(6));
    CBDriveSel = drives;

    btnSaveToDisk = new QPushButton(group);
    btnSaveToDisk->setGeometry(value(7).adjusted(0, 0, 0, 1));

    connect(CBSelModel, &QComboBox::activated, this, &TFormSetting::CBSelModelChange);
    connect(btnSaveToDisk, &QPushButton::clicked, this, &TFormSetting::btnSaveToDiskClick);
}

void TFormSetting::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFormSetting::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    QLinearGradient gradient(255, 0, 255, height());
    gradient.setColorAt(0, QColor::fromRgba(kTopColour));
    gradient.setColorAt(1, QColor::fromRgba(kBottomColour));
    painter.fillRect(rect(), gradient);
}

void TFormSetting::FormShow() {
    const app::PreferenceValues& stored = preferences_.Values();
    LEDefaultSaveDir->setText(stored.defaultSavePath);
    LEDefaultOpenDir->setText(stored.defaultOpenPath);
    CombLang->setCurrentIndex(LanguageIndex);
    languageIndex_ = LanguageIndex;
    ApplyLanguage();
    CBAutoSearchSD->setChecked(stored.autoSDSearch);
    comboCaptureRange->setCurrentIndex(stored.captureChart ? 1 : 0);
    setFixedWidth(kPreferencesWidth);
}

void TFormSetting::BtnOKClick() {
    app::PreferenceValues edited;
    edited.defaultSavePath = LEDefaultSaveDir->text();
    edited.defaultOpenPath = LEDefaultOpenDir->text();
    edited.autoSDSearch = CBAutoSearchSD->isChecked();
    edited.captureChart = comboCaptureRange->currentIndex() != 0;
    edited.language = CombLang->currentIndex();
    QString missingFolder;
    switch (preferences_.Store(edited, &missingFolder)) {
        case app::StoredPreferences::StoreResult::FolderMissing:
            platform::MessageBox::Show(this, UiText(96) + missingFolder, UiText(63),
                                       platform::MB_ICONEXCLAMATION);
            return;
        case app::StoredPreferences::StoreResult::KeyMissing:
            foundation::ShowInitialError();
            break;
        case app::StoredPreferences::StoreResult::WriteFailed:
            // The values apply for this run all the same.
            platform::MessageBox::Show(
                this, UiText(123) + QStringLiteral("\n") + preferences_.RegistryPath(), UiText(63),
                platform::MB_ICONEXCLAMATION);
            break;
        case app::StoredPreferences::StoreResult::Stored:
            break;
    }
    LanguageIndex = preferences_.Values().language;
    accept();
}

void TFormSetting::BtnCancelClick() {
    reject();
}

void TFormSetting::ChooseFolder(QLineEdit* edit) {
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), edit->text());
    if (!folder.isEmpty()) {
        edit->setText(folder);
    }
}

void TFormSetting::BtnDefaultSaveDirClick() {
    ChooseFolder(LEDefaultSaveDir);
}

void TFormSetting::BtnDefaultOpenDirClick() {
    ChooseFolder(LEDefaultOpenDir);
}

void TFormSetting::CombLangChange() {
    if (CombLang->currentIndex() >= 0) {
        languageIndex_ = CombLang->currentIndex();
    } else {
        CombLang->setCurrentIndex(LanguageIndex);
    }
    ApplyLanguage();
    update();
}

void TFormSetting::btnAboutClick() {
    if (AboutFrm != nullptr) {
        AboutFrm->SetLanguageIndex(languageIndex_);
        AboutFrm->exec();
    }
}

void TFormSetting::ApplyLanguage() {
    const auto text = [this](int key) { return UiText(key, languageIndex_); };
    setWindowTitle(text(87));
    labDefaultSaveDir_->setText(text(88));
    labDefaultOpenDir_->setText(text(89));
    BtnDefaultSaveDir->setToolTip(text(90));
    BtnDefaultOpenDir->setToolTip(text(90));
    CBAutoSearchSD->setText(text(91));
    labLang->setText(text(95));
    BtnOK->setText(text(58));
    BtnCancel->setText(text(59));
    btnAbout->setText(text(98));
    labImageRange->setText(text(92));
    BtnFalvorSetting->setText(text(133));
    SetItemTexts(comboCaptureRange, {text(93), text(94)});
    // A language preview also takes back an unconfirmed capture range.
    comboCaptureRange->setCurrentIndex(CaptureChart() ? 1 : 0);
    ApplyRecorderLanguage();
}

void TFormSetting::ApplyRecorderLanguage() {
    const auto text = [this](int key) { return UiText(key, languageIndex_); };
    GBCRVSetting->setTitle(text(117));
    labCVRDesc->setText(text(118));
    labModel->setText(text(119));
    checkBoxDate->setText(text(99));
    checkBoxTime->setText(text(100));
    checkBoxDVR_Batt->setText(text(101));
    QStringList hours = {text(115)};
    for (int hour = 1; hour <= 4; ++hour) {
        hours << QString::number(hour) + text(116);
    }
    SetItemTexts(CBDVRBatt, hours);
    checkBoxAutoLock->setText(text(103));
    QStringList levels = {QStringLiteral("10(Max.)")};
    for (int level = 9; level >= 1; --level) {
        levels << QString::number(level);
    }
    levels << QStringLiteral("0 (") + text(115) + u')';
    SetItemTexts(CBAutoLock, levels);
    checkBoxVQuality->setText(text(104));
    switch (CBSelModel->currentIndex()) {
        case 0:
            SetItemTexts(CBVQuality, {text(105), text(106), text(107)});
            break;
        case 1:
            SetItemTexts(CBVQuality, {text(108), text(109), text(110)});
            break;
        default:
            SetItemTexts(CBVQuality, {QStringLiteral("Normal"), QStringLiteral("Standard"),
                                      QStringLiteral("Best")});
            break;
    }
    labDevice->setText(text(112));
    btnSaveToDisk->setText(text(113));
}

void TFormSetting::BtnFalvorSettingClick() {
    setFixedWidth(kRecorderWidth);
    DatePicker->setDate(QDate::currentDate());
    TimePicker->setTime(QTime::currentTime());
    CBDriveSelDropDown();
    CBDriveSel->setCurrentIndex(CBDriveSel->count() - 1);
    update();
}

void TFormSetting::CBDriveSelDropDown() {
    const QString chosen =
        CBDriveSel->currentIndex() >= 0 ? CBDriveSel->currentData().toString() : QString();
    CBDriveSel->clear();
    for (const platform::Volume& volume :
         VolumeSource ? VolumeSource() : std::vector<platform::Volume>{}) {
        CBDriveSel->addItem(VolumeText(volume), volume.rootPath);
    }
    // Clearing and adding would select another volume, or the first.
    CBDriveSel->setCurrentIndex(chosen.isEmpty() ? -1 : CBDriveSel->findData(chosen));
}

void TFormSetting::CBSelModelChange() {
    ApplyLanguage();
}

app::RecorderSetup TFormSetting::ReadRecorderSetup() const {
    app::RecorderSetup setup;
    if (checkBoxDate->isChecked()) {
        setup.date = DatePicker->date();
    }
    if (checkBoxTime->isChecked()) {
        setup.time = TimePicker->time();
    }
    if (checkBoxDVR_Batt->isChecked()) {
        setup.battery = CBDVRBatt->currentIndex();
    }
    if (checkBoxAutoLock->isChecked()) {
        setup.autoLock = CBAutoLock->currentIndex();
    }
    if (checkBoxVQuality->isChecked()) {
        setup.quality = CBVQuality->currentIndex();
    }
    return setup;
}

void TFormSetting::btnSaveToDiskClick() {
    const QString volumeRoot =
        CBDriveSel->currentIndex() >= 0 ? CBDriveSel->currentData().toString() : QString();
    const auto result = app::RecorderSetupFile::Write(volumeRoot, ReadRecorderSetup());
    platform::MessageBox::Show(this,
                               UiText(app::RecorderSetupFile::MessageKey(result), languageIndex_),
                               UiText(63, languageIndex_), platform::MB_ICONEXCLAMATION);
}
