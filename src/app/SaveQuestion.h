#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace app {

// What a command asks of the save dialog, and what the user answered.
struct SaveRequest {
    QString title;
    QStringList filters;  // name filters, e.g. "JPG(*.jpg)"
    QString initialFolder;
    QString proposedName;  // a whole path, or a name alone
};

struct SaveChoice {
    QString fileName;
    int filterIndex = 1;  // 1-based, as the user left it
};

// Shows the save dialog; no value when the user cancels.
using AskSaveName = std::function<std::optional<SaveChoice>(const SaveRequest& request)>;

}  // namespace app
