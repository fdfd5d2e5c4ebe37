// The batch mode as a script uses it: the real program against the simulated
// module, over a pseudo-terminal.
#include "config/IniFile.h"
#include "tests/common/BatchChild.h"
#include "tests/common/TestPty.h"
#include "tools/dtu-sim/SimModule.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace {

// CPU seconds (user + system) of all children reaped so far.
double childCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A batch run in the background, for tests that act on the line while it runs.
class RunningBatch {
public:
    explicit RunningBatch(const QStringList &args)
    {
        p.start(QStringLiteral(DTU_CONFIG_BIN), QStringList{"--batch"} + args);
        p.waitForStarted(5000);
    }
    ~RunningBatch()
    {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
    // Waits until stdout holds text; false if the run ended or the time ran out first.
    bool waitForOutput(const QString &text, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!out.contains(text)) {
            if (t.elapsed() > ms || p.state() == QProcess::NotRunning)
                return false;
            p.waitForReadyRead(100);
            out += QString::fromUtf8(p.readAllStandardOutput());
        }
        return true;
    }
    // Exit code, or -1 when the run did not end within ms.
    int finish(int ms)
    {
        if (!p.waitForFinished(ms))
            return -1;
        out += QString::fromUtf8(p.readAllStandardOutput());
        err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }
    QProcess p;
    QString out, err;
};

QByteArray pattern(int size)
{
    QByteArray data;
    for (int i = 0; i < size; ++i)
        data.append(char(i * 7 + 3));
    return data;
}

QByteArray iniValue(const QString &path, const char *section, const char *key)
{
    TIniFile ini(path);
    ini.load();
    return ini.ReadString(section, key, "<missing>");
}

} // namespace

class Batch : public SimDirTest {};

TEST_F(Batch, GetAllWritesTheModulesValuesAndSetAllChangesThem)
{
    const QString dump = path("sim.txt");
    Sim sim({"--command-state", "--dump-params", dump});
    ASSERT_FALSE(sim.port.isEmpty());
    const QString ini = path("out.ini");
    BatchRun r = batch({"get-all", "--port", sim.port, "--ini", ini});
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Operation complete") || r.out.contains(QString::fromUtf8("执行完毕")));

    // Edit the file as a technician would, then apply it.
    TIniFile edit(ini);
    ASSERT_TRUE(edit.load());
    edit.WriteString("Heart", "HEARTTM", "77");
    edit.WriteString("Socket", "SOCKA", "UDP,10.9.8.7,4001");
    edit.WriteString("Base", "CMDPW", "s3cret");
    ASSERT_TRUE(edit.save());
    r = batch({"set-all", "--port", sim.port, "--ini", ini});
    ASSERT_EQ(r.code, 0) << r.out.toStdString();

    // A second read sees what the first one wrote.
    const QString again = path("again.ini");
    r = batch({"get-all", "--port", sim.port, "--ini", again});
    ASSERT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(iniValue(again, "Heart", "HEARTTM"), "77");
    EXPECT_EQ(iniValue(again, "Socket", "SOCKA"), "UDP,10.9.8.7,4001");

    sim.stop();
    const auto params = readDump(dump);
    ASSERT_FALSE(params.isEmpty());
    EXPECT_EQ(params.value("HEARTTM"), "77");
    EXPECT_EQ(params.value("SOCKA"), "UDP,10.9.8.7,4001");
    // The advanced group is off in a first-run file, so the password is not sent.
    EXPECT_NE(params.value("CMDPW"), "s3cret");
    for (auto [section, key] : {std::pair{"Base", "UART"}, std::pair{"HTTPD", "HTPURL"}, std::pair{"Base", "STMSG"},
                                std::pair{"Base", "APN"}, std::pair{"Socket", "SOCKB"}})
        EXPECT_EQ(iniValue(again, section, key), params.value(key)) << key;
}

TEST_F(Batch, RefusedValueGivesItsExitCodeAndIsPrinted)
{
    Sim sim({"--command-state"});
    ASSERT_FALSE(sim.port.isEmpty());
    ASSERT_EQ(batch({"get-all", "--port", sim.port, "--ini", path("bad.ini")}).code, 0);
    TIniFile edit(path("bad.ini"));
    ASSERT_TRUE(edit.load());
    edit.WriteString("Heart", "HEARTEN", "ON");
    edit.WriteString("Heart", "HEARTTM", "abc");
    ASSERT_TRUE(edit.save());
    const BatchRun r = batch({"set-all", "--port", sim.port, "--ini", path("bad.ini")});
    EXPECT_EQ(r.code, 5) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("+ERR:"));
}

