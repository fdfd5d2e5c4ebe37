#include "protocol/ParamCodec.h"

#include "util/Version.h"
#include "lang/AppLang.h"
#include "protocol/FormControls.h"
#include "protocol/FormHooks.h"
#include "protocol/OrderList.h"
#include "protocol/Sender.h"
#include "protocol/SettingPlan.h"
#include "util/Gbk.h"
#include "util/LineSink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <initializer_list>
#include <optional>
#include <utility>

namespace {

struct Keyword {
    const char *word;
    int index;
};

const std::initializer_list<Keyword> kSockSL = {{"SHORT", 0}, {"LONG", 1}};
const std::initializer_list<Keyword> kRegSnd = {{"LINK", 0}, {"DATA", 1}};
const std::initializer_list<Keyword> kHeartSnd = {{"NET", 0}, {"COM", 1}};
const std::initializer_list<Keyword> kRegTp = {{"ICCID", 0}, {"MEID", 1}, {"IMEI", 1},
                                               {"D2DID", 2}, {"CLOUD", 3}, {"USER", 4}};

// Keywords compare exactly, case included; an unknown one leaves the list.
void selectKeyword(QComboBox *list, const QByteArray &value, std::initializer_list<Keyword> words)
{
    if (!list)
        return;
    for (const Keyword &k : words) {
        if (value == k.word) {
            list->setCurrentIndex(k.index);
            return;
        }
    }
}

constexpr int sockIndex(TCmd c, TCmd first)
{
    return static_cast<int>(c) - static_cast<int>(first);
}

} // namespace

ParamCodec::ParamCodec(FormControls &controls, FormHooks &hooks, LineSink &console,
                       OrderList &orders, Sender &sender)
    : c_(controls), hooks_(hooks), console_(console), orders_(orders), sender_(sender)
{
}

// ---- decoding -------------------------------------------------------------

void ParamCodec::SelectItem(QComboBox *list, const QByteArray &value)
{
    if (!list)
        return;
    // MatchFixedString without MatchCaseSensitive ignores case.
    list->setCurrentIndex(list->findText(gbk::toUnicode(value), Qt::MatchFixedString));
}

void ParamCodec::WriteRegDtSlot(int k, const QByteArray &text)
{
    QComboBox *dt = c_.cbbRegDt;
    if (!dt || k < 0 || k >= dt->count())
        return;
    const int idx = dt->currentIndex();
    const QString t = gbk::toUnicode(text);
    dt->setItemText(k, t);
    dt->setCurrentIndex(idx);
    if (idx == k && dt->isEditable())
        dt->setEditText(t);
}

void ParamCodec::ApplyOnOff(QCheckBox *box, const QByteArray &value)
{
    if (!box)
        return;
    if (value == "ON")
        box->setChecked(true);
    else if (value == "OFF")
        box->setChecked(false);
    box->setChecked(!box->isChecked());
    box->setChecked(!box->isChecked());
}

void ParamCodec::ApplyComboParam(TCmd c, QComboBox *list, const QByteArray &value)
{
    switch (c) {
    case TCmd::ICCID:
        WriteRegDtSlot(0, value);
        break;
    case TCmd::MEID:
    case TCmd::IMEI:
        WriteRegDtSlot(1, value);
        break;
    case TCmd::REGID:
        WriteRegDtSlot(2, value);
        break;
    case TCmd::REGDT:
        // The reported data is hex: mark the field as such before filling it.
        if (c_.rzchckbxRegDtHex)
            c_.rzchckbxRegDtHex->setChecked(true);
        WriteRegDtSlot(4, value);
        break;
    case TCmd::CLOUD: {
        const QList<QByteArray> f = SplitComma(value);
        if (f.size() == 2) {
            WriteRegDtSlot(3, f[0]);
            SetText(c_.edtCloudPa, f[1]);
        }
        break;
    }
    case TCmd::SOCKASL:
    case TCmd::SOCKBSL:
    case TCmd::SOCKCSL:
    case TCmd::SOCKDSL:
        selectKeyword(list, value, kSockSL);
        break;
    case TCmd::REGTP:
        selectKeyword(list, value, kRegTp);
        hooks_.cbbRegTpChange();
        break;
    case TCmd::REGSND:
        selectKeyword(list, value, kRegSnd);
        break;
    case TCmd::HEARTSND:
        selectKeyword(list, value, kHeartSnd);
        break;
    default:
        break;
    }
}

void ParamCodec::applyWkMod(const QByteArray &value)
{
    // Clearing fires no handler; checking one does.
    for (QRadioButton *rb : {c_.rbNetTran, c_.rbHttpd, c_.rbSmsTran}) {
        if (!rb)
            continue;
        rb->setAutoExclusive(false);
        rb->setChecked(false);
        rb->setAutoExclusive(true);
    }
    QRadioButton *target = nullptr;
    if (value == "NET")
        target = c_.rbNetTran;
    else if (value == "HTTPD")
        target = c_.rbHttpd;
    else if (value.contains("SMS"))
        target = c_.rbSmsTran;
    if (target)
        target->setChecked(true);
}

