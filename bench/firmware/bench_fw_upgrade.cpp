// Time per XModem block of the firmware transfer, side by side in one run, over the same paced line:
// the simulated module paces both directions at 115200 baud (10 bits per byte).
//   1. the floor: wire time of one 133-byte block and its one-byte ACK;
//   2. the tool (serial component + upgrade, wired as the window wires them) -> dtu-sim --boot --pace;
//   3. the same with the ordinary read gap kept during the transfer (what the gap alone costs);
//   4. lrzsz sx -> dtu-sim --xmodem --pace, the same image.
// Usage: bench_fw_upgrade [KiB (default 128)] [--no-tool] [--dtu-sim PATH]
#include "PtyTools.h"

#include "comm/PortOpener.h"
#include "comm/SPComm.h"
#include "firmware/FwUpgrade.h"
#include "util/LineSink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>
#include <random>

namespace {

constexpr int kBaud = 115200;

class TimedSink : public LineSink {
public:
    QElapsedTimer clock;
    qint64 sendingAt = -1, doneAt = -1;
    TimedSink() { clock.start(); }
    void showLine(LineKind, const QByteArray &text) override
    {
        if (text == "info_Sending")
            sendingAt = clock.elapsed();
        else if (text == "info_FwUpOver")
            doneAt = clock.elapsed();
    }
};

QByteArray image(int size)
{
    std::mt19937 gen(5);
    QByteArray out(size, '\0');
    for (auto &c : out)
        c = char(gen() & 0xFF);
    return out;
}

// Milliseconds per block of the tool against dtu-sim, or a negative value on failure.
double runTool(const QString &simBin, const QString &imagePath, int blocks, const QString &dir, bool fastReads)
{
    QProcess sim;
    sim.start(simBin, {"--boot", "--boot-repeat", "500", "--c-interval", "200", "--pace", QString::number(kBaud),
                       "--save-image", dir + "/sim.bin"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return -1;
    const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();

    TComm comm;
    TimedSink sink;
    QByteArray last;
    FwUpgradeDeps d;
    d.sendToCom = [&](const QByteArray &t) {
        comm.SendBytes(t);
        last = t;
    };
    d.lastSend = [&] { return last; };
    d.sendBytes = [&](const QByteArray &b) { return comm.SendBytes(b); };
    d.comOpened = [&] { return comm.isOpen(); };
    d.console = &sink;
    if (fastReads)
        d.fastReads = [&](bool on) {
            comm.setReadIntervalTimeout(on ? TransferReadGapForBaud(kBaud) : ReadGapForBaud(kBaud));
        };
    FwUpgrade fw(std::move(d));
    QObject::connect(&comm, &TComm::receiveData, [&](const QByteArray &chunk) { fw.ClaimBlock(chunk); });

    PortRowSettings row{slave, QString::number(kBaud), 0, 1, 0, 0};
    QString err;
    if (!PortOpen(comm, row, &err)) {
        std::fprintf(stderr, "open: %s\n", qPrintable(err));
        return -1;
    }
    fw.ChooseFile(imagePath);
    QEventLoop loop;
    QTimer poll; // looks at the sink a few times a second; the transfer itself runs on events
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (sink.doneAt >= 0)
            loop.quit();
    });
    poll.start(50);
    QTimer::singleShot(30 * 60 * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    comm.CloseComm();
    sim.terminate();
    sim.waitForFinished(5000);
    QFile got(dir + "/sim.bin");
    if (!got.open(QIODevice::ReadOnly) || got.size() != qint64(blocks) * fw::BLOCK_DATA)
        std::fprintf(stderr, "dtu-sim received %lld bytes, expected %lld\n", got.size(), qint64(blocks) * fw::BLOCK_DATA);
    if (sink.doneAt < 0 || sink.sendingAt < 0)
        return -1;
    return double(sink.doneAt - sink.sendingAt) / blocks;
}

// Milliseconds per block of sx sending to dtu-sim --xmodem over the same paced line.
double runSx(const QString &simBin, const QString &imagePath, int blocks, const QString &dir)
{
    const QString sx = QStandardPaths::findExecutable("sx");
    if (sx.isEmpty())
        return -1;
    QFile::remove(dir + "/sx.bin");
    QProcess sim;
    sim.start(simBin, {"--xmodem", "--c-interval", "200", "--pace", QString::number(kBaud), "--save-image",
                       dir + "/sx.bin"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return -1;
    const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();
    const int fd = ::open(QFile::encodeName(slave).constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    QElapsedTimer t;
    t.start();
    const pid_t send = SpawnOnTty({sx, "-X", "-b", imagePath}, fd, dir + "/sx.log", dir);
    const int status = WaitChild(send, 30 * 60 * 1000);
    const double ms = double(t.elapsed());
    ::close(fd);
    sim.terminate();
    sim.waitForFinished(5000);
    if (status == -1) {
        KillChild(send);
        return -1;
    }
    QFile got(dir + "/sx.bin");
    if (!got.open(QIODevice::ReadOnly) || got.size() != qint64(blocks) * fw::BLOCK_DATA)
        std::fprintf(stderr, "dtu-sim received %lld bytes from sx, expected %lld\n", got.size(),
                     qint64(blocks) * fw::BLOCK_DATA);
    return ms / blocks;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int kib = 128;
    bool runToolToo = true;
    QString simBin = qEnvironmentVariable("DTU_SIM_BIN");
    if (!QFile::exists(simBin))
        simBin = QStringLiteral(DTU_SIM_DEFAULT);
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--no-tool")
            runToolToo = false;
        else if (args[i] == "--dtu-sim" && i + 1 < args.size())
            simBin = args[++i];
        else if (args[i].toInt() > 0)
            kib = args[i].toInt();
    }

    QTemporaryDir dir;
    const QByteArray data = image(kib * 1024);
    const QString imagePath = dir.filePath("image.bin");
    {
        QFile f(imagePath);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return 1;
    }
    const int blocks = int((data.size() + fw::BLOCK_DATA - 1) / fw::BLOCK_DATA);
    const double wire = (fw::BLOCK_SIZE + 1) * 10.0 * 1000.0 / kBaud;
    std::printf("image %d KiB, %d blocks of %d bytes, line paced at %d baud both ways\n", kib, blocks, fw::BLOCK_SIZE,
                kBaud);
    std::printf("floor: wire time of a block and its ACK        = %7.2f ms/block\n", wire);
    std::fflush(stdout);
    double tool = -1;
    if (runToolToo) {
        tool = runTool(simBin, imagePath, blocks, dir.path(), true);
        std::printf("tool  -> dtu-sim --boot --pace                = %7.2f ms/block  (%.2f x wire)\n", tool,
                    tool / wire);
        std::fflush(stdout);
        const double slow = runTool(simBin, imagePath, blocks, dir.path(), false);
        std::printf("tool, ordinary %u ms read gap kept            = %7.2f ms/block  (%.2f x wire)\n",
                    ReadGapForBaud(kBaud), slow, slow / wire);
        std::fflush(stdout);
    }
    const double sx = runSx(simBin, imagePath, blocks, dir.path());
    std::printf("sx    -> dtu-sim --xmodem --pace              = %7.2f ms/block  (%.2f x wire)\n", sx, sx / wire);
    if (tool > 0 && sx > 0)
        std::printf("tool / sx                                     = %7.2f\n", tool / sx);
    return 0;
}
