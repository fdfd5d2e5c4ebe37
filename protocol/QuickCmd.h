#pragma once
// The command buttons, the command-state entry and exit, the send box and text
// messages. Every press and every send first drops a pending bulk operation.
#include "protocol/Catalogue.h"

#include <QByteArray>

#include <functional>

class OrderList;
class ParamCodec;
class Sender;
struct FormControls;

class QuickCmd {
public:
    QuickCmd(FormControls &controls, OrderList &orders, Sender &sender, ParamCodec &codec);

    // Click of a command button, told apart by its tag (10..23).
    void btnDoClick(int tag);
    // "+++" then "a" through the queue.
    void EnterCfgMode();
    // Drops the queue and sends AT+ENTM at once.
    void EnterComMode();
    void SendAtSetting(const QByteArray &word, const QByteArray &value);
    // AT+SMSEND=number,3,text; nothing when number or text is empty after clean-up.
    void SendSms(const QByteArray &number, const QByteArray &text);
    // The send button and its shortcut.
    void actSendExecute();

    // The send box text as line bytes, lines joined with CR LF.
    QByteArray SendBoxText() const;

    // Told of every command button line that reached the port and expects an
    // answer (the line without its line end).
    std::function<void(const QByteArray &line)> onCommandSent;

private:
    void sendCommand(TCmd c);

    FormControls &c_;
    OrderList &orders_;
    Sender &sender_;
    ParamCodec &codec_;
};
