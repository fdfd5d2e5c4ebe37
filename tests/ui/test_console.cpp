// The console beyond its panes: read-only panes, session log, timestamps, send
// history, hex sending, find, font size and legible colours.
#include "UiTestUtil.h"
#include "ui/ParamForm.h"
#include "ui/PortBar.h"
#include "ui/ConsolePanel.h"

#include "ui/AboutBox.h"
#include "ui/ConsoleExtras.h"
#include "ui/ConsoleColours.h"
#include "ui/ConsoleZoom.h"
#include "ui/FindBar.h"
#include "ui/HexInput.h"
#include "protocol/Protocol.h"
#include "ui/RepeatSend.h"
#include "ui/SendHistory.h"
#include "ui/TrafficCounter.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QLineEdit>
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSplitter>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "tests/common/TestPty.h"

namespace {


void TypeText(QWidget *target, const QString &text)
{
    for (QChar c : text)
        SendKey(target, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

} // namespace

// ---- read-only panes ----

TEST(ReadOnlyPanes, TypingPastingAndDeletingChangeNothingButCopyAndClearWork)
{
    ShownWindow f;
    TFrm_Main &w = *f.w;
    for (QPlainTextEdit *pane : {w.consolePanel()->edtDialog, w.consolePanel()->edtDialogHex}) {
        SCOPED_TRACE(pane->objectName().toStdString());
        pane->show();
        pane->clear();
        w.console()->setHexMirror(true);
        w.console()->ShowRcv("OK");
        w.console()->setHexMirror(false);
        const QString before = pane->toPlainText();
        ASSERT_FALSE(before.isEmpty());
        f.focus(pane);
        TypeText(pane, "xyz");
        SendKey(pane, Qt::Key_Backspace);
        SendKey(pane, Qt::Key_Delete);
        QApplication::clipboard()->setText("pasted");
        w.edtpst->trigger();
        SendKey(pane, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(pane->toPlainText(), before);

        // Select-all and copy still reach the clipboard; Ctrl+Delete still clears.
        w.edtslctlAll->trigger();
        w.edtcpy->trigger();
        EXPECT_EQ(QApplication::clipboard()->text(), before);
        SendKey(pane, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_TRUE(pane->document()->isEmpty());
    }
    // The panes' menu offers no paste for a read-only pane.
    QAction *pst = w.pmCls->findChild<QAction *>("mniPst");
    ASSERT_TRUE(pst);
    f.focus(w.consolePanel()->edtDialog);
    emit w.pmCls->aboutToShow();
    EXPECT_FALSE(pst->isEnabled());
    emit w.pmCls->aboutToHide();
    EXPECT_TRUE(pst->isEnabled());
    f.focus(w.consolePanel()->edtSend);
    emit w.pmCls->aboutToShow();
    EXPECT_TRUE(pst->isEnabled());
    emit w.pmCls->aboutToHide();

    // The send box stays editable.
    w.consolePanel()->edtSend->clear();
    f.focus(w.consolePanel()->edtSend);
    TypeText(w.consolePanel()->edtSend, "at");
    EXPECT_EQ(w.consolePanel()->edtSend->toPlainText(), "at");
}

// ---- session log and saving the pane ----

namespace {

QStringList FileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList l = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

// "yyyy-MM-dd hh:mm:ss.zzz DIR  text" split into direction and text.
std::pair<QString, QString> LogParts(const QString &line)
{
    static const QRegularExpression re(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} (TX  |RX  |INFO|ERR ) (.*)$"));
    const auto m = re.match(line);
    if (!m.hasMatch())
        return {QStringLiteral("?"), line};
    return {m.captured(1).trimmed(), m.captured(2)};
}

} // namespace

TEST(SessionLog, FileHoldsEveryLineInOrderWithItsDirectionUntilSwitchedOff)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    ConsoleExtras &x = *w.consoleExtras();
    const QString path = f.dir.filePath("session.log");
    x.askSavePath = [&](const QString &, const QString &) { return path; };
    ASSERT_TRUE(w.mni_File->actions().contains(x.mniLogToFile));
    ASSERT_TRUE(w.pmCls->actions().contains(x.mniLogToFile));
    ASSERT_TRUE(w.mni_File->actions().contains(x.mniSaveConsole));
    ASSERT_TRUE(w.pmCls->actions().contains(x.mniSaveConsole));

    x.mniLogToFile->trigger();
    ASSERT_TRUE(x.mniLogToFile->isChecked());
    ASSERT_TRUE(x.log().active());
    w.console()->ShowSend("AT+VER?\r\n");
    w.console()->ShowRcv("+VER:1.0\r\nOK\r\n");
    w.console()->ShowInfo(gbk::fromUtf8("执行完毕"));
    w.console()->ShowErr("Serial port is not open");
    w.console()->ShowRcv(QByteArray("a\0b", 3));
    const QStringList pane = PaneLines(w.consolePanel()->edtDialog);
    w.protocol()->DispatchRcv("data from the server\r\n"); // forwarded by the module: received, not ours
    x.mniLogToFile->trigger();
    EXPECT_FALSE(x.log().active());
    w.console()->ShowRcv("after the log");

    const QStringList lines = FileLines(path);
    ASSERT_EQ(lines.size(), 9) << lines.join('|').toStdString();
    const std::vector<std::pair<QString, QString>> want = {
        {"INFO", "Logging to " + path},
        {"TX", "AT+VER?"},
        {"RX", "+VER:1.0"},
        {"RX", "OK"},
        {"INFO", U("执行完毕")},
        {"ERR", "Serial port is not open"},
        {"RX", pane.last()}, // the zero byte as the console shows it
        {"RX", "data from the server"},
        {"INFO", "Logging stopped: " + path},
    };
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(LogParts(lines[i]), want[size_t(i)]) << lines[i].toStdString();
    EXPECT_EQ(pane.last(), U("a·b"));
}

TEST(SessionLog, UnwritableFileIsReportedAndSwitchesTheLogOff)
{
    WindowFixture f(true);
    TFrm_Main &w = *f.w;
    ConsoleExtras &x = *w.consoleExtras();
    QString path = f.dir.filePath("no/such/dir/a.log");
    x.askSavePath = [&](const QString &, const QString &) { return path; };
    x.mniLogToFile->trigger();
    EXPECT_FALSE(x.mniLogToFile->isChecked());
    // The line names the file and the cause.
    EXPECT_EQ(LastLine(w.consolePanel()->edtDialog), U("无法写入日志文件 ") + path + " (No such file or directory)");
    EXPECT_EQ(LastLineColour(w.consolePanel()->edtDialog), ConsoleView::colourOf(LineKind::Err));

    // A disk that fills up while logging: the first line that fails ends the log.
    path = "/dev/full";
    x.mniLogToFile->trigger();
    ASSERT_TRUE(WaitFor([&] { return !x.mniLogToFile->isChecked(); }));
    EXPECT_FALSE(x.log().active());
    EXPECT_EQ(LastLine(w.consolePanel()->edtDialog), U("无法写入日志文件 /dev/full (No space left on device)"));

    // Cancelling the dialog leaves everything as it was.
    path.clear();
    const int n = PaneLines(w.consolePanel()->edtDialog).size();
    x.mniLogToFile->trigger();
    EXPECT_FALSE(x.mniLogToFile->isChecked());
    EXPECT_EQ(PaneLines(w.consolePanel()->edtDialog).size(), n);
}

TEST(SessionLog, AFileDeletedOrMovedWhileLoggingSwitchesTheLogOffWithOneRedLine)
{
    WindowFixture f(true);
    TFrm_Main &w = *f.w;
    ConsoleExtras &x = *w.consoleExtras();
    const QString path = f.dir.filePath("s.log");
    x.askSavePath = [&](const QString &, const QString &) { return path; };
    for (const bool move : {false, true}) {
        x.mniLogToFile->trigger();
        ASSERT_TRUE(x.log().active() && (move ? QFile::rename(path, path + ".old") : QFile::remove(path)));
        w.console()->ShowRcv("lost?");
        ASSERT_TRUE(WaitFor([&] { return !x.mniLogToFile->isChecked(); })) << move;
        EXPECT_FALSE(x.log().active());
        EXPECT_EQ(LastLine(w.consolePanel()->edtDialog), U("日志文件 %1 已被删除或移走，已停止记录").arg(path));
        EXPECT_EQ(LastLineColour(w.consolePanel()->edtDialog), ConsoleView::colourOf(LineKind::Err));
    }
}

TEST(SessionLog, SaveConsoleWritesThePaneAsUtf8)
{
    ShownWindow f(false);
    TFrm_Main &w = *f.w;
    ConsoleExtras &x = *w.consoleExtras();
    w.consolePanel()->edtDialog->clear();
    w.console()->ShowRcv(gbk::fromUtf8("信号强度 +CSQ: 20"));
    w.console()->ShowSend("AT+CSQ");
    const QString path = f.dir.filePath("console.txt");
    x.askSavePath = [&](const QString &, const QString &) { return path; };
    const QString held = w.consolePanel()->edtDialog->toPlainText();
    x.mniSaveConsole->trigger();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), (held + "\n").toUtf8());
    EXPECT_EQ(LastLine(w.consolePanel()->edtDialog), "Console saved to " + path);

    // With the focus in the hex pane, that pane is saved.
    w.consolePanel()->setHexPane(true);
    w.console()->ShowSend("AT");
    f.focus(w.consolePanel()->edtDialogHex);
    x.mniSaveConsole->trigger();
    EXPECT_EQ(FileLines(path), QStringList{"41 54 "});

    x.saveConsoleTo(f.dir.filePath("missing/dir/x.txt"));
    EXPECT_EQ(LastLine(w.consolePanel()->edtDialog), "Unable to write to " + f.dir.filePath("missing/dir/x.txt"));
}

// ---- timestamps ----

TEST(Timestamps, AppearAndVanishWithTheOptionWhichSurvivesARestart)
{
    WindowFixture f(false);
    ConsoleExtras *x = f.w->consoleExtras();
    static const QRegularExpression stamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} "));
    ASSERT_FALSE(x->mniTimestamps->isChecked());
    f.w->consolePanel()->setHexPane(true);
    f.w->console()->ShowRcv("OK");
    EXPECT_EQ(LastLine(f.w->consolePanel()->edtDialog), "OK");

