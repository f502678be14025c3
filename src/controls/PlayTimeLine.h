#pragma once

#include "controls/OwnerDrawnControl.h"
#include "controls/TimeLineModel.h"

#include <QString>

// Seconds as "hh:mm:ss" (hours may take more digits); a negative time gets a
// leading "-", NaN gives "00:00:00".
QString FormatPlayTime(double seconds);

// The time line over the whole play list: the position thumb between a start and
// an end marker, each draggable. Changes made by the user are reported through the
// three events; SetDuration and SetPosition fire none.
class TPlayTimeLine : public controls::OwnerDrawnControl {
  public:
    // Starts with a duration of 100 s.
    TPlayTimeLine(QWidget* parent, controls::Anchors anchors, const QRect& bounds);

    // Start 0, position 0, end `duration`; a duration that is not above 0 leaves
    // the time line inert, everything drawn at its left.
    void SetDuration(double duration);
    // Clamped to 0..duration (NaN gives 0).
    void SetPosition(double position);
    double Duration() const { return model_.Duration(); }
    double Position() const { return model_.Position(); }
    double StartPoint() const { return model_.StartPoint(); }
    double EndPoint() const { return model_.EndPoint(); }
    // The part being dragged: 0 none, 1 start marker, 2 thumb, 3 end marker.
    int Drag() const { return model_.DragMode(); }

    // Hints shown over the start and end markers.
    void SetStartHint(const QString& hint) { startHint_ = hint; }
    void SetEndHint(const QString& hint) { endHint_ = hint; }

    // (sender, seconds)
    controls::ValueEvent OnPositionChange;
    controls::ValueEvent OnStartPointChange;
    controls::ValueEvent OnEndPointChange;

  protected:
    void MouseLeave() override;
    void MouseDown(Qt::MouseButton button, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, int x, int y) override;
    void MouseUp(Qt::MouseButton button, int x, int y) override;
    void Resize() override;
    void Paint(QPainter& painter) override;

  private:
    void Report(const controls::TimeLineChanges& changes);
    void Hover(int x, int y);

    controls::TimeLineModel model_;
    QString startHint_;
    QString endHint_;
};
