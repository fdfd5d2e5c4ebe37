// The console panel: command buttons, the console with its hex mirror and
// progress bar, and the send bar.
#include "ui/ConsolePanel.h"

#include "ui/Console.h"
#include "lang/AppLang.h"
#include "ui/MainTexts.h"
#include "ui/PanelParts.h"
#include "ui/Pictures.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

using namespace panel_parts;

ConsolePanel::ConsolePanel(QMenu *pmSend, QMenu *pmSendType, QMenu *pmCls, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlR"));
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    rzgrpbxDo = bannerBox(this, "rzgrpbxDo", u(" 执行命令及提示"));
    lay->addWidget(rzgrpbxDo);
    auto *dl = new QVBoxLayout(rzgrpbxDo);
    dl->setContentsMargins(2, 2, 2, 2);
    dl->setSpacing(2);

    auto cmdButton = [this](QWidget *parent, const char *name, const QString &text, int tag, QSize size) {
        auto *b = named(new QPushButton(text, parent), name);
        b->setFixedSize(size);
        setTag(b, tag);
        connect(b, &QPushButton::clicked, this, [this, tag] { emit commandClicked(tag); });
        return b;
    };
    auto *rzgrpbxBtn = named(new QGroupBox(rzgrpbxDo), "rzgrpbxBtn");
    rzgrpbxBtn->setFixedHeight(55);
    {
        auto *h = new QHBoxLayout(rzgrpbxBtn);
        h->setContentsMargins(6, 6, 6, 6);
        const QSize big(138, 35);
        auto *ask = cmdButton(rzgrpbxBtn, "btnAskAll", u("获取当前参数"), 10, big);
        ask->setIcon(ToolImage(10));
        auto *set = cmdButton(rzgrpbxBtn, "btnSetAll", u("设置并保存所有参数"), 11, big);
        set->setIcon(ToolImage(11));
        h->addWidget(ask);
        h->addWidget(set);
        h->addWidget(cmdButton(rzgrpbxBtn, "btnPPPA", u("进入配置状态"), 12, big));
        h->addWidget(cmdButton(rzgrpbxBtn, "btnENTM", u("进入通讯状态"), 13, big));
        h->addStretch(1);
    }
    dl->addWidget(rzgrpbxBtn);

    rzspltrBtnAndDialog = named(new QSplitter(Qt::Vertical, rzgrpbxDo), "rzspltrBtnAndDialog");
    rzspltrBtnAndDialog->setHandleWidth(10);
    dl->addWidget(rzspltrBtnAndDialog, 1);
    auto *advscrlbxBtn = named(new QScrollArea(rzspltrBtnAndDialog), "advscrlbxBtn");
    advscrlbxBtn->setFrameShape(QFrame::NoFrame);
    advscrlbxBtn->setWidgetResizable(true);
    {
        auto *c = new QWidget;
        auto *g = new QGridLayout(c);
        g->setContentsMargins(6, 4, 6, 4);
        const QSize small(138, 25);
        g->addWidget(cmdButton(c, "btnH", u("帮助信息"), 16, small), 0, 0);
        g->addWidget(cmdButton(c, "btnZ", u("模块重启"), 17, small), 0, 1);
        g->addWidget(cmdButton(c, "btnVER", u("查询版本"), 18, small), 0, 2);
        g->addWidget(cmdButton(c, "btnCSQ", u("信号强度"), 23, small), 0, 3);
        g->addWidget(cmdButton(c, "btnCFGTF", u("存为用户默认"), 19, small), 1, 0);
        g->addWidget(cmdButton(c, "btnRELD", u("恢复用户默认"), 20, small), 1, 1);
        g->addWidget(cmdButton(c, "btnCLEAR", u("恢复出厂设置"), 21, small), 1, 2);
        auto *cnum = cmdButton(c, "btnCNUM", u("查询本机号码"), 22, small);
        cnum->hide();
        g->addWidget(cnum, 1, 3);
        imgGIF = named(new QLabel(c), "imgGIF");
        imgGIF->hide();
        g->addWidget(imgGIF, 0, 4, 2, 1, Qt::AlignCenter);
        g->setColumnStretch(5, 1);
        advscrlbxBtn->setWidget(c);
    }
    rzspltrDialog = named(new QSplitter(Qt::Vertical, rzspltrBtnAndDialog), "rzspltrDialog");
    rzspltrDialog->setHandleWidth(10);

    auto *pnlDialog = named(new QWidget(rzspltrDialog), "pnlDialog");
    {
        auto *v = new QVBoxLayout(pnlDialog);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        edtDialogHex = named(new QPlainTextEdit(pnlDialog), "edtDialogHex");
        edtDialogHex->setFixedHeight(145);
        edtDialogHex->hide();
        edtDialog = named(new QPlainTextEdit(pnlDialog), "edtDialog");
        rzpbWhile = named(new QProgressBar(pnlDialog), "rzpbWhile");
        rzpbWhile->setFixedHeight(20);
        rzpbWhile->setTextVisible(false);
        rzpbWhile->setRange(0, 0);
        rzpbWhile->setStyleSheet("QProgressBar#rzpbWhile { border: 1px solid #7a8a9a; background: #10202a; }"
                                 "QProgressBar#rzpbWhile::chunk { background: #30e060; width: 8px; margin: 1px; }");
        rzpbWhile->hide();
        v->addWidget(edtDialogHex);
        v->addWidget(edtDialog, 1);
        v->addWidget(rzpbWhile);
    }
    auto *pnlSend = named(new QWidget(rzspltrDialog), "pnlSend");
    {
        auto *v = new QVBoxLayout(pnlSend);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(1);
        rztlbrSendTpye = named(new QFrame(pnlSend), "rztlbrSendTpye");
        auto *th = new QHBoxLayout(rztlbrSendTpye);
        th->setContentsMargins(2, 1, 2, 1);
        th->addWidget(named(new QLabel(u("目标电话号码："), rztlbrSendTpye), "lblReTelNum"));
        edtReTelNum = named(new QLineEdit(rztlbrSendTpye), "edtReTelNum");
        th->addWidget(edtReTelNum, 1);
        rztlbrSendTpye->hide();
        edtSend = named(new QPlainTextEdit(pnlSend), "edtSend");
        rztlbrSend = named(new QFrame(pnlSend), "rztlbrSend");
        auto *sh = new QHBoxLayout(rztlbrSend);
        sh->setContentsMargins(0, 0, 0, 0);
        sh->setSpacing(0);
        btnSendTpye = named(new QToolButton(rztlbrSend), "btnSendTpye");
        btnSendTpye->setMenu(pmSendType);
        btnSendTpye->setPopupMode(QToolButton::InstantPopup);
        btnSendTpye->setToolButtonStyle(Qt::ToolButtonTextOnly);
        setTag(btnSendTpye, 0);
        rzspcr4 = spacer(rztlbrSend, "rzspcr4", 0);
        btnSend = named(new QToolButton(rztlbrSend), "btnSend");
        btnSend->setText(u(" 发  送 "));
        btnSend->setIcon(ToolImage(4));
        btnSend->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        setTag(btnSend, 30);
        btnSetSendKey = named(new QToolButton(rztlbrSend), "btnSetSendKey");
        btnSetSendKey->setMenu(pmSend);
        btnSetSendKey->setPopupMode(QToolButton::InstantPopup);
        btnSetSendKey->setArrowType(Qt::DownArrow);
        btnSetSendKey->setFixedWidth(18);
        sh->addWidget(btnSendTpye);
        sh->addWidget(rzspcr4);
        sh->addWidget(btnSend);
        sh->addWidget(btnSetSendKey);
        sh->addStretch(1);
        v->addWidget(rztlbrSendTpye);
        v->addWidget(edtSend, 1);
        v->addWidget(rztlbrSend);
    }
    for (QPlainTextEdit *e : {edtDialog, edtDialogHex, edtSend}) {
        QFont f;
        f.setFamilies({"SimSun", "WenQuanYi Micro Hei Mono", "WenQuanYi Micro Hei", "Monospace"});
        f.setPointSize(12);
        e->setFont(f);
        e->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(e, &QWidget::customContextMenuRequested, this,
                [pmCls, e](const QPoint &pos) { pmCls->popup(e->mapToGlobal(pos)); });
    }
    rzspltrDialog->addWidget(pnlDialog);
    rzspltrDialog->addWidget(pnlSend);
    rzspltrDialog->setStretchFactor(0, 1);
    rzspltrDialog->setStretchFactor(1, 0);
    rzspltrDialog->setSizes({471, 96});
    rzspltrBtnAndDialog->addWidget(advscrlbxBtn);
    rzspltrBtnAndDialog->addWidget(rzspltrDialog);
    rzspltrBtnAndDialog->setStretchFactor(0, 1); // the lower pane keeps its size
    rzspltrBtnAndDialog->setStretchFactor(1, 0);
    // Collapsed at start; the hot spot on the bar restores it to 81 pixels.
    rzspltrBtnAndDialog->setSizes({0, 600});
    addHotSpot(rzspltrBtnAndDialog, 0, kQuickRowHeight);
    addHotSpot(rzspltrDialog, 1, 96);
    console_ = std::make_unique<ConsoleView>(edtDialog, edtDialogHex);
    rztlbrSend->installEventFilter(this);
    // The spacer is sized from the bar's width; it must not feed back into the
    // bar's minimum, or the window could never become narrower again.
    rztlbrSend->setMinimumWidth(1);
}

