#include "util/Gbk.h"

#include <gtest/gtest.h>

TEST(Gbk, RoundTripsChineseText)
{
    const QString zh = QString::fromUtf8("串口已打开");
    const QByteArray bytes = gbk::fromUnicode(zh);
    EXPECT_EQ(bytes.size(), 10); // two bytes a character
    EXPECT_EQ(gbk::toUnicode(bytes), zh);
    EXPECT_EQ(gbk::fromUtf8("，"), QByteArray("\xA3\xAC"));
}

TEST(Gbk, InvalidBytesBecomeReplacementCharactersAndKeepTheRest)
{
    const QByteArray bad("A\x81\x20" "B\x00" "C\xFF", 7);
    const QString s = gbk::toUnicode(bad);
    EXPECT_TRUE(s.startsWith('A'));
    EXPECT_TRUE(s.contains(QChar(0xFFFD)));
    EXPECT_TRUE(s.contains('B'));
    EXPECT_TRUE(s.contains('C')); // nothing after a zero byte is lost
    EXPECT_TRUE(s.contains(QChar(0)));
}

TEST(Gbk, TruncatedDoubleByteAtTheEndDoesNotFail)
{
    const QByteArray half("OK\xB4", 3);
    const QString s = gbk::toUnicode(half);
    EXPECT_TRUE(s.startsWith("OK"));
    EXPECT_GE(s.size(), 2);
}
