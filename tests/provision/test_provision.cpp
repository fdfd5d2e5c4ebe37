// Provisioning: the values file, the records, and the batch run against the simulated module.
#include "config/Records.h"
#include "app/ValuesCsv.h"
#include "tests/common/BatchChild.h"
#include "util/Gbk.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

TEST(ValuesCsv, EncodingsSeparatorsAndQuotesGiveTheSameValues)
{
    const QString zh = QString::fromUtf8("平台");
    const struct {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"utf-8", ("IMEI,STMSG,REGID\r\n86001,\"" + zh + ", ok\",\"a \"\"b\"\"\"\n").toUtf8()},
        {"utf-8 bom", gbk::kUtf8Bom + ("imei;STMSG;REGID\n86001;\"" + zh + ", ok\";\"a \"\"b\"\"\"").toUtf8()},
        {"gbk", gbk::fromUnicode("IMEI,STMSG,REGID\r\n86001,\"" + zh + ", ok\",a \"b\"\r\n")},
        // Both files are valid UTF-8 and valid GBK: the GBK one reads as common characters.
        {"utf-8, valid gbk too", ("IMEI,STMSG,REGID\n86001,\"" + zh + ", ok\",a \"b\"\n").toUtf8()},
    };
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8.decode(gbk::fromUnicode(zh));
    ASSERT_FALSE(utf8.hasError()) << "the GBK case must be valid UTF-8 as well";
    for (const auto &c : cases) {
        ValuesCsv v;
        QString why;
        ASSERT_TRUE(v.parse(c.bytes, &why)) << c.name << ": " << why.toStdString();
        EXPECT_EQ(v.keyWord(), "IMEI") << c.name;
        const auto row = v.valuesFor("86001");
        ASSERT_TRUE(row) << c.name;
        EXPECT_EQ(*row, (ModuleValues{{"STMSG", gbk::fromUnicode(zh + ", ok")}, {"REGID", "a \"b\""}})) << c.name;
    }
    // A quoted field may hold a line break; the record's line counts from its start.
    QString why;
    const auto recs = SplitCsv(QStringLiteral("SN,REGID\n\"1\",\"x\ny\"\n2,z\n"), ',', &why);
    ASSERT_EQ(recs.size(), 3);
    EXPECT_EQ(recs[1].fields, (QList<QString>{"1", "x\ny"}));
    EXPECT_EQ(recs[2].line, 4);
}

TEST(ValuesCsv, FaultsAreRefusedNamingLineAndColumn)
{
    const struct {
        QByteArray csv;
        const char *says;
    } cases[] = {
        {"STMSG,REGID\n1,2\n", "line 1: no key column"},
        {"SN,NOSUCH\n1,2\n", "line 1, column 2: 'NOSUCH'"},
        {"SN,IMEI\n1,2\n", "line 1, column 2: a second key column"},
        {"SN,REGID\n1,a\n2,b\n1,c\n", "line 4, column 1: duplicate key '1'"},
        {"SN,HEARTTM\n1,soon\n", "line 2, column 2 (HEARTTM): 'soon' is no number"},
        {"SN,REGEN\n1,on\n", "line 2, column 2 (REGEN): 'on' is neither ON nor OFF"},
        {"SN,SOCKA\n1,\"TCP,host\"\n", "line 2, column 2 (SOCKA): 'TCP,host' needs 3"},
        {"SN,REGDT\n1,ABC\n", "line 2, column 2 (REGDT)"},
        {"SN,REGID\n1,a,b\n", "line 2: 3 fields, the header has 2"},
        {"SN,REGID\n1,\"a\n", "a quote is never closed"},
    };
    for (const auto &c : cases) {
        ValuesCsv v;
        QString why;
        EXPECT_FALSE(v.parse(c.csv, &why)) << c.csv.toStdString();
        EXPECT_TRUE(why.contains(QLatin1String(c.says))) << why.toStdString() << " / want " << c.says;
    }
}

