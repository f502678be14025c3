#pragma once

#include <QString>
#include <QStringList>

namespace app {

// The end-user licence shown by the About box: one UTF-16 little-endian file per
// language beside the program, with a byte-order mark and CR LF line ends.
struct LicenceText {
    enum class Status { Read, Missing, NotUnicode } status = Status::Missing;
    QStringList lines;
};

// The licence file of a language (0 English, 1 Traditional, 2 Simplified Chinese)
// in `folder`; an empty text for any other language.
QString LicenceFilePath(const QString& folder, int language);

// Reads the file's lines. A line ends at a carriage return; a line feed right
// after it belongs to the line end, and a lone line feed stays inside the line.
// Lines may be of any length. A file ending in CR LF gives one more, empty, line.
// Missing when the file does not exist or cannot be opened; NotUnicode when it
// does not start with the byte-order mark.
LicenceText ReadLicenceFile(const QString& path);

}  // namespace app
