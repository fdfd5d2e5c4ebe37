// The window, the real serial component and the simulated module on a pty:
// Get All and Set All as a user runs them.
#include "comm/PortList.h"
#include "lang/AppLang.h"
#include "protocol/Protocol.h"
#include "tools/dtu-sim/SimModule.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/PortBar.h"
#include "ui/ConsolePanel.h"
#include "ui/UpgradeDialog.h"
#include "comm/PortOpener.h"
#include "comm/SPComm.h"
#include "firmware/FwUpgrade.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTimer>
#include "tests/common/TestWait.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace {

struct Line {
    LineKind kind;
    QByteArray text;
};

// One window on its own configuration directory, attached to a simulated module.
class Rig {
public:
    explicit Rig(SimModule &sim, const QString &dir, const TProtocolTimings &timings = {})
    {
        StartOptions o;
        o.configDir = dir;
        o.timings = timings;
        w = std::make_unique<TFrm_Main>(o);
        if (LangList)
            LangList->IsChinese = false;
        w->console()->setTap([this](LineKind k, const QByteArray &t) { lines.push_back({k, t}); });
        RegisterExtraPort(sim.slavePath());
        w->FillPortList();
        ParamCodec::SelectItem(w->portBar()->cbbOpenCom, QFile::encodeName(sim.slavePath()));
        ParamCodec::SelectItem(w->portBar()->cbbOpenBaud, "115200");
        w->btnSysClick(1);
        port = sim.slavePath();
    }
    ~Rig()
    {
        w->PortClose();
        UnregisterExtraPort(port);
    }
    bool waitFor(const char *text, int ms)
    {
        return WaitUntil([&] { return std::any_of(lines.begin(), lines.end(), [&](const Line &l) { return l.text == text; }); }, ms);
    }
    bool waitForPrefix(const QByteArray &prefix, int ms)
    {
        return WaitUntil(
            [&] { return std::any_of(lines.begin(), lines.end(), [&](const Line &l) { return l.text.startsWith(prefix); }); },
            ms);
    }
    int count(LineKind k, const QByteArray &prefix) const
    {
        int n = 0;
        for (const Line &l : lines)
            n += l.kind == k && l.text.startsWith(prefix);
        return n;
    }
    QString text(const char *name) const { return w->findChild<QLineEdit *>(name)->text(); }
    QString combo(const char *name) const { return w->findChild<QComboBox *>(name)->currentText(); }
    bool box(const char *name) const { return w->findChild<QCheckBox *>(name)->isChecked(); }

    std::unique_ptr<TFrm_Main> w;
    std::vector<Line> lines;
    QString port;
};

SimOptions commandState()
{
    SimOptions o;
    o.startInCommandState = true;
    return o;
}

} // namespace

class EndToEnd : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

