#include "app/Batch.h"
#include "app/BatchRun.h"

#include "app/BatchFiles.h"
#include "app/BatchOutput.h"
#include "app/BatchSignals.h"
#include "app/BatchVerify.h"
#include "comm/PortList.h"
#include "comm/SPComm.h"
#include "ui/ConfigIo.h"
#include "config/IniFile.h"
#include "firmware/FwUpgrade.h"
#include "protocol/Protocol.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/PortBar.h"
#include "ui/ConsolePanel.h"
#include "util/FileIo.h"
#include "util/Gbk.h"

#include <QAction>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <climits>

QString BatchHelpText()
{
    return QStringLiteral(
        "Batch commands (no display needed):\n"
        "  --batch get-all --port DEV [--baud N] --ini OUT.ini   read every parameter into OUT.ini; only what the\n"
        "                                                        module answered (its [Module] section names the rest)\n"
        "  --batch set-all --port DEV [--baud N] --ini IN.ini    load IN.ini (its work mode kept), write it all\n"
        "                  [--all]                               --all: every module value of IN.ini, whatever its boxes\n"
        "  --batch send    --port DEV [--baud N] TEXT            send one line, print the answer until a pause\n"
        "  --batch upgrade --port DEV [--baud N] --firmware FILE wait for the boot menu, send the image\n"
        "  --batch verify  --port DEV [--baud N] --ini IN.ini    read the module, compare every module value of IN.ini\n"
        "  --batch provision --port DEV [--baud N] --ini TEMPLATE [--values VALUES.csv] [--records DB|URL]\n"
        "                  [--station NAME]                      read the module, write the template with its own values\n"
        "                                                        from VALUES.csv, read back and compare; record the run\n"
        "  --batch records [--records DB|URL] [--csv OUT.csv] [--since DATE]   list or export the records\n"
        "  --timeout S     give up after S seconds (default 120; send: 10; upgrade: 600 without progress)\n"
        "  --json          one JSON object per stdout line (line, progress, identity, result)\n"
        "Exit codes: 0 done, 1 bad argument, 2 missing or incomplete file, 3 port not opened or lost,\n"
        "            4 no answer, or a query left without an answer of its own (get-all writes no file),\n"
        "            5 a line was refused by the module, 6 other failure, 7 firmware transfer failed,\n"
        "            8 verify: the module differs from the file (one line per difference),\n"
        "            9 provision: the values file has no row for this module (nothing written).\n");
}

namespace {

const QStringList kCommands = {"get-all", "set-all", "send", "upgrade", "verify", "provision", "records"};

bool readable(const QString &path)
{
    QFile f(path);
    return QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly);
}

} // namespace

int CodeOf(const TOpOutcome &o)
{
    if (o.end == TOpEnd::NoAnswer)
        return ExitTimeout;
    if (o.end == TOpEnd::Cancelled)
        return ExitPortFailed;
    if (!o.unread.isEmpty())
        return ExitTimeout;
    return o.refused.isEmpty() ? ExitOk : ExitRefused;
}

QString Joined(const QList<QByteArray> &words) { return QString::fromLatin1(words.join(", ")); }

void BatchRun::settle(int code)
{
    if (result_ < 0)
        result_ = code;
    loop_.quit();
}

int BatchRun::wait()
{
    if (result_ < 0) {
        deadline_.start();
        loop_.exec();
    }
    return result_;
}

