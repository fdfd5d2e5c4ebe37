#pragma once
// Where the protocol and the firmware transfer write their console lines.
#include <QByteArray>

// Rcv and RcvErr are bytes from the line (an error answer is RcvErr); Info and
// Err are the program's own lines, so the line can never pass for them.
enum class LineKind { Rcv, Send, Info, Err, RcvErr };
inline constexpr int kLineKinds = 5;

class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void showLine(LineKind kind, const QByteArray &text) = 0;
    // A block as it came from the line. A console keeps the text decoding state
    // across such blocks (a double-byte character may be cut between two).
    virtual void showReceived(LineKind kind, const QByteArray &block) { showLine(kind, block); }

    void ShowRcv(const QByteArray &t) { showLine(LineKind::Rcv, t); }
    void ShowSend(const QByteArray &t) { showLine(LineKind::Send, t); }
    void ShowInfo(const QByteArray &t) { showLine(LineKind::Info, t); }
    void ShowErr(const QByteArray &t) { showLine(LineKind::Err, t); }
};
