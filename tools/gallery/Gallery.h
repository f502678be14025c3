#pragma once

#include <QImage>
#include <QPoint>
#include <QRgb>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

// The gallery's shared helpers: a ground to stand widgets on, the input a user
// gives, and the book of pictures written to the output folder.
namespace gallery {

// A window filled with a vertical gradient: the ground a widget is seen on.
class Backdrop : public QWidget {
  public:
    Backdrop(QSize size, QRgb top, QRgb bottom);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QRgb top_;
    QRgb bottom_;
};

// The pictures written so far; a failed write is counted, not fatal.
class Book {
  public:
    explicit Book(const QString& outDir);

    // Writes `widget` with its children as <name>.png.
    void Save(QWidget& widget, const QString& name);
    void Save(const QImage& picture, const QString& name);
    int Written() const { return written_; }
    int Failures() const { return failures_; }

  private:
    QString outDir_;
    int written_ = 0;
    int failures_ = 0;
};

// The gallery keeps to a settings file of its own, never the user's: a new
// install's, while this lives.
class PrivateSettings {
  public:
    PrivateSettings();
    ~PrivateSettings();
    PrivateSettings(const PrivateSettings&) = delete;
    PrivateSettings& operator=(const PrivateSettings&) = delete;

  private:
    QByteArray old_;
    QTemporaryDir folder_;
};

// File-name suffixes of the three languages, by LanguageIndex.
QString LanguageSuffix(int language);

// Input as a user gives it, delivered straight to `widget`.
void Hover(QWidget& widget, QPoint at);
void Press(QWidget& widget, QPoint at);
void DragTo(QWidget& widget, QPoint at);
void Release(QWidget& widget, QPoint at);
void Leave(QWidget& widget);

}  // namespace gallery

// One function per area, each in its own file, called by the gallery's main.
void AddControlsPages(gallery::Book& book);
void AddChartPages(gallery::Book& book);
void AddFileListPages(gallery::Book& book);
void AddInfoMapPages(gallery::Book& book);
void AddAppPages(gallery::Book& book);
