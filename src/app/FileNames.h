#pragma once

#include <QString>

#include <cstdint>

namespace app {

// Names the save dialogs propose and the checks on names the user gives.

// The extension of the file name part, lower case, with its dot (".ts"), or an
// empty text when the name has none.
QString LowerExtension(const QString& path);

// "yymmdd-hhnnss" of a recording's start time plus a position inside it, in whole
// seconds, on the recorder's own clock (no time-zone shift). A position that is
// negative or not a number counts as 0.
QString TimeStampName(std::uint32_t startTime, double position);

// `folder` + "/" + `name`, or `name` alone when the folder is empty (a relative
// name lets the dialog open where it was last).
QString ProposedPath(const QString& folder, const QString& name);

// The folder of a chosen file without its closing '/', as it is remembered for the
// next dialog; "/" stays "/".
QString FolderToRemember(const QString& path);

}  // namespace app
