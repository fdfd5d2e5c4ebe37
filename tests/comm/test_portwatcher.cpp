#include "CommTestUtil.h"

#include "comm/PortList.h"
#include "comm/PortWatcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PortWatcher, NodesThatComeAndGoAreNoticedAndListed)
{
    QTemporaryDir dev;
    const QString byId = dev.filePath(QStringLiteral("serial/by-id")); // not there yet
    PortWatcher watcher({dev.path(), byId}, nullptr);
    watcher.setSettleMs(20);
    EXPECT_EQ(watcher.watchedDirs(), QStringList {dev.path()}) << "a missing folder is watched through its parent";
    int changes = 0;
    QObject::connect(&watcher, &PortWatcher::portsChanged, [&] { ++changes; });
    QTemporaryDir empty;
    auto listed = [&] { return ListSerialPorts(empty.path(), byId); };
    PtyPair pty;
    ASSERT_TRUE(pty.ok());

    ASSERT_TRUE(QDir(dev.path()).mkpath(QStringLiteral("serial/by-id")));
    ASSERT_TRUE(WaitUntil([&] { return changes >= 1; }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return watcher.watchedDirs().contains(byId); }, 3000));

    // A node that appears in the new folder reaches the list, and leaves it when removed.
    const QString link = byId + QStringLiteral("/usb-Test_Adapter-if00-port0");
    const int before = changes;
    ASSERT_TRUE(QFile::link(pty.slave(), link));
    ASSERT_TRUE(WaitUntil([&] { return changes > before; }, 3000));
    EXPECT_EQ(listed(), QStringList {link});
    const int mid = changes;
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(WaitUntil([&] { return changes > mid; }, 3000));
    EXPECT_TRUE(listed().isEmpty());

    // A burst of changes gives one notice once it settles.
    watcher.setSettleMs(150);
    const int burst = changes;
    for (int i = 0; i < 5; ++i) {
        QFile f(dev.filePath(QStringLiteral("ttyFAKE%1").arg(i)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(WaitUntil([&] { return changes > burst; }, 3000));
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(changes, burst + 1);

    // The folder going away puts the watch back on its parent.
    ASSERT_TRUE(QDir(dev.filePath(QStringLiteral("serial"))).removeRecursively());
    EXPECT_TRUE(WaitUntil([&] { return !watcher.watchedDirs().contains(byId); }, 3000));
    EXPECT_TRUE(watcher.watchedDirs().contains(dev.path()));
}