    x->mniTimestamps->trigger();
    const QTime before = QTime::currentTime();
    f.w->console()->ShowRcv("OK");
    const QString line = LastLine(f.w->consolePanel()->edtDialog);
    ASSERT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();
    EXPECT_EQ(line.mid(13), "OK");
    EXPECT_LE(std::abs(QTime::fromString(line.left(12), "hh:mm:ss.zzz").msecsTo(before)), 1000);
    EXPECT_EQ(LastLineColour(f.w->consolePanel()->edtDialog), ConsoleView::colourOf(LineKind::Rcv));
    const QString hex = LastLine(f.w->consolePanel()->edtDialogHex);
    EXPECT_TRUE(stamped.match(hex).hasMatch()) << hex.toStdString();
    EXPECT_EQ(hex.mid(13), "4F 4B ");

    // Every line of a block with line breaks carries the block's time.
    f.w->console()->ShowRcv("+CSQ: 20,99\r\n\r\nOK\r\n");
    const QStringList last3 = PaneLines(f.w->consolePanel()->edtDialog).mid(PaneLines(f.w->consolePanel()->edtDialog).size() - 3);
    ASSERT_EQ(last3.size(), 3);
    for (const QString &l : last3)
        EXPECT_EQ(l.left(13), last3.first().left(13)) << l.toStdString();
    EXPECT_EQ(last3[0].mid(13), "+CSQ: 20,99");
    EXPECT_EQ(last3[1].mid(13), "");
    EXPECT_EQ(last3[2].mid(13), "OK");
    EXPECT_TRUE(stamped.match(last3[2]).hasMatch());

