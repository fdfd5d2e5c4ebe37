#pragma once
// One provisioning run in a child process of its own (the batch mode with
// --json), followed through its JSON lines, so a stuck or crashed port never
// stops the others. A child that exceeds its time or is stopped is ended.
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

class ProvisionChild : public QObject {
    Q_OBJECT
public:
    explicit ProvisionChild(QObject *parent = nullptr);
    ~ProvisionChild() override;

    void start(const QString &program, const QStringList &args, int timeoutS);
    // Ends the child (SIGTERM, SIGKILL 3 s later); finished follows.
    void stop();
    bool running() const { return proc_.state() != QProcess::NotRunning; }
    const QStringList &log() const { return log_; }

signals:
    void phase(const QString &name); // reading, writing, verifying
    void identity(const QString &imei, const QString &sn);
    void progress(int done, int total);
    void lineAdded(const QString &text);
    // outcome: the child's own word (done, refused, ...) or crashed, timed-out,
    // stopped; recorded: the child wrote its record itself (it reported a result).
    void finished(int code, const QString &outcome, const QString &cause, bool recorded);

private:
    void readLines();
    void handle(const QByteArray &line);
    void ended(int code, QProcess::ExitStatus status);
    void end(const QString &why);

    QProcess proc_;
    QTimer limit_, kill_;
    QByteArray pending_;
    QStringList log_;
    QString endedBy_;   // why the station ended it, if it did
    QString firstError_;
    bool sawResult_ = false;
    int resultCode_ = -1;
    QString resultOutcome_;
};
