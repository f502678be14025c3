#include "ControlHost.h"

#include <QCoreApplication>
#include <QCursor>
#include <QTest>

#include <cstdlib>

// Each host starts with the pointer away from it, wherever an earlier test left
// the pointer.
ControlHost::ControlHost(QSize size) {
    QCursor::setPos(0, 0);
    QCoreApplication::processEvents();
    setGeometry(QRect(QPoint(50, 50), size));
    show();
    if (!QTest::qWaitForWindowExposed(this)) {
        qWarning("the test window was not exposed");
    }
}

void ControlHost::Move(QWidget* control, QPoint at) {
    QTest::mouseMove(control, at);
}

void ControlHost::Press(QWidget* control, QPoint at) {
    QTest::mousePress(control, Qt::LeftButton, Qt::NoModifier, at);
}

void ControlHost::Release(QWidget* control, QPoint at) {
    QTest::mouseRelease(control, Qt::LeftButton, Qt::NoModifier, at);
}

void ControlHost::Click(QWidget* control, QPoint at) {
    Press(control, at);
    Release(control, at);
}

QColor ControlHost::PixelAt(QWidget* control, QPoint at) {
    return control->grab().toImage().pixelColor(at);
}

bool NearColour(const QColor& actual, unsigned expectedArgb, int tolerance) {
    const QColor expected = QColor::fromRgba(expectedArgb);
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance &&
           std::abs(actual.alpha() - expected.alpha()) <= tolerance;
}
