#include "util/Gbk.h"
#include "util/GbkStream.h"
#include "util/ProFun.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

#include <random>

namespace {

QByteArray bytesOf(std::initializer_list<int> v)
{
    QByteArray b;
    for (int x : v)
        b.append(char(x));
    return b;
}

void expectRoundTrip(const QByteArray &b)
{
    const QString text = gbk::toUnicode(b);
    ASSERT_EQ(gbk::fromUnicode(text), b) << "bytes " << b.toHex(' ').constData();
    // Through the hex form and back, as a Hex box does.
    ASSERT_EQ(gbk::fromUnicode(gbk::toUnicode(HexStrToStr(StrToHexStr(gbk::fromUnicode(text), "")))), b);
}

} // namespace

TEST(Gbk, RoundTripsChineseText)
{
    const QString zh = QString::fromUtf8("串口已打开");
    const QByteArray bytes = gbk::fromUnicode(zh);
    EXPECT_EQ(bytes.size(), 10); // two bytes a character
    EXPECT_EQ(gbk::toUnicode(bytes), zh);
    EXPECT_EQ(gbk::fromUtf8("，"), QByteArray("\xA3\xAC"));
}

TEST(Gbk, EveryByteSequenceComesBackUnchanged)
{
    // Every single byte, every lone lead byte at the end and before ASCII,
    // every pair of bytes (valid and invalid), zero bytes.
    for (int a = 0; a < 256; ++a) {
        expectRoundTrip(bytesOf({a}));
        expectRoundTrip(bytesOf({'x', a}));
        expectRoundTrip(bytesOf({a, 'A'}));
        for (int b = 0; b < 256; ++b)
            expectRoundTrip(bytesOf({a, b}));
    }
    expectRoundTrip(QByteArray("\0\0\xA1", 3));
    expectRoundTrip(QByteArray());
}

TEST(Gbk, RandomByteStringsComeBackUnchanged)
{
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        std::mt19937 rng(seed);
        const int len = std::uniform_int_distribution<int>(0, 64)(rng);
        QByteArray b;
        for (int i = 0; i < len; ++i) {
            // Bias toward high bytes, where the faults live.
            const int v = std::uniform_int_distribution<int>(0, 3)(rng) == 0
                              ? std::uniform_int_distribution<int>(0, 0x7F)(rng)
                              : std::uniform_int_distribution<int>(0x80, 0xFF)(rng);
            b.append(char(v));
        }
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        expectRoundTrip(b);
    }
}

TEST(Gbk, ValidTextDecodesAsTheSystemCodecDoesAndOnlyBrokenBytesAreEscaped)
{
    const QByteArray valid = gbk::fromUtf8("心跳包ABC，测试");
    QStringDecoder dec("GBK");
    EXPECT_EQ(gbk::toUnicode(valid), QString(dec.decode(valid)));

    // A lone lead byte at the end and an invalid pair keep their bytes.
    const QString s = gbk::toUnicode(QByteArray("PW\xA1", 3));
    ASSERT_EQ(s.size(), 3);
    EXPECT_TRUE(gbk::isEscaped(s.at(2)));
    EXPECT_EQ(gbk::escapedByte(s.at(2)), 0xA1);
    const QString t = gbk::toUnicode(QByteArray("\xFE\x01\xA1", 3));
    EXPECT_EQ(t.size(), 3);
    EXPECT_EQ(t.at(1), QChar(1));
}

TEST(Gbk, NoValidCharacterFallsIntoTheEscapeRange)
{
    // Otherwise a real character would encode as a single raw byte.
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const QString s = gbk::toUnicode(bytesOf({lead, trail}));
            if (s.size() == 1) {
                ASSERT_FALSE(gbk::isEscaped(s.at(0))) << lead << " " << trail;
            }
        }
}

