#include "ui/ProvisionChild.h"

#include <QJsonDocument>
#include <QJsonObject>

ProvisionChild::ProvisionChild(QObject *parent) : QObject(parent)
{
    limit_.setSingleShot(true);
    kill_.setSingleShot(true);
    kill_.setInterval(3000);
    proc_.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&proc_, &QProcess::readyReadStandardOutput, this, &ProvisionChild::readLines);
    connect(&proc_, &QProcess::readyReadStandardError, this, [this] {
        for (const QByteArray &l : proc_.readAllStandardError().split('\n'))
            if (!l.trimmed().isEmpty())
                log_ << QString::fromUtf8(l);
    });
    connect(&proc_, &QProcess::finished, this, &ProvisionChild::ended);
    connect(&proc_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            emit finished(-1, QStringLiteral("crashed"), proc_.errorString(), false);
    });
    connect(&limit_, &QTimer::timeout, this, [this] { end(QStringLiteral("timed-out")); });
    connect(&kill_, &QTimer::timeout, this, [this] { proc_.kill(); });
}

ProvisionChild::~ProvisionChild()
{
    if (running()) {
        proc_.kill();
        proc_.waitForFinished(3000);
    }
}

void ProvisionChild::start(const QString &program, const QStringList &args, int timeoutS)
{
    log_.clear();
    pending_.clear();
    endedBy_.clear();
    firstError_.clear();
    sawResult_ = false;
    resultCode_ = -1;
    resultOutcome_.clear();
    limit_.setInterval(timeoutS * 1000);
    limit_.start();
    proc_.start(program, args);
}

void ProvisionChild::stop() { end(QStringLiteral("stopped")); }

void ProvisionChild::end(const QString &why)
{
    if (!running())
        return;
    endedBy_ = why;
    proc_.terminate();
    kill_.start();
}

void ProvisionChild::readLines()
{
    pending_ += proc_.readAllStandardOutput();
    qsizetype nl;
    while ((nl = pending_.indexOf('\n')) >= 0) {
        const QByteArray line = pending_.left(nl);
        pending_.remove(0, nl + 1);
        handle(line);
    }
}

void ProvisionChild::handle(const QByteArray &line)
{
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    const QString event = o.value("event").toString();
    if (event == "line") {
        const QString text = QStringLiteral("[%1] %2").arg(o.value("kind").toString(), o.value("text").toString());
        log_ << text;
        if (o.value("kind").toString() == "ERR" && firstError_.isEmpty())
            firstError_ = o.value("text").toString();
        emit lineAdded(text);
    } else if (event == "phase") {
        emit phase(o.value("phase").toString());
    } else if (event == "progress") {
        emit progress(o.value("done").toInt(), o.value("total").toInt());
    } else if (event == "identity") {
        emit identity(o.value("imei").toString(), o.value("sn").toString());
    } else if (event == "result") {
        sawResult_ = true;
        resultCode_ = o.value("code").toInt(-1);
        resultOutcome_ = o.value("outcome").toString();
    } else if (!line.trimmed().isEmpty()) {
        log_ << QString::fromUtf8(line); // not ours: keep it for the log
    }
}

void ProvisionChild::ended(int code, QProcess::ExitStatus status)
{
    limit_.stop();
    kill_.stop();
    readLines();
    if (!pending_.isEmpty())
        handle(pending_);
    pending_.clear();
    if (sawResult_) {
        emit finished(resultCode_, resultOutcome_, firstError_, true);
        return;
    }
    // No result: the child did not get to write its record either.
    const QString outcome = !endedBy_.isEmpty() ? endedBy_ : QStringLiteral("crashed");
    QString cause = firstError_;
    if (cause.isEmpty())
        cause = status == QProcess::CrashExit ? QStringLiteral("ended by a signal") : QStringLiteral("exit %1").arg(code);
    emit finished(status == QProcess::NormalExit ? code : -1, outcome, cause, false);
}
