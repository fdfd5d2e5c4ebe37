#include "protocol/QuickCmd.h"

#include "protocol/Catalogue.h"
#include "protocol/FormControls.h"
#include "protocol/OrderList.h"
#include "protocol/ParamCodec.h"
#include "protocol/Sender.h"
#include "util/Gbk.h"
#include "util/ProFun.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVariant>

QuickCmd::QuickCmd(FormControls &controls, OrderList &orders, Sender &sender, ParamCodec &codec)
    : c_(controls), orders_(orders), sender_(sender), codec_(codec)
{
}

void QuickCmd::btnDoClick(int tag)
{
    codec_.SetBulkMode(TBulkMode::None);
    switch (tag) {
    case 10:
        codec_.SetBulkMode(TBulkMode::GetAll);
        codec_.AskVersion();
        break;
    case 11:
        codec_.SetBulkMode(TBulkMode::SetAll);
        codec_.AskVersion();
        break;
    case 12:
        EnterCfgMode();
        break;
    case 13:
        EnterComMode();
        break;
    case 16:
        sendCommand(TCmd::H);
        break;
    case 17:
        sendCommand(TCmd::Z);
        break;
    case 18:
        codec_.AskVersion();
        break;
    case 19:
        sendCommand(TCmd::CFGTF);
        break;
    case 20:
        sendCommand(TCmd::RELD);
        break;
    case 21:
        sendCommand(TCmd::CLEAR);
        break;
    case 23:
        sendCommand(TCmd::CSQ);
        break;
    default: // 22 (hidden phone-number button) and unknown tags
        break;
    }
}

void QuickCmd::EnterCfgMode()
{
    sender_.NewQueue();
    orders_.AddOrder(kPPP);
    orders_.AddOrder(kEntryA);
    sender_.SendCurOrder();
}

void QuickCmd::EnterComMode()
{
    sender_.NewQueue();
    sendCommand(TCmd::ENTM);
}

void QuickCmd::sendCommand(TCmd c)
{
    const QByteArray word = CmdToStr(c);
    sender_.SendAtCmd(word);
    if (sender_.comOpened() && onCommandSent)
        onCommandSent("AT+" + word);
}

void QuickCmd::SendAtSetting(const QByteArray &word, const QByteArray &value)
{
    sender_.SendAtCmd(word + '=' + value);
}

void QuickCmd::SendSms(const QByteArray &number, const QByteArray &text)
{
    const QByteArray num = DelSpace(number);
    const QByteArray body = DelLineBreak(text);
    if (num.isEmpty() || body.isEmpty())
        return;
    SendAtSetting("SMSEND", num + ",3," + body);
}

QByteArray QuickCmd::SendBoxText() const
{
    if (!c_.edtSend)
        return {};
    QString t = c_.edtSend->toPlainText();
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return gbk::fromUnicode(t);
}

void QuickCmd::actSendExecute()
{
    codec_.SetBulkMode(TBulkMode::None);
    const int type = c_.btnSendTpye ? c_.btnSendTpye->property("Tag").toInt() : 0;
    if (type == 1) {
        QByteArray s = SendBoxText();
        const bool autoCR = c_.mniAutoCR && c_.mniAutoCR->isChecked();
        if (autoCR && s.size() >= 2 && (s[0] == 'A' || s[0] == 'a') && (s[1] == 'T' || s[1] == 't')
            && !s.endsWith('\n'))
            s += LineEnd;
        sender_.SendToCom(s);
        // A typed AT line is watched like a button's: silence gets the same notice.
        const QByteArray first = s.split('\n').constFirst().trimmed();
        if (sender_.comOpened() && onCommandSent && first.size() >= 2 && first.left(2).toUpper() == "AT")
            onCommandSent(first);
    } else if (type == 2) {
        SendSms(TextOf(c_.edtReTelNum), SendBoxText());
    }
}
