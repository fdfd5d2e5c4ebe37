#include "ui/MainWindow.h"
#include "ui/ConsolePanel.h"
#include "ui/MenuItems.h"
#include "ui/PanelParts.h"

#include "ui/AboutBox.h"
#include "ui/Console.h"
#include "ui/ConsoleColours.h"
#include "ui/Pictures.h"
#include "ui/Widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace panel_parts;

void TFrm_Main::buildMenus()
{
    auto *mb = named(new QMenuBar(this), "mm1");
    setMenuBar(mb);
    mni_File = named(mb->addMenu(u("文件(&F)")), "mni_File");
    mni_Exit = named(mni_File->addAction(u("退出(&X)")), "mni_Exit");
    mni_Lang = named(mb->addMenu(u("Lang(&L)")), "mni_Lang");
    auto *grp = new QActionGroup(this);
    mni_Cn = named(mni_Lang->addAction(u("简中(&C)")), "mni_Cn");
    mni_En = named(mni_Lang->addAction(u("English(&E)")), "mni_En");
    for (QAction *a : {mni_Cn, mni_En}) {
        a->setCheckable(true);
        grp->addAction(a);
    }
    mni_Cn->setChecked(true);
    mni_Help = named(mb->addMenu(u("帮助(&H)")), "mni_Help");
    mni_About = named(mni_Help->addAction(u("关于...(&A)")), "mni_About");
    mni_Hint = named(mni_Help->addAction(u("实时帮助")), "mni_Hint");
    mni_Hint->setCheckable(true);
    mni_Hint->setChecked(true);
    mni_Up = named(mni_Help->addAction(u("检查更新(&U)")), "mni_Up");
    mni_WorkOrder = named(mni_Help->addAction(u("提交问题")), "mni_WorkOrder");
    for (QAction *a : {mni_Exit, mni_Cn, mni_En, mni_About, mni_Hint, mni_Up, mni_WorkOrder}) {
        // Qt toggles checkable items itself; the handler toggles mni_Hint, so undo Qt's toggle first.
        connect(a, &QAction::triggered, this, [this, a] {
            if (a == mni_Hint)
                mni_Hint->setChecked(!mni_Hint->isChecked());
            mni_MenuClick(a->objectName());
        });
    }

    pmSend = named(new QMenu(this), "pmSend");
    auto *sendGrp = new QActionGroup(this);
    mniEnter = named(pmSend->addAction(u("按Enter键发送")), "mniEnter");
    mniCtrlEnter = named(pmSend->addAction(u("按Ctrl+Enter键发送")), "mniCtrlEnter");
    for (QAction *a : {mniEnter, mniCtrlEnter}) {
        a->setCheckable(true);
        sendGrp->addAction(a);
    }
    mniCtrlEnter->setChecked(true);
    setTag(mniEnter, 1);
    setTag(mniCtrlEnter, 2);
    named(pmSend->addSeparator(), "mniN1");
    mniAutoCR = named(pmSend->addAction(u("AT指令自动加回车")), "mniAutoCR");
    mniAutoCR->setCheckable(true);
    setTag(mniAutoCR, 3);
    for (QAction *a : {mniEnter, mniCtrlEnter, mniAutoCR})
        connect(a, &QAction::triggered, this, [this, a] { pmSendClick(a->property("Tag").toInt()); });

    pmCls = named(new QMenu(this), "pmCls");
    pmSendType = named(new QMenu(this), "pmSendType");
    mniAtCmd = named(pmSendType->addAction(u("通过串口发送")), "mniAtCmd");
    mniSms = named(pmSendType->addAction(u("发送手机短信")), "mniSms");
    setTag(mniAtCmd, 1);
    setTag(mniSms, 2);
    connect(mniAtCmd, &QAction::triggered, this, [this] { pmSendTypeClick(1); });
    connect(mniSms, &QAction::triggered, this, [this] { pmSendTypeClick(2); });

    pmIni = named(new QMenu(this), "pmIni");
    named(pmIni->addAction(u("载入最近配置")), "mniLoadLastIni");
    named(pmIni->addAction(u("载入默认参数")), "mniLoadDflt");
    named(pmIni->addSeparator(), "mniN4");
    named(pmIni->addAction(u("打开配置文件...")), "mniLoadIni");
    named(pmIni->addAction(u("保存配置文件...")), "mniSaveIni");

    pmFwUpOpt = named(new QMenu(this), "pmFwUpOpt");
    mniOverRestart = named(pmFwUpOpt->addAction(u("升级后重启")), "mniOverRestart");
    mniOverRestart->setCheckable(true);
    mniOverRestart->setChecked(true);
    ShowDataStream = named(pmFwUpOpt->addAction(u("显示数据流")), "ShowDataStream");
    ShowDataStream->setCheckable(true);
}

void TFrm_Main::buildActions()
{
    actSend = named(new QAction(u(" 发  送 "), this), "actSend");
    actSend->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    actCR = named(new QAction("actCR", this), "actCR");
    actCR->setShortcut(QKeySequence(Qt::Key_Return));
    actCls = named(new QAction("actCls", this), "actCls");
    actCls->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    edtcpy = named(new QAction(u("复制"), this), "edtcpy");
    edtcpy->setIcon(ToolImage(1));
    edtcpy->setShortcut(QKeySequence::Copy);
    edtpst = named(new QAction(u("粘贴"), this), "edtpst");
    edtpst->setIcon(ToolImage(2));
    edtpst->setShortcut(QKeySequence::Paste);
    edtslctlAll = named(new QAction(u("全选"), this), "edtslctlAll");
    edtslctlAll->setShortcut(QKeySequence::SelectAll);
    // Shortcuts are shown in the menus but dispatched by the window's key filter.
    for (QAction *a : {actSend, actCR, actCls, edtcpy, edtpst, edtslctlAll})
        a->setShortcutContext(Qt::WidgetShortcut);

    auto focusedEdit = [] { return QApplication::focusWidget(); };
    connect(edtcpy, &QAction::triggered, this, [focusedEdit] {
        QWidget *w = focusedEdit();
        if (auto *p = qobject_cast<QPlainTextEdit *>(w))
            p->copy();
        else if (auto *l = qobject_cast<QLineEdit *>(w))
            l->copy();
    });
    connect(edtpst, &QAction::triggered, this, [focusedEdit] {
        QWidget *w = focusedEdit();
        if (auto *p = qobject_cast<QPlainTextEdit *>(w))
            p->paste();
        else if (auto *l = qobject_cast<QLineEdit *>(w))
            l->paste();
    });
    connect(edtslctlAll, &QAction::triggered, this, [focusedEdit] {
        QWidget *w = focusedEdit();
        if (auto *p = qobject_cast<QPlainTextEdit *>(w))
            p->selectAll();
        else if (auto *l = qobject_cast<QLineEdit *>(w))
            l->selectAll();
    });
    connect(actCR, &QAction::triggered, this, [this] { m_consolePanel->actCRExecute(); });
    connect(actCls, &QAction::triggered, this, [this] { actClsExecute(); });

    FillPaneMenu(pmCls, edtcpy, edtpst, edtslctlAll, actCls);
    ConnectIniDialogs(pmIni, this);
}
