#include "protocol/Dispatcher.h"

#include "lang/AppLang.h"
#include "protocol/FormControls.h"
#include "protocol/OrderList.h"
#include "protocol/ParamCodec.h"
#include "protocol/Sender.h"
#include "util/LineSink.h"
#include "util/ProFun.h"

#include <QProgressBar>
#include <QString>

#include <cctype>
#include <utility>

QByteArray StrBetween(const QByteArray &s, const QByteArray &a, const QByteArray &b)
{
    if (s.isEmpty())
        return {};
    const qsizetype p = s.indexOf(a);
    if (p < 0)
        return {};
    const qsizetype q = s.indexOf(b);
    const qsizetype n = q - p - a.size();
    if (q < 0 || n <= 0)
        return {};
    return s.mid(p + a.size(), n);
}

int CountAnswerLines(const QByteArray &block)
{
    int lines = 0;
    for (qsizetype i = 0; i < block.size(); ++i) {
        if (block.at(i) != '+' || (i > 0 && block.at(i - 1) != '\n'))
            continue;
        qsizetype j = i + 1;
        while (j < block.size() && std::isalnum(static_cast<unsigned char>(block.at(j))))
            ++j;
        lines += (j > i + 1 && j < block.size() && block.at(j) == ':');
    }
    return lines;
}

bool IsHelpListing(const QByteArray &block)
{
    // Latin-1 keeps one character per byte, so '+' is counted byte for byte.
    // Many '+' alone is no listing: a phone number list or a URL in one value
    // has them too, but only on one "+WORD:" line.
    return CountSubStr(QStringLiteral("+"), QString::fromLatin1(block)) > 5 &&
           CountAnswerLines(block) >= kListingLines;
}

std::optional<std::pair<QByteArray, QByteArray>> NamedAnswer(const QByteArray &block)
{
    if (IsHelpListing(block))
        return std::nullopt;
    QByteArray name = StrBetween(block, kAnswerStart, ":");
    if (name.isEmpty())
        return std::nullopt;
    QByteArray r2(block);
    r2.replace(kAnswerStart, QByteArray());
    return std::make_pair(std::move(name), StrBetween(r2, ":", kAnswerEnd));
}

bool IsAnswer(const QByteArray &r)
{
    if (r.contains(kAnswerStart) && r.contains(':') && r.contains(kAnswerEnd))
        return true;
    if (r.contains(kPlainOk) || r.contains(kEntryJoined))
        return true;
    return r == "a" || r == kEntrySecond;
}

bool IsEntryReply(const QByteArray &r)
{
    return r == kEntryA || r == kEntrySecond || r.contains(kEntryJoined);
}

Dispatcher::Dispatcher(OrderList &orders, Sender &sender, ParamCodec &codec, LineSink &console,
                       FormControls &controls)
    : orders_(orders), sender_(sender), codec_(codec), console_(console), c_(controls)
{
}

void Dispatcher::DispatchRcv(const QByteArray &r)
{
    if (claimBlock && claimBlock(r)) {
        // A module talking from its boot loader is not one in its data state:
        // the first line keeps the ordinary answer time-out.
        sender_.keepOrdinaryTimeout();
        return;
    }

    // A module still in its data state may forward a server line just before
    // its reply to "+++"; both then arrive as one block ending in "a".
    if (sender_.LastSend() == kPPP && r.size() > 2 && r.endsWith("\na")) {
        DispatchRcv(r.chopped(1));
        DispatchRcv(kEntryA);
        return;
    }

    // The first line's short wait took a slow module for one in its data state:
    // its reply to that line comes while the repair awaits "a" and "+ok". The
    // repair sends the line again and that answer counts; this one is shown.
    if (sender_.lateAnswerWindow() && !IsEntryReply(r) && (r.contains(kErrMarker) || IsAnswer(r))) {
        const bool refusal = r.contains(kErrMarker);
        console_.showReceived(refusal ? LineKind::RcvErr : LineKind::Rcv, r);
        if (onBlock)
            onBlock(TBlockKind::Other);
        return;
    }

    if (r.contains(kErrMarker)) {
        sender_.answerArrived();
        console_.showReceived(LineKind::RcvErr, r);
        if (onBlock)
            onBlock(TBlockKind::Refusal);
        const bool waiting = sender_.queueState() == TQueueState::Waiting;
        if (waiting)
            orders_.NoteRefused();
        orders_.Advance();
        // A refused last line still ends the operation, so its summary shows.
        if (waiting && orders_.OrderIndex >= orders_.count() && orders_.count() > 0)
            finish();
        else
            sender_.SendCurOrder();
        return;
    }

    // Anything unrecognised (forwarded network data, half an answer, stray
    // bytes) is shown and the time-out keeps running, so the repair still comes.
    // It is shown as received data, never in the program's own colours.
    if (!IsAnswer(r)) {
        console_.showReceived(LineKind::Rcv, r);
        if (onBlock)
            onBlock(TBlockKind::Other);
        return;
    }
    // An echo of the line just sent is no answer: the time-out keeps running.
    if (r != sender_.LastSend())
        sender_.answerArrived();

    if (sender_.queueState() == TQueueState::Waiting && r.contains(kPlainOk))
        orders_.NoteAccepted();
    ParseAnswer(r);
    if (onBlock)
        onBlock(TBlockKind::Answer);

    const int count = orders_.count(); // the answer may have appended lines
    if (orders_.OrderIndex < count - 1) {
        if (QProgressBar *pb = c_.rzpbWhile) {
            pb->setVisible(true);
            pb->setMaximum(count - 1);
            pb->setValue(orders_.OrderIndex);
        }
        if (onProgress)
            onProgress(orders_.OrderIndex, count - 1);
        orders_.Advance();
        sender_.SendCurOrder();
    } else {
        finish();
    }
}

void Dispatcher::finish()
{
    if (c_.rzpbWhile)
        c_.rzpbWhile->setVisible(false);
    const bool ended = sender_.queueState() == TQueueState::Waiting;
    if (ended)
        sender_.setQueueState(TQueueState::Complete);
    console_.ShowInfo(LangText("info_DoOver"));
    // A stray answer after the end shows the completion again, nothing more.
    if (!ended)
        return;
    // Complete only for the words that were answered: a stray or doubled answer
    // may have moved the queue past a query whose answer never came.
    const TOpOutcome o = orders_.Outcome(codec_.BulkMode(), TOpEnd::Complete);
    orders_.refused.clear();
    if (!o.refused.isEmpty()) {
        console_.ShowErr(LangText("info_Refused").replace("%s", o.refused.join(", ")));
        if (onRefused)
            onRefused(o.refused);
    }
    if (!o.unread.isEmpty()) {
        console_.ShowErr(LangText("info_NotRead").replace("%s", o.unread.join(", ")));
        if (onUnread)
            onUnread(o.unread);
    }
    if (onEnded)
        onEnded(o);
}

void Dispatcher::ParseAnswer(const QByteArray &r)
{
    console_.showReceived(LineKind::Rcv, r);
    if (r == sender_.LastSend())
        return;
    if (const auto nv = NamedAnswer(r)) {
        orders_.answers.insert(nv->first.toUpper(), nv->second);
        codec_.ApplyParam(nv->first, nv->second);
    }
}
