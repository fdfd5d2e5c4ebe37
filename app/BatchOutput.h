#pragma once
// What a batch run prints: console lines as tagged text ("[RECV] ..."), or with
// --json one JSON object per stdout line, the last one the run's result.
#include "protocol/Outcome.h"
#include "util/LineSink.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// One value of a file that the module does not hold.
struct Difference {
    QByteArray word;
    std::optional<QByteArray> module; // none: the module gave no value of its own
    QByteArray file;
    bool written = true; // set-all writes it from this file
    QByteArray why;      // why set-all leaves it out, or why the module gave no value
};

class BatchOutput {
public:
    explicit BatchOutput(bool json) : json_(json) {}

    bool json() const { return json_; }
    // A console line as the window would show it.
    void line(LineKind kind, const QByteArray &text);
    // The batch mode's own lines: information on stdout, failures on stderr
    // (with --json also as an ERR line on stdout).
    void info(const QString &text);
    void error(const QString &text);
    void progress(int done, int total);
    // provision: reading, writing or verifying (JSON only).
    void phase(const char *name);
    // SN, IMEI or MEID, ICCID and version, each only when the module answered it.
    void identity(const TOpOutcome &o);
    void difference(const Difference &d);
    // The last line with --json; nothing without.
    void result(int code, const TOpOutcome &o);

    static QString outcomeName(int code);
    // The first failure of the run, for its record.
    const QString &firstError() const { return firstError_; }

private:
    void emitJson(const QJsonObject &o);

    bool json_;
    QList<Difference> differs_;
    QString firstError_;
};
