#pragma once
// The console panes: coloured lines, an optional hexadecimal mirror, and the
// limits (65535 lines, kMaxChars characters) at which a pane is emptied.
#include "util/LineSink.h"

#include "util/GbkStream.h"

#include <QColor>
#include <QPalette>
#include <QTimer>
#include <functional>
#include <memory>

class QPlainTextEdit;
class SessionLog;

class ConsoleView : public LineSink {
public:
    static constexpr int kMaxLines = 65535;
    // Line-less data (a binary protocol through the module) makes few, long lines: the text
    // bounds a pane too. 8 Mi characters (16 MiB of text in the document) cost a pane about
    // 27 MB, so both panes full keep the program far below 200 MB.
    static constexpr int kMaxChars = 8 << 20;

    ConsoleView(QPlainTextEdit *dialog, QPlainTextEdit *hex);

    void showLine(LineKind kind, const QByteArray &text) override;
    // A double-byte character cut at the end of a block is held for the next
    // block; when none follows within kHoldMs the held byte is shown alone.
    void showReceived(LineKind kind, const QByteArray &block) override;
    static constexpr int kHoldMs = 300;
    void ShowLine(const QByteArray &text, const QColor &colour);
    void AddDialogLine(const QByteArray &text);

    void setHexMirror(bool on) { m_hexOn = on; }
    bool hexMirror() const { return m_hexOn; }

    // Also called with every console line, for the batch mode's stdout.
    void setTap(std::function<void(LineKind, const QByteArray &)> tap) { m_tap = std::move(tap); }

    // The time of arrival (hh:mm:ss.zzz) before every following line, both panes.
    void setTimestamps(bool on) { m_timestamps = on; }
    bool timestamps() const { return m_timestamps; }

    // Every following line also goes to this log while it is active (null: none).
    void setLog(SessionLog *log) { m_log = log; }

    // How a line's bytes look in the pane (and in a log or saved file).
    static QString displayText(const QByteArray &bytes);

    // The line colour of a kind: the fixed colour, or the window-text colour for
    // information, made legible (contrast 4.5:1) on the palette's pane background.
    static QColor colourOf(LineKind kind, const QPalette &palette);
    static QColor colourOf(LineKind kind); // with the application's palette
    static int lineCount(const QPlainTextEdit *pane);
    // A pane is emptied when a line takes it to this many lines or beyond.
    void setMaxLines(int lines) { m_maxLines = lines; }
    // A pane is emptied when a line takes its text to this many characters or beyond.
    void setMaxChars(int chars) { m_maxChars = chars; }

private:
    QColor paneColour(LineKind kind);
    void appendTo(QPlainTextEdit *pane, const QString &text, const QColor &colour) const;
    void flushReceived();

    QPlainTextEdit *m_dialog;
    QPlainTextEdit *m_hex;
    QColor m_colour;
    bool m_hexOn = false;
    bool m_timestamps = false;
    LineKind m_kind = LineKind::Info; // of the line being added
    SessionLog *m_log = nullptr;
    // Colours of the four kinds for the pane's palette as last seen.
    QRgb m_cacheBase = 0, m_cacheText = 0;
    QColor m_cache[kLineKinds];
    bool m_cacheValid = false;
    std::function<void(LineKind, const QByteArray &)> m_tap;
    int m_maxLines = kMaxLines;
    int m_maxChars = kMaxChars;
    gbk::GbkStream m_received;
    LineKind m_heldKind = LineKind::Rcv;
    const QByteArray *m_hexBytes = nullptr; // the hex pane's bytes when they differ from the text
    std::unique_ptr<QTimer> m_holdTimer;
};
