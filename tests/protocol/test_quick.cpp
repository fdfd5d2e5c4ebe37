// Command buttons, the send box and text messages.
#include "FakeForm.h"
#include "tests/common/TestWait.h"
#include "lang/AppLang.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

TEST(Buttons, BareCommandsAndVersion)
{
    Rig r;
    r.proto->btnDoClick(23);
    EXPECT_EQ(r.lastSent(), QByteArray("AT+CSQ\r\n"));
    EXPECT_EQ(r.lastSent().size(), 8);
    EXPECT_FALSE(r.timer.isActive());
    const std::pair<int, const char *> bare[] = {{16, "H"}, {17, "Z"}, {19, "CFGTF"}, {20, "RELD"}, {21, "CLEAR"}};
    for (const auto &[tag, word] : bare) {
        r.proto->btnDoClick(tag);
        EXPECT_EQ(r.lastSent(), "AT+" + QByteArray(word) + "\r\n");
    }
    const size_t n = r.sent.size();
    for (int tag : {22, 0, 14, 15, 24, -1})
        r.proto->btnDoClick(tag);
    EXPECT_EQ(r.sent.size(), n);

    r.proto->btnDoClick(18);
    EXPECT_EQ(r.lastSent(), QByteArray("AT+VER?\r\n"));
    EXPECT_TRUE(r.timer.isActive());
    r.proto->DispatchRcv("\r\n+VER:V1.0.3\r\n\r\nOK\r\n");
    EXPECT_EQ(r.sent.size(), n + 1);
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 1);
    EXPECT_EQ(r.proto->BulkMode(), TBulkMode::None);
}

TEST(Buttons, EnterAndLeaveCommandState)
{
    Rig r;
    r.proto->btnDoClick(12);
    EXPECT_EQ(queueLines(*r.proto), (std::vector<QByteArray>{"+++", "a"}));
    EXPECT_EQ(r.lastSent(), QByteArray("+++"));
    EXPECT_EQ(r.proto->BulkMode(), TBulkMode::None);
    r.proto->DispatchRcv("a");
    EXPECT_EQ(r.lastSent(), QByteArray("a"));
    r.proto->DispatchRcv("+ok\r\n");
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 1);

    r.timer.stop();
    r.proto->btnDoClick(13);
    EXPECT_EQ(r.proto->orders().count(), 0);
    EXPECT_EQ(r.lastSent(), QByteArray("AT+ENTM\r\n"));
    EXPECT_FALSE(r.timer.isActive());
    r.proto->DispatchRcv("\r\nOK\r\n\r\n");
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 2);
}

TEST(Buttons, RestartAnswerIsReported)
{
    Rig r;
    r.proto->btnDoClick(17);
    r.proto->DispatchRcv("\r\n+Z:\r\n\r\nOK\r\n");
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_Restarting")), 1);
}

