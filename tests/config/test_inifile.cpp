// The INI engine: reads, writes in place, whole-file saves and hostile files.
#include "config/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "util/Gbk.h"
#include "tests/common/TestFiles.h"

#include <climits>
#include <random>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path) { return ReadFileBytes(path); }
bool writeAll(const QString &path, const QByteArray &bytes) { return WriteFileBytes(path, bytes); }

TIniFile fromBytes(const QByteArray &bytes)
{
    TIniFile ini(QStringLiteral("unused.ini"));
    ini.setContent(bytes);
    return ini;
}

const QByteArray kHandMade("; written by hand\r\n"
                           "[System]\r\n"
                           "Language=1\r\n"
                           "Custom = 1\r\n"
                           "\r\n"
                           "; the port\r\n"
                           "[OpenUart]\r\n"
                           "ComName=/dev/ttyUSB0\r\n"
                           "Unknown\xB4\xAE=\xB4\xAE\xBF\xDA \t\r\n"
                           "no equals sign here\r\n"
                           "\r\n"
                           "\r\n"
                           "[Base]\r\n"
                           "APN=CMNET,,\r\n");

} // namespace

TEST(IniRoundTrip, UntouchedFileIsWrittenBackByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("R52xCfg.ini");
    ASSERT_TRUE(writeAll(path, kHandMade));
    TIniFile ini(path);
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.content(), kHandMade);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readAll(path), kHandMade);
}

TEST(IniRoundTrip, EveryLineKeepsItsOwnEndAndAddedLinesTakeTheFilesFirst)
{
    struct Case { const char *file, *expected; };
    for (const Case &c : {Case{"[a]\rk=1\r[b]\rz=2", "[a]\rk=9\r[b]\rz=2\rn=8\r"}, Case{"", "[a]\r\nk=9\r\n\r\n[b]\r\nn=8\r\n"},
                          Case{"[a]\nk=1\r\r\n[b]\r\nz=2\r\n", "[a]\nk=9\r\r\n[b]\r\nz=2\r\nn=8\n"}}) {
        TIniFile ini = fromBytes(c.file);
        EXPECT_EQ(ini.content(), c.file);
        ini.WriteString("a", "k", "9");
        ini.WriteString("b", "n", "8");
        EXPECT_EQ(ini.content(), c.expected);
    }
}

TEST(IniWrite, KeyIsReplacedWhereItStandsKeepingItsSpelling)
{
    TIniFile ini = fromBytes(kHandMade);
    ini.WriteString("system", "CUSTOM", "0");
    ini.WriteString("OpenUart", "comname", "/dev/ttyACM1");
    QByteArray expected = kHandMade;
    expected.replace("Custom = 1", "Custom = 0");
    expected.replace("ComName=/dev/ttyUSB0", "ComName=/dev/ttyACM1");
    EXPECT_EQ(ini.content(), expected);
    EXPECT_TRUE(ini.isModified());
}

TEST(IniWrite, MissingKeyGoesToTheEndOfItsSectionBeforeItsBlankLines)
{
    TIniFile ini = fromBytes(kHandMade);
    ini.WriteString("OpenUart", "BaudRate", "115200");
    ini.WriteInteger("System", "SendShortCutTag", 2);
    QByteArray expected = kHandMade;
    expected.replace("no equals sign here\r\n", "no equals sign here\r\nBaudRate=115200\r\n");
    expected.replace("Custom = 1\r\n", "Custom = 1\r\nSendShortCutTag=2\r\n");
    EXPECT_EQ(ini.content(), expected);
    // Nothing but a comment yet: the key follows the header.
    TIniFile c = fromBytes("[S]\r\n; note\r\n");
    c.WriteString("S", "k", "v");
    EXPECT_EQ(c.content(), "[S]\r\nk=v\r\n; note\r\n");
}

TEST(IniWrite, MissingSectionIsAppendedAtTheEnd)
{
    TIniFile ini = fromBytes(kHandMade);
    ini.WriteString("Heart", "HEARTTM", "30");
    ini.WriteString("Heart", "HEARTSND", "NET");
    EXPECT_EQ(ini.content(), kHandMade + "\r\n[Heart]\r\nHEARTTM=30\r\nHEARTSND=NET\r\n");
}

