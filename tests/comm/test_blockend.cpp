// A read also ends where the owner's block end says the bytes are complete.
#include "CommTestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct EndedPort {
    explicit EndedPort(quint32 gapMs)
    {
        cm.setCommName(pty.slave());
        cm.setReadIntervalTimeout(gapMs);
        cm.setBlockEnd([](QByteArrayView b) { return b.endsWith('!'); });
        cm.OpenComm();
    }
    PtyPair pty;
    TComm cm;
};

} // namespace

TEST(CommBlockEnd, AReadEndsAtTheBlockEndWithoutWaitingForTheGap)
{
    EndedPort p(400);
    CommRecorder rec(p.cm);
    const qint64 sent = rec.clock.elapsed();
    ASSERT_TRUE(p.pty.write("ab"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(p.pty.write("c!"));
    ASSERT_TRUE(waitFor([&] { return rec.chunks.size() == 1; }, 3000));
    EXPECT_LT(rec.chunkAt[0] - sent, 300); // well before the 400 ms gap
    // What follows in the same burst is a block of its own, ended by the gap;
    // a '!' inside a read is no end, only the bytes' last one counts.
    ASSERT_TRUE(p.pty.write("d!e"));
    ASSERT_TRUE(waitFor([&] { return rec.chunks.size() == 2; }, 3000));
    pump(50);
    EXPECT_EQ(rec.chunks, (QList<QByteArray>{"abc!", "d!e"}));
}

TEST(CommBlockEnd, ReplacedWhileOpenAndRemovable)
{
    EndedPort p(150);
    CommRecorder rec(p.cm);
    p.cm.setBlockEnd([](QByteArrayView b) { return b.endsWith('?'); });
    ASSERT_TRUE(p.pty.write("x!"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(p.pty.write("y?"));
    ASSERT_TRUE(waitFor([&] { return rec.chunks.size() == 1; }, 3000));
    EXPECT_EQ(rec.chunks, (QList<QByteArray>{"x!y?"}));

    p.cm.setBlockEnd(nullptr); // only the gap again
    ASSERT_TRUE(p.pty.write("z?"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(p.pty.write("w"));
    ASSERT_TRUE(waitFor([&] { return rec.chunks.size() == 2; }, 3000));
    EXPECT_EQ(rec.chunks.last(), QByteArray("z?w"));
}
