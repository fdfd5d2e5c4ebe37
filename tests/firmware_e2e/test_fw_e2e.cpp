// The firmware transfer over a real line: the serial component on a pty, against the simulated
// boot loader and against an independent XModem receiver.
#include "PtyTools.h"

#include "comm/PortOpener.h"
#include "comm/SPComm.h"
#include "firmware/FwUpgrade.h"
#include "tests/common/LineRecorder.h"
#include "tests/common/TestWait.h"
#include "tools/dtu-sim/SimModule.h"
#include "util/LineSink.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <random>

namespace {

using RecordingSink = LineRecorder;

// The tool's side: serial component, SendToCom with LastSend, and the dispatcher's first step.
struct ToolSide {
    TComm comm;
    RecordingSink sink;
    QByteArray last;
    QList<QByteArray> toCom;
    QList<QByteArray> ordinary; // chunks the upgrade did not claim
    std::unique_ptr<FwUpgrade> fw;

    ToolSide()
    {
        FwUpgradeDeps d;
        d.sendToCom = [this](const QByteArray &t) {
            if (!comm.isOpen()) {
                sink.ShowErr("info_ComNoOpen");
                return;
            }
            comm.SendBytes(t);
            sink.ShowSend(t);
            last = t;
            toCom.append(t);
        };
        d.lastSend = [this] { return last; };
        d.sendBytes = [this](const QByteArray &b) { return comm.SendBytes(b); };
        d.comOpened = [this] { return comm.isOpen(); };
        d.console = &sink;
        d.overRestart = [] { return true; };
        d.fastReads = [this](bool on) { // as the window does
            comm.setReadIntervalTimeout(on ? TransferReadGapForBaud(comm.BaudRate()) : ReadGapForBaud(comm.BaudRate()));
        };
        d.passOn = [this](const QByteArray &b) { ordinary.append(b); };
        fw = std::make_unique<FwUpgrade>(std::move(d));
        QObject::connect(&comm, &TComm::receiveData, [this](const QByteArray &chunk) {
            if (!fw->ClaimBlock(chunk))
                ordinary.append(chunk);
        });
    }

    bool open(const QString &path)
    {
        PortRowSettings row;
        row.comName = path;
        row.baudText = QStringLiteral("115200");
        row.parityIndex = 0;
        row.dataIndex = 1;
        row.stopIndex = 0;
        row.flowIndex = 0;
        QString error;
        const bool ok = PortOpen(comm, row, &error);
        if (!ok)
            ADD_FAILURE() << error.toStdString();
        return ok;
    }
};

QByteArray pattern(int size, unsigned seed)
{
    std::mt19937 gen(seed);
    QByteArray out(size, '\0');
    for (auto &c : out)
        c = char(gen() & 0xFF);
    return out;
}

QByteArray padded(const QByteArray &image)
{
    const auto rest = image.size() % fw::BLOCK_DATA;
    return rest ? image + QByteArray(fw::BLOCK_DATA - rest, fw::PAD) : image;
}

QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &content)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// ---- against the simulated boot loader -------------------------------------------------

class SimUpgrade : public ::testing::TestWithParam<int> {};

TEST_P(SimUpgrade, ImageArrivesPaddedAndModuleRestarts)
{
    QString simBin = qEnvironmentVariable("DTU_SIM_BIN");
    if (!QFile::exists(simBin))
        simBin = QStringLiteral(DTU_SIM_PATH); // the program built beside this test
    ASSERT_TRUE(QFile::exists(simBin)) << simBin.toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Without NAKs 160 KiB: block numbers wrap five times.
    const QByteArray image = pattern(GetParam() == 0 ? 160 * 1024 + 77 : 70000, 11);
    const QString imagePath = writeFile(dir, "image.bin", image);
    const QString savePath = dir.filePath("received.bin");

    QStringList args{"--boot", "--boot-repeat", "500", "--save-image", savePath};
    if (GetParam() > 0)
        args << "--nak-every" << QString::number(GetParam());
    QProcess sim;
    sim.start(simBin, args);
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();
    ASSERT_FALSE(slave.isEmpty());

    ToolSide tool;
    ASSERT_TRUE(tool.open(slave));
    ASSERT_TRUE(tool.fw->ChooseFile(imagePath));

    const bool done = WaitUntil([&] { return tool.sink.has("info_FwUpOver"); }, 200000);
    ASSERT_TRUE(done) << "state " << int(tool.fw->FwState()) << ", block " << int(tool.fw->FwBlockNo());
    EXPECT_EQ(readFile(savePath), padded(image));
    EXPECT_EQ(tool.toCom, (QList<QByteArray>{"F", "Y"}));
    EXPECT_TRUE(tool.sink.has(fw::FinalAnswer));
    EXPECT_EQ(tool.fw->FwState(), FwUpgrade::Idle);
    EXPECT_FALSE(tool.fw->HasFile());
    EXPECT_FALSE(tool.fw->tmrXModemTx()->isActive());

    // "R" restarts the module: its start-up text reaches the ordinary dispatcher, not the upgrade.
    EXPECT_TRUE(WaitUntil([&] { return !tool.ordinary.isEmpty(); }, 5000));

    tool.comm.CloseComm();
    sim.terminate();
    EXPECT_TRUE(sim.waitForFinished(5000));
}

