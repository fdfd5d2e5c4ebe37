#include "tools/dtu-sim/SimModule.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char NAK = 0x15;
constexpr int kMaxLine = 4096;
constexpr qsizetype kMaxData = 1 << 20;

const QByteArray kLineEnd("\r\n");
const QByteArray kOk("\r\nOK\r\n\r\n");

QByteArray errAnswer(SimError e)
{
    return "\r\n+ERR:" + QByteArray::number(static_cast<int>(e)) + "\r\n\r\n";
}

QByteArray namedAnswer(const QByteArray &word, const QByteArray &value)
{
    return "\r\n+" + word + ":" + value + "\r\n\r\nOK\r\n";
}

bool isWord(const QByteArray &w)
{
    return !w.isEmpty() && std::all_of(w.begin(), w.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

QByteArray *findValue(SimParamList &list, const QByteArray &word)
{
    for (auto &p : list)
        if (p.first == word)
            return &p.second;
    return nullptr;
}

} // namespace

SimModule::SimModule(SimOptions options) : m_opt(std::move(options))
{
    m_params = SimFactoryParams(m_opt.echo);
    m_userDefault = m_params;
    m_ignoreLeft = std::max(0, m_opt.ignoreFirstLines);
    m_state = m_opt.xmodemReceiver ? State::XModem
              : m_opt.bootLoader       ? State::BootMenu
              : m_opt.startInCommandState ? State::Command
                                          : State::Data;
}

SimModule::~SimModule()
{
    stop();
}

std::optional<SimPty> SimModule::openPty(QString *error)
{
    const auto fail = [&](const char *what) -> std::optional<SimPty> {
        if (error)
            *error = QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        return std::nullopt;
    };
    SimPty pty;
    pty.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0)
        return fail("posix_openpt");
    char name[256] = {};
    if (grantpt(pty.master) != 0 || unlockpt(pty.master) != 0 || ptsname_r(pty.master, name, sizeof name) != 0) {
        auto r = fail("pty setup");
        ::close(pty.master);
        return r;
    }
    pty.slavePath = QString::fromLocal8Bit(name);
    pty.slave = ::open(name, O_RDWR | O_NOCTTY);
    if (pty.slave < 0) {
        auto r = fail("open slave");
        ::close(pty.master);
        return r;
    }
    termios tio{};
    if (tcgetattr(pty.slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(pty.slave, TCSANOW, &tio);
    }
    const int flags = fcntl(pty.master, F_GETFL);
    fcntl(pty.master, F_SETFL, flags | O_NONBLOCK);
    return pty;
}

bool SimModule::start()
{
    if (isRunning())
        return true;
    auto pty = openPty(&m_error);
    if (!pty)
        return false;
    m_pty = *pty;
    m_stop = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_state == State::BootMenu)
            sendBootMenu(Clock::now());
        if (m_state == State::XModem)
            m_nextC = Clock::now();
    }
    m_thread = std::thread(&SimModule::run, this);
    return true;
}

void SimModule::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_pty.master >= 0)
        ::close(m_pty.master);
    if (m_pty.slave >= 0)
        ::close(m_pty.slave);
    m_pty.master = m_pty.slave = -1;
}

QByteArray SimModule::param(const QByteArray &word) const
{
    std::lock_guard lock(m_mutex);
    for (const auto &p : m_params)
        if (p.first == word)
            return p.second.isNull() ? QByteArray("") : p.second;
    return {};
}

bool SimModule::setParam(const QByteArray &word, const QByteArray &value)
{
    std::lock_guard lock(m_mutex);
    QByteArray *v = findValue(m_params, word);
    if (!v)
        return false;
    *v = value;
    return true;
}

SimParamList SimModule::params() const
{
    std::lock_guard lock(m_mutex);
    return m_params;
}

QByteArray SimModule::paramsText() const
{
    QByteArray out;
    for (const auto &p : params())
        out += p.first + '=' + p.second + '\n';
    return out;
}

