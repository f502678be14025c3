#pragma once

#include <QFont>

namespace foundation {

// The face of the program's windows where their forms name Tahoma: DejaVu Sans
// Condensed, whose widths come close to Tahoma's (plain DejaVu Sans is a tenth
// wider and cuts the file list's times short at the default column widths).
// Chinese texts fall back to the system's CJK face. The windows that carry the
// face set it on themselves; their controls inherit it.
QFont ProgramFont(int points = 8);

}  // namespace foundation
