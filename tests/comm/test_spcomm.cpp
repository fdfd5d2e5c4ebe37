#include "CommTestUtil.h"

#include "comm/CustomBaud.h"
#include "comm/SPComm.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <termios.h>

namespace {

// A component on the slave side of a fresh pty, opened with a short read gap.
struct OpenPort {
    explicit OpenPort(quint32 gapMs = 40)
    {
        cm.setCommName(pty.slave());
        cm.setReadIntervalTimeout(gapMs);
        cm.OpenComm();
    }
    PtyPair pty;
    TComm cm;
};

QString openError(TComm &cm, int *sysError = nullptr)
{
    try {
        cm.OpenComm();
    } catch (const ECommsError &e) {
        if (sysError)
            *sysError = e.sysError();
        return e.message();
    }
    return QString();
}

speed_t ospeed(int fd)
{
    termios t {};
    if (::tcgetattr(fd, &t) != 0)
        return speed_t(-1);
    return cfgetospeed(&t);
}

} // namespace

TEST(CommProperties, ClosedComponentRefusesToSend)
{
    TComm cm;
    EXPECT_EQ(cm.ComHandle(), 0u);
    EXPECT_FALSE(cm.isOpen());
    EXPECT_FALSE(cm.SendBytes("abc", 3));
    EXPECT_FALSE(cm.SendBytes(QByteArray("abc")));
    // Settings are kept while closed and nothing is applied.
    cm.setBaudRate(4800);
    cm.setReadIntervalTimeout(99);
    EXPECT_EQ(cm.BaudRate(), 4800u);
    EXPECT_EQ(cm.AppliedState().stateApplies, 0u);
    EXPECT_EQ(cm.AppliedState().timeoutApplies, 0u);
    cm.CloseComm(); // harmless when closed
    EXPECT_EQ(cm.ComHandle(), 0u);
}

