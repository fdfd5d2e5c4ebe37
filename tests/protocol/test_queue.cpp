// Command words, line forms, the queue, sending and the answer time-out.
#include "FakeForm.h"
#include "lang/AppLang.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <QElapsedTimer>
#include <gtest/gtest.h>

TEST(Catalogue, WordsRoundTripAndKeepTheirNumbers)
{
    for (int n = 0; n < kCmdCount; ++n) {
        const auto c = CmdFromNumber(n);
        ASSERT_TRUE(c);
        const QByteArray w = CmdToStr(*c);
        ASSERT_FALSE(w.isEmpty()) << n;
        EXPECT_EQ(StrToCmd(w), c) << w.constData();
        EXPECT_EQ(StrToCmd(w.toLower()), c) << w.constData();
    }
    EXPECT_EQ(StrToCmd("csq"), TCmd::CSQ);
    EXPECT_EQ(static_cast<int>(TCmd::CSQ), 61);
    EXPECT_EQ(static_cast<int>(*StrToCmd("CLOUD")), 60);
    EXPECT_EQ(static_cast<int>(*StrToCmd("SOCKIND")), 41);
    EXPECT_EQ(static_cast<int>(*StrToCmd("HEARTEN")), 47);
    EXPECT_EQ(static_cast<int>(*StrToCmd("UART")), 16);
    EXPECT_FALSE(StrToCmd("SMSEND"));
    EXPECT_FALSE(StrToCmd(""));
    EXPECT_FALSE(StrToCmd("VER "));
    EXPECT_FALSE(CmdFromNumber(62));
    EXPECT_FALSE(CmdFromNumber(-1));
}

TEST(OrderListTest, LineForms)
{
    OrderList q;
    q.AddQuery(TCmd::VER);
    EXPECT_EQ(q.GetOrder(0), QByteArray::fromHex("41542B5645523F0D0A"));
    q.AddSetting(TCmd::STMSG, "");
    EXPECT_EQ(q.GetOrder(1), QByteArray("AT+STMSG=\r\n"));
    EXPECT_EQ(q.GetOrder(1).size(), 11);
    q.AddSetting("WKMOD", "NET");
    q.AddSetting(TCmd::WKMOD, "NET");
    EXPECT_EQ(q.GetOrder(2), q.GetOrder(3));
    q.AddSetting(TCmd::APN, "a, \"b\"");
    EXPECT_EQ(q.GetOrder(4), QByteArray("AT+APN=a, \"b\"\r\n"));
    q.AddOrder("+++");
    EXPECT_EQ(q.GetOrder(5), QByteArray("+++"));
    EXPECT_EQ(q.GetOrder(6), QByteArray());
    EXPECT_EQ(q.GetOrder(-1), QByteArray());
    q.ClearOrders();
    EXPECT_EQ(q.count(), 0);
    EXPECT_EQ(q.OrderIndex, 0);
}

TEST(SendToComTest, EmptyClosedAndOpen)
{
    Rig r;
    r.open = false;
    r.proto->SendToCom("");
    EXPECT_TRUE(r.console.lines.empty());
    r.open = true;
    r.proto->SendToCom("");
    EXPECT_TRUE(r.console.lines.empty());
    EXPECT_TRUE(r.sent.empty());

    r.proto->SendToCom("AT+E?\r\n");
    ASSERT_EQ(r.sent.size(), 1u);
    EXPECT_EQ(r.proto->LastSend(), QByteArray("AT+E?\r\n"));
    EXPECT_EQ(r.console.count(LineKind::Send, "AT+E?\r\n"), 1);

    r.open = false;
    r.proto->SendToCom("AT+VER?\r\n");
    EXPECT_EQ(r.sent.size(), 1u);
    EXPECT_EQ(r.proto->LastSend(), QByteArray("AT+E?\r\n"));
    EXPECT_EQ(r.console.count(LineKind::Err, LangText("info_ComNoOpen")), 1);
}

TEST(SendToComTest, ClosedPortMessageInEnglish)
{
    LangList = new TLangList;
    RegisterTexts();
    LangList->IsChinese = false;
    Rig r;
    r.open = false;
    r.proto->SendToCom("AT+VER?\r\n");
    FreeLanguage();
    EXPECT_EQ(r.console.count(LineKind::Err, "Serial port is not open"), 1);
}

TEST(SendToComTest, LongTextGoesOutWholeInPieces)
{
    Rig r;
    QByteArray big;
    for (int i = 0; i < 140000; ++i)
        big.append(char('0' + i % 43));
    r.proto->SendToCom(big);
    ASSERT_GE(r.sent.size(), 3u);
    QByteArray joined;
    for (const QByteArray &piece : r.sent) {
        EXPECT_LE(piece.size(), 65535);
        EXPECT_FALSE(piece.isEmpty());
        joined += piece;
    }
    EXPECT_EQ(joined, big);
    EXPECT_EQ(r.console.count(LineKind::Send), 1);
    EXPECT_EQ(r.proto->LastSend(), big);
}

