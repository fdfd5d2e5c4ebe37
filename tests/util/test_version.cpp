#include "app/Version.h"

#include <gtest/gtest.h>

TEST(Version, AppVersionIsCompiledIn)
{
    EXPECT_EQ(GetAppVersion(), QStringLiteral("1.0.0.73"));
}

TEST(Version, VersionToNumberExamples)
{
    EXPECT_EQ(VersionToNumber("V1.2"), 102);
    EXPECT_EQ(VersionToNumber("V1.0.12"), 10012);
    EXPECT_EQ(VersionToNumber("2.1.5"), 20105);
    EXPECT_EQ(VersionToNumber("1.100.0"), 20000);
    EXPECT_EQ(VersionToNumber("1.0a"), -1);
    EXPECT_EQ(VersionToNumber("1.-2"), -1);
    EXPECT_EQ(VersionToNumber(""), 0);
    EXPECT_EQ(VersionToNumber("V1.0.3"), 10003);
    EXPECT_EQ(VersionToNumber(" v1 . 0 .3 "), 10003);
    EXPECT_EQ(VersionToNumber("VV2.0.0\r\n"), 20000);
    EXPECT_EQ(VersionToNumber("1.V2"), 102); // V skipped at the start of every part
}

TEST(Version, OutOfRangeIsNoVersion)
{
    EXPECT_EQ(VersionToNumber("99999999999999999999.1"), -1); // part above 64 bits
    EXPECT_EQ(VersionToNumber("1000000000.0.0.0"), -1);       // 1e15: exponent form
    EXPECT_EQ(VersionToNumber("999999999.0.0.0"), 999999999000000);
    EXPECT_EQ(VersionToNumber("V"), -1);
}
