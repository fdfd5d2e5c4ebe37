#pragma once
// The session log: every console line, with the time and its direction, written
// to a file the user picked until logging is switched off. And saving what a
// pane holds. Both write UTF-8; the text is the console's own rendering, so
// bytes that are not text look in the file as they look on screen.
#include "util/LineSink.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <functional>
#include <memory>

class QPlainTextEdit;

class SessionLog {
public:
    // Truncates or creates the file. False (and the reason in *error) when it
    // cannot be opened for writing; a log already running then goes on.
    bool start(const QString &path, QString *error = nullptr);
    void stop();
    bool active() const { return file_ != nullptr; }
    QString path() const { return file_ ? file_->fileName() : QString(); }

    // One console line as shown (it may hold line breaks: each part gets the
    // prefix). A failed write, or a file that is no longer at its path (deleted,
    // moved), closes the log and runs onFailure.
    void write(LineKind kind, const QDateTime &when, const QString &shown);
    std::function<void(const QString &path, bool gone, const QString &why)> onFailure;

    // "2026-01-31 13:45:07.089 RX   text"
    static QByteArray format(LineKind kind, const QDateTime &when, const QString &shown);
    static const char *directionTag(LineKind kind);

private:
    bool gone() const;

    std::unique_ptr<QFile> file_;
    QByteArray nativePath_;
};

// Writes the pane's text to path as UTF-8, whole or not at all.
bool SaveConsoleText(const QPlainTextEdit *pane, const QString &path, QString *error = nullptr);
