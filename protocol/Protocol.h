#pragma once
// The device command protocol as the main window sees it. The window constructs
// one Protocol, hands it its controls (by object name), the form rules, the
// console, the answer time-out timer and the serial port's send and state.
// The Protocol owns the one command queue (OrderList) and LastSend.
#include "protocol/Catalogue.h"
#include "protocol/CommandWatch.h"
#include "protocol/Dispatcher.h"
#include "protocol/FormControls.h"
#include "protocol/FormHooks.h"
#include "protocol/OrderList.h"
#include "protocol/Outcome.h"
#include "protocol/ParamControls.h"
#include "protocol/ParamCodec.h"
#include "protocol/QuickCmd.h"
#include "protocol/Sender.h"
#include "protocol/Timings.h"

#include <QObject>

#include <functional>

class LineSink;
class QTimer;
class QWidget;

class Protocol : public QObject {
    Q_OBJECT
public:
    // tmrRcv stays the window's; its timeout is connected here. Without one the
    // protocol keeps its own 5 s timer.
    Protocol(QWidget *form, FormHooks &hooks, LineSink &console, QTimer *tmrRcv,
             std::function<bool(const QByteArray &)> sendBytes, std::function<bool()> comOpened,
             QObject *parent = nullptr);

    // How long the protocol waits for the module (defaults: the program's own).
    void setTimings(const TProtocolTimings &t);
    const TProtocolTimings &timings() const { return sender_.timings(); }

    // The firmware upgrade's claim on received blocks (none: nothing claimed).
    void setClaimBlock(std::function<bool(const QByteArray &)> claim);

    // The controls as found on the form (missing ones are null).
    FormControls &controls() { return controls_; }

    // Queue and sending.
    OrderList &orders() { return orders_; }
    const OrderList &orders() const { return orders_; }
    int OrderIndex() const { return orders_.OrderIndex; }
    const QByteArray &LastSend() const { return sender_.LastSend(); }
    QTimer *tmrRcv() const { return tmrRcv_; }
    void SendToCom(const QByteArray &text) { sender_.SendToCom(text); }
    void SendOrder(qsizetype i) { sender_.SendOrder(i); }
    void SendCurOrder() { sender_.SendCurOrder(); }
    void SendAtCmd(const QByteArray &text) { sender_.SendAtCmd(text); }

    // How the current queued operation stands; queueStopped tells the moment it
    // stops without completing.
    TQueueState queueState() const { return sender_.queueState(); }
    // The port was closed: an operation that waits for an answer is dropped with
    // a red "cancelled" line. Does nothing when no answer is awaited. A command
    // button's line is no longer watched either.
    void CancelQueue();

    // Receiving.
    void DispatchRcv(const QByteArray &block) { dispatcher_.DispatchRcv(block); }

    // Parameters; the configuration loader applies stored values through these.
    ParamCodec &codec() { return codec_; }
    void ApplyParam(const QByteArray &name, const QByteArray &value) { codec_.ApplyParam(name, value); }
    void ApplyOnOff(QCheckBox *box, const QByteArray &value) { codec_.ApplyOnOff(box, value); }
    void ApplyComboParam(TCmd c, QComboBox *list, const QByteArray &value)
    {
        codec_.ApplyComboParam(c, list, value);
    }
    void WriteRegDtSlot(int k, const QByteArray &text) { codec_.WriteRegDtSlot(k, text); }
    QByteArray UartText() const { return codec_.UartText(); }
    static QByteArray OnOffOf(const QCheckBox *box) { return ParamCodec::OnOffOf(box); }
    static THdVerSign VerClass(const QByteArray &v) { return ParamCodec::VerClass(v); }
    void AddGetAllOrders() { codec_.AddGetAllOrders(); }
    void AddSetAllOrders() { codec_.AddSetAllOrders(); }
    void AskVersion() { codec_.AskVersion(); }
    void ContinueBulk() { codec_.ContinueBulk(); }
    TBulkMode BulkMode() const { return codec_.BulkMode(); }

    // Commands and sending by the user. While a queued operation waits for the
    // module, none of them starts: its answers would be taken for the other's.
    bool busy() const { return sender_.queueState() == TQueueState::Waiting; }
    void btnDoClick(int tag);
    void EnterCfgMode() { quick_.EnterCfgMode(); }
    void EnterComMode() { quick_.EnterComMode(); }
    void SendAtSetting(const QByteArray &word, const QByteArray &value) { quick_.SendAtSetting(word, value); }
    void SendSms(const QByteArray &number, const QByteArray &text) { quick_.SendSms(number, text); }

signals:
    // A queued operation stopped without completing (NoAnswer or Cancelled):
    // the queue is cleared, the progress bar hidden and one red line written.
    void queueStopped(TQueueState state);
    // After "Operation complete": the words the module refused in that run.
    void paramsRefused(const QList<QByteArray> &words);
    // After a Get All's "Operation complete": the queried words no answer named.
    void paramsUnread(const QList<QByteArray> &words);
    // A value of this word was put into the form (an answer or a stored value).
    void paramApplied(TCmd c);
    // A queued operation ended, in whichever way: what the module said in it.
    void operationEnded(const TOpOutcome &outcome);
    // A received block reached the dispatcher (not the firmware transfer).
    void blockReceived(TBlockKind kind);
    // The queue moved on: lines answered, lines in all.
    void progress(int done, int total);

public:
    // Whether a command button's line still awaits its answer.
    bool commandUnanswered() const { return watch_.waiting(); }

public slots:
    void actSendExecute();
    // The answer time-out: repairs the queue once, then stops the operation.
    void tmrRcvTimer();
    // The serial component's data event.
    void cm1ReceiveData(const QByteArray &block) { dispatcher_.DispatchRcv(block); }

private:
    void StopQueue(TQueueState why);
    bool refusedWhileBusy();

    LineSink &console_;
    QTimer *tmrRcv_;
    FormControls controls_;
    OrderList orders_;
    Sender sender_;
    ParamCodec codec_;
    Dispatcher dispatcher_;
    QuickCmd quick_;
    CommandWatch watch_;
};
