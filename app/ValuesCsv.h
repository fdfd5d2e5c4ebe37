#pragma once
// Per-module values for provisioning: a CSV file whose first row names a key
// column (SN, IMEI or ICCID) and module words; each further row gives one
// module's own values, matched by that key against the module's identity.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

using ModuleValues = QList<QPair<QByteArray, QByteArray>>; // word, value (GBK bytes), in column order

class ValuesCsv {
public:
    // Parses and checks the whole file; false with one message naming the line
    // and column of the first fault.
    bool parse(const QByteArray &bytes, QString *error);

    QByteArray keyWord() const { return key_; } // SN, IMEI or ICCID
    bool utf8() const { return utf8_; }
    int rows() const { return int(rows_.size()); }
    // The row of this key value, if any.
    std::optional<ModuleValues> valuesFor(const QByteArray &key) const;

private:
    QByteArray key_;
    bool utf8_ = false;
    QHash<QByteArray, ModuleValues> rows_;
};

// RFC 4180 records: quoted fields ("" for a quote) may hold separators and line
// breaks; lines end with CR LF, LF or CR. Each record carries its first line number.
struct CsvRecord {
    int line = 0;
    QList<QString> fields;
};
QList<CsvRecord> SplitCsv(const QString &text, QChar separator, QString *error);

// Why a module word cannot take this value, or nothing when it can.
std::optional<QString> ValueProblem(const QByteArray &word, const QByteArray &value);
