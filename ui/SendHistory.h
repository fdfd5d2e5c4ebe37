#pragma once
// The send box's history: the last 100 texts sent, newest last, walked with Up
// (on the box's first line) and Down (on its last line), kept in a file beside
// the configuration so that it survives a restart.
#include <QObject>
#include <QString>
#include <QStringList>

class QPlainTextEdit;

inline constexpr const char *kSendHistoryFileName = "SendHistory.txt";

class SendHistory : public QObject {
public:
    static constexpr int kMax = 100;
    // The file is never read past this many bytes (only its newest part is), and the entries
    // kept are the newest that fit in it.
    static constexpr qint64 kMaxFileBytes = 1 << 20;

    // file: where the history is kept; empty keeps it in memory only.
    SendHistory(QPlainTextEdit *box, const QString &file, QObject *parent = nullptr);

    // A text the user sent. Empty texts are not kept; an earlier copy of the same
    // text moves to the newest place. Saves the file: false (reason in *error)
    // when it could not be written.
    bool remember(const QString &text, QString *error = nullptr);
    const QStringList &entries() const { return entries_; }

    // One step back (older) or forward (newer, and finally the text that was
    // being typed). False when there is nowhere to go.
    bool back();
    bool forward();

    // The file's bytes for these entries, and the entries of such bytes.
    static QByteArray encode(const QStringList &entries);
    // The newest entries of a file of any size: its last kMaxFileBytes, from a line start.
    static QStringList readFile(const QString &path);
    static QStringList decode(const QByteArray &bytes);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void show(const QString &text);
    void trim();

    QPlainTextEdit *box_;
    QString file_;
    QStringList entries_;
    qsizetype pos_ = 0; // == entries_.size(): the text being typed
    QString draft_;
};