// 1: every block is refused once (a NAK storm).
INSTANTIATE_TEST_SUITE_P(NakEvery, SimUpgrade, ::testing::Values(0, 7, 1),
                         [](const auto &info) { return "Nak" + std::to_string(info.param); });

// A caller that closes the port as soon as the upgrade reports success (as the batch mode does)
// must still get the restart byte onto the line.
TEST(SimUpgradeClose, RestartByteSurvivesAnImmediateClose)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString imagePath = writeFile(dir, "image.bin", pattern(300, 5));
    // A lost restart byte shows within the first two runs; a dozen leave a margin.
    for (int run = 0; run < 12; ++run) {
        SimOptions o;
        o.bootLoader = true;
        o.cRepeatMs = 150; // apart from the confirmation echo
        o.replyDelayMs = 0;
        o.bootMenuRepeatMs = 100; // the first menu goes out before the port is open
        SimModule sim(o);
        ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
        ToolSide tool;
        QObject::connect(&tool.comm, &TComm::receiveData, [&] {
            if (tool.sink.has("info_FwUpOver") && tool.comm.isOpen())
                tool.comm.CloseComm();
        });
        ASSERT_TRUE(tool.open(sim.slavePath()));
        ASSERT_TRUE(tool.fw->ChooseFile(imagePath));
        const bool closed = WaitUntil([&] { return !tool.comm.isOpen(); }, 10000);
        QByteArray seen;
        for (const auto &l : tool.sink.lines)
            seen += l.text.toPercentEncoding() + '\n';
        ASSERT_TRUE(closed) << "run " << run << "\n" << seen.toStdString();
        // The boot loader leaves for the application only on "R".
        QElapsedTimer t;
        t.start();
        while (sim.state() != SimModule::State::Data && t.elapsed() < 3000)
            QThread::msleep(5);
        ASSERT_EQ(sim.state(), SimModule::State::Data) << "run " << run << "\n" << seen.toStdString();
        EXPECT_EQ(sim.completedTransfers(), 1);
    }
}

// ---- against an independent XModem receiver -------------------------------------------

QByteArray readUntil(int fd, const QByteArray &want, int ms)
{
    QByteArray got;
    WaitUntil(
        [&] {
            DrainFd(fd, &got);
            return got.contains(want);
        },
        ms);
    return got;
}

TEST(RxInterop, IndependentReceiverGetsTheImage)
{
    const QString rx = QStandardPaths::findExecutable(QStringLiteral("rx"));
    if (rx.isEmpty())
        GTEST_SKIP() << "rx (lrzsz) not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray image = pattern(5000, 23);
    const QString imagePath = writeFile(dir, "image.bin", image);

    PtyPair line;
    ASSERT_TRUE(line.ok());
    line.setNonBlocking();
    ToolSide tool;
    ASSERT_TRUE(tool.open(line.slave()));
    ASSERT_TRUE(tool.fw->ChooseFile(imagePath));

    // Play the boot loader's menu ourselves, then hand the line to the receiver.
    ASSERT_TRUE(WriteAll(line.master(), fw::BootMenu));
    ASSERT_EQ(readUntil(line.master(), "F", 3000), QByteArray("F"));
    ASSERT_TRUE(WriteAll(line.master(), fw::BootQuestion));
    ASSERT_EQ(readUntil(line.master(), "Y", 3000), QByteArray("Y"));
    ASSERT_TRUE(WriteAll(line.master(), fw::BootEcho));
    ASSERT_TRUE(WaitUntil([&] { return tool.fw->FwState() == FwUpgrade::Armed; }, 3000));

    PtyPair rxLine;
    ASSERT_TRUE(rxLine.ok());
    rxLine.setNonBlocking();
    const pid_t pid = SpawnOnTty({rx, "-X", "-c", "-b", "-y", "out.bin"}, rxLine.rawSlave(),
                                 dir.filePath("rx.log"), dir.path());
    ASSERT_GT(pid, 0);
    int status = -1;
    {
        PtyRelay relay(line.master(), rxLine.master());
        // The receiver acknowledges EOT after a second of silence and then ends.
        WaitUntil([&] { return (status = WaitChild(pid, 0)) != -1; }, 90000);
    }
    if (status == -1)
        KillChild(pid);
    ASSERT_NE(status, -1) << "rx did not finish; log:\n" << readFile(dir.filePath("rx.log")).toStdString();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(dir.filePath("rx.log")).toStdString();
    // rx keeps the 0x1A padding of the last block.
    EXPECT_EQ(readFile(dir.filePath("out.bin")), padded(image));
    EXPECT_EQ(tool.fw->FwState(), FwUpgrade::EotSent);
    EXPECT_FALSE(tool.sink.has("info_FwUpOver")); // a bare ACK is no final answer
    tool.comm.CloseComm();
}

} // namespace
