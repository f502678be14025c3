// The pictures of the owner-drawn controls and of the views built on them: the
// scroll-bar thumb, the Open button's folder, the chart buttons' backgrounds and
// icons, and the turn lamps. Each is drawn in a 100 x 100 design square scaled to
// its PNG; controls scale the PNG again to their own size.
#include "ImageMaker.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <cmath>
#include <numbers>

namespace images {

namespace {

constexpr QRgb kGlyph = 0xFFEEF1F4;
constexpr QRgb kGlyphShadow = 0xB0101216;

void ToDesignSquare(QPainter& painter, const QSizeF& size) {
    painter.scale(size.width() / 100.0, size.height() / 100.0);
}

QColor Argb(QRgb argb) {
    return QColor::fromRgba(argb);
}

QPainterPath StrokeOf(const QPainterPath& path, qreal width, Qt::PenCapStyle cap) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

QPainterPath Box(const QRectF& rect) {
    QPainterPath box;
    box.addRect(rect);
    return box;
}

QPainterPath Polygon(std::initializer_list<QPointF> corners) {
    QPainterPath path;
    path.addPolygon(QPolygonF(corners));
    path.closeSubpath();
    return path;
}

QLinearGradient Vertical(qreal top, QRgb topArgb, qreal bottom, QRgb bottomArgb) {
    QLinearGradient shade(0, top, 0, bottom);
    shade.setColorAt(0, Argb(topArgb));
    shade.setColorAt(1, Argb(bottomArgb));
    return shade;
}

// A light glyph with a dark shadow below and right of it, legible on the button
// backgrounds whatever their state.
void DrawGlyph(QPainter& painter, const QPainterPath& glyph) {
    const QPainterPath solid = glyph.simplified();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(kGlyphShadow));
    painter.drawPath(solid.translated(3, 3));
    painter.setBrush(Argb(kGlyph));
    painter.drawPath(solid);
}

// ---- Button backgrounds ------------------------------------------------------

struct ButtonLook {
    QRgb top;
    QRgb bottom;
    QRgb border;
    int gloss;  // alpha of the highlight over the upper half, 0 for none
};

void DrawButtonBackground(QPainter& painter, const QSizeF& size, const ButtonLook& look) {
    ToDesignSquare(painter, size);
    const QRectF body(3, 3, 94, 94);
    painter.setPen(QPen(Argb(look.border), 5));
    painter.setBrush(Vertical(body.top(), look.top, body.bottom(), look.bottom));
    painter.drawRoundedRect(body, 18, 18);
    if (look.gloss > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(
            Vertical(8, qRgba(255, 255, 255, look.gloss), 50, qRgba(255, 255, 255, 0)));
        painter.drawRoundedRect(QRectF(9, 8, 82, 42), 12, 12);
    }
}

// ---- Chart icons -------------------------------------------------------------

void DrawSettingsGear(QPainter& painter, const QSizeF& size) {
    ToDesignSquare(painter, size);
    QPainterPath gear;
    gear.addEllipse(QPointF(48, 48), 29, 29);
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-8, -42, 16, 18), 3, 3);
        QTransform turn;
        turn.translate(48, 48);
        turn.rotate(i * 360.0 / kTeeth);
        gear = gear.united(turn.map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(QPointF(48, 48), 12, 12);
    DrawGlyph(painter, gear.subtracted(hole));
}

QPainterPath Arrowhead(QPointF tip, qreal angleDegrees, qreal length, qreal halfWidth) {
    QPainterPath head;
    head.moveTo(0, 0);
    head.lineTo(-length, -halfWidth);
    head.lineTo(-length, halfWidth);
    head.closeSubpath();
    QTransform place;
    place.translate(tip.x(), tip.y());
    place.rotate(angleDegrees);
    return place.map(head);
}

