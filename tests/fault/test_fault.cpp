// The fault table: each case injects one fault, must end within its bound with a
// defined exit code and a clear message, and must lose nothing saved. Every case
// prints one table row ("FAULT | case | outcome | seconds") into the test log.
#include "config/IniFile.h"
#include "lang/AppLang.h"
#include "tests/common/BatchChild.h"
#include "ui/MainWindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

namespace {

void row(const char *name, const QString &outcome, double seconds)
{
    std::printf("FAULT | %-34s | %-60s | %6.1f s\n", name, qPrintable(outcome), seconds);
    std::fflush(stdout);
}

// The outcome of a batch run, checked: its exit code, a message that says what
// happened, no sanitizer report, and the bound.
void expectRun(const char *name, const BatchRun &r, int code, const QString &message, int boundS)
{
    row(name, QStringLiteral("exit %1%2").arg(r.code).arg(r.code == code ? QString() : QStringLiteral(" (want %1)").arg(code)),
        r.seconds);
    const std::string log = (r.out + r.err).right(3000).toStdString();
    EXPECT_EQ(r.code, code) << log;
    EXPECT_LT(r.seconds, boundS) << log;
    if (!message.isEmpty()) {
        EXPECT_TRUE(r.out.contains(message, Qt::CaseInsensitive) || r.err.contains(message, Qt::CaseInsensitive))
            << "no \"" << message.toStdString() << "\" in: " << log;
    }
    EXPECT_FALSE(r.err.contains("runtime error") || r.err.contains("AddressSanitizer") ||
                 r.err.contains("LeakSanitizer"))
        << log;
}

class Fault : public SimDirTest {
protected:
    QByteArray read(const QString &p) const
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString &p, const QByteArray &bytes) const
    {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QString image(int size)
    {
        QByteArray d(size, '\0');
        for (int i = 0; i < size; ++i)
            d[i] = char(i * 7 + 3);
        const QString p = path("image.bin");
        write(p, d);
        return p;
    }
    // A get-all whose file must hold the module's values afterwards.
    void getAll(const char *name, const QStringList &simArgs, int code, const QString &message, int boundS)
    {
        Sim sim(simArgs);
        ASSERT_FALSE(sim.port.isEmpty());
        const QString ini = path("out.ini");
        const BatchRun r = batch({"get-all", "--port", sim.port, "--ini", ini, "--timeout", "60"}, boundS * 1000);
        expectRun(name, r, code, message, boundS);
        if (code == 0) {
            TIniFile f(ini);
            ASSERT_TRUE(f.load());
            EXPECT_FALSE(f.ReadString("Base", "UART", "").isEmpty()) << read(ini).left(500).toStdString();
        } else {
            EXPECT_FALSE(QFile::exists(ini)) << "a failed read must not leave a file that looks complete";
        }
    }
};

const QString kDone = QStringLiteral("Operation complete");

// ---- the line ----------------------------------------------------------------------------

// The stray bytes come 100 ms before the answer: after the read gap, so they are a block of their own.
TEST_F(Fault, NoiseBetweenAnswers) { getAll("noise between answers", {"--garbage", "--garbage-gap", "100"}, 0, kDone, 90); }
TEST_F(Fault, NoiseGluedToAnswers) { getAll("noise glued to answers", {"--glue-noise"}, 0, kDone, 90); }
// The second copy comes 100 ms after the first: after the read gap, so it is a block of its own.
TEST_F(Fault, AnswersDoubled) { getAll("answers doubled", {"--double", "--split-gap", "100"}, 0, kDone, 90); }
TEST_F(Fault, NetworkDataInTheDataState)
{
    getAll("network data in the data state", {"--network-data", "150"}, 0, kDone, 90);
}
TEST_F(Fault, BurstOfOneMebibyte)
{
    getAll("1 MiB burst", {"--command-state", "--burst", "1048576"}, 0, kDone, 120);
}
TEST_F(Fault, Silence)
{
    const RealTimings real; // the program's own 5 s waits, once
    getAll("silence", {"--ignore", "100000"}, 4, "answer", 90);
}
TEST_F(Fault, StaleAnswersInsteadOfTwoValues)
{
    getAll("stale answers for two queries", {"--command-state", "--stale", "STMSG,SN"}, 4, "no answer to STMSG, SN", 60);
}
TEST_F(Fault, AnswersSplit) { getAll("answers split", {"--command-state", "--split"}, 4, "answer", 90); }
TEST_F(Fault, LineClosedMidGetAll)
{
    getAll("line closed mid-Get All", {"--command-state", "--hangup-after", "12"}, 3, "Serial port lost", 60);
}

// The verify side of the line faults: a template read from a sound module, compared with a
// faulty one. A value the module did not give is a difference, never a match.
TEST_F(Fault, VerifyAgainstFaultyModules)
{
    const QString ini = path("template.ini");
    {
        Sim sound({"--command-state"});
        ASSERT_FALSE(sound.port.isEmpty());
        ASSERT_EQ(batch({"get-all", "--port", sound.port, "--ini", ini}).code, 0);
    }
    const struct {
        const char *name;
        QStringList simArgs;
        int code;
        const char *message;
    } cases[] = {
        {"verify: noise between answers", {"--garbage", "--garbage-gap", "100"}, 0, " 0 differ"},
        {"verify: noise glued to answers", {"--glue-noise"}, 0, " 0 differ"},
        {"verify: answers doubled", {"--double", "--split-gap", "100"}, 0, " 0 differ"},
        {"verify: network data", {"--network-data", "150"}, 0, " 0 differ"},
        {"verify: silence", {"--ignore", "100000"}, 4, "answer"},
        {"verify: stale answers", {"--command-state", "--stale", "HEARTTM,SN"}, 8, "HEARTTM: no answer from the module"},
        {"verify: answers split", {"--command-state", "--split"}, 4, "answer"},
        {"verify: line closed", {"--command-state", "--hangup-after", "12"}, 3, "Serial port lost"},
    };
    // Each case mostly waits on its module, so all run at once.
    std::vector<std::unique_ptr<Sim>> sims;
    QList<QStringList> runs;
    for (const auto &c : cases) {
        const Sim &sim = *sims.emplace_back(std::make_unique<Sim>(c.simArgs));
        ASSERT_FALSE(sim.port.isEmpty()) << c.name;
        runs.append({"verify", "--port", sim.port, "--ini", ini, "--timeout", "60"});
    }
    const QList<BatchRun> results = batchAll(runs, 90 * 1000);
    for (size_t i = 0; i < std::size(cases); ++i)
        expectRun(cases[i].name, results[qsizetype(i)], cases[i].code, QString::fromLatin1(cases[i].message), 90);
}

TEST_F(Fault, ControlBytesFromTheModule)
{
    // A value holding a terminal sequence: the technician's terminal must see it spelled.
    write(path("params.txt"), QByteArray("STMSG=\x1B[2J\x1B]0;owned\x07hi\n"));
    Sim sim({"--command-state", "--params", path("params.txt")});
    ASSERT_FALSE(sim.port.isEmpty());
    const BatchRun r = batch({"send", "--port", sim.port, "AT+STMSG?"}, 30 * 1000);
    expectRun("control bytes in an answer", r, 0, "\\x1B[2J\\x1B]0;owned\\x07hi", 30);
    EXPECT_FALSE(r.out.contains(QChar(0x1B)) || r.out.contains(QChar(0x07))) << r.out.toStdString();
}

// ---- the firmware transfer ---------------------------------------------------------------

TEST_F(Fault, NakStorm)
{
    Sim sim({"--boot", "--boot-repeat", "400", "--c-interval", "200", "--nak-always"});
    ASSERT_FALSE(sim.port.isEmpty());
    const BatchRun r = batch({"upgrade", "--port", sim.port, "--firmware", image(1000), "--timeout", "60"}, 60 * 1000);
    expectRun("NAK storm", r, 7, "10 times", 60);
}

TEST_F(Fault, Cancel)
{
    Sim sim({"--boot", "--boot-repeat", "400", "--c-interval", "200", "--cancel-after", "2"});
    ASSERT_FALSE(sim.port.isEmpty());
    const BatchRun r = batch({"upgrade", "--port", sim.port, "--firmware", image(1000), "--timeout", "60"}, 60 * 1000);
    expectRun("CAN from the receiver", r, 7, "cancelled", 60);
}

TEST_F(Fault, LineClosedMidTransfer)
{
    Sim sim({"--boot", "--boot-repeat", "400", "--c-interval", "200", "--hangup-after-blocks", "3"});
    ASSERT_FALSE(sim.port.isEmpty());
    const BatchRun r = batch({"upgrade", "--port", sim.port, "--firmware", image(1000), "--timeout", "60"}, 60 * 1000);
    expectRun("line closed mid-transfer", r, 3, "Serial port lost", 60);
    EXPECT_FALSE(r.out.contains("Firmware upgrade success"));
}

TEST_F(Fault, EmptyImage)
{
    const QString empty = path("empty.bin");
    write(empty, QByteArray());
    const BatchRun r = batch({"upgrade", "--port", "/dev/null", "--firmware", empty}, 30 * 1000);
    expectRun("empty firmware image", r, 2, "empty", 30);
}

// ---- files ---------------------------------------------------------------------------------

TEST_F(Fault, ConfigurationFileIsADirectory)
{
    Sim sim({"--command-state"});
    ASSERT_FALSE(sim.port.isEmpty());
    const QString d = path("dir.ini");
    ASSERT_TRUE(QDir().mkdir(d));
    BatchRun r = batch({"set-all", "--port", sim.port, "--ini", d}, 30 * 1000);
    expectRun("set-all from a directory", r, 2, "dir.ini", 30);
    r = batch({"get-all", "--port", sim.port, "--ini", d}, 90 * 1000);
    expectRun("get-all into a directory", r, 6, "dir.ini", 90);
    EXPECT_TRUE(QFileInfo(d).isDir());
}

TEST_F(Fault, ConfigurationFileIsBinaryGarbage)
{
    Sim sim({"--command-state", "--dump-params", path("params.txt")});
    ASSERT_FALSE(sim.port.isEmpty());
    QByteArray junk(64 * 1024, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 2654435761u) >> 13);
    const QString ini = path("junk.ini");
    write(ini, junk);
    // Nothing in it is a configuration: the module is not overwritten with defaults.
    BatchRun r = batch({"set-all", "--port", sim.port, "--ini", ini}, 30 * 1000);
    expectRun("set-all from binary garbage", r, 2, "junk.ini", 30);
    // Reading into it keeps every byte that was there and adds the module's values.
    r = batch({"get-all", "--port", sim.port, "--ini", ini, "--timeout", "60"}, 90 * 1000);
    expectRun("get-all into binary garbage", r, 0, kDone, 90);
    const QByteArray after = read(ini);
    EXPECT_GT(after.size(), junk.size());
    TIniFile f(ini);
    ASSERT_TRUE(f.load());
    EXPECT_FALSE(f.ReadString("Base", "UART", "").isEmpty());
}

