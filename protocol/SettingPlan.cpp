#include "protocol/SettingPlan.h"

#include "protocol/FormControls.h"
#include "protocol/FormHooks.h"
#include "util/Gbk.h"
#include "util/ProFun.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

// The keyword of item 0 and item 1 of a two-choice list; none with no item chosen.
QByteArray choice(const QComboBox *list, const char *first, const char *second)
{
    const int i = list ? list->currentIndex() : -1;
    return i == 0 ? QByteArray(first) : i == 1 ? QByteArray(second) : QByteArray();
}

// Heartbeat and custom registration data go out as hex unless the Hex box
// says the field already holds hex.
QByteArray hexUnlessChecked(const QByteArray &text, const QCheckBox *hexBox)
{
    return IsChecked(hexBox) ? text : StrToHexStr(text, QByteArray());
}

QByteArray slot(const QComboBox *regDt, int k)
{
    return regDt && k < regDt->count() ? gbk::fromUnicode(regDt->itemText(k)) : QByteArray();
}

class Plan {
public:
    QList<TSetting> out;

    // skip applies when the value itself is there; an empty keyword has none.
    void add(TCmd c, const QByteArray &value, TSkip skip, int group = 0, bool keyword = false)
    {
        out.append({c, value, keyword && value.isEmpty() ? TSkip::NoItem : skip, group});
    }
};

void addSockets(Plan &p, const FormControls &c, TSkip mode)
{
    static const TCmd en[] = {TCmd::SOCKAEN, TCmd::SOCKBEN, TCmd::SOCKCEN, TCmd::SOCKDEN};
    static const TCmd sock[] = {TCmd::SOCKA, TCmd::SOCKB, TCmd::SOCKC, TCmd::SOCKD};
    static const TCmd sl[] = {TCmd::SOCKASL, TCmd::SOCKBSL, TCmd::SOCKCSL, TCmd::SOCKDSL};
    static const TCmd to[] = {TCmd::SOCKATO, TCmd::SOCKBTO, TCmd::SOCKCTO, TCmd::SOCKDTO};
    for (int i = 0; i < 4; ++i) {
        const TSkip off = mode != TSkip::None ? mode : IsChecked(c.skt[i]) ? TSkip::None : TSkip::SocketOff;
        p.add(en[i], IsChecked(c.skt[i]) ? "ON" : "OFF", mode, i);
        p.add(sock[i], ShownText(c.protocol[i]) + ',' + TextOf(c.addr[i]) + ',' + TextOf(c.port[i]), off, i);
        p.add(sl[i], choice(c.sl[i], "SHORT", "LONG"), off, i, true);
        p.add(to[i], TextOf(c.sockTo[i]), off, i);
    }
}

void addHeart(Plan &p, const FormControls &c, TSkip mode)
{
    const bool on = IsChecked(c.rzchckbxHeartEn);
    const TSkip off = mode != TSkip::None ? mode : on ? TSkip::None : TSkip::HeartOff;
    p.add(TCmd::HEARTEN, on ? "ON" : "OFF", mode);
    p.add(TCmd::HEARTTM, TextOf(c.edtHeartTm), off);
    p.add(TCmd::HEARTDT, hexUnlessChecked(TextOf(c.edtHeartDt), c.rzchckbxHeartDtHex), off);
    p.add(TCmd::HEARTSND, choice(c.cbbHeartSnd, "NET", "COM"), off, 0, true);
}

void addReg(Plan &p, const FormControls &c, const FormHooks &hooks, TSkip mode)
{
    const bool on = IsChecked(c.rzchckbxRegEn);
    const TSkip off = mode != TSkip::None ? mode : on ? TSkip::None : TSkip::RegOff;
    const int type = c.cbbRegTp ? c.cbbRegTp->currentIndex() : -1;
    static const char *const typeWords[] = {"ICCID", nullptr, "D2DID", "CLOUD", "USER"};
    QByteArray tp;
    if (type == 1)
        tp = CmdToStr(hooks.IdCmd());
    else if (type >= 0 && type < 5)
        tp = typeWords[type];
    // The chosen type's own value is what the field shows; the others are their slots.
    const QByteArray shown = ShownText(c.cbbRegDt);
    auto valueOf = [&](int k) { return type == k ? shown : slot(c.cbbRegDt, k); };
    auto ownSkip = [&](int k) { return off != TSkip::None ? off : type == k ? TSkip::None : TSkip::RegType; };
    p.add(TCmd::REGEN, on ? "ON" : "OFF", mode);
    p.add(TCmd::REGSND, choice(c.cbbRegSnd, "LINK", "DATA"), off, 0, true);
    p.add(TCmd::REGTP, tp, off, 0, true);
    p.add(TCmd::REGID, valueOf(2), ownSkip(2));
    p.add(TCmd::CLOUD, valueOf(3) + ',' + TextOf(c.edtCloudPa), ownSkip(3));
    p.add(TCmd::REGDT, hexUnlessChecked(valueOf(4), c.rzchckbxRegDtHex), ownSkip(4));
}

