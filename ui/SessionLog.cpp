#include "ui/SessionLog.h"

#include "util/FileIo.h"

#include <QPlainTextEdit>

#include <sys/stat.h>

const char *SessionLog::directionTag(LineKind kind)
{
    switch (kind) {
    case LineKind::Send:
        return "TX  ";
    case LineKind::Rcv:
    case LineKind::RcvErr:
        return "RX  ";
    case LineKind::Err:
        return "ERR ";
    case LineKind::Info:
        break;
    }
    return "INFO";
}

QByteArray SessionLog::format(LineKind kind, const QDateTime &when, const QString &shown)
{
    const QByteArray prefix =
        when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")).toUtf8() + directionTag(kind) + ' ';
    QByteArray out;
    for (const QString &part : shown.split(QLatin1Char('\n')))
        out += prefix + part.toUtf8() + '\n';
    return out;
}

bool SessionLog::start(const QString &path, QString *error)
{
    auto next = std::make_unique<QFile>(path);
    if (!next->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = next->errorString();
        return false;
    }
    file_ = std::move(next);
    nativePath_ = QFile::encodeName(path);
    return true;
}

void SessionLog::stop() { file_.reset(); }

// Writes to a deleted or moved file succeed and reach no one: the path must still name
// the file that is open.
bool SessionLog::gone() const
{
    struct stat held {}, named {};
    return ::fstat(file_->handle(), &held) != 0 || held.st_nlink == 0 ||
           ::stat(nativePath_.constData(), &named) != 0 || named.st_ino != held.st_ino || named.st_dev != held.st_dev;
}

void SessionLog::write(LineKind kind, const QDateTime &when, const QString &shown)
{
    if (!file_)
        return;
    const QByteArray bytes = format(kind, when, shown);
    // Flushed line by line, so the log holds everything up to a crash.
    const bool lost = gone();
    if (lost || file_->write(bytes) != bytes.size() || !file_->flush()) {
        const QString p = file_->fileName();
        const QString why = file_->errorString();
        file_.reset();
        if (onFailure)
            onFailure(p, lost, why);
    }
}

bool SaveConsoleText(const QPlainTextEdit *pane, const QString &path, QString *error)
{
    QString text = pane->toPlainText();
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    return WriteFileAtomically(path, text.toUtf8(), error);
}