void DrawPanArrows(QPainter& painter, const QSizeF& size) {
    ToDesignSquare(painter, size);
    QPainterPath arrows = Box(QRectF(18, 43, 60, 10)).united(Box(QRectF(43, 18, 10, 60)));
    arrows = arrows.united(Arrowhead(QPointF(48, 4), -90, 20, 15));
    arrows = arrows.united(Arrowhead(QPointF(48, 92), 90, 20, 15));
    arrows = arrows.united(Arrowhead(QPointF(4, 48), 180, 20, 15));
    arrows = arrows.united(Arrowhead(QPointF(92, 48), 0, 20, 15));
    DrawGlyph(painter, arrows);
}

void DrawZoomLens(QPainter& painter, const QSizeF& size) {
    ToDesignSquare(painter, size);
    QPainterPath ring;
    ring.addEllipse(QPointF(40, 40), 29, 29);
    QPainterPath glyph = StrokeOf(ring, 9, Qt::FlatCap);
    QPainterPath handle;
    handle.moveTo(62, 62);
    handle.lineTo(88, 88);
    glyph = glyph.united(StrokeOf(handle, 15, Qt::RoundCap));
    glyph = glyph.united(Box(QRectF(25, 35.5, 30, 9))).united(Box(QRectF(35.5, 25, 9, 30)));
    DrawGlyph(painter, glyph);
}

void DrawFitSize(QPainter& painter, const QSizeF& size) {
    ToDesignSquare(painter, size);
    QPainterPath brackets;
    const qreal arm = 24;
    const QRectF frame(8, 10, 80, 76);
    brackets.moveTo(frame.left(), frame.top() + arm);
    brackets.lineTo(frame.topLeft());
    brackets.lineTo(frame.left() + arm, frame.top());
    brackets.moveTo(frame.right() - arm, frame.top());
    brackets.lineTo(frame.topRight());
    brackets.lineTo(frame.right(), frame.top() + arm);
    brackets.moveTo(frame.right(), frame.bottom() - arm);
    brackets.lineTo(frame.bottomRight());
    brackets.lineTo(frame.right() - arm, frame.bottom());
    brackets.moveTo(frame.left() + arm, frame.bottom());
    brackets.lineTo(frame.bottomLeft());
    brackets.lineTo(frame.left(), frame.bottom() - arm);
    QPainterPath trace;
    trace.moveTo(24, 64);
    trace.lineTo(40, 42);
    trace.lineTo(54, 56);
    trace.lineTo(72, 30);
    DrawGlyph(painter,
              StrokeOf(brackets, 9, Qt::SquareCap).united(StrokeOf(trace, 8, Qt::RoundCap)));
}

void DrawInfo(QPainter& painter, const QSizeF& size) {
    ToDesignSquare(painter, size);
    QPainterPath ring;
    ring.addEllipse(QPointF(48, 48), 40, 40);
    QPainterPath glyph = StrokeOf(ring, 9, Qt::FlatCap);
    QPainterPath dot;
    dot.addEllipse(QPointF(48, 28), 7.5, 7.5);
    QPainterPath stem;
    stem.addRoundedRect(QRectF(41.5, 41, 13, 36), 3, 3);
    glyph = glyph.united(dot).united(stem);
    DrawGlyph(painter, glyph);
}

// ---- Scroll-bar thumb, folder, lamps -----------------------------------------

