// The program's own windows: the main window empty in each language and with a
// demo drive played into its second recording, the settings window in each
// language and with the recorder group open, and the About box in each language.
#include "Gallery.h"
#include "app/About.h"
#include "app/Main.h"
#include "app/Setting.h"
#include "foundation/UiStringTable.h"
#include "support/DemoDriveLog.h"
#include "views/FileSelectFrame.h"
#include "views/PlayControlFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kPlayDeadlineMs = 60000;

void SettingPages(gallery::Book& book) {
    TFormSetting form;
    form.setAttribute(Qt::WA_DontShowOnScreen);
    for (int language = 0; language < kLanguageCount; ++language) {
        LanguageIndex = language;
        form.show();
        book.Save(form, QStringLiteral("settings-") + gallery::LanguageSuffix(language));
        form.hide();
    }
    LanguageIndex = 0;
    form.VolumeSource = [] {
        return std::vector<platform::Volume>{
            {QStringLiteral("/"), QStringLiteral("/"), false},
            {QStringLiteral("/media/me/SDCARD"), QStringLiteral("SDCARD"), true}};
    };
    form.show();
    form.BtnFalvorSettingClick();
    form.checkBoxTime->setChecked(true);
    form.checkBoxVQuality->setChecked(true);
    form.CBSelModel->setCurrentIndex(1);
    form.CBSelModelChange();
    book.Save(form, QStringLiteral("settings-recorder-en"));
}

void AboutPages(gallery::Book& book) {
    TAboutFrm about;
    about.setAttribute(Qt::WA_DontShowOnScreen);
    for (int language = 0; language < kLanguageCount; ++language) {
        about.SetLanguageIndex(language);
        about.show();
        book.Save(about, QStringLiteral("about-") + gallery::LanguageSuffix(language));
        about.hide();
    }
}

// A short demo drive dropped on the window, played until the second recording
// runs, then paused.
void DrivePage(gallery::Book& book, TFormMain& form) {
    QTemporaryDir folder;
    DemoDriveOptions options;
    options.folder = folder.path();
    options.count = 2;
    options.seconds = 4;
    options.width = 640;
    options.height = 360;
    options.kbps = 1500;
    QStringList paths;
    QString error;
    if (!folder.isValid() || !WriteDemoDrive(options, &paths, &error)) {
        std::fprintf(stderr, "main window drive: %s\n", qPrintable(error));
        return;
    }
    form.WMDropFiles(paths);
    // The drive's row: a click selects the whole drive as the play list.
    QTest::mouseClick(form.FileSelectFrame, Qt::LeftButton, {}, QPoint(100, 85));
    form.PlayControlPanel->PlayButtonClick(nullptr);
    const bool reached = QTest::qWaitFor(
        [&] {
            return form.PlayList().CurrentIndex() == 1 &&
                   form.PlayControlPanel->GetPosition() > options.seconds + 1.5;
        },
        kPlayDeadlineMs);
    if (!reached) {
        std::fprintf(stderr, "main window drive: the second recording did not play in time\n");
    }
    form.PlayControlPanel->PauseButtonClick(nullptr);
    QTest::qWait(400);  // the chart's render thread draws the cursor's place
    book.Save(form, QStringLiteral("main-drive-en"));
}

}  // namespace

void AddAppPages(gallery::Book& book) {
    gallery::PrivateSettings settings;
    SettingPages(book);
    AboutPages(book);

    TFormMain form;
    form.setAttribute(Qt::WA_DontShowOnScreen);
    form.askSaveName = [](const app::SaveRequest&) { return std::nullopt; };
    form.show();
    for (int language = 0; language < kLanguageCount; ++language) {
        LanguageIndex = language;
        form.Set_Lang();
        book.Save(form, QStringLiteral("main-empty-") + gallery::LanguageSuffix(language));
    }
    LanguageIndex = 0;
    form.Set_Lang();
    DrivePage(book, form);
}
