// provision: read the module and its identity, write the template with this
// module's own values, read it back and compare; one record per run.
// records: list or export the records.
#include "app/BatchFiles.h"
#include "app/BatchRun.h"
#include "app/BatchVerify.h"
#include "ui/ConfigIo.h"
#include "config/IniFile.h"
#include "protocol/Protocol.h"
#include "ui/MainWindow.h"
#include "util/FileIo.h"
#include "util/Gbk.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTimeZone>

#include <cstdio>

namespace {

QString text(const TOpOutcome &o, const char *word) { return gbk::toDisplay(o.answers.value(word)); }

} // namespace

int BatchRun::checkProvision()
{
    record_.startedAt = QDateTime::currentDateTimeUtc();
    record_.port = a_.port;
    record_.station = a_.station.isEmpty() ? QSysInfo::machineHostName() : a_.station;
    record_.templateName = QFileInfo(a_.ini).fileName();
    record_.templateSha256 = QString::fromLatin1(QCryptographicHash::hash(iniBytes_, QCryptographicHash::Sha256).toHex());
    QString why;
    if (!records_.open(RecordsPlace(a_.records), &why)) {
        out_.error(why);
        return ExitFailed;
    }
    recording_ = true;
    if (a_.values.isEmpty())
        return ExitOk;
    QFile f(a_.values);
    if (!QFileInfo(a_.values).isFile() || !f.open(QIODevice::ReadOnly)) {
        out_.error(QStringLiteral("cannot read %1").arg(a_.values));
        return ExitMissingFile;
    }
    if (!values_.parse(f.read(16 << 20), &why)) {
        out_.error(QStringLiteral("%1: %2").arg(a_.values, why));
        return ExitMissingFile;
    }
    out_.info(QStringLiteral("%1: %2 module(s) by %3, read as %4")
                  .arg(a_.values).arg(values_.rows()).arg(QString::fromLatin1(values_.keyWord()),
                                                           values_.utf8() ? "UTF-8" : "GBK"));
    return ExitOk;
}

// A further operation: only what the module says from now on counts.
void BatchRun::newPhase()
{
    outcome = TOpOutcome{};
    phaseEnded_ = false;
    result_ = -1;
}

// Get All again after the writes: only answers of this read count.
int BatchRun::readBack(TFrm_Main &w)
{
    newPhase();
    w.btnDoClick(10);
    const int code = wait();
    if (!phaseEnded_ || outcome.end != TOpEnd::Complete)
        return code;
    return verifyResult(w);
}

int BatchRun::provision(TFrm_Main &w, const QString &workDir)
{
    // 1. The module and who it is.
    out_.phase("reading");
    w.btnDoClick(10);
    int code = wait();
    const TOpOutcome read = outcome;
    record_.sn = text(read, "SN");
    record_.imei = read.answers.contains("IMEI") ? text(read, "IMEI") : text(read, "MEID");
    record_.iccid = text(read, "ICCID");
    record_.version = text(read, "VER");
    if (phaseEnded_)
        out_.identity(read);
    if (!phaseEnded_ || read.end != TOpEnd::Complete)
        return code;
    if (read.versionMissing()) {
        out_.error(QStringLiteral("the module did not give its version; nothing was written"));
        return read.refused.contains("VER") ? ExitRefused : ExitTimeout;
    }

    // 2. This module's own values.
    ModuleValues mine;
    if (!values_.keyWord().isEmpty()) {
        QByteArray key = read.answers.value(values_.keyWord());
        if (values_.keyWord() == "IMEI" && key.isEmpty())
            key = read.answers.value("MEID");
        const std::optional<ModuleValues> row = key.isEmpty() ? std::nullopt : values_.valuesFor(key);
        if (!row) {
            out_.error(key.isEmpty() ? QStringLiteral("the module did not give its %1; nothing written")
                                           .arg(QString::fromLatin1(values_.keyWord()))
                                     : QStringLiteral("no values for %1 %2 in %3; nothing written")
                                           .arg(QString::fromLatin1(values_.keyWord()), gbk::toDisplay(key), a_.values));
            return key.isEmpty() ? ExitTimeout : ExitNoValues;
        }
        mine = *row;
    }
    QJsonObject applied;
    for (const auto &[word, value] : mine)
        applied.insert(QString::fromLatin1(word), gbk::toDisplay(value));
    record_.valuesJson = QString::fromUtf8(QJsonDocument(applied).toJson(QJsonDocument::Compact));

    // 3. The template again (Get All filled the form with the module's values), then this module's own.
    Protocol &p = *w.protocol();
    p.codec().SetBulkMode(TBulkMode::None);
    if (QString why; !LoadIni(w, workDir, &why)) {
        out_.error(why);
        return ExitMissingFile;
    }
    QSet<QByteArray> omitted = noValue_;
    for (const auto &[word, value] : mine) {
        p.ApplyParam(word, value);
        omitted.remove(word);
    }
    p.codec().SetOmitted(omitted);
    p.codec().SetWriteAll(true);
    filePlan_.clear();
    for (const TSetting &s : p.codec().Plan())
        if (!omitted.contains(CmdToStr(s.cmd)) && s.skip != TSkip::NoItem)
            filePlan_.append(s);

    // 4. Write every value, then read the module back and compare.
    out_.phase("writing");
    newPhase();
    w.btnDoClick(11);
    code = wait();
    if (!phaseEnded_ || outcome.end != TOpEnd::Complete)
        return code;
    if (outcome.versionMissing() || !outcome.unread.isEmpty())
        return setAllResult();
    const QList<QByteArray> refused = outcome.refused;
    out_.phase("verifying");
    const int checked = readBack(w);
    outcome.refused = refused + outcome.refused;
    return refused.isEmpty() ? checked : ExitRefused;
}

void BatchRun::writeRecord(int code)
{
    if (!recording_)
        return;
    record_.seconds = double(record_.startedAt.msecsTo(QDateTime::currentDateTimeUtc())) / 1000.0;
    record_.exitCode = code;
    record_.outcome = BatchOutput::outcomeName(code);
    record_.detail = out_.firstError();
    QString why;
    if (!records_.append(record_, &why))
        out_.error(why);
}

int RunRecords(const BatchArgs &a, BatchOutput &out)
{
    QDateTime since;
    if (!a.since.isEmpty()) {
        since = QDateTime::fromString(a.since, Qt::ISODate);
        if (!since.isValid()) {
            out.error(QStringLiteral("--since needs a date as 2026-12-31 or 2026-12-31T08:00:00Z, not '%1'").arg(a.since));
            return ExitUsage;
        }
        if (since.timeSpec() == Qt::LocalTime && a.since.size() <= 10)
            since.setTimeZone(QTimeZone::utc());
    }
    RecordStore store;
    QString why;
    if (!store.open(RecordsPlace(a.records), &why)) {
        out.error(why);
        return ExitMissingFile;
    }
    const QList<ProvisionRecord> rows = store.list(since, &why);
    if (!why.isEmpty()) {
        out.error(why);
        return ExitFailed;
    }
    const QByteArray csv = RecordsCsv(rows);
    if (!a.csv.isEmpty()) {
        if (!WriteFileAtomically(a.csv, csv, &why)) {
            out.error(QStringLiteral("cannot write %1: %2").arg(a.csv, why));
            return ExitFailed;
        }
        out.info(QStringLiteral("%1 record(s) written to %2").arg(rows.size()).arg(a.csv));
    } else {
        std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout);
        std::fflush(stdout);
    }
    return ExitOk;
}
