#include "foundation/UiStringTable.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr int kEnglish = 0;
constexpr int kTraditional = 1;
constexpr int kSimplified = 2;

// Restores the program's language after a test changes it.
class UiStringTableTest : public testing::Test {
  protected:
    void TearDown() override { LanguageIndex = saved_; }

  private:
    int saved_ = LanguageIndex;
};

bool HasCjk(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) {
            return true;
        }
    }
    return false;
}

// Characters written one way in Traditional and another in Simplified Chinese.
constexpr const char16_t* kTraditionalForms =
    u"檔設資時錯開關體於與鐘畫選鎖從單將會刪點終間長圖錄車軌暫語誤說訊號統業網連視確個無來儲預擇尋"
    u"動"
    u"螢轉溫燈電壓緯經華攝標頻發後參數復記節級";
constexpr const char16_t* kSimplifiedForms =
    u"档设资时错开关体于与钟画选锁从单将会删点终间长图录车轨暂语误说讯号统业网连视确个无来储预择寻"
    u"动"
    u"萤转温灯电压纬经华摄标频发后参数复记节级";

QString FirstCharOf(const QString& text, const QString& set) {
    for (QChar c : text) {
        if (set.contains(c)) {
            return QString(c);
        }
    }
    return QString();
}

}  // namespace

// Every row has text in every language, the Chinese columns keep the English line
// layout, and where the English holds words the Chinese columns are Chinese.
TEST_F(UiStringTableTest, EveryRowIsWholeInEveryLanguage) {
    const QRegularExpression words(QStringLiteral("[A-Za-z]+ [A-Za-z]+"));
    for (int key = 0; key < kUiStringRows; ++key) {
        SCOPED_TRACE(key);
        const QString& english = UiText(key, kEnglish);
        for (int language = 0; language < kLanguageCount; ++language) {
            EXPECT_FALSE(UiText(key, language).isEmpty()) << language;
            EXPECT_EQ(UiText(key, language).count(u'\n'), english.count(u'\n')) << language;
            EXPECT_FALSE(UiText(key, language).contains(u'\r')) << language;
            EXPECT_FALSE(UiText(key, language).contains(QChar(0))) << language;
        }
        if (key >= 2 && words.match(english).hasMatch()) {  // key 1 is the product name
            EXPECT_TRUE(HasCjk(UiText(key, kTraditional)));
            EXPECT_TRUE(HasCjk(UiText(key, kSimplified)));
        }
    }
}

TEST_F(UiStringTableTest, TellingRowsOfTheChineseColumns) {
    struct Telling {
        int key;
        const char16_t* traditional;
        const char16_t* simplified;
    };
    const Telling rows[] = {
        {1, u"Ombrel Player", u"Istrel Player"},
        {64, u"錯誤 ", u"错误 "},
        {66, u"找不到任何影片檔案 \n 此程式用於觀看 Ombrel 所開發的行車記錄器影片",
         u"找不到任何视频文件 \n 此程序用于观看 Ombrel 所开发的行车记录器视频"},
        {87, u"Ombrel Player 設定", u"Istrel Player 设置"},
        {95, u"語言選取(Language)", u"语言选取(Language)"},
        {96, u"資料夾不存在:\n", u"文件夹不存在:\n"},
        {111, u"螢幕自動關閉（本選項僅支援連接Falvor Display使用）",
         u"屏幕自动关闭（本选项仅支援连接Falvor Display使用）"},
        {124, u"關於Ombrel Player", u"关于Ombrel Player"},
        {129, u"連接官方網站，取得使用說明，更新等資訊", u"连接官方网站，取得使用说明，更新等信息"},
        {131, u"E-mail 給Quendrix", u"E-mail 给Quendrix"},
        {133, u"Ombrel 參數設定", u"Ombrel 参数设定"},
    };
    for (const Telling& row : rows) {
        EXPECT_EQ(UiText(row.key, kTraditional), QString::fromUtf16(row.traditional)) << row.key;
        EXPECT_EQ(UiText(row.key, kSimplified), QString::fromUtf16(row.simplified)) << row.key;
    }
}