int SimModule::applyParamsText(const QByteArray &text)
{
    int bad = 0;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || !setParam(line.left(eq).trimmed().toUpper(), line.mid(eq + 1)))
            ++bad;
    }
    return bad;
}

void SimModule::enterBootLoader()
{
    m_bootRequest = true;
}

SimModule::State SimModule::state() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

QByteArray SimModule::receivedImage() const
{
    std::lock_guard lock(m_mutex);
    return m_image;
}

int SimModule::receivedBlocks() const
{
    std::lock_guard lock(m_mutex);
    return m_blocks;
}

int SimModule::completedTransfers() const
{
    std::lock_guard lock(m_mutex);
    return m_transfers;
}

int SimModule::senderCancels() const
{
    std::lock_guard lock(m_mutex);
    return m_senderCancels;
}

QList<QByteArray> SimModule::receivedLines() const
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

QByteArray SimModule::receivedData() const
{
    std::lock_guard lock(m_mutex);
    return m_data;
}

QList<QByteArray> SimModule::sentMessages() const
{
    std::lock_guard lock(m_mutex);
    return m_sms;
}

// ---- serving thread -------------------------------------------------------

void SimModule::run()
{
    char buf[4096];
    while (!m_stop) {
        std::vector<Out> outs;
        pollfd pfd{m_pty.master, POLLIN, 0};
        const int r = ::poll(&pfd, 1, 10);
        const auto now = Clock::now();
        {
            std::unique_lock lock(m_mutex);
            if (m_bootRequest.exchange(false)) {
                m_state = State::BootMenu;
                m_burst.clear();
                m_line.clear();
                m_awaitingA = false;
                sendBootMenu(now);
            }
            if (r > 0 && (pfd.revents & POLLIN)) {
                const ssize_t n = ::read(m_pty.master, buf, sizeof buf);
                if (n > 0 && m_opt.paceBaud > 0) {
                    // A real line delivers the bytes one character time apart: the last of them
                    // is here only after their wire time.
                    m_rxFree = std::max(m_rxFree, now) +
                               std::chrono::nanoseconds(static_cast<long long>(n * (1e10 / m_opt.paceBaud)));
                    lock.unlock();
                    sleepUntil(m_rxFree);
                    lock.lock();
                    onBytes(QByteArray(buf, n), m_rxFree);
                } else if (n > 0) {
                    onBytes(QByteArray(buf, n), now);
                }
            }
            onTick(now);
            outs.swap(m_pending);
        }
        if (m_hangup) {
            flush(outs);
            hangUp();
            return;
        }
        if (r > 0 && (pfd.revents & (POLLHUP | POLLERR)))
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // line gone: don't spin
        flush(outs);
    }
}

// The line goes dead as if the module were unplugged: both ends of the pty close,
// so the tool's next read or write fails.
void SimModule::hangUp()
{
    if (m_pty.master >= 0)
        ::close(m_pty.master);
    if (m_pty.slave >= 0)
        ::close(m_pty.slave);
    m_pty.master = m_pty.slave = -1;
}

