// Every operation ends audibly: a silent module stops it, a closed port cancels
// it, refused parameters are named after "Operation complete".
#include "FakeForm.h"
#include "lang/AppLang.h"

#include <gtest/gtest.h>

namespace {

// The stops a protocol reports, in order.
struct Stops {
    std::vector<TQueueState> seen;
    explicit Stops(Protocol &p)
    {
        QObject::connect(&p, &Protocol::queueStopped, [this](TQueueState s) { seen.push_back(s); });
    }
};

bool barShown(Rig &r) { return r.w<QProgressBar>("rzpbWhile")->isVisibleTo(&r.form); }

} // namespace

TEST(SilentModule, RepairThenStopWithOneRedLine)
{
    EnglishTexts en;
    Rig r;
    Stops stopped(*r.proto);
    r.proto->btnDoClick(10);
    EXPECT_EQ(r.proto->queueState(), TQueueState::Waiting);
    r.proto->tmrRcvTimer(); // first time-out: the repair
    EXPECT_EQ(r.lastSent(), QByteArray("+++"));
    EXPECT_EQ(stopped.seen.size(), 0u);
    r.proto->tmrRcvTimer(); // the repair got nothing either
    EXPECT_EQ(stopped.seen.size(), 1u);
    EXPECT_EQ(stopped.seen.at(0), TQueueState::NoAnswer);
    EXPECT_EQ(r.proto->queueState(), TQueueState::NoAnswer);
    EXPECT_EQ(r.proto->orders().count(), 0);
    EXPECT_FALSE(r.timer.isActive());
    EXPECT_FALSE(barShown(r));
    EXPECT_EQ(r.proto->BulkMode(), TBulkMode::None);
    ASSERT_EQ(r.console.count(LineKind::Err), 1);
    EXPECT_TRUE(r.console.lines.back().text.startsWith("The module does not answer"));
    EXPECT_TRUE(r.console.lines.back().text.contains("baud rate"));

    // A late version answer starts nothing; the next Get All runs normally.
    const size_t before = r.sent.size();
    r.proto->DispatchRcv("\r\n+VER:V2.0.0\r\n\r\nOK\r\n");
    EXPECT_EQ(r.sent.size(), before);
    EXPECT_EQ(r.proto->orders().count(), 0);
    r.answered = r.sent.size();
    r.proto->btnDoClick(10);
    EXPECT_EQ(r.lastSent(), QByteArray("AT+VER?\r\n"));
    r.runModule();
    EXPECT_EQ(r.proto->queueState(), TQueueState::Complete);
    EXPECT_EQ(r.sent.size(), before + 50);
}

TEST(SilentModule, UnrecognisedBlocksDoNotStopTheTimeOut)
{
    Rig r;
    r.proto->btnDoClick(10);
    // A module in its data state forwards the server's data; half an answer
    // looks the same. Neither may hold the repair back.
    r.proto->DispatchRcv("server heartbeat\r\n");
    EXPECT_TRUE(r.timer.isActive());
    r.proto->tmrRcvTimer();
    EXPECT_EQ(r.lastSent(), QByteArray("+++"));
    r.proto->DispatchRcv("\r\n+VER:V2.0");
    EXPECT_TRUE(r.timer.isActive());
    // The entry replies count as answers: the repair worked, so a later silence
    // on another line repairs again instead of stopping.
    r.proto->DispatchRcv("a");
    r.proto->DispatchRcv("+ok\r\n");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+VER?\r\n"));
    r.proto->DispatchRcv("\r\n+VER:V2.0.0\r\n\r\nOK\r\n");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+E?\r\n"));
    r.proto->tmrRcvTimer();
    EXPECT_EQ(r.lastSent(), QByteArray("+++"));
    EXPECT_EQ(r.proto->queueState(), TQueueState::Waiting);
    EXPECT_EQ(r.console.count(LineKind::Err), 0);
}