    f.reopen(false);
    x = f.w->consoleExtras();
    EXPECT_TRUE(x->mniTimestamps->isChecked());
    f.w->console()->ShowInfo("x");
    EXPECT_TRUE(stamped.match(LastLine(f.w->consolePanel()->edtDialog)).hasMatch());
    x->mniTimestamps->trigger();
    f.w->console()->ShowInfo("plain");
    EXPECT_EQ(LastLine(f.w->consolePanel()->edtDialog), "plain");
    f.reopen(false);
    EXPECT_FALSE(f.w->consoleExtras()->mniTimestamps->isChecked());
}

// ---- send history ----

TEST(SendHistory, UpAndDownWalkTheSentTextsWhichSurviveARestart)
{
    ShownWindow f(false);
    TFrm_Main *w = f.w.get();
    auto send = [&](const QString &t) {
        w->consolePanel()->edtSend->setPlainText(t);
        w->actSendExecute();
    };
    send("AT+VER?");
    send("AT+CSQ");
    send("first\nsecond");
    send("AT+CSQ"); // moves to the newest place
    send("");       // nothing to keep
    EXPECT_EQ(w->consoleExtras()->history().entries(), (QStringList{"AT+VER?", "first\nsecond", "AT+CSQ"}));

    f.focus(w->consolePanel()->edtSend);
    w->consolePanel()->edtSend->setPlainText("typing");
    SendKey(w->consolePanel()->edtSend, Qt::Key_Up);
    EXPECT_EQ(w->consolePanel()->edtSend->toPlainText(), "AT+CSQ");
    SendKey(w->consolePanel()->edtSend, Qt::Key_Up);
    EXPECT_EQ(w->consolePanel()->edtSend->toPlainText(), "first\nsecond");
    // On the second line of a recalled text Up moves the cursor, not the history.
    SendKey(w->consolePanel()->edtSend, Qt::Key_Up);
    EXPECT_EQ(w->consolePanel()->edtSend->toPlainText(), "first\nsecond");
    EXPECT_EQ(w->consolePanel()->edtSend->textCursor().blockNumber(), 0);
    SendKey(w->consolePanel()->edtSend, Qt::Key_Up);
    EXPECT_EQ(w->consolePanel()->edtSend->toPlainText(), "AT+VER?");
    SendKey(w->consolePanel()->edtSend, Qt::Key_Up); // the oldest: stays
    EXPECT_EQ(w->consolePanel()->edtSend->toPlainText(), "AT+VER?");
    SendKey(w->consolePanel()->edtSend, Qt::Key_Down);
    EXPECT_EQ(w->consolePanel()->edtSend->toPlainText(), "first\nsecond");
    EXPECT_EQ(w->consolePanel()->edtSend->textCursor().blockNumber(), 1) << "the cursor ends at the end";
    SendKey(w->consolePanel()->edtSend, Qt::Key_Down);
    SendKey(w->consolePanel()->edtSend, Qt::Key_Down);
    EXPECT_EQ(w->consolePanel()->edtSend->toPlainText(), "typing") << "back to what was being typed";

    f.close();
    f.open(false);
    f.show();
    w = f.w.get();
    EXPECT_EQ(w->consoleExtras()->history().entries(), (QStringList{"AT+VER?", "first\nsecond", "AT+CSQ"}));
    f.focus(w->consolePanel()->edtSend);
    w->consolePanel()->edtSend->clear();
    SendKey(w->consolePanel()->edtSend, Qt::Key_Up);
    EXPECT_EQ(w->consolePanel()->edtSend->toPlainText(), "AT+CSQ");
}

