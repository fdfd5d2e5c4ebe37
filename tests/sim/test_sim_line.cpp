// The command set on the line, talked to over the pty as the tool talks to it.
#include "tests/sim/SimLine.h"
#include "tools/dtu-sim/SimModule.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include <memory>
#include <thread>

namespace {

const QByteArray kOk("\r\nOK\r\n\r\n");

QByteArray named(const QByteArray &word, const QByteArray &value)
{
    return "\r\n+" + word + ":" + value + "\r\n\r\nOK\r\n";
}

QByteArray err(int n)
{
    return "\r\n+ERR:" + QByteArray::number(n) + "\r\n\r\n";
}

SimOptions fast()
{
    SimOptions o;
    o.replyDelayMs = 1;
    o.restartDelayMs = 150;
    o.entryTimeoutMs = 400;
    return o;
}

SimOptions commandState()
{
    SimOptions o = fast();
    o.startInCommandState = true;
    return o;
}

struct Rig
{
    explicit Rig(SimOptions o) : sim(std::make_unique<SimModule>(std::move(o)))
    {
        started = sim->start();
        if (started)
            line = std::make_unique<SimLine>(sim->slavePath());
    }
    bool ok() const { return started && line && line->isOpen(); }
    std::unique_ptr<SimModule> sim;
    std::unique_ptr<SimLine> line;
    bool started = false;
};

} // namespace

TEST(SimCommand, QueriesAnswerInTheNamedForm)
{
    Rig r(commandState());
    ASSERT_TRUE(r.ok()) << r.sim->errorString().toStdString();
    EXPECT_EQ(r.line->ask("AT+VER?\r\n"), named("VER", "V1.0.5"));
    // "AT" and the word in any case, a lone CR as line end
    EXPECT_EQ(r.line->ask("at+hdver?\r"), named("HDVER", "V1.2.3"));
    EXPECT_EQ(r.line->ask("At+Uart?\r\n"), named("UART", "115200,8,1,NONE,NFC"));
    // every word of the table answers with its current value, one block each
    for (const auto &[word, value] : r.sim->params())
        EXPECT_EQ(r.line->ask("AT+" + word + "?\r\n"), named(word, value)) << word.constData();
}

TEST(SimCommand, SettingsAreCheckedAndStoredExactly)
{
    Rig r(commandState());
    ASSERT_TRUE(r.ok());
    const QByteArray gbk("\xC4\xA3\xBF\xE9 [01]");
    EXPECT_EQ(r.line->ask("AT+STMSG=" + gbk + "\r\n"), kOk);
    EXPECT_EQ(r.sim->param("STMSG"), gbk);
    EXPECT_EQ(r.line->ask("AT+STMSG?\r\n"), named("STMSG", gbk));
    EXPECT_EQ(r.line->ask("AT+stmsg=\r\n"), kOk); // an empty value is a value
    EXPECT_EQ(r.sim->param("STMSG"), QByteArray(""));
    EXPECT_EQ(r.line->ask("AT+SOCKB=UDP,peer.example.net,9000\r\n"), kOk);
    EXPECT_EQ(r.sim->param("SOCKB"), "UDP,peer.example.net,9000");
    EXPECT_EQ(r.line->ask("AT+UART=9600,8,1,even,NFC\r\n"), kOk);
    EXPECT_EQ(r.sim->param("UART"), "9600,8,1,even,NFC");

    // refused: the table keeps its value
    EXPECT_EQ(r.line->ask("AT+UART=9601,8,1,NONE,NFC\r\n"), err(3));
    EXPECT_EQ(r.sim->param("UART"), "9600,8,1,even,NFC");
    EXPECT_EQ(r.line->ask("AT+SOCKA=TCP,h,0\r\n"), err(3));
    EXPECT_EQ(r.line->ask("AT+HEARTDT=123\r\n"), err(3));
    EXPECT_EQ(r.sim->param("SOCKA"), "TCP,test.example.com,2317");
    EXPECT_EQ(r.line->ask("AT+VER=V9.9.9\r\n"), err(2));
    EXPECT_EQ(r.line->ask("AT+SOCKALK=ON\r\n"), err(2));
    EXPECT_EQ(r.sim->param("VER"), "V1.0.5");
    EXPECT_EQ(r.line->ask("AT+NOSUCH?\r\n"), err(1));
    EXPECT_EQ(r.line->ask("AT+NOSUCH=1\r\n"), err(1));
    EXPECT_EQ(r.line->ask("AT+NOSUCH\r\n"), err(1));
}

