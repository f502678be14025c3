#include "ImageBox.h"

#include "controls/Drawing.h"
#include "foundation/Commonfun.h"

#include <QPainter>

TImageBox::TImageBox(QWidget* parent, const QString& imageName, controls::Anchors anchors,
                     const QRect& bounds)
    : OwnerDrawnControl(parent, anchors, bounds) {
    SetImage(imageName);
}

void TImageBox::SetImage(const QString& imageName) {
    imageName_ = imageName;
    image_ = LoadResourceImage(imageName);
    update();
}

void TImageBox::Paint(QPainter& painter) {
    controls::DrawPicture(painter, image_, QRectF(0, 0, width() - 1, height() - 1));
}
