// Recognition of the module's answers and how they move the queue.
#include "FakeForm.h"
#include "lang/AppLang.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A two-line queue whose first line is in flight.
void startTwoLines(Rig &r)
{
    r.proto->orders().AddQuery(TCmd::E);
    r.proto->orders().AddQuery(TCmd::CMDPW);
    r.proto->SendCurOrder();
}

} // namespace

TEST(StrBetweenTest, Cases)
{
    EXPECT_EQ(StrBetween("x[ab]y", "[", "]"), QByteArray("ab"));
    EXPECT_EQ(StrBetween("", "[", "]"), QByteArray());
    EXPECT_EQ(StrBetween("ab]", "[", "]"), QByteArray());
    EXPECT_EQ(StrBetween("[ab", "[", "]"), QByteArray());
    EXPECT_EQ(StrBetween("]x[ab]", "[", "]"), QByteArray()); // first B before A
    EXPECT_EQ(StrBetween("[]", "[", "]"), QByteArray());
    EXPECT_EQ(StrBetween("<<a>>b>>", "<<", ">>"), QByteArray("a"));
}

TEST(Recognition, WhichBlocksMoveTheQueue)
{
    struct Case {
        QByteArray block;
        bool advances;
    };
    const Case cases[] = {
        {"a", true},
        {"a\r\n", false},
        {"+ok\r\n", true},
        {"\r\n+ok\r\n", false},
        {"xx a+ok\r\n yy", true},
        {"\r\nOK\r\n", false},
        {"\r\nOK\r\n\r\n", true},
        {"\r\n+E:ON\r\n\r\nOK\r\n", true},
        {"\r\n+E:ON\r\n", false},
        {":x\r\n\r\n\r\n+", true}, // the three marks in any order
        {"random text", false},
    };
    for (const Case &c : cases) {
        Rig r;
        startTwoLines(r);
        r.proto->DispatchRcv(c.block);
        EXPECT_EQ(r.proto->OrderIndex(), c.advances ? 1 : 0) << c.block.toStdString();
        EXPECT_EQ(r.sent.size(), c.advances ? 2u : 1u) << c.block.toStdString();
        // Bytes from the line always show as received, never as the program's own lines.
        EXPECT_EQ(r.console.count(LineKind::Rcv, c.block), 1);
        EXPECT_EQ(r.console.count(LineKind::Info, c.block), 0);
        // An answer stops the time-out and the next line re-arms it; anything
        // else leaves it running, so the repair still comes.
        EXPECT_TRUE(r.timer.isActive());
    }
}

TEST(Recognition, EchoKeepsTheTimeoutRunning)
{
    Rig r;
    startTwoLines(r);
    r.proto->DispatchRcv("AT+E?\r\n");
    EXPECT_TRUE(r.timer.isActive());
    EXPECT_EQ(r.console.count(LineKind::Rcv, "AT+E?\r\n"), 1);
    EXPECT_EQ(r.proto->OrderIndex(), 0);
}

TEST(Recognition, ClaimedBlocksGoNoFurther)
{
    Rig r;
    startTwoLines(r);
    QByteArray claimed;
    r.proto->setClaimBlock([&](const QByteArray &b) {
        claimed = b;
        return b.startsWith("BOOT");
    });
    r.console.lines.clear();
    r.proto->DispatchRcv("BOOT menu\r\nOK\r\n\r\n");
    EXPECT_EQ(claimed, QByteArray("BOOT menu\r\nOK\r\n\r\n"));
    EXPECT_TRUE(r.console.lines.empty());
    EXPECT_TRUE(r.timer.isActive());
    EXPECT_EQ(r.proto->OrderIndex(), 0);
    r.proto->DispatchRcv("\r\nOK\r\n\r\n");
    EXPECT_EQ(r.proto->OrderIndex(), 1);
}