TEST(Buttons, ACommandLeftUnansweredGetsOneRedLineAfterTheAnswerTime)
{
    Rig r;
    r.proto->btnDoClick(19);
    EXPECT_TRUE(r.proto->commandUnanswered());
    r.proto->DispatchRcv("\r\nOK\r\n\r\n");
    EXPECT_FALSE(r.proto->commandUnanswered());
    r.proto->btnDoClick(21);
    r.proto->DispatchRcv("\r\n+ERR:5\r\n\r\n"); // red already
    EXPECT_FALSE(r.proto->commandUnanswered());
    // Neither the echo nor forwarded server data answers it.
    r.proto->btnDoClick(23);
    r.proto->DispatchRcv("AT+CSQ\r\n");
    r.proto->DispatchRcv("server data\r\n");
    EXPECT_TRUE(r.proto->commandUnanswered());
    r.proto->CancelQueue(); // the port was closed
    EXPECT_FALSE(r.proto->commandUnanswered());
    r.open = false; // a line that never went out is not awaited
    r.proto->btnDoClick(23);
    EXPECT_FALSE(r.proto->commandUnanswered());
    r.open = true;

    const QByteArray want = LangText("info_CmdNoAnswer").replace("%s", "AT+ENTM");
    TProtocolTimings waits;
    waits.commandWatchMs = 400; // the program's 5 s, shortened
    r.proto->setTimings(waits);
    const size_t before = r.sent.size();
    QElapsedTimer t;
    t.start();
    r.proto->btnDoClick(13);
    while (r.console.count(LineKind::Err, want) == 0 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_EQ(r.console.count(LineKind::Err, want), 1);
    EXPECT_GE(t.elapsed(), 390);
    EXPECT_EQ(r.sent.size(), before + 1); // nothing is sent again
    EXPECT_EQ(r.lastSent(), QByteArray("AT+ENTM\r\n"));
}

TEST(SendBox, AutomaticLineEnd)
{
    struct Case {
        QString typed;
        bool autoCR;
        QByteArray out;
    };
    const Case cases[] = {
        {"at", true, "at\r\n"},
        {"At+E?", true, "At+E?\r\n"},
        {"at\n", true, "at\r\n"},
        {"AT+E?\nline2", true, "AT+E?\r\nline2\r\n"},
        {"+++", true, "+++"},
        {"a", true, "a"},
        {"A", true, "A"},
        {"xat", true, "xat"},
        {"AT+E?", false, "AT+E?"},
    };
    for (const Case &c : cases) {
        Rig r;
        r.w<QAction>("mniAutoCR")->setChecked(c.autoCR);
        r.w<QPlainTextEdit>("edtSend")->setPlainText(c.typed);
        r.proto->actSendExecute();
        EXPECT_EQ(r.lastSent(), c.out) << c.typed.toStdString();
        EXPECT_EQ(r.w<QPlainTextEdit>("edtSend")->toPlainText(), c.typed); // kept after sending
    }
    Rig r;
    r.proto->actSendExecute();
    EXPECT_TRUE(r.sent.empty());
    EXPECT_TRUE(r.console.lines.empty());
}

TEST(SendBox, ResetsBulkModeSoALaterVersionAppendsNothing)
{
    Rig r;
    r.proto->btnDoClick(10);
    EXPECT_EQ(r.proto->BulkMode(), TBulkMode::GetAll);
    r.proto->DispatchRcv("\r\n+ERR:1\r\n\r\n"); // the version query refused: the run is over
    EXPECT_EQ(r.proto->BulkMode(), TBulkMode::GetAll);
    r.w<QPlainTextEdit>("edtSend")->setPlainText("AT+VER?\r\n");
    r.proto->actSendExecute();
    EXPECT_EQ(r.proto->BulkMode(), TBulkMode::None);
    r.proto->DispatchRcv("\r\n+VER:V1.0.3\r\n\r\nOK\r\n");
    EXPECT_EQ(r.proto->orders().count(), 1);
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 2);
}

// Whatever is pressed or sent while an operation waits would take its answers.
TEST(OneOperation, NothingStartsWhileAnotherWaits)
{
    Rig r;
    r.proto->btnDoClick(10);
    r.proto->DispatchRcv("\r\n+VER:V1.0.3\r\n\r\nOK\r\n");
    const QList<QByteArray> queue = r.proto->orders().lines;
    const size_t sent = r.sent.size();
    r.w<QPlainTextEdit>("edtSend")->setPlainText("AT+CSQ");
    for (int tag : {10, 11, 12, 13, 17, 18, 23, -1}) {
        if (tag < 0)
            r.proto->actSendExecute();
        else
            r.proto->btnDoClick(tag);
        EXPECT_EQ(r.sent.size(), sent) << tag;
        EXPECT_EQ(r.proto->orders().lines, queue) << tag;
        EXPECT_EQ(r.proto->BulkMode(), TBulkMode::GetAll) << tag;
    }
    EXPECT_EQ(r.console.count(LineKind::Err, LangText("info_OpBusy")), 8);
    // Once the run is over the buttons work again.
    r.proto->CancelQueue();
    r.proto->btnDoClick(18);
    EXPECT_EQ(r.lastSent(), QueryLine(TCmd::VER));
}

