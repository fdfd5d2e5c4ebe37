#include "ui/MainWindow.h"
#include "ui/MenuItems.h"

#include "ui/AboutBox.h"
#include "ui/Console.h"
#include "ui/ConsoleColours.h"
#include "ui/FieldGuards.h"
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

namespace {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

template <class W> W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

void setTag(QObject *o, int tag) { o->setProperty("Tag", tag); }

QComboBox *listCombo(QWidget *parent, const char *name, const QStringList &items, int sel)
{
    auto *c = named(new QComboBox(parent), name);
    c->addItems(items);
    c->setCurrentIndex(sel);
    return c;
}

QWidget *spacer(QWidget *parent, const char *name, int w)
{
    auto *s = named(new QWidget(parent), name);
    s->setFixedWidth(w);
    return s;
}

QGroupBox *bannerBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *g = named(new QGroupBox(caption, parent), name);
    g->setProperty("banner", true);
    return g;
}

QGroupBox *frameBox(QWidget *parent, const char *name)
{
    auto *g = named(new QGroupBox(parent), name);
    g->setProperty("frame", true);
    return g;
}

QLabel *rlabel(QWidget *parent, const char *name, const QString &text)
{
    auto *l = named(new QLabel(text, parent), name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

const QStringList kBauds = {"1200", "2400", "4800", "9600", "14400", "19200", "28800",
                            "33600", "38400", "57600", "115200", "230400", "460800"};

} // namespace

QWidget *TFrm_Main::buildTopBar()
{
    auto *pnlT = named(new QWidget, "pnlT");
    pnlT->setFixedHeight(33);
    auto *v = new QVBoxLayout(pnlT);
    v->setContentsMargins(0, 2, 0, 0);
    v->setSpacing(0);
    rztlbrCom = named(new QFrame(pnlT), "rztlbrCom");
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
    pc->onDropDown = [this] { cbbOpenComDropDown(); };
    pc->onCloseUp = [this] { cbbOpenComCloseUp(); };
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
    connect(btnOpenClose, &QToolButton::clicked, this, [this] { btnSysClick(btnOpenClose->property("Tag").toInt()); });
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
    connect(btnFwUp, &QToolButton::clicked, this, [this] { btnSysClick(3); });
    auto *btnFwUpOpt = hiddenTool("btnFwUpOpt", QString(), -1);
    btnFwUpOpt->setMenu(pmFwUpOpt);
    btnFwUpOpt->setPopupMode(QToolButton::InstantPopup);
    h->addStretch(1);
    return pnlT;
}

void TFrm_Main::buildNetPage(QWidget *page)
{
    auto *lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);
    auto *scroll = named(new QScrollArea(page), "advscrlbxPara");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::ClickFocus);
    scroll->viewport()->installEventFilter(this);
    lay->addWidget(scroll);
    auto *content = new QWidget;
    content->setObjectName("advscrlbxParaContent");
    scroll->setWidget(content);
    auto *grid = new QGridLayout(content);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(1, 1);
    int row = 0;

    static const char *const letters[] = {"A", "B", "C", "D"};
    static const int enableTags[] = {1, 2, 6, 7};
    for (int i = 0; i < 4; ++i) {
        const QByteArray L = letters[i];
        rzchckbxSkt[i] = named(new QCheckBox(u("连接服务器") + L, content), ("rzchckbxSkt" + L).constData());
        rzchckbxSkt[i]->setChecked(true);
        setTag(rzchckbxSkt[i], enableTags[i]);
        rzgrpbxSkt[i] = frameBox(content, ("rzgrpbxSkt" + L).constData());
        auto *g = new QGridLayout(rzgrpbxSkt[i]);
        g->setContentsMargins(6, 4, 6, 4);
        lblIpAndPort[i] = rlabel(rzgrpbxSkt[i], ("lblIpAndPort" + L).constData(), u("地址和端口"));
        lblIpAndPort[i]->setTextFormat(Qt::PlainText);
        auto *addr = named(new QLineEdit(rzgrpbxSkt[i]), ("edtAddr" + L).constData());
        auto *port = named(new QLineEdit(rzgrpbxSkt[i]), ("edtPort" + L).constData());
        port->setMaximumWidth(60);
        lblLinkTpye[i] = rlabel(rzgrpbxSkt[i], ("lblLinkTpye" + L).constData(), u("连接类型"));
        cbbProtocol[i] = listCombo(rzgrpbxSkt[i], ("cbbProtocol" + L).constData(), {"TCP", "UDP"}, 0);
        setTag(cbbProtocol[i], i + 1);
        const QStringList sl = i == 1 ? QStringList{u("短链接"), u("长链接")} : QStringList{u("短连接"), u("长连接")};
        cbbSL[i] = listCombo(rzgrpbxSkt[i], ("cbb" + L + "SL").constData(), sl, i == 0 || i == 1 ? 0 : -1);
        lblSockTo[i] = rlabel(rzgrpbxSkt[i], ("lblSock" + L + "To").constData(), u("超时时间(秒)"));
        auto *to = named(new QLineEdit(rzgrpbxSkt[i]), ("edtSock" + L + "To").constData());
        g->addWidget(lblIpAndPort[i], 0, 0);
        g->addWidget(addr, 0, 1);
        g->addWidget(port, 0, 2);
        g->addWidget(lblLinkTpye[i], 1, 0);
        auto *pl = new QHBoxLayout;
        pl->addWidget(cbbProtocol[i]);
        pl->addWidget(cbbSL[i], 1);
        g->addLayout(pl, 1, 1, 1, 2);
        g->addWidget(lblSockTo[i], 2, 0);
        g->addWidget(to, 2, 1, 1, 2);
        g->setColumnStretch(1, 1);
        grid->addWidget(rzchckbxSkt[i], row, 0, Qt::AlignTop);
        grid->addWidget(rzgrpbxSkt[i], row, 1);
        ++row;
        const int tag = enableTags[i];
        connect(rzchckbxSkt[i], &QCheckBox::toggled, this, [this, tag] { rzchckbxEnableClick(tag); });
        connect(cbbProtocol[i], &QComboBox::activated, this, [this, i] { cbbProtocolChange(i + 1); });
    }

    rzchckbxHeartEn = named(new QCheckBox(u("启用心跳包"), content), "rzchckbxHeartEn");
    rzchckbxHeartEn->setChecked(true);
    setTag(rzchckbxHeartEn, 3);
    rzgrpbxHeart = frameBox(content, "rzgrpbxHeart");
    {
        auto *g = new QGridLayout(rzgrpbxHeart);
        g->setContentsMargins(6, 4, 6, 4);
        g->addWidget(rlabel(rzgrpbxHeart, "lblHeartTm", u("心跳间隔(秒)")), 0, 0);
        g->addWidget(named(new QLineEdit(rzgrpbxHeart), "edtHeartTm"), 0, 1, 1, 2);
        g->addWidget(rlabel(rzgrpbxHeart, "lblHeartDt", u("心跳数据")), 1, 0);
        edtHeartDt = named(new QLineEdit(rzgrpbxHeart), "edtHeartDt");
        g->addWidget(edtHeartDt, 1, 1);
        rzchckbxHeartDtHex = named(new QCheckBox("Hex", rzgrpbxHeart), "rzchckbxHeartDtHex");
        setTag(rzchckbxHeartDtHex, 1);
        g->addWidget(rzchckbxHeartDtHex, 1, 2);
        // The list under its label: its items need the group's whole width in English.
        g->addWidget(named(new QLabel(u("心跳发送方式"), rzgrpbxHeart), "lblHeartSnd"), 2, 0, 1, 3);
        cbbHeartSnd = listCombo(rzgrpbxHeart, "cbbHeartSnd", {u("向服务器发送心跳包"), u("向串口终端发送心跳包")}, 0);
        g->addWidget(cbbHeartSnd, 3, 0, 1, 3);
        g->setColumnStretch(1, 1);
    }
    grid->addWidget(rzchckbxHeartEn, row, 0, Qt::AlignTop);
    grid->addWidget(rzgrpbxHeart, row++, 1);

    rzchckbxRegEn = named(new QCheckBox(u("启用注册包"), content), "rzchckbxRegEn");
    rzchckbxRegEn->setChecked(true);
    setTag(rzchckbxRegEn, 4);
    rzgrpbxReg = frameBox(content, "rzgrpbxReg");
    {
        // Each field under its label, and the group under its box across the page: the
        // English items of the lists and a 20-character cloud id need the whole width.
        auto *g = new QGridLayout(rzgrpbxReg);
        g->setContentsMargins(6, 4, 6, 4);
        g->addWidget(named(new QLabel(u("注册包发送方式"), rzgrpbxReg), "lblRegSnd"), 0, 0, 1, 2);
        cbbRegSnd = listCombo(rzgrpbxReg, "cbbRegSnd",
                              {u("与服务器建立连接时向服务器发送一次"), u("向服务器发送的每个数据包前都加上")}, 0);
        g->addWidget(cbbRegSnd, 1, 0, 1, 2);
        g->addWidget(named(new QLabel(u("注册数据类型"), rzgrpbxReg), "lblRegTp"), 2, 0, 1, 2);
        cbbRegTp = listCombo(rzgrpbxReg, "cbbRegTp", {u("ICCID码"), u("MEID码"), u("注册ID"), u("QEB云"), u("自定义")}, 4);
        g->addWidget(cbbRegTp, 3, 0, 1, 2);
        lblRegDt = named(new QLabel(u("注册数据"), rzgrpbxReg), "lblRegDt");
        lblRegDt->setTextFormat(Qt::PlainText);
        g->addWidget(lblRegDt, 4, 0, 1, 2);
        cbbRegDt = named(new SlotField(rzgrpbxReg), "cbbRegDt");
        for (int k = 0; k < 5; ++k)
            cbbRegDt->addItem(QString());
        // A text field that carries five slots: the list part stays out of reach.
        cbbRegDt->setStyleSheet("QComboBox#cbbRegDt::drop-down { width: 0px; border: none; }");
        cbbRegDt->setCurrentIndex(-1);
        g->addWidget(cbbRegDt, 5, 0);
        edtCloudPa = named(new QLineEdit(rzgrpbxReg), "edtCloudPa");
        LimitTyping(edtCloudPa, 8); // typed only: the module may report a longer code
        edtCloudPa->setMaximumWidth(90);
        rzchckbxRegDtHex = named(new QCheckBox("Hex", rzgrpbxReg), "rzchckbxRegDtHex");
        setTag(rzchckbxRegDtHex, 2);
        auto *right = new QHBoxLayout;
        right->addWidget(edtCloudPa);
        right->addWidget(rzchckbxRegDtHex);
        g->addLayout(right, 5, 1);
        g->setColumnStretch(0, 1);
    }
    grid->addWidget(rzchckbxRegEn, row++, 0, 1, 2);
    auto *indented = new QHBoxLayout;
    indented->addSpacing(18);
    indented->addWidget(rzgrpbxReg);
    grid->addLayout(indented, row++, 0, 1, 2);

    rzchckbxSOCKIND = named(new QCheckBox(u("显示网络透传来源Socket"), content), "rzchckbxSOCKIND");
    grid->addWidget(rzchckbxSOCKIND, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);

    connect(rzchckbxHeartEn, &QCheckBox::toggled, this, [this] { rzchckbxEnableClick(3); });
    connect(rzchckbxRegEn, &QCheckBox::toggled, this, [this] { rzchckbxEnableClick(4); });
    connect(rzchckbxHeartDtHex, &QCheckBox::toggled, this, [this] { rzchckbxHexClick(1); });
    connect(rzchckbxRegDtHex, &QCheckBox::toggled, this, [this] { rzchckbxHexClick(2); });
    connect(cbbRegTp, &QComboBox::activated, this, [this] { cbbRegTpChange(); });
}

