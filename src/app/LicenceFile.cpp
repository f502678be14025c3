#include "LicenceFile.h"

#include "foundation/UiStringTable.h"

#include <QFile>

namespace app {

namespace {

// The table's licence names are in the order EN, SC, TC.
constexpr int kSlotOfLanguage[kLanguageCount] = {0, 2, 1};

}  // namespace

QString LicenceFilePath(const QString& folder, int language) {
    if (language < 0 || language >= kLanguageCount) {
        return QString();
    }
    return folder + u'/' + EulaFileName(kSlotOfLanguage[language]);
}

LicenceText ReadLicenceFile(const QString& path) {
    LicenceText licence;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return licence;
    }
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("\xFF\xFE")) {
        licence.status = LicenceText::Status::NotUnicode;
        return licence;
    }
    licence.status = LicenceText::Status::Read;
    const qsizetype units = (bytes.size() - 2) / 2;
    const auto unitAt = [&bytes](qsizetype i) {
        return QChar(static_cast<char16_t>(static_cast<uchar>(bytes[2 + 2 * i]) |
                                           static_cast<uchar>(bytes[3 + 2 * i]) << 8));
    };
    QString line;
    for (qsizetype i = 0; i < units; ++i) {
        const QChar unit = unitAt(i);
        if (unit != u'\r') {
            line += unit;
            continue;
        }
        licence.lines << line;
        line.clear();
        if (i + 1 < units && unitAt(i + 1) == u'\n') {
            ++i;
        }
    }
    licence.lines << line;
    return licence;
}

}  // namespace app
