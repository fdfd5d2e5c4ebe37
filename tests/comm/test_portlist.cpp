#include "CommTestUtil.h"

#include "comm/PortList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

namespace {

// A fake /sys/class/tty: entries with a device link (a symlink, as in sysfs, or a folder) and a type.
class FakeSysfs {
public:
    FakeSysfs() { QDir(m_dir.path()).mkpath(QStringLiteral("devices/platform")); }
    QString root() const { return m_dir.filePath(QStringLiteral("class/tty")); }
    void add(const QString &name, bool device, const char *type = nullptr, bool linkDevice = true)
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("class/tty/") + name);
        const QString entry = root() + QLatin1Char('/') + name;
        if (device) {
            if (linkDevice)
                ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("devices/platform")), entry + QStringLiteral("/device")));
            else
                ASSERT_TRUE(QDir(entry).mkdir(QStringLiteral("device")));
        }
        if (type) {
            QFile f(entry + QStringLiteral("/type"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(type);
        }
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(PortList, RealPortsInNaturalOrderThenRegisteredOnes)
{
    FakeSysfs fs;
    fs.add(QStringLiteral("ttyS10"), true, "4\n");
    fs.add(QStringLiteral("ttyS2"), true, "4\n");
    fs.add(QStringLiteral("ttyS0"), true, "4\n", false);
    fs.add(QStringLiteral("ttyS1"), true, "0\n");   // legacy slot without a UART
    fs.add(QStringLiteral("ttyS3"), true, "0");
    fs.add(QStringLiteral("ttyUSB0"), true, "0\n"); // adapters always count
    fs.add(QStringLiteral("ttyUSB10"), true);
    fs.add(QStringLiteral("ttyUSB9"), true);
    fs.add(QStringLiteral("ttyACM1"), true);
    fs.add(QStringLiteral("ttyAMA0"), true);        // other drivers with hardware behind them
    fs.add(QStringLiteral("tty0"), true);           // virtual consoles never
    fs.add(QStringLiteral("tty12"), false);
    fs.add(QStringLiteral("tty"), false);
    fs.add(QStringLiteral("ptmx"), true);
    fs.add(QStringLiteral("console"), true);
    fs.add(QStringLiteral("ttyp0"), false);         // no device link: not a real port

    const QStringList expected {"/dev/ttyACM1", "/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10",
                                "/dev/ttyUSB0", "/dev/ttyUSB9", "/dev/ttyUSB10"};
    EXPECT_EQ(ListSerialPorts(fs.root()), expected);

    RegisterExtraPort(QStringLiteral("/dev/pts/7"));
    RegisterExtraPort(QStringLiteral("/dev/pts/3"));
    RegisterExtraPort(QStringLiteral("/dev/pts/7")); // once only
    RegisterExtraPort(QString());
    // The plain call lists the registered ports after the machine's own.
    const QStringList real = ListSerialPorts();
    ASSERT_GE(real.size(), 2);
    EXPECT_EQ(real.mid(real.size() - 2), (QStringList {"/dev/pts/7", "/dev/pts/3"}));
    RegisterExtraPort(QStringLiteral("/dev/ttyS2")); // already found: listed once
    EXPECT_EQ(ListSerialPorts(fs.root()), expected + QStringList({"/dev/pts/7", "/dev/pts/3"}));

    UnregisterExtraPort(QStringLiteral("/dev/pts/7"));
    UnregisterExtraPort(QStringLiteral("/dev/ttyS2"));
    EXPECT_EQ(ListSerialPorts(fs.root()), expected + QStringList({"/dev/pts/3"}));
    UnregisterExtraPort(QStringLiteral("/dev/pts/3"));
    EXPECT_EQ(ListSerialPorts(fs.root()), expected);
}

TEST(PortList, AMissingOrEmptyTreeListsOnlyRegisteredPorts)
{
    QTemporaryDir empty;
    EXPECT_TRUE(ListSerialPorts(empty.path()).isEmpty());
    EXPECT_TRUE(ListSerialPorts(empty.filePath(QStringLiteral("absent"))).isEmpty());
    RegisterExtraPort(QStringLiteral("/dev/pts/9"));
    EXPECT_EQ(ListSerialPorts(empty.filePath(QStringLiteral("absent"))), QStringList {"/dev/pts/9"});
    UnregisterExtraPort(QStringLiteral("/dev/pts/9"));
}

TEST(PortList, StableNamesFollowTheirDeviceAndUnknownOnesComeAfter)
{
    FakeSysfs fs;
    fs.add(QStringLiteral("null"), true);   // stands in for a device node that exists in /dev
    fs.add(QStringLiteral("zero"), true);
    QTemporaryDir byId;
    QTemporaryFile other; // a device sysfs does not list (a pseudo-terminal, say)
    ASSERT_TRUE(other.open());
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), byId.filePath(QStringLiteral("usb-B-if00"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), byId.filePath(QStringLiteral("usb-A-if00"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), byId.filePath(QStringLiteral("usb-A-if01"))));
    ASSERT_TRUE(QFile::link(other.fileName(), byId.filePath(QStringLiteral("usb-C"))));
    ASSERT_TRUE(QFile::link(byId.filePath(QStringLiteral("gone")), byId.filePath(QStringLiteral("usb-D")))); // dangling

    const QStringList expected {"/dev/null", byId.filePath("usb-A-if00"), "/dev/zero", byId.filePath("usb-A-if01"),
                                byId.filePath("usb-B-if00"), byId.filePath("usb-C")};
    EXPECT_EQ(ListSerialPorts(fs.root(), byId.path()), expected);
    EXPECT_EQ(ListSerialPorts(fs.root(), byId.filePath(QStringLiteral("absent"))),
              (QStringList {"/dev/null", "/dev/zero"}));

    EXPECT_EQ(PortDevice(byId.filePath(QStringLiteral("usb-B-if00"))), QStringLiteral("/dev/zero"));
    EXPECT_EQ(PortDevice(QStringLiteral("/dev/null")), QStringLiteral("/dev/null"));
    EXPECT_EQ(PortDevice(byId.filePath(QStringLiteral("usb-D"))), byId.filePath(QStringLiteral("usb-D")));
    EXPECT_EQ(PortDevice(QStringLiteral("ttyUSB7")), QStringLiteral("ttyUSB7"));
}
