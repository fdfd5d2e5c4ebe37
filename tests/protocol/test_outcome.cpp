// What the module said, as the protocol reports it when an operation ends, and
// the setting plan that Set All, --all and verify share.
#include "FakeForm.h"

#include "lang/AppLang.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Recorder {
    std::vector<TOpOutcome> ended;
    explicit Recorder(Protocol &p)
    {
        QObject::connect(&p, &Protocol::operationEnded, [this](const TOpOutcome &o) { ended.push_back(o); });
    }
};

// Answers like the module, except that the query of `stale` gets the previous answer again.
void runWithStale(Rig &r, const QByteArray &stale)
{
    QByteArray previous;
    while (r.answered < r.sent.size()) {
        const QByteArray line = r.sent[r.answered++];
        const QByteArray word = WordOfLine(line);
        const bool refused = std::find(r.refuse.begin(), r.refuse.end(), word) != r.refuse.end();
        const QByteArray answer = refused ? QByteArray("\r\n+ERR:5\r\n\r\n")
                                  : word == stale ? previous
                                                  : Rig::answerTo(line, r.values);
        previous = answer;
        r.proto->DispatchRcv(answer);
    }
}

} // namespace

TEST(Outcome, EachWayAnOperationEndsIsReportedOnceWithWhatTheModuleSaid)
{
    EnglishTexts en;
    struct Case {
        const char *name;
        int button;
        std::vector<QByteArray> refuse;
        QByteArray stale;
        int timeouts; // answer time-outs instead of answers
        bool cancel;
        TOpEnd end;
        QList<QByteArray> refused, unread;
    };
    const Case cases[] = {
        {"complete", 10, {}, {}, 0, false, TOpEnd::Complete, {}, {}},
        {"one query refused", 10, {"APN"}, {}, 0, false, TOpEnd::Complete, {"APN"}, {}},
        {"version refused", 10, {"VER"}, {}, 0, false, TOpEnd::Complete, {"VER"}, {}},
        {"stale answer", 10, {}, "STMSG", 0, false, TOpEnd::Complete, {}, {"STMSG"}},
        {"silent module", 10, {}, {}, 2, false, TOpEnd::NoAnswer, {}, {"VER"}},
        {"port closed", 11, {}, {}, 0, true, TOpEnd::Cancelled, {}, {"VER"}},
    };
    for (const Case &c : cases) {
        Rig r;
        Recorder rec(*r.proto);
        r.values = {{"STMSG", "MODULE-WELCOME"}, {"APN", "CMIOT,,"}};
        r.refuse = c.refuse;
        r.proto->btnDoClick(c.button);
        for (int i = 0; i < c.timeouts; ++i)
            r.proto->tmrRcvTimer();
        if (c.cancel)
            r.proto->CancelQueue();
        else if (!c.timeouts)
            runWithStale(r, c.stale);
        ASSERT_EQ(rec.ended.size(), 1u) << c.name;
        const TOpOutcome &o = rec.ended.front();
        EXPECT_EQ(o.end, c.end) << c.name;
        EXPECT_EQ(o.refused, c.refused) << c.name;
        EXPECT_EQ(o.unread, c.unread) << c.name;
        EXPECT_EQ(o.bulk, c.button == 10 ? TBulkMode::GetAll : TBulkMode::SetAll) << c.name;
        // Only a value the module gave for a word is that word's answer.
        const bool read = c.end == TOpEnd::Complete && c.stale.isEmpty() && !c.refused.contains("VER");
        EXPECT_EQ(o.answers.value("STMSG", "<none>"), read ? "MODULE-WELCOME" : "<none>") << c.name;
        EXPECT_EQ(o.answers.contains("APN"), c.end == TOpEnd::Complete && c.refused.isEmpty()) << c.name;
    }
}

TEST(Outcome, TheProgramsOwnTextsFromTheLineEndNothing)
{
    EnglishTexts en;
    Rig r;
    Recorder rec(*r.proto);
    r.proto->btnDoClick(10);
    for (const QByteArray &text : {LangText("info_DoOver"), LangText("info_FwUpOver"), QByteArray("Operation complete\r\n")})
        r.proto->DispatchRcv(text);
    EXPECT_TRUE(rec.ended.empty());
    EXPECT_EQ(r.proto->queueState(), TQueueState::Waiting);
    EXPECT_EQ(r.console.count(LineKind::Rcv, LangText("info_DoOver")), 1);
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 0);
}

TEST(Outcome, SetAllReportsTheLinesTheModuleAccepted)
{
    EnglishTexts en;
    Rig r;
    Recorder rec(*r.proto);
    r.refuse = {"UART"};
    r.proto->btnDoClick(11);
    r.runModule();
    ASSERT_EQ(rec.ended.size(), 1u);
    const TOpOutcome &o = rec.ended.front();
    EXPECT_TRUE(o.accepted.contains("WKMOD"));
    EXPECT_TRUE(o.accepted.contains("UARTFL"));
    EXPECT_FALSE(o.accepted.contains("UART"));
    EXPECT_EQ(o.refused, QList<QByteArray>{"UART"});
}

TEST(SettingPlan, SaysWhySetAllLeavesAValueOutAndWriteAllTakesEveryValue)
{
    Rig r;
    r.w<QRadioButton>("rbNetTran")->setChecked(true);
    r.box("rzchckbxMore")->setChecked(false);
    r.box("rzchckbxSktB")->setChecked(false);
    r.box("rzchckbxRegEn")->setChecked(true);
    r.cbb("cbbRegTp")->setCurrentIndex(2);
    r.cbb("cbbHeartSnd")->setCurrentIndex(-1);
    QMap<QByteArray, TSkip> skip;
    for (const TSetting &s : r.proto->codec().Plan())
        skip.insert(CmdToStr(s.cmd), s.skip);
    const std::pair<const char *, TSkip> expected[] = {
        {"WKMOD", TSkip::None},    {"SOCKBEN", TSkip::None},       {"SOCKB", TSkip::SocketOff},
        {"REGID", TSkip::None},    {"CLOUD", TSkip::RegType},      {"REGDT", TSkip::RegType},
        {"HTPURL", TSkip::WorkMode}, {"DSTNUM", TSkip::WorkMode},  {"APN", TSkip::MoreOff},
        {"UARTFT", TSkip::None},   {"HEARTSND", TSkip::NoItem},
    };
    for (const auto &[word, want] : expected)
        EXPECT_EQ(skip.value(word, TSkip(99)), want) << word;

    auto written = [&r] {
        r.proto->orders().ClearOrders();
        r.proto->AddSetAllOrders();
        QSet<QByteArray> words;
        for (const QByteArray &l : r.proto->orders().lines)
            words.insert(WordOfLine(l));
        return words;
    };
    EXPECT_FALSE(written().contains("APN"));
    r.proto->codec().SetWriteAll(true);
    QSet<QByteArray> all = written();
    for (const char *w : {"APN", "SOCKB", "CLOUD", "HTPURL", "DSTNUM"})
        EXPECT_TRUE(all.contains(w)) << w;
    EXPECT_FALSE(all.contains("HEARTSND")); // no item: there is no value to write
    r.proto->codec().SetOmitted({"APN", "SOCKB"});
    all = written();
    EXPECT_FALSE(all.contains("APN") || all.contains("SOCKB"));
}