TEST(SendOrderTest, ArmsTimeoutOnlyForALine)
{
    Rig r;
    r.proto->orders().AddQuery(TCmd::E);
    r.proto->SendOrder(1);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_FALSE(r.timer.isActive());

    r.open = false; // the time-out is armed even when nothing could be written
    r.proto->SendOrder(0);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_TRUE(r.timer.isActive());
    r.proto->SendOrder(5);
    EXPECT_TRUE(r.timer.isActive());
}

TEST(SendOrderTest, DirectCommandLeavesQueueAlone)
{
    Rig r;
    r.proto->btnDoClick(10);
    r.proto->orders().AddQuery(TCmd::E);
    r.proto->orders().OrderIndex = 1;
    r.timer.stop();
    r.proto->SendAtCmd("CSQ");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+CSQ\r\n"));
    EXPECT_EQ(r.proto->orders().count(), 2);
    EXPECT_EQ(r.proto->OrderIndex(), 1);
    EXPECT_FALSE(r.timer.isActive());
}

TEST(TimeoutRepair, ByLineInFlight)
{
    struct Case {
        std::vector<QByteArray> queue;
        int index;
        std::vector<QByteArray> after;
    };
    const QByteArray e = "AT+E?\r\n", v = "AT+VER?\r\n";
    const Case cases[] = {
        {{v, e}, 1, {v, "+++", "a", e}},
        {{v, "+++", "a", e}, 2, {v, "+++", "+++", "a", e}},
        {{"+++", "a"}, 0, {"+++", "a"}},
        {{}, 0, {"+++", "a"}},
    };
    for (const Case &c : cases) {
        Rig r;
        for (const QByteArray &l : c.queue)
            r.proto->orders().AddOrder(l);
        r.proto->orders().OrderIndex = c.index;
        r.timer.start();
        r.proto->tmrRcvTimer();
        EXPECT_EQ(queueLines(*r.proto), c.after);
        EXPECT_EQ(r.lastSent(), QByteArray("+++"));
        EXPECT_TRUE(r.timer.isActive()); // the repair has its own deadline
        EXPECT_EQ(r.proto->OrderIndex(), c.index);
    }
}

TEST(TimeoutRepair, IndexPastTheEndRepairsAtTheEnd)
{
    Rig r;
    r.proto->orders().AddQuery(TCmd::E);
    r.proto->orders().OrderIndex = 7; // after several error answers
    r.proto->tmrRcvTimer();
    EXPECT_EQ(queueLines(*r.proto), (std::vector<QByteArray>{"AT+E?\r\n", "+++", "a"}));
    EXPECT_EQ(r.lastSent(), QByteArray("+++"));
}

TEST(TimeoutRepair, TheAnswerTimeOutFiresAtFiveSeconds)
{
    Rig r;
    r.timer.setInterval(5000);
    TProtocolTimings noShortWait;
    noShortWait.firstAnswerMs = 0; // the first line's own short wait is FirstWait's
    r.proto->setTimings(noShortWait);
    QElapsedTimer t;
    r.proto->AskVersion();
    t.start();
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(8000);
    while (r.lastSent() != "+++" && guard.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    ASSERT_EQ(r.lastSent(), QByteArray("+++"));
    EXPECT_NEAR(double(t.elapsed()), 5000.0, 50.0);
}

TEST(TimeoutRepair, TimerFiringRunsTheRepair)
{
    Rig r;
    r.timer.setInterval(1);
    r.proto->AskVersion();
    ASSERT_TRUE(r.timer.isActive());
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(2000);
    while (r.lastSent() != "+++" && guard.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(r.lastSent(), QByteArray("+++"));
    EXPECT_TRUE(r.timer.isActive());
}

// The waits a run takes from its environment: any of the four, in any order; a wrong
// name, a number that is none or out of range leaves every wait as it was.
TEST(Timings, ParsedFromTheEnvironmentText)
{
    const struct {
        const char *text;
        bool ok;
        int answer, repair, watch, first;
    } cases[] = {
        {"", true, 5000, 5000, 5000, 500},
        {"answer=1500,repair=1200", true, 1500, 1200, 5000, 500},
        {" first = 0 , watch=900", true, 5000, 5000, 900, 0},
        {"answer=0", false, 5000, 5000, 5000, 500},
        {"answer=1500,wait=3", false, 5000, 5000, 5000, 500},
        {"repair=fast", false, 5000, 5000, 5000, 500},
        {"first=-1", false, 5000, 5000, 5000, 500},
        {"answer=9999999", false, 5000, 5000, 5000, 500},
    };
    for (const auto &c : cases) {
        TProtocolTimings t;
        QString why;
        EXPECT_EQ(ParseTimings(QString::fromLatin1(c.text), &t, &why), c.ok) << c.text;
        EXPECT_EQ(why.isEmpty(), c.ok) << c.text;
        EXPECT_EQ(t.answerMs, c.answer) << c.text;
        EXPECT_EQ(t.repairMs, c.repair) << c.text;
        EXPECT_EQ(t.commandWatchMs, c.watch) << c.text;
        EXPECT_EQ(t.firstAnswerMs, c.first) << c.text;
    }
}