int BatchRun::checkArgs()
{
    if (!kCommands.contains(a_.command)) {
        out_.error(QStringLiteral("unknown batch command '%1' (%2)").arg(a_.command, kCommands.join(", ")));
        return ExitUsage;
    }
    if (a_.port.isEmpty()) {
        out_.error(QStringLiteral("--port DEV is required"));
        return ExitUsage;
    }
    bool baudOk = false;
    a_.baud.toUInt(&baudOk);
    if (!baudOk) {
        out_.error(QStringLiteral("--baud must be a number, not '%1'").arg(a_.baud));
        return ExitUsage;
    }
    if ((a_.command == "get-all" || fromFile()) && a_.ini.isEmpty()) {
        out_.error(QStringLiteral("--ini FILE is required for %1").arg(a_.command));
        return ExitUsage;
    }
    if (a_.all && a_.command != "set-all") {
        out_.error(QStringLiteral("--all belongs to set-all"));
        return ExitUsage;
    }
    if (fromFile()) {
        // Read once: what is checked is what is used, whatever happens to the file meanwhile.
        QFile f(a_.ini);
        if (!QFileInfo(a_.ini).isFile() || !f.open(QIODevice::ReadOnly)) {
            out_.error(QStringLiteral("cannot read %1").arg(a_.ini));
            return ExitMissingFile;
        }
        iniBytes_ = f.read(TIniFile::kMaxFileBytes + 1);
    }
    if (a_.command == "upgrade") {
        if (a_.firmware.isEmpty()) {
            out_.error(QStringLiteral("--firmware FILE is required for upgrade"));
            return ExitUsage;
        }
        if (!readable(a_.firmware)) {
            out_.error(QStringLiteral("cannot read %1").arg(a_.firmware));
            return ExitMissingFile;
        }
        if (QFileInfo(a_.firmware).size() == 0) {
            out_.error(QStringLiteral("%1 is empty; nothing to upgrade").arg(a_.firmware));
            return ExitMissingFile;
        }
    }
    if (a_.command == "send" && a_.text.isEmpty()) {
        out_.error(QStringLiteral("send needs the TEXT to send"));
        return ExitUsage;
    }
    if (a_.command != "provision" && !(a_.values.isEmpty() && a_.station.isEmpty())) {
        out_.error(QStringLiteral("--values and --station belong to provision"));
        return ExitUsage;
    }
    return a_.command == "provision" ? checkProvision() : ExitOk;
}

// The window loaded the file's bytes; a file that is no complete configuration
// would quietly write the built-in defaults in place of what it lacks.
int BatchRun::loadFile(TFrm_Main &w, const QString &workIni)
{
    TIniFile in(workIni);
    QString why;
    if (!in.load(&why)) {
        out_.error(QStringLiteral("cannot read %1: %2").arg(a_.ini, why));
        return ExitMissingFile;
    }
    // What the program itself writes, from the same window.
    QTemporaryDir scratch;
    const QString refPath = scratch.filePath(QStringLiteral("reference.ini"));
    FreeIni();
    BindIni(refPath);
    const bool saved = scratch.isValid() && SaveIni(w, &why);
    FreeIni();
    BindIni(workIni);
    QFile ref(refPath);
    if (!saved || !ref.open(QIODevice::ReadOnly)) {
        out_.error(QStringLiteral("cannot check %1: %2").arg(a_.ini, why));
        return ExitFailed;
    }
    noValue_ = WordsWithoutValue(in);
    if (const QString missing = MissingConfig(in, a_.ini, ref.readAll(), noValue_); !missing.isEmpty()) {
        out_.error(missing);
        return ExitMissingFile;
    }
    ParamCodec &codec = w.protocol()->codec();
    codec.SetOmitted(noValue_);
    codec.SetWriteAll(a_.all);
    // The version answer decides the identity word of registration type 1.
    w.protocol()->ApplyParam("VER", QByteArray());
    filePlan_.clear();
    for (const TSetting &s : codec.Plan())
        if (HoldsWord(in, CmdToStr(s.cmd)) && !noValue_.contains(CmdToStr(s.cmd)))
            filePlan_.append(s);
    if (a_.command == "set-all") {
        QStringList skipped;
        for (const TSetting &s : codec.Plan()) {
            const QByteArray word = CmdToStr(s.cmd);
            if (noValue_.contains(word))
                skipped << QStringLiteral("%1 (the file holds no value)").arg(QString::fromLatin1(word));
            else if (s.skip == TSkip::NoItem || (s.skip != TSkip::None && !a_.all))
                skipped << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(word), QString::fromLatin1(SkipReason(s)));
        }
        if (!skipped.isEmpty())
            out_.info(QStringLiteral("Not written: %1").arg(skipped.join(", ")));
    }
    return ExitOk;
}

