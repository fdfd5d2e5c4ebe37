#pragma once
// Everything written to the port goes through SendToCom: it is echoed to the
// console and remembered as LastSend. Queued lines arm the answer time-out.
#include "protocol/Timings.h"

#include <QByteArray>
#include <QTimer>

#include <cstdint>
#include <functional>

class LineSink;
class OrderList;

// Where the queued operation stands. A caller (the batch mode, say) reads it
// through Protocol::queueState() or follows Protocol::queueStopped.
enum class TQueueState : uint8_t {
    Idle,      // nothing queued since the last stop or start
    Waiting,   // a queued line awaits its answer
    Complete,  // the answer to the last line arrived ("Operation complete")
    NoAnswer,  // no recognised answer 5 s after the repair: stopped, queue cleared
    Cancelled, // the port was closed while waiting: stopped, queue cleared
};

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

    // Empties the queue for a new operation: no time-out, no repair pending.
    void NewQueue();

    // The answer time-out. It repairs the queue ("+++" and "a" in front of the
    // unanswered line), sends "+++" and gives the repair 5 s. It returns false,
    // and the caller stops the operation, when the repair got no recognised
    // answer in that time or the line it sent again is unanswered once more.
    bool tmrRcvTimer();

    // A recognised answer or an error answer: the wait is over, the repair
    // (if any) worked.
    void answerArrived();
    // Told of every such answer (the command watch listens).
    std::function<void()> onAnswer;

    // The repair that the first line's short wait started is still waiting for
    // the module's "a" and "+ok": an answer or refusal arriving now is the late
    // reply to the line the repair sends again, and does not move the queue.
    bool lateAnswerWindow() const;
    // The module spoke, though not as an answer: no short wait for this line.
    void keepOrdinaryTimeout() { firstWait_.stop(); }

    // The answer time-out is the timer's interval (set from answerMs); the
    // repair and the first line's short wait come from here.
    void setTimings(const TProtocolTimings &t);
    const TProtocolTimings &timings() const { return timings_; }

    const QByteArray &LastSend() const { return lastSend_; }
    bool comOpened() const { return comOpened_ && comOpened_(); }

    TQueueState queueState() const { return state_; }
    void setQueueState(TQueueState s) { state_ = s; }
    bool repairPending() const { return repairSent_; }

    // Answer time-out control; a timer that already runs is not restarted.
    void armTimeout();
    void stopTimeout();
    bool timeoutActive() const;

private:
    // "+++" and "a" in front of the line in flight; "+++" goes out and has
    // repairMs for its answers.
    void repair();
    void firstWaitExpired();
    void restoreAnswerInterval();

    OrderList &orders_;
    LineSink &console_;
    QTimer *tmrRcv_;
    SendBytesFn sendBytes_;
    ComOpenedFn comOpened_;
    QByteArray lastSend_;
    TQueueState state_ = TQueueState::Idle;
    bool repairSent_ = false;
    int retriedIndex_ = -1; // where the line the last repair sends again stands
    TProtocolTimings timings_;
    QTimer firstWait_;        // the first line of a queue: a silent module is in its data state
    bool firstLine_ = false;  // the next queued line is the first of a new queue
    int firstIndex_ = -1;     // where that line stands
    bool quickRepair_ = false; // the current repair came from the short wait
    int savedInterval_ = -1;  // the answer time-out while the repair's own runs
};
