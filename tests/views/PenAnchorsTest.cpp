#include "views/PenAnchors.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <random>

using namespace views;

namespace {

// `clip` as the chart clips its plot: the engine still takes the whole picture's edges
// for where a segment leaves it.
QImage Stroke(const std::vector<QPointF>& points, QPointF offset = {}, bool clip = false) {
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(0xFF000000);
    QPainter painter(&image);
    painter.translate(offset);
    if (clip) {
        painter.setClipRect(QRectF(8, 8, 20.5, 24));
    }
    painter.setPen(QPen(QColor(255, 255, 255), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    return image;
}

std::vector<QPointF> Thinned(std::vector<QPointF> points, QPointF offset = {}) {
    PenAnchors::Thin(points, QTransform::fromTranslate(offset.x(), offset.y()), QSize(48, 48));
    return points;
}

}  // namespace

// Random walks of every kind the chart draws (dense and sparse, flat and steep, turning
// back on either axis) give the engine's picture with and without the dropped points.
TEST(PenAnchors, ThinnedPolylinesLightTheSamePixels) {
    std::mt19937 random(7);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    int dropped = 0;
    for (int walk = 0; walk < 20000; ++walk) {
        const int count = 3 + static_cast<int>(random() % (walk % 2 == 0 ? 8 : 80));
        const double stepX = walk % 3 == 0 ? 0.02 : 0.1;
        const double stepY = walk % 4 < 2 ? 0.3 : 2.0;
        const QPointF offset(walk % 5 == 0 ? 0.0 : 3.25, walk % 7 == 0 ? 0.0 : 2.0);
        std::vector<QPointF> points;
        QPointF at(uniform(6, 8), uniform(6, 40));
        for (int i = 0; i < count; ++i) {
            points.push_back(at);
            const double back = random() % 6 == 0 ? -1 : 1;
            at += QPointF(back * uniform(0, stepX) * (random() % 8 == 0 ? 10 : 1),
                          uniform(-stepY, stepY));
            at = QPointF(std::clamp(at.x(), 1.0, 42.0), std::clamp(at.y(), 1.0, 42.0));
        }
        const std::vector<QPointF> thin = Thinned(points, offset);
        dropped += static_cast<int>(points.size() - thin.size());
        const bool clip = walk % 3 == 1;
        ASSERT_EQ(Stroke(thin, offset, clip), Stroke(points, offset, clip)) << "walk " << walk;
    }
    EXPECT_GT(dropped, 100000);
}

TEST(PenAnchors, KeepsTheEndsAndLeavesPolylinesTheEngineClipsWhole) {
    // A flat run of 50 points within one pixel: only the ends and the second stay.
    std::vector<QPointF> flat;
    for (int i = 0; i < 50; ++i) {
        flat.emplace_back(10 + i * 0.009, 20.2);
    }
    const std::vector<QPointF> thin = Thinned(flat);
    ASSERT_EQ(thin.size(), 3u);
    EXPECT_EQ(thin[0], flat[0]);
    EXPECT_EQ(thin[1], flat[1]);
    EXPECT_EQ(thin[2], flat.back());
    // Past the picture's edge (a zoomed chart's neighbours of the window) nothing goes.
    std::vector<QPointF> leaving = flat;
    leaving.front() = QPointF(-30, 20.2);
    EXPECT_EQ(Thinned(leaving), leaving);
    // A scaled painter strokes outlines, where every point counts.
    std::vector<QPointF> scaled = flat;
    PenAnchors::Thin(scaled, QTransform::fromScale(2, 2), QSize(96, 96));
    EXPECT_EQ(scaled, flat);
    QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::white, 1));
    EXPECT_TRUE(PenAnchors::Apply(painter));
    painter.setRenderHint(QPainter::Antialiasing);
    EXPECT_FALSE(PenAnchors::Apply(painter));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::white, 2));
    EXPECT_FALSE(PenAnchors::Apply(painter));
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    EXPECT_FALSE(PenAnchors::Apply(painter));
}
