#pragma once
// Every received block passes through DispatchRcv: the firmware upgrade may
// claim it; otherwise it is the answer to the line in flight and moves the queue.
#include "protocol/Outcome.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <optional>
#include <utility>

class LineSink;
class OrderList;
class ParamCodec;
class Sender;
struct FormControls;

// The text between the first a and the first b of s; empty when a is missing,
// b is missing or the first b comes before the end of the first a.
QByteArray StrBetween(const QByteArray &s, const QByteArray &a, const QByteArray &b);

// Lines of a block that begin with "+WORD:" (a word of letters and digits).
int CountAnswerLines(const QByteArray &block);
// The module's help listing: more than five '+' and at least kListingLines
// "+WORD:" lines. One answer, or two glued, never has that many lines.
inline constexpr int kListingLines = 3;
bool IsHelpListing(const QByteArray &block);

// Name and value of a named answer ("\r\n+NAME:value\r\n\r\n"); none for blocks
// without a name and for help listings.
std::optional<std::pair<QByteArray, QByteArray>> NamedAnswer(const QByteArray &block);

// Whether a block counts as an answer that moves the queue.
bool IsAnswer(const QByteArray &block);
// The module's replies to "+++" and "a".
bool IsEntryReply(const QByteArray &block);

inline const QByteArray kErrMarker = QByteArrayLiteral("+ERR:");
inline const QByteArray kAnswerStart = QByteArrayLiteral("\r\n+");
inline const QByteArray kAnswerEnd = QByteArrayLiteral("\r\n\r\n");
inline const QByteArray kPlainOk = QByteArrayLiteral("\r\nOK\r\n\r\n");
inline const QByteArray kEntryJoined = QByteArrayLiteral("a+ok\r\n");
inline const QByteArray kEntrySecond = QByteArrayLiteral("+ok\r\n");

class Dispatcher {
public:
    using ClaimFn = std::function<bool(const QByteArray &)>;

    Dispatcher(OrderList &orders, Sender &sender, ParamCodec &codec, LineSink &console,
               FormControls &controls);

    void DispatchRcv(const QByteArray &block);
    void ParseAnswer(const QByteArray &block);

    // The firmware upgrade's chance to take a block first.
    ClaimFn claimBlock;
    // Told the words the module refused, once per finished queue that had any.
    std::function<void(const QList<QByteArray> &)> onRefused;
    // After "Operation complete": the queried words no answer named.
    std::function<void(const QList<QByteArray> &)> onUnread;
    // A queued operation got the answer to its last line: what the module said.
    std::function<void(const TOpOutcome &)> onEnded;
    // Every block that reached the dispatcher's own steps, by what it was.
    std::function<void(TBlockKind)> onBlock;
    // The queue moved on: lines answered so far, lines in all (both without the first).
    std::function<void(int done, int total)> onProgress;

private:
    // The answer to the last line: progress bar off, "Operation complete", then
    // the one line that names every refused word.
    void finish();

    OrderList &orders_;
    Sender &sender_;
    ParamCodec &codec_;
    LineSink &console_;
    FormControls &c_;
};