TEST(ErrorAnswer, SkipsToNextLineAndStopsAtTheEnd)
{
    EnglishTexts en;
    Rig r;
    startTwoLines(r);
    r.proto->DispatchRcv("\r\n+ERR:3\r\n\r\n");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+CMDPW?\r\n"));
    EXPECT_FALSE(r.w<QProgressBar>("rzpbWhile")->isVisibleTo(&r.form));
    EXPECT_EQ(r.console.count(LineKind::RcvErr, "\r\n+ERR:3\r\n\r\n"), 1);

    r.proto->DispatchRcv("\r\n+ERR:3\r\n\r\n");
    EXPECT_EQ(r.sent.size(), 2u);
    EXPECT_EQ(r.proto->OrderIndex(), 2);
    // A refused last line still ends the run, with its summary after it.
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 1);
    EXPECT_EQ(r.console.lines.back(), (RecordedLine{LineKind::Err, "Refused by the module: E, CMDPW"}));
    EXPECT_EQ(r.proto->queueState(), TQueueState::Complete);
    EXPECT_FALSE(r.timer.isActive());
    // A later plain answer finds the queue finished; the summary is not repeated.
    r.proto->DispatchRcv("\r\nOK\r\n\r\n");
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 2);
    EXPECT_EQ(r.console.count(LineKind::Err), 1);
    EXPECT_EQ(r.console.count(LineKind::RcvErr), 2);
    EXPECT_EQ(r.sent.size(), 2u);
}

TEST(ProgressAndCompletion, ShownWhileRunningHiddenAtTheEnd)
{
    Rig r;
    r.form.show();
    for (TCmd c : {TCmd::E, TCmd::CMDPW, TCmd::STMSG})
        r.proto->orders().AddQuery(c);
    r.proto->SendCurOrder();
    auto *pb = r.w<QProgressBar>("rzpbWhile");
    r.proto->DispatchRcv("\r\nOK\r\n\r\n");
    EXPECT_TRUE(pb->isVisible());
    EXPECT_EQ(pb->maximum(), 2);
    EXPECT_EQ(pb->value(), 0);
    r.proto->DispatchRcv("\r\nOK\r\n\r\n");
    EXPECT_EQ(pb->value(), 1);
    r.proto->DispatchRcv("\r\nOK\r\n\r\n");
    EXPECT_FALSE(pb->isVisible());
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 1);
    EXPECT_EQ(r.sent.size(), 3u);
}

TEST(ParseAnswerTest, NameAndValue)
{
    // Two answers in one block: the second answer start is lost in R2.
    auto nv = NamedAnswer("\r\n+E:ON\r\n\r\n+CMDPW:pw\r\n\r\n");
    ASSERT_TRUE(nv);
    EXPECT_EQ(nv->first, QByteArray("E"));
    EXPECT_EQ(nv->second, QByteArray("ON\r\nCMDPW:pw"));

    nv = NamedAnswer("\r\n+HTPURL:http://example.com:8080/a:b\r\n\r\nOK\r\n");
    ASSERT_TRUE(nv);
    EXPECT_EQ(nv->second, QByteArray("http://example.com:8080/a:b"));

    nv = NamedAnswer("\r\n+STMSG:\r\n\r\nOK\r\n");
    ASSERT_TRUE(nv);
    EXPECT_EQ(nv->first, QByteArray("STMSG"));
    EXPECT_TRUE(nv->second.isEmpty());

    EXPECT_FALSE(NamedAnswer("x:y\r\n+E\r\n\r\n"));            // ':' before the answer start
    EXPECT_TRUE(NamedAnswer("\r\n+H:+a+b+c+d\r\n\r\n"));        // five '+'
    // Many '+' in one value: still one answer.
    nv = NamedAnswer("\r\n+DSTNUM:+8613800000001,+8613800000002,+8613800000003,"
                     "+8613800000004,+8613800000005\r\n\r\nOK\r\n");
    ASSERT_TRUE(nv);
    EXPECT_EQ(nv->first, QByteArray("DSTNUM"));
    EXPECT_EQ(nv->second.count('+'), 5);
    EXPECT_TRUE(NamedAnswer("\r\n+HTPURL:http://example.com/a?q=1+2+3+4+5+6\r\n\r\nOK\r\n"));
    // The help listing: three or more "+WORD:" lines and more than five '+'.
    const QByteArray listing = "\r\n+H: help\r\n+Z: restart\r\n+E: echo\r\n+CMDPW: pw\r\n"
                               "+APN: apn\r\n+VER: version\r\n\r\nOK\r\n";
    EXPECT_TRUE(IsHelpListing(listing));
    EXPECT_EQ(CountAnswerLines(listing), 6);
    EXPECT_FALSE(NamedAnswer(listing));
    // Few lines, or few '+', is no listing; a '+' inside a line starts none.
    EXPECT_FALSE(IsHelpListing("\r\n+E:ON\r\n\r\n+CMDPW:++++pw\r\n\r\n"));
    EXPECT_FALSE(IsHelpListing("\r\n+A:1\r\n+B:2\r\n+C:3\r\n\r\n"));
    EXPECT_EQ(CountAnswerLines("x+A:1 +B:2\r\n+:3\r\n+C\r\n+D:"), 1);
    EXPECT_FALSE(NamedAnswer("\r\nOK\r\n\r\n"));
}