TEST(SendHistory, KeepsTheLastHundredAndStoresAnyTextExactly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("h.txt");
    QPlainTextEdit box;
    {
        SendHistory h(&box, file);
        for (int i = 1; i <= 105; ++i)
            ASSERT_TRUE(h.remember(QString::number(i)));
        EXPECT_EQ(h.entries().size(), 100);
        EXPECT_EQ(h.entries().first(), "6");
        EXPECT_EQ(h.entries().last(), "105");
    }
    EXPECT_EQ(SendHistory(&box, file).entries().size(), 100);

    // Backslashes, line breaks, a GBK character whose second byte is a backslash.
    const QStringList odd = {"a\\b", "x\r\ny", U("乗\\n"), "\\", "trailing\\"};
    EXPECT_EQ(SendHistory::decode(SendHistory::encode(odd)), odd);
    EXPECT_EQ(SendHistory::encode({U("乗")}), QByteArray("\x81\x5c\x5c\r\n"));

    // A file that cannot be written is reported, the history still works.
    SendHistory h(&box, dir.filePath("missing/h.txt"));
    QString why;
    EXPECT_FALSE(h.remember("AT", &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(h.entries(), QStringList{"AT"});

    // A file of many megabytes: only its newest part is read; what is kept stays within the bound.
    const QString big = dir.filePath("big.txt");
    QFile bf(big);
    ASSERT_TRUE(bf.open(QIODevice::WriteOnly));
    const QByteArray filler(200, 'x');
    for (int i = 0; i < 20000; ++i)
        bf.write(QByteArray::number(i) + filler + "\r\n");
    bf.close();
    SendHistory hb(&box, big);
    ASSERT_EQ(hb.entries().size(), SendHistory::kMax);
    EXPECT_EQ(hb.entries().last(), QString::number(19999) + filler);
    EXPECT_TRUE(hb.remember(QString(SendHistory::kMaxFileBytes, QLatin1Char('y')))); // too large to keep
    EXPECT_TRUE(hb.remember("AT"));
    EXPECT_EQ(hb.entries().size(), SendHistory::kMax);
    EXPECT_EQ(hb.entries().value(98), QString::number(19999) + filler);
    EXPECT_LE(QFileInfo(big).size(), SendHistory::kMaxFileBytes);
}

// ---- hex sending ----

TEST(SendHex, ParsesPairsWithBlanksBetweenAndRefusesAnythingElse)
{
    EXPECT_EQ(ParseHexPairs("41 54 0d0A\n\t00 ff"), QByteArray("AT\r\n\0\xff", 6));
    EXPECT_EQ(ParseHexPairs("  "), QByteArray());
    for (const char *badText : {"4G", "414", "41 5", "4 1", "0x41", "41,54", "４１" /* full-width digits */}) {
        QString bad;
        EXPECT_FALSE(ParseHexPairs(QString::fromUtf8(badText), &bad)) << badText;
        EXPECT_FALSE(bad.isEmpty()) << badText;
    }
    QString bad;
    ParseHexPairs("41 4G 54", &bad);
    EXPECT_EQ(bad, "4G");
}

TEST(Traffic, CountsWhatThePortTookAndGaveAndAClickResetsIt)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    TrafficCounter *counter = w.findChild<TrafficCounter *>("lblTraffic");
    ASSERT_NE(counter, nullptr);
    EXPECT_TRUE(w.statusBar()->isAncestorOf(counter));
    EXPECT_EQ(counter->text(), "RX: 0  TX: 0");
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(f.openOn(pty.slave())) << LastLine(f.console()).toStdString();

    w.consolePanel()->edtSend->setPlainText("AT+CSQ");
    w.actSendExecute(); // the automatic line end makes it 8 bytes
    EXPECT_EQ(pty.read(8, 500), QByteArray("AT+CSQ\r\n"));
    const QByteArray answer("\r\n+CSQ:25,99\r\n\r\nOK\r\n");
    ASSERT_EQ(answer.size(), 20);
    ASSERT_TRUE(pty.write(answer));
    EXPECT_TRUE(WaitFor([&] { return counter->rx() == 20; }, 3000)) << counter->rx();
    EXPECT_EQ(counter->tx(), 8);
    EXPECT_EQ(counter->text(), "RX: 20  TX: 8");

    // A send refused for a closed port counts nothing.
    w.portBar()->btnOpenClose->click();
    ASSERT_FALSE(w.ComOpened());
    w.actSendExecute();
    EXPECT_EQ(counter->tx(), 8);

    w.mni_Cn->trigger();
    EXPECT_EQ(counter->text(), U("接收：20  发送：8"));
    QMouseEvent right(QEvent::MouseButtonRelease, QPointF(2, 2), counter->mapToGlobal(QPointF(2, 2)), Qt::RightButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(counter, &right);
    EXPECT_EQ(counter->rx(), 20);
    QMouseEvent left(QEvent::MouseButtonRelease, QPointF(2, 2), counter->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(counter, &left);
    EXPECT_EQ(counter->rx(), 0);
    EXPECT_EQ(counter->tx(), 0);
    EXPECT_EQ(counter->text(), U("接收：0  发送：0"));
}

TEST(RepeatSend, SendsAtOnceThenEveryIntervalAndStopsLoudly)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    RepeatSend &rep = w.consoleExtras()->repeat();
    QCheckBox *box = w.findChild<QCheckBox *>("chkRepeatSend");
    ASSERT_EQ(box, rep.box());
    EXPECT_EQ(box->text(), "Repeat every");
    EXPECT_TRUE(w.consolePanel()->rztlbrSend->isAncestorOf(w.findChild<QSpinBox *>("spnRepeatMs")));

    // Closed port: refused at once.
    box->setChecked(true);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(LastLine(f.console()), "Repeat sending stopped: the serial port is closed");

    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(f.openOn(pty.slave())) << LastLine(f.console()).toStdString();
    // Empty box: refused.
    w.consolePanel()->edtSend->clear();
    box->setChecked(true);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(LastLineColour(f.console()), ConsoleView::colourOf(LineKind::Err));

    const qsizetype historyBefore = w.consoleExtras()->history().entries().size();
    w.consolePanel()->edtSend->setPlainText("AT+CSQ");
    rep.setIntervalMs(40);
    QElapsedTimer t;
    t.start();
    box->setChecked(true);
    EXPECT_EQ(pty.read(8, 20, 200), QByteArray("AT+CSQ\r\n")); // the first at once
    QByteArray more; // the ticks need the event loop
    EXPECT_TRUE(WaitFor([&] { more += pty.read(4096, 1, 1); return more.size() >= 8 * 5; }, 3000));
    EXPECT_EQ(more.left(8 * 5), QByteArray("AT+CSQ\r\n").repeated(5)) << more.constData();
    EXPECT_GE(t.elapsed(), 5 * 40 - 20);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(w.consoleExtras()->history().entries().size(), historyBefore); // repeats are no history
    box->setChecked(false);
    pty.read(1024, 20, 100);
    Pump(200);
    EXPECT_EQ(pty.read(1, 20, 20), QByteArray()) << "nothing after unchecking";

    // Invalid hex text: one red line, box cleared.
    w.consoleExtras()->mniSendHex->setChecked(true);
    w.consolePanel()->edtSend->setPlainText("41 4G");
    box->setChecked(true);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(LastLine(f.console()), "Repeat sending stopped");
    w.consoleExtras()->mniSendHex->setChecked(false);

    // Closing the port stops it with a line.
    w.consolePanel()->edtSend->setPlainText("ping");
    rep.setIntervalMs(1000);
    box->setChecked(true);
    EXPECT_EQ(pty.read(4, 20, 500), QByteArray("ping"));
    w.portBar()->btnOpenClose->click();
    EXPECT_TRUE(WaitFor([&] { return !box->isChecked(); }, 1000));
    EXPECT_EQ(LastLine(f.console()), "Repeat sending stopped: the serial port is closed");

    // The interval survives a restart; an out-of-range one gives the default.
    rep.setIntervalMs(250);
    f.reopen(false);
    EXPECT_EQ(f.w->consoleExtras()->repeat().intervalMs(), 250);
    f.w->consoleExtras()->repeat().setIntervalMs(5);
    EXPECT_EQ(f.w->consoleExtras()->repeat().intervalMs(), RepeatSend::kDefaultMs);
}

TEST(RepeatSend, WaitsWhileAQueuedOperationAwaitsItsAnswer)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(f.openOn(pty.slave()));
    w.btnDoClick(10); // Get All: the version query waits for its answer
    EXPECT_EQ(pty.read(9, 20, 500), QByteArray("AT+VER?\r\n"));
    w.consolePanel()->edtSend->setPlainText("data");
    RepeatSend &rep = w.consoleExtras()->repeat();
    rep.setIntervalMs(30);
    rep.box()->setChecked(true);
    Pump(200);
    EXPECT_EQ(pty.read(1, 20, 20), QByteArray());
    EXPECT_TRUE(rep.running());
    EXPECT_EQ(rep.sentCount(), 0);
    rep.box()->setChecked(false);
}

TEST(SendHex, SendsTheExactBytesOrARedLineAndNothing)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(f.openOn(pty.slave())) << LastLine(f.console()).toStdString();
    QAction *hex = w.consoleExtras()->mniSendHex;
    ASSERT_TRUE(w.pmSend->actions().contains(hex));
    ASSERT_FALSE(hex->isChecked());
    hex->trigger();
    w.mniAutoCR->trigger(); // never adds a line end to hex bytes

    w.consolePanel()->edtSend->setPlainText("41 54 0d0A\n00 FF");
    w.actSendExecute();
    EXPECT_EQ(pty.read(6, 500), QByteArray("AT\r\n\0\xff", 6));
    EXPECT_EQ(LastLineColour(w.consolePanel()->edtDialog), ConsoleView::colourOf(LineKind::Send));

    w.consolePanel()->edtSend->setPlainText("41 54");
    w.actSendExecute();
    EXPECT_EQ(pty.read(2, 300), QByteArray("AT"));

    const int n = PaneLines(w.consolePanel()->edtDialog).size();
    w.consolePanel()->edtSend->setPlainText("4G");
    w.actSendExecute();
    EXPECT_EQ(PaneLines(w.consolePanel()->edtDialog).size(), n + 1);
    EXPECT_EQ(LastLine(w.consolePanel()->edtDialog), "Not hexadecimal byte pairs, nothing sent: 4G");
    EXPECT_EQ(LastLineColour(w.consolePanel()->edtDialog), ConsoleView::colourOf(LineKind::Err));
    w.mni_Cn->trigger();
    w.consolePanel()->edtSend->setPlainText("41 5");
    w.actSendExecute();
    EXPECT_EQ(LastLine(w.consolePanel()->edtDialog), U("不是十六进制字节对，未发送：5"));
    EXPECT_EQ(pty.read(1, 300), QByteArray()) << "nothing went out";

    // Off again: the text itself goes out.
    hex->trigger();
    w.consolePanel()->edtSend->setPlainText("41");
    w.actSendExecute();
    EXPECT_EQ(pty.read(2, 300), QByteArray("41"));

    hex->trigger();
    f.close();
    f.open(false);
    EXPECT_TRUE(f.w->consoleExtras()->mniSendHex->isChecked()) << "kept in the configuration file";
    EXPECT_EQ(f.w->consoleExtras()->mniSendHex->text(), U("十六进制发送"));
}

