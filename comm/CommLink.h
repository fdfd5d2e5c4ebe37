#pragma once
// The open port as the serial component shares it with its two workers: the reader, which
// hands over blocks by the read gap or the block end, and the writer, which drains the queue.
// Only the serial component's own files include this.
#include "comm/SPComm.h"

#include <QCoreApplication>
#include <QEvent>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <linux/serial.h>

namespace comm_detail {

inline constexpr int kChunk = 4096;         // longest chunk handed over by the reader
inline constexpr int kLineCheckMs = 500;    // idle look at the line counters, only on devices that have them
inline constexpr quint32 kMaxDword = 0xFFFFFFFFu;

using Clock = std::chrono::steady_clock;

// Notice codes (the message numbers the component has always used, WM_USER + 1 to + 5).
enum NoticeKind { NoticeData = 1025, NoticeError = 1026, NoticeHangup = 1027, NoticeModem = 1028, NoticeSendEmpty = 1029 };

inline QEvent::Type noticeType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class CommNotice : public QEvent {
public:
    CommNotice(NoticeKind k, QByteArray d, quint32 b) : QEvent(noticeType()), kind(k), data(std::move(d)), bits(b) {}
    NoticeKind kind;
    QByteArray data; // the notice's own copy of the received bytes
    quint32 bits;
};

inline int clampMs(quint64 ms) { return ms > quint64(INT_MAX) ? INT_MAX : int(ms); }

// Milliseconds left until the deadline, rounded up (poll then wakes only once it has passed).
inline int msUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : clampMs(quint64(left));
}

} // namespace comm_detail

// The open port. Shared by the owner thread and both workers; the workers read only what is atomic
// here, the descriptors (fixed while they run) and the write queue (under the mutex).

struct TComm::Link {
    int fd = -1;
    int closeFd = -1; // eventfd, written once at close: the manual-reset close event
    QObject *receiver = nullptr;
    std::atomic<bool> closing{false};

    // The port's applied time-outs (ApplyCommTimeouts) and the input options the reader applies itself.
    std::atomic<quint32> readInterval{0}, readTotalMult{0}, readTotalConst{0};
    std::atomic<quint32> writeTotalMult{0}, writeTotalConst{0};
    std::atomic<bool> parmrk{false}, ignoreNull{false}, dsrSensitivity{false};
    std::atomic<char> replacedChar{0};

    std::mutex endMu; // guards blockEnd, which the owner may replace while the reader runs
    std::shared_ptr<const BlockEndFn> blockEnd;
    bool complete(const char *data, int n)
    {
        std::shared_ptr<const BlockEndFn> fn;
        {
            std::lock_guard<std::mutex> lock(endMu);
            fn = blockEnd;
        }
        return fn && *fn && (*fn)(QByteArrayView(data, n));
    }

    std::mutex mu;
    std::condition_variable cv;
    std::deque<QByteArray> queue; // write requests, oldest first
    bool stop = false;            // under mu
    bool writerEnded = false;     // under mu
    bool writing = false;         // under mu: a block is being written
    std::condition_variable idle; // the writer finished a block or ended
    std::atomic<quint64> written{0}; // bytes handed to the driver so far

    std::thread reader, writer;

    void post(comm_detail::NoticeKind kind, QByteArray data = {}, quint32 bits = 0)
    {
        QCoreApplication::postEvent(receiver, new comm_detail::CommNotice(kind, std::move(data), bits));
    }

    enum class WriteResult { Done, Quiet, Hangup };
    void readLoop();
    void writeLoop();
    WriteResult writeBlock(const QByteArray &block);
    void checkLine(serial_icounter_struct &last);
};
