#include "ui/ConsoleExtras.h"

#include "lang/AppLang.h"
#include "ui/Console.h"
#include "protocol/Protocol.h"
#include "ui/ConsoleZoom.h"
#include "ui/FindBar.h"
#include "ui/HexInput.h"
#include "ui/RepeatSend.h"
#include "ui/ConsolePanel.h"
#include "ui/SendHistory.h"
#include "util/Gbk.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>

namespace {

// "path (cause)": what failed and why, in one place of the line.
QString withCause(const QString &path, const QString &why)
{
    return why.isEmpty() ? path : QStringLiteral("%1 (%2)").arg(path, why);
}

QAction *namedAction(QObject *parent, const char *name, bool checkable = false)
{
    auto *a = new QAction(parent);
    a->setObjectName(QString::fromLatin1(name));
    a->setCheckable(checkable);
    return a;
}

} // namespace

ConsoleExtras::ConsoleExtras(ConsolePanel &panel, const ConsoleHost &host, const QString &dir)
    : QObject(&panel), panel_(panel), host_(host), console_(*panel.console()), dir_(dir)
{
    QWidget &w = host.window;
    // The panes show what happened; only the program writes into them. Keys
    // still move, select and copy; clearing goes through actCls.
    for (QPlainTextEdit *pane : {panel.edtDialog, panel.edtDialogHex}) {
        pane->setReadOnly(true);
        pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        pane->setUndoRedoEnabled(false);
    }

    askSavePath = [this](const QString &title, const QString &suggested) {
        const QString filter = LangTextU("info_LogFiles") + QStringLiteral(" (*.log *.txt);;") +
                               LangTextU("info_AllFile") + QStringLiteral(" (*)");
        return QFileDialog::getSaveFileName(&host_.window, title, suggested, filter);
    };

    // Session log and saving the pane: in the panes' menu and the File menu.
    mniLogToFile = namedAction(&w, "mniLogToFile", true);
    mniSaveConsole = namedAction(&w, "mniSaveConsole");
    connect(mniLogToFile, &QAction::toggled, this, [this](bool on) { logToggled(on); });
    connect(mniSaveConsole, &QAction::triggered, this, [this] {
        const QString path = askSavePath(
            mniSaveConsole->text().remove(QLatin1Char('&')),
            QDir::home().filePath(QDateTime::currentDateTime().toString(QStringLiteral("'console-'yyyyMMdd-hhmmss'.txt'"))));
        if (!path.isEmpty())
            saveConsoleTo(path);
    });
    log_.onFailure = [this](const QString &path, bool gone, const QString &why) {
        // Reported once the line that failed has been added.
        QMetaObject::invokeMethod(this, [this, path, gone, why] {
            const QSignalBlocker b(mniLogToFile);
            mniLogToFile->setChecked(false);
            say(true, gone ? "info_LogGone" : "info_LogFail", gone ? path : withCause(path, why));
        }, Qt::QueuedConnection);
    };
    console_.setLog(&log_);

    history_ = new SendHistory(panel.edtSend, dir_.isEmpty() ? QString() : QDir(dir_).filePath(QLatin1String(kSendHistoryFileName)), this);

    mniTimestamps = namedAction(&w, "mniTimestamps", true);
    connect(mniTimestamps, &QAction::toggled, this, [this](bool on) { console_.setTimestamps(on); });

    zoom_ = new ConsoleZoom({panel.edtDialog, panel.edtDialogHex, panel.edtSend}, &w);
    find_ = new FindBar(panel.edtDialog);
    mniFind = namedAction(&w, "mniFind");
    mniFind->setShortcut(QKeySequence::Find);
    mniFind->setShortcutContext(Qt::WindowShortcut);
    w.addAction(mniFind);
    connect(mniFind, &QAction::triggered, this, [this] {
        find_->open(QApplication::focusWidget() == panel_.edtDialogHex ? panel_.edtDialogHex : panel_.edtDialog);
    });
    auto *again = namedAction(&w, "actFindNext");
    again->setShortcuts({QKeySequence(QKeySequence::FindNext)});
    auto *back = namedAction(&w, "actFindPrev");
    back->setShortcuts({QKeySequence(QKeySequence::FindPrevious)});
    for (QAction *a : {again, back}) {
        a->setShortcutContext(Qt::WindowShortcut);
        w.addAction(a);
        connect(a, &QAction::triggered, this, [this, a, back] {
            if (!find_->isVisible())
                return;
            if (a == back)
                find_->findPrevious();
            else
                find_->findNext();
        });
    }

    // Each repeat goes out as Send does, but is not another history entry.
    RepeatSend::Deps deps;
    deps.portOpen = host.portOpen;
    deps.busy = [this] { return host_.protocol.busy(); };
    deps.send = [this] {
        bool ok = true;
        if (!sendAsHex(&ok))
            host_.protocol.actSendExecute();
        return ok;
    };
    repeat_ = new RepeatSend(panel, deps);

    // Under the send key menu, after the line-end choice.
    mniSendHex = namedAction(&w, "mniSendHex", true);
    host.sendMenu.addAction(mniSendHex);
    mniClearAfterSend = namedAction(&w, "mniClearAfterSend", true);
    host.sendMenu.addAction(mniClearAfterSend);
    // Hex sending changes what the box means: the bar says so while it is on.
    auto *mark = new QLabel(QStringLiteral("HEX"), panel.rztlbrSend);
    mark->setObjectName(QStringLiteral("lblSendHexMark"));
    mark->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; padding: 0 4px; border: 1px solid palette(mid); }"));
    mark->setVisible(false);
    if (auto *bar = qobject_cast<QBoxLayout *>(panel.rztlbrSend->layout()))
        bar->insertWidget(bar->indexOf(panel.btnSend), mark);
    hexMark_ = mark;
    connect(mniSendHex, &QAction::toggled, mark, [this, mark](bool on) {
        mark->setVisible(on);
        panel_.rzgrpbxDoResize();
    });

    // Paste has nothing to do in a read-only pane.
    QAction *pst = host.paneMenu.findChild<QAction *>(QStringLiteral("mniPst"));
    if (!pst)
        pst = host.paste;
    connect(&host.paneMenu, &QMenu::aboutToShow, this, [pst] {
        auto *p = qobject_cast<QPlainTextEdit *>(QApplication::focusWidget());
        pst->setEnabled(!p || !p->isReadOnly());
    });
    connect(&host.paneMenu, &QMenu::aboutToHide, this, [pst] { pst->setEnabled(true); });

    host.paneMenu.addSeparator();
    host.paneMenu.addAction(mniFind);
    host.paneMenu.addAction(mniTimestamps);
    host.paneMenu.addAction(mniLogToFile);
    host.paneMenu.addAction(mniSaveConsole);
    QAction *sep = host.fileMenu.insertSeparator(host.fileBefore);
    host.fileMenu.insertActions(sep, {mniLogToFile, mniSaveConsole});
}

