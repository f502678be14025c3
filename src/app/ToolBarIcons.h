#pragma once

#include <QIcon>

namespace app {

enum class ToolBarImage { Capture, Cutting, Setting, GpsForm, Kml };

// The tool bar's pictures, 36 x 24, drawn in light strokes for the dark tool bar.
QIcon ToolBarIcon(ToolBarImage image);

}  // namespace app