// A get-all file holds only what the module said: a refused query leaves its key out and
// names it; a refused version query means nothing was read, so there is no file.
TEST_F(Batch, GetAllWithARefusedQueryWritesOnlyWhatTheModuleSaid)
{
    QFile params(path("params.txt"));
    ASSERT_TRUE(params.open(QIODevice::WriteOnly));
    params.write("HEARTTM=77\n");
    params.close();
    for (const char *word : {"VER", "HTPFLT", "APN"}) {
        Sim sim({"--command-state", "--refuse", word, "--params", path("params.txt")});
        ASSERT_FALSE(sim.port.isEmpty());
        const QString ini = path("refused.ini");
        QFile::remove(ini);
        const BatchRun r = batch({"get-all", "--port", sim.port, "--ini", ini, "--timeout", "30"});
        EXPECT_EQ(r.code, 5) << word << r.out.toStdString() << r.err.toStdString();
        EXPECT_LT(r.seconds, 20) << word;
        EXPECT_TRUE(r.err.contains("refused")) << word;
        if (QByteArray(word) == "VER") {
            EXPECT_FALSE(QFile::exists(ini)) << "no parameter was asked, so no file";
            continue;
        }
        EXPECT_EQ(iniValue(ini, "Heart", "HEARTTM"), "77") << word;
        EXPECT_EQ(iniValue(ini, word == QByteArray("APN") ? "Base" : "HTTPD", word), "<missing>") << word;
        EXPECT_EQ(iniValue(ini, "Module", "Refused"), word);
        EXPECT_EQ(iniValue(ini, "Module", "SN"), "0123456789ABCDEF");
    }
    // set-all takes the file without APN and leaves the value it does not hold alone; verify passes it.
    Sim sim({"--command-state"});
    ASSERT_FALSE(sim.port.isEmpty());
    BatchRun r = batch({"set-all", "--port", sim.port, "--ini", path("refused.ini"), "--all"});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("AT+APN=")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("APN (the file holds no value)")) << r.out.toStdString();
    EXPECT_EQ(batch({"verify", "--port", sim.port, "--ini", path("refused.ini")}).code, 0);
}

// verify compares every value of the file with what the module answered: an edit that
// set-all skips is a difference, and so is a value the module never gave.
TEST_F(Batch, VerifySeesEditsSetAllSkipsAndValuesTheModuleDidNotGive)
{
    const QString dump = path("sim.txt");
    Sim sim({"--command-state", "--dump-params", dump});
    ASSERT_FALSE(sim.port.isEmpty());
    const QString ini = path("module.ini");
    ASSERT_EQ(batch({"get-all", "--port", sim.port, "--ini", ini}).code, 0);
    TIniFile edit(ini);
    ASSERT_TRUE(edit.load());
    edit.WriteString("Base", "APN", "OTHER,,"); // More Function is off in a get-all file
    ASSERT_TRUE(edit.save());
    BatchRun r = batch({"verify", "--port", sim.port, "--ini", ini});
    EXPECT_EQ(r.code, 8) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("[DIFF] APN: module 'CMNET,,', file 'OTHER,,' (set-all does not write it: More "
                               "Function is off)")) << r.out.toStdString();
    r = batch({"set-all", "--port", sim.port, "--ini", ini});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("APN (More Function is off)")) << r.out.toStdString();
    EXPECT_EQ(batch({"verify", "--port", sim.port, "--ini", ini}).code, 8);
    EXPECT_EQ(batch({"set-all", "--port", sim.port, "--ini", ini, "--all"}).code, 0);
    EXPECT_EQ(batch({"verify", "--port", sim.port, "--ini", ini}).code, 0);

    // A module that answers the STMSG query with a stale copy of another answer.
    QFile params(path("params.txt"));
    ASSERT_TRUE(params.open(QIODevice::WriteOnly));
    params.write("STMSG=MODULE-WELCOME\n");
    params.close();
    Sim stale({"--command-state", "--stale", "STMSG", "--params", path("params.txt")});
    ASSERT_FALSE(stale.port.isEmpty());
    edit.WriteString("Base", "STMSG", "FILE-WELCOME");
    edit.WriteString("Base", "APN", "CMNET,,");
    edit.WriteString("System", "ShowMore", "ON");
    ASSERT_TRUE(edit.save());
    r = batch({"verify", "--port", stale.port, "--ini", ini});
    EXPECT_EQ(r.code, 8) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("[DIFF] STMSG: no answer from the module, file 'FILE-WELCOME'")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(" 1 differ")) << r.out.toStdString();
}

