// Boot loader menu and the XModem-CRC receiver.
#include "tests/sim/SimLine.h"
#include "tools/dtu-sim/SimModule.h"
#include "util/ProFun.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <random>
#include <sys/wait.h>
#include <thread>

namespace {

const QByteArray kMenu("\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>");
const QByteArray kQuestion("F\r\nSure to update, 'Y' or 'N'\r\n>");
const QByteArray kAck(1, '\x06');
const QByteArray kNak(1, '\x15');
const QByteArray kFinal("\x06\r\n>", 4);

QByteArray dataBlock(int seed)
{
    QByteArray d(128, '\0');
    for (int i = 0; i < 128; ++i)
        d[i] = static_cast<char>((seed * 31 + i * 7) & 0xFF);
    return d;
}

QByteArray xblock(uint8_t no, const QByteArray &data, bool badCrc = false, bool badComplement = false)
{
    QByteArray b;
    b += '\x01';
    b += static_cast<char>(no);
    b += static_cast<char>(badComplement ? no : 255 - no);
    b += data;
    uint16_t crc = XModemCRC16(reinterpret_cast<const uint8_t *>(data.constData()), 0, 128);
    if (badCrc)
        crc ^= 0x0100;
    b += static_cast<char>(crc >> 8);
    b += static_cast<char>(crc & 0xFF);
    return b;
}

SimOptions bootOptions()
{
    SimOptions o;
    o.bootLoader = true;
    o.replyDelayMs = 1;
    o.restartDelayMs = 100;
    o.cRepeatMs = 150;
    o.blockTimeoutMs = 300;
    return o;
}

struct Rig
{
    explicit Rig(SimOptions o) : sim(std::make_unique<SimModule>(std::move(o)))
    {
        if (sim->start())
            line = std::make_unique<SimLine>(sim->slavePath());
    }
    bool ok() const { return line && line->isOpen(); }
    // From the menu to the receiver asking for data.
    bool walkToTransfer()
    {
        return line->ask("\r") == kMenu && line->ask("F") == kQuestion && line->ask("Y") == "Y\r\n" &&
               line->block() == "C";
    }
    std::unique_ptr<SimModule> sim;
    std::unique_ptr<SimLine> line;
};

} // namespace

TEST(SimBoot, MenuDialogue)
{
    Rig r(bootOptions());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.line->block(), kMenu); // sent at start
    EXPECT_EQ(r.sim->state(), SimModule::State::BootMenu);
    EXPECT_EQ(r.line->ask("\r"), kMenu);
    EXPECT_TRUE(r.line->ask("x", 200).isEmpty());
    EXPECT_EQ(r.line->ask("F"), kQuestion);
    EXPECT_EQ(r.line->ask("N"), kMenu);
    EXPECT_EQ(r.line->ask("F"), kQuestion);
    EXPECT_EQ(r.line->ask("Y"), "Y\r\n");
    // 'C' repeats, each its own block, until a block comes
    const QList<QByteArray> cs = r.line->blocks(500);
    ASSERT_GE(cs.size(), 2);
    for (const QByteArray &c : cs)
        EXPECT_EQ(c, "C");
    EXPECT_EQ(r.sim->state(), SimModule::State::XModem);
}

TEST(SimBoot, RunAndRestartLeaveTheBootLoader)
{
    Rig r(bootOptions());
    ASSERT_TRUE(r.ok());
    r.sim->setParam("STMSG", "Started");
    ASSERT_EQ(r.line->block(), kMenu);
    r.line->send("R");
    EXPECT_EQ(r.line->block(), "Started\r\n");
    EXPECT_EQ(r.sim->state(), SimModule::State::Data);
    EXPECT_EQ(r.line->ask("+++"), "a"); // the application is running

    r.sim->enterBootLoader();
    EXPECT_EQ(r.line->block(), kMenu);
    EXPECT_TRUE(r.line->ask("G", 300).isEmpty());
    EXPECT_EQ(r.sim->state(), SimModule::State::Data);
}

