#pragma once
// The real program in its batch mode and the simulated module, as child processes.
// DTU_CONFIG_BIN is compiled into the test; DTU_SIM_BIN comes from the environment.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

inline QString simBin() { return qEnvironmentVariable("DTU_SIM_BIN"); }

// A dtu-sim child; its first output line is the port to open.
class Sim {
public:
    explicit Sim(const QStringList &args)
    {
        p.setProgram(simBin());
        p.setArguments(args);
        p.start();
        if (p.waitForStarted(5000) && p.waitForReadyRead(5000))
            port = QString::fromUtf8(p.readLine()).trimmed();
    }
    ~Sim() { stop(); }
    Sim(const Sim &) = delete;
    Sim &operator=(const Sim &) = delete;
    void stop()
    {
        if (p.state() != QProcess::NotRunning) {
            ::kill(pid_t(p.processId()), SIGTERM);
            p.waitForFinished(5000);
        }
    }
    QProcess p;
    QString port;
};

// A test that runs the simulator, with a directory of its own for its files.
class SimDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(simBin())) << simBin().toStdString();
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

// The program's own protocol waits for the children started in this scope; the suite
// otherwise gives them short ones. One case per path keeps the real time.
struct RealTimings {
    const QByteArray saved = qgetenv("DTU_PROTOCOL_TIMINGS");
    RealTimings() { qunsetenv("DTU_PROTOCOL_TIMINGS"); }
    ~RealTimings()
    {
        if (!saved.isEmpty())
            qputenv("DTU_PROTOCOL_TIMINGS", saved);
    }
    RealTimings(const RealTimings &) = delete;
    RealTimings &operator=(const RealTimings &) = delete;
};

struct BatchRun {
    int code = -1; // -1: still running at the bound (killed), -2: crashed
    QString out, err;
    double seconds = 0;
};

// `--batch` runs side by side, each to its end or killed once waitMs have passed; what each
// printed is kept either way. Runs that mostly wait cost no more together than one.
inline QList<BatchRun> batchAll(const QList<QStringList> &runs, int waitMs = 120000)
{
    std::vector<std::unique_ptr<QProcess>> ps;
    QList<BatchRun> results(runs.size());
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    int running = int(runs.size());
    for (qsizetype i = 0; i < runs.size(); ++i) {
        auto &p = *ps.emplace_back(std::make_unique<QProcess>());
        const auto ended = [&, i] {
            BatchRun &r = results[i];
            const QProcess &q = *ps[size_t(i)];
            r.code = q.exitStatus() == QProcess::NormalExit && q.error() != QProcess::FailedToStart ? q.exitCode() : -2;
            r.seconds = double(clock.elapsed()) / 1000;
            if (--running == 0)
                loop.quit();
        };
        QObject::connect(&p, &QProcess::finished, &loop, ended);
        QObject::connect(&p, &QProcess::errorOccurred, &loop, [ended](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                ended();
        });
        p.start(QStringLiteral(DTU_CONFIG_BIN), QStringList{"--batch"} + runs[i]);
    }
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    if (running > 0)
        loop.exec();
    for (qsizetype i = 0; i < runs.size(); ++i) {
        QProcess &p = *ps[size_t(i)];
        if (p.state() != QProcess::NotRunning) { // still running at the bound
            QObject::disconnect(&p, nullptr, &loop, nullptr);
            p.kill();
            p.waitForFinished();
            results[i].code = -1;
            results[i].seconds = double(clock.elapsed()) / 1000;
        }
        results[i].out = QString::fromUtf8(p.readAllStandardOutput());
        results[i].err = QString::fromUtf8(p.readAllStandardError());
    }
    return results;
}

// One `--batch` run to its end, or killed after waitMs.
inline BatchRun batch(const QStringList &args, int waitMs = 120000) { return batchAll({args}, waitMs).first(); }

// The parameter table a dtu-sim wrote with --dump-params (WORD=value lines).
inline QMap<QByteArray, QByteArray> readDump(const QString &path)
{
    QMap<QByteArray, QByteArray> m;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (const qsizetype eq = line.indexOf('='); eq > 0)
                m.insert(line.left(eq), line.mid(eq + 1).trimmed());
    return m;
}
