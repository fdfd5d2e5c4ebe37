#pragma once
// Waiting in tests: the event loop runs (timers, sockets, queued signals) until a
// condition holds or the time is up. It sleeps between checks, so a wait costs no CPU.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

// Runs the event loop until pred() holds or timeoutMs passed; returns whether it held.
// pred() is not asked again once it held (it may reap a child or take a value).
template <class Pred>
bool WaitUntil(Pred pred, int timeoutMs)
{
    if (pred())
        return true;
    bool held = false;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        held = pred();
        if (held || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    tick.start();
    loop.exec();
    return held;
}

// Runs the event loop for ms.
inline void Pump(int ms = 30)
{
    QElapsedTimer clock;
    clock.start();
    WaitUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
}
