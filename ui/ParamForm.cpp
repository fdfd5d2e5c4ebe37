// The parameter form: work mode, the pages of each mode, the base parameters,
// and the rules that keep it consistent (work-mode pages, enable boxes,
// protocol lists, registration types, Hex boxes, hardware version).
#include "ui/ParamForm.h"

#include "lang/AppLang.h"
#include "ui/FieldGuards.h"
#include "ui/FieldRanges.h"
#include "ui/MainTexts.h"
#include "ui/PanelParts.h"
#include "ui/Pictures.h"
#include "util/Gbk.h"
#include "util/LineSink.h"
#include "util/ProFun.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace panel_parts;

void ParamForm::buildNetPage(QWidget *page)
{
    auto *lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);
    auto *scroll = named(new QScrollArea(page), "advscrlbxPara");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::ClickFocus);
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

void ParamForm::buildHttpdPage(QWidget *page)
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

void ParamForm::buildSmsPage(QWidget *page)
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

void ParamForm::buildBase(QWidget *holder)
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

ParamForm::ParamForm(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlL"));
    setFixedWidth(520);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    auto *split = named(new QSplitter(Qt::Vertical, this), "pnlLSplitter");
    split->setHandleWidth(7);
    split->setChildrenCollapsible(false);
    lay->addWidget(split);

    auto *pnlWkmod = named(new QWidget(split), "pnlWkmod");
    auto *wl = new QVBoxLayout(pnlWkmod);
    wl->setContentsMargins(0, 0, 0, 0);
    wl->setSpacing(2);
    rzgrpbxWkmod = bannerBox(pnlWkmod, "rzgrpbxWkmod", u(" 选择模块工作模式"));
    rzgrpbxWkmod->setFixedHeight(132);
    // White on any desktop, its radio buttons drawn for white: a dark palette would draw
    // the checked mark dark on dark.
    rzgrpbxWkmod->setStyleSheet(
        "QGroupBox#rzgrpbxWkmod { background: white; }"
        " QGroupBox#rzgrpbxWkmod QRadioButton { color: black; }"
        " QGroupBox#rzgrpbxWkmod QRadioButton::indicator { width: 12px; height: 12px; border: 1px solid #707070;"
        " border-radius: 7px; background: white; }"
        " QGroupBox#rzgrpbxWkmod QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5,"
        " radius:0.5, fx:0.5, fy:0.5, stop:0 #202020, stop:0.42 #202020, stop:0.5 white, stop:1 white); }");
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

int ParamForm::GetWorkMode() const
{
    if (rbNetTran->isChecked())
        return 0;
    if (rbHttpd->isChecked())
        return 1;
    if (rbSmsTran->isChecked())
        return 2;
    return 3;
}

void ParamForm::rbWkmokClick(int tag)
{
    static const char *const pictures[] = {"NetTran", "HttpD", "SmsTran"};
    if (tag < 0 || tag > 2)
        return;
    imgWkMod->setPixmap(WorkModePicture(QString::fromLatin1(pictures[tag])));
    SetParaGroupCaption(rzgrpbxPara, GetWorkMode(), "lang_rzgrpbxPara");
    // The page control never shows its tabs: only the chosen page is visible.
    rzpgcntrlPara->tabBar()->show();
    rzpgcntrlPara->setCurrentIndex(tag);
    rzpgcntrlPara->tabBar()->hide();
}

void ParamForm::rzchckbxEnableClick(int tag)
{
    QCheckBox *box = nullptr;
    QGroupBox *group = nullptr;
    switch (tag) {
    case 1: box = rzchckbxSkt[0]; group = rzgrpbxSkt[0]; break;
    case 2: box = rzchckbxSkt[1]; group = rzgrpbxSkt[1]; break;
    case 3: box = rzchckbxHeartEn; group = rzgrpbxHeart; break;
    case 4: box = rzchckbxRegEn; group = rzgrpbxReg; break;
    case 5: box = rzchckbxMore; group = rzgrpbxMore; break;
    case 6: box = rzchckbxSkt[2]; group = rzgrpbxSkt[2]; break;
    case 7: box = rzchckbxSkt[3]; group = rzgrpbxSkt[3]; break;
    default: return;
    }
    group->setVisible(box->isChecked());
}

void ParamForm::cbbProtocolChange(int tag)
{
    if (tag < 1 || tag > 4)
        return;
    const int i = cbbProtocol[tag - 1]->currentIndex();
    if (i == 0)
        cbbSL[tag - 1]->show();
    else if (i == 1)
        cbbSL[tag - 1]->hide();
}

void ParamForm::cbbRegTpChange()
{
    const int k = cbbRegTp->currentIndex();
    if (k >= 0 && k < cbbRegDt->count())
        cbbRegDt->setCurrentIndex(k);
    const bool readOnly = k == 0 || k == 1;
    cbbRegDt->lineEdit()->setReadOnly(readOnly);
    cbbRegDt->setProperty("readOnly", readOnly);
    cbbRegDt->lineEdit()->setStyleSheet(readOnly ? QStringLiteral("background: palette(window);") : QString());
    edtCloudPa->setVisible(k == 3);
    rzchckbxRegDtHex->setVisible(k == 4);
    if (k == 3) {
        lblRegDt->setText(LangTextU("lang_CloudIdPw"));
        cbbRegDt->setToolTip(LangTextU("lang_lblCloudId"));
        edtCloudPa->setToolTip(LangTextU("lang_lblCloudPa"));
    } else {
        lblRegDt->setText(cbbRegTp->currentText());
        cbbRegDt->setToolTip(QString());
        edtCloudPa->setToolTip(QString());
    }
}

void ParamForm::rzchckbxHexClick(int tag)
{
    if (tag == 1) {
        const QByteArray t = gbk::fromUnicode(edtHeartDt->text());
        const QByteArray out = rzchckbxHeartDtHex->isChecked() ? StrToHexStr(t, "") : HexStrToStr(t);
        edtHeartDt->setText(gbk::toUnicode(out));
    } else if (tag == 2) {
        // The box shows only with the custom type, so a user click converts what is
        // typed there. Set from code (an answer, the configuration) while another
        // type is chosen, it converts the stored custom data and leaves the shown
        // slot alone: otherwise Set All would send the custom data as that type's value.
        const bool custom = cbbRegTp->currentIndex() == 4;
        const QByteArray t = gbk::fromUnicode(custom ? cbbRegDt->currentText() : cbbRegDt->itemText(4));
        const QByteArray out = rzchckbxRegDtHex->isChecked() ? StrToHexStr(t, "") : HexStrToStr(t);
        cbbRegDt->setItemText(4, gbk::toUnicode(out));
        if (custom) {
            cbbRegDt->setCurrentIndex(4);
            cbbRegDt->setEditText(gbk::toUnicode(out));
        }
    }
}

void ParamForm::SetHdVerSign(THdVerSign sign)
{
    hdVerSign_ = sign;
    switch (sign) {
    case THdVerSign::HdUnknown:
        if (warn_)
            warn_->ShowErr(LangText("info_PlsUpFw"));
        break;
    case THdVerSign::Hd510:
        SetComboItem(cbbRegTp, 1, "lang_cbbRegTp1_MEID");
        idCmd_ = TCmd::MEID;
        break;
    case THdVerSign::Hd511:
    case THdVerSign::Hd521:
        SetComboItem(cbbRegTp, 1, "lang_cbbRegTp1_IMEI");
        idCmd_ = TCmd::IMEI;
        break;
    }
}

// Captions and hints in the current language.
void ParamForm::applyTexts()
{
    SetGroupCaption(rzgrpbxWkmod, "lang_rzgrpbxWkmod");
    SetRadioCaption(rbNetTran, "lang_rbNetTran");
    SetRadioCaption(rbHttpd, "lang_rbHttpd");
    SetRadioCaption(rbSmsTran, "lang_rbSmsTran");
    SetParaGroupCaption(rzgrpbxPara, GetWorkMode(), "lang_rzgrpbxPara");
    static const char *const letters[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        SetServerCheckCaption(rzchckbxSkt[i], "lang_rzchckbxSkt", letters[i]);
        SetLabelCaption(lblIpAndPort[i], "lang_lblIpAndPort");
        SetLabelCaption(lblLinkTpye[i], "lang_lblLinkTpye");
        SetComboItem(cbbSL[i], 0, "lang_cbbASL0");
        SetComboItem(cbbSL[i], 1, "lang_cbbASL1");
        SetLabelCaption(lblSockTo[i], "lang_OverTimeS");
    }
    SetCheckBoxCaption(rzchckbxHeartEn, "lang_rzchckbxHeartEn");
    auto lbl = [this](const char *n) { return findChild<QLabel *>(QString::fromLatin1(n)); };
    SetLabelCaption(lbl("lblHeartTm"), "lang_lblHeartTm");
    SetLabelCaption(lbl("lblHeartDt"), "lang_lblHeartDt");
    SetLabelCaption(lbl("lblHeartSnd"), "lang_lblHeartSnd");
    SetComboItem(cbbHeartSnd, 0, "lang_cbbHeartSnd0");
    SetComboItem(cbbHeartSnd, 1, "lang_cbbHeartSnd1");
    SetCheckBoxCaption(rzchckbxRegEn, "lang_rzchckbxRegEn");
    SetLabelCaption(lbl("lblRegSnd"), "lang_lblRegSnd");
    SetComboItem(cbbRegSnd, 0, "lang_cbbRegSnd0");
    SetComboItem(cbbRegSnd, 1, "lang_cbbRegSnd1");
    SetLabelCaption(lbl("lblRegTp"), "lang_lblRegTp");
    SetComboItem(cbbRegTp, 0, "lang_cbbRegTp0");
    SetHdVerSign(HdVerSign());
    SetComboItem(cbbRegTp, 2, "lang_cbbRegTp2");
    SetComboItem(cbbRegTp, 3, "lang_cbbRegTp3");
    SetComboItem(cbbRegTp, 4, "lang_cbbRegTp4");
    cbbRegTpChange();
    SetCheckBoxCaption(rzchckbxSOCKIND, "lang_rzchckbxSOCKIND");
    SetLabelCaption(lbl("lblHTPTP"), "lang_lblHTPTP");
    SetLabelCaption(lbl("lblHTPURL"), "lang_lblHTPURL");
    SetLabelCaption(lbl("lblHTPSVIP"), "lang_lblHTPSVIP");
    SetLabelCaption(lbl("lblHTPSVPort"), "lang_lblHTPSVPort");
    SetLabelCaption(lbl("lblHtpTo"), "lang_OverTimeS");
    SetLabelCaption(lbl("lblHTPHD"), "lang_lblHTPHD");
    SetCheckBoxCaption(rzchckbxHtpFlt, "lang_rzchckbxHtpFlt");
    SetLabelCaption(lbl("lblDSTNUM"), "lang_lblDSTNUM");
    SetCheckBoxCaption(rzchckbxSMSFLT, "lang_rzchckbxSMSFLT");
    SetCheckBoxCaption(rzchckbxSMSPH, "lang_rzchckbxSMSPH");
    SetGroupCaption(rzgrpbxBase, "lang_rzgrpbxBase");
    SetLabelCaption(lbl("lblUart"), "lang_lblUart");
    SetLabelCaption(lbl("lblBaud"), "lang_lblBaud");
    SetLabelCaption(lbl("lblPDS"), "lang_lblOpenPDS");
    SetLabelCaption(lbl("lblFlow"), "lang_lblOpenFlow");
    SetCheckBoxCaption(rzchckbxMore, "lang_rzchckbxMore");
    SetCheckBoxCaption(rzchckbxRFC, "lang_rzchckbxRFC");
    SetLabelCaption(lbl("lblUARTFT"), "lang_lblUARTFT");
    SetLabelCaption(lbl("lblUARTFL"), "lang_lblUARTFL");
    SetCheckBoxCaption(rzchckbxE, "lang_rzchckbxE");
    SetLabeledEditCaption(findChild<QLineEdit *>("lbledtCmdPw"), "lang_lbledtCmdPw");
    SetLabeledEditCaption(findChild<QLineEdit *>("lbledtStMsg"), "lang_lbledtStMsg");
    SetLabeledEditCaption(findChild<QLineEdit *>("lbledtApn"), "lang_lbledtApn");
    for (const char *n : {"cbbBaud", "cbbFlow", "cbbP", "cbbD", "cbbS"})
        SetComboHint(findChild<QComboBox *>(QString::fromLatin1(n)), "hint_cbbUart");
    SetImageHint(imgCKZD, "hint_cbbUart");
    SetCheckBoxHint(rzchckbxSkt[0], "hint_chkEn");
    SetCheckBoxHint(rzchckbxHeartDtHex, "hint_chkHex");
    SetCheckBoxHint(rzchckbxRegDtHex, "hint_chkHex");
    ApplyRangeHints(this);
}
