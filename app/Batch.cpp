#include "app/Batch.h"

#include "app/BatchVerify.h"
#include "comm/SPComm.h"
#include "comm/PortList.h"
#include "config/ConfigIo.h"
#include "config/IniFile.h"
#include "firmware/FwUpgrade.h"
#include "lang/AppLang.h"
#include "protocol/Protocol.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "util/Gbk.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <climits>
#include <cstdio>
#include <functional>

QString BatchHelpText()
{
    return QStringLiteral(
        "Batch commands (no display needed):\n"
        "  --batch get-all --port DEV [--baud N] --ini OUT.ini   read every parameter, save the form to OUT.ini\n"
        "  --batch set-all --port DEV [--baud N] --ini IN.ini    load IN.ini (its work mode kept), write it all\n"
        "  --batch send    --port DEV [--baud N] TEXT            send one line, print the answer until a pause\n"
        "  --batch upgrade --port DEV [--baud N] --firmware FILE wait for the boot menu, send the image\n"
        "  --batch verify  --port DEV [--baud N] --ini IN.ini    read every parameter, compare with what\n"
        "                                                        set-all would write from IN.ini\n"
        "  --timeout S     give up after S seconds (default 120; send: 10; upgrade: 600 without progress)\n"
        "Exit codes: 0 done, 1 bad argument, 2 missing file, 3 port not opened or lost, 4 time-out or\n"
        "            (get-all) a query left without its answer,\n"
        "            5 a line was refused by the module, 6 other failure, 7 firmware transfer failed,\n"
        "            8 verify: the module differs from the file (one line per difference).\n");
}

namespace {

void err(const QString &msg)
{
    std::fprintf(stderr, "dtu-config: %s\n", msg.toLocal8Bit().constData());
}

void printLine(LineKind kind, const QByteArray &text)
{
    static const char *const tags[] = {"RECV", "SEND", "INFO", "ERR "};
    // Control bytes from the module (ESC sequences, BEL) must not act on the terminal.
    QString s = gbk::toTerminal(text);
    while (s.startsWith('\n'))
        s.remove(0, 1);
    while (s.endsWith('\n'))
        s.chop(1);
    std::printf("[%s] %s\n", tags[static_cast<int>(kind)], s.toUtf8().constData());
    std::fflush(stdout);
}

// Sections and keys as a saved configuration holds them, in file order.
QList<QPair<QByteArray, QByteArrayList>> sectionsOf(const QByteArray &text)
{
    QList<QPair<QByteArray, QByteArrayList>> out;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[') && line.endsWith(']'))
            out.append({line.mid(1, line.size() - 2), {}});
        else if (const qsizetype eq = line.indexOf('='); eq > 0 && !out.isEmpty() && !line.startsWith(';'))
            out.last().second.append(line.left(eq).trimmed());
    }
    return out;
}

// Set All writes the form as loaded from the file; a file without the module's sections (empty,
// not a configuration at all, cut short) would quietly write the built-in defaults instead.
// Returns what is missing, or an empty text. reference: what the program itself saves.
QString missingConfig(const QString &path, const QByteArray &reference)
{
    TIniFile in(path);
    in.load();
    QStringList noSection, noKey;
    for (const auto &[section, keys] : sectionsOf(reference)) {
        if (section == "System" || section == "OpenUart")
            continue; // the tool's own settings, not the module's
        if (!in.SectionExists(section)) {
            noSection << QStringLiteral("[%1]").arg(QString::fromLatin1(section));
            continue;
        }
        QStringList lack;
        for (const QByteArray &key : keys)
            if (!in.ValueExists(section, key))
                lack << QString::fromLatin1(key);
        if (!lack.isEmpty())
            noKey << QStringLiteral("[%1] %2").arg(QString::fromLatin1(section), lack.join(' '));
    }
    if (!noSection.isEmpty())
        return QStringLiteral("%1 holds no complete configuration: missing section(s) %2%3")
            .arg(path, noSection.join(' '), noKey.isEmpty() ? QString() : QStringLiteral("; missing key(s) ") + noKey.join("; "));
    if (!noKey.isEmpty())
        return QStringLiteral("%1 is cut short: missing key(s) %2").arg(path, noKey.join("; "));
    return {};
}

