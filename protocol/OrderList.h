#pragma once
// The command queue of the current operation. The one instance is owned by
// Protocol; everything that queues or advances lines works on that instance.
#include "protocol/Catalogue.h"
#include "protocol/Outcome.h"

#include <QByteArray>
#include <QList>
#include <QMap>

#include <cstdint>

class OrderList {
public:
    // Entries are the exact bytes to write, line end included; "+++" and "a" bare.
    QList<QByteArray> lines;
    // Position of the line whose answer is awaited; may stand past the last line.
    int32_t OrderIndex = 0;
    // Command words the module refused during this queue, in order, each once.
    QList<QByteArray> refused;
    // The named answers that arrived during this queue: upper-case name -> value.
    QMap<QByteArray, QByteArray> answers;
    // Words of setting lines the module accepted during this queue.
    QList<QByteArray> accepted;

    void ClearOrders();
    void AddOrder(const QByteArray &line);
    // "AT+", text, LineEnd.
    void AddAtOrder(const QByteArray &text);
    void AddQuery(TCmd c);
    void AddSetting(const QByteArray &word, const QByteArray &value);
    void AddSetting(TCmd c, const QByteArray &value);

    // Line i, or empty when i is outside the list.
    QByteArray GetOrder(qsizetype i) const;
    int count() const { return static_cast<int>(lines.size()); }

    // Puts the command-state entry ("+++", "a") in front of the line at OrderIndex.
    void InsertPPPA();

    // Steps OrderIndex on; it never wraps, however many answers arrive.
    void Advance();

    // Records the word of the line at OrderIndex as refused.
    void NoteRefused();
    // Records the setting line at OrderIndex as accepted (a plain OK came).
    void NoteAccepted();
    // The words of the queue's queries that got neither a named answer nor a
    // refusal, in queue order, each once.
    QList<QByteArray> Unanswered() const;
    // What the module said during this queue, for an operation that ended so.
    TOpOutcome Outcome(TBulkMode bulk, TOpEnd end) const;
};

// The command word of an "AT+" line ("AT+SOCKA=..." gives SOCKA); empty for
// "+++", "a" and other text.
QByteArray WordOfLine(const QByteArray &line);

// Line forms.
QByteArray QueryLine(TCmd c);
QByteArray SettingLine(const QByteArray &word, const QByteArray &value);
QByteArray BareLine(const QByteArray &text);

inline const QByteArray kPPP = QByteArrayLiteral("+++");
inline const QByteArray kEntryA = QByteArrayLiteral("a");