TEST_F(Batch, SetAllRefusesAFileWithoutACompleteConfigurationAndLeavesTheModuleAlone)
{
    Sim sim({"--command-state"});
    ASSERT_FALSE(sim.port.isEmpty());
    const QString good = path("good.ini");
    ASSERT_EQ(batch({"get-all", "--port", sim.port, "--ini", good}).code, 0);
    QFile g(good);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    const QByteArray whole = g.readAll();
    g.close();
    const qsizetype heart = whole.indexOf("[Heart]");
    ASSERT_GT(heart, 0);
    QByteArray garbage;
    for (int i = 0; i < 3000; ++i)
        garbage.append(char((i * 131 + 7) & 0xFF));
    const struct {
        const char *name;
        QByteArray content;
        const char *names; // what the message must name
    } cases[] = {
        {"empty.ini", QByteArray(), "[Base]"},
        {"garbage.bin", garbage, "[Socket]"},
        {"cut.ini", whole.left(whole.indexOf('\n', heart + 9) + 1), "HEARTDT"}, // one key of [Heart] left
    };
    for (const auto &c : cases) {
        const QString file = path(c.name);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        const BatchRun r = batch({"set-all", "--port", sim.port, "--ini", file});
        EXPECT_EQ(r.code, 2) << c.name << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.names))) << c.name << ": " << r.err.toStdString();
        EXPECT_EQ(r.err.count(QLatin1String("dtu-config:")), 1) << r.err.toStdString(); // one line
        EXPECT_FALSE(r.out.contains("[SEND]")) << c.name; // nothing went to the module
    }
    // The complete file is still taken.
    EXPECT_EQ(batch({"set-all", "--port", sim.port, "--ini", good}).code, 0);
}