void TFrm_Main::buildHttpdPage(QWidget *page)
{
    auto *lay = new QVBoxLayout(page);
    lay->setContentsMargins(4, 4, 4, 4);
    auto *g = frameBox(page, "rzgrpbxHttpdPara");
    lay->addWidget(g);
    lay->addStretch(1);
    auto *f = new QGridLayout(g);
    int r = 0;
    auto row = [&](const char *lbl, const QString &text, QWidget *field) {
        f->addWidget(rlabel(g, lbl, text), r, 0);
        f->addWidget(field, r++, 1);
    };
    row("lblHTPTP", u("HTTP请求方式"), listCombo(g, "cbbHTPTP", {"GET", "POST"}, 0));
    row("lblHTPURL", u("HTTP请求的URL"), named(new QLineEdit(g), "edtHTPURL"));
    row("lblHTPSVIP", u("服务器地址"), named(new QLineEdit(g), "edtHTPSVIP"));
    row("lblHTPSVPort", u("服务器端口"), named(new QLineEdit(g), "edtHTPSVPort"));
    row("lblHtpTo", u("超时时间(秒)"), named(new QLineEdit(g), "edtHtpTo"));
    row("lblHTPHD", u("HTTP请求头信息"), named(new QLineEdit(g), "edtHTPHD"));
    rzchckbxHtpFlt = named(new QCheckBox(u("过滤HTTP头"), g), "rzchckbxHtpFlt");
    setTag(rzchckbxHtpFlt, 5);
    f->addWidget(rzchckbxHtpFlt, r++, 1);
    f->setColumnStretch(1, 1);
}