TEST(SilentModule, ALineUnansweredAgainAfterItsRepairStops)
{
    // A module that always garbles its answer (a wrong baud rate) answers the
    // entry but never the line itself: one repair, then the stop.
    Rig r;
    r.proto->btnDoClick(10);
    r.proto->DispatchRcv("\x81\x9f\xfe");
    r.proto->tmrRcvTimer();
    r.proto->DispatchRcv("a");
    r.proto->DispatchRcv("+ok\r\n");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+VER?\r\n"));
    r.proto->DispatchRcv("\x81\x9f\xfe");
    r.proto->tmrRcvTimer();
    EXPECT_EQ(r.proto->queueState(), TQueueState::NoAnswer);
    EXPECT_EQ(r.lastSent(), QByteArray("AT+VER?\r\n"));
}

TEST(SilentModule, ServerLineJoinedToTheEntryReplyStillCounts)
{
    Rig r;
    r.proto->btnDoClick(10);
    r.proto->tmrRcvTimer();
    r.proto->DispatchRcv("server heartbeat\r\na");
    EXPECT_EQ(r.console.count(LineKind::Rcv, "server heartbeat\r\n"), 1);
    EXPECT_EQ(r.lastSent(), QByteArray("a"));
    // Only right after "+++": elsewhere such a block is plain information.
    r.proto->DispatchRcv("more\r\na");
    EXPECT_EQ(r.console.count(LineKind::Rcv, "more\r\na"), 1);
    EXPECT_EQ(r.lastSent(), QByteArray("a"));
}

TEST(SilentModule, EnterCfgModeWithoutAnswerStopsAfterTheSecondTry)
{
    Rig r;
    r.proto->btnDoClick(12);
    r.proto->tmrRcvTimer();
    EXPECT_EQ(queueLines(*r.proto), (std::vector<QByteArray>{"+++", "a"}));
    EXPECT_EQ(r.sent, (std::vector<QByteArray>{"+++", "+++"}));
    r.proto->tmrRcvTimer();
    EXPECT_EQ(r.proto->queueState(), TQueueState::NoAnswer);
    EXPECT_EQ(r.sent.size(), 2u);
}

TEST(CancelQueue, OnlyAWaitingOperationIsCancelled)
{
    EnglishTexts en;
    Rig r;
    Stops stopped(*r.proto);
    r.proto->CancelQueue(); // nothing runs
    EXPECT_EQ(stopped.seen.size(), 0u);
    EXPECT_EQ(r.console.count(LineKind::Err), 0);

    r.form.show();
    r.proto->btnDoClick(10);
    r.runModule(3); // VER answered, the Get All list is running
    ASSERT_TRUE(barShown(r));
    r.proto->CancelQueue();
    ASSERT_EQ(stopped.seen.size(), 1u);
    EXPECT_EQ(stopped.seen.at(0), TQueueState::Cancelled);
    EXPECT_FALSE(barShown(r));
    EXPECT_FALSE(r.timer.isActive());
    EXPECT_EQ(r.console.count(LineKind::Err, "The serial port was closed; operation cancelled."), 1);

    // A finished run is not cancelled afterwards.
    r.answered = r.sent.size();
    r.proto->btnDoClick(18);
    r.runModule();
    r.proto->CancelQueue();
    EXPECT_EQ(stopped.seen.size(), 1u);
}

