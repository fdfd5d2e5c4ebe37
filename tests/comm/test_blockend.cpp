// A read also ends where the owner's block end says the bytes are complete.
#include "CommTestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(CommBlockEnd, AReadEndsAtTheBlockEndOrElseAtTheGap)
{
    PtyPair pty;
    TComm cm;
    cm.setCommName(pty.slave());
    cm.setReadIntervalTimeout(400);
    cm.setBlockEnd([](QByteArrayView b) { return b.endsWith('!'); });
    cm.OpenComm();
    CommRecorder rec(cm);
    const auto piecesApart = [&](const char *a, const char *b) {
        ASSERT_TRUE(pty.write(a));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(pty.write(b));
    };
    const qint64 sent = rec.clock.elapsed();
    piecesApart("ab", "c!");
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 1; }, 3000));
    EXPECT_LT(rec.chunkAt[0] - sent, 300); // well before the 400 ms gap
    // Only the last byte of what was read counts; the rest waits for the gap.
    piecesApart("d!e", "f");
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 2; }, 3000));
    // Replaced while open, then removed.
    cm.setBlockEnd([](QByteArrayView b) { return b.endsWith('?'); });
    piecesApart("g!", "h?");
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 3; }, 3000));
    cm.setBlockEnd(nullptr);
    piecesApart("i?", "j");
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 4; }, 3000));
    EXPECT_EQ(rec.chunks, (QList<QByteArray>{"abc!", "d!ef", "g!h?", "i?j"}));
}