TEST_F(Fault, FiftyMegabyteConfigurationAndLanguageFiles)
{
    // A window over a directory with a 50 MB configuration and a 50 MB language
    // file: it starts, serves its texts, and saving keeps every line it did not write.
    const QByteArray filler = "; filler line .........................................\r\n";
    const QByteArray cfg = "[Base]\r\nAPN=kept-apn\r\n" + filler.repeated((50 << 20) / filler.size() + 1);
    write(path("R52xCfg.ini"), cfg);
    const QByteArray entry = "key|zh|en text\r\n";
    const QByteArray lang = ";big\r\n" + entry.repeated((50 << 20) / entry.size() + 1) + "info_DoOver|done|Finished here\r\n";
    write(path("R52xLang.txt"), lang);

    QElapsedTimer t;
    t.start();
    QStringList red;
    {
        StartOptions o;
        o.configDir = dir.path();
        TFrm_Main w(o);
        const QStringList all = w.findChild<QPlainTextEdit *>("edtDialog")->toPlainText().split('\n');
        for (const QString &l : all)
            if (l.contains(QLatin1String("too large")))
                red << l;
        // Neither file is read: the built-in texts serve.
        EXPECT_EQ(LangText("info_DoOver"), QByteArray("Operation complete"));
        w.close();
    }
    const double s = double(t.elapsed()) / 1000;
    row("50 MB configuration and language files", QStringLiteral("refused, 2 red lines, file untouched"), s);
    EXPECT_LT(s, 30);
    ASSERT_EQ(red.size(), 2) << red.join('\n').toStdString();
    EXPECT_TRUE(red.join(' ').contains("R52xCfg.ini") && red.join(' ').contains("R52xLang.txt"));
    // Nothing saved is lost: the file the program could not read is left as it was.
    EXPECT_TRUE(read(path("R52xCfg.ini")) == cfg);
}

} // namespace