// A small button on a splitter bar that collapses one pane or restores it.
void ConsolePanel::addHotSpot(QSplitter *split, int pane, int restoreSize)
{
    QSplitterHandle *handle = split->handle(1);
    auto *lay = new QHBoxLayout(handle);
    lay->setContentsMargins(0, 0, 0, 0);
    auto *b = new QToolButton(handle);
    b->setObjectName(split->objectName() + QStringLiteral("HotSpot"));
    b->setFixedSize(60, 9);
    b->setAutoRaise(true);
    b->setCursor(Qt::PointingHandCursor);
    lay->addStretch(1);
    lay->addWidget(b);
    lay->addStretch(1);
    connect(b, &QToolButton::clicked, this, [this, split, pane, restoreSize] {
        showPane(split, pane, split->sizes()[pane] == 0, restoreSize);
    });
    if (split == rzspltrBtnAndDialog)
        connect(split, &QSplitter::splitterMoved, this, [this] { emit quickCommandsChanged(quickCommandsShown()); });
}

void ConsolePanel::showPane(QSplitter *split, int pane, bool on, int restoreSize)
{
    QList<int> sizes = split->sizes();
    const int total = sizes[0] + sizes[1];
    if (on == (sizes[pane] > 0))
        return;
    sizes[pane] = on ? std::min(restoreSize, total) : 0;
    sizes[1 - pane] = total - sizes[pane];
    split->setSizes(sizes);
    if (split == rzspltrBtnAndDialog)
        emit quickCommandsChanged(on);
}

