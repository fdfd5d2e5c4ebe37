#include "util/Gbk.h"
#include "util/ProFun.h"

#include <gtest/gtest.h>

#include <random>

TEST(HexConversion, StrToHexStrSeparatorFollowsEveryByte)
{
    EXPECT_EQ(StrToHexStr("AB", " "), QByteArray("41 42 "));
    EXPECT_EQ(StrToHexStr("AB", ""), QByteArray("4142"));
    EXPECT_EQ(StrToHexStr("", " "), QByteArray());
    EXPECT_EQ(StrToHexStr(QByteArray(1, '\0'), ""), QByteArray("00"));
    EXPECT_EQ(StrToHexStr("\r\n", " "), QByteArray("0D 0A "));
}

TEST(HexConversion, RoundTripWithZeroBytesAndChinese)
{
    const QByteArray zh = gbk::fromUtf8("串");
    ASSERT_EQ(zh.size(), 2);
    EXPECT_EQ(StrToHexStr(zh, "").size(), 4);
    EXPECT_EQ(HexStrToStr(StrToHexStr(zh, "")), zh);
    const QByteArray mixed("\x00\x01\xFF" "A\x00", 5);
    EXPECT_EQ(HexStrToStr(StrToHexStr(mixed, "")), mixed);
}

TEST(HexConversion, HexStrToStrRules)
{
    EXPECT_EQ(HexStrToStr("414"), QByteArray("A")); // odd digit ignored
    EXPECT_EQ(HexStrToStr("41 42"), QByteArray("41 42")); // blanks are not digits
    EXPECT_EQ(HexStrToStr("4a"), QByteArray("J"));
    EXPECT_EQ(HexStrToStr("0041"), QByteArray("\x00" "A", 2));
    EXPECT_EQ(HexStrToStr("4G"), QByteArray("4G"));
    EXPECT_EQ(StrToHexStr(HexStrToStr("4a4b"), ""), QByteArray("4A4B"));
}

TEST(HexConversion, AnyBytesGiveADefinedResult)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        QByteArray b(static_cast<int>(rng() % 40), '\0');
        for (auto &c : b)
            c = static_cast<char>(rng());
        const QByteArray back = HexStrToStr(b);
        // Either a full conversion (half the length) or the input unchanged.
        EXPECT_TRUE(back == b || back.size() == b.size() / 2);
        EXPECT_EQ(HexStrToStr(StrToHexStr(b, "")), b);
        (void)SplitComma(b);
        (void)CountSubStr("+", QString::fromLatin1(b));
    }
}

TEST(TextCleanup, DelSpaceLineBreakQuote)
{
    EXPECT_EQ(DelSpace(" 138 0013\t8000 "), QByteArray("1380013\t8000"));
    EXPECT_EQ(DelLineBreak("a\r\nb\nc\rd"), QByteArray("ab\nc\rd"));
    EXPECT_EQ(DelQuote("\"a\"b\""), QByteArray("ab"));
}

TEST(SplitComma, ListedExamples)
{
    using L = QList<QByteArray>;
    EXPECT_EQ(SplitComma("TCP,host.example.com,2317"), (L{"TCP", "host.example.com", "2317"}));
    EXPECT_EQ(SplitComma("TCP, host.example.com ,2317"), (L{"TCP", "host.example.com", "2317"}));
    EXPECT_EQ(SplitComma("two words"), (L{"two", "words"}));
    EXPECT_EQ(SplitComma("a,,b"), (L{"a", "", "b"}));
    EXPECT_EQ(SplitComma("a,"), (L{"a", ""}));
    EXPECT_EQ(SplitComma("115200,8,1,NONE,NFC").size(), 5);
    EXPECT_TRUE(SplitComma("").isEmpty());
    EXPECT_EQ(SplitComma("\"a,b\",c"), (L{"a,b", "c"}));
    EXPECT_EQ(SplitComma("\"say \"\"hi\"\"\",x"), (L{"say \"hi\"", "x"}));
    EXPECT_EQ(SplitComma("\"open"), (L{"open"}));
}

TEST(CountSubStr, CountsWithoutOverlap)
{
    EXPECT_EQ(CountSubStr("+", "\r\n+VER:1\r\n"), 1);
    EXPECT_EQ(CountSubStr("+", "++++++"), 6);
    EXPECT_EQ(CountSubStr("aa", "aaaa"), 2);
    EXPECT_EQ(CountSubStr("ab", "aab"), 1);
    EXPECT_EQ(CountSubStr("", "abc"), 0);
    EXPECT_EQ(CountSubStr("abc", "ab"), 0);
}

TEST(HdVerSignNames, RoundTripAndCase)
{
    for (auto s : {THdVerSign::HdUnknown, THdVerSign::Hd510, THdVerSign::Hd511, THdVerSign::Hd521})
        EXPECT_EQ(StrToHdVerSign(HdVerSignToStr(s)), s);
    EXPECT_EQ(StrToHdVerSign("hd511"), THdVerSign::Hd511);
    EXPECT_FALSE(StrToHdVerSign("").has_value());
    EXPECT_FALSE(StrToHdVerSign("Hd999").has_value());
}

TEST(XModem, CrcOfKnownInputs)
{
    const QByteArray check("123456789");
    EXPECT_EQ(XModemCRC16(reinterpret_cast<const uint8_t *>(check.constData()), 0, 9), 0x31C3);
    uint8_t pad[128];
    std::fill(std::begin(pad), std::end(pad), 0x1A);
    EXPECT_EQ(XModemCRC16(pad, 0, 128), 0xF8B0);
    const uint8_t withOffset[] = {0xFF, '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(XModemCRC16(withOffset, 1, 9), 0x31C3);
}

TEST(XModem, BytesHelpers)
{
    const uint8_t b[] = {0x06, 0x0D, 0x0A, 0x3E};
    EXPECT_EQ(BytesToHexStr(b, 4), QByteArray("060D0A3E"));
    EXPECT_EQ(BytesToStr(b, 4), QByteArray("\x06\r\n>"));
    EXPECT_EQ(BytesToHexStr(b, 0), QByteArray());
}
