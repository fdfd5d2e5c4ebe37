// The configure cycle must never change what the user did not change: Get All from
// one module, Set All into another, and the second holds exactly the first's values,
// for random module states (GBK text, broken GBK, binary data, every mode and type).
// DTU_ROUNDTRIP_SEEDS sets how many seeds run (default: a few for every test run);
// DTU_ROUNDTRIP_SEED=N runs the one seed N that a failure printed.
#include "comm/PortList.h"
#include "config/IniFile.h"
#include "lang/AppLang.h"
#include "protocol/ParamCodec.h"
#include "tests/common/TestFiles.h"
#include "tests/roundtrip/RandomState.h"
#include "tools/dtu-sim/SimModule.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/ParamForm.h"
#include "ui/PortBar.h"
#include "comm/SPComm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

int seedCount(int fallback)
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("DTU_ROUNDTRIP_SEEDS", &ok);
    return ok && n > 0 ? n : fallback;
}

// The seeds first..first+count-1, or the one seed asked for.
QList<int> seeds(int first, int fallbackCount)
{
    bool one = false;
    const int only = qEnvironmentVariableIntValue("DTU_ROUNDTRIP_SEED", &one);
    if (one)
        return {only};
    QList<int> list;
    for (int i = 0; i < seedCount(fallbackCount); ++i)
        list << first + i;
    return list;
}

SimOptions commandState()
{
    SimOptions o;
    o.startInCommandState = true;
    return o;
}

// Module A holds a random state; module B differs from it in every word.
struct Modules {
    explicit Modules(unsigned seed) : rng(seed), a(commandState()), b(commandState())
    {
        state = RandomModuleState(rng);
        // Most faults live in the network mode's registration and heartbeat.
        if (rng() % 3 != 0) {
            setState("WKMOD", "NET");
            setState("REGEN", "ON");
            setState("HEARTEN", "ON");
        }
        ok = a.start() && b.start();
        for (const auto &kv : state) {
            a.setParam(kv.first, kv.second);
            b.setParam(kv.first, RandomValueOtherThan(kv.first, kv.second, rng));
        }
    }
    // Every word B received a setting for holds A's value; every word Set All must
    // write was written.
    void expectBHoldsA(bool more) const
    {
        QSet<QByteArray> written;
        for (const QByteArray &line : b.receivedLines()) {
            const qsizetype eq = line.indexOf('=');
            if (line.startsWith("AT+") && eq > 0)
                written << line.mid(3, eq - 3);
        }
        for (const QByteArray &w : WordsSetAllMustWrite(state, more))
            EXPECT_TRUE(written.contains(w)) << "not written: " << w.constData();
        for (const QByteArray &w : written)
            EXPECT_EQ(b.param(w).toHex(' ').toStdString(), a.param(w).toHex(' ').toStdString()) << "word " << w.constData();
    }
    void setState(const QByteArray &word, const QByteArray &value)
    {
        for (auto &kv : state)
            if (kv.first == word)
                kv.second = value;
    }
    std::mt19937 rng;
    SimParamList state;
    SimModule a, b;
    bool ok = false;
};

class Window {
public:
    explicit Window(const QString &dir)
    {
        StartOptions o;
        o.configDir = dir;
        w = std::make_unique<TFrm_Main>(o);
        if (LangList)
            LangList->IsChinese = false;
        w->console()->setTap([this](LineKind k, const QByteArray &t) {
            done += t == "Operation complete";
            errors += k == LineKind::Err;
        });
    }
    bool open(const SimModule &sim)
    {
        RegisterExtraPort(sim.slavePath());
        w->FillPortList();
        ParamCodec::SelectItem(w->portBar()->cbbOpenCom, QFile::encodeName(sim.slavePath()));
        ParamCodec::SelectItem(w->portBar()->cbbOpenBaud, "115200");
        w->btnSysClick(1);
        // Answers arrive whole on a pty; a short gap keeps many seeds affordable.
        w->comm()->setReadIntervalTimeout(30);
        return w->ComOpened();
    }
    void close(const SimModule &sim)
    {
        w->PortClose();
        UnregisterExtraPort(sim.slavePath());
    }
    bool run(int tag)
    {
        const int before = done;
        w->btnDoClick(tag);
        QElapsedTimer t;
        t.start();
        while (done == before && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return done > before;
    }
    template <class T> T *get(const char *name) { return w->findChild<T *>(QLatin1String(name)); }

    std::unique_ptr<TFrm_Main> w;
    int done = 0;
    int errors = 0;
};

} // namespace