TEST(CommOpen, FailuresGiveTheExactMessageAndLeaveTheHandleZero)
{
    TComm cm;
    int err = 0;
    cm.setCommName(QStringLiteral("/dev/no-such-serial-port-here"));
    EXPECT_EQ(openError(cm, &err), QStringLiteral("Error opening serial port"));
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(cm.ComHandle(), 0u);

    cm.setCommName(QString());
    EXPECT_EQ(openError(cm), QStringLiteral("Error opening serial port"));

    cm.setCommName(QStringLiteral("/dev")); // a directory
    EXPECT_EQ(openError(cm), QStringLiteral("Error opening serial port"));

    // Objects that open but are no terminal; a bare name is looked up in /dev.
    cm.setCommName(QStringLiteral("/dev/null"));
    EXPECT_EQ(openError(cm), QStringLiteral("File handle is not a comm handle "));
    cm.setCommName(QStringLiteral("null"));
    EXPECT_EQ(openError(cm), QStringLiteral("File handle is not a comm handle "));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile plain(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    cm.setCommName(plain.fileName());
    EXPECT_EQ(openError(cm), QStringLiteral("File handle is not a comm handle "));
    EXPECT_EQ(cm.ComHandle(), 0u);
    EXPECT_FALSE(cm.SendBytes("x", 1));
}

TEST(CommOpen, PermissionAndBusyFailuresExplainThemselves)
{
    const QString denied = DescribeCommsError(ECommsError("Error opening serial port", EACCES));
    EXPECT_TRUE(denied.startsWith(QStringLiteral("Error opening serial port")));
    EXPECT_TRUE(denied.contains(QStringLiteral("dialout")));
    const ECommsError plain("Unable to create event");
    EXPECT_EQ(plain.message(), QStringLiteral("Unable to create event"));
    EXPECT_EQ(plain.sysError(), 0);
    EXPECT_EQ(DescribeCommsError(plain), QStringLiteral("Unable to create event"));
}

TEST(CommOpen, SecondOpenIsRefusedAndThePortStaysUsable)
{
    OpenPort p;
    CommRecorder rec(p.cm);
    const quint32 handle = p.cm.ComHandle();
    EXPECT_GE(handle, 3u);

    EXPECT_EQ(openError(p.cm), QStringLiteral("This serial port already opened"));
    EXPECT_EQ(p.cm.ComHandle(), handle);

    // Another component may not share the port, even as root.
    TComm other;
    other.setCommName(p.pty.slave());
    int err = 0;
    EXPECT_EQ(openError(other, &err), QStringLiteral("Error opening serial port"));
    EXPECT_EQ(err, EBUSY);

    ASSERT_TRUE(p.pty.write("ping"));
    EXPECT_TRUE(WaitUntil([&] { return rec.all() == "ping"; }, 3000));
    EXPECT_TRUE(p.cm.SendBytes("pong", 4));
    EXPECT_EQ(p.pty.read(4, 2000), QByteArray("pong"));

    // Once closed, the port can be opened again, by this component or another one.
    p.cm.CloseComm();
    EXPECT_EQ(p.cm.ComHandle(), 0u);
    EXPECT_NO_THROW(other.OpenComm());
    EXPECT_TRUE(other.isOpen());
}

TEST(CommRead, ChunksAreEndedByTheGap)
{
    OpenPort p(60);
    CommRecorder rec(p.cm);
    // Two pieces 5 ms apart are one burst; the next burst comes after the gap.
    const qint64 sent = rec.clock.elapsed();
    ASSERT_TRUE(p.pty.write("abc"));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(p.pty.write("def"));
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 1; }, 3000));
    EXPECT_GE(rec.chunkAt[0] - sent, 60); // not handed over before the line was quiet for the gap
    ASSERT_TRUE(p.pty.write("ghi"));
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 2; }, 3000));
    Pump(100);
    EXPECT_EQ(rec.chunks, (QList<QByteArray> {"abcdef", "ghi"}));
    EXPECT_FALSE(rec.wrongThread);
    EXPECT_EQ(rec.hangups, 0);

    // A new gap applies from the next read on.
    p.cm.setReadIntervalTimeout(20);
    ASSERT_TRUE(p.pty.write("j"));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ASSERT_TRUE(p.pty.write("k"));
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 4; }, 3000));
    EXPECT_EQ(rec.chunks.mid(2), (QList<QByteArray> {"j", "k"}));
}

TEST(CommRead, NoChunkIsLongerThan4096Bytes)
{
    OpenPort p(50);
    CommRecorder rec(p.cm);
    QByteArray burst(5000, '\0');
    for (int i = 0; i < burst.size(); ++i)
        burst[i] = char(i * 7 + 3);
    std::thread writer([&] { p.pty.write(burst); });
    const bool done = WaitUntil([&] { return rec.all().size() >= 5000; }, 5000);
    writer.join();
    ASSERT_TRUE(done);
    Pump(100);
    ASSERT_EQ(rec.chunks.size(), 2);
    EXPECT_EQ(rec.chunks[0].size(), 4096);
    EXPECT_EQ(rec.chunks[1].size(), 904);
    EXPECT_EQ(rec.all(), burst);
    EXPECT_EQ(rec.chunks[0].constData()[4096], '\0'); // a zero byte follows the data
}

TEST(CommRead, TotalTimeoutEndsAReadWithoutAGapRule)
{
    PtyPair pty;
    TComm cm;
    cm.setCommName(pty.slave());
    cm.setReadIntervalTimeout(0); // no gap rule: only the total time-out or a full buffer end a read
    cm.setReadTotalTimeoutConstant(80);
    cm.OpenComm();
    CommRecorder rec(cm);
    // Reads that time out without a byte are not the end of reading.
    Pump(300);
    EXPECT_TRUE(rec.chunks.isEmpty());
    EXPECT_EQ(rec.hangups, 0);
    ASSERT_TRUE(pty.write("xyz"));
    ASSERT_TRUE(WaitUntil([&] { return !rec.chunks.isEmpty(); }, 3000));
    EXPECT_EQ(rec.chunks.first(), QByteArray("xyz"));
}

