#pragma once
// Everything written to the port goes through SendToCom: it is echoed to the
// console and remembered as LastSend. Queued lines arm the answer time-out.
#include <QByteArray>

#include <functional>

class LineSink;
class OrderList;
class QTimer;

class Sender {
public:
    using SendBytesFn = std::function<bool(const QByteArray &)>;
    using ComOpenedFn = std::function<bool()>;

    // The serial component takes at most this many bytes per hand-over.
    static constexpr qsizetype kMaxPiece = 65535;

    Sender(OrderList &orders, LineSink &console, QTimer *tmrRcv, SendBytesFn sendBytes,
           ComOpenedFn comOpened);

    void SendToCom(const QByteArray &text);
    void SendOrder(qsizetype i);
    void SendCurOrder();
    // "AT+", text, LineEnd at once, outside the queue and without time-out.
    void SendAtCmd(const QByteArray &text);
    // The answer time-out: repair the queue, send "+++", then stay off.
    void tmrRcvTimer();

    const QByteArray &LastSend() const { return lastSend_; }

    // Answer time-out control; a timer that already runs is not restarted.
    void armTimeout();
    void stopTimeout();
    bool timeoutActive() const;

private:
    OrderList &orders_;
    LineSink &console_;
    QTimer *tmrRcv_;
    SendBytesFn sendBytes_;
    ComOpenedFn comOpened_;
    QByteArray lastSend_;
};