TEST(Gbk, DisplaySpellsBrokenBytesAndKeepsText)
{
    EXPECT_EQ(gbk::toDisplay(QByteArray("PW\xA1", 3)), QStringLiteral("PW\\xA1"));
    EXPECT_EQ(gbk::toDisplay(gbk::fromUtf8("中文") + QByteArray("\xFF", 1)), QString::fromUtf8("中文\\xFF"));
    EXPECT_EQ(gbk::toDisplay("plain"), QStringLiteral("plain"));
}

TEST(Gbk, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(gbk::fromUnicode(QString::fromUtf8("a😀b")), QByteArray("a?b"));
}

TEST(GbkStream, EverySplitDecodesAsTheWhole)
{
    // Double-byte characters, a lead byte that is also a trail byte ("\xB0\xA1\xA1"
    // holds one character and a lone lead), ASCII and a broken pair.
    const QByteArray text = gbk::fromUtf8("中文 AT+VER") + QByteArray("\xB0\xA1\xA1", 3) +
                            gbk::fromUtf8("测试") + QByteArray("\x81\x30", 2) + gbk::fromUtf8("完");
    const QString whole = gbk::toUnicode(text);
    for (qsizetype a = 0; a <= text.size(); ++a)
        for (qsizetype b = a; b <= text.size(); ++b) {
            gbk::GbkStream s;
            QString shown;
            QByteArray bytes;
            for (const QByteArray &block : {text.left(a), text.mid(a, b - a), text.mid(b)}) {
                const QByteArray now = s.take(block);
                bytes += now;
                shown += gbk::toUnicode(now);
            }
            EXPECT_FALSE(s.holding()); // the text ends in a whole character
            ASSERT_EQ(bytes, text) << a << " " << b;
            ASSERT_EQ(shown, whole) << a << " " << b;
        }
}

TEST(GbkStream, HeldByteIsFlushedNotLost)
{
    gbk::GbkStream s;
    EXPECT_EQ(s.take(QByteArray("ok\xD6", 3)), QByteArray("ok"));
    EXPECT_TRUE(s.holding());
    EXPECT_EQ(s.flush(), QByteArray("\xD6", 1));
    EXPECT_FALSE(s.holding());
    EXPECT_TRUE(s.flush().isEmpty());
    // A held byte before a block it does not join shows in front of it, escaped.
    s.take(QByteArray("\xD6", 1));
    EXPECT_EQ(gbk::toDisplay(s.take("\r\nOK")), QStringLiteral("\\xD6\r\nOK"));
    EXPECT_FALSE(gbk::endsInLeadByte(gbk::fromUtf8("中")));
    EXPECT_TRUE(gbk::endsInLeadByte(QByteArray("a\xB0\xA1\xA1", 4)));
    EXPECT_FALSE(gbk::endsInLeadByte(QByteArray("\xFF", 1))); // no lead byte
}

TEST(Gbk, TerminalFormSpellsControlBytes)
{
    // ESC [2J would clear the technician's screen; BEL would ring.
    EXPECT_EQ(gbk::toTerminal(QByteArray("\x1B[2Jhi\x07", 7)), QStringLiteral("\\x1B[2Jhi\\x07"));
    EXPECT_EQ(gbk::toTerminal(QByteArray("a\0b\x7F", 4)), QStringLiteral("a\\x00b\\x7F"));
    EXPECT_EQ(gbk::toTerminal("\r\n+VER:1\r\n\r\nOK\r\n"), QStringLiteral("\n+VER:1\n\nOK\n"));
    EXPECT_EQ(gbk::toTerminal("a\rb\tc"), QStringLiteral("a\nb\tc"));
    EXPECT_EQ(gbk::toTerminal(gbk::fromUtf8("中") + QByteArray("\x9B\xFF", 2)),
              QString::fromUtf8("中\\x9B\\xFF"));
    for (int b = 0; b < 256; ++b) {
        const QString t = gbk::toTerminal(QByteArray(1, char(b)));
        for (QChar c : t)
            EXPECT_TRUE(c == '\n' || c == '\t' || (c.unicode() >= 0x20 && c.unicode() != 0x7F)) << b;
    }
}