TEST_F(Batch, VerifyComparesTheModuleWithTheFile)
{
    Sim sim({"--command-state"});
    ASSERT_FALSE(sim.port.isEmpty());
    const QString ini = path("module.ini");
    ASSERT_EQ(batch({"get-all", "--port", sim.port, "--ini", ini}).code, 0);

    BatchRun r = batch({"verify", "--port", sim.port, "--ini", ini});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("[DIFF]")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(" 0 differ")) << r.out.toStdString();

    TIniFile edit(ini);
    ASSERT_TRUE(edit.load());
    edit.WriteString("Heart", "HEARTTM", "99");
    edit.WriteString("Socket", "SOCKA", "UDP,10.1.2.3,7000");
    ASSERT_TRUE(edit.save());
    r = batch({"verify", "--port", sim.port, "--ini", ini});
    EXPECT_EQ(r.code, 8) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("[DIFF] HEARTTM: module '30', file '99'")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("[DIFF] SOCKA: module 'TCP,")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("file 'UDP,10.1.2.3,7000'")) << r.out.toStdString();
    EXPECT_EQ(r.out.count("[DIFF]"), 2) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(" 2 differ")) << r.out.toStdString();

    // Once set from the file, the module matches it.
    ASSERT_EQ(batch({"set-all", "--port", sim.port, "--ini", ini}).code, 0);
    EXPECT_EQ(batch({"verify", "--port", sim.port, "--ini", ini}).code, 0);
    // A file that is no configuration is refused as set-all refuses it.
    QFile empty(path("empty.ini"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(batch({"verify", "--port", sim.port, "--ini", path("empty.ini")}).code, 2);
}

// --json: every stdout line of every command is one JSON object; the last is the result.
TEST_F(Batch, JsonStreamOfEveryCommand)
{
    Sim sim({"--command-state"});
    ASSERT_FALSE(sim.port.isEmpty());
    QFile f(path("fw.bin"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(pattern(700));
    f.close();
    Sim boot({"--boot", "--boot-repeat", "400", "--c-interval", "200"});
    ASSERT_FALSE(boot.port.isEmpty());
    const QString ini = path("j.ini");
    const QList<QStringList> runs = {
        {"get-all", "--port", sim.port, "--ini", ini},
        {"verify", "--port", sim.port, "--ini", ini},
        {"set-all", "--port", sim.port, "--ini", ini},
        {"send", "--port", sim.port, "AT+NOSUCHWORD?"},
        {"upgrade", "--port", boot.port, "--firmware", path("fw.bin"), "--timeout", "60"},
        {"frobnicate", "--port", sim.port},
    };
    for (const QStringList &args : runs) {
        const BatchRun r = batch(args + QStringList{"--json"});
        const QList<QString> lines = r.out.split('\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty()) << args[0].toStdString();
        QStringList events;
        for (const QString &line : lines) {
            QJsonParseError e{};
            const QJsonDocument d = QJsonDocument::fromJson(line.toUtf8(), &e);
            ASSERT_EQ(e.error, QJsonParseError::NoError) << args[0].toStdString() << ": " << line.toStdString();
            ASSERT_TRUE(d.isObject()) << line.toStdString();
            events << d.object().value("event").toString();
            if (events.last() == "line") {
                EXPECT_TRUE(QStringList({"SEND", "RECV", "INFO", "ERR"}).contains(d.object().value("kind").toString()));
            }
        }
        const QJsonObject result = QJsonDocument::fromJson(lines.last().toUtf8()).object();
        EXPECT_EQ(result.value("event").toString(), "result") << args[0].toStdString();
        EXPECT_EQ(result.value("code").toInt(-1), r.code) << args[0].toStdString();
        EXPECT_EQ(events.count("result"), 1) << args[0].toStdString();
        if (args[0] == "get-all") {
            EXPECT_EQ(r.code, 0);
            const int at = events.indexOf("identity");
            ASSERT_GE(at, 0);
            const QJsonObject id = QJsonDocument::fromJson(lines[at].toUtf8()).object();
            EXPECT_EQ(id.value("sn").toString(), "0123456789ABCDEF");
            EXPECT_EQ(id.value("imei").toString(), "860123456789012");
            EXPECT_TRUE(events.contains("progress"));
        }
        if (args[0] == "send") {
            EXPECT_EQ(r.code, 5);
            EXPECT_EQ(result.value("outcome").toString(), "refused");
        }
        if (args[0] == "upgrade") {
            EXPECT_EQ(r.code, 0) << r.out.toStdString();
        }
    }
}

TEST_F(Batch, ArgumentPortAndFileFailuresHaveTheirOwnCodes)
{
    BatchRun r = batch({"get-all", "--port", "/dev/does-not-exist", "--ini", path("x.ini")});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains("No such serial port: /dev/does-not-exist")) << r.err.toStdString();
    r = batch({"get-all", "--port", "/dev/null", "--ini", path("x.ini")});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains("Unable to open the serial port /dev/null: ")) << r.err.toStdString();
    r = batch({"set-all", "--port", "/dev/null", "--ini", path("missing.ini")});
    EXPECT_EQ(r.code, 2);
    r = batch({"upgrade", "--port", "/dev/null", "--firmware", path("missing.bin")});
    EXPECT_EQ(r.code, 2);
    r = batch({"frobnicate", "--port", "/dev/null"});
    EXPECT_EQ(r.code, 1);
    r = batch({"get-all", "--ini", path("x.ini")});
    EXPECT_EQ(r.code, 1);
    r = batch({"send", "--port", "/dev/null", "--timeout", "zero", "AT"});
    EXPECT_EQ(r.code, 1);
}

TEST_F(Batch, SendPrintsTheAnswerAndSilenceTimesOut)
{
    Sim sim({"--command-state"});
    ASSERT_FALSE(sim.port.isEmpty());
    BatchRun r = batch({"send", "--port", sim.port, "AT+VER?"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("+VER:")) << r.out.toStdString();

    Sim mute({"--ignore", "100"}); // data state: says nothing to an AT line
    ASSERT_FALSE(mute.port.isEmpty());
    r = batch({"send", "--port", mute.port, "--timeout", "2", "AT+VER?"});
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(r.err.contains("\"+++\"")) << r.err.toStdString(); // how to reach the command state
}

TEST_F(Batch, SendOfARefusedLineGivesTheRefusedCode)
{
    Sim sim({"--command-state"});
    ASSERT_FALSE(sim.port.isEmpty());
    BatchRun r = batch({"send", "--port", sim.port, "AT+NOSUCHWORD?"});
    EXPECT_EQ(r.code, 5) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("+ERR:")) << r.out.toStdString();
    EXPECT_FALSE(r.err.contains("+++")); // the module answered: it is in its command state
    r = batch({"send", "--port", sim.port, "AT+CSQ"});
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
}

TEST_F(Batch, ModuleThatNeverAnswersEndsTheRunWithItsTimeOutCodeAtOnce)
{
    const RealTimings real; // the program's own waits: the first line's, then the repair's
    Sim mute({"--mute"});
    ASSERT_FALSE(mute.port.isEmpty());
    QElapsedTimer t;
    t.start();
    const BatchRun r = batch({"get-all", "--port", mute.port, "--ini", path("out.ini")}, 30000);
    EXPECT_EQ(r.code, 4) << r.err.toStdString();
    EXPECT_LT(t.elapsed(), 20000); // not the whole default 120 s
    EXPECT_TRUE(r.err.contains("does not answer")) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("The module does not answer")) << r.out.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.ini")));
}

TEST_F(Batch, UpgradeSendsTheImageThroughTheBootLoader)
{
    const QString image = path("fw.bin");
    QByteArray data;
    for (int i = 0; i < 5000; ++i)
        data.append(char(i * 7 + 3));
    QFile f(image);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();
    const QString got = path("got.bin");
    Sim sim({"--boot", "--boot-repeat", "400", "--c-interval", "200", "--save-image", got});
    ASSERT_FALSE(sim.port.isEmpty());
    const BatchRun r = batch({"upgrade", "--port", sim.port, "--firmware", image, "--timeout", "60"});
    ASSERT_EQ(r.code, 0) << r.out.toStdString();
    QFile g(got);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    QByteArray padded = data;
    padded.append(QByteArray(128 - data.size() % 128, '\x1A'));
    EXPECT_EQ(g.readAll(), padded);
}

TEST_F(Batch, WaitingForASilentModuleCostsNoCpu)
{
    // Two runs that differ only in how long they wait: the difference is the cost of waiting,
    // start-up and shut-down cancel out.
    PtyPair line; // nobody answers on the far end
    ASSERT_TRUE(line.ok());
    double cpu[2] = {};
    const int waitS[2] = {2, 8};
    for (int i = 0; i < 2; ++i) {
        const double before = childCpuSeconds();
        const BatchRun r = batch({"get-all", "--port", line.slave(), "--ini", path("x.ini"), "--timeout",
                                  QString::number(waitS[i])});
        cpu[i] = childCpuSeconds() - before;
        ASSERT_EQ(r.code, 4) << r.err.toStdString();
    }
    const double perSecond = (cpu[1] - cpu[0]) / (waitS[1] - waitS[0]);
    RecordProperty("cpu_share_while_waiting", QString::number(perSecond, 'f', 4).toStdString());
    EXPECT_LT(perSecond, 0.02) << "CPU " << cpu[0] << " s for " << waitS[0] << " s, " << cpu[1] << " s for "
                               << waitS[1] << " s";
}

TEST_F(Batch, ALostLineEndsTheRunAtOnceWithThePortCode)
{
    { // mid-Get All: slow answers, then the module goes away
        auto sim = std::make_unique<Sim>(QStringList{"--command-state", "--delay", "150"});
        ASSERT_FALSE(sim->port.isEmpty());
        RunningBatch run({"get-all", "--port", sim->port, "--ini", path("lost.ini")});
        ASSERT_TRUE(run.waitForOutput("+WKMOD:", 30000)) << run.out.toStdString();
        QElapsedTimer t;
        t.start();
        sim.reset();
        EXPECT_EQ(run.finish(10000), 3) << run.out.toStdString();
        EXPECT_LT(t.elapsed(), 3000);
        EXPECT_TRUE(run.err.contains("lost the line")) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("lost.ini")));
    }
    { // mid-transfer, on a slow line
        QFile f(path("fw.bin"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(pattern(40000));
        f.close();
        auto sim = std::make_unique<Sim>(
            QStringList{"--boot", "--boot-repeat", "400", "--c-interval", "200", "--pace", "9600"});
        ASSERT_FALSE(sim->port.isEmpty());
        RunningBatch run({"upgrade", "--port", sim->port, "--baud", "9600", "--firmware", path("fw.bin")});
        ASSERT_TRUE(run.waitForOutput("Sending", 30000)) << run.out.toStdString();
        QElapsedTimer t;
        t.start();
        sim.reset();
        EXPECT_EQ(run.finish(10000), 3) << run.out.toStdString();
        EXPECT_LT(t.elapsed(), 3000);
    }
}

TEST_F(Batch, UpgradeTimeOutCountsOnlyTimeWithoutProgress)
{
    // About 3.5 s on the paced line, with a 2 s time-out: progress keeps it going.
    const QByteArray data = pattern(128 * 100);
    QFile f(path("fw.bin"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();
    Sim sim({"--boot", "--boot-repeat", "400", "--c-interval", "200", "--pace", "38400", "--save-image",
             path("got.bin")});
    ASSERT_FALSE(sim.port.isEmpty());
    QElapsedTimer t;
    t.start();
    const BatchRun r = batch({"upgrade", "--port", sim.port, "--baud", "38400", "--firmware", path("fw.bin"),
                              "--timeout", "2"});
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_GT(t.elapsed(), 2000); // the whole run took longer than the time-out
    for (int pc = 10; pc <= 90; pc += 10)
        EXPECT_EQ(r.out.count(QStringLiteral("[INFO] %1 % (").arg(pc)), 1) << pc << r.out.toStdString();
    QFile g(path("got.bin"));
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.readAll(), data);
}

TEST_F(Batch, ACancelledTransferEndsWithTheTransferCode)
{
    QFile f(path("fw.bin"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(pattern(5000));
    f.close();
    Sim sim({"--boot", "--boot-repeat", "400", "--c-interval", "200", "--cancel-after", "3"});
    ASSERT_FALSE(sim.port.isEmpty());
    QElapsedTimer t;
    t.start();
    const BatchRun r = batch({"upgrade", "--port", sim.port, "--firmware", path("fw.bin")});
    EXPECT_EQ(r.code, 7) << r.out.toStdString();
    EXPECT_LT(t.elapsed(), 20000); // not the 600 s default time-out
    EXPECT_TRUE(r.out.contains("[ERR ] The module cancelled the transfer")) << r.out.toStdString();
}

TEST_F(Batch, EachSignalDuringSetAllAndUpgradeEndsTheRunCleanlyAndSaysHowFar)
{
    const QString ini = path("set.ini"), image = path("fw.bin");
    {
        Sim sim({"--command-state"});
        ASSERT_EQ(batch({"get-all", "--port", sim.port, "--ini", ini}).code, 0);
    }
    QFile f(image);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(pattern(40000)) == 40000);
    f.close();
    // The runs' private folders go here (Qt's runtime folder elsewhere), to be looked at after each run.
    QTemporaryDir tmp, runtime;
    const QByteArray oldTmp = qgetenv("TMPDIR"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const auto interrupt = [&](const QStringList &args, const char *when, int sig, const QString &says) {
        RunningBatch run(args);
        ASSERT_TRUE(run.waitForOutput(when, 30000)) << run.out.toStdString();
        ::kill(pid_t(run.p.processId()), sig);
        EXPECT_EQ(run.finish(10000), 128 + sig) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QRegularExpression(says))) << run.err.toStdString();
        EXPECT_TRUE(QDir(tmp.path()).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden));
    };
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        Sim slow({"--command-state", "--delay", "100"});
        interrupt({"set-all", "--port", slow.port, "--ini", ini}, "[SEND] AT+SOCKA=", sig,
                  "interrupted by SIG(INT|TERM|HUP) after \\d+ of \\d+ lines");
        SimOptions o;
        o.bootLoader = true;
        o.bootMenuRepeatMs = 400;
        o.cRepeatMs = 200;
        o.paceBaud = 57600;
        SimModule boot(o);
        ASSERT_TRUE(boot.start());
        interrupt({"upgrade", "--port", boot.slavePath(), "--baud", "57600", "--firmware", image}, "[INFO] 10 %", sig,
                  "after \\d+ of 313 blocks; the transfer was cancelled \\(CAN CAN sent\\)");
        for (int i = 0; i < 250 && boot.senderCancels() == 0; ++i)
            QThread::msleep(20);
        EXPECT_EQ(boot.senderCancels(), 1); // the boot loader heard it
        EXPECT_EQ(boot.completedTransfers(), 0);
    }
    oldTmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTmp);
    oldRuntime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

