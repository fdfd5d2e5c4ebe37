// The language file: what a new one holds byte for byte, and how lines are read back.
#include "lang/AppLang.h"
#include "lang/Baselang.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "util/Gbk.h"

#include <gtest/gtest.h>

#include "tests/common/TestFiles.h"

#include <random>

namespace {

// GBK of the two header lines, taken from an independent encoder.
const QByteArray kHeader1(
    ";\xD3\xEF\xD1\xD4\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xCE\xAA: \xC3\xFB\xB3\xC6|\xD6\xD0\xCE\xC4|"
    "\xD3\xA2\xCE\xC4\xA3\xAC\xCA\xFA\xCF\xDF\xB7\xD6\xB8\xEE\xA3\xAC\xB6\xBA\xBA\xC5\xD3\xEB\xB7\xD6"
    "\xBA\xC5\xCE\xAA\xD7\xA2\xCA\xCD\xA3\xAC///\xCE\xAA\xBB\xBB\xD0\xD0\xA3\xAC\xBF\xD5\xD0\xD0\xD7"
    "\xD4\xB6\xAF\xBA\xF6\xC2\xD4");
const QByteArray kHeader2(
    ";Language file format: Name|Chinese|English\xA3\xAC" "vertical is delimiter\xA3\xAC"
    " comma or semicolon is Comments\xA3\xAC///is newline\xA3\xAC" "Empty lines automatically ignored");

// SHA-256 of the whole default file as an independent writer produced it from the catalogue.
const char kDefaultFileSha256[] = "4d84c34a41bc28b8a733f32f5fa0d3979ff12cc004ef0ce54a8fee00c3285302";

const QByteArray kOpenZh("\xB4\xF2\xBF\xAA\xB4\xAE\xBF\xDA");    // "open port"
const QByteArray kPlsUpFwZh("\xC7\xEB\xC9\xFD\xBC\xB6\xB9\xCC\xBC\xFE\xA3\xA1");

QByteArray readAll(const QString &path) { return ReadFileBytes(path); }
bool writeAll(const QString &path, const QByteArray &bytes) { return WriteFileBytes(path, bytes); }

class LangFileTest : public ::testing::Test
{
protected:
    void TearDown() override { FreeLanguage(); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(LangFileTest, MissingFileIsWrittenFromTheCatalogueByteForByte)
{
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(InitLanguage(dir.path()), TLangFileState::Written);
    const QByteArray bytes = readAll(dir.filePath("R52xLang.txt"));
    ASSERT_FALSE(bytes.isEmpty());

    EXPECT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(), kDefaultFileSha256);

    // Every line ends in CR LF, and there are three header lines and 140 entries.
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count('\n'), 143);
    EXPECT_EQ(bytes.count("\r\n"), 143);
    QByteArrayList lines = bytes.split('\n');
    lines.removeLast();
    ASSERT_EQ(lines.size(), 143);
    for (QByteArray &l : lines)
        l.chop(1);

    EXPECT_EQ(lines[0], kHeader1); // no byte-order mark before it
    EXPECT_EQ(lines[1], kHeader2);
    EXPECT_EQ(lines[2], " ");
    EXPECT_EQ(lines[3], "lang_Main_Title|QEB-R52x|QEB-R52x");
    EXPECT_EQ(lines[3 + 19], "lang_btnOpen|" + kOpenZh + "|Open Serial");
    EXPECT_EQ(lines[142], "info_PlsUpFw|" + kPlsUpFwZh + "|Please upgrade the firmware!");

    // Entry lines follow the registration order of the catalogue.
    for (qsizetype i = 0; i < kCatalogueRows; ++i)
        EXPECT_EQ(CutName(lines[3 + i]), LangList->DefaultKeys[i]) << "row " << i + 1;

