#include "comm/CommLink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace comm_detail;

namespace {

// Turns the raw bytes of read() into the bytes handed over: undoes PARMRK marking (0xFF 0xFF is a
// data 0xFF, 0xFF 0x00 X is a byte received with an error, replaced by ReplacedChar) and drops zero
// bytes when IgnoreNullChar is set. Keeps its state across reads.
class InputFilter {
public:
    int decode(const char *in, int len, char *out, bool parmrk, bool ignoreNull, char replaced)
    {
        int o = 0;
        auto put = [&](char c) {
            if (!(ignoreNull && c == 0))
                out[o++] = c;
        };
        for (int i = 0; i < len; ++i) {
            const char c = in[i];
            if (!parmrk) {
                m_state = 0;
                put(c);
                continue;
            }
            if (m_state == 1) {
                m_state = 0;
                if (c == '\xFF') {
                    put(c);
                    continue;
                }
                if (c == 0) {
                    m_state = 2;
                    continue;
                }
                put('\xFF'); // not a mark after all: keep both bytes
            } else if (m_state == 2) {
                m_state = 0;
                put(replaced);
                continue;
            }
            if (c == '\xFF')
                m_state = 1;
            else
                put(c);
        }
        return o;
    }

private:
    int m_state = 0; // 0 plain, 1 after 0xFF, 2 after 0xFF 0x00
};
} // namespace

void TComm::Link::checkLine(serial_icounter_struct &last)
{
    serial_icounter_struct now {};
    if (::ioctl(fd, TIOCGICOUNT, &now) != 0)
        return;
    quint32 err = 0;
    if (now.overrun != last.overrun)
        err |= TComm::CE_OVERRUN;
    if (now.buf_overrun != last.buf_overrun)
        err |= TComm::CE_RXOVER;
    if (now.parity != last.parity)
        err |= TComm::CE_RXPARITY;
    if (now.frame != last.frame)
        err |= TComm::CE_FRAME;
    if (now.brk != last.brk)
        err |= TComm::CE_BREAK;
    quint32 modem = 0;
    if (now.dcd != last.dcd)
        modem |= TComm::ME_CARRIER;
    if (now.rng != last.rng)
        modem |= TComm::ME_RING;
    last = now;
    if (err)
        post(NoticeError, {}, err);
    if (modem)
        post(NoticeModem, {}, modem);
}

void TComm::Link::readLoop()
{
    pthread_setname_np(pthread_self(), "dtu-comm-rd");
    serial_icounter_struct counters {};
    const bool haveCounters = ::ioctl(fd, TIOCGICOUNT, &counters) == 0; // a pty has none
    InputFilter filter;
    std::vector<char> chunk(kChunk + 4); // the filter may emit one byte more than it reads
    std::vector<char> raw(kChunk);
    int n = 0; // bytes of the current chunk (can start above 0 with a carried byte)

    auto deliver = [&]() {
        const int count = std::min(n, kChunk);
        bool drop = false;
        if (dsrSensitivity.load()) {
            int lines = 0;
            if (::ioctl(fd, TIOCMGET, &lines) == 0 && !(lines & TIOCM_DSR))
                drop = true;
        }
        if (!drop)
            post(NoticeData, QByteArray(chunk.data(), count));
        std::memmove(chunk.data(), chunk.data() + count, size_t(n - count));
        n -= count;
    };
    // Bytes that came before the line went away are data, and come first.
    auto hangUp = [&]() {
        while (n > 0)
            deliver();
        post(NoticeHangup);
    };

    for (;;) { // one read per pass
        const quint32 mult = readTotalMult.load(), cons = readTotalConst.load();
        const bool total = mult != 0 || cons != 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(quint64(mult) * kChunk + cons);
        bool got = n > 0;              // the first byte has come: the gap rule applies
        auto lastByte = Clock::now();  // arrival of the latest bytes
        for (;;) {
            // Wait for the earliest of: the gap after the latest byte, the total time-out, a line check.
            enum { Forever, Gap, Total, LineCheck } why = Forever;
            int timeout = -1;
            if (got) {
                const quint32 gap = readInterval.load();
                if (gap == kMaxDword) {
                    why = Gap;
                    timeout = 0; // hand over what is there
                } else if (gap != 0) {
                    why = Gap;
                    timeout = msUntil(lastByte + std::chrono::milliseconds(gap));
                }
            }
            if (total) {
                const int left = msUntil(deadline);
                if (timeout < 0 || left < timeout) {
                    why = Total;
                    timeout = left;
                }
            }
            if (haveCounters && (timeout < 0 || timeout > kLineCheckMs)) {
                why = LineCheck;
                timeout = kLineCheckMs;
            }

            pollfd fds[2] = {{fd, POLLIN, 0}, {closeFd, POLLIN, 0}};
            const int r = ::poll(fds, 2, timeout);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                hangUp();
                return;
            }
            if (fds[1].revents || closing.load())
                return;
            if (r == 0) {
                if (haveCounters)
                    checkLine(counters);
                if (why == LineCheck)
                    continue;
                break; // the gap or the total time-out ends this read (without a byte: just the next read)
            }
            if (fds[0].revents & POLLNVAL)
                return; // the port was closed under the thread: end quietly
            const ssize_t count = ::read(fd, raw.data(), size_t(kChunk - std::min(n, kChunk - 1)));
            if (count > 0) {
                got = true;
                lastByte = Clock::now();
                n += filter.decode(raw.data(), int(count), chunk.data() + n, parmrk.load(), ignoreNull.load(),
                                   replacedChar.load());
                if (haveCounters)
                    checkLine(counters);
                if (n >= kChunk || complete(chunk.data(), std::min(n, kChunk)))
                    break;
                continue;
            }
            if (count == 0) { // a tty reads 0 only when the line is gone (far end of a pty closed)
                hangUp();
                return;
            }
            const int e = errno;
            if (e == EAGAIN || e == EINTR) {
                if (fds[0].revents & (POLLHUP | POLLERR)) {
                    hangUp();
                    return;
                }
                continue;
            }
            if (e == EBADF)
                return;
            hangUp(); // EIO, ENXIO (USB adapter unplugged), anything else
            return;
        }
        if (n > 0)
            deliver();
    }
}