TEST(RoundTrip, GetAllThenSetAllInOneWindowCopiesTheModuleExactly)
{
    for (const int seed : seeds(1, 20)) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " (DTU_ROUNDTRIP_SEEDS)");
        Modules m{unsigned(seed)};
        ASSERT_TRUE(m.ok);
        QTemporaryDir dir;
        Window win(dir.path());
        // The window's own state beforehand: Hex boxes, advanced box, registration type.
        win.get<QCheckBox>("rzchckbxHeartDtHex")->setChecked(m.rng() % 2);
        win.get<QCheckBox>("rzchckbxRegDtHex")->setChecked(m.rng() % 3 == 0); // cleared in a new configuration
        const bool more = m.rng() % 4 != 0;
        win.get<QCheckBox>("rzchckbxMore")->setChecked(more);
        win.get<QComboBox>("cbbRegTp")->setCurrentIndex(int(m.rng() % 5));
        win.w->form()->cbbRegTpChange();

        ASSERT_TRUE(win.open(m.a));
        ASSERT_TRUE(win.run(10)) << "Get All did not complete";
        win.close(m.a);
        ASSERT_TRUE(win.open(m.b));
        ASSERT_TRUE(win.run(11)) << "Set All did not complete";
        win.close(m.b);
        EXPECT_EQ(win.errors, 0) << "a value was refused";
        m.expectBHoldsA(more);
        if (HasFailure())
            return; // the first failing seed is the one to look at
    }
}

// Get All, close, start, close, start, Set All: the second start's file is the first's,
// byte for byte (but for the work mode, which every start sets to the network mode),
// and the second module ends up holding the first one's values.
TEST(RoundTrip, GetAllThenTheFileThroughTwoStartsThenSetAllCopiesTheModuleExactly)
{
    for (const int seed : seeds(501, seedCount(20) / 4 + 1)) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        Modules m{unsigned(seed)};
        ASSERT_TRUE(m.ok);
        QTemporaryDir dir;
        auto file = [&dir] {
            QByteArrayList lines = ReadFileBytes(dir.filePath(QStringLiteral("R52xCfg.ini"))).split('\n');
            lines.removeIf([](const QByteArray &l) { return l.startsWith("WKMOD="); });
            return lines;
        };
        {
            Window win(dir.path());
            win.get<QCheckBox>("rzchckbxMore")->setChecked(m.rng() % 2);
            ASSERT_TRUE(win.open(m.a));
            ASSERT_TRUE(win.run(10)) << "Get All did not complete";
            win.close(m.a);
        }
        const QByteArrayList first = file();
        { Window again(dir.path()); }
        ASSERT_EQ(file(), first);
        Window win(dir.path());
        const QByteArray mode = ValueOf(m.state, "WKMOD"); // chosen again, as the user would
        win.get<QRadioButton>(mode == "NET" ? "rbNetTran" : mode == "HTTPD" ? "rbHttpd" : "rbSmsTran")->setChecked(true);
        ASSERT_TRUE(win.open(m.b));
        ASSERT_TRUE(win.run(11)) << "Set All did not complete";
        win.close(m.b);
        EXPECT_EQ(win.errors, 0) << "a value was refused";
        m.expectBHoldsA(win.get<QCheckBox>("rzchckbxMore")->isChecked());
        if (HasFailure())
            return;
    }
}

TEST(RoundTrip, BatchGetAllToAFileAndSetAllFromItCopiesTheModuleExactly)
{
    for (const int seed : seeds(1001, seedCount(20) / 4 + 1)) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        Modules m{unsigned(seed)};
        ASSERT_TRUE(m.ok);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("module.ini"));
        auto batch = [&](const QString &op, const SimModule &sim) {
            QProcess p;
            p.start(QStringLiteral(DTU_CONFIG_BIN), {"--batch", op, "--port", sim.slavePath(), "--ini", ini});
            const bool finished = p.waitForFinished(150000);
            if (!finished)
                p.kill();
            const int code = finished ? p.exitCode() : -1;
            if (code != 0) // what the run showed, for the failing seed
                std::fprintf(stderr, "%s %s exit %d:\n%s\n%s\n", qPrintable(op), qPrintable(sim.slavePath()), code,
                             p.readAllStandardOutput().right(3000).constData(), p.readAllStandardError().constData());
            return code;
        };
        ASSERT_EQ(batch("get-all", m.a), 0);
        // A provisioning file may ask for the advanced settings too.
        const bool more = m.rng() % 2;
        {
            TIniFile f(ini);
            ASSERT_TRUE(f.load());
            f.WriteString("System", "ShowMore", more ? "ON" : "OFF");
            ASSERT_TRUE(f.save());
        }
        ASSERT_EQ(batch("set-all", m.b), 0);
        m.expectBHoldsA(more);
        if (HasFailure())
            return;
    }
}
