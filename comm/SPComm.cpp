#include "comm/SPComm.h"

#include "comm/CustomBaud.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr const char *kAlreadyOpen = "This serial port already opened";
constexpr const char *kOpenFailed = "Error opening serial port";
constexpr const char *kNotComm = "File handle is not a comm handle ";
constexpr const char *kNoBuffer = "Cannot setup comm buffer";
constexpr const char *kNoEvent = "Unable to create event";
constexpr const char *kNoReader = "Unable to create read thread";
constexpr const char *kNoWriter = "Unable to create write thread";

constexpr int kChunk = 4096;         // longest chunk handed over by the reader
constexpr int kLineCheckMs = 500;    // idle look at the line counters, only on devices that have them
constexpr quint32 kMaxDword = 0xFFFFFFFFu;

using Clock = std::chrono::steady_clock;

// Notice codes (the message numbers the component has always used, WM_USER + 1 to + 5).
enum NoticeKind { NoticeData = 1025, NoticeError = 1026, NoticeHangup = 1027, NoticeModem = 1028, NoticeSendEmpty = 1029 };

QEvent::Type noticeType()
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

int clampMs(quint64 ms) { return ms > quint64(INT_MAX) ? INT_MAX : int(ms); }

// Milliseconds left until the deadline, rounded up (poll then wakes only once it has passed).
int msUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : clampMs(quint64(left));
}

