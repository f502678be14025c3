#include "RowSelectionInput.h"

#include "views/FileListLayout.h"
#include "views/FileListRecords.h"

#include <algorithm>
#include <cstdlib>

namespace views {

namespace {

constexpr double kDragThreshold = 3.0;  // pixels the pointer moves before a drag counts
constexpr int kWheelNotch = 120;

}  // namespace

InputOutcome RowSelectionInput::MouseDown(Qt::MouseButton button, int x, int y, bool shift,
                                          int topRow) {
    if (button != Qt::LeftButton || y <= kRowsTop) {
        pressY_ = -1;
        return {};
    }
    pressX_ = x;
    pressY_ = y;
    const int row = RowAtY(y, topRow);
    RowRange& range = list_.range;
    if (!shift || list_.anchor < 0) {
        range = RowRange{row, row};
        list_.anchor = row;
    } else {
        range = RowRange{std::min(row, list_.anchor), std::max(row, list_.anchor)};
    }
    if (range.last < 0) {
        return {};
    }
    list_.MarkSelectedRange();
    return {.repaint = true};
}

InputOutcome RowSelectionInput::MouseMove(int y, bool leftHeld, int topRow) {
    if (pressY_ <= 0 || !leftHeld || std::abs(y - pressY_) <= kDragThreshold) {
        return {};
    }
    const RowRange dragged{RowAtY(std::min(y, pressY_), topRow),
                           RowAtY(std::max(y, pressY_), topRow)};
    if (dragged.first == list_.range.first && dragged.last == list_.range.last) {
        return {};
    }
    list_.range = dragged;
    list_.MarkSelectedRange();
    return {.repaint = true};
}

InputOutcome RowSelectionInput::MouseUp(bool shift, double iconColumnRight) {
    if (pressY_ < 0 || list_.RowCount() == 0 || shift) {
        return {};  // with Shift held, releasing Shift applies the range
    }
    pressY_ = -1;
    RowRange& range = list_.range;
    if (range.first >= list_.RowCount()) {
        range.last = -1;  // below the last row
    } else {
        range.first = std::max(range.first, 0);
        if (range.first == range.last && list_.IsGroupRow(range.first)) {
            return ClickOnGroup(range.first, iconColumnRight);
        }
    }
    return Apply(true);
}

// A click on a drive's row: the triangle opens or closes the drive; elsewhere an
// open drive is selected whole and a closed one opened.
InputOutcome RowSelectionInput::ClickOnGroup(int row, double iconColumnRight) {
    GroupItem& group = *list_.Rows()[row].group;
    if (pressX_ < iconColumnRight || !group.expanded) {
        group.expanded = !group.expanded;
        list_.range.last = -1;
        list_.RebuildRows();
    } else {
        list_.range = RowRange{row + 1, row + static_cast<int>(group.Records.size())};
    }
    return Apply(true);
}

InputOutcome RowSelectionInput::Apply(bool relayout) {
    return {.changed = list_.ApplySelection(), .relayout = relayout, .repaint = true};
}

int RowSelectionInput::WheelRows(int angleDelta) {
    if ((wheelRest_ > 0 && angleDelta < 0) || (wheelRest_ < 0 && angleDelta > 0)) {
        wheelRest_ = 0;  // the wheel turned back: start a new notch
    }
    wheelRest_ += angleDelta;
    const int notches = wheelRest_ / kWheelNotch;
    wheelRest_ -= notches * kWheelNotch;
    return -notches;
}

InputOutcome RowSelectionInput::KeyDown(int key, bool shift, bool* handled) {
    InputOutcome outcome;
    bool known = true;
    switch (key) {
        case Qt::Key_Escape:
            list_.range = RowRange{};
            outcome = Apply(false);
            break;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            outcome.repaint = true;
            break;
        case Qt::Key_Up:
            if (shift) {
                ExtendUp();
                outcome.repaint = true;
            } else {
                outcome = MoveUp();
            }
            break;
        case Qt::Key_Down:
            if (shift) {
                ExtendDown();
                outcome.repaint = true;
            } else {
                outcome = MoveDown();
            }
            break;
        default:
            known = false;
            break;
    }
    if (known) {
        pressY_ = -1;
    }
    if (handled != nullptr) {
        *handled = known;
    }
    return outcome;
}

InputOutcome RowSelectionInput::KeyUp(int key) {
    if (key != Qt::Key_Shift) {
        return {};
    }
    return Apply(false);
}

bool RowSelectionInput::Expand(int row) {
    GroupItem& group = *list_.Rows()[row].group;
    if (group.expanded) {
        return false;
    }
    group.expanded = true;
    list_.RebuildRows();
    return true;
}

// One record up, over the drive rows: into the last record of a closed drive above.
InputOutcome RowSelectionInput::MoveUp() {
    if (list_.RowCount() == 0 || list_.range.first < 1) {
        return {};
    }
    bool relayout = false;
    int first = std::min(list_.range.first, list_.RowCount()) - 1;
    if (list_.IsGroupRow(first)) {
        --first;
    }
    if (first < 0) {
        first = 1;  // the first record stays
    } else if (list_.IsGroupRow(first)) {
        relayout = Expand(first);
        first += static_cast<int>(list_.Rows()[first].group->Records.size());
    }
    if (list_.IsGroupRow(first)) {
        relayout = Expand(first) || relayout;  // never a drive row as the selection
        ++first;
    }
    if (list_.RecordAt(first) == nullptr) {
        return {.relayout = relayout, .repaint = true};
    }
    list_.range = RowRange{first, first};
    list_.anchor = first;
    return Apply(relayout);
}

// One record down: into the first record of the next drive, opening it.
InputOutcome RowSelectionInput::MoveDown() {
    if (list_.RowCount() == 0) {
        return {};
    }
    bool relayout = false;
    int first = std::clamp(list_.range.first + 1, 0, list_.RowCount() - 1);
    if (list_.IsGroupRow(first)) {
        relayout = Expand(first);
        ++first;
    }
    list_.range = RowRange{first, first};
    list_.anchor = first;
    return Apply(relayout);
}

// With Shift the anchor is the moving end of the range; the range stays in one drive.
void RowSelectionInput::ExtendUp() {
    RowRange& range = list_.range;
    if (range.first < 0 || range.last < range.first || range.last >= list_.RowCount()) {
        return;
    }
    if (range.first != list_.anchor) {
        range.last = std::max(range.last - 1, range.first);
        list_.anchor = range.last;
    } else {
        range.first -= 1;
        if (range.first < 0 || list_.IsGroupRow(range.first)) {
            range.first += 1;
        }
        list_.anchor = range.first;
    }
    list_.MarkSelectedRange();
}

void RowSelectionInput::ExtendDown() {
    RowRange& range = list_.range;
    if (range.first < 0 || range.last < range.first || range.last >= list_.RowCount()) {
        return;
    }
    if (list_.anchor != range.last) {
        range.first = std::min(range.first + 1, range.last);
        list_.anchor = range.first;
    } else {
        range.last = std::min(range.last + 1, list_.RowCount() - 1);
        if (list_.IsGroupRow(range.last)) {
            range.last -= 1;
        }
        list_.anchor = range.last;
    }
    list_.MarkSelectedRange();
}

}  // namespace views