// Get All from each state a module can be in fills the form with the module's values and
// leaves it in its command state, without a red line:
// - the command state: the 49 queries after the version, each once;
// - the data state: silence for the first line's short wait (not the 5 s answer time-out),
//   then "+++" and "a" once, and the version asked again;
// - the data state with server lines arriving meanwhile: shown as received, never taken
//   for answers;
// - a module whose first answer comes after the short wait: the repair goes out while that
//   answer is on its way. The late answer moves nothing; "a" and "+ok" walk the queue to the
//   version query again, the list is appended once, and each line is asked once.
TEST_F(EndToEnd, GetAllFromEachStateOfTheModuleFillsTheForm)
{
    const struct {
        const char *name;
        bool commandState;
        int serverDataMs, firstReplyDelayMs, firstWaitMs;
        int repairs, minMs;
    } cases[] = {
        {"command state", true, 0, 0, 500, 0, 0},
        {"data state", false, 0, 0, 500, 1, 500},
        {"data state, server lines", false, 150, 0, 500, 1, 500},
        {"first answer late", true, 0, 150, 60, 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SimOptions o;
        o.startInCommandState = c.commandState;
        o.networkDataEveryMs = c.serverDataMs;
        if (c.firstReplyDelayMs > 0) {
            o.replyDelayMs = c.firstReplyDelayMs;
            o.slowAnswers = 1;
        }
        SimModule sim(o);
        ASSERT_TRUE(sim.start());
        sim.setParam("SOCKA", "UDP,10.0.0.9,7001");
        sim.setParam("HEARTTM", "42");
        sim.setParam("UART", "57600,8,1,odd,RS485");
        sim.setParam("HTPURL", "http://a.example.com:8080/x");
        TProtocolTimings t;
        t.firstAnswerMs = c.firstWaitMs;
        QTemporaryDir home;
        Rig r(sim, home.path(), t);
        ASSERT_TRUE(r.w->ComOpened());
        std::optional<TOpOutcome> ended;
        QObject::connect(r.w->protocol(), &Protocol::operationEnded, [&](const TOpOutcome &e) { ended = e; });
        QElapsedTimer clock;
        clock.start();
        r.w->btnDoClick(10);
        ASSERT_TRUE(r.waitFor("Operation complete", 30000));
        EXPECT_GE(clock.elapsed(), c.minMs);
        EXPECT_LT(clock.elapsed(), 4900);
        ASSERT_TRUE(ended.has_value());
        EXPECT_TRUE(ended->complete() && ended->unread.isEmpty() && ended->refused.isEmpty());
        EXPECT_EQ(r.count(LineKind::Err, ""), 0);
        EXPECT_EQ(r.count(LineKind::Send, "+++"), c.repairs);
        EXPECT_EQ(r.count(LineKind::Send, "a"), c.repairs);
        EXPECT_EQ(r.count(LineKind::Send, "AT+VER?"), 1 + c.repairs);
        EXPECT_EQ(r.count(LineKind::Send, "AT+"), 50 + c.repairs); // then all 49 once
        EXPECT_EQ(r.w->protocol()->OrderIndex(), r.w->protocol()->orders().count() - 1);
        if (c.serverDataMs > 0) {
            EXPECT_GE(r.count(LineKind::Rcv, "server heartbeat"), 2);
        }
        EXPECT_TRUE(sim.inCommandState());
        EXPECT_EQ(sim.receivedLines().first(), "AT+VER?");
        EXPECT_TRUE(sim.receivedLines().contains("AT+IMEI?"));

        EXPECT_EQ(r.combo("cbbProtocolA"), "UDP");
        EXPECT_EQ(r.text("edtAddrA"), "10.0.0.9");
        EXPECT_EQ(r.text("edtPortA"), "7001");
        EXPECT_FALSE(r.w->findChild<QComboBox *>("cbbASL")->isVisibleTo(r.w.get())); // UDP hides it
        EXPECT_EQ(r.text("edtHeartTm"), "42");
        EXPECT_EQ(r.combo("cbbBaud"), "57600");
        EXPECT_EQ(r.combo("cbbP"), "ODD");
        EXPECT_EQ(r.combo("cbbFlow"), "RS485");
        EXPECT_EQ(r.text("edtHTPURL"), "http://a.example.com:8080/x");
    }
}

TEST_F(EndToEnd, SetAllThenAFreshGetAllInANewWindowShowsTheSameForm)
{
    SimModule sim(commandState());
    ASSERT_TRUE(sim.start());
    QTemporaryDir second;
    {
        Rig r(sim, dir.path());
        r.w->findChild<QLineEdit *>("edtAddrA")->setText("dtu-a.example.net");
        r.w->findChild<QLineEdit *>("edtPortA")->setText("4321");
        r.w->findChild<QCheckBox *>("rzchckbxSktB")->setChecked(true);
        r.w->findChild<QLineEdit *>("edtAddrB")->setText("dtu-b.example.net");
        r.w->findChild<QLineEdit *>("edtPortB")->setText("80");
        r.w->findChild<QLineEdit *>("edtSockBTo")->setText("9");
        r.w->findChild<QLineEdit *>("edtHeartDt")->setText("PING");
        r.w->findChild<QCheckBox *>("rzchckbxRegEn")->setChecked(true);
        r.w->btnDoClick(11);
        ASSERT_TRUE(r.waitFor("Operation complete", 30000));
        EXPECT_EQ(r.count(LineKind::RcvErr, "\r\n+ERR"), 0);
    }
    EXPECT_EQ(sim.param("SOCKA"), "TCP,dtu-a.example.net,4321");
    EXPECT_EQ(sim.param("HEARTDT"), "50494E47"); // text sent as hex with the Hex box cleared
    Rig fresh(sim, second.path());
    fresh.w->btnDoClick(10);
    ASSERT_TRUE(fresh.waitFor("Operation complete", 30000));
    EXPECT_EQ(fresh.text("edtAddrA"), "dtu-a.example.net");
    EXPECT_EQ(fresh.text("edtPortA"), "4321");
    EXPECT_TRUE(fresh.box("rzchckbxSktB"));
    EXPECT_EQ(fresh.text("edtAddrB"), "dtu-b.example.net");
    EXPECT_EQ(fresh.text("edtSockBTo"), "9");
    EXPECT_TRUE(fresh.box("rzchckbxHeartDtHex")); // the module reports hex
    EXPECT_EQ(fresh.text("edtHeartDt"), "50494E47");
    EXPECT_TRUE(fresh.box("rzchckbxRegEn"));
}

TEST_F(EndToEnd, RefusedValueShowsRedAndTheRunGoesOn)
{
    SimModule sim(commandState());
    ASSERT_TRUE(sim.start());
    Rig r(sim, dir.path());
    r.w->findChild<QLineEdit *>("edtHeartTm")->setText("not-a-number");
    r.w->btnDoClick(11);
    ASSERT_TRUE(r.waitFor("Operation complete", 30000));
    EXPECT_EQ(r.count(LineKind::RcvErr, "\r\n+ERR:"), 1);
    // The line after the refused one still went out.
    EXPECT_TRUE(sim.receivedLines().contains("AT+HEARTDT=" + sim.param("HEARTDT")) ||
                sim.receivedLines().contains(QByteArray("AT+HEARTSND=NET")));
    EXPECT_TRUE(sim.receivedLines().last().startsWith("AT+UARTFL="));
}

TEST_F(EndToEnd, EchoAndSplitAnswersAreSurvived)
{
    SimOptions echo = commandState();
    echo.echo = true;
    SimModule sim(echo);
    ASSERT_TRUE(sim.start());
    sim.setParam("CMDPW", "echoed");
    {
        Rig r(sim, dir.path());
        r.w->btnDoClick(10);
        ASSERT_TRUE(r.waitFor("Operation complete", 30000));
        EXPECT_EQ(r.text("lbledtCmdPw"), "echoed");
    }
    // A split answer: neither half is an answer on its own. Both are shown as
    // information, nothing is lost from the console, and the time-out keeps
    // running: the repair sends the line again, and when that answer is split
    // too the run stops with the red line instead of waiting for ever.
    SimOptions split = commandState();
    split.splitAnswers = true;
    split.splitGapMs = 150;
    SimModule slow(split);
    ASSERT_TRUE(slow.start());
    QTemporaryDir d2;
    TProtocolTimings shortWaits; // the real 5 s are another case's
    shortWaits.answerMs = shortWaits.repairMs = 1500;
    Rig r(slow, d2.path(), shortWaits);
    QElapsedTimer t;
    t.start();
    r.w->btnDoClick(18); // the version query alone
    EXPECT_TRUE(r.waitForPrefix("The module does not answer", 12000));
    EXPECT_LT(t.elapsed(), 11000);
    QByteArray shown;
    for (const Line &l : r.lines)
        if (l.kind == LineKind::Rcv)
            shown += l.text;
    EXPECT_TRUE(shown.contains("\r\n+VER:" + slow.param("VER") + "\r\n\r\nOK\r\n"));
    EXPECT_EQ(r.count(LineKind::Send, "+++"), 1);
    EXPECT_EQ(r.count(LineKind::Send, "AT+VER?"), 2);
    EXPECT_FALSE(r.w->protocol()->tmrRcv()->isActive());
    EXPECT_EQ(r.w->protocol()->orders().count(), 0);
}

TEST_F(EndToEnd, SilentModuleEndsGetAllWithTheRedLineAndTheWindowIsReady)
{
    SimOptions o;
    o.mute = true;
    SimModule sim(o);
    ASSERT_TRUE(sim.start());
    Rig r(sim, dir.path());
    ASSERT_TRUE(r.w->ComOpened());
    QElapsedTimer t;
    t.start();
    r.w->btnDoClick(10);
    ASSERT_TRUE(r.waitForPrefix("The module does not answer", 12000));
    EXPECT_LT(t.elapsed(), 11000);
    EXPECT_EQ(r.count(LineKind::Err, "The module does not answer"), 1);
    EXPECT_FALSE(r.w->consolePanel()->rzpbWhile->isVisible());
    EXPECT_EQ(r.w->protocol()->orders().count(), 0);
    EXPECT_FALSE(r.w->protocol()->tmrRcv()->isActive());
    // The next command goes out as usual.
    r.w->btnDoClick(23);
    EXPECT_EQ(r.lines.back().kind, LineKind::Send);
    EXPECT_EQ(r.lines.back().text, "AT+CSQ\r\n");

    // Closing the port while a run waits cancels it, loudly, at once.
    r.w->btnDoClick(10);
    r.w->btnSysClick(2);
    EXPECT_EQ(r.count(LineKind::Err, "The serial port was closed; operation cancelled."), 1);
    EXPECT_FALSE(r.w->protocol()->tmrRcv()->isActive());

    // A line error while a run waits reopens the port and cancels the run, loudly; with
    // nothing waiting it is silent.
    r.w->btnSysClick(1);
    r.w->btnDoClick(10);
    r.w->cm1ReceiveError(0);
    EXPECT_EQ(r.count(LineKind::Err, "Line error on the serial port"), 1);
    EXPECT_EQ(r.w->protocol()->queueState(), TQueueState::Cancelled);
    EXPECT_TRUE(r.w->ComOpened());
    const size_t shown = r.lines.size();
    r.w->cm1ReceiveError(0);
    EXPECT_EQ(r.lines.size(), shown);
}

TEST_F(EndToEnd, RefusedParametersAreNamedAndMarkedUntilEditedOrReadAgain)
{
    SimModule sim(commandState());
    ASSERT_TRUE(sim.start());
    Rig r(sim, dir.path());
    auto *heartTm = r.w->findChild<QLineEdit *>("edtHeartTm");
    auto *portA = r.w->findChild<QLineEdit *>("edtPortA");
    auto *addrA = r.w->findChild<QLineEdit *>("edtAddrA");
    if (!r.box("rzchckbxSktA"))
        r.w->findChild<QCheckBox *>("rzchckbxSktA")->click();
    if (!r.box("rzchckbxHeartEn"))
        r.w->findChild<QCheckBox *>("rzchckbxHeartEn")->click();
    heartTm->setText("not-a-number");
    portA->setText("99999");
    r.w->btnDoClick(11);
    ASSERT_TRUE(r.waitFor("Operation complete", 30000));
    ASSERT_EQ(r.lines.back().kind, LineKind::Err);
    EXPECT_EQ(r.lines.back().text, "Refused by the module: SOCKA, HEARTTM");
    const auto marked = [](const QWidget *w) { return w->property("refused").toBool(); };
    EXPECT_TRUE(marked(heartTm));
    EXPECT_TRUE(marked(portA));
    EXPECT_TRUE(marked(addrA));
    EXPECT_FALSE(marked(r.w->findChild<QLineEdit *>("edtSockATo")));

    // The user's edit takes the frame off that parameter only.
    heartTm->selectAll();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
    QCoreApplication::sendEvent(heartTm, &key);
    EXPECT_EQ(heartTm->text(), "1");
    EXPECT_FALSE(marked(heartTm));
    EXPECT_TRUE(marked(portA));
    // A Get All reads SOCKA again and so takes its frame off.
    r.lines.clear();
    r.w->btnDoClick(10);
    ASSERT_TRUE(r.waitFor("Operation complete", 30000));
    EXPECT_FALSE(marked(portA));
    EXPECT_FALSE(marked(addrA));
}

// A value Get All could not read holds nothing of the module's: it is framed as a refusal
// is. A second press while the run waits starts nothing.
TEST_F(EndToEnd, UnreadParametersAreMarkedAndASecondPressStartsNothing)
{
    SimOptions o = commandState();
    o.staleWords = {"STMSG"};
    SimModule sim(o);
    ASSERT_TRUE(sim.start());
    Rig r(sim, dir.path());
    r.w->btnDoClick(10);
    r.w->btnDoClick(10);
    r.w->btnDoClick(11);
    ASSERT_TRUE(r.waitFor("Operation complete", 30000));
    EXPECT_EQ(r.count(LineKind::Send, "AT+VER?"), 1);
    EXPECT_EQ(r.count(LineKind::Err, LangText("info_OpBusy")), 2);
    EXPECT_EQ(r.count(LineKind::Send, "AT+WKMOD="), 0);
    EXPECT_EQ(r.lines.back().text, "Not read (no answer from the module): STMSG");
    EXPECT_TRUE(r.w->findChild<QLineEdit *>("lbledtStMsg")->property("refused").toBool());
    EXPECT_FALSE(r.w->findChild<QLineEdit *>("lbledtCmdPw")->property("refused").toBool());
}

TEST_F(EndToEnd, ChangedPackingTimeReachesTheModuleWithTheAdvancedBoxCleared)
{
    SimModule sim(commandState());
    ASSERT_TRUE(sim.start());
    Rig r(sim, dir.path());
    if (r.box("rzchckbxMore"))
        r.w->findChild<QCheckBox *>("rzchckbxMore")->click();
    ASSERT_FALSE(r.box("rzchckbxMore"));
    ASSERT_TRUE(r.w->findChild<QLineEdit *>("edtUARTFT")->isVisibleTo(r.w.get()));
    r.w->findChild<QLineEdit *>("edtUARTFT")->setText("120");
    r.w->findChild<QLineEdit *>("edtUARTFL")->setText("512");
    r.w->btnDoClick(11);
    ASSERT_TRUE(r.waitFor("Operation complete", 30000));
    EXPECT_EQ(sim.param("UARTFT"), "120");
    EXPECT_EQ(sim.param("UARTFL"), "512");
    EXPECT_FALSE(sim.receivedLines().contains(QByteArray("AT+RFCEN=OFF"))); // the hidden ones stay out
    EXPECT_FALSE(sim.receivedLines().contains(QByteArray("AT+RFCEN=ON")));
}

TEST_F(EndToEnd, ATypedPseudoTerminalPathOpensAndGetAllRunsOnIt)
{
    SimModule sim(commandState());
    ASSERT_TRUE(sim.start());
    sim.setParam("HEARTTM", "77");
    StartOptions o;
    o.configDir = dir.path();
    TFrm_Main w(o);
    LangList->IsChinese = false;
    std::vector<Line> lines;
    w.console()->setTap([&](LineKind k, const QByteArray &t) { lines.push_back({k, t}); });
    ASSERT_FALSE(ListSerialPorts().contains(sim.slavePath())) << "the path is no listed port";

    ASSERT_TRUE(w.portBar()->cbbOpenCom->isEditable());
    w.portBar()->cbbOpenCom->lineEdit()->clear();
    for (const QChar ch : sim.slavePath()) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(w.portBar()->cbbOpenCom->lineEdit(), &press);
    }
    ASSERT_EQ(w.portBar()->cbbOpenCom->currentText(), sim.slavePath());
    // A look at the list keeps the typed path.
    w.cbbOpenComDropDown();
    w.cbbOpenComCloseUp();
    ASSERT_EQ(w.portBar()->cbbOpenCom->currentText(), sim.slavePath());
    ParamCodec::SelectItem(w.portBar()->cbbOpenBaud, "115200");

    w.portBar()->btnOpenClose->click();
    ASSERT_TRUE(w.ComOpened());
    w.btnDoClick(10);
    QElapsedTimer t;
    t.start();
    auto done = [&] {
        return std::any_of(lines.begin(), lines.end(), [](const Line &l) { return l.text == "Operation complete"; });
    };
    while (!done() && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    ASSERT_TRUE(done());
    EXPECT_EQ(w.findChild<QLineEdit *>("edtHeartTm")->text(), "77");
    w.PortClose();
}

TEST_F(EndToEnd, UpgradeFromTheFileMenuEndsDoneAndRestartedThenACancelledOne)
{
    SimOptions o = commandState();
    o.cRepeatMs = 200;
    o.paceBaud = 115200;
    SimModule sim(o);
    ASSERT_TRUE(sim.start());
    Rig r(sim, dir.path());
    QByteArray image;
    for (int i = 0; i < 3000; ++i)
        image.append(char(i * 13 + 5));
    const QString small = dir.filePath("small.bin"), large = dir.filePath("large.bin");
    for (const auto &[path, bytes] : {std::pair{small, image}, std::pair{large, image.repeated(10)}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    const auto waitUntil = [](const std::function<bool()> &done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return done();
    };
    auto *item = r.w->findChild<QAction *>("mniUpgrade");
    ASSERT_TRUE(item && r.w->mni_File->actions().contains(item));
    item->trigger();
    auto *d = r.w->findChild<UpgradeDialog *>();
    ASSERT_TRUE(d && d->isVisible());
    d->askImagePath = [&] { return small; };
    d->findChild<QPushButton *>("btnUpgChoose")->click();
    ASSERT_EQ(d->phase(), UpgradeDialog::Phase::Waiting);
    const QString crc = QStringLiteral("%1").arg(ImageCrc32(image), 8, 16, QLatin1Char('0')).toUpper();
    EXPECT_EQ(d->findChild<QLabel *>("lblUpgSummary")->text(), "3000 bytes, CRC-32 " + crc);
    sim.enterBootLoader();
    ASSERT_TRUE(waitUntil([&] { return d->phase() == UpgradeDialog::Phase::Ended; })) << d->statusText().toStdString();
    EXPECT_TRUE(d->statusText().startsWith("Upgrade complete in")) << d->statusText().toStdString();
    EXPECT_EQ(sim.receivedImage(), image + QByteArray(128 - image.size() % 128, '\x1A'));
    EXPECT_TRUE(r.waitForPrefix("[QEB-R520]", 5000)); // "R" restarted it: its start-up line, shown as received

    // Again with the large image, cancelled half way: CAN CAN reaches the boot loader.
    r.w->findChild<QAction *>("mniUpgrade")->trigger();
    d->askImagePath = [&] { return large; };
    d->findChild<QPushButton *>("btnUpgChoose")->click();
    sim.enterBootLoader();
    auto *bar = d->findChild<QProgressBar *>("pbUpgrade");
    ASSERT_TRUE(waitUntil([&] { return d->phase() == UpgradeDialog::Phase::Sending && bar->value() >= 20; }));
    EXPECT_TRUE(d->statusText().startsWith("Block ")) << d->statusText().toStdString();
    d->findChild<QPushButton *>("btnUpgCancel")->click();
    EXPECT_EQ(d->statusText(), "Upgrade cancelled (CAN sent to the module)");
    EXPECT_TRUE(waitUntil([&] { return sim.senderCancels() == 1; }));
    EXPECT_EQ(sim.completedTransfers(), 1);
    EXPECT_FALSE(r.w->firmware()->Busy() || r.w->firmware()->HasFile());
    EXPECT_EQ(r.w->comm()->ReadIntervalTimeout(), ReadGapForBaud(115200)); // the short gap is off
}
