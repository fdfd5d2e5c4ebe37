// The first line's short wait: a module in its data state is repaired at once,
// a module that answers late still gets every line asked once and answered,
// and the protocol's times come from the window's start options.
#include "comm/PortList.h"
#include "lang/AppLang.h"
#include "protocol/Protocol.h"
#include "tools/dtu-sim/SimModule.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

struct Run {
    Run(SimModule &sim, const TProtocolTimings &t)
    {
        StartOptions o;
        o.configDir = dir.path();
        o.timings = t;
        w = std::make_unique<TFrm_Main>(o);
        if (LangList)
            LangList->IsChinese = false;
        w->console()->setTap([this](LineKind k, const QByteArray &text) {
            if (k == LineKind::Send)
                sent.push_back(text);
            else if (k == LineKind::Err)
                errors.push_back(text);
        });
        QObject::connect(w->protocol(), &Protocol::operationEnded, [this](const TOpOutcome &o) { ended = o; });
        RegisterExtraPort(sim.slavePath());
        port = sim.slavePath();
        w->FillPortList();
        ParamCodec::SelectItem(w->cbbOpenCom, QFile::encodeName(port));
        ParamCodec::SelectItem(w->cbbOpenBaud, "115200");
        w->btnSysClick(1);
    }
    ~Run()
    {
        w->PortClose();
        UnregisterExtraPort(port);
    }
    template <class Pred>
    bool waitFor(Pred pred, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!pred() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return pred();
    }
    int sentCount(const QByteArray &line) const { return int(std::count(sent.begin(), sent.end(), line)); }

    QTemporaryDir dir;
    std::unique_ptr<TFrm_Main> w;
    QString port;
    std::vector<QByteArray> sent, errors;
    std::optional<TOpOutcome> ended;
};

TProtocolTimings timings(int answerMs, int firstMs)
{
    TProtocolTimings t;
    t.answerMs = answerMs;
    t.firstAnswerMs = firstMs;
    return t;
}

} // namespace

// The answer time-out is a minute here: only the short wait can bring the
// repair in time.
TEST(FirstWait, AModuleInItsDataStateIsRepairedAfterTheShortWait)
{
    SimModule sim{SimOptions{}};
    ASSERT_TRUE(sim.start());
    sim.setParam("SOCKA", "UDP,10.0.0.9,7001");
    Run r(sim, timings(60000, 200));
    ASSERT_TRUE(r.w->ComOpened());
    r.w->btnDoClick(10);
    ASSERT_TRUE(r.waitFor([&] { return r.ended.has_value(); }, 30000));
    EXPECT_EQ(r.ended->end, TOpEnd::Complete);
    EXPECT_TRUE(r.ended->unread.isEmpty());
    EXPECT_TRUE(r.ended->refused.isEmpty());
    EXPECT_EQ(r.ended->answers.value("SOCKA"), QByteArray("UDP,10.0.0.9,7001"));
    EXPECT_EQ(r.sentCount("+++"), 1);
    EXPECT_EQ(r.sentCount("AT+VER?\r\n"), 2); // before and after the repair
    EXPECT_TRUE(r.errors.empty());
}

// Every answer takes longer than the short wait: the repair goes out while the
// version answer is on its way. That late answer moves nothing; the module's
// "a" and "+ok" walk the queue to the version query again, and every further
// line is asked once and gets its own answer.
TEST(FirstWait, AModuleThatAnswersLateIsServedWithoutHarm)
{
    SimOptions so;
    so.startInCommandState = true;
    so.replyDelayMs = 150;
    SimModule sim(so);
    ASSERT_TRUE(sim.start());
    sim.setParam("HEARTTM", "42");
    Run r(sim, timings(5000, 60));
    ASSERT_TRUE(r.w->ComOpened());
    r.w->btnDoClick(10);
    ASSERT_TRUE(r.waitFor([&] { return r.ended.has_value(); }, 60000));
    EXPECT_EQ(r.ended->end, TOpEnd::Complete);
    EXPECT_TRUE(r.ended->unread.isEmpty());
    EXPECT_TRUE(r.ended->refused.isEmpty());
    EXPECT_EQ(r.ended->answers.value("HEARTTM"), QByteArray("42"));
    EXPECT_EQ(r.sentCount("+++"), 1);
    EXPECT_EQ(r.sentCount("AT+VER?\r\n"), 2);
    // The Get All list was appended once, and each of its lines went out once.
    const std::vector<QByteArray> lines(r.w->protocol()->orders().lines.begin(),
                                        r.w->protocol()->orders().lines.end());
    for (const QByteArray &l : lines)
        if (l != "AT+VER?\r\n" && l != "+++" && l != "a")
            EXPECT_EQ(r.sentCount(l), 1) << l.toStdString();
    EXPECT_EQ(r.w->protocol()->OrderIndex(), int(lines.size()) - 1);
    EXPECT_TRUE(r.errors.empty());
    // Nothing arrives after the end that could be taken for another answer.
    QElapsedTimer t;
    t.start();
    r.waitFor([&] { return t.elapsed() > 600; }, 1000);
    EXPECT_TRUE(r.errors.empty());
}

// The window hands its start options' times to the protocol: a mute module is
// given up after the short answer and repair times, a command button's line
// is reported after the command watch time.
TEST(FirstWait, TheWindowsTimingsReachTheProtocol)
{
    SimOptions so;
    so.mute = true;
    SimModule sim(so);
    ASSERT_TRUE(sim.start());
    TProtocolTimings t;
    t.answerMs = 300;
    t.repairMs = 300;
    t.commandWatchMs = 200;
    t.firstAnswerMs = 0;
    Run r(sim, t);
    ASSERT_TRUE(r.w->ComOpened());
    EXPECT_EQ(r.w->protocol()->tmrRcv()->interval(), 300);
    QElapsedTimer clock;
    clock.start();
    r.w->btnDoClick(10);
    ASSERT_TRUE(r.waitFor([&] { return r.ended.has_value(); }, 10000));
    EXPECT_EQ(r.ended->end, TOpEnd::NoAnswer);
    EXPECT_LT(clock.elapsed(), 4000); // 5 s each by default
    EXPECT_EQ(r.sentCount("+++"), 1);

    r.errors.clear();
    r.w->btnDoClick(23); // CSQ, watched outside the queue
    ASSERT_TRUE(r.waitFor([&] { return !r.errors.empty(); }, 3000));
    EXPECT_TRUE(r.errors.front().contains("AT+CSQ")) << r.errors.front().toStdString();
}