// Writes one block whole. Done, or the writer ends: quietly (close) or with a hang-up request.
TComm::Link::WriteResult TComm::Link::writeBlock(const QByteArray &block)
{
    const char *p = block.constData();
    size_t left = size_t(block.size());
    const quint32 mult = writeTotalMult.load(), cons = writeTotalConst.load();
    const bool timed = mult != 0 || cons != 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(quint64(mult) * left + cons);
    while (left > 0) {
        if (closing.load())
            return WriteResult::Quiet;
        const ssize_t w = ::write(fd, p, left);
        if (w > 0) {
            p += w;
            left -= size_t(w);
            written.fetch_add(quint64(w));
            continue;
        }
        const int e = w < 0 ? errno : EIO;
        if (e == EINTR)
            continue;
        if (e == EAGAIN) {
            int timeout = -1;
            if (timed) {
                timeout = msUntil(deadline);
                if (timeout == 0)
                    return WriteResult::Hangup; // the time-out ended the write short
            }
            pollfd fds[2] = {{fd, POLLOUT, 0}, {closeFd, POLLIN, 0}};
            const int r = ::poll(fds, 2, timeout);
            if (r < 0 && errno != EINTR)
                return WriteResult::Hangup;
            if (r > 0 && fds[1].revents)
                return WriteResult::Quiet; // close: the rest is dropped
            if (r > 0 && (fds[0].revents & POLLNVAL))
                return WriteResult::Quiet;
            continue; // room again (or POLLERR/POLLHUP: the next write reports it); time-out is checked above
        }
        if (e == EBADF)
            return WriteResult::Quiet;
        return WriteResult::Hangup; // EIO and the like
    }
    return WriteResult::Done;
}

void TComm::Link::writeLoop()
{
    pthread_setname_np(pthread_self(), "dtu-comm-wr");
    bool justWrote = true;
    WriteResult result = WriteResult::Quiet;
    for (;;) {
        QByteArray block;
        {
            std::unique_lock<std::mutex> lock(mu);
            if (!stop && queue.empty() && justWrote) {
                justWrote = false;
                lock.unlock();
                post(NoticeSendEmpty);
                continue;
            }
            cv.wait(lock, [this] { return stop || !queue.empty(); });
            if (stop)
                break;
            block = std::move(queue.front());
            queue.pop_front();
            writing = true;
        }
        result = writeBlock(block);
        {
            std::lock_guard<std::mutex> lock(mu);
            writing = false;
        }
        idle.notify_all();
        if (result != WriteResult::Done)
            break;
        justWrote = true;
    }
    {
        // Refuse further blocks before anyone hears of the failure.
        std::lock_guard<std::mutex> lock(mu);
        writerEnded = true;
        writing = false;
        queue.clear(); // blocks still queued are not written
    }
    idle.notify_all();
    if (result == WriteResult::Hangup)
        post(NoticeHangup);
}
