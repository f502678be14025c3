#include "ProgramFont.h"

namespace foundation {

QFont ProgramFont(int points) {
    QFont font(QStringLiteral("DejaVu Sans Condensed"), points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace foundation