namespace {

ProvisionRecord sample(const QString &station, int n)
{
    ProvisionRecord r;
    r.startedAt = QDateTime(QDate(2026, 12, 1 + n % 28), QTime(8, 0), QTimeZone::utc());
    r.station = station;
    r.sn = QString::number(n);
    r.valuesJson = QStringLiteral("{\"REGID\":\"a,\\\"b\\\"\"}");
    r.outcome = n % 2 ? QStringLiteral("done") : QStringLiteral("refused");
    r.exitCode = n % 2 ? 0 : 5;
    r.detail = QString::fromUtf8("line 1\n平台");
    return r;
}

QList<ProvisionRecord> ofStation(const QList<ProvisionRecord> &all, const QString &station)
{
    QList<ProvisionRecord> out;
    for (const ProvisionRecord &r : all)
        if (r.station == station)
            out.append(r);
    return out;
}

// Rows come back as written, in order, filtered by date; the CSV export reads back field for field.
void roundTrip(const QString &where)
{
    const QString station = QStringLiteral("st-%1").arg(QDateTime::currentMSecsSinceEpoch());
    RecordStore s;
    QString why;
    ASSERT_TRUE(s.open(where, &why)) << why.toStdString();
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(s.append(sample(station, n), &why)) << why.toStdString();
    const QList<ProvisionRecord> mine = ofStation(s.list({}, &why), station);
    ASSERT_EQ(mine.size(), 3) << why.toStdString();
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(mine[n - 1].sn, QString::number(n));
        EXPECT_EQ(mine[n - 1].startedAt, sample(station, n).startedAt);
        EXPECT_EQ(mine[n - 1].valuesJson, sample(station, n).valuesJson);
        EXPECT_EQ(mine[n - 1].detail, sample(station, n).detail);
    }
    EXPECT_EQ(ofStation(s.list(QDateTime(QDate(2026, 12, 3), QTime(0, 0), QTimeZone::utc()), &why), station).size(), 2);
    const auto csv = SplitCsv(QString::fromUtf8(RecordsCsv(mine)), ',', &why);
    ASSERT_EQ(csv.size(), 4);
    EXPECT_EQ(csv[0].fields.value(10), "values");
    EXPECT_EQ(csv[3].fields.value(10), mine[2].valuesJson);
    EXPECT_EQ(csv[3].fields.value(13), mine[2].detail);
}

} // namespace

TEST(Records, SqliteKeepsEveryRowAndExportsThem)
{
    QTemporaryDir dir;
    roundTrip(dir.filePath("records.db"));
}

TEST(Records, PostgresqlServerKeepsTheSameTable)
{
    const QString url = qEnvironmentVariable("DTU_TEST_PG");
    if (url.isEmpty())
        GTEST_SKIP() << "DTU_TEST_PG is not set (scripts/test.sh starts a server and sets it)";
    roundTrip(url);
}

// Eight processes appending at once lose nothing.
TEST(Records, ConcurrentWritersLoseNothing)
{
    QTemporaryDir dir;
    const QString db = dir.filePath("records.db");
    {
        RecordStore first; // the table exists before the writers start, as after any first run
        QString why;
        ASSERT_TRUE(first.open(db, &why)) << why.toStdString();
    }
    std::vector<pid_t> kids;
    for (int k = 0; k < 8; ++k) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failed = 0;
            {
                RecordStore s;
                QString why;
                failed = !s.open(db, &why);
                for (int n = 0; n < 25 && !failed; ++n)
                    failed = !s.append(sample(QStringLiteral("w%1").arg(k), n), &why);
            }
            _exit(failed);
        }
        kids.push_back(pid);
    }
    for (pid_t pid : kids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RecordStore s;
    QString why;
    ASSERT_TRUE(s.open(db, &why));
    const QList<ProvisionRecord> all = s.list({}, &why);
    EXPECT_EQ(all.size(), 200) << why.toStdString();
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(ofStation(all, QStringLiteral("w%1").arg(k)).size(), 25);
}

// ---- the batch run against the simulated module ------------------------------------------

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class Provision : public SimDirTest {
protected:
    // A template read from a module as it leaves the factory.
    void SetUp() override
    {
        SimDirTest::SetUp();
        Sim sim({"--command-state"});
        ASSERT_FALSE(sim.port.isEmpty());
        ASSERT_EQ(batch({"get-all", "--port", sim.port, "--ini", path("tpl.ini")}).code, 0);
    }
    BatchRun provision(const QString &port, const QStringList &more = {})
    {
        return batch(QStringList{"provision", "--port", port, "--ini", path("tpl.ini"), "--records", path("rec.db"),
                                 "--station", "bench"} + more);
    }
    QList<ProvisionRecord> records()
    {
        RecordStore s;
        QString why;
        EXPECT_TRUE(s.open(path("rec.db"), &why)) << why.toStdString();
        return s.list({}, &why);
    }
};