// The window frees its ConsoleView before its children, this object among them,
// so the view never holds the log beyond this object's life; it must not be
// touched here.
ConsoleExtras::~ConsoleExtras() = default;

void ConsoleExtras::applyTexts()
{
    mniLogToFile->setText(LangTextU("lang_mniLogToFile"));
    mniSaveConsole->setText(LangTextU("lang_mniSaveConsole"));
    mniTimestamps->setText(LangTextU("lang_mniTimestamps"));
    mniSendHex->setText(LangTextU("lang_mniSendHex"));
    mniClearAfterSend->setText(LangTextU("lang_mniClearAfterSend"));
    hexMark_->setToolTip(LangTextU("hint_lblSendHexMark"));
    mniFind->setText(LangTextU("lang_mniFind"));
    find_->applyTexts();
    repeat_->applyTexts();
}

bool ConsoleExtras::ownsKeys(const QWidget *w) const
{
    // The focused widget too: keys a line edit ignores travel on to its parents.
    auto inBar = [this](const QWidget *x) { return x && (x == find_ || find_->isAncestorOf(x)); };
    return inBar(w) || inBar(QApplication::focusWidget());
}

bool ConsoleExtras::beforeSend()
{
    QString why;
    if (!history_->remember(panel_.edtSend->toPlainText(), &why) && !historyFailReported_) {
        // Once per run: every later send would fail the same way.
        historyFailReported_ = true;
        say(true, "info_SaveFail", QDir(dir_).filePath(QLatin1String(kSendHistoryFileName)));
    }
    bool ok = true;
    return sendAsHex(&ok);
}