void DrawThumb(QPainter& painter, const QSizeF& size) {
    ToDesignSquare(painter, size);
    QRadialGradient shade(QPointF(40, 34), 62, QPointF(36, 30));
    shade.setColorAt(0.0, QColor(255, 255, 255));
    shade.setColorAt(0.45, QColor(0xC9, 0xCE, 0xD6));
    shade.setColorAt(1.0, QColor(0x6E, 0x76, 0x84));
    painter.setPen(QPen(QColor(0x22, 0x26, 0x2E), 6));
    painter.setBrush(shade);
    painter.drawEllipse(QRectF(5, 5, 90, 90));
    painter.setPen(QPen(QColor(0x4A, 0x52, 0x60), 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(34, 34, 32, 32));
}

// A manila folder: its back with the tab, a sheet of paper, the front flap.
void DrawFolder(QPainter& painter, const QSizeF& size) {
    ToDesignSquare(painter, size);
    const QPen outline(QColor(0x6E, 0x46, 0x00), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(outline);
    painter.setBrush(Vertical(18, 0xFFE8A92A, 84, 0xFFB77A0E));
    painter.drawPath(Polygon({{6, 84}, {6, 18}, {36, 18}, {44, 27}, {90, 27}, {90, 84}}));
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.setBrush(QColor(0xFA, 0xFA, 0xF2));
    painter.drawRect(QRectF(14, 32, 68, 30));
    painter.setPen(outline);
    painter.setBrush(Vertical(42, 0xFFFFDE72, 84, 0xFFF0B028));
    painter.drawPath(Polygon({{6, 84}, {14, 42}, {96, 42}, {90, 84}}));
}

void DrawLamp(QPainter& painter, const QSizeF& size, bool lit) {
    ToDesignSquare(painter, size);
    if (lit) {
        QRadialGradient glow(QPointF(50, 50), 50);
        glow.setColorAt(0.6, QColor(0x50, 0xFF, 0x50, 150));
        glow.setColorAt(1.0, QColor(0x50, 0xFF, 0x50, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(QRectF(0, 0, 100, 100));
    }
    painter.setPen(QPen(QColor(0x10, 0x12, 0x16), 3));
    painter.setBrush(Vertical(6, 0xFF7A808A, 94, 0xFF1C1F25));
    painter.drawEllipse(QRectF(6, 6, 88, 88));

    QRadialGradient glass(QPointF(50, 50), 37, QPointF(42, 40));
    if (lit) {
        glass.setColorAt(0.0, QColor(0xEC, 0xFF, 0xE0));
        glass.setColorAt(0.45, QColor(0x5C, 0xF0, 0x4C));
        glass.setColorAt(1.0, QColor(0x12, 0x8C, 0x18));
    } else {
        glass.setColorAt(0.0, QColor(0x5A, 0x60, 0x6A));
        glass.setColorAt(1.0, QColor(0x22, 0x25, 0x2B));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(glass);
    painter.drawEllipse(QRectF(14, 14, 72, 72));

    painter.setBrush(
        Vertical(18, qRgba(255, 255, 255, lit ? 150 : 70), 50, qRgba(255, 255, 255, 0)));
    painter.drawEllipse(QRectF(28, 18, 44, 26));
}

}  // namespace

std::vector<ImageRecipe> ImageRecipes() {
    const QSize button(50, 50);
    const QSize icon(42, 42);
    return {
        {"RID_NormalBtn", button,
         [](QPainter& p, const QSizeF& s) {
             DrawButtonBackground(p, s, {0xFF5E6576, 0xFF262A33, 0xFF14161B, 70});
         }},
        {"RID_HoverBtn", button,
         [](QPainter& p, const QSizeF& s) {
             DrawButtonBackground(p, s, {0xFF8C95AA, 0xFF3A404E, 0xFFD2D8EC, 110});
         }},
        {"RID_PushedBtn", button,
         [](QPainter& p, const QSizeF& s) {
             DrawButtonBackground(p, s, {0xFF10204A, 0xFF2C58C0, 0xFF7C9CF4, 0});
         }},
        {"RID_ChartSetting", icon, DrawSettingsGear},
        {"RID_Pan", icon, DrawPanArrows},
        {"RID_Zoom", icon, DrawZoomLens},
        {"RID_FitSize", icon, DrawFitSize},
        {"RID_Info", icon, DrawInfo},
        {"RID_Thumb", QSize(32, 32), DrawThumb},
        {"RID_folder", QSize(64, 64), DrawFolder},
        {"RID_TurnLampON", QSize(60, 60),
         [](QPainter& p, const QSizeF& s) { DrawLamp(p, s, true); }},
        {"RID_TurnLampOff", QSize(60, 60),
         [](QPainter& p, const QSizeF& s) { DrawLamp(p, s, false); }},
    };
}

}  // namespace images
