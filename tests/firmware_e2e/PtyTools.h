#pragma once
// Pseudo-terminal helpers for the firmware transfer over a real line: programs started with a
// pty slave as their terminal, and a byte relay between two masters (the pairs are the common ones).
#include "tests/common/TestPty.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <atomic>
#include <thread>

// Starts argv[0] with stdin and stdout on tty, stderr to errFile, working directory dir.
// Returns the child's pid, or -1.
pid_t SpawnOnTty(const QStringList &argv, int tty, const QString &errFile, const QString &dir);
// Waits up to ms for the child to end; returns its exit status, or -1 if it still runs.
int WaitChild(pid_t pid, int ms);
void KillChild(pid_t pid);

// Copies everything between two pty masters until stopped or either side ends.
// With a baud rate, each chunk is held for its wire time (10 bits per byte).
class PtyRelay {
public:
    PtyRelay(int a, int b, int baud = 0);
    ~PtyRelay();
    void stop();
    qint64 bytesAtoB() const { return m_ab; }
    qint64 bytesBtoA() const { return m_ba; }

private:
    void run();
    int m_a, m_b, m_baud;
    void pace(qsizetype bytes) const;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_ab{0}, m_ba{0};
    std::thread m_thread;
};

// Appends whatever is ready on a non-blocking fd; false once the far side is gone.
bool DrainFd(int fd, QByteArray *into);
bool WriteAll(int fd, const QByteArray &bytes);
