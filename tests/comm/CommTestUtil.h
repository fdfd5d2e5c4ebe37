#pragma once
// Helpers for the serial link tests: readable failure values and a recorder of the component's signals
// (the pty pair and the waits are the common ones).
#include "comm/SPComm.h"
#include "tests/common/TestPty.h"
#include "tests/common/TestWait.h"

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
