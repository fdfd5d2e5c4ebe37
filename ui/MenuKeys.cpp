#include "ui/MenuKeys.h"

#include "ui/MainWindow.h"
#include "ui/ParamForm.h"
#include "ui/PortBar.h"
#include "ui/ConsolePanel.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QEvent>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

QString WithMnemonic(const QString &caption, const char *letters)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (caption[i + 1] != QLatin1Char('&'))
                return caption; // the text brings its own
            ++i;                // "&&" is a plain ampersand
        }
    }
    const QString &escaped = caption;
    for (const char *l = letters; *l; ++l) {
        const qsizetype at = escaped.indexOf(QLatin1Char(*l), 0, Qt::CaseInsensitive);
        if (at >= 0 && (at == 0 || escaped[at - 1] != QLatin1Char('&')))
            return escaped.left(at) + QLatin1Char('&') + escaped.mid(at);
    }
    return escaped + QStringLiteral("(&") + QLatin1Char(letters[0]) + QLatin1Char(')');
}

void ApplyMenuMnemonics(TFrm_Main &w)
{
    auto menu = [](QMenu *m, const char *letters) { m->setTitle(WithMnemonic(m->title(), letters)); };
    auto item = [](QAction *a, const char *letters) { a->setText(WithMnemonic(a->text(), letters)); };
    menu(w.mni_File, "F");
    item(w.mni_Exit, "XQ");
    menu(w.mni_Lang, "L");
    item(w.mni_Cn, "C");
    item(w.mni_En, "E");
    menu(w.mni_Help, "H");
    item(w.mni_About, "A");
    item(w.mni_Hint, "R");
    item(w.mni_Up, "UV");
    item(w.mni_WorkOrder, "W");
    // Items other parts add to these menus get a letter no sibling uses, from their caption or,
    // for a caption without Latin letters, from their object name.
    for (QMenu *m : {w.mni_File, w.mni_Lang, w.mni_Help}) {
        QString used;
        for (QAction *a : m->actions())
            if (const QKeySequence k = QKeySequence::mnemonic(a->text()); !k.isEmpty())
                used += QChar(char16_t(k[0].key())).toUpper();
        for (QAction *a : m->actions()) {
            if (a->isSeparator() || !QKeySequence::mnemonic(a->text()).isEmpty())
                continue;
            QString name = a->objectName();
            if (name.startsWith(QLatin1String("mni")))
                name = name.mid(3);
            QByteArray pick;
            for (const QChar c : a->text() + name) {
                const QChar up = c.toUpper();
                if (up >= QLatin1Char('A') && up <= QLatin1Char('Z') && !used.contains(up)) {
                    pick = QByteArray(1, char(up.unicode()));
                    break;
                }
            }
            if (pick.isEmpty())
                continue;
            used += QLatin1Char(pick[0]);
            a->setText(WithMnemonic(a->text(), pick.constData()));
        }
    }
}

namespace {

class CollapsedPaneFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Resize) {
            const bool open = static_cast<QWidget *>(o)->height() > 0;
            for (QPushButton *b : o->findChildren<QPushButton *>())
                b->setFocusPolicy(open ? Qt::StrongFocus : Qt::NoFocus);
        }
        return QObject::eventFilter(o, e);
    }
};

} // namespace

void ChainTabOrder(TFrm_Main &w)
{
    // The page control shows no tabs; focusing it would hand the focus to its hidden tab bar.
    w.form()->rzpgcntrlPara->setFocusPolicy(Qt::NoFocus);
    if (auto *reopen = w.findChild<QWidget *>(QStringLiteral("rzchckbxReopen")))
        QWidget::setTabOrder(w.portBar()->btnOpenClose, reopen);
    // The console only shows traffic: Tab leaves it instead of typing into it.
    w.consolePanel()->edtDialog->setTabChangesFocus(true);
    w.consolePanel()->edtDialogHex->setTabChangesFocus(true);
    // Buttons in a collapsed pane are out of sight: Tab passes them by until the pane opens.
    if (auto *grid = w.findChild<QWidget *>(QStringLiteral("advscrlbxBtn")))
        grid->installEventFilter(new CollapsedPaneFocus(grid));
    // The splitters' hot spots sit where they show: above the button grid and above the send box.
    auto *gridSpot = w.findChild<QWidget *>(QStringLiteral("rzspltrBtnAndDialogHotSpot"));
    auto *sendSpot = w.findChild<QWidget *>(QStringLiteral("rzspltrDialogHotSpot"));
    if (gridSpot)
        QWidget::setTabOrder(w.findChild<QWidget *>(QStringLiteral("btnENTM")), gridSpot);
    if (gridSpot && sendSpot) {
        QWidget::setTabOrder(gridSpot, w.findChild<QWidget *>(QStringLiteral("btnH")));
        QWidget::setTabOrder(w.consolePanel()->edtDialog, sendSpot);
    }
    // The send bar's buttons come before the send box, which keeps Tab as a character it can send.
    QWidget::setTabOrder(sendSpot ? sendSpot : w.consolePanel()->edtDialog, w.consolePanel()->btnSendTpye);
    // Then the repeat box and its interval, in the order they show.
    QWidget *prev = w.consolePanel()->btnSendTpye;
    for (const char *name : {"chkRepeatSend", "spnRepeatMs"}) {
        if (auto *x = w.findChild<QWidget *>(QLatin1String(name))) {
            QWidget::setTabOrder(prev, x);
            prev = x;
        }
    }
    QWidget::setTabOrder(prev, w.consolePanel()->btnSend);
    QWidget::setTabOrder(w.consolePanel()->btnSend, w.consolePanel()->btnSetSendKey);
    QWidget::setTabOrder(w.consolePanel()->btnSetSendKey, w.consolePanel()->edtReTelNum);
    QWidget::setTabOrder(w.consolePanel()->edtReTelNum, w.consolePanel()->edtSend);
}
