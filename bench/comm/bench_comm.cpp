// Serial link timings over a pseudo-terminal:
//  (a) delay from the last byte of a burst written by the far end to the receiveData signal, per read
//      gap (expected: the gap plus a few ms);
//  (b) CPU time of the reader and writer threads while the port is open and idle.
// Usage: bench_comm [idle-seconds, default 10]
#include "comm/SPComm.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Pty {
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
            std::perror("pty");
            std::exit(1);
        }
        slave = QString::fromLocal8Bit(name);
    }
    ~Pty() { ::close(master); }
    int master = -1;
    QString slave;
};

void openOrDie(TComm &cm)
{
    try {
        cm.OpenComm();
    } catch (const ECommsError &e) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(DescribeCommsError(e)));
        std::exit(1);
    }
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void latency(quint32 gap, int rounds)
{
    Pty pty;
    TComm cm;
    cm.setCommName(pty.slave);
    cm.setReadIntervalTimeout(gap);
    openOrDie(cm);
    const QByteArray burst(64, 'A');
    std::vector<double> delays;
    for (int i = 0; i < rounds; ++i) {
        QEventLoop loop;
        Clock::time_point received {};
        auto conn = QObject::connect(&cm, &TComm::receiveData, &loop, [&] {
            received = Clock::now();
            loop.quit();
        });
        if (::write(pty.master, burst.constData(), size_t(burst.size())) != burst.size()) {
            std::perror("write");
            std::exit(1);
        }
        const Clock::time_point sent = Clock::now();
        QTimer::singleShot(int(gap) + 2000, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(conn);
        if (received == Clock::time_point {}) {
            std::fprintf(stderr, "gap %u: no data within the time limit\n", gap);
            std::exit(1);
        }
        delays.push_back(ms(received - sent));
    }
    std::sort(delays.begin(), delays.end());
    const double mean = std::accumulate(delays.begin(), delays.end(), 0.0) / double(delays.size());
    const auto at = [&](double q) { return delays[std::min(delays.size() - 1, size_t(q * double(delays.size())))]; };
    std::printf("gap %4u ms: %2d bursts, delay min %7.2f  median %7.2f  p90 %7.2f  max %7.2f  mean %7.2f ms"
                "  (median - gap = %.2f ms)\n",
                gap, rounds, delays.front(), at(0.5), at(0.9), delays.back(), mean, at(0.5) - double(gap));
}

struct ThreadUse {
    double cpuMs = 0;
    long voluntary = 0;
};

// CPU time and voluntary context switches (wake-ups) of this process's threads, by thread name.
std::map<std::string, ThreadUse> threadUse()
{
    std::map<std::string, ThreadUse> out;
    const long tick = ::sysconf(_SC_CLK_TCK);
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &tid : tasks) {
        const QString base = QStringLiteral("/proc/self/task/") + tid;
        QFile stat(base + QStringLiteral("/stat")), status(base + QStringLiteral("/status"));
        if (!stat.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        const QByteArray s = stat.readAll();
        const qsizetype open = s.indexOf('('), close = s.lastIndexOf(')');
        const std::string name = s.mid(open + 1, close - open - 1).toStdString();
        const QList<QByteArray> fields = s.mid(close + 2).split(' '); // from field 3 (state) on
        ThreadUse u;
        u.cpuMs = double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) * 1000.0 / double(tick);
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                u.voluntary = line.mid(24).trimmed().toLong();
        }
        ThreadUse &slot = out[name];
        slot.cpuMs += u.cpuMs;
        slot.voluntary += u.voluntary;
    }
    return out;
}

double processCpuMs()
{
    rusage ru {};
    ::getrusage(RUSAGE_SELF, &ru);
    return (double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0)
           + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
}

void idle(int seconds)
{
    Pty pty;
    TComm cm;
    cm.setCommName(pty.slave);
    cm.setReadIntervalTimeout(60);
    openOrDie(cm);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // let both threads settle
    const auto before = threadUse();
    const double cpuBefore = processCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds)); // the main thread sleeps: only the workers run
    const double cpuAfter = processCpuMs();
    const auto after = threadUse();
    std::printf("idle %d s, port open: process CPU %.2f ms (%.4f %% of one core)\n", seconds, cpuAfter - cpuBefore,
                (cpuAfter - cpuBefore) / (seconds * 10.0));
    for (const char *name : {"dtu-comm-rd", "dtu-comm-wr"}) {
        const auto b = before.find(name), a = after.find(name);
        if (b == before.end() || a == after.end()) {
            std::printf("  %s: not found\n", name);
            continue;
        }
        std::printf("  %s: CPU %.1f ms, wake-ups %ld\n", name, a->second.cpuMs - b->second.cpuMs,
                    a->second.voluntary - b->second.voluntary);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    latency(10, 40);
    latency(60, 30);
    latency(200, 15);
    idle(idleSeconds);
    return 0;
}
