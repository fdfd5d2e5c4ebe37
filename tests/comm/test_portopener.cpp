#include "CommTestUtil.h"

#include "comm/PortOpener.h"

#include <gtest/gtest.h>

#include <termios.h>

namespace {

PortRowSettings row(const QString &port, const QString &baud, int parity = 0, int data = 1, int stop = 0, int flow = 0)
{
    PortRowSettings r;
    r.comName = port;
    r.baudText = baud;
    r.parityIndex = parity;
    r.dataIndex = data;
    r.stopIndex = stop;
    r.flowIndex = flow;
    return r;
}

} // namespace

TEST(PortOpen, ReadGapFollowsTheBaudRate)
{
    PtyPair pty;
    TComm cm;
    const struct { const char *baud; quint32 gap; } cases[] = {
        {"1200", 200}, {"2400", 200}, {"4800", 80}, {"9600", 60}, {"115200", 60}, {" 460800 ", 60},
    };
    for (const auto &c : cases) {
        QString error;
        ASSERT_TRUE(PortOpen(cm, row(pty.slave(), QString::fromLatin1(c.baud)), &error)) << c.baud << ": " << error.toStdString();
        EXPECT_EQ(cm.ReadIntervalTimeout(), c.gap) << c.baud;
        EXPECT_EQ(cm.BaudRate(), QString::fromLatin1(c.baud).trimmed().toUInt()) << c.baud;
        EXPECT_TRUE(error.isEmpty());
    }
    EXPECT_EQ(ReadGapForBaud(300), 60u);
    EXPECT_EQ(ReadGapForBaud(19200), 60u);
}

TEST(PortOpen, RowChoicesBecomeComponentSettings)
{
    PtyPair pty;
    TComm cm;
    // Default component settings that the opener always overrides.
    ASSERT_TRUE(cm.Outx_CtsFlow());
    ASSERT_TRUE(cm.TxContinueOnXoff());

    ASSERT_TRUE(PortOpen(cm, row(pty.slave(), "9600", 1, 0, 1, 1)));
    EXPECT_TRUE(cm.ParityCheck());
    EXPECT_EQ(cm.Parity(), TParity::Odd);
    EXPECT_EQ(cm.ByteSize(), TByteSize::_7);
    EXPECT_EQ(cm.StopBits(), TStopBits::_2);
    EXPECT_EQ(cm.RtsControl(), TRtsControl::RtsEnable); // CRTS: RTS held on
    EXPECT_FALSE(cm.Outx_CtsFlow());                    // ... without CTS flow control
    EXPECT_FALSE(cm.Outx_DsrFlow());
    EXPECT_FALSE(cm.TxContinueOnXoff());
    EXPECT_EQ(cm.DtrControl(), TDtrControl::DtrDisable);
    const TCommApplied a = cm.AppliedState();
    EXPECT_TRUE(a.rtsOn);
    EXPECT_FALSE(a.dtrOn);
    EXPECT_FALSE(a.cflag & CRTSCTS);
    EXPECT_EQ(a.cflag & (PARENB | PARODD), tcflag_t(PARENB | PARODD));
    EXPECT_EQ(a.cflag & CSIZE, tcflag_t(CS7));
    EXPECT_TRUE(a.cflag & CSTOPB);
    EXPECT_TRUE(a.iflag & INPCK);

    ASSERT_TRUE(PortOpen(cm, row(pty.slave(), "9600", 2, 1, 0, 0)));
    EXPECT_TRUE(cm.ParityCheck());
    EXPECT_EQ(cm.Parity(), TParity::Even);
    EXPECT_EQ(cm.ByteSize(), TByteSize::_8);
    EXPECT_EQ(cm.StopBits(), TStopBits::_1);
    EXPECT_EQ(cm.RtsControl(), TRtsControl::RtsDisable); // NONE lowers RTS
    EXPECT_FALSE(cm.AppliedState().rtsOn);
    EXPECT_FALSE(cm.AppliedState().dtrOn);

    ASSERT_TRUE(PortOpen(cm, row(pty.slave(), "9600", 0)));
    EXPECT_FALSE(cm.ParityCheck());
    EXPECT_EQ(cm.Parity(), TParity::None);
    EXPECT_FALSE(cm.AppliedState().cflag & PARENB);

    // No selection leaves a setting as it was.
    cm.CloseComm();
    cm.setParity(TParity::Mark);
    cm.setParityCheck(true);
    cm.setByteSize(TByteSize::_6);
    cm.setStopBits(TStopBits::_1_5);
    ASSERT_TRUE(PortOpen(cm, row(pty.slave(), "4800", -1, -1, -1, -1)));
    EXPECT_EQ(cm.Parity(), TParity::Mark);
    EXPECT_TRUE(cm.ParityCheck());
    EXPECT_EQ(cm.ByteSize(), TByteSize::_6);
    EXPECT_EQ(cm.StopBits(), TStopBits::_1_5);
    EXPECT_EQ(cm.RtsControl(), TRtsControl::RtsDisable);
}

TEST(PortOpen, FailuresReturnFalseWithAReason)
{
    PtyPair pty;
    TComm cm;
    QString error;
    for (const char *bad : {"", "abc", "96OO", "-9600", "99999999999"}) {
        EXPECT_FALSE(PortOpen(cm, row(pty.slave(), QString::fromLatin1(bad)), &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
        EXPECT_FALSE(cm.isOpen()) << bad;
    }
    EXPECT_FALSE(PortOpen(cm, row(QString(), "9600"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error opening serial port"))) << error.toStdString();
    EXPECT_FALSE(PortOpen(cm, row(QStringLiteral("/dev/no-such-serial-port-here"), "9600"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error opening serial port"))) << error.toStdString();
    EXPECT_FALSE(PortOpen(cm, row(QStringLiteral("/dev/null"), "9600"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("File handle is not a comm handle "))) << error.toStdString();
    EXPECT_FALSE(PortOpen(cm, row(QStringLiteral("/dev/null"), "9600"))); // no error text wanted
    EXPECT_EQ(cm.ComHandle(), 0u);
    // Settings applied before the failure stay applied.
    EXPECT_EQ(cm.CommName(), QStringLiteral("/dev/null"));
    EXPECT_EQ(cm.ReadIntervalTimeout(), 60u);
}

TEST(PortOpen, ReopeningMovesToTheNewPortAndCloseCloses)
{
    PtyPair first, second;
    TComm cm;
    CommRecorder rec(cm);
    ASSERT_TRUE(PortOpen(cm, row(first.slave(), "115200")));
    ASSERT_TRUE(PortOpen(cm, row(second.slave(), "115200"))); // closes the first port itself
    ASSERT_TRUE(second.write("here"));
    ASSERT_TRUE(WaitUntil([&] { return rec.all() == "here"; }, 3000));
    ASSERT_TRUE(cm.SendBytes("back", 4));
    EXPECT_EQ(second.read(4, 2000), QByteArray("back"));
    EXPECT_TRUE(first.read(1, 50).isEmpty());
    PortClose(cm);
    EXPECT_FALSE(cm.isOpen());
    PortClose(cm); // harmless when closed
    EXPECT_EQ(cm.ComHandle(), 0u);
}
