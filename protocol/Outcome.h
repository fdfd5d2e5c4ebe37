#pragma once
// What the module said during one queued operation, and how the operation
// ended. Front ends (the window, the batch mode) learn results from this value,
// never from console lines or from what the form happens to hold.
#include <QByteArray>
#include <QList>
#include <QMap>

#include <cstdint>

// The bulk operation the next version answer continues.
enum class TBulkMode : uint8_t { None = 0, GetAll = 1, SetAll = 2 };

enum class TOpEnd : uint8_t {
    Complete,  // the last line got its answer (or its refusal)
    NoAnswer,  // the module stayed silent, also after the repair
    Cancelled, // the port was closed while a line waited
};

struct TOpOutcome {
    TBulkMode bulk = TBulkMode::None;
    TOpEnd end = TOpEnd::Complete;
    // Words whose line the module refused, in order.
    QList<QByteArray> refused;
    // Words of the queries that got neither a named answer nor a refusal.
    QList<QByteArray> unread;
    // Upper-case word -> the value bytes of the module's own named answer.
    QMap<QByteArray, QByteArray> answers;
    // Setting lines the module accepted (plain OK), by upper-case word.
    QList<QByteArray> accepted;

    bool complete() const { return end == TOpEnd::Complete; }
    // A refused or unanswered version query: nothing of the module was read.
    bool versionMissing() const { return !answers.contains("VER"); }
};

// Words a received block belongs to, for front ends that follow the line.
enum class TBlockKind : uint8_t {
    Answer,   // recognised: a named answer, a plain OK, an entry reply
    Refusal,  // an error answer "+ERR:"
    Other,    // anything else (server data, an echo, half an answer)
};