TEST_F(Provision, EachKeyFindsTheModulesOwnRowAndTheRunIsRecorded)
{
    const char *const keys[][2] = {{"IMEI", "860123456789012"}, {"SN", "0123456789ABCDEF"}, {"ICCID", "89860012345678901234"}};
    for (const auto &[column, key] : keys) {
        Sim sim({"--command-state", "--dump-params", path("dump.txt")});
        ASSERT_FALSE(sim.port.isEmpty());
        writeFile(path("values.csv"), QByteArray(column) + ";REGID;CLOUD\r\nother;x;a,b\r\n" + key + ";DEV-" + column +
                                          ";\"id-1,code-1\"\r\n");
        const BatchRun r = provision(sim.port, {"--values", path("values.csv")});
        EXPECT_EQ(r.code, 0) << column << r.out.right(1500).toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(" 0 differ")) << column;
        sim.stop();
        const auto dump = readDump(path("dump.txt"));
        EXPECT_EQ(dump.value("REGID"), "DEV-" + QByteArray(column));
        EXPECT_EQ(dump.value("CLOUD"), "id-1,code-1");
    }
    const QList<ProvisionRecord> rec = records();
    ASSERT_EQ(rec.size(), 3);
    EXPECT_EQ(rec[0].outcome, "done");
    EXPECT_EQ(rec[0].imei, "860123456789012");
    EXPECT_EQ(rec[0].sn, "0123456789ABCDEF");
    EXPECT_EQ(rec[0].station, "bench");
    EXPECT_EQ(rec[0].templateName, "tpl.ini");
    EXPECT_EQ(rec[0].templateSha256.size(), 64);
    EXPECT_EQ(rec[2].valuesJson, "{\"CLOUD\":\"id-1,code-1\",\"REGID\":\"DEV-ICCID\"}");
}

TEST_F(Provision, EveryWayARunFailsIsRecordedAndNothingIsWrittenWithoutValues)
{
    writeFile(path("values.csv"), "IMEI,REGID\n860000000000001,X\n");
    writeFile(path("bad.csv"), "IMEI,REGID\n1,a\n1,b\n");
    const struct {
        const char *name;
        QStringList sim;
        QString csv;
        int code;
        const char *outcome, *says;
    } cases[] = {
        {"no row", {"--command-state"}, path("values.csv"), 9, "no-values", "no values for IMEI 860123456789012"},
        {"refused", {"--command-state", "--refuse", "STMSG"}, {}, 5, "refused", "+ERR:"},
        {"silent", {"--ignore", "100000"}, {}, 4, "no-answer", "does not answer"},
        {"bad values", {"--command-state"}, path("bad.csv"), 2, "file-unusable", "line 3, column 1: duplicate key"},
    };
    for (const auto &c : cases) {
        Sim sim(c.sim + QStringList{"--dump-params", path("dump.txt")});
        ASSERT_FALSE(sim.port.isEmpty());
        const BatchRun r = provision(sim.port, c.csv.isEmpty() ? QStringList{"--timeout", "40"}
                                                               : QStringList{"--values", c.csv});
        EXPECT_EQ(r.code, c.code) << c.name << r.err.toStdString();
        EXPECT_TRUE((r.out + r.err).contains(QLatin1String(c.says))) << c.name << r.err.toStdString();
        if (c.code == 9 || c.code == 2) { // nothing went to the module
            EXPECT_FALSE(r.out.contains("AT+REGID=") || r.out.contains("AT+WKMOD=")) << c.name;
        }
    }
    const QList<ProvisionRecord> rec = records();
    ASSERT_EQ(rec.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rec[i].outcome, cases[i].outcome) << cases[i].name;
        EXPECT_EQ(rec[i].exitCode, cases[i].code) << cases[i].name;
        EXPECT_FALSE(rec[i].detail.isEmpty() && cases[i].code != 5) << cases[i].name;
    }
    EXPECT_EQ(rec[0].imei, "860123456789012"); // the identity read before the values were looked up
}
