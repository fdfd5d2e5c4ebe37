#pragma once
// The record of every provisioning run: one row per run, written in one
// transaction at its end, in a SQLite file or on a PostgreSQL server shared by
// several stations (the same table on both).
#include <QDateTime>
#include <QList>
#include <QString>

struct ProvisionRecord {
    QDateTime startedAt; // UTC
    double seconds = 0;
    QString station, port, sn, imei, iccid, version;
    QString templateName, templateSha256;
    QString valuesJson; // the per-module values applied, as a JSON object
    QString outcome;    // done, refused, no-answer, differs, no-values, port-failed, ...
    int exitCode = 0;
    QString detail;
};

inline constexpr const char *kRecordsFileName = "provisioning.db";

// Where records go: the given place, or provisioning.db in the configuration directory.
QString RecordsPlace(const QString &given);

class RecordStore {
public:
    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // A file path (SQLite) or postgresql://USER@HOST[:PORT]/DB; the table is
    // created when missing. False with the reason.
    bool open(const QString &where, QString *error);
    bool append(const ProvisionRecord &r, QString *error);
    // Oldest first; since: only runs started at or after it (invalid: all).
    QList<ProvisionRecord> list(const QDateTime &since, QString *error) const;

private:
    QString connection_;
    bool postgres_ = false;
};

// The records as CSV (header row, UTF-8, RFC 4180 quoting).
QByteArray RecordsCsv(const QList<ProvisionRecord> &records);
