#include "PtyTools.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <vector>

pid_t SpawnOnTty(const QStringList &argv, int tty, const QString &errFile, const QString &dir)
{
    // Everything the child needs is prepared before fork.
    // No PATH search after fork: the parent may run threads, so the child only execs.
    std::vector<QByteArray> args;
    for (const auto &a : argv)
        args.push_back(QFile::encodeName(a));
    if (argv.isEmpty())
        return -1;
    const QString exe = argv.first().contains(u'/') ? argv.first()
                                                     : QStandardPaths::findExecutable(argv.first());
    if (exe.isEmpty())
        return -1;
    const QByteArray exePath = QFile::encodeName(exe);
    std::vector<char *> cargv;
    for (auto &a : args)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    const QByteArray err = QFile::encodeName(errFile);
    const QByteArray cwd = QFile::encodeName(dir);

    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::setsid();
    ::dup2(tty, 0);
    ::dup2(tty, 1);
    const int e = ::open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (e >= 0)
        ::dup2(e, 2);
    for (int fd = 3; fd < 1024; ++fd)
        ::close(fd);
    if (!cwd.isEmpty() && ::chdir(cwd.constData()) != 0)
        ::_exit(126);
    ::execv(exePath.constData(), cargv.data());
    ::_exit(127);
}

int WaitChild(pid_t pid, int ms)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return status;
        if (r < 0 || t.elapsed() >= ms)
            return -1;
        ::usleep(5000);
    }
}

void KillChild(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    if (WaitChild(pid, 2000) == -1) {
        ::kill(pid, SIGKILL);
        WaitChild(pid, 2000);
    }
}

bool DrainFd(int fd, QByteArray *into)
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            into->append(buf, int(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return true;
        return false; // EOF or EIO: the slave side was closed
    }
}

bool WriteAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            return false;
        }
    }
    return true;
}

PtyRelay::PtyRelay(int a, int b, int baud) : m_a(a), m_b(b), m_baud(baud), m_thread(&PtyRelay::run, this) {}

void PtyRelay::pace(qsizetype bytes) const
{
    if (m_baud > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(bytes * 10 * 1000000LL / m_baud));
}

PtyRelay::~PtyRelay() { stop(); }

void PtyRelay::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void PtyRelay::run()
{
    while (!m_stop) {
        pollfd p[2] = {{m_a, POLLIN, 0}, {m_b, POLLIN, 0}};
        if (::poll(p, 2, 20) <= 0)
            continue;
        // Each read is passed on as one write, so pauses on the line survive the relay.
        QByteArray chunk;
        if (p[0].revents) {
            if (!DrainFd(m_a, &chunk) && chunk.isEmpty())
                return;
            pace(chunk.size());
            if (!chunk.isEmpty() && WriteAll(m_b, chunk))
                m_ab += chunk.size();
        }
        chunk.clear();
        if (p[1].revents) {
            if (!DrainFd(m_b, &chunk) && chunk.isEmpty())
                return;
            pace(chunk.size());
            if (!chunk.isEmpty() && WriteAll(m_a, chunk))
                m_ba += chunk.size();
        }
    }
}