void ParamCodec::applyUart(const QByteArray &value)
{
    const QList<QByteArray> f = SplitComma(value);
    if (f.size() != 5)
        return;
    SelectItem(c_.cbbBaud, f[0]);
    SelectItem(c_.cbbD, f[1]);
    SelectItem(c_.cbbS, f[2]);
    SelectItem(c_.cbbP, f[3]);
    SelectItem(c_.cbbFlow, f[4]);
}

void ParamCodec::applySock(int i, const QByteArray &value)
{
    const QList<QByteArray> f = SplitComma(value);
    if (f.size() != 3)
        return;
    SelectItem(c_.protocol[i], f[0]);
    SetText(c_.addr[i], f[1]);
    SetText(c_.port[i], f[2]);
    hooks_.cbbProtocolChange(i + 1);
}

void ParamCodec::ApplyParam(const QByteArray &name, const QByteArray &value)
{
    const std::optional<TCmd> cmd = StrToCmd(name);
    if (!cmd)
        return;
    const TCmd c = *cmd;
    if (onApplied)
        onApplied(c);
    switch (c) {
    case TCmd::E:
        ApplyOnOff(c_.rzchckbxE, value);
        break;
    case TCmd::WKMOD:
        applyWkMod(value);
        addSmsQueries(value);
        break;
    case TCmd::CMDPW:
        SetText(c_.lbledtCmdPw, value);
        break;
    case TCmd::STMSG:
        SetText(c_.lbledtStMsg, value);
        break;
    case TCmd::UART:
        applyUart(value);
        break;
    case TCmd::RFCEN:
        ApplyOnOff(c_.rzchckbxRFC, value);
        break;
    case TCmd::UARTFT:
        SetText(c_.edtUARTFT, value);
        break;
    case TCmd::UARTFL:
        SetText(c_.edtUARTFL, value);
        break;
    case TCmd::APN:
        SetText(c_.lbledtApn, value);
        break;
    case TCmd::SOCKA:
    case TCmd::SOCKB:
        applySock(sockIndex(c, TCmd::SOCKA), value);
        break;
    case TCmd::SOCKC:
    case TCmd::SOCKD:
        applySock(2 + sockIndex(c, TCmd::SOCKC), value);
        break;
    case TCmd::SOCKAEN:
    case TCmd::SOCKBEN:
        ApplyOnOff(c_.skt[sockIndex(c, TCmd::SOCKAEN)], value);
        break;
    case TCmd::SOCKCEN:
    case TCmd::SOCKDEN:
        ApplyOnOff(c_.skt[2 + sockIndex(c, TCmd::SOCKCEN)], value);
        break;
    case TCmd::SOCKASL:
    case TCmd::SOCKBSL:
        ApplyComboParam(c, c_.sl[sockIndex(c, TCmd::SOCKASL)], value);
        break;
    case TCmd::SOCKCSL:
    case TCmd::SOCKDSL:
        ApplyComboParam(c, c_.sl[2 + sockIndex(c, TCmd::SOCKCSL)], value);
        break;
    case TCmd::SOCKATO:
    case TCmd::SOCKBTO:
        SetText(c_.sockTo[sockIndex(c, TCmd::SOCKATO)], value);
        break;
    case TCmd::SOCKCTO:
    case TCmd::SOCKDTO:
        SetText(c_.sockTo[2 + sockIndex(c, TCmd::SOCKCTO)], value);
        break;
    case TCmd::SOCKIND:
        ApplyOnOff(c_.rzchckbxSOCKIND, value);
        break;
    case TCmd::REGEN:
        ApplyOnOff(c_.rzchckbxRegEn, value);
        break;
    case TCmd::ICCID:
    case TCmd::MEID:
    case TCmd::IMEI:
    case TCmd::REGID:
    case TCmd::REGDT:
    case TCmd::CLOUD:
        ApplyComboParam(c, c_.cbbRegDt, value);
        break;
    case TCmd::REGTP:
        ApplyComboParam(c, c_.cbbRegTp, value);
        break;
    case TCmd::REGSND:
        ApplyComboParam(c, c_.cbbRegSnd, value);
        break;
    case TCmd::HEARTEN:
        ApplyOnOff(c_.rzchckbxHeartEn, value);
        break;
    case TCmd::HEARTDT:
        // Reported as hex: mark the field as such before filling it.
        if (c_.rzchckbxHeartDtHex)
            c_.rzchckbxHeartDtHex->setChecked(true);
        SetText(c_.edtHeartDt, value);
        break;
    case TCmd::HEARTSND:
        ApplyComboParam(c, c_.cbbHeartSnd, value);
        break;
    case TCmd::HEARTTM:
        SetText(c_.edtHeartTm, value);
        break;
    case TCmd::HTPTP:
        SelectItem(c_.cbbHTPTP, value);
        break;
    case TCmd::HTPURL:
        SetText(c_.edtHTPURL, value);
        break;
    case TCmd::HTPSV: {
        const QList<QByteArray> f = SplitComma(value);
        if (f.size() == 2) {
            SetText(c_.edtHTPSVIP, f[0]);
            SetText(c_.edtHTPSVPort, f[1]);
        }
        break;
    }
    case TCmd::HTPHD:
        SetText(c_.edtHTPHD, value);
        break;
    case TCmd::HTPTO:
        SetText(c_.edtHtpTo, value);
        break;
    case TCmd::HTPFLT:
        ApplyOnOff(c_.rzchckbxHtpFlt, value);
        break;
    case TCmd::DSTNUM:
        SetText(c_.edtDSTNUM, value);
        break;
    case TCmd::SMSFLT:
        ApplyOnOff(c_.rzchckbxSMSFLT, value);
        break;
    case TCmd::SMSPH:
        ApplyOnOff(c_.rzchckbxSMSPH, value);
        break;
    case TCmd::VER:
        hooks_.SetHdVerSign(THdVerSign::Hd521);
        ContinueBulk();
        break;
    case TCmd::HDVER:
        hooks_.SetHdVerSign(VerClass(value));
        ContinueBulk();
        break;
    case TCmd::Z:
        console_.ShowInfo(LangText("info_Restarting"));
        break;
    case TCmd::SN:
    case TCmd::SOCKALK:
    case TCmd::SOCKBLK:
    case TCmd::SOCKCLK:
    case TCmd::SOCKDLK:
    case TCmd::H:
    case TCmd::ENTM:
    case TCmd::RELD:
    case TCmd::CLEAR:
    case TCmd::CFGTF:
    case TCmd::CSQ:
        break;
    }
}