bool standardSpeed(quint32 rate, speed_t *out)
{
    static const struct { quint32 rate; speed_t code; } table[] = {
        {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
        {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600},
        {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
        {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
        {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
        {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto &e : table) {
        if (e.rate == rate) {
            *out = e.code;
            return true;
        }
    }
    return false;
}

void setModemLine(int fd, int bit, bool on)
{
    // A pty answers ENOTTY: nothing to do there.
    (void)::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit);
}

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

// ---------------------------------------------------------------------------------------------------

ECommsError::ECommsError(const char *message, int sysError) : std::runtime_error(message), m_sysError(sysError) {}

QString ECommsError::message() const { return QString::fromLatin1(what()); }

QString DescribeCommsError(const ECommsError &e)
{
    QString text = e.message();
    if (e.sysError() != 0)
        text += QStringLiteral(": %1").arg(QString::fromLocal8Bit(std::strerror(e.sysError())));
    if (e.sysError() == EACCES || e.sysError() == EPERM)
        text += QStringLiteral(" (the user needs to be in the dialout group to open serial ports)");
    else if (e.sysError() == EBUSY)
        text += QStringLiteral(" (another program holds the port)");
    return text;
}

// ---------------------------------------------------------------------------------------------------

class TCommNotifier : public QObject {
public:
    explicit TCommNotifier(TComm *owner) : QObject(owner), m_owner(owner)
    {
        setObjectName(QStringLiteral("TCommNotifier"));
    }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != noticeType())
            return QObject::event(e);
        auto *n = static_cast<CommNotice *>(e);
        switch (n->kind) {
        case NoticeData:
            emit m_owner->receiveData(n->data);
            break;
        case NoticeError:
            emit m_owner->receiveError(n->bits);
            break;
        case NoticeHangup:
            emit m_owner->requestHangup();
            break;
        case NoticeModem:
            emit m_owner->modemStateChange(n->bits);
            break;
        case NoticeSendEmpty:
            emit m_owner->sendDataEmpty();
            break;
        }
        return true; // the event, and with it the data copy, is freed by Qt
    }

private:
    TComm *m_owner;
};

// ---------------------------------------------------------------------------------------------------
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

    void post(NoticeKind kind, QByteArray data = {}, quint32 bits = 0)
    {
        QCoreApplication::postEvent(receiver, new CommNotice(kind, std::move(data), bits));
    }

    enum class WriteResult { Done, Quiet, Hangup };
    void readLoop();
    void writeLoop();
    WriteResult writeBlock(const QByteArray &block);
    void checkLine(serial_icounter_struct &last);
};

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

// ---------------------------------------------------------------------------------------------------

TComm::TComm(QObject *parent) : QObject(parent), m_notifier(new TCommNotifier(this)) {}

TComm::~TComm() { CloseComm(); }

quint32 TComm::ComHandle() const { return m_link ? quint32(m_link->fd) : 0u; }

void TComm::shutDown(Link &link, bool discardOutput)
{
    {
        std::lock_guard<std::mutex> lock(link.mu);
        link.stop = true;
    }
    link.cv.notify_all();
    link.closing.store(true);
    if (link.closeFd >= 0) {
        const uint64_t one = 1;
        (void)!::write(link.closeFd, &one, sizeof one);
    }
    // Discard buffered input and, unless it all went out, output, so that a write in progress ends
    // and close() does not wait for the output to drain. (On a pty, flushing output also discards what
    // the far end has not read yet: never after a complete drain.)
    const int what = discardOutput ? TCIOFLUSH : TCIFLUSH;
    (void)::tcflush(link.fd, what);
    if (link.reader.joinable())
        link.reader.join();
    if (link.writer.joinable())
        link.writer.join();
    (void)::tcflush(link.fd, what);
    (void)::ioctl(link.fd, TIOCNXCL);
    ::close(link.fd);
    if (link.closeFd >= 0)
        ::close(link.closeFd);
    link.fd = -1;
    link.closeFd = -1;
}

void TComm::OpenComm()
{
    if (m_link)
        throw ECommsError(kAlreadyOpen);

    // For reading and writing, existing device only, not shared.
    if (m_commName.isEmpty())
        throw ECommsError(kOpenFailed, ENOENT);
    const QString path = m_commName.contains(QLatin1Char('/')) ? m_commName : QStringLiteral("/dev/") + m_commName;
    int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw ECommsError(kOpenFailed, errno);
    if (fd < 3) { // never hand out 0 (the closed handle) nor take a standard stream's place
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        const int e = errno;
        ::close(fd);
        if (moved < 0)
            throw ECommsError(kOpenFailed, e);
        fd = moved;
    }
    if (!::isatty(fd)) {
        const int e = errno;
        ::close(fd);
        throw ECommsError(kNotComm, e);
    }
    // Not shared: an advisory lock (as other terminal programs take) also keeps out a second opener running
    // as root, whom TIOCEXCL lets through.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        throw ECommsError(kOpenFailed, e);
    }
    (void)::ioctl(fd, TIOCEXCL); // where the driver allows it
    // Linux has no driver queue sizes to set; the port must at least give its settings.
    termios probe {};
    if (::tcgetattr(fd, &probe) != 0) {
        const int e = errno;
        ::close(fd);
        throw ECommsError(kNoBuffer, e);
    }
    // Store the handle; discard all buffered input and output.
    auto link = std::make_unique<Link>();
    link->fd = fd;
    link->receiver = m_notifier;
    link->blockEnd = m_blockEnd;
    m_link = std::move(link);
    (void)::tcflush(fd, TCIOFLUSH);
    ApplyCommTimeouts();
    ApplyCommState();
    m_link->closeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_link->closeFd < 0) {
        const int e = errno;
        shutDown(*m_link);
        m_link.reset();
        throw ECommsError(kNoEvent, e);
    }
    // The threads start at once; everything they use is ready by now.
    try {
        m_link->reader = std::thread(&Link::readLoop, m_link.get());
    } catch (const std::system_error &ex) {
        shutDown(*m_link);
        m_link.reset();
        throw ECommsError(kNoReader, ex.code().value());
    }
    try {
        m_link->writer = std::thread(&Link::writeLoop, m_link.get());
    } catch (const std::system_error &ex) {
        shutDown(*m_link);
        m_link.reset();
        throw ECommsError(kNoWriter, ex.code().value());
    }
}

// Lets bytes already handed over reach the line: first the writer's queue, then the driver's output
// buffer. Bounded: it gives up once the line has taken nothing for kDrainStallMs (nobody reads, flow
// control holds the line) and after kDrainMaxMs in any case.
bool TComm::drain(Link &link, quint32 baud)
{
    using std::chrono::milliseconds;
    const auto start = Clock::now();
    const auto hardEnd = start + milliseconds(kDrainMaxMs);
    auto stallEnd = start + milliseconds(kDrainStallMs);
    quint64 seen = link.written.load();
    {
        std::unique_lock<std::mutex> lock(link.mu);
        while (!link.writerEnded && (link.writing || !link.queue.empty())) {
            const auto until = std::min(stallEnd, hardEnd);
            if (Clock::now() >= until)
                return false; // the line takes nothing: what is left is dropped by the close
            link.idle.wait_until(lock, std::min(until, Clock::now() + milliseconds(20)));
            const quint64 now = link.written.load();
            if (now != seen) {
                seen = now;
                stallEnd = Clock::now() + milliseconds(kDrainStallMs);
            }
        }
        if (link.writerEnded)
            return false; // the line failed: nothing more will go out
    }
    // The driver's own buffer (a UART's FIFO side; a pty hands bytes on at once). Sleep for the wire
    // time of what is left rather than block in tcdrain, which flow control could hold forever.
    int left = 0;
    int last = -1;
    stallEnd = Clock::now() + milliseconds(kDrainStallMs);
    while (::ioctl(link.fd, TIOCOUTQ, &left) == 0 && left > 0 && Clock::now() < hardEnd) {
        if (left != last) {
            last = left;
            stallEnd = Clock::now() + milliseconds(kDrainStallMs);
        } else if (Clock::now() >= stallEnd) {
            return false;
        }
        const quint64 us = baud ? quint64(left) * 10'000'000u / baud : 1000u;
        std::this_thread::sleep_for(std::chrono::microseconds(std::clamp<quint64>(us, 200, 20000)));
    }
    return left <= 0;
}