void SimModule::onBytes(const QByteArray &bytes, Clock::time_point now)
{
    if (m_opt.burstBytes > 0 && !m_burstSent) {
        m_burstSent = true;
        QByteArray burst(m_opt.burstBytes, '\0');
        for (qsizetype i = 0; i < burst.size(); ++i)
            burst[i] = (i % 64 == 63) ? '\n' : char('0' + i % 43);
        queueRaw(burst, 0);
    }
    // Bytes read after the module sat in a reply delay came a guard time or more
    // after the earlier burst (the tool waited for that reply): judge that burst
    // first, so a "+++" sent meanwhile stands alone.
    if ((m_state == State::Data || m_state == State::Command) && !m_burst.isEmpty() &&
        now - m_lastRx >= std::chrono::milliseconds(m_opt.guardMs))
        onBurstEnd(now);
    switch (m_state) {
    case State::Data:
        m_burst += bytes;
        m_lastRx = now;
        if (m_data.size() < kMaxData)
            m_data += bytes.left(kMaxData - m_data.size());
        return;
    case State::Command:
        m_burst += bytes;
        m_lastRx = now;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (m_state != State::Command) {
                onBytes(bytes.mid(i), now); // ENTM or Z ended the command state
                return;
            }
            const char c = bytes[i];
            if (c == '\r' || c == '\n') {
                if (!m_line.isEmpty() || m_lineOverflow) {
                    const QByteArray line = m_line;
                    const bool overflow = m_lineOverflow;
                    m_line.clear();
                    m_lineOverflow = false;
                    if (overflow)
                        queueAnswer(errAnswer(SimError::Format));
                    else
                        onLine(line);
                }
            } else if (m_line.size() < kMaxLine) {
                m_line += c;
            } else {
                m_lineOverflow = true;
            }
        }
        return;
    case State::BootMenu:
    case State::BootConfirm:
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (m_state == State::XModem) {
                onBytes(bytes.mid(i), now);
                return;
            }
            if (m_state != State::BootMenu && m_state != State::BootConfirm)
                return; // left the boot loader; the application starts afresh
            onBootByte(bytes[i], now);
        }
        return;
    case State::XModem:
        m_xbuf += bytes;
        m_lastRx = now;
        processXModem(now);
        return;
    }
}

void SimModule::onTick(Clock::time_point now)
{
    using std::chrono::milliseconds;
    if (m_awaitingA && now >= m_entryDeadline)
        m_awaitingA = false;
    if ((m_state == State::Data || m_state == State::Command) && !m_burst.isEmpty() &&
        now - m_lastRx >= milliseconds(m_opt.guardMs))
        onBurstEnd(now);
    if (m_state == State::BootMenu && m_opt.bootMenuRepeatMs > 0 && now >= m_nextMenu)
        sendBootMenu(now);
    if (m_state == State::Data && !m_awaitingA && m_opt.networkDataEveryMs > 0 && now >= m_nextNetData) {
        queueRaw(m_opt.networkData, 0);
        m_nextNetData = now + milliseconds(m_opt.networkDataEveryMs);
    }
    if (m_state == State::XModem) {
        if (!m_sawBlock && now >= m_nextC && m_opt.cLimit > 0 && m_cSent >= m_opt.cLimit) {
            restart(0); // the boot loader gave up waiting and runs the application
            return;
        }
        if (!m_sawBlock && now >= m_nextC) {
            queueRaw(QByteArray(1, 'C'), 0);
            ++m_cSent;
            m_nextC = now + milliseconds(std::max(1, m_opt.cRepeatMs));
        }
        if (!m_xbuf.isEmpty() && now - m_lastRx >= milliseconds(m_opt.blockTimeoutMs)) {
            m_xbuf.clear(); // a block that never completed
            queueRaw(QByteArray(1, NAK), 0);
        }
    }
}

// The command-state entry is judged on whole bursts: "+++" alone, then "a" alone.
// In the command state the same bursts are honoured while no line is pending, so a
// tool that repeats the entry finds the module answering instead of collecting junk.
void SimModule::onBurstEnd(Clock::time_point now)
{
    const QByteArray burst = m_burst;
    m_burst.clear();
    const bool alone = m_state == State::Data || m_line == burst;
    if (burst == "+++" && alone) {
        m_line.clear();
        m_awaitingA = true;
        m_entryDeadline = now + std::chrono::milliseconds(m_opt.entryTimeoutMs);
        queueRaw("a", m_opt.replyDelayMs);
    } else if (burst == "a" && alone && m_awaitingA) {
        m_line.clear();
        m_awaitingA = false;
        m_state = State::Command;
        queueRaw("+ok\r\n", m_opt.replyDelayMs);
    } else {
        m_awaitingA = false;
    }
}