TEST(ParseAnswerTest, AppliedToTheForm)
{
    Rig r;
    r.edt("lbledtStMsg")->setText("old");
    r.box("rzchckbxE")->setChecked(false);
    r.proto->DispatchRcv("\r\n+STMSG:\r\n\r\nOK\r\n");
    EXPECT_TRUE(r.edt("lbledtStMsg")->text().isEmpty());

    // The two-answer block gives E a value that is not "ON": the box stays.
    r.proto->DispatchRcv("\r\n+E:ON\r\n\r\n+CMDPW:pw\r\n\r\n");
    EXPECT_FALSE(r.box("rzchckbxE")->isChecked());
    EXPECT_TRUE(r.edt("lbledtCmdPw")->text().isEmpty());

    // The help listing is shown as received but not parsed, though its first
    // line names a parameter.
    const QByteArray listing = "\r\n+STMSG:hello\r\n+E: echo\r\n+Z: restart\r\n+H: help\r\n"
                               "+CMDPW: pw\r\n+APN: apn\r\n\r\nOK\r\n";
    r.proto->DispatchRcv(listing);
    EXPECT_TRUE(r.edt("lbledtStMsg")->text().isEmpty());
    EXPECT_EQ(r.console.count(LineKind::Rcv, listing), 1);

    // A value with many '+' is applied; Set All would otherwise write the old one back.
    const QByteArray numbers = "+8613800000001,+8613800000002,+8613800000003,+8613800000004,"
                               "+8613800000005,+8613800000006";
    r.proto->DispatchRcv("\r\n+DSTNUM:" + numbers + "\r\n\r\nOK\r\n");
    EXPECT_EQ(r.edt("edtDSTNUM")->text().toLatin1(), numbers);
    r.proto->DispatchRcv("\r\n+STMSG:+++++\r\n\r\nOK\r\n");
    EXPECT_EQ(r.edt("lbledtStMsg")->text(), QString("+++++"));
    r.edt("lbledtStMsg")->clear();

    // An answer equal to the text just sent is shown, not parsed.
    r.proto->SendToCom("\r\n+STMSG:echo\r\n\r\n");
    r.proto->DispatchRcv("\r\n+STMSG:echo\r\n\r\n");
    EXPECT_TRUE(r.edt("lbledtStMsg")->text().isEmpty());

    r.proto->DispatchRcv("\r\n+HTPURL:http://example.com:80/1.php[3F]\r\n\r\nOK\r\n");
    EXPECT_EQ(r.edt("edtHTPURL")->text(), QString("http://example.com:80/1.php[3F]"));
}

TEST(ParseAnswerTest, ManyPlusesStillAdvance)
{
    Rig r;
    startTwoLines(r);
    r.proto->DispatchRcv("\r\n+H:+1+2+3+4+5\r\n\r\nOK\r\n");
    EXPECT_EQ(r.proto->OrderIndex(), 1);
}

TEST(DispatchFuzz, RandomBlocksNeverBreakIt)
{
    Rig r;
    std::mt19937 rng(12345);
    const QByteArray pieces[] = {"\r\n", "+", ":", "OK", "a", "+ok", "+ERR:", "ON", "OFF", ",", "\"",
                                 "VER", "UART", "SOCKA", "CLOUD", "REGTP", "HDVER", "E", "WKMOD",
                                 QByteArray(1, '\0'), "\xB6\xCC", "\xFF", " "};
    r.proto->btnDoClick(10);
    for (int i = 0; i < 3000; ++i) {
        QByteArray block;
        const int n = 1 + int(rng() % 12);
        for (int k = 0; k < n; ++k)
            block += pieces[rng() % std::size(pieces)];
        if (rng() % 7 == 0)
            r.proto->tmrRcvTimer();
        r.proto->DispatchRcv(block);
        ASSERT_GE(r.proto->OrderIndex(), 0);
    }
    // Only queue lines and the command-state entry ever went out.
    for (const QByteArray &b : r.sent)
        EXPECT_TRUE(b == "+++" || b == "a" || (b.startsWith("AT+") && b.endsWith("\r\n")))
            << b.toStdString();
}