// Get All has read the module. Words of the file it did not ask for are asked now (runPhase waits for
// that queue); then every word of the file is compared.
int verifyModule(TFrm_Main &w, const SettingList &file, const QMap<QByteArray, QByteArray> &answered,
                 const QSet<QByteArray> &refused, const std::function<int()> &runPhase)
{
    Protocol &p = *w.protocol();
    OrderList &q = p.orders();
    q.ClearOrders();
    for (const auto &entry : file)
        if (!answered.contains(entry.first) && !refused.contains(entry.first))
            if (const auto c = StrToCmd(entry.first))
                q.AddQuery(*c);
    if (q.count() > 0) {
        p.SendCurOrder();
        const int code = runPhase();
        if (code != ExitOk && code != ExitRefused)
            return code;
    }
    const QStringList diffs = VerifyDifferences(file, SetAllSettings(p), answered, refused);
    for (const QString &d : diffs)
        std::printf("[DIFF] %s\n", d.toUtf8().constData());
    std::printf("[INFO] %lld setting(s) compared, %lld differ\n", qint64(file.size()), qint64(diffs.size()));
    std::fflush(stdout);
    return diffs.isEmpty() ? ExitOk : ExitDiffers;
}

bool readable(const QString &path)
{
    QFile f(path);
    return QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly);
}

} // namespace

