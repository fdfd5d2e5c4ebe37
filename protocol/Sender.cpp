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
}

bool Sender::tmrRcvTimer()
{
    // No answer within 5 s of the repair, or the line the repair sent again
    // went unanswered once more: give up rather than repair for ever.
    if (repairSent_ || orders_.OrderIndex == retriedIndex_) {
        stopTimeout();
        return false;
    }
    const int before = orders_.count();
    orders_.InsertPPPA();
    retriedIndex_ = orders_.OrderIndex + (orders_.count() - before);
    SendCurOrder();
    repairSent_ = true;
    // The repair gets its own full 5 s, counted from "+++".
    stopTimeout();
    armTimeout();
    return true;
}

void Sender::answerArrived()
{
    stopTimeout();
    repairSent_ = false;
    if (onAnswer)
        onAnswer();
}

void Sender::armTimeout()
{
    if (tmrRcv_ && !tmrRcv_->isActive())
        tmrRcv_->start();
}

void Sender::stopTimeout()
{
    if (tmrRcv_)
        tmrRcv_->stop();
}

bool Sender::timeoutActive() const
{
    return tmrRcv_ && tmrRcv_->isActive();
}
