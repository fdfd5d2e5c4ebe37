#include "ui/PortBar.h"

#include "ui/ConsoleColours.h"
#include "lang/AppLang.h"
#include "ui/MainTexts.h"
#include "ui/PanelParts.h"
#include "ui/Pictures.h"
#include "ui/Widgets.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

using namespace panel_parts;

PortBar::PortBar(QMenu *pmIni, QMenu *pmFwUpOpt, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlT"));
    setFixedHeight(33);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 2, 0, 0);
    v->setSpacing(0);
    rztlbrCom = named(new QFrame(this), "rztlbrCom");
    v->addWidget(rztlbrCom);
    auto *h = new QHBoxLayout(rztlbrCom);
    h->setContentsMargins(2, 0, 2, 0);
    h->setSpacing(3);

    h->addWidget(spacer(rztlbrCom, "rzspcr0", 6));
    lblOpenCom = named(new QLabel(u("串口号"), rztlbrCom), "lblOpenCom");
    h->addWidget(lblOpenCom);
    auto *pc = named(new PortCombo(rztlbrCom), "cbbOpenCom");
    pc->addItem(QString());
    pc->setMinimumWidth(130);
    pc->onDropDown = [this] { emit dropDown(); };
    pc->onCloseUp = [this] { emit closeUp(); };
    cbbOpenCom = pc;
    h->addWidget(cbbOpenCom);
    h->addWidget(spacer(rztlbrCom, "rzspcr1", 6));
    lblOpenBaud = named(new QLabel(u("波特率"), rztlbrCom), "lblOpenBaud");
    h->addWidget(lblOpenBaud);
    cbbOpenBaud = listCombo(rztlbrCom, "cbbOpenBaud", kBauds, -1);
    h->addWidget(cbbOpenBaud);
    h->addWidget(spacer(rztlbrCom, "rzspcr2", 6));
    lblOpenPDS = named(new QLabel(u("校验/数据/停止"), rztlbrCom), "lblOpenPDS");
    h->addWidget(lblOpenPDS);
    cbbOpenP = listCombo(rztlbrCom, "cbbOpenP", {"NONE", "ODD", "EVEN"}, 0);
    cbbOpenD = listCombo(rztlbrCom, "cbbOpenD", {"7", "8"}, -1);
    cbbOpenS = listCombo(rztlbrCom, "cbbOpenS", {"1", "2"}, -1);
    h->addWidget(cbbOpenP);
    h->addWidget(cbbOpenD);
    h->addWidget(cbbOpenS);
    h->addWidget(spacer(rztlbrCom, "rzspcr6", 6));
    lblOpenFlow = named(new QLabel(u("流控"), rztlbrCom), "lblOpenFlow");
    h->addWidget(lblOpenFlow);
    cbbOpenFlow = listCombo(rztlbrCom, "cbbOpenFlow", {"NONE", "CRTS"}, -1);
    h->addWidget(cbbOpenFlow);
    h->addWidget(spacer(rztlbrCom, "rzspcr5", 10));

    btnOpenClose = named(new QToolButton(rztlbrCom), "btnOpenClose");
    btnOpenClose->setText(u("打开串口"));
    btnOpenClose->setIcon(ToolImage(0));
    btnOpenClose->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnOpenClose->setMinimumWidth(80);
    // Blue, lightened as far as a dark desktop palette needs.
    btnOpenClose->setStyleSheet(QStringLiteral("QToolButton#btnOpenClose { color: %1; font-weight: bold; }")
                                    .arg(LegibleOn(QColor(Qt::blue), palette().color(QPalette::Button)).name()));
    setTag(btnOpenClose, 1);
    connect(btnOpenClose, &QToolButton::clicked, this, [this] { emit openCloseClicked(btnOpenClose->property("Tag").toInt()); });
    h->addWidget(btnOpenClose);

    auto hiddenTool = [&](const char *name, const QString &text, int image) {
        auto *b = named(new QToolButton(rztlbrCom), name);
        b->setText(text);
        if (image >= 0)
            b->setIcon(ToolImage(image));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->hide();
        h->addWidget(b);
        return b;
    };
    hiddenTool("btnReLoad", u("载入上次配置"), 22);
    auto *btnIni = hiddenTool("btnIni", QString(), -1);
    btnIni->setMenu(pmIni);
    btnIni->setPopupMode(QToolButton::InstantPopup);
    h->addWidget(spacer(rztlbrCom, "rzspcr3", 6));
    hiddenTool("btnContOrOne", u("连续配置"), 19);
    btnFwUp = hiddenTool("btnFwUp", u("固件升级"), 24);
    setTag(btnFwUp, 3);
    connect(btnFwUp, &QToolButton::clicked, this, [this] { emit openCloseClicked(3); });
    auto *btnFwUpOpt = hiddenTool("btnFwUpOpt", QString(), -1);
    btnFwUpOpt->setMenu(pmFwUpOpt);
    btnFwUpOpt->setPopupMode(QToolButton::InstantPopup);
    h->addStretch(1);
}

// Hiding the list while the window goes away must not call back into it.
PortBar::~PortBar()
{
    if (auto *pc = dynamic_cast<PortCombo *>(cbbOpenCom)) {
        pc->onDropDown = nullptr;
        pc->onCloseUp = nullptr;
    }
}

void PortBar::showPortOpen(bool open)
{
    btnOpenClose->setProperty("Tag", open ? 2 : 1);
    SetControlCaption(btnOpenClose, open ? "lang_btnClose" : "lang_btnOpen");
    btnOpenClose->setIcon(ToolImage(open ? 2 : 0));
}

// Captions and hints in the current language.
void PortBar::applyTexts()
{
    SetLabelCaptionHint(lblOpenCom, "lang_lblOpenCom", "hint_cbbOpenUart");
    SetLabelCaptionHint(lblOpenBaud, "lang_lblOpenBaud", "hint_cbbOpenUart");
    SetLabelCaptionHint(lblOpenPDS, "lang_lblOpenPDS", "hint_cbbOpenUart");
    SetLabelCaptionHint(lblOpenFlow, "lang_lblOpenFlow", "hint_cbbOpenUart");
    SetControlCaption(btnOpenClose, btnOpenClose->property("Tag").toInt() == 2 ? "lang_btnClose" : "lang_btnOpen");
    SetControlCaption(btnFwUp, "lang_btnFwUp");
    for (QComboBox *c : {cbbOpenBaud, cbbOpenP, cbbOpenD, cbbOpenS, cbbOpenFlow})
        SetComboHint(c, "hint_cbbOpenUart");
}