void SimModule::restart(int delayMs)
{
    m_state = State::Data;
    m_burst.clear();
    m_line.clear();
    m_awaitingA = false;
    const QByteArray *msg = findValue(m_params, "STMSG");
    if (msg && !msg->isEmpty())
        queueRaw(*msg + kLineEnd, delayMs);
}

void SimModule::onLine(const QByteArray &line)
{
    m_lines.append(line);
    if (m_opt.hangupAfterLines > 0 && ++m_commandLines >= m_opt.hangupAfterLines) {
        m_hangup = true;
        return;
    }
    if (m_ignoreLeft > 0) {
        --m_ignoreLeft;
        return;
    }
    const QByteArray *e = findValue(m_params, "E");
    const bool echo = e && e->compare("ON", Qt::CaseInsensitive) == 0;
    QByteArray answer = answerLine(line);
    const QByteArray word = line.mid(3).chopped(line.endsWith('?') ? 1 : 0).toUpper();
    if (line.endsWith('?') && m_opt.staleWords.contains(word) && !m_lastAnswer.isEmpty())
        answer = m_lastAnswer; // the value asked for never comes
    if (answer.isEmpty())
        return;
    m_lastAnswer = answer;
    if (echo)
        answer.prepend(line + kLineEnd);
    queueAnswer(answer);
    if (m_state == State::Data && m_restartPending) {
        m_restartPending = false;
        restart(m_opt.restartDelayMs);
    }
}

QByteArray SimModule::answerLine(const QByteArray &line)
{
    if (line.size() < 3 || line.left(2).compare("AT", Qt::CaseInsensitive) != 0 || line[2] != '+')
        return errAnswer(SimError::Format);
    const QByteArray rest = line.mid(3);
    if (!m_opt.refuseWords.isEmpty()) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '=' && rest[end] != '?')
            ++end;
        if (m_opt.refuseWords.contains(rest.left(end).toUpper()))
            return errAnswer(SimError::Format);
    }
    const qsizetype eq = rest.indexOf('=');
    if (eq >= 0) {
        const QByteArray word = rest.left(eq).toUpper();
        const QByteArray value = rest.mid(eq + 1);
        if (!isWord(word))
            return errAnswer(SimError::Format);
        if (word == "SMSEND") {
            const qsizetype c1 = value.indexOf(',');
            const qsizetype c2 = c1 < 0 ? -1 : value.indexOf(',', c1 + 1);
            if (c2 < 0)
                return errAnswer(SimError::Format);
            const QByteArray number = value.left(c1);
            const QByteArray format = value.mid(c1 + 1, c2 - c1 - 1);
            const bool digits = !number.isEmpty() && std::all_of(number.begin(), number.end(),
                                                                 [](char c) { return c >= '0' && c <= '9'; });
            if (!digits || format != "3")
                return errAnswer(SimError::BadValue);
            m_sms.append(value);
            return kOk;
        }
        const SimError err = SimCheckSetting(word, value);
        if (err != SimError::None)
            return errAnswer(err);
        *findValue(m_params, word) = value.isNull() ? QByteArray("") : value;
        return kOk;
    }
    if (rest.endsWith('?')) {
        const QByteArray word = rest.chopped(1).toUpper();
        if (!isWord(word) || !SimIsParamWord(word))
            return errAnswer(SimError::Format);
        return namedAnswer(word, *findValue(m_params, word));
    }
    const QByteArray word = rest.toUpper();
    if (word == "CSQ")
        return namedAnswer(word, *findValue(m_params, word));
    if (word == "H")
        return "\r\n" + SimHelpText() + "\r\n\r\nOK\r\n";
    if (word == "Z") {
        m_state = State::Data;
        m_restartPending = true;
        return kOk;
    }
    if (word == "ENTM") {
        m_state = State::Data;
        m_burst.clear();
        return kOk;
    }
    if (word == "CFGTF") {
        m_userDefault = m_params;
        return kOk;
    }
    if (word == "RELD") {
        m_params = m_userDefault;
        return kOk;
    }
    if (word == "CLEAR") {
        m_params = SimFactoryParams(m_opt.echo);
        return kOk;
    }
    return errAnswer(SimError::Format);
}

