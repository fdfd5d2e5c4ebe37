// The provisioning station: rows follow devices, auto start, children that crash, hang or are
// stopped give a failed row and a record, and a real run against the simulated module.
#include "config/Records.h"
#include "lang/AppLang.h"
#include "tests/common/BatchChild.h"
#include "tests/common/TestWait.h"
#include "ui/StationRecords.h"
#include "ui/StationWindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class Station : public ::testing::Test {
protected:
    void SetUp() override
    {
        FreeLanguage();
        LangList = new TLangList;
        RegisterTexts();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(devs()));
        writeFile(dir.filePath("tpl.ini"), "[Base]\nUART=115200,8,1,NONE,NFC\n");
    }
    void TearDown() override { FreeLanguage(); }
    QString devs() const { return dir.filePath("dev"); }
    static void writeFile(const QString &path, const QByteArray &bytes, bool exec = false)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        if (exec)
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // A stand-in for the batch program: the given shell lines, whatever its arguments.
    QString fakeChild(const QByteArray &body)
    {
        const QString p = dir.filePath(QStringLiteral("child%1.sh").arg(++fakes));
        writeFile(p, "#!/bin/sh\n" + body + "\n", true);
        return p;
    }
    StationSetup setup(const QString &program)
    {
        StationSetup s;
        s.templatePath = dir.filePath("tpl.ini");
        s.records = dir.filePath("rec.db");
        s.station = "test-station";
        s.program = program;
        s.timeoutS = 20;
        s.watchDirs = {devs()};
        const QString d = devs();
        s.listPorts = [d] {
            QStringList out;
            for (const QString &n : QDir(d).entryList(QDir::Files, QDir::Name))
                out << d + '/' + n;
            return out;
        };
        return s;
    }
    QList<ProvisionRecord> records()
    {
        RecordStore s;
        QString why;
        if (!s.open(dir.filePath("rec.db"), &why))
            return {};
        return s.list({}, &why);
    }
    QTemporaryDir dir;
    int fakes = 0;
};

const QByteArray kDone = R"(echo '{"event":"phase","phase":"reading"}'
echo '{"event":"identity","sn":"S1","imei":"861","iccid":null,"version":"V1"}'
echo '{"event":"result","code":0,"outcome":"done","refused":[],"unread":[],"differs":[]}')";

} // namespace

TEST_F(Station, RowsFollowDevicesAndAutoStartWaitsForTheNextModule)
{
    StationWindow w(setup(fakeChild(kDone)));
    EXPECT_EQ(w.rowCount(), 0);
    writeFile(devs() + "/ttyUSB0", "");
    ASSERT_TRUE(WaitUntil([&] { return w.rowCount() == 1; }, 3000));
    EXPECT_EQ(w.stateOf(0), StationWindow::State::Idle); // auto start is off
    writeFile(devs() + "/ttyUSB1", "");
    ASSERT_TRUE(WaitUntil([&] { return w.rowCount() == 2; }, 3000));
    QFile::remove(devs() + "/ttyUSB0");
    ASSERT_TRUE(WaitUntil([&] { return w.rowCount() == 1; }, 3000));
    EXPECT_EQ(w.portOf(0), devs() + "/ttyUSB1");

    // Auto start runs the present row once; after it ends the row waits for the device gone and back.
    QSignalSpy ended(&w, &StationWindow::rowFinished);
    w.setAutoStart(true);
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(w.stateOf(0), StationWindow::State::Done);
    EXPECT_FALSE(ended.wait(700));
    QFile::remove(devs() + "/ttyUSB1");
    ASSERT_TRUE(WaitUntil([&] { return w.rowCount() == 0; }, 3000));
    writeFile(devs() + "/ttyUSB1", "");
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(ended.size(), 2);
    EXPECT_EQ(w.done(), 2);
    // The child reported its result, so it wrote its record itself: the station adds none.
    EXPECT_TRUE(records().isEmpty());
}