// ---- find ----

TEST(Find, CtrlFOpensTheBarWhichMovesBetweenMatchesAndEscapeClosesIt)
{
    ShownWindow f(false);
    TFrm_Main &w = *f.w;
    FindBar &bar = w.consoleExtras()->findBar();
    w.consolePanel()->edtDialog->clear();
    for (const char *l : {"AT+CSQ", "+CSQ: 20,99", "OK", "AT+VER?", "+VER: 1.0 ok", "OK"})
        w.console()->ShowRcv(l);
    ASSERT_TRUE(bar.isHidden());
    f.focus(w.consolePanel()->edtDialog);
    SendKey(w.consolePanel()->edtDialog, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar.isVisible());
    ASSERT_EQ(QApplication::focusWidget(), bar.edtFind);

    TypeText(bar.edtFind, "ok");
    EXPECT_EQ(bar.matchCount(), 3);
    EXPECT_EQ(bar.currentMatch(), 1);
    EXPECT_EQ(w.consolePanel()->edtDialog->textCursor().block().text(), "OK");
    EXPECT_EQ(w.consolePanel()->edtDialog->textCursor().blockNumber(), 2);
    EXPECT_EQ(bar.lblFindCount->text(), "1/3");
    // Every match in view is highlighted.
    EXPECT_EQ(w.consolePanel()->edtDialog->extraSelections().size(), 3);

    // Enter in the field finds the next match and leaves the send box alone.
    w.consolePanel()->edtSend->setPlainText("AT");
    SendKey(bar.edtFind, Qt::Key_Return);
    EXPECT_EQ(w.consolePanel()->edtSend->toPlainText(), "AT");
    EXPECT_EQ(bar.currentMatch(), 2);
    EXPECT_EQ(w.consolePanel()->edtDialog->textCursor().blockNumber(), 4);
    bar.btnFindNext->click();
    EXPECT_EQ(bar.currentMatch(), 3);
    bar.btnFindNext->click(); // round the end
    EXPECT_EQ(bar.currentMatch(), 1);
    bar.btnFindPrev->click(); // and back
    EXPECT_EQ(bar.currentMatch(), 3);
    EXPECT_EQ(bar.lblFindCount->text(), "3/3");
    SendKey(bar.edtFind, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(bar.currentMatch(), 2);

    // Match case: only the lower-case one, then none, then the upper-case ones.
    bar.chkFindCase->setChecked(true);
    EXPECT_EQ(bar.matchCount(), 1);
    EXPECT_TRUE(bar.findNext());
    EXPECT_EQ(w.consolePanel()->edtDialog->textCursor().blockNumber(), 4);
    bar.edtFind->clear();
    TypeText(bar.edtFind, "Ok");
    EXPECT_EQ(bar.matchCount(), 0);
    EXPECT_EQ(bar.lblFindCount->text(), "No matches");
    EXPECT_FALSE(bar.findNext());
    bar.edtFind->clear();
    TypeText(bar.edtFind, "OK");
    EXPECT_EQ(bar.matchCount(), 2);
    EXPECT_EQ(w.consolePanel()->edtDialog->extraSelections().size(), 2);

    SendKey(bar.edtFind, Qt::Key_Escape);
    EXPECT_TRUE(bar.isHidden());
    EXPECT_TRUE(w.consolePanel()->edtDialog->extraSelections().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), w.consolePanel()->edtDialog);

    // The texts follow the language.
    w.mni_Cn->trigger();
    EXPECT_EQ(bar.btnFindNext->text(), U("下一个"));
    EXPECT_EQ(w.consoleExtras()->mniFind->text(), U("查找..."));
}