    // The English texts keep their words as users have always seen them.
    for (const char *t : {"|Sned SMS message", "|Checcked make enable", "|Restar after upgrade",
                          "|Similar RFC2117", "|Destination phone number \r\n"})
        EXPECT_TRUE(bytes.contains(t)) << t;
}

TEST_F(LangFileTest, MessagesAfterTheCatalogueAreServedButNotWritten)
{
    ASSERT_EQ(InitLanguage(dir.path()), TLangFileState::Written);
    const QByteArray bytes = readAll(dir.filePath("R52xLang.txt"));
    EXPECT_FALSE(bytes.contains("info_ComHangup"));
    EXPECT_FALSE(bytes.contains("info_LangFileError"));
    EXPECT_GT(LangList->DefaultKeys.size(), kCatalogueRows);
    LangList->IsChinese = false;
    EXPECT_EQ(LangText("info_LangFileError"), "Unable to write the language file %s");
    LangList->IsChinese = true;
    EXPECT_EQ(LangText("info_ComHangup"),
              "\xB4\xAE\xBF\xDA\xD2\xD1\xB6\xCF\xBF\xAA\xA3\xAC\xD2\xD1\xB9\xD8\xB1\xD5\xB4\xAE\xBF\xDA");
}

TEST_F(LangFileTest, MessagesOfFailuresAndQuestionsHaveBothLanguagesAndCanBeOverridden)
{
    QFile f(dir.filePath("R52xLang.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x\r\n\r\ninfo_Refused|ZH %s|Module said no: %s\r\n");
    f.close();
    ASSERT_EQ(InitLanguage(dir.path()), TLangFileState::Read);
    for (const char *k : {"info_NoAnswer", "info_OpCancelled", "info_ComNoDevice", "info_ComOpenFail",
                          "info_AskCLEAR", "info_AskRELD", "lang_AskYes", "lang_AskNo"}) {
        LangList->IsChinese = false;
        const QByteArray en = LangText(k);
        LangList->IsChinese = true;
        const QByteArray zh = LangText(k);
        EXPECT_NE(en, QByteArray(k));
        EXPECT_NE(zh, en) << k;
        EXPECT_TRUE(gbk::toUnicode(zh).contains(QRegularExpression("[\\x{4e00}-\\x{9fff}]"))) << k;
    }
    LangList->IsChinese = false;
    EXPECT_EQ(LangText("info_Refused"), "Module said no: %s"); // the file's row wins
}

TEST_F(LangFileTest, CatalogueKeysAreUniqueAndNamedByGroup)
{
    ASSERT_NE(InitLanguage(dir.path()), TLangFileState::WriteFailed);
    const QByteArrayList &keys = LangList->DefaultKeys;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        EXPECT_TRUE(keys[i].startsWith("lang_") || keys[i].startsWith("hint_") || keys[i].startsWith("info_"))
            << keys[i].constData();
        for (qsizetype j = 0; j < i; ++j)
            EXPECT_FALSE(SameTextNoCase(keys[i], keys[j])) << keys[i].constData();
    }
    // Nothing the file format would cut apart.
    for (const QByteArrayList *l : {&LangList->DefaultChinese, &LangList->DefaultEnglish})
        for (const QByteArray &t : *l)
            EXPECT_FALSE(t.contains('|') || t.contains('\n')) << t.constData();
}

TEST_F(LangFileTest, ExistingFileIsReadAndNeverRewritten)
{
    const QString path = dir.filePath("R52xLang.txt");
    const QByteArray mine(";mine\r\nlang_btnOpen|A|B\r\n");
    ASSERT_TRUE(writeAll(path, mine));
    EXPECT_EQ(InitLanguage(dir.path()), TLangFileState::Read);
    EXPECT_EQ(readAll(path), mine);
    ASSERT_EQ(LangList->FileKeys.size(), 1);
    EXPECT_EQ(LangText("lang_btnOpen"), "B");
}

TEST_F(LangFileTest, OversizedFileIsNotReadAndLeftAsItIs)
{
    const QString path = dir.filePath("R52xLang.txt");
    QByteArray big("lang_btnOpen|A|Big\r\n");
    big += QByteArray(kMaxLangFileBytes, ';');
    ASSERT_TRUE(writeAll(path, big));
    EXPECT_EQ(InitLanguage(dir.path()), TLangFileState::TooLarge);
    EXPECT_TRUE(LangList->FileKeys.isEmpty());
    EXPECT_NE(LangText("lang_btnOpen"), "Big");
    EXPECT_EQ(readAll(path), big);
    big.chop(25); // at the limit it is read
    ASSERT_TRUE(writeAll(path, big));
    EXPECT_EQ(InitLanguage(dir.path()), TLangFileState::Read);
    EXPECT_EQ(LangText("lang_btnOpen"), "Big");
}

TEST_F(LangFileTest, UnwritableDirectoryIsReportedAndBuiltInTextsServe)
{
    const QString plainFile = dir.filePath("plain");
    ASSERT_TRUE(writeAll(plainFile, "x"));
    // A directory below a regular file cannot exist, for root neither.
    EXPECT_EQ(InitLanguage(plainFile + "/sub"), TLangFileState::WriteFailed);
    ASSERT_NE(LangList, nullptr);
    EXPECT_TRUE(LangList->FileKeys.isEmpty());
    LangList->IsChinese = false;
    EXPECT_EQ(LangText("lang_btnOpen"), "Open Serial");
}

TEST(LangWriter, LineBreaksBecomeMarksAndKeysStayAsTheyAre)
{
    TLangList t;
    t.AddDefault("k|ey\r\n", "a\r\nb", "c\r\nd\re");
    const QByteArray bytes = t.DefaultFileBytes();
    EXPECT_TRUE(bytes.endsWith(" \r\nk|ey\r\n|a///b|c///d\re\r\n"));
    EXPECT_EQ(EncodeLineBreaks("x\r\n\r\ny\n"), "x//////y\n");
    EXPECT_EQ(DecodeLineBreaks("x//////y//"), "x\n\ny//");
}

TEST(LangReader, EveryLineFollowsTheGrammar)
{
    TLangList t;
    t.ReadLangBytes(";comment|x|y\r\n"
                    "\r\n"
                    "\n"
                    " \r\n"
                    ",comma|zh|en\r\n"
                    "one|rest of line\r\n"
                    "k|zh|lost|en\r\n"
                    "nobar\r\n"
                    "br|a///b|c///d\r\n"
                    "cr|a\rb|c\r\r\n"
                    "  ;not a comment|1|2\n"
                    "last|no|newline");
    // A lone CR ends a line as LF and CR LF do.
    const QByteArrayList keys{"", ",comma", "one", "k", "", "br", "cr", "b", "  ;not a comment", "last"};
    const QByteArrayList zh{"", "zh", "", "zh", "", "a\nb", "", "", "1", "no"};
    const QByteArrayList en{"", "en", "rest of line", "en", "", "c\nd", "a", "c", "2", "newline"};
    EXPECT_EQ(t.FileKeys, keys);
    EXPECT_EQ(t.FileChinese, zh);
    EXPECT_EQ(t.FileEnglish, en);
}

TEST(LangReader, ByteHexOneAEndsTheFile)
{
    TLangList t;
    t.ReadLangBytes("a|1|2\r\nb|3|4\x1A" "c|5|6\r\n");
    EXPECT_EQ(t.FileKeys, (QByteArrayList{"a", "b"}));
    EXPECT_EQ(t.FileEnglish.last(), "4");
}

TEST(LangReader, FilesSavedAsUtf8GiveTheSameTexts)
{
    const QByteArray utf8 = QString::fromUtf8("lang_btnOpen|打开串口|Open Serial\r\nx|中|y").toUtf8();
    const QByteArray gbkText = gbk::fromUtf8("打开串口");
    for (const QByteArray &bom : {QByteArray("\xEF\xBB\xBF"), QByteArray()}) {
        TLangList t;
        t.ReadLangBytes(bom + utf8);
        ASSERT_EQ(t.FileKeys.size(), 2);
        EXPECT_EQ(t.FileKeys.first(), "lang_btnOpen") << "the BOM is no part of the first key";
        EXPECT_EQ(t.FileChinese.first(), gbkText);
        EXPECT_EQ(t.FileEnglish.first(), "Open Serial");
    }
    // The same texts in GBK are read as they are; so are bytes that are both (the GBK of
    // 平台 is valid UTF-8, and the UTF-8 of 平信 is GB2312 text).
    for (const QByteArray &text : {gbkText, gbk::fromUtf8("平台"), QString::fromUtf8("平信").toUtf8()}) {
        TLangList g;
        g.ReadLangBytes("k|" + text + "|e");
        EXPECT_EQ(g.FileChinese.first(), text);
    }
}

TEST(LangReader, CutFunctions)
{
    EXPECT_EQ(CutName("a|b|c"), "a");
    EXPECT_EQ(CutName("abc"), "");
    EXPECT_EQ(CutName("|b"), "");
    EXPECT_EQ(CutChinese("a|b"), "");
    EXPECT_EQ(CutChinese("a||c"), "");
    EXPECT_EQ(CutChinese("a|x///y|c"), "x\ny");
    EXPECT_EQ(CutEnglish("a|b|c|d"), "d");
    EXPECT_EQ(CutEnglish("a|"), "");
    EXPECT_EQ(CutEnglish("abc"), "");
}

TEST(LangReader, FileThatCannotBeReadAddsNothing)
{
    QTemporaryDir dir;
    TLangList t;
    t.ReadLangFile(QString());
    t.ReadLangFile(dir.filePath("absent.txt"));
    t.ReadLangFile(dir.path()); // a directory
    EXPECT_TRUE(t.FileKeys.isEmpty());
    EXPECT_EQ(t.LoadFromFile(QString()), TLangFileState::WriteFailed);
    EXPECT_TRUE(t.FileKeys.isEmpty());
}

TEST(LangReader, RandomBytesAndHugeLinesLoadWithoutHarm)
{
    QTemporaryDir dir;
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 4; ++round) {
        QByteArray junk;
        const int size = round == 3 ? 3 << 20 : 200000;
        junk.reserve(size);
        for (int i = 0; i < size; ++i) {
            int b = byte(rng);
            if (b < 8)
                b = "|\n\r/;|\n|"[b];
            if (round == 3 && (b == '\n' || b == '\r' || b == 0x1A))
                b = '|'; // one line of megabytes
            junk.append(char(b));
        }
        const QString path = dir.filePath(QString("junk%1.txt").arg(round));
        ASSERT_TRUE(writeAll(path, junk));
        TLangList t;
        t.ReadLangFile(path);
        ASSERT_EQ(t.FileKeys.size(), t.FileChinese.size());
        ASSERT_EQ(t.FileKeys.size(), t.FileEnglish.size());
        if (round == 3) {
            EXPECT_EQ(t.FileKeys.size(), 1);
        }
        t.AddDefault("lang_x", "zh", "en");
        (void)t.GetText(junk.left(64));
        EXPECT_EQ(t.GetText("lang_not_there_at_all"), "lang_not_there_at_all");
    }
}
