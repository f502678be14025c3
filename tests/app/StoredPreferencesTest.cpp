#include "AppTestSupport.h"
#include "app/StoredPreferences.h"
#include "foundation/PreferenceTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using app::PreferenceValues;
using app::StoredPreferences;
using platform::Registry;
using StoreResult = app::StoredPreferences::StoreResult;

namespace {

const QString kSetting = QStringLiteral("Software\\OmbrelPlayer\\Setting");

ino_t InodeOf(const QString& path) {
    struct stat info = {};
    return ::stat(path.toLocal8Bit().constData(), &info) == 0 ? info.st_ino : 0;
}

class StoredPreferencesTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(foundation::WriteDefaultsOnFirstStart(path_),
                  foundation::FirstStartResult::DefaultsWritten);
    }

    Registry Reread() const {
        Registry registry(path_);
        registry.Load();
        return registry;
    }

    QTemporaryDir dir_;
    QString path_ = dir_.filePath(QStringLiteral("registry.ini"));
};

}  // namespace

TEST_F(StoredPreferencesTest, LoadTakesTheStoredValues) {
    Registry registry = Reread();
    registry.WriteString(kSetting, QStringLiteral("DefaultSavePath"), QStringLiteral("/v/保存"));
    registry.WriteInteger(kSetting, QStringLiteral("AutoSDSearch"), 5);
    ASSERT_TRUE(registry.Save());

    StoredPreferences preferences(path_);
    ASSERT_TRUE(preferences.Load());
    EXPECT_EQ(preferences.Values().defaultSavePath, QStringLiteral("/v/保存"));
    EXPECT_TRUE(preferences.Values().autoSDSearch);
}

TEST_F(StoredPreferencesTest, AFileWithoutTheSettingKeyIsDamaged) {
    QFile::remove(path_);
    for (const QByteArray& content :
         {QByteArray("[Software\\OmbrelPlayer\\Chart]\n"), QByteArray("garbage\n")}) {
        WriteFile(path_, content);
        StoredPreferences preferences(path_);
        EXPECT_FALSE(preferences.Load());
        QString folder;
        EXPECT_EQ(preferences.Store(PreferenceValues{.language = 2}, &folder),
                  StoreResult::KeyMissing);
        EXPECT_EQ(preferences.Values().language, 0);
    }
}

TEST_F(StoredPreferencesTest, OnlyChangedValuesAreWritten) {
    StoredPreferences preferences(path_);
    ASSERT_TRUE(preferences.Load());
    const ino_t before = InodeOf(path_);
    QString folder;
    EXPECT_EQ(preferences.Store(preferences.Values(), &folder), StoreResult::Stored);
    // Nothing changed: the file was not even rewritten (a save replaces it).
    EXPECT_EQ(InodeOf(path_), before);

    // A language of -1 (no choice) is never stored.
    PreferenceValues edited{.autoSDSearch = true, .captureChart = true, .language = -1};
    EXPECT_EQ(preferences.Store(edited, &folder), StoreResult::Stored);
    Registry registry = Reread();
    EXPECT_EQ(registry.ReadInteger(kSetting, QStringLiteral("AutoSDSearch")), 1u);
    EXPECT_EQ(registry.ReadInteger(kSetting, QStringLiteral("CaptureChart")), 1u);
    EXPECT_EQ(registry.ReadInteger(kSetting, QStringLiteral("Language")), 0u);
    EXPECT_EQ(preferences.Values().language, 0);

    // A stored value changed behind the window's back stays when the window's
    // value did not change.
    registry.WriteInteger(kSetting, QStringLiteral("AutoSDSearch"), 9);
    ASSERT_TRUE(registry.Save());
    edited.language = 2;
    EXPECT_EQ(preferences.Store(edited, &folder), StoreResult::Stored);
    registry = Reread();
    EXPECT_EQ(registry.ReadInteger(kSetting, QStringLiteral("AutoSDSearch")), 9u);
    EXPECT_EQ(registry.ReadInteger(kSetting, QStringLiteral("Language")), 2u);
}

TEST_F(StoredPreferencesTest, FoldersAreCheckedAsTypedSaveFolderFirst) {
    QTemporaryDir folders;
    const QString chinese = folders.filePath(QStringLiteral("行車記錄 ü"));
    ASSERT_TRUE(QDir().mkpath(chinese));
    const QString missing = folders.filePath(QStringLiteral("不存在"));
    const QString plainFile = folders.filePath(QStringLiteral("file"));
    WriteFile(plainFile);

    const struct {
        QString save;
        QString open;
        StoreResult result;
        QString reported;
    } cases[] = {
        {missing, plainFile, StoreResult::FolderMissing, missing},
        {chinese, plainFile, StoreResult::FolderMissing, plainFile},
        {QString(), missing, StoreResult::FolderMissing, missing},
        {chinese, chinese, StoreResult::Stored, QString()},
        {QString(), QString(), StoreResult::Stored, QString()},
    };
    StoredPreferences preferences(path_);
    ASSERT_TRUE(preferences.Load());
    for (const auto& c : cases) {
        QString reported;
        const PreferenceValues before = preferences.Values();
        EXPECT_EQ(
            preferences.Store({.defaultSavePath = c.save, .defaultOpenPath = c.open}, &reported),
            c.result)
            << c.save.toStdString() << " " << c.open.toStdString();
        EXPECT_EQ(reported, c.reported);
        if (c.result == StoreResult::FolderMissing) {
            EXPECT_EQ(preferences.Values().defaultSavePath, before.defaultSavePath);
        }
    }
    Registry registry = Reread();
    EXPECT_EQ(registry.ReadString(kSetting, QStringLiteral("DefaultSavePath")), QString());
    EXPECT_EQ(registry.ReadString(kSetting, QStringLiteral("DefaultOpenPath")), QString());
}