THdVerSign ParamCodec::VerClass(const QByteArray &version)
{
    const auto n = static_cast<int32_t>(VersionToNumber(version));
    if (n >= 10000 && n <= 19999)
        return THdVerSign::Hd510;
    if (n >= 20000 && n <= 29999)
        return THdVerSign::Hd511;
    return THdVerSign::HdUnknown;
}

// ---- encoding -------------------------------------------------------------

QByteArray ParamCodec::OnOffOf(const QCheckBox *box)
{
    return IsChecked(box) ? QByteArrayLiteral("ON") : QByteArrayLiteral("OFF");
}

QByteArray ParamCodec::UartText() const
{
    return ShownText(c_.cbbBaud) + ',' + ShownText(c_.cbbD) + ',' + ShownText(c_.cbbS) + ','
           + ShownText(c_.cbbP) + ',' + ShownText(c_.cbbFlow);
}

void ParamCodec::AddGetAllOrders()
{
    for (TCmd c : {TCmd::E, TCmd::WKMOD, TCmd::CMDPW, TCmd::STMSG, TCmd::SN, TCmd::ICCID})
        orders_.AddQuery(c);
    orders_.AddQuery(hooks_.IdCmd());
    for (int n = static_cast<int>(TCmd::UART); n <= static_cast<int>(TCmd::REGSND); ++n)
        orders_.AddQuery(static_cast<TCmd>(n));
    orders_.AddQuery(TCmd::CLOUD);
    for (int n = static_cast<int>(TCmd::HEARTEN); n <= static_cast<int>(TCmd::HTPFLT); ++n)
        orders_.AddQuery(static_cast<TCmd>(n));
}

// Get All does not ask for the SMS words, yet Set All in the SMS mode writes them:
// a module that reports the SMS mode is asked for them in the same run, so the
// form holds its values and not defaults when they are written back.
void ParamCodec::addSmsQueries(const QByteArray &wkmod)
{
    if (bulkMode_ != TBulkMode::GetAll || sender_.queueState() != TQueueState::Waiting || !wkmod.contains("SMS"))
        return;
    for (TCmd c : {TCmd::DSTNUM, TCmd::SMSFLT, TCmd::SMSPH}) {
        if (!orders_.lines.mid(orders_.OrderIndex).contains(QueryLine(c)))
            orders_.AddQuery(c);
    }
}

void ParamCodec::AddSetAllOrders()
{
    for (const TSetting &s : SettingPlan(c_, hooks_)) {
        const bool write = s.skip == TSkip::None || (writeAll_ && s.skip != TSkip::NoItem);
        if (write && !omitted_.contains(CmdToStr(s.cmd)))
            orders_.AddSetting(s.cmd, s.value);
    }
}

void ParamCodec::AskVersion()
{
    sender_.NewQueue();
    orders_.AddQuery(TCmd::VER);
    sender_.SendCurOrder();
}

void ParamCodec::ContinueBulk()
{
    switch (bulkMode_) {
    case TBulkMode::GetAll:
        AddGetAllOrders();
        break;
    case TBulkMode::SetAll:
        AddSetAllOrders();
        break;
    case TBulkMode::None:
        break;
    }
}