bool BatchRun::openPort(TFrm_Main &w)
{
    RegisterExtraPort(a_.port);
    w.FillPortList();
    ParamCodec::SelectItem(w.portBar()->cbbOpenCom, QFile::encodeName(a_.port));
    if (w.portBar()->cbbOpenCom->currentIndex() < 0) {
        w.portBar()->cbbOpenCom->addItem(a_.port);
        w.portBar()->cbbOpenCom->setCurrentIndex(w.portBar()->cbbOpenCom->count() - 1);
    }
    ParamCodec::SelectItem(w.portBar()->cbbOpenBaud, a_.baud.toLatin1());
    if (w.portBar()->cbbOpenBaud->currentIndex() < 0) {
        w.portBar()->cbbOpenBaud->addItem(a_.baud);
        w.portBar()->cbbOpenBaud->setCurrentIndex(w.portBar()->cbbOpenBaud->count() - 1);
    }
    w.portBar()->cbbOpenP->setCurrentIndex(0);
    w.portBar()->cbbOpenD->setCurrentIndex(1);
    w.portBar()->cbbOpenS->setCurrentIndex(0);
    w.portBar()->cbbOpenFlow->setCurrentIndex(0);
    w.btnSysClick(1);
    if (w.ComOpened())
        return true;
    out_.error(QStringLiteral("cannot open %1: %2").arg(a_.port, gbk::toUnicode(w.lastOpenFailure())));
    UnregisterExtraPort(a_.port);
    return false;
}

// Outcomes come from the protocol's and the transfer's own signals; console
// lines are only printed.
void BatchRun::wire(TFrm_Main &w)
{
    Protocol &p = *w.protocol();
    w.console()->setTap([this](LineKind kind, const QByteArray &text) { out_.line(kind, text); });
    // The window closes a port whose line went away (its handler runs first); nothing more can come.
    QObject::connect(w.comm(), &TComm::requestHangup, &loop_, [this, &w] {
        if (!w.ComOpened()) {
            out_.error(QStringLiteral("lost the line on %1").arg(a_.port));
            settle(ExitPortFailed);
        }
    });
    QObject::connect(&p, &Protocol::operationEnded, &loop_, [this](const TOpOutcome &o) {
        if (a_.command == "send")
            return;
        outcome.end = o.end;
        outcome.bulk = o.bulk;
        for (auto it = o.answers.constBegin(); it != o.answers.constEnd(); ++it)
            outcome.answers.insert(it.key(), it.value());
        for (const QByteArray &word : o.refused)
            if (!outcome.refused.contains(word))
                outcome.refused.append(word);
        for (const QByteArray &word : o.unread)
            if (!outcome.unread.contains(word))
                outcome.unread.append(word);
        outcome.unread.removeIf([this](const QByteArray &word) { return outcome.answers.contains(word); });
        outcome.accepted += o.accepted;
        if (o.end == TOpEnd::NoAnswer)
            out_.error(QStringLiteral("the module does not answer (check the port, baud rate, power and cable)"));
        phaseEnded_ = true;
        settle(CodeOf(o));
    });
    QObject::connect(&p, &Protocol::progress, &loop_, [this](int done, int total) { out_.progress(done, total); });
    // send: the answer ends with a second of quiet after it.
    QObject::connect(&p, &Protocol::blockReceived, &loop_, [this](TBlockKind k) {
        if (a_.command != "send")
            return;
        heard_ = true;
        refused_ = refused_ || k == TBlockKind::Refusal;
        quiet_.start();
    });
    quiet_.setSingleShot(true);
    quiet_.setInterval(1000);
    QObject::connect(&quiet_, &QTimer::timeout, &loop_, [this] { settle(refused_ ? ExitRefused : ExitOk); });

    FwUpgrade *fw = w.firmware();
    QObject::connect(fw, &FwUpgrade::transferEnded, &loop_, [this](TFwEnd end) {
        if (a_.command == "upgrade")
            settle(end == TFwEnd::Done ? ExitOk : end == TFwEnd::Empty ? ExitMissingFile : ExitTransferFailed);
    });
    // The time-out counts time without progress, so a long image at a low rate still
    // goes through; a progress line every 10 %.
    QObject::connect(fw, &FwUpgrade::transferProgress, &loop_, [this](int sent, int total) {
        deadline_.start();
        out_.progress(sent, total);
        const int tenth = total > 0 ? int(qint64(sent) * 10 / total) : 0;
        if (tenth > shownTenth_ && sent > 0 && !out_.json()) {
            shownTenth_ = tenth;
            out_.info(QStringLiteral("%1 % (%2 of %3 blocks)").arg(tenth * 10).arg(sent).arg(total));
        }
    });

    const int timeoutS = a_.timeoutS > 0 ? a_.timeoutS : a_.command == "send" ? 10 : a_.command == "upgrade" ? 600 : 120;
    deadline_.setSingleShot(true);
    deadline_.setInterval(qint64(timeoutS) * 1000 > INT_MAX ? INT_MAX : timeoutS * 1000);
    QObject::connect(&deadline_, &QTimer::timeout, &loop_, [this, timeoutS] {
        out_.error(QStringLiteral("time-out after %1 s").arg(timeoutS));
        settle(ExitTimeout);
    });
}

