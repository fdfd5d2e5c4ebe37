#include "config/Records.h"

#include "config/ConfigDir.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

namespace {

const char *const kColumns = "started_at, seconds, station, port, sn, imei, iccid, version, template, template_sha256, "
                             "\"values\", outcome, exit_code, detail";

QString sqlError(const QString &what, const QSqlError &e)
{
    return QStringLiteral("%1: %2").arg(what, e.text().trimmed());
}

QString csvField(const QString &s)
{
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')) &&
        !s.contains(QLatin1Char('\r')))
        return s;
    QString q = s;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace

QString RecordsPlace(const QString &given)
{
    if (!given.isEmpty())
        return given;
    return ConfigDirFor(QCoreApplication::applicationDirPath()) + QLatin1Char('/') + QLatin1String(kRecordsFileName);
}

RecordStore::RecordStore()
{
    static QAtomicInt serial;
    connection_ = QStringLiteral("records-%1").arg(serial.fetchAndAddRelaxed(1));
}

RecordStore::~RecordStore()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

bool RecordStore::open(const QString &where, QString *error)
{
    postgres_ = where.startsWith(QLatin1String("postgresql://")) || where.startsWith(QLatin1String("postgres://"));
    QSqlDatabase db = QSqlDatabase::addDatabase(postgres_ ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), connection_);
    if (!db.isValid()) {
        *error = QStringLiteral("no %1 driver for Qt SQL (install libqt6sql6-%2)")
                     .arg(postgres_ ? "PostgreSQL" : "SQLite", postgres_ ? "psql" : "sqlite");
        return false;
    }
    if (postgres_) {
        // The password comes from PGPASSWORD or ~/.pgpass, as for every PostgreSQL client.
        const QUrl url(where);
        if (!url.isValid() || url.host().isEmpty() || url.path().size() < 2) {
            *error = QStringLiteral("not a postgresql://USER@HOST[:PORT]/DB address: %1").arg(where);
            return false;
        }
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        if (!url.password().isEmpty())
            db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    } else {
        db.setDatabaseName(where);
        // Several runs append at once: each waits for the others' short transactions.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    }
    if (!db.open()) {
        *error = sqlError(QStringLiteral("cannot open the records %1").arg(where), db.lastError());
        return false;
    }
    QSqlQuery q(db);
    if (!postgres_ && !q.exec(QStringLiteral("PRAGMA journal_mode=WAL"))) {
        *error = sqlError(QStringLiteral("cannot use %1").arg(where), q.lastError());
        return false;
    }
    const QString id = postgres_ ? QStringLiteral("id BIGSERIAL PRIMARY KEY") : QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString sql = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS provision (%1, started_at TEXT NOT NULL, seconds REAL, station TEXT, port TEXT, "
        "sn TEXT, imei TEXT, iccid TEXT, version TEXT, template TEXT, template_sha256 TEXT, \"values\" TEXT, "
        "outcome TEXT NOT NULL, exit_code INTEGER, detail TEXT)").arg(id);
    if (!q.exec(sql)) {
        // Two stations creating the table at the same moment: one wins, and the table is there.
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT 1 FROM provision WHERE 0 = 1"))) {
            *error = sqlError(QStringLiteral("cannot create the records table in %1").arg(where), q.lastError());
            return false;
        }
    }
    return true;
}

bool RecordStore::append(const ProvisionRecord &r, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.isOpen()) {
        *error = QStringLiteral("the records are not open");
        return false;
    }
    if (!db.transaction()) {
        *error = sqlError(QStringLiteral("cannot begin a record"), db.lastError());
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO provision (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                  .arg(QLatin1String(kColumns)));
    const QVariantList values = {r.startedAt.toUTC().toString(Qt::ISODateWithMs), r.seconds, r.station, r.port,
                                 r.sn, r.imei, r.iccid, r.version, r.templateName, r.templateSha256,
                                 r.valuesJson, r.outcome, r.exitCode, r.detail};
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec() || !db.commit()) {
        *error = sqlError(QStringLiteral("cannot write the record"), q.lastError().isValid() ? q.lastError() : db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

QList<ProvisionRecord> RecordStore::list(const QDateTime &since, QString *error) const
{
    QList<ProvisionRecord> out;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    // ISO 8601 in UTC sorts as text.
    q.prepare(QStringLiteral("SELECT %1 FROM provision%2 ORDER BY id")
                  .arg(QLatin1String(kColumns), since.isValid() ? QStringLiteral(" WHERE started_at >= ?") : QString()));
    if (since.isValid())
        q.addBindValue(since.toUTC().toString(Qt::ISODateWithMs));
    if (!q.exec()) {
        *error = sqlError(QStringLiteral("cannot read the records"), q.lastError());
        return out;
    }
    while (q.next()) {
        ProvisionRecord r;
        r.startedAt = QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs);
        r.seconds = q.value(1).toDouble();
        QString *texts[] = {&r.station, &r.port, &r.sn, &r.imei, &r.iccid, &r.version, &r.templateName,
                            &r.templateSha256, &r.valuesJson, &r.outcome};
        for (int i = 0; i < 10; ++i)
            *texts[i] = q.value(2 + i).toString();
        r.exitCode = q.value(12).toInt();
        r.detail = q.value(13).toString();
        out.append(r);
    }
    return out;
}

QByteArray RecordsCsv(const QList<ProvisionRecord> &records)
{
    QString out = QStringLiteral("started_at,seconds,station,port,sn,imei,iccid,version,template,template_sha256,"
                                 "values,outcome,exit_code,detail\r\n");
    for (const ProvisionRecord &r : records) {
        const QStringList f = {r.startedAt.toUTC().toString(Qt::ISODateWithMs), QString::number(r.seconds, 'f', 1),
                               r.station, r.port, r.sn, r.imei, r.iccid, r.version, r.templateName, r.templateSha256,
                               r.valuesJson, r.outcome, QString::number(r.exitCode), r.detail};
        QStringList quoted;
        for (const QString &s : f)
            quoted << csvField(s);
        out += quoted.join(QLatin1Char(',')) + QLatin1String("\r\n");
    }
    return out.toUtf8();
}
