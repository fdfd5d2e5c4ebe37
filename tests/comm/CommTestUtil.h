#pragma once
// Helpers for the serial link tests: a pseudo-terminal pair (the component opens the slave, the test
// plays the far end on the master), a deadline wait that runs the event loop, and a signal recorder.
#include "comm/SPComm.h"
#include "tests/common/TestPty.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <ostream>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

// Readable values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    *os << '"' << (b.size() > 80 ? b.left(80).toPercentEncoding().toStdString() + "..." : b.toPercentEncoding().toStdString())
        << "\" (" << b.size() << " bytes)";
}


// Runs the event loop until pred() holds or the time is up; returns pred().
template <class Pred>
bool waitFor(Pred pred, int timeoutMs)
{
    if (pred())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (pred() || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    tick.start();
    loop.exec();
    return pred();
}

// Runs the event loop for a while.
inline void pump(int ms)
{
    QElapsedTimer clock;
    clock.start();
    waitFor([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

// Records every signal of a component, with arrival times, and whether any ran on another thread
// than the one that built the recorder.
struct CommRecorder {
    explicit CommRecorder(TComm &cm) : thread(QThread::currentThread())
    {
        clock.start();
        QObject::connect(&cm, &TComm::receiveData, &cm, [this](const QByteArray &d) {
            note();
            chunks << d;
            chunkAt << clock.elapsed();
        });
        QObject::connect(&cm, &TComm::receiveError, &cm, [this](quint32 bits) {
            note();
            errors << bits;
        });
        QObject::connect(&cm, &TComm::modemStateChange, &cm, [this](quint32 bits) {
            note();
            modem << bits;
        });
        QObject::connect(&cm, &TComm::requestHangup, &cm, [this] {
            note();
            ++hangups;
        });
        QObject::connect(&cm, &TComm::sendDataEmpty, &cm, [this] {
            note();
            ++sendEmpty;
        });
    }
    void note()
    {
        if (QThread::currentThread() != thread)
            wrongThread = true;
    }
    QByteArray all() const
    {
        QByteArray b;
        for (const auto &c : chunks)
            b += c;
        return b;
    }

    QThread *thread;
    QElapsedTimer clock;
    QList<QByteArray> chunks;
    QList<qint64> chunkAt; // ms since the recorder was built
    QList<quint32> errors, modem;
    int hangups = 0;
    int sendEmpty = 0;
    bool wrongThread = false;
};