TEST(IniWrite, NewFileKeepsTheOrderOfTheWrites)
{
    TIniFile ini(QStringLiteral("x.ini"));
    ini.WriteBool("System", "Language", true);
    ini.WriteBool("System", "ReadTimeHelp", false);
    ini.WriteString("WKMOD", "WKMOD", "NET");
    ini.WriteInteger("System", "Neg", -12);
    EXPECT_EQ(ini.content(),
              "[System]\r\nLanguage=1\r\nReadTimeHelp=0\r\nNeg=-12\r\n\r\n[WKMOD]\r\nWKMOD=NET\r\n");
}

TEST(IniWrite, LineBreaksCannotSmuggleInLines)
{
    TIniFile ini(QStringLiteral("x.ini"));
    ini.WriteString("A\r\n", "k\n", "one\r\n[Evil]\r\nx=1");
    EXPECT_FALSE(ini.SectionExists("Evil"));
    EXPECT_EQ(ini.ReadString("A", "k", "?"), "one[Evil]x=1");
    EXPECT_EQ(ini.content(), "[A]\r\nk=one[Evil]x=1\r\n");
}

TEST(IniRead, SectionsAndKeysIgnoreLetterCase)
{
    const TIniFile ini = fromBytes(kHandMade);
    EXPECT_EQ(ini.ReadString("SYSTEM", "language", "x"), "1");
    EXPECT_EQ(ini.ReadString("openuart", "COMNAME", "x"), "/dev/ttyUSB0");
    EXPECT_EQ(ini.ReadString("OpenUart", "Unknown\xB4\xAE", "x"), "\xB4\xAE\xBF\xDA");
    EXPECT_EQ(ini.ReadString("OpenUart", "UNKNOWN\xB4\xAE", "x"), "\xB4\xAE\xBF\xDA");
    // The trail byte 0x41 is not the letter A.
    TIniFile gbk = fromBytes("[\x81\x41]\r\nk=upper\r\n[\x81\x61]\r\nk=lower\r\n");
    EXPECT_EQ(gbk.ReadString("\x81\x61", "K", "x"), "lower");
    EXPECT_TRUE(gbk.ValueExists("\x81\x41", "k"));
    EXPECT_FALSE(gbk.ValueExists("\x81\x41", "no"));
}

TEST(IniRead, MissingSectionKeyOrFileGivesTheDefault)
{
    const TIniFile ini = fromBytes(kHandMade);
    EXPECT_EQ(ini.ReadString("Nope", "Language", "def"), "def");
    EXPECT_EQ(ini.ReadString("System", "Nope", "def"), "def");
    EXPECT_EQ(ini.ReadString("OpenUart", "no equals sign here", "def"), "def");
    EXPECT_EQ(ini.ReadString("", "", "def"), "def");

    QTemporaryDir dir;
    TIniFile missing(dir.filePath("absent.ini"));
    EXPECT_TRUE(missing.load());
    EXPECT_EQ(missing.ReadInteger("System", "SendShortCutTag", 2), 2);
    EXPECT_FALSE(QFile::exists(dir.filePath("absent.ini")));
    missing.WriteString("System", "Language", "0");
    ASSERT_TRUE(missing.save());
    EXPECT_EQ(readAll(dir.filePath("absent.ini")), "[System]\r\nLanguage=0\r\n");
}

TEST(IniRead, KeysBeforeAnySectionOrInCommentsAreNotFound)
{
    const TIniFile ini = fromBytes("k=top\r\n[S]\r\n;k=comment\r\n  ; j=also\r\n=nokey\r\nk=real\r\nk=second\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", "x"), "real");
    EXPECT_EQ(ini.ReadString("S", "j", "x"), "x");
    EXPECT_EQ(ini.ReadString("S", "", "x"), "x");
}