void BatchRun::start(TFrm_Main &w)
{
    if (a_.command == "get-all" || a_.command == "verify") {
        w.btnDoClick(10);
    } else if (a_.command == "set-all") {
        w.btnDoClick(11);
    } else if (a_.command == "send") {
        w.mniAutoCR->setChecked(true);
        w.consolePanel()->edtSend->setPlainText(a_.text);
        w.actSendExecute();
    } else if (!w.firmware()->ChooseFile(a_.firmware)) {
        settle(ExitMissingFile);
    }
}

int BatchRun::getAllResult(TFrm_Main &w, const QString &workIni)
{
    if (outcome.versionMissing()) {
        out_.error(QStringLiteral("the module %1 the version query: nothing was read; %2 not written")
                       .arg(outcome.refused.contains("VER") ? "refused" : "did not answer", a_.ini));
        return outcome.refused.contains("VER") ? ExitRefused : ExitTimeout;
    }
    // Values that never came would go into the file as whatever the form held: no file then.
    if (!outcome.unread.isEmpty()) {
        out_.error(QStringLiteral("no answer to %1; %2 not written").arg(Joined(outcome.unread), a_.ini));
        return ExitTimeout;
    }
    GetAllGaps gaps;
    QString why;
    if (!WriteGetAllFile(w, workIni, a_.ini, outcome, &gaps, &why)) {
        out_.error(why);
        return ExitFailed;
    }
    if (!gaps.notAsked.isEmpty())
        out_.info(QStringLiteral("Not asked in this work mode, left out of %1: %2").arg(a_.ini, Joined(gaps.notAsked)));
    if (!gaps.refused.isEmpty()) {
        out_.error(QStringLiteral("the module refused %1; %2 holds no value for them and names them in its [Module] section")
                       .arg(Joined(gaps.refused), a_.ini));
        return ExitRefused;
    }
    return ExitOk;
}

int BatchRun::setAllResult()
{
    if (outcome.versionMissing()) {
        out_.error(QStringLiteral("the module %1 the version query: nothing was written")
                       .arg(outcome.refused.contains("VER") ? "refused" : "did not answer"));
        return outcome.refused.contains("VER") ? ExitRefused : ExitTimeout;
    }
    return CodeOf(outcome);
}

