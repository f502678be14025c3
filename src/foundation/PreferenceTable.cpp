#include "PreferenceTable.h"

#include "platform/MessageBox.h"
#include "platform/Termination.h"

#include <QtGlobal>

#include <array>

namespace foundation {

namespace {

constexpr const char16_t* kSettingKey = u"Software\\OmbrelPlayer\\Setting";
constexpr const char16_t* kChartKey = u"Software\\OmbrelPlayer\\Chart";

// G X, G Y and G Z shown.
constexpr std::array<std::uint32_t, 1> kVisibleChartDefault = {0x7};
// G X red, G Y green, G Z blue, then G total, OBD speed, RPM, battery, coolant,
// left and right turn lamp, GPS speed.
constexpr std::array<std::uint32_t, kChartColorCount> kChartColorDefault = {
    0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFFFF,
    0xFFFF00, 0x80FFFF, 0xFF80FF, 0xFFFF80, 0xFF8080,
};

// In the order of the Preference enumeration. The defaults are what the settings
// window and the chart settings start with.
constexpr PreferenceRow kRows[] = {
    {Preference::DefaultSavePath,
     kSettingKey,
     u"DefaultSavePath",
     PreferenceType::String,
     0,
     u"",
     {}},
    {Preference::DefaultOpenPath,
     kSettingKey,
     u"DefaultOpenPath",
     PreferenceType::String,
     0,
     u"",
     {}},
    {Preference::AutoSDSearch,
     kSettingKey,
     u"AutoSDSearch",
     PreferenceType::Integer,
     0,
     nullptr,
     {}},
    {Preference::CaptureChart,
     kSettingKey,
     u"CaptureChart",
     PreferenceType::Integer,
     0,
     nullptr,
     {}},
    {Preference::Language, kSettingKey, u"Language", PreferenceType::Integer, 0, nullptr, {}},
    {Preference::VisibleChart, kChartKey, u"VisibleChart", PreferenceType::Words, 0, nullptr,
     kVisibleChartDefault},
    {Preference::ChartColor, kChartKey, u"ChartColor", PreferenceType::Words, 0, nullptr,
     kChartColorDefault},
};

constexpr bool RowsAreInOrder() {
    int index = 0;
    for (const PreferenceRow& row : kRows) {
        if (static_cast<int>(row.id) != index++) {
            return false;
        }
    }
    return true;
}
static_assert(RowsAreInOrder(), "one row per preference, in enumeration order");

QString KeyOf(const PreferenceRow& row) {
    return QString::fromUtf16(row.key);
}

QString NameOf(const PreferenceRow& row) {
    return QString::fromUtf16(row.name);
}

QByteArray WordsToBytes(std::span<const std::uint32_t> words) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(words.size() * 4));
    for (std::uint32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.append(static_cast<char>((word >> shift) & 0xFF));
        }
    }
    return bytes;
}

std::vector<std::uint32_t> BytesToWords(const QByteArray& bytes) {
    std::vector<std::uint32_t> words(static_cast<size_t>(bytes.size() / 4));
    for (size_t i = 0; i < words.size(); ++i) {
        std::uint32_t word = 0;
        for (int b = 3; b >= 0; --b) {
            word = (word << 8) | static_cast<uchar>(bytes[static_cast<qsizetype>(i * 4) + b]);
        }
        words[i] = word;
    }
    return words;
}

const PreferenceRow& RowOfType(Preference preference, PreferenceType type) {
    const PreferenceRow& row = PreferenceOf(preference);
    Q_ASSERT_X(row.type == type, "PreferenceTable", "preference used as another type");
    return row;
}

}  // namespace

std::span<const PreferenceRow> PreferenceTable() {
    return kRows;
}

const PreferenceRow& PreferenceOf(Preference preference) {
    return kRows[static_cast<size_t>(preference)];
}

bool PreferenceKeyExists(const platform::Registry& registry, Preference preference) {
    return registry.KeyExists(KeyOf(PreferenceOf(preference)));
}

std::uint32_t ReadIntegerPreference(const platform::Registry& registry, Preference preference) {
    const PreferenceRow& row = RowOfType(preference, PreferenceType::Integer);
    return registry.ReadInteger(KeyOf(row), NameOf(row)).value_or(row.integer);
}

QString ReadStringPreference(const platform::Registry& registry, Preference preference) {
    const PreferenceRow& row = RowOfType(preference, PreferenceType::String);
    return registry.ReadString(KeyOf(row), NameOf(row)).value_or(QString::fromUtf16(row.text));
}

std::vector<std::uint32_t> ReadWordsPreference(const platform::Registry& registry,
                                               Preference preference) {
    const PreferenceRow& row = RowOfType(preference, PreferenceType::Words);
    const std::optional<QByteArray> bytes = registry.ReadBinary(KeyOf(row), NameOf(row));
    if (!bytes || static_cast<size_t>(bytes->size()) != row.words.size() * 4) {
        return {row.words.begin(), row.words.end()};
    }
    return BytesToWords(*bytes);
}

int ReadLanguagePreference(const platform::Registry& registry) {
    const auto language =
        static_cast<std::int32_t>(ReadIntegerPreference(registry, Preference::Language));
    return language >= 0 && language <= 2 ? language : 0;
}

void WriteIntegerPreference(platform::Registry& registry, Preference preference,
                            std::uint32_t value) {
    const PreferenceRow& row = RowOfType(preference, PreferenceType::Integer);
    registry.WriteInteger(KeyOf(row), NameOf(row), value);
}

void WriteStringPreference(platform::Registry& registry, Preference preference,
                           const QString& value) {
    const PreferenceRow& row = RowOfType(preference, PreferenceType::String);
    registry.WriteString(KeyOf(row), NameOf(row), value);
}

void WriteWordsPreference(platform::Registry& registry, Preference preference,
                          std::span<const std::uint32_t> words) {
    const PreferenceRow& row = RowOfType(preference, PreferenceType::Words);
    Q_ASSERT_X(words.size() == row.words.size(), "PreferenceTable", "word count differs");
    registry.WriteBinary(KeyOf(row), NameOf(row), WordsToBytes(words));
}

void ShowInitialError() {
    platform::MessageBox::Show(nullptr, QStringLiteral("Initial Error, Please re-Install"),
                               QStringLiteral("ERROR"), platform::MB_OK);
    platform::RequestTermination();
}

FirstStartResult WriteDefaultsOnFirstStart(const QString& filePath) {
    platform::Registry registry(filePath);
    if (registry.Load() != platform::Registry::LoadResult::Missing) {
        return FirstStartResult::Existing;
    }
    for (const PreferenceRow& row : kRows) {
        switch (row.type) {
            case PreferenceType::Integer:
                WriteIntegerPreference(registry, row.id, row.integer);
                break;
            case PreferenceType::String:
                WriteStringPreference(registry, row.id, QString::fromUtf16(row.text));
                break;
            case PreferenceType::Words:
                WriteWordsPreference(registry, row.id, row.words);
                break;
        }
    }
    return registry.Save() ? FirstStartResult::DefaultsWritten : FirstStartResult::WriteFailed;
}

}  // namespace foundation
