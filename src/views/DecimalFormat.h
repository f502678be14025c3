#pragma once

#include <QString>

namespace views {

// A value with `decimals` digits after the point (at least one before it), rounded
// half away from zero on the value's shortest decimal form, so a logged 12.45 V
// shows as "12.5" although the float lies just below it. A value that shows as zero
// has no minus sign; NaN and infinities show as zero.
QString FormatDecimal(double value, int decimals);
QString FormatDecimal(float value, int decimals);

}  // namespace views