void TFrm_Main::buildSmsPage(QWidget *page)
{
    auto *lay = new QVBoxLayout(page);
    lay->setContentsMargins(4, 4, 4, 4);
    auto *g = frameBox(page, "rzgrpbxSmsTranPara");
    lay->addWidget(g);
    lay->addStretch(1);
    auto *f = new QGridLayout(g);
    f->addWidget(rlabel(g, "lblDSTNUM", u("透传目标电话号码")), 0, 0);
    f->addWidget(named(new QLineEdit(g), "edtDSTNUM"), 0, 1);
    rzchckbxSMSFLT = named(new QCheckBox(u("短信来源号码过滤"), g), "rzchckbxSMSFLT");
    rzchckbxSMSFLT->setChecked(true);
    rzchckbxSMSPH = named(new QCheckBox(u("显示短信透传来源号码"), g), "rzchckbxSMSPH");
    f->addWidget(rzchckbxSMSFLT, 1, 1);
    f->addWidget(rzchckbxSMSPH, 2, 1);
    f->setColumnStretch(1, 1);
}

void TFrm_Main::buildBase(QWidget *holder)
{
    auto *lay = new QVBoxLayout(holder);
    lay->setContentsMargins(0, 0, 0, 0);
    rzgrpbxBase = bannerBox(holder, "rzgrpbxBase", u(" 全局参数"));
    lay->addWidget(rzgrpbxBase);
    auto *bl = new QVBoxLayout(rzgrpbxBase);
    bl->setContentsMargins(2, 2, 2, 2);
    auto *scroll = named(new QScrollArea(rzgrpbxBase), "advscrlbxBase");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::ClickFocus);
    scroll->viewport()->installEventFilter(this);
    bl->addWidget(scroll);
    auto *content = new QWidget;
    content->setObjectName("advscrlbxBaseContent");
    scroll->setWidget(content);
    auto *grid = new QGridLayout(content);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setColumnStretch(1, 1);

    grid->addWidget(named(new QLabel(u("串口参数"), content), "lblUart"), 0, 0, Qt::AlignTop);
    rzgrpbxUart = frameBox(content, "rzgrpbxUart");
    rzgrpbxUart->setFocusPolicy(Qt::ClickFocus);
    {
        auto *g = new QGridLayout(rzgrpbxUart);
        g->setContentsMargins(6, 4, 6, 4);
        g->addWidget(rlabel(rzgrpbxUart, "lblBaud", u("串口波特率")), 0, 0);
        g->addWidget(listCombo(rzgrpbxUart, "cbbBaud", kBauds, -1), 0, 1);
        g->addWidget(rlabel(rzgrpbxUart, "lblFlow", u("流控")), 0, 2);
        g->addWidget(listCombo(rzgrpbxUart, "cbbFlow", {"NFC", "RS485"}, 0), 0, 3, 1, 2);
        g->addWidget(rlabel(rzgrpbxUart, "lblPDS", u("校验/数据/停止")), 1, 0);
        g->addWidget(listCombo(rzgrpbxUart, "cbbP", {"NONE", "ODD", "EVEN"}, 0), 1, 1);
        g->addWidget(listCombo(rzgrpbxUart, "cbbD", {"7", "8"}, 1), 1, 2);
        g->addWidget(listCombo(rzgrpbxUart, "cbbS", {"1", "2"}, 0), 1, 3);
        g->addWidget(rlabel(rzgrpbxUart, "lblUARTFT", u("打包时间(ms)")), 2, 0);
        g->addWidget(named(new QLineEdit(rzgrpbxUart), "edtUARTFT"), 2, 1);
        g->addWidget(rlabel(rzgrpbxUart, "lblUARTFL", u("打包长度(Byte)")), 2, 2);
        g->addWidget(named(new QLineEdit(rzgrpbxUart), "edtUARTFL"), 2, 3, 1, 2);
    }
    grid->addWidget(rzgrpbxUart, 0, 1);
    rzchckbxMore = named(new QCheckBox(u("高级"), content), "rzchckbxMore");
    setTag(rzchckbxMore, 5);
    grid->addWidget(rzchckbxMore, 1, 0, Qt::AlignTop);
    rzgrpbxMore = frameBox(content, "rzgrpbxMore");
    rzgrpbxMore->setFocusPolicy(Qt::ClickFocus);
    {
        auto *g = new QGridLayout(rzgrpbxMore);
        g->setContentsMargins(6, 4, 6, 4);
        rzchckbxE = named(new QCheckBox(u("指令回显"), rzgrpbxMore), "rzchckbxE");
        rzchckbxRFC = named(new QCheckBox(u("类RFC2217"), rzgrpbxMore), "rzchckbxRFC");
        g->addWidget(rzchckbxE, 0, 0, 1, 2);
        g->addWidget(rzchckbxRFC, 0, 2, 1, 2);
        int r = 1;
        for (auto [name, text] : {std::pair{"lbledtCmdPw", u("命令密码")}, std::pair{"lbledtStMsg", u("启动信息")},
                                  std::pair{"lbledtApn", u("APN")}}) {
            auto *lbl = rlabel(rzgrpbxMore, (QByteArray(name) + "Label").constData(), text);
            auto *edt = named(new QLineEdit(rzgrpbxMore), name);
            edt->setProperty("label", QVariant::fromValue<QObject *>(lbl));
            g->addWidget(lbl, r, 0);
            g->addWidget(edt, r++, 1, 1, 3);
        }
        g->setColumnStretch(1, 1);
    }
    grid->addWidget(rzgrpbxMore, 1, 1);
    rzgrpbxMore->hide();
    grid->setRowStretch(2, 1);
    connect(rzchckbxMore, &QCheckBox::toggled, this, [this] { rzchckbxEnableClick(5); });
}

