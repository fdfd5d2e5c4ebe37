// Parallel provisioning: batch get-all (or, with --provision, batch provision with per-module values
// and one records file) against N simulated modules at once, each on its own pty, next to one run
// alone, in the same run of this program. Every module paces its line at 115200 baud.
// Usage: bench_parallel_getall [N (default 8)] [--rounds R (default 3)] [--provision]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <sys/resource.h>

namespace {

QString bin(const char *env, const char *fallback)
{
    const QString p = qEnvironmentVariable(env);
    return QFile::exists(p) ? p : QString::fromLocal8Bit(fallback);
}

struct Module {
    QProcess sim;
    QString port;
    bool start(const QString &simBin, const QString &params)
    {
        sim.start(simBin, {"--command-state", "--pace", "115200", "--params", params});
        if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
            return false;
        port = QString::fromLocal8Bit(sim.readLine()).trimmed();
        return !port.isEmpty();
    }
    ~Module()
    {
        sim.terminate();
        sim.waitForFinished(5000);
    }
};

double cpuSecondsOfChildren()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString imeiOf(int i) { return QStringLiteral("8601234567%1").arg(i, 5, 10, QLatin1Char('0')); }

// What each run does: get-all, or provision with the values and records in dir.
QStringList commandFor(bool provision, const QString &port, int i, const QString &dir)
{
    if (!provision)
        return {"--batch", "get-all", "--port", port, "--ini", QStringLiteral("%1/m%2.ini").arg(dir).arg(i)};
    return {"--batch", "provision", "--port", port, "--ini", dir + "/template.ini", "--values", dir + "/values.csv",
            "--records", dir + "/records.db", "--station", "bench"};
}

// Runs the command on the given modules at once; milliseconds of each run (negative: failed).
std::vector<double> runAtOnce(const QString &tool, std::vector<std::unique_ptr<Module>> &mods, int count,
                              const QString &dir, bool provision)
{
    std::vector<std::unique_ptr<QProcess>> runs;
    std::vector<QElapsedTimer> clocks(count);
    std::vector<double> ms(count, -1);
    QEventLoop loop;
    int left = count;
    for (int i = 0; i < count; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        // Each run is timed from its own start to its own end.
        QObject::connect(p.get(), &QProcess::finished, &loop, [&, i](int code, QProcess::ExitStatus st) {
            ms[i] = st == QProcess::NormalExit && code == 0 ? double(clocks[i].elapsed()) : -2;
            if (--left == 0)
                loop.quit();
        });
        clocks[i].start();
        p->start(tool, commandFor(provision, mods[i]->port, i, dir));
        runs.push_back(std::move(p));
    }
    QTimer::singleShot(10 * 60 * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString tool = bin("DTU_CONFIG_BIN", DTU_CONFIG_DEFAULT);
    const QString simBin = bin("DTU_SIM_BIN", DTU_SIM_DEFAULT);
    int n = 8, rounds = 3;
    bool provision = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--rounds" && i + 1 < args.size())
            rounds = std::max(1, args[++i].toInt());
        else if (args[i] == "--provision")
            provision = true;
        else if (args[i].toInt() > 0)
            n = args[i].toInt();
    }
    QTemporaryDir dir;
    std::vector<std::unique_ptr<Module>> mods;
    QFile values(dir.filePath("values.csv"));
    if (!values.open(QIODevice::WriteOnly))
        return 1;
    values.write("IMEI,REGID,STMSG\n");
    for (int i = 0; i < n; ++i) {
        // Each module its own identity, and its own row of values.
        const QString params = dir.filePath(QStringLiteral("params%1.txt").arg(i));
        QFile f(params);
        if (!f.open(QIODevice::WriteOnly) || f.write(("IMEI=" + imeiOf(i) + "\n").toLatin1()) < 0)
            return 1;
        f.close();
        values.write(QStringLiteral("%1,DEV-%2,module %2\n").arg(imeiOf(i)).arg(i).toLatin1());
        mods.push_back(std::make_unique<Module>());
        if (!mods.back()->start(simBin, params)) {
            std::fprintf(stderr, "cannot start dtu-sim %d\n", i);
            return 1;
        }
    }
    values.close();
    if (provision && QProcess::execute(tool, {"--batch", "get-all", "--port", mods[0]->port, "--ini",
                                              dir.filePath("template.ini")}) != 0) {
        std::fprintf(stderr, "cannot read the template\n");
        return 1;
    }
    std::printf("batch %s, modules paced at 115200 baud, %d rounds\n", provision ? "provision" : "get-all", rounds);
    double alone = 1e300, worstRatio = 0;
    for (int r = 0; r < rounds; ++r) {
        const double c0 = cpuSecondsOfChildren();
        const double one = runAtOnce(tool, mods, 1, dir.path(), provision)[0];
        const double c1 = cpuSecondsOfChildren();
        const std::vector<double> all = runAtOnce(tool, mods, n, dir.path(), provision);
        const double c2 = cpuSecondsOfChildren();
        if (one < 0 || std::any_of(all.begin(), all.end(), [](double v) { return v < 0; })) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        const double slowest = *std::max_element(all.begin(), all.end());
        const double fastest = *std::min_element(all.begin(), all.end());
        alone = std::min(alone, one);
        worstRatio = std::max(worstRatio, slowest / one);
        std::printf("round %d: alone %6.0f ms (CPU %.2f s); %d at once: %6.0f .. %6.0f ms (CPU %.2f s in all), "
                    "slowest / alone = %.2f\n",
                    r + 1, one, c1 - c0, n, fastest, slowest, c2 - c1, slowest / one);
        std::fflush(stdout);
    }
    std::printf("worst slowest / alone over %d rounds = %.2f (target at most 1.3)\n", rounds, worstRatio);
    if (provision) {
        // One record per run: the export holds a header line and a line per run.
        QProcess list;
        list.start(tool, {"--batch", "records", "--records", dir.filePath("records.db")});
        list.waitForFinished(60000);
        const qsizetype rows = list.readAllStandardOutput().count('\n') - 1;
        std::printf("records: %lld, runs: %d\n", qint64(rows), rounds * (n + 1));
        if (rows != rounds * (n + 1))
            return 1;
    }
    return 0;
}
