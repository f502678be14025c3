#include "Gallery.h"

#include "foundation/PreferenceTable.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace gallery {

Backdrop::Backdrop(QSize size, QRgb top, QRgb bottom) : top_(top), bottom_(bottom) {
    setAttribute(Qt::WA_DontShowOnScreen);
    resize(size);
}

void Backdrop::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, QColor::fromRgba(top_));
    fill.setColorAt(1, QColor::fromRgba(bottom_));
    painter.fillRect(rect(), fill);
}

Book::Book(const QString& outDir) : outDir_(outDir) {}

void Book::Save(QWidget& widget, const QString& name) {
    Save(widget.grab().toImage(), name);
}

void Book::Save(const QImage& picture, const QString& name) {
    const QString path = outDir_ + QLatin1Char('/') + name + QStringLiteral(".png");
    if (picture.save(path, "PNG")) {
        ++written_;
    } else {
        ++failures_;
    }
}

PrivateSettings::PrivateSettings() : old_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", folder_.path().toLocal8Bit());
    foundation::WriteDefaultsOnFirstStart();
}

PrivateSettings::~PrivateSettings() {
    qputenv("XDG_CONFIG_HOME", old_);
}

QString LanguageSuffix(int language) {
    static const QString suffixes[] = {QStringLiteral("en"), QStringLiteral("tc"),
                                       QStringLiteral("sc")};
    return suffixes[language];
}

namespace {

void SendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

}  // namespace

void Hover(QWidget& widget, QPoint at) {
    const QPointF local(at);
    QEnterEvent enter(local, local, QPointF(widget.mapToGlobal(at)));
    QApplication::sendEvent(&widget, &enter);
    SendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
}

void Press(QWidget& widget, QPoint at) {
    SendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}

void DragTo(QWidget& widget, QPoint at) {
    SendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
}

void Release(QWidget& widget, QPoint at) {
    SendMouse(widget, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

void Leave(QWidget& widget) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

}  // namespace gallery
