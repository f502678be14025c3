#pragma once

#include <Qt>

namespace views {

class FileListRecords;

// What the file list window has to do after an input.
struct InputOutcome {
    bool changed = false;   // the play list changed: raise OnChange
    bool relayout = false;  // the rows changed (a drive expanded or collapsed)
    bool repaint = false;
};

// The mouse, wheel and key rules that turn presses, drags and keys into the
// selection range of a FileListRecords and apply it. Positions are client pixels
// of the file list; `topRow` is the vertical scroll position.
class RowSelectionInput {
  public:
    explicit RowSelectionInput(FileListRecords& list) : list_(list) {}

    InputOutcome MouseDown(Qt::MouseButton button, int x, int y, bool shift, int topRow);
    InputOutcome MouseMove(int y, bool leftHeld, int topRow);
    // `iconColumnRight` is where the date column starts on screen: a click left of
    // it on a group row expands or collapses the drive.
    InputOutcome MouseUp(bool shift, double iconColumnRight);

    // Rows to scroll by for a wheel turn of `angleDelta` eighths of a degree: one row
    // per notch (120), up when the wheel turns away from the user; high-resolution
    // deltas add up to a notch.
    int WheelRows(int angleDelta);

    // Keyboard selection with Qt key codes; only Escape, Page Up, Page Down, Up and
    // Down do anything. Returns handled through `handled` when given.
    InputOutcome KeyDown(int key, bool shift, bool* handled = nullptr);
    // Releasing Shift applies a range extended with Shift and the arrows.
    InputOutcome KeyUp(int key);

    bool PressInProgress() const { return pressY_ >= 0; }
    void CancelPress() { pressY_ = -1; }

  private:
    InputOutcome ClickOnGroup(int row, double iconColumnRight);
    InputOutcome Apply(bool relayout);
    InputOutcome MoveUp();
    InputOutcome MoveDown();
    void ExtendUp();
    void ExtendDown();
    // Expands the drive of group row `row` when collapsed; true when the rows changed.
    bool Expand(int row);

    FileListRecords& list_;
    int pressX_ = 0;
    int pressY_ = -1;  // -1: no press in progress
    int wheelRest_ = 0;
};

}  // namespace views
