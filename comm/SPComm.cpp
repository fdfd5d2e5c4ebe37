#include "comm/SPComm.h"

#include "comm/CommLink.h"

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

using namespace comm_detail;

namespace {

constexpr const char *kAlreadyOpen = "This serial port already opened";
constexpr const char *kOpenFailed = "Error opening serial port";
constexpr const char *kNotComm = "File handle is not a comm handle ";
constexpr const char *kNoBuffer = "Cannot setup comm buffer";
constexpr const char *kNoEvent = "Unable to create event";
constexpr const char *kNoReader = "Unable to create read thread";
constexpr const char *kNoWriter = "Unable to create write thread";

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
