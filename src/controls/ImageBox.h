#pragma once

#include "controls/OwnerDrawnControl.h"

#include <QImage>
#include <QString>

// Shows one resource picture stretched to the control; nothing when the picture
// is missing. The information window's turn lamps.
class TImageBox : public controls::OwnerDrawnControl {
  public:
    TImageBox(QWidget* parent, const QString& imageName, controls::Anchors anchors,
              const QRect& bounds);

    // Drops the old picture, loads the named one (none when missing), repaints.
    void SetImage(const QString& imageName);
    bool HasImage() const { return !image_.isNull(); }
    const QString& ImageName() const { return imageName_; }

  protected:
    void Paint(QPainter& painter) override;

  private:
    QImage image_;
    QString imageName_;
};