void TComm::CloseComm()
{
    if (!m_link)
        return;
    const bool drained = drain(*m_link, m_baudRate);
    shutDown(*m_link, !drained);
    m_link.reset();
}

bool TComm::SendBytes(const char *buffer, quint16 length)
{
    if (!m_link || length == 0 || buffer == nullptr)
        return false;
    QByteArray block(buffer, length); // own copy; a zero byte follows it
    {
        std::lock_guard<std::mutex> lock(m_link->mu);
        if (m_link->stop || m_link->writerEnded)
            return false;
        m_link->queue.push_back(std::move(block));
    }
    m_link->cv.notify_one();
    return true;
}

void TComm::setBlockEnd(BlockEndFn fn)
{
    m_blockEnd = fn ? std::make_shared<const BlockEndFn>(std::move(fn)) : nullptr;
    if (m_link) {
        std::lock_guard<std::mutex> lock(m_link->endMu);
        m_link->blockEnd = m_blockEnd;
    }
}

bool TComm::SendBytes(const QByteArray &data)
{
    if (data.size() > 65535)
        return false;
    return SendBytes(data.constData(), quint16(data.size()));
}

void TComm::ApplyCommTimeouts()
{
    if (!m_link)
        return;
    m_link->readInterval.store(m_readIntervalTimeout);
    m_link->readTotalMult.store(m_readTotalTimeoutMultiplier);
    m_link->readTotalConst.store(m_readTotalTimeoutConstant);
    m_link->writeTotalMult.store(m_writeTotalTimeoutMultiplier);
    m_link->writeTotalConst.store(m_writeTotalTimeoutConstant);
    ++m_applied.timeoutApplies;
}

void TComm::ApplyCommState()
{
    if (!m_link)
        return;
    const int fd = m_link->fd;
    termios t {};
    if (::tcgetattr(fd, &t) != 0)
        return; // a refusal is not reported
    cfmakeraw(&t); // binary mode: no line editing, echo, signals or output processing

    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    switch (m_byteSize) {
    case TByteSize::_5: t.c_cflag |= CS5; break;
    case TByteSize::_6: t.c_cflag |= CS6; break;
    case TByteSize::_7: t.c_cflag |= CS7; break;
    case TByteSize::_8: t.c_cflag |= CS8; break;
    }
    switch (m_parity) {
    case TParity::None: break;
    case TParity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case TParity::Even: t.c_cflag |= PARENB; break;
    case TParity::Mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case TParity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    }
    if (m_stopBits != TStopBits::_1)
        t.c_cflag |= CSTOPB; // with 5 data bits a UART sends 1.5 stop bits for this
    if (m_outxCtsFlow || m_rtsControl == TRtsControl::RtsHandshake)
        t.c_cflag |= CRTSCTS;

    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK | ISTRIP | IGNBRK | BRKINT);
    if (m_outxXonXoffFlow)
        t.c_iflag |= IXON;
    if (m_inxXonXoffFlow)
        t.c_iflag |= IXOFF;
    const bool parmrk = m_parityCheck && m_replaceWhenParityError && m_replacedChar != 0;
    if (m_parityCheck) {
        t.c_iflag |= INPCK; // a byte with an error reads as 0 (or is marked, for ReplacedChar)
        if (parmrk)
            t.c_iflag |= PARMRK;
    } else {
        t.c_iflag |= IGNPAR;
    }
    t.c_cc[VSTART] = cc_t(m_xonChar);
    t.c_cc[VSTOP] = cc_t(m_xoffChar);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    speed_t code {};
    const bool standard = standardSpeed(m_baudRate, &code);
    if (standard) {
        cfsetispeed(&t, code);
        cfsetospeed(&t, code);
    }
    (void)::tcsetattr(fd, TCSANOW, &t);
    quint32 baudWritten = standard ? m_baudRate : 0;
    if (!standard && m_baudRate != 0 && dtu_comm::SetCustomBaud(fd, m_baudRate))
        baudWritten = m_baudRate;

    // Modem lines. Linux has no DTR handshake and no RTS toggle: they leave the line raised.
    const bool dtrOn = m_dtrControl != TDtrControl::DtrDisable;
    const bool rtsOn = m_rtsControl != TRtsControl::RtsDisable;
    setModemLine(fd, TIOCM_DTR, dtrOn);
    setModemLine(fd, TIOCM_RTS, rtsOn);

    m_link->parmrk.store(parmrk);
    m_link->ignoreNull.store(m_ignoreNullChar);
    m_link->dsrSensitivity.store(m_dsrSensitivity);
    m_link->replacedChar.store(m_replacedChar);

    m_applied.iflag = quint32(t.c_iflag);
    m_applied.oflag = quint32(t.c_oflag);
    m_applied.cflag = quint32(t.c_cflag);
    m_applied.lflag = quint32(t.c_lflag);
    m_applied.baud = baudWritten;
    m_applied.dtrOn = dtrOn;
    m_applied.rtsOn = rtsOn;
    ++m_applied.stateApplies;
}