TEST(SimXModem, ReceivesCheckedBlocks)
{
    Rig r(bootOptions());
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.line->block(), kMenu);
    ASSERT_TRUE(r.walkToTransfer());

    EXPECT_EQ(r.line->ask(xblock(1, dataBlock(1))), kAck);
    EXPECT_EQ(r.line->ask(xblock(2, dataBlock(2), true)), kNak);        // bad CRC
    EXPECT_EQ(r.line->ask(xblock(2, dataBlock(2), false, true)), kNak); // bad complement
    EXPECT_EQ(r.line->ask(xblock(3, dataBlock(3))), kNak);              // out of sequence
    EXPECT_EQ(r.line->ask(xblock(2, dataBlock(2))), kAck);
    EXPECT_EQ(r.line->ask(xblock(2, dataBlock(2))), kAck); // repeated: ACKed, stored once
    EXPECT_EQ(r.sim->receivedBlocks(), 2);
    // a block in three pieces is put together
    const QByteArray b3 = xblock(3, dataBlock(3));
    r.line->send(b3.left(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    r.line->send(b3.mid(1, 70));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(r.line->ask(b3.mid(71)), kAck);
    // a block that stops half-way is dropped after the time-out and NAKed
    r.line->send(xblock(4, dataBlock(4)).left(60));
    EXPECT_EQ(r.line->block(1000), kNak);
    EXPECT_EQ(r.line->ask(xblock(4, dataBlock(4))), kAck);
    // stray bytes before a block are skipped
    EXPECT_EQ(r.line->ask("zz" + xblock(5, dataBlock(5))), kAck);
    EXPECT_TRUE(r.line->blocks(400).isEmpty()); // no 'C' once blocks flow

    EXPECT_EQ(r.line->ask("\x04"), kFinal);
    EXPECT_EQ(r.sim->state(), SimModule::State::BootMenu);
    EXPECT_EQ(r.sim->completedTransfers(), 1);
    EXPECT_EQ(r.sim->receivedBlocks(), 5);
    QByteArray expected;
    for (int i = 1; i <= 5; ++i)
        expected += dataBlock(i);
    EXPECT_EQ(r.sim->receivedImage(), expected);
}

TEST(SimXModem, BlockNumbersWrapAndImageIsSaved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimOptions o = bootOptions();
    o.saveImagePath = dir.filePath("image.bin");
    Rig r(o);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.line->block(), kMenu);
    ASSERT_TRUE(r.walkToTransfer());
    QByteArray expected;
    for (int i = 1; i <= 258; ++i) {
        const QByteArray d = dataBlock(i);
        expected += d;
        r.line->send(xblock(static_cast<uint8_t>(i & 0xFF), d));
        ASSERT_EQ(r.line->block(1500, 5), kAck) << i; // single bytes need no long pause
    }
    EXPECT_EQ(r.line->ask("\x04"), kFinal);
    EXPECT_EQ(r.sim->receivedBlocks(), 258);
    QFile f(o.saveImagePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), expected);
    // the menu answers again, and a new transfer starts from an empty image
    ASSERT_TRUE(r.walkToTransfer());
    EXPECT_EQ(r.sim->receivedBlocks(), 0);
    EXPECT_TRUE(r.sim->receivedImage().isEmpty());
}

TEST(SimXModem, NakEveryNthGoodBlockOnce)
{
    SimOptions o = bootOptions();
    o.nakEveryNth = 2;
    Rig r(o);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.line->block(), kMenu);
    ASSERT_TRUE(r.walkToTransfer());
    QByteArray answers;
    for (int i = 1; i <= 4; ++i) {
        for (;;) {
            const QByteArray a = r.line->ask(xblock(static_cast<uint8_t>(i), dataBlock(i)));
            ASSERT_EQ(a.size(), 1);
            answers += a == kAck ? 'A' : 'N';
            if (a == kAck)
                break;
            ASSERT_LT(answers.size(), 20);
        }
    }
    EXPECT_EQ(answers, "ANAANA"); // blocks 2 and 4 need a second go
    EXPECT_EQ(r.sim->receivedBlocks(), 4);
    EXPECT_EQ(r.line->ask("\x04"), kFinal);
    EXPECT_EQ(r.sim->receivedImage().size(), 4 * 128);
}

// lrzsz's sender on the other end: the receiver must satisfy a real XModem-CRC sender.
TEST(SimXModem, AcceptsAnIndependentSender)
{
    const char *sx = "/usr/bin/sx";
    if (::access(sx, X_OK) != 0)
        GTEST_SKIP() << "sx (lrzsz) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray file(5000, '\0');
    std::mt19937 gen(7);
    for (auto &c : file)
        c = static_cast<char>(gen() & 0xFF);
    const QString path = dir.filePath("fw.bin");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    SimOptions o = bootOptions();
    o.cRepeatMs = 300;
    Rig r(o);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.line->block(), kMenu);
    ASSERT_TRUE(r.walkToTransfer());

    const QByteArray slave = r.sim->slavePath().toLocal8Bit();
    const QByteArray file8 = path.toLocal8Bit();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = ::open(slave.constData(), O_RDWR | O_NOCTTY);
        const int nul = ::open("/dev/null", O_WRONLY);
        if (fd < 0 || nul < 0)
            _exit(126);
        dup2(fd, 0);
        dup2(fd, 1);
        dup2(nul, 2);
        execl(sx, "sx", "--xmodem", "-b", file8.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = -1;
    for (int i = 0; i < 300; ++i) { // 30 s at most
        if (waitpid(pid, &status, WNOHANG) == pid)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!WIFEXITED(status) && !WIFSIGNALED(status)) {
        ::kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "sx did not finish";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    QByteArray padded = file;
    padded.append(QByteArray((128 - file.size() % 128) % 128, '\x1A'));
    EXPECT_EQ(r.sim->completedTransfers(), 1);
    EXPECT_EQ(r.sim->receivedBlocks(), 40);
    EXPECT_EQ(r.sim->receivedImage(), padded);
    EXPECT_EQ(r.sim->state(), SimModule::State::BootMenu);
}

TEST(SimXModem, FaultSwitchesNakForEverOrHangUp)
{
    SimOptions o = bootOptions();
    o.nakAlways = true;
    Rig storm(o);
    ASSERT_TRUE(storm.ok());
    ASSERT_EQ(storm.line->block(), kMenu);
    ASSERT_TRUE(storm.walkToTransfer());
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(storm.line->ask(xblock(1, dataBlock(1))), QByteArray(1, 0x15)) << i;
    EXPECT_EQ(storm.sim->receivedBlocks(), 0);

    o = bootOptions();
    o.hangupAfterBlocks = 2;
    Rig gone(o);
    ASSERT_TRUE(gone.ok());
    ASSERT_EQ(gone.line->block(), kMenu);
    ASSERT_TRUE(gone.walkToTransfer());
    EXPECT_EQ(gone.line->ask(xblock(1, dataBlock(1))), QByteArray(1, 0x06));
    EXPECT_TRUE(gone.line->ask(xblock(2, dataBlock(2))).isEmpty()); // no ACK: the line is dead
    pollfd p{gone.line->fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
}