TEST_F(Batch, GetAllOfAModuleResetIntoItsBootLoaderWithoutAnImage)
{
    // The module enters its boot loader while the first query waits; the program confirms the
    // menu, has no image, and the boot loader gives up and runs the application, which prints
    // its start-up line. From there on the run is an ordinary Get All.
    Sim sim({"--c-interval", "200", "--c-limit", "2"});
    RunningBatch run({"get-all", "--port", sim.port, "--ini", path("boot.ini"), "--timeout", "60"});
    ASSERT_TRUE(run.waitForOutput("[SEND] AT+VER?", 20000)) << run.out.toStdString();
    QThread::msleep(300); // the query has reached the module (its 'R' would restart the boot loader)
    ::kill(pid_t(sim.p.processId()), SIGUSR1);
    EXPECT_EQ(run.finish(60000), 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("[ERR ] The module sent data that is not part of the transfer")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("[RECV] [QEB-R520]")) << run.out.toStdString();
}

TEST(CommandLine, HelpAndVersionNeedNoDisplayAndTheWindowSaysWhenThereIsNone)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(DTU_CONFIG_BIN), {"--help"});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString help = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(help.contains("--batch") && help.contains("Exit codes") && help.contains("130")) << help.toStdString();
    p.start(QStringLiteral(DTU_CONFIG_BIN), {"--version"});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).contains("1.0.0.73"));
    p.start(QStringLiteral(DTU_CONFIG_BIN), QStringList{});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("no display"));
}

