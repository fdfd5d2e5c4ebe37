#pragma once
// A console that keeps every line it is given, for tests of what the protocol and
// the firmware transfer say.
#include "util/LineSink.h"

#include <QByteArray>
#include <QList>

#include <ostream>

struct RecordedLine {
    LineKind kind;
    QByteArray text;
    bool operator==(const RecordedLine &o) const { return kind == o.kind && text == o.text; }
};

inline std::ostream &operator<<(std::ostream &os, const RecordedLine &l)
{
    static const char *const names[] = {"Rcv", "Send", "Info", "Err", "RcvErr"};
    return os << names[int(l.kind)] << ":\"" << l.text.toStdString() << '"';
}

struct LineRecorder : LineSink {
    QList<RecordedLine> lines;
    void showLine(LineKind kind, const QByteArray &text) override { lines.append({kind, text}); }
    bool has(const QByteArray &text) const { return count(text) > 0; }
    int count(const QByteArray &text) const
    {
        int n = 0;
        for (const RecordedLine &l : lines)
            n += l.text == text;
        return n;
    }
    int count(LineKind kind) const
    {
        int n = 0;
        for (const RecordedLine &l : lines)
            n += l.kind == kind;
        return n;
    }
    int count(LineKind kind, const QByteArray &text) const
    {
        int n = 0;
        for (const RecordedLine &l : lines)
            n += l.kind == kind && l.text == text;
        return n;
    }
};