TEST(Refusals, NamedOnceAfterCompletionAndReported)
{
    EnglishTexts en;
    Rig r;
    std::vector<QList<QByteArray>> refused;
    QObject::connect(r.proto.get(), &Protocol::paramsRefused,
                     [&](const QList<QByteArray> &w) { refused.push_back(w); });
    r.box("rzchckbxSktA")->setChecked(true);
    r.box("rzchckbxHeartEn")->setChecked(true);
    r.refuse = {"HEARTTM", "SOCKA"};
    r.proto->btnDoClick(11);
    r.runModule();
    const int done = [&] {
        for (size_t i = 0; i < size_t(r.console.lines.size()); ++i)
            if (r.console.lines[i].text == "Operation complete")
                return int(i);
        return -1;
    }();
    ASSERT_GE(done, 0);
    ASSERT_EQ(int(size_t(r.console.lines.size())), done + 2);
    EXPECT_EQ(r.console.lines.back(),
              (RecordedLine{LineKind::Err, "Refused by the module: SOCKA, HEARTTM"}));
    EXPECT_EQ(r.console.count(LineKind::RcvErr, "\r\n+ERR:5\r\n\r\n"), 2); // each refusal still shown
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused.at(0), (QList<QByteArray>{"SOCKA", "HEARTTM"}));

    // A clean run names nothing.
    r.refuse.clear();
    r.proto->btnDoClick(11);
    r.runModule();
    EXPECT_EQ(refused.size(), 1u);
    EXPECT_EQ(r.console.count(LineKind::Err), 1);
}

TEST(Unread, AGetAllNamesTheQueriesNoAnswerNamedAfterCompletion)
{
    EnglishTexts en;
    Rig r;
    std::vector<QList<QByteArray>> unread;
    QObject::connect(r.proto.get(), &Protocol::paramsUnread,
                     [&](const QList<QByteArray> &w) { unread.push_back(w); });
    // A clean Get All, also with a refusal in it, names nothing unread.
    r.values = {{"VER", "V1.0.3"}};
    r.refuse = {"CMDPW"};
    r.proto->btnDoClick(10);
    r.runModule();
    EXPECT_EQ(r.console.count(LineKind::Info, "Operation complete"), 1);
    EXPECT_TRUE(unread.empty());
    r.refuse.clear();

    // The module repeats its last answer instead of answering STMSG and SN: the
    // stray answers move the queue on, the two values never arrive.
    r.proto->btnDoClick(10);
    QByteArray previous;
    for (int guard = 0; r.answered < r.sent.size() && guard < 500; ++guard) {
        const QByteArray line = r.sent[r.answered++];
        const bool skip = line == "AT+STMSG?\r\n" || line == "AT+SN?\r\n";
        const QByteArray answer = skip ? previous : Rig::answerTo(line, r.values);
        previous = answer;
        r.proto->DispatchRcv(answer);
    }
    EXPECT_EQ(r.console.count(LineKind::Info, "Operation complete"), 2);
    EXPECT_EQ(r.console.lines.back(),
              (RecordedLine{LineKind::Err, "Not read (no answer from the module): STMSG, SN"}));
    ASSERT_EQ(unread.size(), 1u);
    EXPECT_EQ(unread.at(0), (QList<QByteArray>{"STMSG", "SN"}));

    // Set All reads nothing, so it names nothing.
    r.proto->btnDoClick(11);
    r.runModule();
    EXPECT_EQ(unread.size(), 1u);
}

TEST(Refusals, ControlsOfAWord)
{
    Rig r;
    const FormControls &c = r.proto->controls();
    EXPECT_EQ(ControlsOf(c, TCmd::SOCKB),
              (QList<QWidget *>{r.cbb("cbbProtocolB"), r.edt("edtAddrB"), r.edt("edtPortB")}));
    EXPECT_EQ(ControlsOf(c, TCmd::HEARTTM), QList<QWidget *>{r.edt("edtHeartTm")});
    EXPECT_EQ(ControlsOf(c, TCmd::SOCKDTO), QList<QWidget *>{r.edt("edtSockDTo")});
    EXPECT_EQ(ControlsOf(c, TCmd::UART).size(), 5);
    EXPECT_TRUE(ControlsOf(c, TCmd::CSQ).isEmpty());
    EXPECT_EQ(WordOfLine("AT+SOCKA=TCP,a,1\r\n"), QByteArray("SOCKA"));
    EXPECT_EQ(WordOfLine("AT+VER?\r\n"), QByteArray("VER"));
    EXPECT_EQ(WordOfLine("AT+CSQ\r\n"), QByteArray("CSQ"));
    EXPECT_TRUE(WordOfLine("+++").isEmpty());
}
