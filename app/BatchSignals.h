#pragma once
// SIGINT, SIGTERM and SIGHUP during a batch run. The handler only writes the signal's number
// to a pipe; the run's event loop reads it, says how far the run got, cancels a firmware
// transfer (CAN CAN) and ends the run the normal way, so its temporary files are removed and
// the port closes after what was handed to it has gone out. The exit code is 128 + the
// signal's number, as a shell reports a process killed by it.
#include <QObject>
#include <QString>

#include <functional>

class BatchOutput;
class QSocketNotifier;
class TFrm_Main;

// Installed for the life of the object; the previous handlers come back after it.
class BatchSignals : public QObject {
    Q_OBJECT
public:
    BatchSignals();
    ~BatchSignals() override;

    // The one in force (null: none), for the run that wants to hear of them.
    static BatchSignals *active();
    // The first signal caught (0: none yet).
    int caught() const { return m_signo; }
    static int exitCode(int signo) { return 128 + signo; }
    static QString name(int signo);

signals:
    void interrupted(int signo);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    int m_signo = 0;
};

// A batch command's answer to an interruption, on its window. Counts progress as it comes; on
// the first signal it prints how far the run got, cancels a transfer, and calls settle with the
// exit code. A signal caught before it existed is answered at once.
class BatchInterrupt : public QObject {
public:
    BatchInterrupt(TFrm_Main &w, const QString &command, BatchOutput &out, std::function<void(int)> settle);
    bool caught() const { return m_caught; }

private:
    void interrupt(int signo);

    TFrm_Main &m_w;
    QString m_command;
    BatchOutput &m_out;
    std::function<void(int)> m_settle;
    int m_done = -1, m_total = 0;     // queue: lines answered, lines in all
    int m_blocks = 0, m_blockCount = 0; // transfer
    bool m_caught = false;
};

// The lines of --help that document the codes above.
QString BatchSignalsHelpText();
