#pragma once
// The real program in its batch mode and the simulated module, as child processes.
// DTU_CONFIG_BIN is compiled into the test; DTU_SIM_BIN comes from the environment.
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

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

// One `--batch` run to its end, or killed after waitMs; what it printed is kept either way.
inline BatchRun batch(const QStringList &args, int waitMs = 120000)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral(DTU_CONFIG_BIN), QStringList{"--batch"} + args);
    BatchRun r;
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished();
    } else {
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }
    r.seconds = double(t.elapsed()) / 1000;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

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
