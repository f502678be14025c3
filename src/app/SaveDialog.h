#pragma once

#include "app/SaveQuestion.h"

class QWidget;

namespace app {

// The save dialog for a request: modal over `owner`, the first filter selected;
// no value when cancelled. The commands ask about overwriting themselves.
std::optional<SaveChoice> ShowSaveDialog(QWidget* owner, const SaveRequest& request);

}  // namespace app