TEST(CommRead, InputOptionsKeepDataTransparent)
{
    OpenPort p(30);
    CommRecorder rec(p.cm);
    // Zero bytes dropped on request.
    p.cm.setIgnoreNullChar(true);
    ASSERT_TRUE(p.pty.write(QByteArray("a\0b\0\0c", 6)));
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 1; }, 3000));
    EXPECT_EQ(rec.chunks[0], QByteArray("abc"));
    // A chunk of zero bytes only is no chunk at all.
    ASSERT_TRUE(p.pty.write(QByteArray("\0\0", 2)));
    Pump(150);
    EXPECT_EQ(rec.chunks.size(), 1);

    // With error replacement the driver marks bytes; plain 0xFF and 0x00 bytes still arrive as sent.
    p.cm.setIgnoreNullChar(false);
    p.cm.setParityCheck(true);
    p.cm.setReplacedChar('?');
    p.cm.setReplaceWhenParityError(true);
    EXPECT_TRUE(p.cm.AppliedState().iflag & PARMRK);
    const QByteArray tricky("\xFF\xFF\x00Z\xFF" "A\x00", 7);
    ASSERT_TRUE(p.pty.write(tricky));
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 2; }, 3000));
    EXPECT_EQ(rec.chunks[1], tricky);
}

TEST(CommWrite, BlocksAreWrittenWholeAndInOrder)
{
    OpenPort p;
    CommRecorder rec(p.cm);
    EXPECT_TRUE(WaitUntil([&] { return rec.sendEmpty >= 1; }, 2000)); // the writer starts out idle
    const int emptyBefore = rec.sendEmpty;

    const QByteArray a(3000, 'a'), b(3000, 'b');
    ASSERT_TRUE(p.cm.SendBytes(a.constData(), quint16(a.size())));
    ASSERT_TRUE(p.cm.SendBytes(b));
    EXPECT_EQ(p.pty.read(6000, 2000), a + b);
    EXPECT_TRUE(WaitUntil([&] { return rec.sendEmpty > emptyBefore; }, 2000));

    EXPECT_FALSE(p.cm.SendBytes("x", 0));
    EXPECT_FALSE(p.cm.SendBytes(QByteArray()));
    EXPECT_FALSE(p.cm.SendBytes(QByteArray(65536, 'z'))); // more than one block can carry
    EXPECT_TRUE(p.cm.SendBytes(QByteArray(65535, 'z')));
    EXPECT_EQ(p.pty.read(65535, 2000).size(), 65535);

    // The component keeps its own copy: the caller's buffer may change right after the call.
    char buf[4] = {'1', '2', '3', '4'};
    ASSERT_TRUE(p.cm.SendBytes(buf, 4));
    buf[0] = 'X';
    EXPECT_EQ(p.pty.read(4, 2000), QByteArray("1234"));
    EXPECT_FALSE(rec.wrongThread);
}

TEST(CommWrite, CloseDuringALongWriteIsPromptAndDropsTheRest)
{
    OpenPort p;
    ASSERT_TRUE(p.cm.SendBytes(QByteArray(60000, 'x'))); // nobody reads: the line fills up
    ASSERT_TRUE(p.cm.SendBytes(QByteArray(100, 'y')));
    Pump(100);
    QElapsedTimer t;
    t.start();
    p.cm.CloseComm();
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(p.cm.ComHandle(), 0u);
    const QByteArray arrived = p.pty.read(70000, 100, 2000);
    EXPECT_LT(arrived.size(), 60000);
    EXPECT_FALSE(arrived.contains('y'));
    EXPECT_FALSE(p.cm.SendBytes("z", 1));
}

TEST(CommWrite, BytesWrittenJustBeforeACloseReachTheLine)
{
    // A closing byte handed over right before the close, behind a block the writer is still busy with.
    for (int run = 0; run < 50; ++run) {
        OpenPort p;
        ASSERT_TRUE(p.cm.SendBytes(QByteArray(1000, 'd')));
        ASSERT_TRUE(p.cm.SendBytes("R", 1));
        p.cm.CloseComm();
        const QByteArray got = p.pty.read(1001, 200, 2000);
        ASSERT_EQ(got.size(), 1001) << "run " << run;
        ASSERT_EQ(got.back(), 'R') << "run " << run;
    }
}

