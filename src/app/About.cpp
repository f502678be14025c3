#include "About.h"

#include "app/LicenceFile.h"
#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QUrl>
#include <QUrlQuery>

extern "C" {
#include <libavcodec/avcodec.h>
}

TAboutFrm* AboutFrm = nullptr;

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 440;

const QString kSupportMail = QStringLiteral("support@quendrix.com");
const QString kWebSite = QStringLiteral("https://www.quendrix.com/");

QLabel* NewLabel(QWidget* parent, QRect geometry, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

QPushButton* NewButton(QWidget* parent, QRect geometry) {
    auto* button = new QPushButton(parent);
    button->setGeometry(geometry);
    return button;
}

}  // namespace

TAboutFrm::TAboutFrm(QWidget* owner) : QDialog(owner) {
    setFixedSize(kWidth, kHeight);
    VersionPanel = new QFrame(this);
    VersionPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    VersionPanel->setGeometry(0, 0, kWidth, kHeight);
    QWidget* panel = VersionPanel;

    VersionLabel = NewLabel(panel, QRect(12, 14, 120, 20), Qt::AlignRight);
    VersionValTxt = NewLabel(panel, QRect(142, 14, 366, 20));
    OSLabel = NewLabel(panel, QRect(12, 38, 120, 20), Qt::AlignRight);
    OSInfoValTxt = NewLabel(panel, QRect(142, 38, 366, 20));
    KLiteLabel = NewLabel(panel, QRect(12, 62, 120, 20), Qt::AlignRight);
    KLiteLabel->setText(
        QStringLiteral("libavcodec"));  // a library's name, the same in every language
    KLiteValTxt = NewLabel(panel, QRect(142, 62, 366, 20));

    textCopyright = new QPlainTextEdit(panel);
    textCopyright->setReadOnly(true);
    textCopyright->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    textCopyright->setGeometry(12, 92, kWidth - 24, 262);

    Label1 = NewLabel(panel, QRect(12, 360, kWidth - 24, 20));
    // Names and an address only: the same in every language.
    Label1->setText(QStringLiteral("\u00A9 Quendrix \u00B7 www.quendrix.com"));
    Label1->setStyleSheet(QStringLiteral("color: #0000FF;"));
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);

    btnMoreInfo = NewButton(panel, QRect(12, 396, 150, 30));
    btnMailToQuendrix = NewButton(panel, QRect(170, 396, 150, 30));
    BtnClose_About = NewButton(panel, QRect(kWidth - 112, 396, 100, 30));
    BtnClose_About->setDefault(true);

    connect(BtnClose_About, &QPushButton::clicked, this, &TAboutFrm::BtnClose_AboutClick);
    connect(btnMailToQuendrix, &QPushButton::clicked, this, &TAboutFrm::btnMailToQuendrixClick);
    connect(btnMoreInfo, &QPushButton::clicked, this, &TAboutFrm::btnMoreInfoClick);
}

void TAboutFrm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

bool TAboutFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) {
        btnMoreInfoClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutFrm::FormShow() {
    const auto text = [this](int key) { return UiText(key, languageIndex_); };
    setWindowTitle(text(124));
    VersionLabel->setText(text(125));
    VersionValTxt->setText(GetAppVersionText());
    OSLabel->setText(text(126));
    OSInfoValTxt->setText(GetOsNameText());
    KLiteValTxt->setText(GetDecoderVersionText());
    BtnClose_About->setText(text(58));
    btnMoreInfo->setText(text(128));
    btnMoreInfo->setToolTip(text(129));
    btnMailToQuendrix->setText(text(130));
    btnMailToQuendrix->setToolTip(text(131));
    ShowLicence(QCoreApplication::applicationDirPath());
}

void TAboutFrm::ShowLicence(const QString& folder) {
    textCopyright->clear();
    const app::LicenceText licence =
        app::ReadLicenceFile(app::LicenceFilePath(folder, languageIndex_));
    switch (licence.status) {
        case app::LicenceText::Status::Missing:
            textCopyright->setPlainText(UiText(132, languageIndex_));
            break;
        case app::LicenceText::Status::NotUnicode:
            platform::MessageBox::Show(this, QStringLiteral("EULA must Unicode Text file."),
                                       QStringLiteral("Error"), platform::MB_OK);
            break;
        case app::LicenceText::Status::Read:
            textCopyright->setPlainText(licence.lines.join(u'\n'));
            break;
    }
    textCopyright->moveCursor(QTextCursor::Start);
}

void TAboutFrm::BtnClose_AboutClick() {
    accept();
}

void TAboutFrm::btnMailToQuendrixClick() {
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    mail.setPath(kSupportMail);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Falvor Viewer Tech. Support"));
    mail.setQuery(query);
    QDesktopServices::openUrl(mail);
}

void TAboutFrm::btnMoreInfoClick() {
    QDesktopServices::openUrl(QUrl(kWebSite));
}

QString TAboutFrm::GetAppVersionText() {
    return QStringLiteral("Ver: ") + QStringLiteral(OMBREL_VERSION_TEXT);
}

QString TAboutFrm::GetOsNameText() {
    const QString name = QSysInfo::prettyProductName();
    return name.isEmpty() ? QStringLiteral("Unknow") : name;
}

QString TAboutFrm::GetDecoderVersionText() {
    const unsigned version = avcodec_version();
    return QStringLiteral("%1.%2.%3")
        .arg(AV_VERSION_MAJOR(version))
        .arg(AV_VERSION_MINOR(version))
        .arg(AV_VERSION_MICRO(version));
}
