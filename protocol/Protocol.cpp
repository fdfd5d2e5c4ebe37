#include "protocol/Protocol.h"

#include <QTimer>

#include <utility>

namespace {

QTimer *ownTimerIfNone(QTimer *given, QObject *owner)
{
    if (given)
        return given;
    auto *t = new QTimer(owner);
    t->setInterval(5000);
    return t;
}

} // namespace

Protocol::Protocol(QWidget *form, FormHooks &hooks, LineSink &console, QTimer *tmrRcv,
                   std::function<bool(const QByteArray &)> sendBytes, std::function<bool()> comOpened,
                   QObject *parent)
    : QObject(parent),
      tmrRcv_(ownTimerIfNone(tmrRcv, this)),
      controls_(form),
      sender_(orders_, console, tmrRcv_, std::move(sendBytes), std::move(comOpened)),
      codec_(controls_, hooks, console, orders_, sender_),
      dispatcher_(orders_, sender_, codec_, console, controls_),
      quick_(controls_, orders_, sender_, codec_)
{
    connect(tmrRcv_, &QTimer::timeout, this, &Protocol::tmrRcvTimer);
}

void Protocol::setClaimBlock(std::function<bool(const QByteArray &)> claim)
{
    dispatcher_.claimBlock = std::move(claim);
}