TEST(CommWrite, WriteTimeoutEndsTheWriterWithAHangupRequest)
{
    OpenPort p;
    CommRecorder rec(p.cm);
    p.cm.setWriteTotalTimeoutConstant(100);
    ASSERT_TRUE(p.cm.SendBytes(QByteArray(60000, 'x'))); // cannot finish: nobody reads
    EXPECT_TRUE(WaitUntil([&] { return rec.hangups == 1; }, 3000));
    EXPECT_TRUE(p.cm.isOpen()); // the component stays open until closed
    EXPECT_FALSE(p.cm.SendBytes("x", 1)); // but the writer is gone
}

TEST(CommLine, FarEndClosingRequestsAHangup)
{
    OpenPort p;
    CommRecorder rec(p.cm);
    ASSERT_TRUE(p.pty.write("last words"));
    ASSERT_TRUE(WaitUntil([&] { return rec.chunks.size() == 1; }, 3000));
    p.pty.closeMaster();
    ASSERT_TRUE(WaitUntil([&] { return rec.hangups >= 1; }, 3000));
    EXPECT_EQ(rec.chunks.first(), QByteArray("last words"));
    EXPECT_FALSE(rec.wrongThread);
    EXPECT_NE(p.cm.ComHandle(), 0u);
    // The writer fails on the dead line as well and ends.
    EXPECT_TRUE(p.cm.SendBytes("x", 1));
    EXPECT_TRUE(WaitUntil([&] { return rec.hangups >= 2; }, 3000));
    EXPECT_FALSE(p.cm.SendBytes("x", 1));
    QElapsedTimer t;
    t.start();
    p.cm.CloseComm();
    EXPECT_LT(t.elapsed(), 1000);
}

TEST(CommLine, BytesBeforeTheLineWentAwayArriveBeforeTheHangup)
{
    OpenPort p;
    p.cm.setReadIntervalTimeout(500); // the line goes away inside the read gap
    QStringList order;
    QObject::connect(&p.cm, &TComm::receiveData, &p.cm, [&](const QByteArray &d) { order << QString::fromLatin1(d); });
    QObject::connect(&p.cm, &TComm::requestHangup, &p.cm, [&] { order << QStringLiteral("<hangup>"); });
    ASSERT_TRUE(p.pty.write("+CSQ:24,99\r\n"));
    QThread::msleep(50);
    p.pty.closeMaster();
    ASSERT_TRUE(WaitUntil([&] { return order.contains(QStringLiteral("<hangup>")); }, 3000));
    ASSERT_GE(order.size(), 2);
    EXPECT_EQ(order.first(), QStringLiteral("+CSQ:24,99\r\n"));
    EXPECT_EQ(order.at(1), QStringLiteral("<hangup>"));
}

TEST(CommLine, ACloseFromAnEventHandlerDoesNotDeadlock)
{
    OpenPort p;
    bool reopened = false;
    QObject::connect(&p.cm, &TComm::receiveData, &p.cm, [&] {
        p.cm.CloseComm();
        p.cm.OpenComm();
        reopened = p.cm.isOpen();
    });
    ASSERT_TRUE(p.pty.write("boom"));
    EXPECT_TRUE(WaitUntil([&] { return reopened; }, 3000));
}

TEST(CommState, BaudRateAppliesAtOnce)
{
    OpenPort p;
    const int fd = int(p.cm.ComHandle());
    EXPECT_EQ(ospeed(fd), speed_t(B9600));
    p.cm.setBaudRate(115200);
    EXPECT_EQ(ospeed(fd), speed_t(B115200));
    EXPECT_EQ(p.cm.AppliedState().baud, 115200u);
    p.cm.setBaudRate(250000); // no B constant for it
    EXPECT_EQ(dtu_comm::GetOutputBaud(fd), 250000u);
    EXPECT_EQ(p.cm.AppliedState().baud, 250000u);
}