TEST(CommandLine, ClosingTheTerminalOfTheWindowSavesItsConfiguration)
{
    // A copy of the program keeps its files beside it, in a folder of the test's own.
    QTemporaryDir dir;
    const QString exe = dir.filePath("dtu-config");
    ASSERT_TRUE(QFile::copy(QStringLiteral(DTU_CONFIG_BIN), exe));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(exe, QStringList{});
    for (int i = 0; i < 600 && !QFile::exists(dir.filePath("R52xLang.txt")); ++i)
        QThread::msleep(50);
    QThread::msleep(1500); // the window is up, its handlers in place
    ::kill(pid_t(p.processId()), SIGHUP);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(QFile::exists(dir.filePath("R52xCfg.ini")));
}

TEST(Package, DebianPackageHoldsProgramManualCopyrightMetadataAndPassesLintian)
{
    QTemporaryDir out;
    QProcess cpack;
    cpack.setWorkingDirectory(QStringLiteral(DTU_BUILD_DIR));
    cpack.start("cpack", {"-G", "DEB", "-B", out.path()});
    ASSERT_TRUE(cpack.waitForFinished(240000));
    ASSERT_EQ(cpack.exitCode(), 0) << cpack.readAll().toStdString();
    const QStringList debs = QDir(out.path()).entryList({"*.deb"});
    ASSERT_EQ(debs.size(), 1);
    const QString deb = out.filePath(debs.first());
    QProcess list;
    list.start("dpkg-deb", {"-c", deb});
    ASSERT_TRUE(list.waitForFinished(30000));
    const QString files = QString::fromUtf8(list.readAllStandardOutput());
    for (const char *want : {"./usr/bin/dtu-config", "./usr/bin/dtu-sim", "./usr/share/applications/dtu-config.desktop",
                             "./usr/share/icons/hicolor/128x128/apps/dtu-config.png", "./usr/share/doc/dtu-config/README.md",
                             "./usr/share/doc/dtu-config/copyright", "./usr/share/doc/dtu-config/changelog.gz",
                             "./usr/share/man/man1/dtu-config.1.gz", "./usr/share/man/man1/dtu-sim.1.gz",
                             "./usr/share/metainfo/com.example.dtu_config.metainfo.xml"})
        EXPECT_TRUE(files.contains(QString::fromLatin1(want))) << want << "\n" << files.toStdString();
    // Lintian's errors are what Debian refuses; warnings are left to judgement.
    QProcess lint;
    lint.start("lintian", {"--tag-display-limit", "0", deb});
    if (!lint.waitForStarted(10000))
        GTEST_SKIP() << "lintian is not installed (scripts/deps.sh test installs it)";
    ASSERT_TRUE(lint.waitForFinished(120000));
    const QString report = QString::fromUtf8(lint.readAllStandardOutput());
    for (const QString &line : report.split(QLatin1Char('\n')))
        EXPECT_FALSE(line.startsWith(QLatin1String("E: "))) << line.toStdString();
}
