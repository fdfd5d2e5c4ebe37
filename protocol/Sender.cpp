#include "protocol/Sender.h"

#include "lang/AppLang.h"
#include "protocol/OrderList.h"
#include "util/LineSink.h"

#include <QTimer>

#include <algorithm>
#include <utility>

Sender::Sender(OrderList &orders, LineSink &console, QTimer *tmrRcv, SendBytesFn sendBytes,
               ComOpenedFn comOpened)
    : orders_(orders), console_(console), tmrRcv_(tmrRcv), sendBytes_(std::move(sendBytes)),
      comOpened_(std::move(comOpened))
{
    firstWait_.setSingleShot(true);
    firstWait_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&firstWait_, &QTimer::timeout, [this] { firstWaitExpired(); });
}

void Sender::setTimings(const TProtocolTimings &t)
{
    timings_ = t;
    if (tmrRcv_) {
        savedInterval_ = -1;
        tmrRcv_->setInterval(t.answerMs);
    }
}

void Sender::SendToCom(const QByteArray &text)
{
    if (text.isEmpty())
        return;
    if (!(comOpened_ && comOpened_())) {
        console_.ShowErr(LangText("info_ComNoOpen"));
        return;
    }
    if (sendBytes_) {
        // Pieces in order, so a long pasted text reaches the line whole.
        for (qsizetype pos = 0; pos < text.size(); pos += kMaxPiece)
            sendBytes_(text.sliced(pos, std::min(kMaxPiece, text.size() - pos)));
    }
    console_.ShowSend(text);
    lastSend_ = text;
}

void Sender::SendOrder(qsizetype i)
{
    const QByteArray line = orders_.GetOrder(i);
    if (line.isEmpty())
        return;
    SendToCom(line);
    state_ = TQueueState::Waiting;
    armTimeout();
    if (!firstLine_)
        return;
    firstLine_ = false;
    // Only a line that asks something: the entry lines keep the module's guard
    // times, so "+++" is never sent over an "a" still on its way.
    const int wait = timings_.firstAnswerMs;
    if (wait > 0 && tmrRcv_ && wait < tmrRcv_->interval() && line != kPPP && line != kEntryA) {
        firstIndex_ = int(i);
        firstWait_.start(wait);
    }
}

void Sender::SendCurOrder()
{
    SendOrder(orders_.OrderIndex);
}

void Sender::SendAtCmd(const QByteArray &text)
{
    SendToCom(BareLine(text));
}

void Sender::NewQueue()
{
    orders_.ClearOrders();
    stopTimeout();
    repairSent_ = false;
    retriedIndex_ = -1;
    state_ = TQueueState::Idle;
    firstWait_.stop();
    firstLine_ = true;
    quickRepair_ = false;
}

bool Sender::tmrRcvTimer()
{
    // No answer within 5 s of the repair, or the line the repair sent again
    // went unanswered once more: give up rather than repair for ever.
    if (repairSent_ || orders_.OrderIndex == retriedIndex_) {
        stopTimeout();
        return false;
    }
    quickRepair_ = false;
    repair();
    return true;
}

void Sender::repair()
{
    firstWait_.stop();
    const int before = orders_.count();
    orders_.InsertPPPA();
    retriedIndex_ = orders_.OrderIndex + (orders_.count() - before);
    SendCurOrder();
    repairSent_ = true;
    // The repair gets its own full time, counted from "+++".
    stopTimeout();
    if (tmrRcv_) {
        savedInterval_ = tmrRcv_->interval();
        tmrRcv_->start(timings_.repairMs);
    }
}

void Sender::firstWaitExpired()
{
    if (state_ != TQueueState::Waiting || repairSent_ || orders_.OrderIndex != firstIndex_)
        return;
    quickRepair_ = true;
    repair();
}

bool Sender::lateAnswerWindow() const
{
    return quickRepair_ && orders_.OrderIndex < retriedIndex_;
}

void Sender::answerArrived()
{
    firstWait_.stop();
    stopTimeout();
    repairSent_ = false;
    if (onAnswer)
        onAnswer();
}

void Sender::armTimeout()
{
    if (tmrRcv_ && !tmrRcv_->isActive()) {
        restoreAnswerInterval();
        tmrRcv_->start();
    }
}

void Sender::stopTimeout()
{
    if (tmrRcv_) {
        tmrRcv_->stop();
        restoreAnswerInterval();
    }
}

void Sender::restoreAnswerInterval()
{
    if (savedInterval_ >= 0)
        tmrRcv_->setInterval(savedInterval_);
    savedInterval_ = -1;
}

bool Sender::timeoutActive() const
{
    return tmrRcv_ && tmrRcv_->isActive();
}