TEST(CommState, ParityOnlyStoresUntilTheNextApply)
{
    OpenPort p;
    const quint64 applies = p.cm.AppliedState().stateApplies;
    p.cm.setParity(TParity::Odd);
    EXPECT_EQ(p.cm.Parity(), TParity::Odd);
    EXPECT_EQ(p.cm.AppliedState().stateApplies, applies);
    EXPECT_FALSE(p.cm.AppliedState().cflag & PARENB);
    p.cm.setCommName(QStringLiteral("/dev/elsewhere")); // stored for the next open only
    EXPECT_EQ(p.cm.AppliedState().stateApplies, applies);

    p.cm.setBaudRate(19200); // another setting carries the parity along
    EXPECT_EQ(p.cm.AppliedState().cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD));

    p.cm.setParity(TParity::Space);
    p.cm.CloseComm();
    p.cm.setCommName(p.pty.slave());
    p.cm.OpenComm();
    EXPECT_EQ(p.cm.AppliedState().cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | CMSPAR));
}

TEST(CommState, AnUnchangedValueDoesNotTouchThePort)
{
    OpenPort p;
    const int fd = int(p.cm.ComHandle());
    // Someone else changes the line; setting the same values again must leave it alone.
    termios t {};
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    cfsetospeed(&t, B1200);
    cfsetispeed(&t, B1200);
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
    const TCommApplied before = p.cm.AppliedState();
    p.cm.setBaudRate(9600);
    p.cm.setByteSize(TByteSize::_8);
    p.cm.setDtrControl(TDtrControl::DtrEnable);
    p.cm.setXonChar(17);
    p.cm.setReadIntervalTimeout(40);
    p.cm.setWriteTotalTimeoutConstant(0);
    EXPECT_EQ(ospeed(fd), speed_t(B1200));
    EXPECT_EQ(p.cm.AppliedState().stateApplies, before.stateApplies);
    EXPECT_EQ(p.cm.AppliedState().timeoutApplies, before.timeoutApplies);

    p.cm.setReadIntervalTimeout(41);
    EXPECT_EQ(p.cm.AppliedState().timeoutApplies, before.timeoutApplies + 1);
    EXPECT_EQ(p.cm.AppliedState().stateApplies, before.stateApplies);
    p.cm.setBaudRate(4800);
    EXPECT_EQ(ospeed(fd), speed_t(B4800));
    EXPECT_EQ(p.cm.AppliedState().stateApplies, before.stateApplies + 1);
}