bool ConsolePanel::quickCommandsShown() const { return rzspltrBtnAndDialog->sizes().value(0) > 0; }

void ConsolePanel::setQuickCommandsShown(bool on) { showPane(rzspltrBtnAndDialog, 0, on, kQuickRowHeight); }


ConsolePanel::~ConsolePanel() = default;

bool ConsolePanel::eventFilter(QObject *o, QEvent *e)
{
    if (o == rztlbrSend && e->type() == QEvent::Resize)
        rzgrpbxDoResize();
    return QWidget::eventFilter(o, e);
}

void ConsolePanel::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    rzgrpbxDoResize();
}

// Send-bar spacer: keeps the send button and its arrow at the right end, leaving
// room for everything else the bar holds (the repeat controls among them).
void ConsolePanel::rzgrpbxDoResize()
{
    int others = 0;
    QLayout *bar = rztlbrSend->layout();
    for (int i = 0; bar && i < bar->count(); ++i) {
        QLayoutItem *item = bar->itemAt(i);
        QWidget *x = item->widget();
        if (x == rzspcr4 || (x && x->isHidden()))
            continue;
        others += x == btnSetSendKey ? x->width() : item->sizeHint().width();
    }
    rzspcr4->setFixedWidth(std::max(0, rztlbrSend->width() - others - 30));
}

bool ConsolePanel::hexPaneOn() const { return hexPane_; }

void ConsolePanel::setHexPane(bool on)
{
    const bool changed = hexPane_ != on;
    hexPane_ = on;
    console_->setHexMirror(on);
    edtDialogHex->setVisible(on);
    if (changed)
        emit hexPaneChanged(on);
}

void ConsolePanel::pmSendTypeClick(int tag)
{
    const int oldWidth = btnSendTpye->sizeHint().width();
    if (tag == 1) {
        rztlbrSendTpye->hide();
        SetControlCaption(btnSendTpye, "lang_pmSendType0");
        btnSendTpye->setProperty("Tag", 1);
    } else if (tag == 2) {
        rztlbrSendTpye->show();
        SetControlCaption(btnSendTpye, "lang_pmSendType1");
        btnSendTpye->setProperty("Tag", 2);
    } else {
        return;
    }
    const int newWidth = btnSendTpye->sizeHint().width();
    rzspcr4->setFixedWidth(std::max(0, rzspcr4->width() + oldWidth - newWidth));
}

void ConsolePanel::actCRExecute()
{
    QTextCursor c = edtSend->textCursor();
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    edtSend->setTextCursor(c);
}

// Captions and hints in the current language.
void ConsolePanel::applyTexts()
{
    SetGroupCaption(rzgrpbxDo, "lang_rzgrpbxDo");
    for (const char *b : {"btnAskAll", "btnSetAll", "btnPPPA", "btnENTM", "btnH", "btnZ", "btnVER", "btnCNUM",
                          "btnCFGTF", "btnRELD", "btnCLEAR", "btnCSQ"})
        SetButtonCaption(findChild<QPushButton *>(QString::fromLatin1(b)), QByteArray("lang_") + b);
    SetLabelCaption(findChild<QLabel *>(QStringLiteral("lblReTelNum")), "lang_lblReTelNum");
    SetControlCaption(btnSend, "lang_btnSend");
    pmSendTypeClick(1);
    imgGIF->setToolTip(LangTextU("hint_imgGif"));
}