void TFrm_Main::buildLeft(QWidget *pnlL)
{
    auto *lay = new QVBoxLayout(pnlL);
    lay->setContentsMargins(0, 0, 0, 0);
    auto *split = named(new QSplitter(Qt::Vertical, pnlL), "pnlLSplitter");
    split->setHandleWidth(7);
    split->setChildrenCollapsible(false);
    lay->addWidget(split);

    auto *pnlWkmod = named(new QWidget(split), "pnlWkmod");
    auto *wl = new QVBoxLayout(pnlWkmod);
    wl->setContentsMargins(0, 0, 0, 0);
    wl->setSpacing(2);
    rzgrpbxWkmod = bannerBox(pnlWkmod, "rzgrpbxWkmod", u(" 选择模块工作模式"));
    rzgrpbxWkmod->setFixedHeight(132);
    rzgrpbxWkmod->setStyleSheet("QGroupBox#rzgrpbxWkmod { background: white; }"
                                " QGroupBox#rzgrpbxWkmod QRadioButton { color: black; }"); // also on dark desktops
    {
        auto *g = new QVBoxLayout(rzgrpbxWkmod);
        g->setContentsMargins(8, 4, 8, 4);
        auto *radios = new QHBoxLayout;
        rbNetTran = named(new QRadioButton(u("网络透传模式"), rzgrpbxWkmod), "rbNetTran");
        rbHttpd = named(new QRadioButton(u("HTTPD 模式"), rzgrpbxWkmod), "rbHttpd");
        rbSmsTran = named(new QRadioButton(u("短信透传模式"), rzgrpbxWkmod), "rbSmsTran");
        setTag(rbNetTran, 0);
        setTag(rbHttpd, 1);
        setTag(rbSmsTran, 2);
        rbNetTran->setChecked(true);
        rbSmsTran->hide();
        radios->addWidget(rbNetTran);
        radios->addWidget(rbHttpd);
        radios->addWidget(rbSmsTran);
        radios->addStretch(1);
        g->addLayout(radios);
        imgWkMod = named(new QLabel(rzgrpbxWkmod), "imgWkMod");
        imgWkMod->setFixedSize(458, 74);
        g->addWidget(imgWkMod, 0, Qt::AlignLeft);
        imgCKZD = named(new QLabel(imgWkMod), "imgCKZD");
        imgCKZD->setGeometry(458 - 71, 6, 71, 61);
        for (QRadioButton *rb : {rbNetTran, rbHttpd, rbSmsTran}) {
            connect(rb, &QRadioButton::toggled, this, [this, rb](bool on) {
                if (on)
                    rbWkmokClick(rb->property("Tag").toInt());
            });
        }
    }
    wl->addWidget(rzgrpbxWkmod);
    rzgrpbxPara = bannerBox(pnlWkmod, "rzgrpbxPara", u(" 网络透传模式相关参数"));
    rzgrpbxPara->setFocusPolicy(Qt::ClickFocus);
    wl->addWidget(rzgrpbxPara, 1);
    auto *pl = new QVBoxLayout(rzgrpbxPara);
    pl->setContentsMargins(2, 2, 2, 2);
    rzpgcntrlPara = named(new QTabWidget(rzgrpbxPara), "rzpgcntrlPara");
    rzpgcntrlPara->setTabPosition(QTabWidget::South);
    rzpgcntrlPara->tabBar()->hide();
    rzpgcntrlPara->setDocumentMode(true);
    pl->addWidget(rzpgcntrlPara);
    auto *net = named(new QWidget, "rztbshtNetTran");
    auto *http = named(new QWidget, "rztbshtHttpd");
    auto *sms = named(new QWidget, "rztbshtSmsTran");
    buildNetPage(net);
    buildHttpdPage(http);
    buildSmsPage(sms);
    rzpgcntrlPara->addTab(net, u("网络透传"));
    rzpgcntrlPara->addTab(http, u("HTTPD"));
    rzpgcntrlPara->addTab(sms, u("短信透传"));

    auto *base = named(new QWidget(split), "rzszpnlBase");
    buildBase(base);
    split->addWidget(pnlWkmod);
    split->addWidget(base);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({600, 147});
}

