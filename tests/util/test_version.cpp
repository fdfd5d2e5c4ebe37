#include "util/Version.h"

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

#include "util/RunOnce.h"

#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

TEST(RunOnce, SecondInstanceMapsTheSameMarkerAndLeavesItsValue)
{
    // A name of this test's own, so a program running meanwhile does not interfere.
    const std::string name = "/dtu-config-test-marker-" + std::to_string(getpid());
    auto *value = static_cast<uint32_t *>(MAP_FAILED);
    int fd = -1;
    {
        RunOnceMarker first(name.c_str());
        ASSERT_TRUE(first.held());
        EXPECT_TRUE(first.createdHere());
        fd = shm_open(name.c_str(), O_RDWR, 0);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(lseek(fd, 0, SEEK_END), 4);
        value = static_cast<uint32_t *>(mmap(nullptr, 4, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        ASSERT_NE(value, MAP_FAILED);
        EXPECT_EQ(*value, 0u);
        *value = 7; // what the first run may hold there
        {
            RunOnceMarker second(name.c_str());
            EXPECT_TRUE(second.held());
            EXPECT_FALSE(second.createdHere());
            EXPECT_EQ(*value, 7u); // an existing marker is mapped, never written
        }
        const int again = shm_open(name.c_str(), O_RDWR, 0);
        EXPECT_GE(again, 0) << "still held by the first run";
        if (again >= 0)
            close(again);
    }
    // The first run removes the name when it ends.
    EXPECT_LT(shm_open(name.c_str(), O_RDWR, 0), 0);
    munmap(value, 4);
    close(fd);
}

TEST(RunOnce, TheMarkerLastsAsLongAsAnyInstanceRuns)
{
    const std::string name = "/dtu-config-test-marker3-" + std::to_string(getpid());
    const auto exists = [&] {
        const int fd = shm_open(name.c_str(), O_RDONLY, 0);
        if (fd >= 0)
            close(fd);
        return fd >= 0;
    };
    auto first = std::make_unique<RunOnceMarker>(name.c_str());
    auto second = std::make_unique<RunOnceMarker>(name.c_str());
    ASSERT_TRUE(first->createdHere());
    EXPECT_FALSE(second->createdHere());
    first.reset(); // the first to start leaves first
    EXPECT_TRUE(exists()) << "the second instance still runs";
    auto third = std::make_unique<RunOnceMarker>(name.c_str());
    EXPECT_TRUE(third->held());
    EXPECT_FALSE(third->createdHere()) << "a third start joins the one marker";
    second.reset();
    EXPECT_TRUE(exists());
    third.reset();
    EXPECT_FALSE(exists()) << "the last instance removes the name";
}