bool ConsoleExtras::sendAsHex(bool *ok)
{
    if (!mniSendHex->isChecked() || panel_.btnSendTpye->property("Tag").toInt() != 1)
        return false;
    // The bytes as typed: no line end is added, and a bad group sends nothing.
    QString bad;
    const std::optional<QByteArray> bytes = ParseHexPairs(panel_.edtSend->toPlainText(), &bad);
    if (!bytes) {
        if (bad.size() > 24)
            bad = bad.left(24) + QStringLiteral("...");
        console_.ShowErr(gbk::fromUnicode(LangTextU("info_SendHexBad").replace(QLatin1String("%s"), bad)));
        *ok = false;
        return true;
    }
    Protocol *p = &host_.protocol;
    if (p->busy()) { // its answer would be taken for the running operation's
        console_.ShowErr(LangText("info_OpBusy"));
        *ok = false;
        return true;
    }
    p->codec().SetBulkMode(TBulkMode::None);
    p->SendToCom(*bytes);
    return true;
}

void ConsoleExtras::portClosed() { repeat_->portClosed(); }

void ConsoleExtras::send()
{
    const qint64 before = host_.bytesSent ? host_.bytesSent() : 0;
    if (!beforeSend())
        host_.protocol.actSendExecute();
    // Only a text that went out is cleared: a refused or failed send keeps it to correct.
    if (mniClearAfterSend->isChecked() && host_.bytesSent && host_.bytesSent() > before)
        panel_.edtSend->clear();
}

ConsoleOptions ConsoleExtras::options() const
{
    ConsoleOptions o;
    o.timestamps = mniTimestamps->isChecked();
    o.sendHex = mniSendHex->isChecked();
    o.fontSize = zoom_->size();
    o.repeatMs = repeat_->intervalMs();
    o.clearAfterSend = mniClearAfterSend->isChecked();
    return o;
}

void ConsoleExtras::setOptions(const ConsoleOptions &o)
{
    mniTimestamps->setChecked(o.timestamps);
    mniSendHex->setChecked(o.sendHex);
    zoom_->setSize(o.fontSize);
    repeat_->setIntervalMs(o.repeatMs);
    mniClearAfterSend->setChecked(o.clearAfterSend);
}


void ConsoleExtras::say(bool error, const char *key, const QString &path)
{
    const QByteArray line = gbk::fromUnicode(LangTextU(key).replace(QLatin1String("%s"), QDir::toNativeSeparators(path)));
    if (error)
        console_.ShowErr(line);
    else
        console_.ShowInfo(line);
}

void ConsoleExtras::logToggled(bool on)
{
    if (!on) {
        if (log_.active()) {
            const QString path = log_.path();
            say(false, "info_LogStopped", path);
            log_.stop();
        }
        return;
    }
    const QString path = askSavePath(
        mniLogToFile->text().remove(QLatin1Char('&')),
        QDir::home().filePath(QDateTime::currentDateTime().toString(QStringLiteral("'dtu-'yyyyMMdd-hhmmss'.log'"))));
    QString why;
    if (path.isEmpty() || !log_.start(path, &why)) {
        const QSignalBlocker b(mniLogToFile);
        mniLogToFile->setChecked(false);
        if (!path.isEmpty())
            say(true, "info_LogFail", withCause(path, why));
        return;
    }
    say(false, "info_LogStarted", path);
}

QPlainTextEdit *ConsoleExtras::paneToSave() const
{
    return QApplication::focusWidget() == panel_.edtDialogHex ? panel_.edtDialogHex : panel_.edtDialog;
}

void ConsoleExtras::saveConsoleTo(const QString &path)
{
    QPlainTextEdit *pane = paneToSave();
    if (SaveConsoleText(pane, path))
        say(false, "info_ConsoleSaved", path);
    else
        say(true, "info_SaveFail", path);
}