TEST(SimCommand, MalformedLinesAndJunkGetFormatErrors)
{
    Rig r(commandState());
    ASSERT_TRUE(r.ok());
    for (const QByteArray l : {"hello", "AT", "ATE", "AT+", "AT+?", "AT+=ON", "AT+E O=ON", "AT+VER", "AT+H?", "AT+Z=1", "+AT+VER?"})
        EXPECT_EQ(r.line->ask(l + "\r\n"), err(1)) << l.constData();
    // an endless line and binary junk: one error each, and the module still works
    EXPECT_EQ(r.line->ask(QByteArray(10000, 'x') + "\r\n", 3000), err(1));
    QByteArray junk;
    for (int i = 1; i < 256; ++i)
        if (i != '\r' && i != '\n')
            junk += static_cast<char>(i);
    EXPECT_EQ(r.line->ask(junk + "\r\n"), err(1));
    EXPECT_EQ(r.line->ask("AT+VER?\r\n"), named("VER", "V1.0.5"));
    // empty lines (CR LF CR LF) are no lines at all
    r.line->send("\r\n\r\n");
    EXPECT_TRUE(r.line->block(300).isEmpty());
}

TEST(SimEntry, DataStateWaitsForPlusPlusPlusThenA)
{
    Rig r(fast());
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.sim->inCommandState());
    EXPECT_TRUE(r.line->ask("AT+VER?\r\n", 300).isEmpty()); // data, not a command
    EXPECT_EQ(r.line->ask("+++"), "a");
    EXPECT_FALSE(r.sim->inCommandState());
    EXPECT_EQ(r.line->ask("a"), "+ok\r\n");
    EXPECT_TRUE(r.sim->inCommandState());
    EXPECT_EQ(r.line->ask("AT+VER?\r\n"), named("VER", "V1.0.5"));
    EXPECT_TRUE(r.sim->receivedData().startsWith("AT+VER?\r\n+++a"));
    // no command line was seen in the data state
    EXPECT_EQ(r.sim->receivedLines(), QList<QByteArray>{"AT+VER?"});
}

TEST(SimEntry, ServerDataFlowsInTheDataStateOnlyAndAMuteModuleSaysNothing)
{
    SimOptions o = fast();
    o.networkDataEveryMs = 150;
    o.networkData = "srv\r\n";
    Rig r(o);
    ASSERT_TRUE(r.ok());
    const QList<QByteArray> data = r.line->blocks(700);
    EXPECT_GE(data.size(), 3);
    for (const QByteArray &b : data)
        EXPECT_EQ(b, "srv\r\n");
    r.line->send("+++");
    // A server line may still cross "+++" on the wire, but none follows the "a".
    const QByteArray entry = r.line->blocks(300).join(); // within the 400 ms the sim waits for "a"
    ASSERT_TRUE(entry.endsWith('a')) << entry.toStdString();
    EXPECT_TRUE(entry.chopped(1).replace("srv\r\n", "").isEmpty()) << entry.toStdString();
    EXPECT_EQ(r.line->ask("a"), "+ok\r\n");
    EXPECT_TRUE(r.line->blocks(500).isEmpty()); // the command state forwards nothing

    SimOptions m = fast();
    m.mute = true;
    Rig mute(m);
    ASSERT_TRUE(mute.ok());
    EXPECT_TRUE(mute.line->ask("+++", 300).isEmpty());
    EXPECT_TRUE(mute.line->ask("a", 300).isEmpty());
}

TEST(SimEntry, EntryNeedsEachBurstAloneAndInTime)
{
    Rig r(fast());
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.line->ask("+++a", 300).isEmpty());
    EXPECT_TRUE(r.line->ask("x+++", 300).isEmpty());
    EXPECT_EQ(r.line->ask("+++"), "a");
    EXPECT_TRUE(r.line->ask("b", 200).isEmpty()); // anything else ends the entry
    EXPECT_TRUE(r.line->ask("a", 200).isEmpty());
    EXPECT_EQ(r.line->ask("+++"), "a");
    std::this_thread::sleep_for(std::chrono::milliseconds(600)); // past the entry time-out
    EXPECT_TRUE(r.line->ask("a", 300).isEmpty());
    EXPECT_FALSE(r.sim->inCommandState());
}

