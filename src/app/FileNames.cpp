#include "FileNames.h"

#include "foundation/Commonfun.h"

#include <QDateTime>
#include <QTimeZone>

#include <cmath>

namespace app {

QString LowerExtension(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash) {
        return QString();
    }
    return path.mid(dot).toLower();
}

QString TimeStampName(std::uint32_t startTime, double position) {
    const double whole = std::isfinite(position) && position > 0.0 ? std::trunc(position) : 0.0;
    const auto seconds = static_cast<qint64>(startTime) + static_cast<qint64>(whole);
    return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc())
        .toString(QStringLiteral("yyMMdd-HHmmss"));
}

QString ProposedPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) {
        return name;
    }
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString FolderToRemember(const QString& path) {
    QString folder = GetFolderOfPath(path);
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return folder;
}

}  // namespace app
