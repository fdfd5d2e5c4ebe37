#pragma once
// A pseudo-terminal pair for tests: the code under test opens the slave, the
// test plays the far end on the master.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

class PtyPair {
public:
    PtyPair()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0
            && ::ptsname_r(m_master, name, sizeof name) == 0)
            m_slave = QString::fromLocal8Bit(name);
    }
    ~PtyPair()
    {
        closeMaster();
        if (m_slaveFd >= 0)
            ::close(m_slaveFd);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return m_master >= 0 && !m_slave.isEmpty(); }
    int master() const { return m_master; }
    const QString &slave() const { return m_slave; }

    // The master without blocking reads and writes (for relays and draining loops).
    void setNonBlocking() { ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK); }
    // The slave opened here in raw mode (a child program's terminal); kept open until the pair ends.
    int rawSlave()
    {
        if (m_slaveFd < 0 && ok()) {
            m_slaveFd = ::open(m_slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
            termios tio{};
            if (m_slaveFd >= 0 && ::tcgetattr(m_slaveFd, &tio) == 0) {
                ::cfmakeraw(&tio);
                ::tcsetattr(m_slaveFd, TCSANOW, &tio);
            }
        }
        return m_slaveFd;
    }

    // Writes everything (blocks while the line is full).
    bool write(const QByteArray &data)
    {
        qsizetype done = 0;
        while (done < data.size()) {
            const ssize_t w = ::write(m_master, data.constData() + done, size_t(data.size() - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += w;
        }
        return true;
    }

    // Reads until `want` bytes came, nothing came for `quietMs`, or `maxMs` passed.
    QByteArray read(qsizetype want, int quietMs, int maxMs = 5000)
    {
        QByteArray out;
        QElapsedTimer total;
        total.start();
        char buf[4096];
        while (out.size() < want && total.elapsed() < maxMs) {
            pollfd p {m_master, POLLIN, 0};
            const int r = ::poll(&p, 1, quietMs);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break; // EIO once the slave side is closed
            out.append(buf, n);
        }
        return out;
    }

    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slaveFd = -1;
    QString m_slave;
};