int RunBatch(const BatchArgs &a)
{
    const QStringList known = {"get-all", "set-all", "send", "upgrade", "verify"};
    if (!known.contains(a.command)) {
        err(QStringLiteral("unknown batch command '%1' (get-all, set-all, send, upgrade, verify)").arg(a.command));
        return ExitUsage;
    }
    if (a.port.isEmpty()) {
        err(QStringLiteral("--port DEV is required"));
        return ExitUsage;
    }
    bool baudOk = false;
    a.baud.toUInt(&baudOk);
    if (!baudOk) {
        err(QStringLiteral("--baud must be a number, not '%1'").arg(a.baud));
        return ExitUsage;
    }
    const bool fromFile = a.command == "set-all" || a.command == "verify"; // the form comes from --ini
    if ((a.command == "get-all" || fromFile) && a.ini.isEmpty()) {
        err(QStringLiteral("--ini FILE is required for %1").arg(a.command));
        return ExitUsage;
    }
    if (fromFile && !readable(a.ini)) {
        err(QStringLiteral("cannot read %1").arg(a.ini));
        return ExitMissingFile;
    }
    if (a.command == "upgrade") {
        if (a.firmware.isEmpty()) {
            err(QStringLiteral("--firmware FILE is required for upgrade"));
            return ExitUsage;
        }
        if (!readable(a.firmware)) {
            err(QStringLiteral("cannot read %1").arg(a.firmware));
            return ExitMissingFile;
        }
        if (QFileInfo(a.firmware).size() == 0) {
            err(QStringLiteral("%1 is empty; nothing to upgrade").arg(a.firmware));
            return ExitMissingFile;
        }
    }
    if (a.command == "send" && a.text.isEmpty()) {
        err(QStringLiteral("send needs the TEXT to send"));
        return ExitUsage;
    }
    const int timeoutS = a.timeoutS > 0 ? a.timeoutS : a.command == "send" ? 10 : a.command == "upgrade" ? 600 : 120;

    // The window works on a private directory so a script never touches the
    // user's own configuration.
    QTemporaryDir work;
    if (!work.isValid()) {
        err(QStringLiteral("cannot create a working directory"));
        return ExitFailed;
    }
    if (fromFile)
        QFile::copy(a.ini, ConfigFilePath(work.path()));
    StartOptions opts;
    opts.configDir = work.path();
    opts.loadConfig = true;
    opts.keepStoredWorkMode = fromFile;
    TFrm_Main w(opts);

    if (fromFile) {
        // What the program itself writes, from the same window.
        QTemporaryDir scratch;
        FreeIni();
        const QString refPath = scratch.filePath(QStringLiteral("reference.ini"));
        BindIni(refPath);
        QString why;
        const bool saved = scratch.isValid() && SaveIni(w, &why);
        FreeIni();
        BindIni(ConfigFilePath(work.path()));
        QFile ref(refPath);
        if (!saved || !ref.open(QIODevice::ReadOnly)) {
            err(QStringLiteral("cannot check %1: %2").arg(a.ini, why));
            return ExitFailed;
        }
        if (const QString missing = missingConfig(a.ini, ref.readAll()); !missing.isEmpty()) {
            err(missing);
            return ExitMissingFile;
        }
    }

    // verify: what Set All would write from the file, for the module's version answer.
    SettingList fileSettings;
    if (a.command == "verify") {
        w.protocol()->ApplyParam("VER", QByteArray());
        fileSettings = SetAllSettings(*w.protocol());
    }
    QMap<QByteArray, QByteArray> answered; // word -> value of every named answer
    QSet<QByteArray> refusedWords;
    QList<QByteArray> unreadWords; // get-all: queries no answer named
    QObject::connect(w.protocol(), &Protocol::paramsUnread,
                     [&](const QList<QByteArray> &words) { unreadWords = words; });

    int result = -1;
    bool refused = false;
    bool sent = false; // send: only what follows the line counts as its answer
    bool heard = false; // send: something came back
    std::function<void()> onReceived = [] {}, onRefused = [] {};
    std::function<void(int)> onResult = [&](int code) { result = code; };
    const QByteArray done = LangText("info_DoOver");
    const QByteArray fwDone = LangText("info_FwUpOver");
    const QList<QByteArray> fwFailed = {LangText("info_FwNakLimit"), LangText("info_FwCancelled"),
                                        LangText("info_FwFileGone")};
    w.console()->setTap([&](LineKind kind, const QByteArray &text) {
        printLine(kind, text);
        if (sent && (kind == LineKind::Rcv || (kind == LineKind::Info && text != done)))
            onReceived();
        if (kind == LineKind::Rcv)
            if (const auto nv = NamedAnswer(text))
                answered.insert(nv->first.toUpper(), nv->second);
        if (kind == LineKind::Err && text.contains("+ERR:")) {
            refused = true;
            refusedWords.insert(LineWord(w.protocol()->LastSend()));
            if (sent)
                onReceived();
            onRefused();
        }
        if ((a.command == "get-all" || fromFile) && kind == LineKind::Info && text == done)
            onResult(refused ? ExitRefused : ExitOk);
        if (a.command == "upgrade" && kind == LineKind::Info && text == fwDone)
            onResult(ExitOk);
        // The transfer gave up (NAKs, CAN, an unreadable image): the red line said why.
        if (a.command == "upgrade" && kind == LineKind::Err &&
            (fwFailed.contains(text) || text.startsWith(LangText("info_FwUnreadable").left(8))))
            onResult(ExitTransferFailed);
    });
    // The window closes a port whose line went away (its handler runs first); nothing more can come.
    QObject::connect(w.comm(), &TComm::requestHangup, [&] {
        if (!w.ComOpened()) {
            err(QStringLiteral("lost the line on %1").arg(a.port));
            onResult(ExitPortFailed);
        }
    });

    RegisterExtraPort(a.port);
    w.FillPortList();
    ParamCodec::SelectItem(w.cbbOpenCom, QFile::encodeName(a.port));
    if (w.cbbOpenCom->currentIndex() < 0) {
        w.cbbOpenCom->addItem(a.port);
        w.cbbOpenCom->setCurrentIndex(w.cbbOpenCom->count() - 1);
    }
    ParamCodec::SelectItem(w.cbbOpenBaud, a.baud.toLatin1());
    if (w.cbbOpenBaud->currentIndex() < 0) {
        w.cbbOpenBaud->addItem(a.baud);
        w.cbbOpenBaud->setCurrentIndex(w.cbbOpenBaud->count() - 1);
    }
    w.cbbOpenP->setCurrentIndex(0);
    w.cbbOpenD->setCurrentIndex(1);
    w.cbbOpenS->setCurrentIndex(0);
    w.cbbOpenFlow->setCurrentIndex(0);
    w.btnSysClick(1);
    if (!w.ComOpened()) {
        err(QStringLiteral("cannot open %1: %2").arg(a.port, gbk::toUnicode(w.lastOpenFailure())));
        UnregisterExtraPort(a.port);
        return ExitPortFailed;
    }

    Protocol &p = *w.protocol();
    // A module that does not answer even after the repair ends the run at once.
    QObject::connect(&p, &Protocol::queueStopped, [&](TQueueState s) {
        if (result < 0 && s == TQueueState::NoAnswer) {
            err(QStringLiteral("the module does not answer (check the port, baud rate, power and cable)"));
            onResult(ExitTimeout);
        }
    });
    if (a.command == "get-all" || a.command == "verify") {
        w.btnDoClick(10);
    } else if (a.command == "set-all") {
        w.btnDoClick(11);
    } else if (a.command == "send") {
        w.mniAutoCR->setChecked(true);
        w.edtSend->setPlainText(a.text);
        sent = true;
        w.actSendExecute();
    } else {
        if (!w.firmware()->ChooseFile(a.firmware)) {
            w.PortClose();
            return ExitMissingFile;
        }
    }

    // Waiting is the event loop's: it sleeps until the line, a timer or the tap has news.
    QEventLoop loop;
    auto settle = [&](int code) {
        if (result < 0)
            result = code;
        loop.quit();
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setInterval(qint64(timeoutS) * 1000 > INT_MAX ? INT_MAX : timeoutS * 1000);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        err(QStringLiteral("time-out after %1 s").arg(timeoutS));
        settle(ExitTimeout);
    });
    // send: the answer ends with a second of quiet after it.
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(1000);
    QObject::connect(&quiet, &QTimer::timeout, [&] { settle(refused ? ExitRefused : ExitOk); });
    onReceived = [&] {
        heard = true;
        if (a.command == "send")
            quiet.start();
    };
    onRefused = [&] {
        // The refused line was the last: no completion follows. The dispatcher moves on
        // after the line is shown, so look once it has.
        if (a.command != "send" && a.command != "upgrade")
            QTimer::singleShot(0, &loop, [&] {
                if (p.OrderIndex() >= p.orders().count())
                    settle(ExitRefused);
            });
    };
    onResult = [&](int code) { settle(code); };
    // upgrade: the time-out counts time without progress, so a long image at a low rate still goes
    // through; a progress line every 10 %.
    int shownTenth = -1;
    if (a.command == "upgrade")
        QObject::connect(w.rzpbWhile, &QProgressBar::valueChanged, &loop, [&](int value) {
            deadline.start();
            const int total = w.rzpbWhile->maximum();
            if (total <= 0)
                return;
            const int tenth = int(qint64(value) * 10 / total);
            if (tenth > shownTenth && value > 0) {
                shownTenth = tenth;
                std::printf("[INFO] %d %% (%d of %d blocks)\n", tenth * 10, value, total);
                std::fflush(stdout);
            }
        });
    if (result < 0) {
        deadline.start();
        loop.exec();
    }
    if (a.command == "verify" && (result == ExitOk || result == ExitRefused))
        result = verifyModule(w, fileSettings, answered, refusedWords, [&] {
            result = -1;
            loop.exec();
            return result;
        });
    if (a.command == "send" && result == ExitTimeout && !heard && a.text.trimmed().startsWith(QLatin1String("AT"), Qt::CaseInsensitive))
        err(QStringLiteral("no answer: a module in its data state ignores AT commands; "
                           "send \"+++\" first to enter its command state"));

    // Values that never came would go into the file as whatever the form held: no file then.
    if (a.command == "get-all" && result == ExitOk && !unreadWords.isEmpty()) {
        err(QStringLiteral("no answer to %1; %2 not written")
                .arg(QString::fromLatin1(unreadWords.join(", ")), a.ini));
        result = ExitTimeout;
    }
    // A refused query still leaves the rest of the form worth keeping.
    if (a.command == "get-all" && (result == ExitOk || result == ExitRefused)) {
        FreeIni();
        QString why;
        BindIni(a.ini);
        if (!SaveIni(w, &why)) {
            err(why);
            result = ExitFailed;
        } else if (result == ExitRefused) {
            err(QStringLiteral("the module refused some queries; %1 holds the rest").arg(a.ini));
        }
        FreeIni();
        BindIni(ConfigFilePath(work.path()));
    }
    w.PortClose();
    UnregisterExtraPort(a.port);
    return result;
}