void TFrm_Main::buildRight(QWidget *pnlR)
{
    auto *lay = new QVBoxLayout(pnlR);
    lay->setContentsMargins(0, 0, 0, 0);
    rzgrpbxDo = bannerBox(pnlR, "rzgrpbxDo", u(" 执行命令及提示"));
    lay->addWidget(rzgrpbxDo);
    auto *dl = new QVBoxLayout(rzgrpbxDo);
    dl->setContentsMargins(2, 2, 2, 2);
    dl->setSpacing(2);

    auto cmdButton = [this](QWidget *parent, const char *name, const QString &text, int tag, QSize size) {
        auto *b = named(new QPushButton(text, parent), name);
        b->setFixedSize(size);
        setTag(b, tag);
        connect(b, &QPushButton::clicked, this, [this, tag] { btnDoClick(tag); });
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
                [this, e](const QPoint &pos) { pmCls->popup(e->mapToGlobal(pos)); });
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
    addHotSpot(rzspltrBtnAndDialog, 0, 81);
    addHotSpot(rzspltrDialog, 1, 96);
}

// A small button on a splitter bar that collapses one pane or restores it.
void TFrm_Main::addHotSpot(QSplitter *split, int pane, int restoreSize)
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
    connect(b, &QToolButton::clicked, this, [split, pane, restoreSize] {
        QList<int> sizes = split->sizes();
        const int total = sizes[0] + sizes[1];
        if (sizes[pane] == 0) {
            sizes[pane] = std::min(restoreSize, total);
        } else {
            sizes[pane] = 0;
        }
        sizes[1 - pane] = total - sizes[pane];
        split->setSizes(sizes);
    });
}

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
    connect(actCR, &QAction::triggered, this, [this] { actCRExecute(); });
    connect(actCls, &QAction::triggered, this, [this] { actClsExecute(); });

    FillPaneMenu(pmCls, edtcpy, edtpst, edtslctlAll, actCls);
    ConnectIniDialogs(pmIni, this);
}