TEST(IniRead, BlanksAndOnePairOfEnclosingQuotesAreDropped)
{
    const TIniFile ini = fromBytes("[S]\r\n"
                                   "a =  \"in side\"  \r\n"
                                   "b='x'\r\n"
                                   "c=\"'both'\"\r\n"
                                   "d=\"mixed'\r\n"
                                   "e=\"\r\n"
                                   "f=\t\r\n"
                                   "g=[QEB-R520] \r\n"
                                   "h=a=b\r\n");
    EXPECT_EQ(ini.ReadString("S", "a", "?"), "in side");
    EXPECT_EQ(ini.ReadString("S", "b", "?"), "x");
    EXPECT_EQ(ini.ReadString("S", "c", "?"), "'both'");
    EXPECT_EQ(ini.ReadString("S", "d", "?"), "\"mixed'");
    EXPECT_EQ(ini.ReadString("S", "e", "?"), "\"");
    EXPECT_EQ(ini.ReadString("S", "f", "?"), "");
    EXPECT_EQ(ini.ReadString("S", "g", "?"), "[QEB-R520]");
    EXPECT_EQ(ini.ReadString("S", "h", "?"), "a=b");
}

TEST(IniRead, ValuesAreCutAt2047BytesNeverInsideACharacter)
{
    TIniFile ini(QStringLiteral("x.ini"));
    ini.WriteString("S", "long", QByteArray(3000, 'a'));
    EXPECT_EQ(ini.ReadString("S", "long", ""), QByteArray(2047, 'a'));
    ini.WriteString("S", "exact", QByteArray(2047, 'b'));
    EXPECT_EQ(ini.ReadString("S", "exact", "").size(), 2047);
    // A double-byte character at bytes 2047 and 2048 does not fit, not even half of it.
    ini.WriteString("S", "gbk", QByteArray(2046, 'c') + "\xB4\xAE\xBF\xDA");
    EXPECT_EQ(ini.ReadString("S", "gbk", ""), QByteArray(2046, 'c'));
    ini.WriteString("S", "gbk2", QByteArray(2045, 'c') + "\xB4\xAE\xBF\xDA");
    EXPECT_EQ(ini.ReadString("S", "gbk2", ""), QByteArray(2045, 'c') + "\xB4\xAE");
    // The whole value stays in the file.
    EXPECT_TRUE(ini.content().contains(QByteArray(3000, 'a')));
}

