#include "UiStringTable.h"

#include <array>

int LanguageIndex = 0;

namespace {

using Row = std::array<QString, kLanguageCount>;

const std::array<Row, kUiStringRows>& Table() {
    static const std::array<Row, kUiStringRows> table = [] {
        std::array<Row, kUiStringRows> rows;
        rows[0] = {QStringLiteral("English"), QStringLiteral("繁體中文(Tranditional Chinese)"),
                   QStringLiteral("简体中文(Simplified Chinese)")};
        return rows;
    }();
    return table;
}

const QString& Empty() {
    static const QString empty;
    return empty;
}

}  // namespace

const QString& UiText(int key) { return UiText(key, LanguageIndex); }

const QString& UiText(int key, int language) {
    if (key < 0 || key >= kUiStringRows) {
        return Empty();
    }
    if (language < 0 || language >= kLanguageCount) {
        language = 0;
    }
    return Table()[static_cast<size_t>(key)][static_cast<size_t>(language)];
}

const QString& LanguageName(int language) { return UiText(0, language); }

const QString& EulaFileName(int slot) {
    static const std::array<QString, 3> names = {QStringLiteral("Falvor Viewer EULA EN.txt"),
                                                 QStringLiteral("Falvor Viewer EULA SC.txt"),
                                                 QStringLiteral("Falvor Viewer EULA TC.txt")};
    return slot >= 0 && slot < 3 ? names[static_cast<size_t>(slot)] : Empty();
}
