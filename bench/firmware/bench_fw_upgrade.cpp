// Time per XModem block of the firmware transfer:
//   1. the tool (serial component + upgrade) against the simulated boot loader paced at 115200 baud,
//      directly and through a relay that paces the tool's writes as well;
//   2. the floor: wire time of one 133-byte block at 115200 baud plus the tool's read gap for the ACK;
//   3. lrzsz sx -> rx over the same kind of pty pair, paced by the relay and unpaced.
// Usage: bench_fw_upgrade [KiB (default 256)] [--no-tool] [--dtu-sim PATH]
#include "PtyTools.h"

#include "comm/PortOpener.h"
#include "comm/SPComm.h"
#include "firmware/FwUpgrade.h"
#include "util/LineSink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
// With throughRelay the tool's own writes are paced too: the simulated module paces only what it sends.
double runTool(const QString &simBin, const QString &imagePath, int blocks, const QString &dir,
               bool throughRelay)
{
    QProcess sim;
    sim.start(simBin, {"--boot", "--boot-repeat", "500", "--pace", QString::number(kBaud),
                       "--save-image", dir + "/sim.bin"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return -1;
    const QString simSlave = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QString slave = simSlave;
    PtyPair toolLine;
    int simFd = -1;
    std::unique_ptr<PtyRelay> relay;
    if (throughRelay) {
        simFd = ::open(QFile::encodeName(simSlave).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (simFd < 0 || !toolLine.open())
            return -1;
        termios tio{};
        ::tcgetattr(simFd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(simFd, TCSANOW, &tio);
        relay = std::make_unique<PtyRelay>(toolLine.master, simFd, kBaud);
        slave = toolLine.slavePath;
    }

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
    FwUpgrade fw(std::move(d));
    QObject::connect(&comm, &TComm::receiveData, [&](const QByteArray &chunk) { fw.ClaimBlock(chunk); });

    PortRowSettings row{slave, QString::number(kBaud), 0, 1, 0, 0};
    QString err;
    if (!PortOpen(comm, row, &err)) {
        std::fprintf(stderr, "open: %s\n", qPrintable(err));
        return -1;
    }
    fw.ChooseFile(imagePath);
    QElapsedTimer limit;
    limit.start();
    while (sink.doneAt < 0 && limit.elapsed() < 30 * 60 * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    comm.CloseComm();
    relay.reset();
    if (simFd >= 0)
        ::close(simFd);
    sim.terminate();
    sim.waitForFinished(5000);
    if (sink.doneAt < 0 || sink.sendingAt < 0)
        return -1;
    return double(sink.doneAt - sink.sendingAt) / blocks;
}

// Milliseconds per block of sx -> rx through a relay of two pty pairs.
double runLrzsz(const QString &imagePath, int blocks, const QString &dir, int baud)
{
    const QString sx = QStandardPaths::findExecutable("sx");
    const QString rx = QStandardPaths::findExecutable("rx");
    if (sx.isEmpty() || rx.isEmpty())
        return -1;
    PtyPair a, b;
    if (!a.open() || !b.open())
        return -1;
    QFile::remove(dir + "/rx.bin");
    QElapsedTimer t;
    t.start();
    const pid_t recv = SpawnOnTty({rx, "-X", "-c", "-b", "-y", "rx.bin"}, b.slave, dir + "/rx.log", dir);
    PtyRelay relay(a.master, b.master, baud);
    const pid_t send = SpawnOnTty({sx, "-X", "-b", imagePath}, a.slave, dir + "/sx.log", dir);
    const int rs = WaitChild(recv, 30 * 60 * 1000);
    const double ms = double(t.elapsed());
    relay.stop();
    if (WaitChild(send, 3000) == -1)
        KillChild(send);
    if (rs == -1) {
        KillChild(recv);
        return -1;
    }
    QFile f(dir + "/rx.bin");
    if (!f.open(QIODevice::ReadOnly) || f.size() != qint64(blocks) * fw::BLOCK_DATA)
        std::fprintf(stderr, "rx received %lld bytes, expected %lld\n", f.size(), qint64(blocks) * fw::BLOCK_DATA);
    return ms / blocks;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int kib = 256;
    bool tool = true;
    QString simBin = qEnvironmentVariable("DTU_SIM_BIN");
    if (!QFile::exists(simBin))
        simBin = QStringLiteral(DTU_SIM_DEFAULT);
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--no-tool")
            tool = false;
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
    const double wire = fw::BLOCK_SIZE * 10.0 * 1000.0 / kBaud;
    const double gap = ReadGapForBaud(kBaud);
    std::printf("image %d KiB, %d blocks of %d bytes\n", kib, blocks, fw::BLOCK_SIZE);
    std::printf("floor: wire %.2f ms + ACK read gap %.0f ms      = %7.2f ms/block\n", wire, gap, wire + gap);
    std::fflush(stdout);
    if (tool) {
        const double t = runTool(simBin, imagePath, blocks, dir.path(), false);
        std::printf("tool  -> dtu-sim --boot --pace %d       = %7.2f ms/block\n", kBaud, t);
        std::fflush(stdout);
        const double r = runTool(simBin, imagePath, blocks, dir.path(), true);
        std::printf("tool  -> relay paced -> dtu-sim --pace    = %7.2f ms/block\n", r);
        std::fflush(stdout);
    }
    const double paced = runLrzsz(imagePath, blocks, dir.path(), kBaud);
    std::printf("sx    -> rx, relay paced at %d         = %7.2f ms/block\n", kBaud, paced);
    const double raw = runLrzsz(imagePath, blocks, dir.path(), 0);
    std::printf("sx    -> rx, unpaced                      = %7.2f ms/block\n", raw);
    std::printf("(the rx figures include its one second of silence before it acknowledges EOT)\n");
    return 0;
}
