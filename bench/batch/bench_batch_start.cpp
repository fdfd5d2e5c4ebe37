// How soon the batch program has its port open: from the start of the process
// to the "Serial Open Success" line on its output, and to the end of its
// get-all, against one simulated module paced at 115200 baud.
// Usage: bench_batch_start [runs (default 5)]; DTU_CONFIG_BIN and DTU_SIM_BIN
// choose other programs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString bin(const char *env, const char *fallback)
{
    const QString p = qEnvironmentVariable(env);
    return QFile::exists(p) ? p : QString::fromLocal8Bit(fallback);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QProcess sim;
    sim.start(bin("DTU_SIM_BIN", DTU_SIM_DEFAULT), {"--command-state", "--pace", "115200"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return 1;
    const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QTemporaryDir dir;
    std::vector<double> opened, total;
    for (int r = 0; r < runs; ++r) {
        QProcess p;
        QElapsedTimer clock;
        double openMs = -1;
        QByteArray out;
        QEventLoop loop;
        QObject::connect(&p, &QProcess::readyReadStandardOutput, [&] {
            out += p.readAllStandardOutput();
            if (openMs < 0 && out.contains("Serial Open Success"))
                openMs = double(clock.elapsed());
        });
        QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        clock.start();
        p.start(bin("DTU_CONFIG_BIN", DTU_CONFIG_DEFAULT),
                {"--batch", "get-all", "--port", port, "--ini", dir.filePath(QStringLiteral("m%1.ini").arg(r))});
        loop.exec();
        const double endMs = double(clock.elapsed());
        const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        std::printf("run %d: port open at %.0f ms, get-all done at %.0f ms%s\n", r + 1, openMs, endMs,
                    ok ? "" : " (FAILED)");
        opened.push_back(openMs);
        total.push_back(endMs);
    }
    std::printf("median: port open %.0f ms, get-all %.0f ms\n", median(opened), median(total));
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
