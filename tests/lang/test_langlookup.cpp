// Looking texts up: precedence of file rows, the text columns, letter case, the locale.
#include "lang/AppLang.h"
#include "lang/Baselang.h"

#include <QFile>
#include <QTemporaryDir>

#include "util/Gbk.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const QByteArray kOpenZh("\xB4\xF2\xBF\xAA\xB4\xAE\xBF\xDA");
const QByteArray kCloseZh("\xB9\xD8\xB1\xD5\xB4\xAE\xBF\xDA");
const QByteArray kNewOpenZh("\xD0\xC2\xB5\xC4\xB4\xF2\xBF\xAA");

class LookupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile f(dir.filePath("R52xLang.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(";own words\r\n"
                "lang_btnOpen|" + kNewOpenZh + "|Open it\r\n"
                "lang_btnOpen|second|never used\r\n"
                "lang_only_in_file|F-zh|F-en\r\n");
        f.close();
        ASSERT_EQ(InitLanguage(dir.path()), TLangFileState::Read);
    }
    void TearDown() override { FreeLanguage(); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(LookupTest, FileRowOverridesInBothLanguagesAndOtherKeysKeepBuiltInTexts)
{
    LangList->IsChinese = true;
    EXPECT_EQ(LangText("lang_btnOpen"), kNewOpenZh);
    EXPECT_EQ(LangText("lang_btnClose"), kCloseZh);
    LangList->IsChinese = false;
    EXPECT_EQ(LangText("lang_btnOpen"), "Open it"); // the duplicate further down is never used
    EXPECT_EQ(LangText("lang_btnClose"), "Close Serial");
    EXPECT_EQ(LangText("lang_only_in_file"), "F-en");
}

TEST_F(LookupTest, KeysAreFoundWhateverTheirLetterCase)
{
    LangList->IsChinese = false;
    EXPECT_EQ(LangText("LANG_BTNCLOSE"), "Close Serial");
    EXPECT_EQ(LangText("Lang_BtnOpen"), "Open it");
    // Blanks are part of the key.
    EXPECT_EQ(LangText(" lang_btnClose"), " lang_btnClose");
}

TEST_F(LookupTest, UnknownKeyComesBackUnchanged)
{
    EXPECT_EQ(LangText("lang_NoSuchKey"), "lang_NoSuchKey");
    EXPECT_EQ(LangText(QByteArray()), QByteArray());
}

TEST_F(LookupTest, TextsOfARowTranslateToTheCurrentLanguage)
{
    LangList->IsChinese = false;
    EXPECT_EQ(LangText(kCloseZh), "Close Serial");
    EXPECT_EQ(LangText("close serial"), "Close Serial");
    EXPECT_EQ(LangText(" Param of "), " Param of ");
    LangList->IsChinese = true;
    EXPECT_EQ(LangText("Close Serial"), kCloseZh);
    // A file row is found by its texts too, before any built-in row.
    EXPECT_EQ(LangText("Open it"), kNewOpenZh);
    EXPECT_EQ(LangText("F-en"), "F-zh");
}

TEST_F(LookupTest, WidgetTextsAreDecoded)
{
    LangList->IsChinese = true;
    EXPECT_EQ(LangTextU("lang_btnClose"), QString::fromUtf8("关闭串口"));
    EXPECT_EQ(LangTextU("lang_rzgrpbxWkmod"), QString::fromUtf8(" 选择工作模式"));
}

TEST(LangTextWithoutTable, ReturnsTheKey)
{
    FreeLanguage();
    EXPECT_EQ(LangText("lang_btnOpen"), "lang_btnOpen");
    EXPECT_EQ(LangTextU("lang_btnOpen"), QStringLiteral("lang_btnOpen"));
    RegisterTexts(); // nothing to register into
    EXPECT_EQ(LangList, nullptr);
}

TEST(SameTextNoCase, FoldsLettersButNeverATrailByte)
{
    EXPECT_TRUE(SameTextNoCase("Lang_BTN", "lang_btn"));
    EXPECT_FALSE(SameTextNoCase("lang_btn", "lang_btn "));
    EXPECT_FALSE(SameTextNoCase("a", "b"));
    // 0x81 0x41 and 0x81 0x61 are two different characters: the trail byte is no letter.
    EXPECT_FALSE(SameTextNoCase("\x81" "A", "\x81" "a"));
    EXPECT_TRUE(SameTextNoCase("x\x81" "Ay", "X\x81" "AY"));
    // Bytes that are no text compare exactly.
    EXPECT_FALSE(SameTextNoCase("\xC0", "\xE0"));
    EXPECT_TRUE(SameTextNoCase(QByteArray("a\0B", 3), QByteArray("A\0b", 3)));
    EXPECT_FALSE(SameTextNoCase(QByteArray("a\0B", 3), QByteArray("A\0c", 3)));
}

TEST(SameTextNoCase, DoubleByteLettersFoldToo)
{
    const auto g = [](const char *utf8) { return gbk::fromUtf8(utf8); };
    EXPECT_TRUE(SameTextNoCase(g("ＫＥＹ＿ａ"), g("ｋｅｙ＿Ａ"))); // full-width Latin
    EXPECT_TRUE(SameTextNoCase(g("ΑΒΓ"), g("αβγ")));                       // Greek
    EXPECT_TRUE(SameTextNoCase(g("ПРИВЕТ"), g("привет")));                 // Cyrillic
    EXPECT_FALSE(SameTextNoCase(g("ＫＥＹ"), g("KEY")));                   // full width is not ASCII
    EXPECT_FALSE(SameTextNoCase(g("中文"), g("中问")));

    TLangList t;
    t.AddDefault(g("ｋｅｙ"), "zh", "en");
    t.IsChinese = false;
    EXPECT_EQ(t.GetText(g("ＫＥＹ")), "en");
}

TEST(SystemLanguage, FirstNonEmptyLocaleVariableDecides)
{
    std::map<std::string, QByteArray> env;
    const auto lookup = [&env](const char *name) {
        const auto it = env.find(name);
        return it == env.end() ? QByteArray() : it->second;
    };
    EXPECT_EQ(GetSystemLanguageName(lookup), QByteArray());
    EXPECT_FALSE(LanguageNameIsChinese(GetSystemLanguageName(lookup)));

    env["LANG"] = "zh_CN.UTF-8";
    EXPECT_TRUE(LanguageNameIsChinese(GetSystemLanguageName(lookup)));
    env["LC_MESSAGES"] = "en_GB.UTF-8";
    EXPECT_EQ(GetSystemLanguageName(lookup), "en_GB.UTF-8");
    EXPECT_FALSE(LanguageNameIsChinese(GetSystemLanguageName(lookup)));
    env["LC_ALL"] = "zh_TW";
    EXPECT_TRUE(LanguageNameIsChinese(GetSystemLanguageName(lookup)));
    env["LC_ALL"] = "C";
    EXPECT_FALSE(LanguageNameIsChinese(GetSystemLanguageName(lookup)));
    env["LC_ALL"] = "";
    EXPECT_EQ(GetSystemLanguageName(lookup), "en_GB.UTF-8");
}

TEST(SystemLanguage, ReadsTheProcessEnvironment)
{
    const QByteArray saved = qgetenv("LC_ALL");
    const bool had = qEnvironmentVariableIsSet("LC_ALL");
    qputenv("LC_ALL", "zh_CN.GBK");
    EXPECT_TRUE(TLangList::SystemIsChinese());
    qputenv("LC_ALL", "en_US.UTF-8");
    EXPECT_FALSE(TLangList::SystemIsChinese());
    if (had)
        qputenv("LC_ALL", saved);
    else
        qunsetenv("LC_ALL");
}

TEST(LangTable, StartsInEnglishAndInitReplacesTheTable)
{
    QTemporaryDir dir;
    InitLanguage(dir.path());
    ASSERT_NE(LangList, nullptr);
    EXPECT_FALSE(LangList->IsChinese);
    const qsizetype rows = LangList->DefaultKeys.size();
    EXPECT_EQ(rows, LangList->DefaultChinese.size());
    EXPECT_EQ(rows, LangList->DefaultEnglish.size());
    EXPECT_EQ(InitLanguage(dir.path()), TLangFileState::Read);
    EXPECT_EQ(LangList->DefaultKeys.size(), rows); // not registered twice
    EXPECT_EQ(LangList->FileKeys.size(), kCatalogueRows + 1); // the one-blank line is a row too
    FreeLanguage();
    EXPECT_EQ(LangList, nullptr);
}