// Get All has read the module. Words of the file it did not ask for are asked
// now; then every value of the file is compared with the module's answers.
int BatchRun::verifyResult(TFrm_Main &w)
{
    if (outcome.versionMissing()) {
        out_.error(QStringLiteral("the module %1 the version query: nothing was compared")
                       .arg(outcome.refused.contains("VER") ? "refused" : "did not answer"));
        return outcome.refused.contains("VER") ? ExitRefused : ExitTimeout;
    }
    Protocol &p = *w.protocol();
    OrderList &q = p.orders();
    q.ClearOrders();
    for (const TSetting &s : filePlan_) {
        const QByteArray word = CmdToStr(s.cmd);
        if (!outcome.answers.contains(word) && !outcome.refused.contains(word) && !outcome.unread.contains(word) &&
            !q.lines.contains(QueryLine(s.cmd)))
            q.AddQuery(s.cmd);
    }
    if (q.count() > 0) {
        p.SendCurOrder();
        result_ = -1;
        const int code = wait();
        if (code != ExitOk && code != ExitRefused && code != ExitTimeout)
            return code;
        if (outcome.end != TOpEnd::Complete)
            return code;
    }
    const QList<Difference> diffs = VerifyDifferences(filePlan_, [](const QByteArray &) { return true; }, outcome);
    for (const Difference &d : diffs)
        out_.difference(d);
    out_.info(QStringLiteral("%1 value(s) compared, %2 differ").arg(filePlan_.size()).arg(diffs.size()));
    return diffs.isEmpty() ? ExitOk : ExitDiffers;
}

int BatchRun::exec()
{
    const int code = execCommand();
    writeRecord(code);
    return code;
}

int BatchRun::execCommand()
{
    if (const int code = checkArgs(); code != ExitOk)
        return code;
    // The window works on a private directory so a script never touches the
    // user's own configuration.
    QTemporaryDir work;
    if (!work.isValid()) {
        out_.error(QStringLiteral("cannot create a working directory"));
        return ExitFailed;
    }
    const QString workIni = ConfigFilePath(work.path());
    if (QString why; fromFile() && !WriteFileAtomically(workIni, iniBytes_, &why)) {
        out_.error(why);
        return ExitFailed;
    }
    StartOptions opts;
    opts.configDir = work.path();
    opts.loadConfig = true;
    opts.keepStoredWorkMode = fromFile();
    opts.timings = a_.timings;
    TFrm_Main w(opts);
    if (fromFile())
        if (const int code = loadFile(w, workIni); code != ExitOk)
            return code;

    wire(w);
    const BatchInterrupt interrupt(w, a_.command, out_, [this](int code) { settle(code); });
    if (!interrupt.caught() && !openPort(w))
        return ExitPortFailed;
    if (!interrupt.caught() && a_.command == "provision") {
        const int code = provision(w, work.path());
        w.PortClose();
        UnregisterExtraPort(a_.port);
        return code;
    }
    if (!interrupt.caught())
        start(w);
    int code = wait();
    if (phaseEnded_ && (a_.command == "get-all" || a_.command == "verify" || a_.command == "set-all"))
        out_.identity(outcome);
    if (phaseEnded_ && outcome.end == TOpEnd::Complete) {
        if (a_.command == "get-all")
            code = getAllResult(w, workIni);
        else if (a_.command == "set-all")
            code = setAllResult();
        else if (a_.command == "verify")
            code = verifyResult(w);
    }
    if (a_.command == "send" && code == ExitTimeout && !heard_ &&
        a_.text.trimmed().startsWith(QLatin1String("AT"), Qt::CaseInsensitive))
        out_.error(QStringLiteral("no answer: a module in its data state ignores AT commands; "
                                  "send \"+++\" first to enter its command state"));
    w.PortClose();
    UnregisterExtraPort(a_.port);
    return code;
}

int RunBatch(const BatchArgs &a)
{
    const BatchSignals caught; // from here on an interruption ends the run the normal way
    BatchOutput out(a.json);
    if (a.command == "records") {
        const int code = RunRecords(a, out);
        out.result(code, TOpOutcome{});
        return code;
    }
    BatchRun run(a, out);
    const int code = run.exec();
    out.result(code, run.outcome);
    return code;
}