TEST(IniRead, IntegersInDecimalAndHexadecimal)
{
    const TIniFile ini = fromBytes("[S]\r\n"
                                   "hx=0x1F\r\nHX=0X1f\r\ndollar=$1F\r\ndec= 31 \r\nneg=-5\r\nplus=+7\r\n"
                                   "quoted=\"12\"\r\nall=$FFFFFFFF\r\nmin=-2147483648\r\n"
                                   "bad1=abc\r\nbad2=12abc\r\nbad3=0x\r\nbad4=$\r\nbad5=99999999999\r\n"
                                   "bad6=1 2\r\nbad7=$1FFFFFFFF\r\nbad8=0x-1\r\nbad9=\r\nbad10=2147483648\r\n");
    EXPECT_EQ(ini.ReadInteger("S", "hx", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "HX", 0), 31); // first "hx" wins; case ignored
    EXPECT_EQ(ini.ReadInteger("S", "dollar", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "dec", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -5);
    EXPECT_EQ(ini.ReadInteger("S", "plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("S", "quoted", 0), 12);
    EXPECT_EQ(ini.ReadInteger("S", "all", 0), -1);
    EXPECT_EQ(ini.ReadInteger("S", "min", 0), INT_MIN);
    for (const char *bad : {"bad1", "bad2", "bad3", "bad4", "bad5", "bad6", "bad7", "bad8", "bad9", "bad10",
                            "absent"})
        EXPECT_EQ(ini.ReadInteger("S", bad, -77), -77) << bad;
}

TEST(IniRead, BooleansAreIntegers)
{
    TIniFile ini = fromBytes("[System]\r\none=1\r\nzero=0\r\ntwo=2\r\nhex=$0\r\nword=yes\r\n");
    EXPECT_TRUE(ini.ReadBool("System", "one", false));
    EXPECT_FALSE(ini.ReadBool("System", "zero", true));
    EXPECT_TRUE(ini.ReadBool("System", "two", false));
    EXPECT_FALSE(ini.ReadBool("System", "hex", true));
    EXPECT_TRUE(ini.ReadBool("System", "word", true));
    EXPECT_FALSE(ini.ReadBool("System", "word", false));
    ini.WriteBool("System", "one", false);
    ini.WriteBool("System", "zero", true);
    EXPECT_TRUE(ini.content().contains("one=0\r\nzero=1\r\n"));
}

TEST(IniSave, DirectoryThatCannotExistFailsWithThePath)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath("plain");
    ASSERT_TRUE(writeAll(plain, "x"));
    const QString path = plain + "/R52xCfg.ini";
    TIniFile ini(path);
    EXPECT_TRUE(ini.load()); // not there: no error
    ini.WriteString("System", "Language", "1");
    QString error;
    EXPECT_FALSE(ini.save(&error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_FALSE(ini.flush(nullptr));
    EXPECT_EQ(readAll(plain), "x");
}

TEST(IniSave, ReadOnlyDirectoryLeavesTheOldFileIntact)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories";
    QTemporaryDir dir;
    const QString sub = dir.filePath("ro");
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString path = sub + "/R52xCfg.ini";
    ASSERT_TRUE(writeAll(path, kHandMade));
    ASSERT_TRUE(QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    TIniFile ini(path);
    ASSERT_TRUE(ini.load());
    ini.WriteString("System", "Language", "0");
    QString error;
    EXPECT_FALSE(ini.save(&error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(readAll(path), kHandMade);
    EXPECT_EQ(QDir(sub).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(IniSave, ReadOnlyFileIsNeverReplacedAlsoForRoot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("R52xCfg.ini");
    ASSERT_TRUE(writeAll(path, kHandMade));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(path, readOnly));
    TIniFile ini(path);
    ASSERT_TRUE(ini.load());
    ini.WriteString("System", "Language", "0");
    QString error;
    EXPECT_FALSE(ini.save(&error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(readAll(path), kHandMade);
    EXPECT_FALSE(QFileInfo(path).permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther))
        << "the file stays read-only";
}

TEST(IniLoad, FileThatCannotBeReadIsNeverOverwritten)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files without read permission";
    QTemporaryDir dir;
    const QString path = dir.filePath("R52xCfg.ini");
    ASSERT_TRUE(writeAll(path, kHandMade));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    TIniFile ini(path);
    QString error;
    EXPECT_FALSE(ini.load(&error));
    EXPECT_TRUE(error.contains(path));
    ini.WriteString("System", "Language", "0");
    EXPECT_FALSE(ini.save(&error));
    EXPECT_TRUE(error.contains(path));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(readAll(path), kHandMade);
}

TEST(IniLoad, ADirectoryInPlaceOfTheFileIsAnError)
{
    QTemporaryDir dir;
    TIniFile ini(dir.path());
    QString error;
    EXPECT_FALSE(ini.load(&error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(dir.path())));
    EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
    EXPECT_FALSE(ini.save());
}

TEST(IniLoad, RandomBytesHugeLinesAndInvalidGbkDoNoHarm)
{
    QTemporaryDir dir;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 3; ++round) {
        QByteArray junk;
        const int size = round == 2 ? 4 << 20 : 300000;
        for (int i = 0; i < size; ++i) {
            int b = byte(rng);
            if (b < 6)
                b = "[]=\n;\""[b];
            if (round == 2 && (b == '\n' || b == '\r'))
                b = '=';
            if (round == 1 && b == '\r')
                b = 0x81; // lead bytes without trail bytes
            junk.append(char(b));
        }
        const QString path = dir.filePath(QString("junk%1.ini").arg(round));
        ASSERT_TRUE(writeAll(path, junk));
        TIniFile ini(path);
        ASSERT_TRUE(ini.load());
        (void)ini.ReadString(junk.mid(1, 3), junk.mid(5, 3), "d");
        (void)ini.ReadInteger(junk.left(2), junk.left(2), 0);
        ini.WriteString("Base", "APN", "CMNET,,");
        EXPECT_EQ(ini.ReadString("Base", "APN", "x"), "CMNET,,") << round;
        ASSERT_TRUE(ini.save());
        EXPECT_TRUE(readAll(path).startsWith(junk)) << round; // every line keeps its bytes and its end
        if (round == 2) {
            EXPECT_FALSE(ini.isUnderstood()) << "one line of junk holds no section";
        }
    }
}

// Lines that are no section, key, comment or blank line are counted by number and kept.
TEST(IniFileTest, LinesThatAreNothingAreNamedByNumber)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("strange.ini");
    const QByteArray text = "; comment\r\n[Base]\r\nAPN=CMNET,,\r\nthis is no key\r\n\r\n[broken\r\n  ; indented comment\r\nUART=115200\r\n";
    ASSERT_TRUE(writeAll(path, text));
    TIniFile ini(path);
    ASSERT_TRUE(ini.load());
    EXPECT_TRUE(ini.isUnderstood());
    EXPECT_EQ(ini.strangeLines(), (QList<int>{4, 6}));
    EXPECT_EQ(ini.ReadString("Base", "APN", "x"), "CMNET,,");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readAll(path), text); // kept as they are
}

TEST(IniGlobal, FreeFunctionsWorkOnTheOneFileObject)
{
    FreeIni();
    EXPECT_EQ(ReadIniInt("System", "SendShortCutTag", 2), 2);
    EXPECT_TRUE(ReadIniBool("System", "ReadTimeHelp", true));
    EXPECT_EQ(ReadIniStr("Base", "APN", "CMNET,,"), "CMNET,,");
    WriteIniStr("Base", "APN", "x"); // nothing to write to
    QString error;
    EXPECT_FALSE(FlushIni(&error));

    QTemporaryDir dir;
    const QString path = dir.filePath("R52xCfg.ini");
    ASSERT_TRUE(writeAll(path, "[System]\r\nCustom=1\r\n"));
    ASSERT_TRUE(BindIni(path));
    ASSERT_NE(IniFile, nullptr);
    EXPECT_TRUE(ReadIniBool("system", "custom", false));
    WriteIniInt("System", "SendShortCutTag", 1);
    IniFile->WriteBool("System", "Language", false);
    WriteIniStr("Base", "STMSG", "[QEB-R520]");
    EXPECT_TRUE(FlushIni(&error)) << error.toStdString();
    FreeIni();
    EXPECT_EQ(IniFile, nullptr);
    EXPECT_EQ(readAll(path),
              "[System]\r\nCustom=1\r\nSendShortCutTag=1\r\nLanguage=0\r\n\r\n[Base]\r\nSTMSG=[QEB-R520]\r\n");
}

TEST(IniWrite, ValuesWithEdgeBlanksQuotesOrBrokenBytesReadBackAsWritten)
{
    std::mt19937 rng(7);
    QList<QByteArray> values = {" lead", "trail ", "\tboth\t", "\"quoted\"", "'single'", "\"", "''",
                                "\" \"", "a \"b\" c", "\"open", "x\xA1", QByteArray("\xA1", 1), "\xFE\x01\xA1",
                                QByteArray("a\0b", 3)};
    for (int n = 0; n < 300; ++n) {
        QByteArray v;
        const int len = std::uniform_int_distribution<int>(0, 12)(rng);
        for (int i = 0; i < len; ++i) {
            const char pool[] = {' ', '"', '\'', 'a', '=', ';', '\t', char(0xA1), char(0xD6), char(0xFF)};
            v.append(pool[std::uniform_int_distribution<int>(0, sizeof pool - 1)(rng)]);
        }
        values.append(v);
    }
    TIniFile ini(QStringLiteral("unused.ini"));
    for (qsizetype i = 0; i < values.size(); ++i)
        ini.WriteString("S", "K" + QByteArray::number(i), values.at(i));
    const TIniFile back = fromBytes(ini.content());
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(back.ReadString("S", "K" + QByteArray::number(i), "?"), values.at(i)) << "value " << i;
}

TEST(IniSave, HandEditsMadeWhileTheProgramRunsAreKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.ini"));
    ASSERT_TRUE(writeAll(path, "[System]\r\nLanguage=1\r\n[Net]\r\nSOCKA=TCP,a,1\r\n"));
    TIniFile ini(path);
    ASSERT_TRUE(ini.load());
    // Meanwhile someone edits the file by hand.
    ASSERT_TRUE(writeAll(path, "; note\r\n[System]\r\nCustom=1\r\nLanguage=1\r\n[Net]\r\nSOCKA=UDP,b,2\r\n[Mine]\r\nx=y\r\n"));
    ini.WriteString("System", "Language", "0");
    ini.WriteString("Net", "SOCKB", "TCP,c,3");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readAll(path), QByteArray("; note\r\n[System]\r\nCustom=1\r\nLanguage=0\r\n[Net]\r\nSOCKA=UDP,b,2\r\n"
                                        "SOCKB=TCP,c,3\r\n[Mine]\r\nx=y\r\n"));
    // A file removed meanwhile is written from what the program holds.
    ASSERT_TRUE(QFile::remove(path));
    ini.WriteString("System", "Language", "1");
    ASSERT_TRUE(ini.save());
    EXPECT_TRUE(readAll(path).contains("Language=1"));
}

TEST(IniLoad, Utf8FilesAreReadAsUtf8AndStayUtf8)
{
    const QByteArray zhUtf8 = QString::fromUtf8("中文").toUtf8();
    const QByteArray zhGbk("\xD6\xD0\xCE\xC4");
    for (const QByteArray &bom : {QByteArray("\xEF\xBB\xBF"), QByteArray()}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("c.ini"));
        const QByteArray file = bom + "[System]\r\nLanguage=1\r\n[Param]\r\nSTMSG=" + zhUtf8 + "\r\n";
        ASSERT_TRUE(writeAll(path, file));
        TIniFile ini(path);
        ASSERT_TRUE(ini.load());
        EXPECT_TRUE(ini.isUtf8());
        EXPECT_EQ(ini.ReadInteger("System", "Language", -1), 1) << "the first section is found behind a BOM";
        EXPECT_EQ(ini.ReadString("Param", "STMSG", ""), zhGbk);
        ini.WriteString("Param", "STMSG", zhGbk + "!");
        ini.WriteString("System", "Language", "1");
        ASSERT_TRUE(ini.save());
        EXPECT_EQ(readAll(path), bom + "[System]\r\nLanguage=1\r\n[Param]\r\nSTMSG=" + zhUtf8 + "!\r\n");
    }
    // A GBK file stays GBK, also one whose Chinese is no valid UTF-8.
    const TIniFile gbkFile = fromBytes("[Param]\r\nSTMSG=" + zhGbk + "\r\n");
    EXPECT_FALSE(gbkFile.isUtf8());
    EXPECT_EQ(gbkFile.ReadString("Param", "STMSG", ""), zhGbk);
}

TEST(IniFile, OversizedFileIsNeitherReadNorOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.ini");
    QByteArray big("[Base]\r\nAPN=mine\r\n");
    big += QByteArray(TIniFile::kMaxFileBytes, ';');
    ASSERT_TRUE(WriteFileBytes(path, big));
    TIniFile ini(path);
    QString why;
    EXPECT_FALSE(ini.load(&why));
    EXPECT_TRUE(why.contains("too large") && why.contains("big.ini")) << why.toStdString();
    EXPECT_EQ(ini.ReadString("Base", "APN", "def"), QByteArray("def"));
    ini.WriteString("Base", "APN", "new");
    EXPECT_FALSE(ini.save(&why));
    EXPECT_EQ(ReadFileBytes(path), big);
}

// Whatever the program writes reads back as written: GBK that is valid UTF-8 too (平台,
// a user-defined character), a module's UTF-8 (中), into a new file or an editor's UTF-8.
TEST(IniEncoding, WhatTheProgramWritesReadsBackByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("e.ini");
    for (const QByteArray &start : {QByteArray(), QString::fromUtf8("[B]\rS=中\r").toUtf8()})
        for (const QByteArray &value : {gbk::fromUtf8("平台"), QByteArray("\xAA\xA1"), QString::fromUtf8("中").toUtf8(),
                                        QString::fromUtf8("平台").toUtf8()}) {
            ASSERT_TRUE(writeAll(path, start));
            TIniFile ini(path);
            ASSERT_TRUE(ini.load());
            ini.WriteString("B", "S", value);
            ASSERT_TRUE(ini.save());
            const QByteArray written = readAll(path);
            ASSERT_TRUE(ini.load());
            EXPECT_EQ(ini.ReadString("B", "S", "?").toHex(), value.toHex()) << written.constData();
            ASSERT_TRUE(ini.save());
            EXPECT_EQ(readAll(path), written);
        }
}
