#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The About box: the program's version, the system's name, the decoder library's
// version, the end-user licence in the box's language, and the maker's support
// mail and web page. Created once at start-up, shown modally by the settings
// window in that window's language. GUI thread only.
class TAboutFrm : public QDialog {
    Q_OBJECT

  public:
    explicit TAboutFrm(QWidget* owner = nullptr);

    // The box keeps its own language (0..2), given before it is shown; it does not
    // follow LanguageIndex.
    void SetLanguageIndex(int language) { languageIndex_ = language; }

    // Fills the box (every show): texts, version, system, licence.
    void FormShow();
    void BtnClose_AboutClick();
    void btnMailToQuendrixClick();
    void btnMoreInfoClick();
    // The licence of the box's language from the licence files in `folder` (the
    // program's folder when shown).
    void ShowLicence(const QString& folder);

    // "Ver: " and the program's version in four numbers, from the build.
    static QString GetAppVersionText();
    // The system's name as it calls itself, or "Unknow".
    static QString GetOsNameText();
    // The version of the decoder library loaded (libavcodec), e.g. "59.37.100".
    static QString GetDecoderVersionText();

    QFrame* VersionPanel;
    QLabel* VersionLabel;
    QLabel* OSLabel;
    QLabel* VersionValTxt;
    QLabel* OSInfoValTxt;
    QPushButton* BtnClose_About;
    QLabel* KLiteLabel;  // the decoder library in use
    QLabel* KLiteValTxt;
    QPushButton* btnMailToQuendrix;
    QLabel* Label1;  // the maker's notice; a click opens the web page
    QPushButton* btnMoreInfo;
    QPlainTextEdit* textCopyright;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int languageIndex_ = 0;
};

// The one About box, set by the entry when it creates the forms.
extern TAboutFrm* AboutFrm;
