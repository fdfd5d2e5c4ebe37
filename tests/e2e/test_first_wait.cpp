// The first line's short wait, with the window's own timings.
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

struct Session {
    Session(SimModule &sim, const TProtocolTimings &t)
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
    ~Session()
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

} // namespace

// The first line meets silence from a module in its data state (the answer
// time-out is a minute there: only the short wait brings the repair in time),
// or an answer that comes after the short wait, while the repair already waits
// for "a" and "+ok". Either way the version query goes out twice, around the
// one repair, the bulk list is appended once and each of its lines asked once.
TEST(FirstWait, DataStateAndLateModuleBothCompleteWithOneRepair)
{
    struct Case {
        bool commandState;
        int replyDelayMs, answerMs, firstMs;
    };
    for (const Case c : {Case{false, 5, 60000, 200}, Case{true, 150, 5000, 60}}) {
        SCOPED_TRACE(c.commandState ? "late module" : "data state");
        SimOptions so;
        so.startInCommandState = c.commandState;
        so.replyDelayMs = c.replyDelayMs;
        SimModule sim(so);
        ASSERT_TRUE(sim.start());
        sim.setParam("HEARTTM", "42");
        TProtocolTimings t;
        t.answerMs = c.answerMs;
        t.firstAnswerMs = c.firstMs;
        Session r(sim, t);
        ASSERT_TRUE(r.w->ComOpened());
        r.w->btnDoClick(10);
        ASSERT_TRUE(r.waitFor([&] { return r.ended.has_value(); }, 60000));
        EXPECT_EQ(r.ended->end, TOpEnd::Complete);
        EXPECT_TRUE(r.ended->unread.isEmpty());
        EXPECT_TRUE(r.ended->refused.isEmpty());
        EXPECT_EQ(r.ended->answers.value("HEARTTM"), QByteArray("42"));
        EXPECT_EQ(r.sentCount("+++"), 1);
        EXPECT_EQ(r.sentCount("AT+VER?\r\n"), 2);
        const QList<QByteArray> &lines = r.w->protocol()->orders().lines;
        for (const QByteArray &l : lines) {
            if (l != "AT+VER?\r\n" && l != "+++" && l != "a") {
                EXPECT_EQ(r.sentCount(l), 1) << l.toStdString();
            }
        }
        EXPECT_EQ(r.w->protocol()->OrderIndex(), int(lines.size()) - 1);
        EXPECT_TRUE(r.errors.empty());
    }
}