void addNet(Plan &p, const FormControls &c, const FormHooks &hooks, TSkip mode)
{
    addSockets(p, c, mode);
    addHeart(p, c, mode);
    addReg(p, c, hooks, mode);
    p.add(TCmd::SOCKIND, IsChecked(c.rzchckbxSOCKIND) ? "ON" : "OFF", mode);
}

void addHttpd(Plan &p, const FormControls &c, TSkip mode)
{
    p.add(TCmd::HTPTP, ShownText(c.cbbHTPTP), mode);
    p.add(TCmd::HTPURL, TextOf(c.edtHTPURL), mode);
    p.add(TCmd::HTPSV, TextOf(c.edtHTPSVIP) + ',' + TextOf(c.edtHTPSVPort), mode);
    p.add(TCmd::HTPTO, TextOf(c.edtHtpTo), mode);
    p.add(TCmd::HTPHD, TextOf(c.edtHTPHD), mode);
    p.add(TCmd::HTPFLT, IsChecked(c.rzchckbxHtpFlt) ? "ON" : "OFF", mode);
}

void addSms(Plan &p, const FormControls &c, TSkip mode)
{
    p.add(TCmd::DSTNUM, TextOf(c.edtDSTNUM), mode);
    p.add(TCmd::SMSFLT, IsChecked(c.rzchckbxSMSFLT) ? "ON" : "OFF", mode);
    p.add(TCmd::SMSPH, IsChecked(c.rzchckbxSMSPH) ? "ON" : "OFF", mode);
}

} // namespace

QList<TSetting> SettingPlan(const FormControls &c, const FormHooks &hooks)
{
    Plan p;
    const int mode = hooks.GetWorkMode();
    static const char *const modeWords[] = {"NET", "HTTPD", "SMS"};
    p.add(TCmd::WKMOD, mode >= 0 && mode < 3 ? modeWords[mode] : "", TSkip::None, 0, true);
    // The chosen mode's part first, as Set All writes it; the other modes' values after it.
    const auto addMode = [&](int m) {
        const TSkip skip = m == mode ? TSkip::None : TSkip::WorkMode;
        if (m == 0)
            addNet(p, c, hooks, skip);
        else if (m == 1)
            addHttpd(p, c, skip);
        else
            addSms(p, c, skip);
    };
    if (mode >= 0 && mode < 3)
        addMode(mode);
    for (int m = 0; m < 3; ++m)
        if (m != mode)
            addMode(m);
    p.add(TCmd::UART, ShownText(c.cbbBaud) + ',' + ShownText(c.cbbD) + ',' + ShownText(c.cbbS) + ','
                          + ShownText(c.cbbP) + ',' + ShownText(c.cbbFlow), TSkip::None);
    // The packing fields always show beside the serial settings, so they are
    // always written; the hidden advanced fields follow their box.
    p.add(TCmd::UARTFT, TextOf(c.edtUARTFT), TSkip::None);
    p.add(TCmd::UARTFL, TextOf(c.edtUARTFL), TSkip::None);
    const TSkip more = IsChecked(c.rzchckbxMore) ? TSkip::None : TSkip::MoreOff;
    p.add(TCmd::RFCEN, IsChecked(c.rzchckbxRFC) ? "ON" : "OFF", more);
    p.add(TCmd::E, IsChecked(c.rzchckbxE) ? "ON" : "OFF", more);
    p.add(TCmd::CMDPW, TextOf(c.lbledtCmdPw), more);
    p.add(TCmd::STMSG, TextOf(c.lbledtStMsg), more);
    p.add(TCmd::APN, TextOf(c.lbledtApn), more);
    return p.out;
}

QByteArray SkipReason(const TSetting &s)
{
    switch (s.skip) {
    case TSkip::None:
        break;
    case TSkip::WorkMode:
        return "another work mode is chosen";
    case TSkip::SocketOff:
        return QByteArray("connection ") + char('A' + s.group) + " is off";
    case TSkip::HeartOff:
        return "the heartbeat is off";
    case TSkip::RegOff:
        return "registration is off";
    case TSkip::RegType:
        return "the registration type uses another value";
    case TSkip::MoreOff:
        return "More Function is off";
    case TSkip::NoItem:
        return "no item is chosen";
    }
    return {};
}