TEST_F(UiStringTableTest, ProductNameFollowsTheCurrentLanguage) {
    LanguageIndex = 0;
    EXPECT_EQ(UiText(1), QStringLiteral("Ombrel Player"));
    LanguageIndex = 1;
    EXPECT_EQ(UiText(1), QStringLiteral("Ombrel Player"));
    LanguageIndex = 2;
    EXPECT_EQ(UiText(1), QStringLiteral("Istrel Player"));
    EXPECT_EQ(UiText(87), QStringLiteral("Istrel Player 设置"));
}

TEST_F(UiStringTableTest, KeysNamingTheMakerKeepTheFirstProductName) {
    for (int language = 0; language < kLanguageCount; ++language) {
        for (int key : {66, 124, 133}) {
            EXPECT_TRUE(UiText(key, language).contains(QStringLiteral("Ombrel"))) << key;
            EXPECT_FALSE(UiText(key, language).contains(QStringLiteral("Istrel"))) << key;
        }
    }
}

TEST_F(UiStringTableTest, LanguageNamesAreTheSameInEveryLanguage) {
    const QString names[] = {QStringLiteral("English"),
                             QStringLiteral("繁體中文(Tranditional Chinese)"),
                             QStringLiteral("简体中文(Simplified Chinese)")};
    for (int current = 0; current < kLanguageCount; ++current) {
        LanguageIndex = current;
        for (int language = 0; language < kLanguageCount; ++language) {
            EXPECT_EQ(LanguageName(language), names[language]);
        }
        EXPECT_EQ(UiText(0), names[current]);
    }
}

TEST_F(UiStringTableTest, EnglishTextsStandExactlyAsWritten) {
    EXPECT_EQ(UiText(65, kEnglish), QStringLiteral("Unknow Error"));
    EXPECT_EQ(UiText(64, kEnglish), QStringLiteral("Error"));
    EXPECT_EQ(UiText(66, kEnglish),
              QStringLiteral("Video file not found. \n This software only supports video files "
                             "created by Ombrel."));
    EXPECT_EQ(
        UiText(67, kEnglish),
        QStringLiteral("Playback error! \n\n Please check if this file exists or is demaged."));
    EXPECT_EQ(UiText(93, kEnglish), QStringLiteral("Vidoe Image"));
    EXPECT_EQ(UiText(94, kEnglish), QStringLiteral("Video Image + Chart"));
    EXPECT_EQ(UiText(129, kEnglish),
              QStringLiteral("Get user menual and update information from Quendrix."));
    EXPECT_EQ(UiText(111, kEnglish),
              QStringLiteral("Screen auto off (support Falvor Display only)"));
    EXPECT_EQ(UiText(106, kEnglish), QStringLiteral("Standard (1hr/GB)"));
    EXPECT_EQ(UiText(105, kEnglish), QStringLiteral("Normal (1.5 hr/GB)"));
    EXPECT_EQ(UiText(118, kEnglish),
              QStringLiteral("You can configure drive recorder settings with a SD card, without "
                             "the need of a on-board monitor. Checked items will be updated, "
                             "while unchecked items will be left untouched."));
    EXPECT_EQ(UiText(131, kEnglish), QStringLiteral("E-mail to Quendrix support team"));
    EXPECT_EQ(UiText(133, kEnglish), QStringLiteral("Ombrel Setting"));
    EXPECT_EQ(UiText(72, kEnglish), QStringLiteral("Cutting") + QChar(0x2026));
    EXPECT_EQ(UiText(96, kEnglish), QStringLiteral("This folder does not exist. \n"));
    EXPECT_EQ(UiText(24, kEnglish), UiText(49, kEnglish));
    EXPECT_EQ(UiText(2, kEnglish), UiText(16, kEnglish));
}

TEST_F(UiStringTableTest, JoinMessageHoldsTwoZeroWidthSpaces) {
    const QString expected = QStringLiteral("Different types of files can not be join ") +
                             QChar(0x200B) + QChar(0x200B) + QStringLiteral("together");
    const QString text = UiText(76, kEnglish);
    ASSERT_EQ(text.size(), expected.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        EXPECT_EQ(text[i].unicode(), expected[i].unicode()) << "at " << i;
    }
}

