#include "foundation/PreferenceTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using foundation::Preference;
using platform::Registry;

namespace {

const QString kSetting = QStringLiteral("Software\\OmbrelPlayer\\Setting");
const QString kChart = QStringLiteral("Software\\OmbrelPlayer\\Chart");

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(PreferenceTable, FirstStartWritesEveryDefaultWithItsType) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("OmbrelPlayer/registry.ini"));
    ASSERT_EQ(foundation::WriteDefaultsOnFirstStart(path),
              foundation::FirstStartResult::DefaultsWritten);
    Registry registry(path);
    ASSERT_EQ(registry.Load(), Registry::LoadResult::Loaded);
    // Read back through the registry itself: each value exists with its type.
    for (const foundation::PreferenceRow& row : foundation::PreferenceTable()) {
        const QString key = QString::fromUtf16(row.key);
        const QString name = QString::fromUtf16(row.name);
        SCOPED_TRACE(name.toStdString());
        if (row.type == foundation::PreferenceType::Integer) {
            EXPECT_EQ(registry.ReadInteger(key, name), row.integer);
        } else if (row.type == foundation::PreferenceType::String) {
            EXPECT_EQ(registry.ReadString(key, name), QString::fromUtf16(row.text));
        } else {
            EXPECT_EQ(registry.ReadBinary(key, name).value_or(QByteArray()).size(),
                      static_cast<qsizetype>(row.words.size() * 4));
        }
    }
    EXPECT_EQ(registry.ReadBinary(kChart, QStringLiteral("VisibleChart")),
              QByteArray::fromHex("07000000"));
}

TEST(PreferenceTable, AnExistingFileIsNeverReplacedAtStart) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registry.ini"));
    for (const QByteArray& content : {QByteArray("not a registry at all\n"), QByteArray()}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        EXPECT_EQ(foundation::WriteDefaultsOnFirstStart(path),
                  foundation::FirstStartResult::Existing);
        EXPECT_EQ(ReadAll(path), content);
        Registry registry(path);
        registry.Load();
        EXPECT_FALSE(foundation::PreferenceKeyExists(registry, Preference::Language));
    }
}

TEST(PreferenceTable, FirstStartReportsAFolderItCannotWrite) {
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(foundation::WriteDefaultsOnFirstStart(blocker + QStringLiteral("/registry.ini")),
              foundation::FirstStartResult::WriteFailed);
}

TEST(PreferenceTable, MissingOrMistypedValuesReadAsTheirDefaults) {
    QTemporaryDir dir;
    Registry registry(dir.filePath(QStringLiteral("r.ini")));
    registry.CreateKey(kSetting);
    registry.WriteString(kSetting, QStringLiteral("AutoSDSearch"), QStringLiteral("1"));
    registry.WriteInteger(kSetting, QStringLiteral("DefaultSavePath"), 5);
    registry.WriteBinary(kChart, QStringLiteral("VisibleChart"), QByteArray(3, '\xff'));
    registry.WriteBinary(kChart, QStringLiteral("ChartColor"), QByteArray(48, '\x01'));

    EXPECT_EQ(foundation::ReadIntegerPreference(registry, Preference::AutoSDSearch), 0u);
    EXPECT_EQ(foundation::ReadIntegerPreference(registry, Preference::CaptureChart), 0u);
    EXPECT_EQ(foundation::ReadStringPreference(registry, Preference::DefaultSavePath), QString());
    EXPECT_EQ(foundation::ReadWordsPreference(registry, Preference::VisibleChart),
              std::vector<std::uint32_t>{7});
    const auto colors = foundation::ReadWordsPreference(registry, Preference::ChartColor);
    ASSERT_EQ(colors.size(), size_t{foundation::kChartColorCount});
    EXPECT_EQ(colors[0], 0x0000FFu);
    EXPECT_EQ(colors[10], 0xFF8080u);
}

TEST(PreferenceTable, WrittenValuesReadBackAfterASave) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.ini"));
    std::vector<std::uint32_t> colors(foundation::kChartColorCount);
    for (size_t i = 0; i < colors.size(); ++i) {
        colors[i] = 0x01020304u * static_cast<std::uint32_t>(i + 1);
    }
    {
        Registry registry(path);
        foundation::WriteStringPreference(registry, Preference::DefaultOpenPath,
                                          QStringLiteral("/media/卡/DCIM"));
        foundation::WriteIntegerPreference(registry, Preference::CaptureChart, 1);
        foundation::WriteWordsPreference(registry, Preference::VisibleChart,
                                         std::vector<std::uint32_t>{0x207});
        foundation::WriteWordsPreference(registry, Preference::ChartColor, colors);
        ASSERT_TRUE(registry.Save());
    }
    Registry registry(path);
    ASSERT_EQ(registry.Load(), Registry::LoadResult::Loaded);
    EXPECT_EQ(foundation::ReadStringPreference(registry, Preference::DefaultOpenPath),
              QStringLiteral("/media/卡/DCIM"));
    EXPECT_EQ(foundation::ReadIntegerPreference(registry, Preference::CaptureChart), 1u);
    // Bit 9 (GPS speed) lies in the second byte, little-endian.
    EXPECT_EQ(registry.ReadBinary(kChart, QStringLiteral("VisibleChart")),
              QByteArray::fromHex("07020000"));
    EXPECT_EQ(foundation::ReadWordsPreference(registry, Preference::ChartColor), colors);
}

TEST(PreferenceTable, ALanguageOutsideTheTableReadsAsEnglish) {
    const struct {
        std::uint32_t stored;
        int read;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {0xFFFFFFFFu, 0}, {0x80000000u, 0}};
    for (const auto& c : cases) {
        Registry registry(QStringLiteral("/nonexistent/r.ini"));
        registry.WriteInteger(kSetting, QStringLiteral("Language"), c.stored);
        EXPECT_EQ(foundation::ReadLanguagePreference(registry), c.read) << c.stored;
        EXPECT_EQ(registry.ReadInteger(kSetting, QStringLiteral("Language")), c.stored);
    }
}
