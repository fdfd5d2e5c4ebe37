#pragma once
// The test's end of the simulated line: the pty slave opened raw, as the tool opens a port.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

class SimLine
{
public:
    explicit SimLine(const QString &path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio{};
            tcgetattr(m_fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~SimLine()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SimLine(const SimLine &) = delete;
    SimLine &operator=(const SimLine &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    void send(const QByteArray &bytes)
    {
        qsizetype off = 0;
        while (off < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + off, static_cast<size_t>(bytes.size() - off));
            if (n > 0) {
                off += n;
            } else {
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, 10);
            }
        }
    }

    // One block as the tool frames it: the first byte within waitMs, then bytes
    // until a pause of gapMs. Empty when nothing came.
    QByteArray block(int waitMs = 1500, int gapMs = 60)
    {
        QByteArray out;
        int timeout = waitMs;
        for (;;) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, timeout) <= 0 || !(p.revents & POLLIN))
                return out;
            char buf[4096];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                return out;
            if (out.isEmpty())
                m_firstByte.start();
            out.append(buf, n);
            m_lastByteMs = m_firstByte.elapsed();
            timeout = gapMs;
        }
    }

    // Every block that arrives within totalMs.
    QList<QByteArray> blocks(int totalMs, int gapMs = 60)
    {
        QList<QByteArray> out;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < totalMs) {
            const QByteArray b = block(static_cast<int>(totalMs - t.elapsed()), gapMs);
            if (b.isEmpty())
                break;
            out.append(b);
        }
        return out;
    }

    // Send a line and return the block that answers it.
    QByteArray ask(const QByteArray &line, int waitMs = 1500)
    {
        send(line);
        return block(waitMs);
    }

    // Milliseconds from the first to the last byte of the last block read.
    qint64 lastBlockSpanMs() const { return m_lastByteMs; }

private:
    int m_fd = -1;
    QElapsedTimer m_firstByte;
    qint64 m_lastByteMs = 0;
};