// A fixed port stays present: under auto start a probe (a get-all) tells when a module answers.
// The row runs for a module that answers, not again for the same one, again for another identity
// and again for the same one after the port was silent in between.
TEST_F(Station, AFixedPortStartsWhenAModuleAnswersAndWaitsForAnotherOne)
{
    const QString module = dir.filePath("module"), runs = dir.filePath("runs");
    writeFile(module, "");
    const QByteArray body = R"(d=$(dirname "$0"); id=$(cat "$d/module")
case "$*" in
*get-all*) [ -n "$id" ] || exit 4 ;;
*) echo "$id" >> "$d/runs" ;;
esac
echo "{\"event\":\"identity\",\"sn\":\"$id\",\"imei\":\"86$id\"}"
echo '{"event":"result","code":0,"outcome":"done"}')";
    StationSetup s = setup(fakeChild(body));
    s.ports = {devs() + "/fixed"};
    s.probeMs = 150;
    writeFile(s.ports.first(), "");
    StationWindow w(s);
    QSignalSpy ended(&w, &StationWindow::rowFinished);
    const auto runList = [&] {
        QFile f(runs);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    w.setAutoStart(true);
    ASSERT_TRUE(WaitUntil([&] { return w.stateOf(0) == StationWindow::State::Waiting; }, 3000));
    EXPECT_FALSE(ended.wait(800)) << "started without a module answering";

    writeFile(module, "A");
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(w.stateOf(0), StationWindow::State::Done);
    EXPECT_FALSE(ended.wait(1000)) << "ran again for the same module";

    writeFile(module, "B");
    ASSERT_TRUE(ended.wait(5000));
    writeFile(module, "");
    ASSERT_TRUE(WaitUntil([&] { return w.stateOf(0) == StationWindow::State::Waiting; }, 3000));
    writeFile(module, "B");
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(runList(), "A\nB\nB\n");

    // Without auto start nothing probes the port and nothing starts.
    w.setAutoStart(false);
    writeFile(module, "C");
    EXPECT_FALSE(ended.wait(800));
    EXPECT_EQ(w.done(), 3);
}

TEST_F(Station, ChildrenThatCrashHangOrAreStoppedFailTheirRowAndLeaveARecord)
{
    const struct {
        const char *name;
        QByteArray body;
        bool stop;
        const char *outcome;
    } cases[] = {
        {"crash", "echo '{\"event\":\"phase\",\"phase\":\"reading\"}'\nkill -SEGV $$", false, "crashed"},
        {"hang", "sleep 60", false, "timed-out"},
        {"stop", "echo '{\"event\":\"phase\",\"phase\":\"writing\"}'\nsleep 60", true, "stopped"},
    };
    for (const auto &c : cases) {
        StationSetup s = setup(fakeChild(c.body));
        s.timeoutS = 2;
        s.ports = {devs() + "/fixed"};
        writeFile(s.ports.first(), "");
        StationWindow w(s);
        ASSERT_EQ(w.rowCount(), 1);
        QSignalSpy ended(&w, &StationWindow::rowFinished);
        w.startRow(0);
        if (c.stop) {
            ASSERT_TRUE(WaitUntil([&] { return w.stateOf(0) == StationWindow::State::Writing; }, 5000)) << c.name;
            w.stopRow(0);
        }
        ASSERT_TRUE(ended.wait(10000)) << c.name;
        EXPECT_EQ(ended.first().at(1).toString(), c.outcome) << c.name;
        EXPECT_EQ(w.stateOf(0), StationWindow::State::Failed) << c.name;
        EXPECT_EQ(w.failed(), 1) << c.name;
    }
    const QList<ProvisionRecord> rec = records();
    ASSERT_EQ(rec.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rec[i].outcome, cases[i].outcome);
        EXPECT_EQ(rec[i].station, "test-station");
        EXPECT_EQ(rec[i].port, devs() + "/fixed");
    }
}

// The real program against the simulated module in its data state: the probe finds it on the
// fixed port, the row runs through to done, and the station's records show the run.
TEST_F(Station, ARealRunAgainstTheSimulatedModule)
{
    ASSERT_TRUE(QFile::exists(simBin()));
    Sim sim({});
    ASSERT_FALSE(sim.port.isEmpty());
    ASSERT_EQ(batch({"get-all", "--port", sim.port, "--ini", dir.filePath("tpl.ini")}).code, 0);
    StationSetup s = setup(QStringLiteral(DTU_CONFIG_BIN));
    s.ports = {sim.port};
    s.timeoutS = 120;
    StationWindow w(s);
    QSignalSpy ended(&w, &StationWindow::rowFinished);
    w.setAutoStart(true);
    ASSERT_TRUE(ended.wait(100000));
    EXPECT_EQ(ended.first().at(1).toString(), "done");
    EXPECT_EQ(w.stateOf(0), StationWindow::State::Done);
    const QList<ProvisionRecord> rec = records();
    ASSERT_EQ(rec.size(), 1);
    EXPECT_EQ(rec[0].imei, "860123456789012");
    w.records()->reload();
    EXPECT_EQ(w.records()->shown().size(), 1);
    QString why;
    ASSERT_TRUE(w.records()->exportTo(dir.filePath("out.csv"), &why)) << why.toStdString();
    QFile out(dir.filePath("out.csv"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll().count('\n'), 2);
}