// ---- output ---------------------------------------------------------------

void SimModule::queueRaw(const QByteArray &bytes, int delayMs)
{
    if (m_opt.mute)
        return;
    m_pending.push_back({delayMs, bytes});
}

void SimModule::queueAnswer(const QByteArray &answer)
{
    int delay = m_opt.slowAnswers == 0 || m_answerCount < m_opt.slowAnswers ? m_opt.replyDelayMs : 0;
    if (m_opt.garbage && m_answerCount % 3 == 0) {
        QByteArray junk;
        const int n = 3 + static_cast<int>(m_garbageSeed % 4);
        for (int i = 0; i < n; ++i) {
            m_garbageSeed = m_garbageSeed * 1103515245u + 12345u;
            char c = static_cast<char>((m_garbageSeed >> 16) & 0xFF);
            if (c == '\r' || c == '\n')
                c = '~';
            junk += c;
        }
        queueRaw(junk, delay);
        delay = m_opt.garbageGapMs;
    }
    ++m_answerCount;
    if (m_opt.glueNoise && m_answerCount % 3 == 1) {
        queueRaw("~noise~" + answer, delay);
        return;
    }
    if (m_opt.doubleAnswers) {
        queueRaw(answer, delay);
        queueRaw(answer, m_opt.splitGapMs);
        return;
    }
    if (m_opt.splitAnswers && answer.size() >= 2) {
        const qsizetype half = answer.size() / 2;
        queueRaw(answer.left(half), delay);
        queueRaw(answer.mid(half), m_opt.splitGapMs);
    } else {
        queueRaw(answer, delay);
    }
}

void SimModule::flush(std::vector<Out> &outs)
{
    for (const Out &o : outs) {
        if (o.delayMs > 0)
            sleepUntil(Clock::now() + std::chrono::milliseconds(o.delayMs));
        if (m_stop || !writePaced(o.bytes))
            return;
    }
}

void SimModule::sleepUntil(Clock::time_point until)
{
    while (!m_stop) {
        const auto now = Clock::now();
        if (now >= until)
            return;
        std::this_thread::sleep_for(std::min<Clock::duration>(until - now, std::chrono::milliseconds(10)));
    }
}

bool SimModule::writePaced(const QByteArray &bytes)
{
    if (m_opt.paceBaud <= 0)
        return writeAll(bytes);
    // Small pieces at the wire rate: each piece is about 5 ms of line time.
    const qsizetype piece = std::max(1, m_opt.paceBaud / 10 / 200);
    const double nsPerByte = 1e10 / m_opt.paceBaud;
    const auto begin = Clock::now();
    for (qsizetype off = 0; off < bytes.size(); off += piece) {
        const QByteArray part = bytes.mid(off, piece);
        if (!writeAll(part))
            return false;
        const auto due = std::chrono::nanoseconds(static_cast<long long>((off + part.size()) * nsPerByte));
        sleepUntil(begin + due);
    }
    return true;
}

bool SimModule::writeAll(const QByteArray &bytes)
{
    qsizetype off = 0;
    while (off < bytes.size() && !m_stop) {
        const ssize_t n = ::write(m_pty.master, bytes.constData() + off, static_cast<size_t>(bytes.size() - off));
        if (n > 0) {
            off += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        pollfd pfd{m_pty.master, POLLOUT, 0};
        ::poll(&pfd, 1, 10); // the far end is not reading; wait for room
    }
    return off == bytes.size();
}