TEST(SendBox, TypeDecidesTheRoute)
{
    Rig r;
    auto *type = r.w<QToolButton>("btnSendTpye");
    r.w<QPlainTextEdit>("edtSend")->setPlainText("line1\nline2");
    r.edt("edtReTelNum")->setText("138 0013 8000");
    type->setProperty("Tag", 0);
    r.proto->actSendExecute();
    type->setProperty("Tag", 7);
    r.proto->actSendExecute();
    EXPECT_TRUE(r.sent.empty());
    type->setProperty("Tag", 2);
    r.proto->actSendExecute();
    EXPECT_EQ(r.lastSent(), QByteArray("AT+SMSEND=13800138000,3,line1line2\r\n"));
}

TEST(Sms, CleanUpAndEmptyParts)
{
    Rig r;
    r.proto->SendSms("1 2", "a\rb\nc");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+SMSEND=12,3,a\rb\nc\r\n"));
    r.sent.clear();
    r.console.lines.clear();
    r.open = false;
    r.proto->SendSms("   ", "text");
    r.proto->SendSms("123", "\r\n\r\n");
    r.proto->SendSms("", "");
    EXPECT_TRUE(r.sent.empty());
    EXPECT_TRUE(r.console.lines.empty());
    r.proto->SendAtSetting("WKMOD", "NET");
    EXPECT_EQ(r.console.count(LineKind::Err, LangText("info_ComNoOpen")), 1);
}

// Every command button on a closed port: one red line saying what to do, nothing sent,
// nothing waiting that could add a line later.
TEST(Buttons, OnAClosedPortEachSaysOpenThePortFirstAndNothingElse)
{
    for (const int tag : {10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23}) {
        Rig r;
        r.open = false;
        r.proto->btnDoClick(tag);
        ASSERT_EQ(r.console.lines.size(), 1) << tag;
        EXPECT_EQ(r.console.lines[0], (RecordedLine{LineKind::Err, LangText("info_OpenPortFirst")})) << tag;
        EXPECT_TRUE(r.sent.empty()) << tag;
        EXPECT_FALSE(r.proto->busy()) << tag;
        EXPECT_FALSE(r.proto->commandUnanswered()) << tag;
    }
}

// A typed AT line is watched as a button's line is: no answer within the watch time gives
// the same red notice naming it; data that is no AT line, or a closed port, is not watched.
TEST(SendBox, ATypedATLineLeftUnansweredGetsTheButtonsNotice)
{
    const struct {
        const char *typed;
        bool open;
        const char *watched; // nullptr: not watched
    } cases[] = {
        {"AT+VER?", true, "AT+VER?"},
        {"at+csq\nsecond line", true, "at+csq"},
        {"  AT", true, "AT"},
        {"hello server", true, nullptr},
        {"+++", true, nullptr},
        {"AT+VER?", false, nullptr},
    };
    for (const auto &c : cases) {
        Rig r;
        TProtocolTimings t;
        t.commandWatchMs = 50;
        r.proto->setTimings(t);
        r.open = c.open;
        r.w<QPlainTextEdit>("edtSend")->setPlainText(QString::fromLatin1(c.typed));
        r.proto->actSendExecute();
        EXPECT_EQ(r.proto->commandUnanswered(), c.watched != nullptr) << c.typed;
        if (!c.watched)
            continue;
        const QByteArray want = LangText("info_CmdNoAnswer").replace("%s", c.watched);
        EXPECT_TRUE(WaitUntil([&] { return r.console.count(LineKind::Err, want) == 1; }, 3000)) << c.typed;
    }
    // An answer ends the watch.
    Rig r;
    r.w<QPlainTextEdit>("edtSend")->setPlainText("AT+CSQ");
    r.proto->actSendExecute();
    r.proto->DispatchRcv("\r\n+CSQ:20,99\r\n\r\nOK\r\n");
    EXPECT_FALSE(r.proto->commandUnanswered());
}
