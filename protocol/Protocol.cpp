#include "protocol/Protocol.h"

#include "lang/AppLang.h"
#include "util/LineSink.h"

#include <QProgressBar>
#include <QTimer>

#include <utility>

namespace {

QTimer *ownTimerIfNone(QTimer *given, QObject *owner)
{
    if (given)
        return given;
    auto *t = new QTimer(owner);
    t->setInterval(TProtocolTimings{}.answerMs);
    return t;
}

} // namespace

Protocol::Protocol(QWidget *form, FormHooks &hooks, LineSink &console, QTimer *tmrRcv,
                   std::function<bool(const QByteArray &)> sendBytes, std::function<bool()> comOpened,
                   QObject *parent)
    : QObject(parent),
      console_(console),
      tmrRcv_(ownTimerIfNone(tmrRcv, this)),
      controls_(form),
      sender_(orders_, console, tmrRcv_, std::move(sendBytes), std::move(comOpened)),
      codec_(controls_, hooks, console, orders_, sender_),
      dispatcher_(orders_, sender_, codec_, console, controls_),
      quick_(controls_, orders_, sender_, codec_),
      watch_(console)
{
    quick_.onCommandSent = [this](const QByteArray &line) { watch_.watch(line); };
    sender_.onAnswer = [this] { watch_.answered(); };
    // A coarse timer may fire 5 % early or late.
    tmrRcv_->setTimerType(Qt::PreciseTimer);
    connect(tmrRcv_, &QTimer::timeout, this, &Protocol::tmrRcvTimer);
    dispatcher_.onRefused = [this](const QList<QByteArray> &words) { emit paramsRefused(words); };
    dispatcher_.onUnread = [this](const QList<QByteArray> &words) { emit paramsUnread(words); };
    codec_.onApplied = [this](TCmd c) { emit paramApplied(c); };
    dispatcher_.onEnded = [this](const TOpOutcome &o) { emit operationEnded(o); };
    dispatcher_.onBlock = [this](TBlockKind k) { emit blockReceived(k); };
    dispatcher_.onProgress = [this](int done, int total) { emit progress(done, total); };
}

bool Protocol::refusedWhileBusy()
{
    if (!busy())
        return false;
    console_.ShowErr(LangText("info_OpBusy"));
    return true;
}

void Protocol::btnDoClick(int tag)
{
    // A closed port: one line that says what to do, and no operation that could only fail.
    if (!sender_.comOpened()) {
        console_.ShowErr(LangText("info_OpenPortFirst"));
        return;
    }
    if (!refusedWhileBusy())
        quick_.btnDoClick(tag);
}

void Protocol::actSendExecute()
{
    if (!refusedWhileBusy())
        quick_.actSendExecute();
}

void Protocol::tmrRcvTimer()
{
    if (!sender_.tmrRcvTimer())
        StopQueue(sender_.comOpened() ? TQueueState::NoAnswer : TQueueState::Cancelled);
}

void Protocol::CancelQueue()
{
    watch_.cancel();
    if (sender_.queueState() == TQueueState::Waiting)
        StopQueue(TQueueState::Cancelled);
}

void Protocol::StopQueue(TQueueState why)
{
    const TOpOutcome o =
        orders_.Outcome(codec_.BulkMode(), why == TQueueState::NoAnswer ? TOpEnd::NoAnswer : TOpEnd::Cancelled);
    sender_.NewQueue();
    sender_.setQueueState(why);
    // A late version answer must not start the dropped bulk list again.
    codec_.SetBulkMode(TBulkMode::None);
    if (controls_.rzpbWhile)
        controls_.rzpbWhile->setVisible(false);
    console_.ShowErr(LangText(why == TQueueState::NoAnswer ? "info_NoAnswer" : "info_OpCancelled"));
    emit queueStopped(why);
    emit operationEnded(o);
}

void Protocol::setTimings(const TProtocolTimings &t)
{
    sender_.setTimings(t);
    watch_.setWaitMs(t.commandWatchMs);
}

void Protocol::setClaimBlock(std::function<bool(const QByteArray &)> claim)
{
    dispatcher_.claimBlock = std::move(claim);
}