TEST_F(UiStringTableTest, CuttingEndsInAnEllipsisInEveryLanguage) {
    for (int language = 0; language < kLanguageCount; ++language) {
        EXPECT_EQ(UiText(72, language).back().unicode(), 0x2026) << language;
        EXPECT_FALSE(UiText(72, language).contains(QStringLiteral("..."))) << language;
    }
}

TEST_F(UiStringTableTest, MissingFolderTextPutsTheFolderOnTheSecondLine) {
    const QString folder = QStringLiteral("/media/card/DCIM");
    for (int language = 0; language < kLanguageCount; ++language) {
        const QString text = UiText(96, language);
        EXPECT_TRUE(text.endsWith(u'\n')) << language;
        const QStringList lines = (text + folder).split(u'\n');
        ASSERT_EQ(lines.size(), 2) << language;
        EXPECT_EQ(lines[1], folder);
    }
}

TEST_F(UiStringTableTest, EachChineseColumnUsesItsOwnScriptAndWords) {
    const QString traditionalForms = QString::fromUtf16(kTraditionalForms);
    const QString simplifiedForms = QString::fromUtf16(kSimplifiedForms);
    ASSERT_EQ(traditionalForms.size(), simplifiedForms.size());
    for (int key = 1; key < kUiStringRows; ++key) {
        const QString& traditional = UiText(key, kTraditional);
        const QString& simplified = UiText(key, kSimplified);
        EXPECT_TRUE(FirstCharOf(traditional, simplifiedForms).isEmpty())
            << key << ": " << FirstCharOf(traditional, simplifiedForms).toStdString();
        EXPECT_TRUE(FirstCharOf(simplified, traditionalForms).isEmpty())
            << key << ": " << FirstCharOf(simplified, traditionalForms).toStdString();
        if (!FirstCharOf(traditional, traditionalForms).isEmpty()) {
            EXPECT_NE(traditional, simplified) << key;
        }
    }
    // Regional words: video, file, folder, settings, play list.
    const struct {
        int key;
        const char16_t* traditional;
        const char16_t* simplified;
    } regional[] = {{4, u"影片", u"视频"},
                    {5, u"檔案", u"文件"},
                    {88, u"資料夾", u"文件夹"},
                    {29, u"設定", u"设置"},
                    {7, u"播放清單", u"播放列表"}};
    for (const auto& r : regional) {
        EXPECT_TRUE(UiText(r.key, kTraditional).contains(QString::fromUtf16(r.traditional)));
        EXPECT_TRUE(UiText(r.key, kSimplified).contains(QString::fromUtf16(r.simplified)));
    }
}

TEST_F(UiStringTableTest, LanguageOrKeyOutsideTheTable) {
    for (int language : {-1, 3, 7, INT_MAX, INT_MIN}) {
        EXPECT_EQ(UiText(1, language), QStringLiteral("Ombrel Player")) << language;
        EXPECT_EQ(UiText(64, language), QStringLiteral("Error")) << language;
        EXPECT_EQ(LanguageName(language), QStringLiteral("English")) << language;
        LanguageIndex = language;
        EXPECT_EQ(UiText(65), QStringLiteral("Unknow Error")) << language;
    }
    for (int key : {kUiStringRows, -1, INT_MAX}) {
        EXPECT_TRUE(UiText(key, 1).isEmpty()) << key;
    }
}

TEST(EulaFileName, KeepsItsOwnOrderEnglishSimplifiedTraditional) {
    EXPECT_EQ(EulaFileName(0), QStringLiteral("Falvor Viewer EULA EN.txt"));
    EXPECT_EQ(EulaFileName(1), QStringLiteral("Falvor Viewer EULA SC.txt"));
    EXPECT_EQ(EulaFileName(2), QStringLiteral("Falvor Viewer EULA TC.txt"));
    EXPECT_TRUE(EulaFileName(3).isEmpty());
    EXPECT_TRUE(EulaFileName(-1).isEmpty());
}