// ---- font size ----

namespace {

void Wheel(QWidget *viewport, int dy, Qt::KeyboardModifiers mods)
{
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent e(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, dy), Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &e);
}

int PointSizes(TFrm_Main &w)
{
    const int s = w.consolePanel()->edtDialog->font().pointSize();
    return w.consolePanel()->edtDialogHex->font().pointSize() == s && w.consolePanel()->edtSend->font().pointSize() == s ? s : -1;
}

} // namespace

TEST(FontSize, KeysAndCtrlWheelChangeAllThreeAndTheSizeSurvivesARestart)
{
    ShownWindow f(false);
    TFrm_Main *w = f.w.get();
    ASSERT_EQ(PointSizes(*w), ConsoleZoom::kDefault);
    f.focus(w->consolePanel()->edtSend);
    SendKey(w->consolePanel()->edtSend, Qt::Key_Plus, Qt::ControlModifier, "+");
    EXPECT_EQ(PointSizes(*w), 13);
    SendKey(w->consolePanel()->edtSend, Qt::Key_Equal, Qt::ControlModifier, "=");
    EXPECT_EQ(PointSizes(*w), 14);
    f.focus(w->consolePanel()->edtDialog);
    SendKey(w->consolePanel()->edtDialog, Qt::Key_Minus, Qt::ControlModifier, "-");
    EXPECT_EQ(PointSizes(*w), 13);
    SendKey(w->consolePanel()->edtDialog, Qt::Key_0, Qt::ControlModifier, "0");
    EXPECT_EQ(PointSizes(*w), ConsoleZoom::kDefault);

    Wheel(w->consolePanel()->edtDialog->viewport(), 240, Qt::ControlModifier);
    EXPECT_EQ(PointSizes(*w), 14);
    Wheel(w->consolePanel()->edtSend->viewport(), -60, Qt::ControlModifier);
    EXPECT_EQ(PointSizes(*w), 14) << "half a notch";
    Wheel(w->consolePanel()->edtSend->viewport(), -60, Qt::ControlModifier);
    EXPECT_EQ(PointSizes(*w), 13);
    Wheel(w->consolePanel()->edtDialog->viewport(), -120, Qt::NoModifier);
    EXPECT_EQ(PointSizes(*w), 13) << "a plain wheel only scrolls";

    // Limits.
    for (int i = 0; i < 60; ++i)
        w->consoleExtras()->zoom().step(1);
    EXPECT_EQ(PointSizes(*w), ConsoleZoom::kMax);
    w->consoleExtras()->zoom().setSize(2);
    EXPECT_EQ(PointSizes(*w), ConsoleZoom::kMin);
    w->consoleExtras()->zoom().setSize(17);

    f.close();
    f.open(false);
    EXPECT_EQ(PointSizes(*f.w), 17);
    const QByteArray ini = [&] {
        QFile file(f.iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    EXPECT_TRUE(ini.contains("ConsoleFontSize=17\r\n"));
}

// ---- contrast ----

namespace {

QPalette DarkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    p.setColor(QPalette::Base, QColor(0x23, 0x23, 0x23));
    p.setColor(QPalette::AlternateBase, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    return p;
}

QPalette LightPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    return p;
}

// The application palette for one scope.
struct PaletteScope {
    QPalette old = QApplication::palette();
    explicit PaletteScope(const QPalette &p) { QApplication::setPalette(p); }
    ~PaletteScope() { QApplication::setPalette(old); }
};

// Contrast of a radio button's caption as drawn on its box: the strongest
// pixel against the most common one (the background) in the caption's rectangle.
double CaptionContrast(QWidget *box, QRadioButton *rb)
{
    QStyleOptionButton opt;
    opt.initFrom(rb);
    opt.text = rb->text();
    const QRect text = rb->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, rb);
    const QImage img = box->grab(QRect(rb->mapTo(box, text.topLeft()), text.size())).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ++counts[img.pixel(x, y)];
    QRgb bg = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            bg = it.key();
        }
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = std::max(best, ContrastRatio(QColor(it.key()), QColor(bg)));
    return best;
}

} // namespace