TEST(CommState, SettingsMapToTheLine)
{
    OpenPort p;
    const auto applied = [&] { return p.cm.AppliedState(); };
    // Defaults: 8N1, CTS flow on, DTR and RTS raised, raw, receiver on, no modem control.
    EXPECT_EQ(applied().cflag & CSIZE, tcflag_t(CS8));
    EXPECT_TRUE(applied().cflag & CRTSCTS);
    EXPECT_TRUE(applied().cflag & CLOCAL);
    EXPECT_TRUE(applied().cflag & CREAD);
    EXPECT_FALSE(applied().cflag & CSTOPB);
    EXPECT_TRUE(applied().iflag & IGNPAR);
    EXPECT_FALSE(applied().iflag & INPCK);
    EXPECT_FALSE(applied().lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(applied().oflag & OPOST);
    EXPECT_TRUE(applied().dtrOn);
    EXPECT_TRUE(applied().rtsOn);

    p.cm.setOutx_CtsFlow(false);
    EXPECT_FALSE(applied().cflag & CRTSCTS);
    p.cm.setRtsControl(TRtsControl::RtsHandshake);
    EXPECT_TRUE(applied().cflag & CRTSCTS);
    p.cm.setRtsControl(TRtsControl::RtsDisable);
    EXPECT_FALSE(applied().cflag & CRTSCTS);
    EXPECT_FALSE(applied().rtsOn);
    p.cm.setDtrControl(TDtrControl::DtrDisable);
    EXPECT_FALSE(applied().dtrOn);

    p.cm.setByteSize(TByteSize::_7);
    EXPECT_EQ(applied().cflag & CSIZE, tcflag_t(CS7));
    p.cm.setByteSize(TByteSize::_5);
    EXPECT_EQ(applied().cflag & CSIZE, tcflag_t(CS5));
    p.cm.setStopBits(TStopBits::_2);
    EXPECT_TRUE(applied().cflag & CSTOPB);
    p.cm.setParityCheck(true);
    EXPECT_TRUE(applied().iflag & INPCK);
    EXPECT_FALSE(applied().iflag & IGNPAR);
    EXPECT_FALSE(applied().iflag & PARMRK); // replacement is off
    p.cm.setOutx_XonXoffFlow(true);
    EXPECT_TRUE(applied().iflag & IXON);
    EXPECT_FALSE(applied().iflag & IXOFF);
    p.cm.setInx_XonXoffFlow(true);
    EXPECT_TRUE(applied().iflag & IXOFF);
    p.cm.setXonChar(0x11 + 1);
    p.cm.setXoffChar(0x13 + 1);
    termios t {};
    ASSERT_EQ(::tcgetattr(int(p.cm.ComHandle()), &t), 0);
    EXPECT_EQ(t.c_cc[VSTART], 0x12);
    EXPECT_EQ(t.c_cc[VSTOP], 0x14);
    p.cm.setParity(TParity::Mark);
    p.cm.setStopBits(TStopBits::_1);
    EXPECT_EQ(applied().cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD | CMSPAR));
    EXPECT_FALSE(applied().cflag & CSTOPB);

    // Settings survive a close and an open.
    p.cm.CloseComm();
    EXPECT_EQ(p.cm.ByteSize(), TByteSize::_5);
    p.cm.OpenComm();
    EXPECT_EQ(applied().cflag & CSIZE, tcflag_t(CS5));
}

TEST(CommThreads, EventsRunOnTheThreadThatCreatedTheComponent)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    std::atomic<int> stage {0};
    QThread *owner = nullptr;
    QThread *raisedOn = nullptr;
    QByteArray got;
    QString failure;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        TComm cm;
        cm.setCommName(pty.slave());
        cm.setReadIntervalTimeout(20);
        try {
            cm.OpenComm();
        } catch (const ECommsError &e) {
            failure = e.message();
            stage = -1;
            return;
        }
        owner = QThread::currentThread();
        QEventLoop loop;
        QObject::connect(&cm, &TComm::receiveData, &loop, [&](const QByteArray &d) {
            raisedOn = QThread::currentThread();
            got = d;
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        stage = 1;
        loop.exec();
    }));
    thread->start();
    QElapsedTimer t;
    t.start();
    while (stage == 0 && t.elapsed() < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(stage.load(), 1) << failure.toStdString();
    ASSERT_TRUE(pty.write("to the other thread"));
    ASSERT_TRUE(thread->wait(8000));
    EXPECT_EQ(got, QByteArray("to the other thread"));
    EXPECT_EQ(raisedOn, owner);
    EXPECT_NE(raisedOn, QThread::currentThread());
}

TEST(CommThreads, DestroyingAnOpenComponentStopsEverything)
{
    PtyPair pty;
    {
        auto cm = std::make_unique<TComm>();
        cm->setCommName(pty.slave());
        cm->OpenComm();
        ASSERT_TRUE(pty.write("pending"));
        ASSERT_TRUE(cm->SendBytes(QByteArray(60000, 'x')));
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // notices are posted but not handled
        QElapsedTimer t;
        t.start();
        cm.reset();
        EXPECT_LT(t.elapsed(), 1000);
    }
    Pump(50); // notices for the destroyed component must go nowhere
    // The port is free again.
    TComm again;
    again.setCommName(pty.slave());
    EXPECT_NO_THROW(again.OpenComm());
}