// ---------------------------------------------------------------------------------------------------
// Setters.

void TComm::setCommName(const QString &v) { m_commName = v; } // takes effect at the next OpenComm
void TComm::setParity(TParity v) { m_parity = v; }             // at the next open or applied setting

#define DTU_STATE_SETTER(Type, Name, member)                                                               \
    void TComm::set##Name(Type v)                                                                          \
    {                                                                                                      \
        if (member == v)                                                                                   \
            return;                                                                                        \
        member = v;                                                                                        \
        if (m_link)                                                                                        \
            ApplyCommState();                                                                              \
    }
#define DTU_TIMEOUT_SETTER(Name, member)                                                                   \
    void TComm::set##Name(quint32 v)                                                                       \
    {                                                                                                      \
        if (member == v)                                                                                   \
            return;                                                                                        \
        member = v;                                                                                        \
        if (m_link)                                                                                        \
            ApplyCommTimeouts();                                                                           \
    }

DTU_STATE_SETTER(quint32, BaudRate, m_baudRate)
DTU_STATE_SETTER(bool, ParityCheck, m_parityCheck)
DTU_STATE_SETTER(bool, Outx_CtsFlow, m_outxCtsFlow)
DTU_STATE_SETTER(bool, Outx_DsrFlow, m_outxDsrFlow)
DTU_STATE_SETTER(TDtrControl, DtrControl, m_dtrControl)
DTU_STATE_SETTER(bool, DsrSensitivity, m_dsrSensitivity)
DTU_STATE_SETTER(bool, TxContinueOnXoff, m_txContinueOnXoff)
DTU_STATE_SETTER(bool, Outx_XonXoffFlow, m_outxXonXoffFlow)
DTU_STATE_SETTER(bool, Inx_XonXoffFlow, m_inxXonXoffFlow)
DTU_STATE_SETTER(bool, ReplaceWhenParityError, m_replaceWhenParityError)
DTU_STATE_SETTER(bool, IgnoreNullChar, m_ignoreNullChar)
DTU_STATE_SETTER(TRtsControl, RtsControl, m_rtsControl)
DTU_STATE_SETTER(quint16, XonLimit, m_xonLimit)
DTU_STATE_SETTER(quint16, XoffLimit, m_xoffLimit)
DTU_STATE_SETTER(TByteSize, ByteSize, m_byteSize)
DTU_STATE_SETTER(TStopBits, StopBits, m_stopBits)
DTU_STATE_SETTER(char, XonChar, m_xonChar)
DTU_STATE_SETTER(char, XoffChar, m_xoffChar)
DTU_STATE_SETTER(char, ReplacedChar, m_replacedChar)
DTU_TIMEOUT_SETTER(ReadIntervalTimeout, m_readIntervalTimeout)
DTU_TIMEOUT_SETTER(ReadTotalTimeoutMultiplier, m_readTotalTimeoutMultiplier)
DTU_TIMEOUT_SETTER(ReadTotalTimeoutConstant, m_readTotalTimeoutConstant)
DTU_TIMEOUT_SETTER(WriteTotalTimeoutMultiplier, m_writeTotalTimeoutMultiplier)
DTU_TIMEOUT_SETTER(WriteTotalTimeoutConstant, m_writeTotalTimeoutConstant)

#undef DTU_STATE_SETTER
#undef DTU_TIMEOUT_SETTER