TEST(SimEntry, RepeatedEntryInCommandStateIsAnswered)
{
    Rig r(commandState());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.line->ask("+++"), "a");
    EXPECT_EQ(r.line->ask("a"), "+ok\r\n");
    EXPECT_EQ(r.line->ask("AT+E?\r\n"), named("E", "OFF")); // no leftovers in the line
}

TEST(SimCommand, EchoComesWithTheAnswerInOneBlock)
{
    Rig r(commandState());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.line->ask("AT+E=ON\r\n"), kOk); // echo was off when this line came
    EXPECT_EQ(r.line->ask("AT+VER?\r\n"), "AT+VER?\r\n" + named("VER", "V1.0.5"));
    EXPECT_EQ(r.line->ask("AT+WKMOD=FOO\r\n"), "AT+WKMOD=FOO\r\n" + err(3));
    EXPECT_EQ(r.line->ask("AT+E=OFF\r\n"), "AT+E=OFF\r\n" + kOk);
    EXPECT_EQ(r.line->ask("AT+E?\r\n"), named("E", "OFF"));

    SimOptions o = commandState();
    o.echo = true;
    Rig r2(o);
    ASSERT_TRUE(r2.ok());
    EXPECT_EQ(r2.line->ask("AT+CSQ\r\n"), "AT+CSQ\r\n" + named("CSQ", "24,99"));
}

TEST(SimCommand, RestartAndLeaveCommandState)
{
    Rig r(commandState());
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.line->ask("AT+STMSG=Hello DTU\r\n"), kOk);
    r.line->send("AT+Z\r\n");
    const QList<QByteArray> b = r.line->blocks(800);
    ASSERT_EQ(b.size(), 2);
    EXPECT_EQ(b[0], kOk);
    EXPECT_EQ(b[1], "Hello DTU\r\n"); // the start-up message, one block of its own
    EXPECT_FALSE(r.sim->inCommandState());
    EXPECT_TRUE(r.line->ask("AT+VER?\r\n", 300).isEmpty());
    EXPECT_EQ(r.sim->param("STMSG"), "Hello DTU"); // parameters survive a restart

    EXPECT_EQ(r.line->ask("+++"), "a");
    EXPECT_EQ(r.line->ask("a"), "+ok\r\n");
    EXPECT_EQ(r.line->ask("AT+ENTM\r\n"), kOk);
    EXPECT_FALSE(r.sim->inCommandState());
    EXPECT_TRUE(r.line->ask("AT+VER?\r\n", 300).isEmpty());
}

TEST(SimCommand, UserDefaultAndFactoryReset)
{
    Rig r(commandState());
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.line->ask("AT+WKMOD=SMS\r\n"), kOk);
    EXPECT_EQ(r.line->ask("AT+CFGTF\r\n"), kOk);
    ASSERT_EQ(r.line->ask("AT+WKMOD=HTTPD\r\n"), kOk);
    ASSERT_EQ(r.line->ask("AT+DSTNUM=13800000000\r\n"), kOk);
    EXPECT_EQ(r.line->ask("AT+RELD\r\n"), kOk);
    EXPECT_EQ(r.sim->param("WKMOD"), "SMS");
    EXPECT_EQ(r.sim->param("DSTNUM"), "10086");
    EXPECT_EQ(r.line->ask("AT+CLEAR\r\n"), kOk);
    EXPECT_EQ(r.sim->params(), SimFactoryParams(false));
    EXPECT_EQ(r.line->ask("AT+RELD\r\n"), kOk); // the user default outlives a factory reset
    EXPECT_EQ(r.sim->param("WKMOD"), "SMS");
}

