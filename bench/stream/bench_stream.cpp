// Resident memory of the main window under a long received stream.
//   QT_QPA_PLATFORM=offscreen bench_stream [seconds, default 600] [KiB/s, default 64]
// The window opens the slave of a pty through its own port settings; this program
// plays a module on the master that forwards server data at the given rate, in
// writes of several 64-byte lines each (as a fast module's blocks arrive). RSS is
// sampled every 10 s and its peak is kept for every cycle of the console (from one
// emptying at the line limit to the next). Memory is flat when the highest RSS of the
// run's second half exceeds that of its first half by less than 8 MiB (the allocator
// settles over the first cycles; a leak of 1 MiB a minute would show 5 MiB).
// Exit 0 when flat, 1 when not, 2 when the measurement could not run.
#include "protocol/Protocol.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/PortBar.h"
#include "ui/ConsolePanel.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
    const int kibPerSec = argc > 2 ? std::atoi(argv[2]) : 64;
    if (seconds <= 0 || kibPerSec <= 0) {
        std::fprintf(stderr, "usage: bench_stream [seconds] [KiB/s]\n");
        return 2;
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("pty");
        return 2;
    }
    QTemporaryDir dir;
    StartOptions opts;
    opts.configDir = dir.path();
    opts.loadConfig = false;
    TFrm_Main w(opts);
    w.show();
    w.portBar()->cbbOpenCom->addItem(QString::fromLocal8Bit(::ptsname(master)));
    w.portBar()->cbbOpenCom->setCurrentIndex(w.portBar()->cbbOpenCom->count() - 1);
    w.portBar()->cbbOpenBaud->setCurrentText(QStringLiteral("115200")); // a pty ignores the rate
    w.btnSysClick(1);
    if (!w.ComOpened()) {
        std::fprintf(stderr, "the window could not open %s: %s\n", ::ptsname(master),
                     qPrintable(w.consolePanel()->edtDialog->toPlainText().section(QLatin1Char('\n'), -1)));
        return 2;
    }
    app.processEvents();

    // Ten writes a second, each a run of whole 64-byte lines.
    const int perWrite = kibPerSec * 1024 / 10;
    QByteArray line = "+DATA:server payload of a streaming module, 64 bytes a line....\r\n";
    line.resize(64);
    line[62] = '\r';
    line[63] = '\n';
    QByteArray chunk;
    while (chunk.size() + line.size() <= perWrite)
        chunk += line;

    QPlainTextEdit *pane = w.consolePanel()->edtDialog;
    qint64 written = 0, dropped = 0;
    int clears = 0, lastLines = 0;
    long cyclePeak = 0, firstHalfPeak = 0, secondHalfPeak = 0;
    std::vector<long> cyclePeaks;
    struct Sample { int at; long kib; int lines; };
    std::vector<Sample> samples;
    QElapsedTimer clock;
    clock.start();

    QTimer writer;
    writer.setTimerType(Qt::PreciseTimer);
    writer.setInterval(100);
    QObject::connect(&writer, &QTimer::timeout, [&] {
        const ssize_t n = ::write(master, chunk.constData(), size_t(chunk.size()));
        if (n > 0)
            written += n;
        if (n < chunk.size())
            dropped += chunk.size() - std::max<ssize_t>(n, 0); // the reader fell behind
    });
    QTimer watch; // the pane's emptyings and the peaks between them
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int n = pane->document()->blockCount();
        if (n < lastLines) {
            ++clears;
            cyclePeaks.push_back(cyclePeak);
            cyclePeak = 0;
        }
        lastLines = n;
        const long kib = residentKiB();
        cyclePeak = std::max(cyclePeak, kib);
        long &half = clock.elapsed() < seconds * 500LL ? firstHalfPeak : secondHalfPeak;
        half = std::max(half, kib);
    });
    QTimer sampler;
    sampler.setInterval(10000);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        samples.push_back({int(clock.elapsed() / 1000), residentKiB(), pane->document()->blockCount()});
        const Sample &s = samples.back();
        std::printf("%5d s  RSS %7ld KiB  console %6d lines  emptied %d times\n", s.at, s.kib, s.lines, clears);
        std::fflush(stdout);
    });
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    const long atStart = residentKiB();
    std::printf("stream of %d KiB/s for %d s into %s; RSS at start %ld KiB\n", kibPerSec, seconds,
                ::ptsname(master), atStart);
    writer.start();
    watch.start();
    sampler.start();
    loop.exec();
    writer.stop();
    const long atEnd = residentKiB();
    const double secs = double(clock.elapsed()) / 1000.0;
    std::printf("\nwritten %.1f MiB in %.0f s (%.1f KiB/s), %lld bytes not taken by the line\n",
                double(written) / 1048576.0, secs, double(written) / 1024.0 / secs, static_cast<long long>(dropped));
    std::printf("console emptied %d times; RSS at start %ld KiB, at the end %ld KiB\n", clears, atStart, atEnd);
    std::printf("peak RSS of each console cycle (KiB):");
    for (const long k : cyclePeaks)
        std::printf(" %ld", k);
    std::printf("\n");
    w.PortClose();
    ::close(master);
    if (clears < 2) {
        std::printf("the console was emptied fewer than twice: run longer (a 64 KiB/s stream fills it in about 64 s)\n");
        return 2;
    }
    const long growth = secondHalfPeak - firstHalfPeak;
    const bool flat = growth < 8 * 1024;
    std::printf("peak RSS, first half %ld KiB, second half %ld KiB: %+ld KiB: %s\n", firstHalfPeak, secondHalfPeak,
                growth, flat ? "flat" : "GROWING");
    return flat ? 0 : 1;
}