TEST(Contrast, RatiosAndTheNearestLegibleColour)
{
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(QColor(0x77, 0x77, 0x77), QColor(0x77, 0x77, 0x77)), 1.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(QColor(255, 0, 0), Qt::white), 4.0, 0.01);
    // Legible colours stay as they are; others keep their hue, just far enough.
    EXPECT_EQ(LegibleOn(QColor(0, 128, 0), Qt::white), QColor(0, 128, 0));
    const QColor red = LegibleOn(QColor(255, 0, 0), Qt::white);
    EXPECT_EQ(red, QColor(238, 0, 0));
    EXPECT_LT(ContrastRatio(QColor(239, 0, 0), Qt::white), kMinContrast) << "no darker than needed";
    const QColor blue = LegibleOn(QColor(0, 0, 255), QColor(0x23, 0x23, 0x23));
    EXPECT_GE(ContrastRatio(blue, QColor(0x23, 0x23, 0x23)), kMinContrast);
    EXPECT_EQ(blue.blue(), 255);
    EXPECT_LT(blue.red(), 255);
    // A background where nothing reaches the ratio gets the better extreme.
    EXPECT_EQ(LegibleOn(QColor(0x70, 0x70, 0x70), QColor(0x76, 0x76, 0x76), 20.0), QColor(Qt::black));
}

TEST(Contrast, EveryConsoleColourAgainstTheLightAndTheDarkPalette)
{
    for (const QPalette &pal : {LightPalette(), DarkPalette()}) {
        const QColor base = pal.color(QPalette::Base);
        for (LineKind k : {LineKind::Rcv, LineKind::Send, LineKind::Info, LineKind::Err, LineKind::RcvErr}) {
            const QColor c = ConsoleView::colourOf(k, pal);
            EXPECT_GE(ContrastRatio(c, base), kMinContrast) << int(k) << " on " << base.name().toStdString();
        }
    }
    // On white the green and the blue are the original colours.
    EXPECT_EQ(ConsoleView::colourOf(LineKind::Rcv, LightPalette()), QColor(0, 128, 0));
    EXPECT_EQ(ConsoleView::colourOf(LineKind::Send, LightPalette()), QColor(0, 0, 255));
    EXPECT_EQ(ConsoleView::colourOf(LineKind::Info, LightPalette()), QColor(Qt::black));
}