TEST(SimCommand, SignalHelpAndTextMessages)
{
    Rig r(commandState());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.line->ask("AT+CSQ\r\n"), named("CSQ", "24,99"));
    EXPECT_EQ(r.line->ask("AT+CSQ?\r\n"), named("CSQ", "24,99"));
    const QByteArray help = r.line->ask("AT+H\r\n");
    EXPECT_TRUE(help.startsWith("\r\n+H:"));
    EXPECT_TRUE(help.endsWith("\r\n\r\nOK\r\n"));
    EXPECT_GT(help.count('+'), 5);
    EXPECT_TRUE(help.contains("\r\n+WKMOD:"));

    EXPECT_EQ(r.line->ask("AT+SMSEND=10086,3,hello, world\r\n"), kOk);
    EXPECT_EQ(r.line->ask("AT+SMSEND=,3,hello\r\n"), err(3));
    EXPECT_EQ(r.line->ask("AT+SMSEND=1008a,3,hello\r\n"), err(3));
    EXPECT_EQ(r.line->ask("AT+SMSEND=10086,hello\r\n"), err(1));
    EXPECT_EQ(r.sim->sentMessages(), QList<QByteArray>{"10086,3,hello, world"});
}

TEST(SimFaults, SplitAnswersComeInTwoBlocks)
{
    SimOptions o = commandState();
    o.splitAnswers = true;
    Rig r(o);
    ASSERT_TRUE(r.ok());
    QElapsedTimer t;
    r.line->send("AT+VER?\r\n");
    const QByteArray first = r.line->block();
    t.start();
    const QByteArray second = r.line->block();
    EXPECT_GE(t.elapsed(), 200);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_FALSE(second.isEmpty());
    EXPECT_EQ(first + second, named("VER", "V1.0.5"));
}

TEST(SimFaults, IgnoredLinesGetNoAnswer)
{
    SimOptions o = commandState();
    o.ignoreFirstLines = 2;
    Rig r(o);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.line->ask("AT+VER?\r\n", 300).isEmpty());
    EXPECT_TRUE(r.line->ask("AT+E=ON\r\n", 300).isEmpty());
    EXPECT_EQ(r.sim->param("E"), "OFF"); // ignored means not carried out either
    EXPECT_EQ(r.line->ask("AT+VER?\r\n"), named("VER", "V1.0.5"));
    EXPECT_EQ(r.sim->receivedLines(), (QList<QByteArray>{"AT+VER?", "AT+E=ON", "AT+VER?"}));
}

TEST(SimFaults, PacingEmulatesTheWireRate)
{
    const QByteArray msg(100, 'm');
    const QByteArray expected = named("STMSG", msg);
    {
        Rig r(commandState());
        ASSERT_TRUE(r.ok());
        r.sim->setParam("STMSG", msg);
        EXPECT_EQ(r.line->ask("AT+STMSG?\r\n"), expected);
        EXPECT_LT(r.line->lastBlockSpanMs(), 50);
    }
    SimOptions o = commandState();
    o.paceBaud = 9600; // 113 bytes, 10 bits each: about 118 ms on the wire
    Rig r(o);
    ASSERT_TRUE(r.ok());
    r.sim->setParam("STMSG", msg);
    EXPECT_EQ(r.line->ask("AT+STMSG?\r\n"), expected);
    EXPECT_GE(r.line->lastBlockSpanMs(), 95);
    EXPECT_LT(r.line->lastBlockSpanMs(), 1000);
}

TEST(SimFaults, GarbageComesAsItsOwnBlockBeforeSomeAnswers)
{
    SimOptions o = commandState();
    o.garbage = true;
    Rig r(o);
    ASSERT_TRUE(r.ok());
    int junkBlocks = 0;
    for (int i = 0; i < 6; ++i) {
        r.line->send("AT+VER?\r\n");
        QList<QByteArray> b = r.line->blocks(450);
        ASSERT_FALSE(b.isEmpty());
        EXPECT_EQ(b.takeLast(), named("VER", "V1.0.5")) << i;
        for (const QByteArray &j : b) {
            ++junkBlocks;
            EXPECT_FALSE(j.contains('\r') || j.contains('\n'));
            EXPECT_GE(j.size(), 3);
        }
        EXPECT_LE(b.size(), 1);
    }
    EXPECT_EQ(junkBlocks, 2); // answers 1 and 4
}