// The text colour a widget's style sheet sets (a name or #rrggbb); invalid when none.
static QColor StyleSheetColour(const QWidget *w)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(?:^|[\\s;{])color:\\s*(#?[0-9A-Za-z]+)")).match(w->styleSheet());
    return m.hasMatch() ? QColor(m.captured(1)) : QColor();
}

TEST(Contrast, ADarkDesktopKeepsLinesAndWorkModeLabelsLegible)
{
    for (const QPalette &pal : {LightPalette(), DarkPalette()}) {
        PaletteScope scope(pal);
        ShownWindow f(false);
        TFrm_Main &w = *f.w;
        const QColor base = w.consolePanel()->edtDialog->palette().color(QPalette::Base);
        SCOPED_TRACE(base.name().toStdString());
        ASSERT_EQ(base, pal.color(QPalette::Base));
        w.console()->ShowRcv("rcv");
        EXPECT_GE(ContrastRatio(LastLineColour(w.consolePanel()->edtDialog), base), kMinContrast);
        w.console()->ShowSend("send");
        EXPECT_GE(ContrastRatio(LastLineColour(w.consolePanel()->edtDialog), base), kMinContrast);
        w.console()->ShowInfo("info");
        EXPECT_GE(ContrastRatio(LastLineColour(w.consolePanel()->edtDialog), base), kMinContrast);
        w.console()->ShowErr("err");
        EXPECT_GE(ContrastRatio(LastLineColour(w.consolePanel()->edtDialog), base), kMinContrast);
        for (QRadioButton *rb : {w.form()->rbNetTran, w.form()->rbHttpd})
            EXPECT_GE(CaptionContrast(w.form()->rzgrpbxWkmod, rb), kMinContrast) << rb->objectName().toStdString();
        // The blue port-button caption and the About box's web address.
        const QColor caption = StyleSheetColour(w.portBar()->btnOpenClose);
        ASSERT_TRUE(caption.isValid()) << w.portBar()->btnOpenClose->styleSheet().toStdString();
        EXPECT_GE(ContrastRatio(caption, pal.color(QPalette::Button)), kMinContrast);
        Tfrm_About about(&w, *w.consolePanel());
        QWidget *site = about.findChild<QWidget *>("lbl_About_Website");
        ASSERT_NE(site, nullptr);
        const QColor link = StyleSheetColour(site);
        ASSERT_TRUE(link.isValid()) << site->styleSheet().toStdString();
        EXPECT_GE(ContrastRatio(link, pal.color(QPalette::Window)), kMinContrast);
    }
}

// ---- speed without losing the newest line ----

TEST(ConsoleScroll, ABurstOfLinesEndsWithTheNewestInView)
{
    ShownWindow f(false);
    TFrm_Main &w = *f.w;
    for (int i = 0; i < 300; ++i)
        w.console()->ShowRcv(QByteArray::number(i));
    Pump(50);
    QScrollBar *sb = w.consolePanel()->edtDialog->verticalScrollBar();
    ASSERT_GT(sb->maximum(), 0);
    EXPECT_EQ(sb->value(), sb->maximum());
    // Scrolled up by the user, the next line brings the view back down.
    sb->setValue(0);
    w.console()->ShowRcv("newest");
    Pump(50);
    EXPECT_EQ(sb->value(), sb->maximum());
}

// The View menu's items show and hide the hex pane and the quick-command row, and follow
// them when the picture clicks or the splitter spot change them; both languages name them
// with a key letter.
TEST(ViewMenu, ItemsSwitchThePanesAndFollowTheOtherWays)
{
    for (const bool chinese : {false, true}) {
        WindowFixture f(chinese);
        TFrm_Main &w = *f.w;
        auto *view = w.findChild<QMenu *>("mni_View");
        ASSERT_NE(view, nullptr);
        EXPECT_FALSE(QKeySequence::mnemonic(view->title()).isEmpty()) << view->title().toStdString();
        auto *hex = w.findChild<QAction *>("mniHexPane");
        auto *quick = w.findChild<QAction *>("mniQuickCmds");
        auto *stamps = w.findChild<QAction *>("mniTimestamps");
        ASSERT_TRUE(hex && quick && stamps);
        EXPECT_TRUE(view->actions().contains(stamps));
        for (QAction *a : {hex, quick, stamps})
            EXPECT_FALSE(QKeySequence::mnemonic(a->text()).isEmpty()) << a->text().toStdString();

        ConsolePanel &panel = *w.consolePanel();
        EXPECT_FALSE(hex->isChecked());
        hex->trigger();
        EXPECT_TRUE(panel.hexPaneOn());
        EXPECT_FALSE(panel.edtDialogHex->isHidden());
        panel.setHexPane(false); // the About picture's way
        EXPECT_FALSE(hex->isChecked());

        EXPECT_FALSE(quick->isChecked());
        quick->trigger();
        EXPECT_GT(panel.rzspltrBtnAndDialog->sizes().value(0), 0);
        w.findChild<QToolButton *>("rzspltrBtnAndDialogHotSpot")->click(); // the splitter spot's way
        EXPECT_EQ(panel.rzspltrBtnAndDialog->sizes().value(0), 0);
        EXPECT_FALSE(quick->isChecked());
    }
}

// "Clear after send" empties the box only once its bytes went out; the choice is kept in the
// configuration file. While hex sending is on, the send bar shows a mark.
TEST(SendBox, ClearAfterSendOnlyWhatWentOutAndTheHexMark)
{
    WindowFixture f(false);
    {
        TFrm_Main &w = *f.w;
        ConsoleExtras &x = *w.consoleExtras();
        ASSERT_TRUE(w.pmSend->actions().contains(x.mniClearAfterSend));
        EXPECT_FALSE(x.mniClearAfterSend->isChecked()); // off unless chosen
        EXPECT_EQ(x.mniClearAfterSend->text(), "Clear after send");
        QPlainTextEdit *box = w.consolePanel()->edtSend;

        x.mniClearAfterSend->trigger();
        box->setPlainText("AT+CSQ");
        w.actSendExecute(); // the port is closed: nothing went out, the text stays
        EXPECT_EQ(box->toPlainText(), "AT+CSQ");

        PtyPair pty;
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(f.openOn(pty.slave())) << LastLine(f.console()).toStdString();
        w.actSendExecute();
        EXPECT_EQ(pty.read(8, 500), QByteArray("AT+CSQ\r\n"));
        EXPECT_TRUE(box->toPlainText().isEmpty());

        QWidget *mark = w.findChild<QWidget *>("lblSendHexMark");
        ASSERT_NE(mark, nullptr);
        EXPECT_TRUE(w.consolePanel()->rztlbrSend->isAncestorOf(mark));
        EXPECT_TRUE(mark->isHidden());
        x.mniSendHex->trigger();
        EXPECT_FALSE(mark->isHidden());
        box->setPlainText("41 5"); // refused as hex: nothing went out, the text stays
        w.actSendExecute();
        EXPECT_EQ(box->toPlainText(), "41 5");
        x.mniSendHex->trigger();
        EXPECT_TRUE(mark->isHidden());
        w.PortClose();
    }
    f.close();
    f.open(false);
    EXPECT_TRUE(f.w->consoleExtras()->mniClearAfterSend->isChecked());
}