TEST(SimProgram, ServesDumpsAndEntersTheBootLoader)
{
    // The program built beside this test, unless the environment names an existing one.
    QByteArray bin = qgetenv("DTU_SIM_BIN");
    if (bin.isEmpty() || ::access(bin.constData(), X_OK) != 0)
        bin = DTU_SIM_PATH;
    ASSERT_EQ(::access(bin.constData(), X_OK), 0) << bin.constData();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString in = dir.filePath("in.txt"), out = dir.filePath("out.txt");
    {
        QFile f(in);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("# initial\r\nSTMSG=From file\r\nver=V1.0.9\r\nBOGUS=1\r\n");
    }
    QProcess p;
    p.start(QString::fromLocal8Bit(bin), {"--command-state", "--delay", "1", "--params", in, "--dump-params", out});
    ASSERT_TRUE(p.waitForStarted(5000));
    ASSERT_TRUE(p.waitForReadyRead(5000));
    const QString path = QString::fromLocal8Bit(p.readLine()).trimmed();
    ASSERT_TRUE(path.startsWith("/dev/pts/")) << path.toStdString();
    {
        SimLine line(path);
        ASSERT_TRUE(line.isOpen());
        EXPECT_EQ(line.ask("AT+VER?\r\n"), named("VER", "V1.0.9"));
        EXPECT_EQ(line.ask("AT+STMSG?\r\n"), named("STMSG", "From file"));
        EXPECT_EQ(line.ask("AT+APN=TEST,u,p\r\n"), kOk);
        ::kill(static_cast<pid_t>(p.processId()), SIGUSR1);
        EXPECT_TRUE(line.block().contains("'F': update firmware"));
    }
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("1 line(s)"));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    EXPECT_TRUE(lines.contains("APN=TEST,u,p"));
    EXPECT_TRUE(lines.contains("VER=V1.0.9"));
    EXPECT_TRUE(lines.contains("E=OFF"));
    EXPECT_EQ(lines.size(), 57); // 56 parameters and the final empty piece

    QProcess help;
    help.start(QString::fromLocal8Bit(bin), {"--help"});
    ASSERT_TRUE(help.waitForFinished(5000));
    const QByteArray text = help.readAllStandardOutput();
    for (const char *opt : {"--command-state", "--boot", "--ignore", "--split", "--nak-every", "--garbage", "--pace",
                            "--delay", "--save-image", "--params", "--dump-params"})
        EXPECT_TRUE(text.contains(opt)) << opt;
}

TEST(SimFaults, NoiseGluedAndDoubledAnswers)
{
    SimOptions o = commandState();
    o.glueNoise = true;
    Rig glued(o);
    ASSERT_TRUE(glued.ok());
    EXPECT_EQ(glued.line->ask("AT+E?\r\n"), "~noise~" + named("E", "OFF")); // one block
    EXPECT_EQ(glued.line->ask("AT+E?\r\n"), named("E", "OFF"));

    o = commandState();
    o.doubleAnswers = true;
    o.splitGapMs = 150;
    Rig twice(o);
    ASSERT_TRUE(twice.ok());
    twice.line->send("AT+E?\r\n");
    EXPECT_EQ(twice.line->blocks(1000), (QList<QByteArray>{named("E", "OFF"), named("E", "OFF")}));
}

TEST(SimFaults, HangUpAfterLinesAndBurst)
{
    SimOptions o = commandState();
    o.hangupAfterLines = 2;
    Rig gone(o);
    ASSERT_TRUE(gone.ok());
    EXPECT_EQ(gone.line->ask("AT+E?\r\n"), named("E", "OFF"));
    EXPECT_TRUE(gone.line->ask("AT+E?\r\n").isEmpty());
    pollfd p{gone.line->fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));

    o = commandState();
    o.burstBytes = 1 << 20;
    Rig burst(o);
    ASSERT_TRUE(burst.ok());
    burst.line->send("AT+E?\r\n");
    QByteArray all;
    for (QByteArray b; !(b = burst.line->block(2000, 200)).isEmpty();)
        all += b;
    ASSERT_EQ(all.size(), (1 << 20) + named("E", "OFF").size());
    EXPECT_TRUE(all.endsWith(named("E", "OFF")));
}
