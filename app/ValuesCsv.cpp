#include "app/ValuesCsv.h"

#include "ui/ConfigIo.h"
#include "util/Gbk.h"
#include "util/ProFun.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace {

bool isOnOffWord(const QByteArray &w)
{
    static const QRegularExpression re(QStringLiteral("^(SOCK[A-D]EN|SOCKIND|HEARTEN|REGEN|HTPFLT|SMSFLT|SMSPH|RFCEN|E)$"));
    return re.match(QString::fromLatin1(w)).hasMatch();
}

QStringList keywordsOf(const QByteArray &w)
{
    if (w == "WKMOD")
        return {"NET", "HTTPD", "SMS"};
    if (w.startsWith("SOCK") && w.endsWith("SL"))
        return {"SHORT", "LONG"};
    if (w == "HEARTSND")
        return {"NET", "COM"};
    if (w == "REGSND")
        return {"LINK", "DATA"};
    if (w == "REGTP")
        return {"ICCID", "IMEI", "MEID", "D2DID", "CLOUD", "USER"};
    if (w == "HTPTP")
        return {"GET", "POST"};
    return {};
}

bool digits(const QByteArray &v)
{
    return !v.isEmpty() && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether every double-byte character of a GBK reading is valid and in the
// common GB2312 rows (lead A1-F7, trail A1-FE), as a Chinese text in GBK is.
// UTF-8 Chinese read as GBK always pairs some continuation byte (80-BF) as a lead.
bool commonGbk(const QByteArray &b)
{
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar c = uchar(b[i]);
        if (c < 0x80)
            continue;
        if (i + 1 >= b.size() || c < 0xA1 || c > 0xF7 || uchar(b[i + 1]) < 0xA1 || uchar(b[i + 1]) > 0xFE)
            return false;
        ++i;
    }
    return true;
}

// A BOM decides. Otherwise a text that is not valid UTF-8 is GBK; a text valid
// both ways (short Chinese values may be) is GBK only when it reads as common
// GB2312 characters.
QString decode(const QByteArray &bytes, bool *utf8)
{
    if (bytes.startsWith(gbk::kUtf8Bom)) {
        *utf8 = true;
        return QString::fromUtf8(bytes.mid(gbk::kUtf8Bom.size()));
    }
    QStringDecoder dec(QStringDecoder::Utf8);
    const QString s = dec.decode(bytes);
    const bool high = std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; });
    *utf8 = high && !dec.hasError() && !commonGbk(bytes);
    return *utf8 ? s : gbk::toUnicode(bytes);
}

QChar separatorOf(const QString &text)
{
    // Count outside quotes on the header line.
    int commas = 0, semis = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semis;
    }
    return semis > commas ? QChar(';') : QChar(',');
}

} // namespace

std::optional<QString> ValueProblem(const QByteArray &word, const QByteArray &v)
{
    if (v.contains('\r') || v.contains('\n'))
        return QStringLiteral("a line break");
    if (isOnOffWord(word) && v != "ON" && v != "OFF")
        return QStringLiteral("'%1' is neither ON nor OFF").arg(gbk::toDisplay(v));
    if (const QStringList k = keywordsOf(word); !k.isEmpty() && !k.contains(QString::fromLatin1(v)))
        return QStringLiteral("'%1' is none of %2").arg(gbk::toDisplay(v), k.join('/'));
    static const QSet<QByteArray> numbers = {"SOCKATO", "SOCKBTO", "SOCKCTO", "SOCKDTO", "HEARTTM", "UARTFT", "UARTFL", "HTPTO"};
    if (numbers.contains(word) && !digits(v))
        return QStringLiteral("'%1' is no number").arg(gbk::toDisplay(v));
    const QList<QByteArray> f = SplitComma(v);
    const bool sock = word.size() == 5 && word.startsWith("SOCK");
    const int want = sock ? 3 : word == "HTPSV" || word == "CLOUD" ? 2 : word == "UART" ? 5 : 0;
    if (want && f.size() != want)
        return QStringLiteral("'%1' needs %2 comma-separated fields").arg(gbk::toDisplay(v)).arg(want);
    if ((sock || word == "HTPSV") && !digits(f.last()))
        return QStringLiteral("port '%1' is no number").arg(gbk::toDisplay(f.last()));
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if ((word == "HEARTDT" || word == "REGDT") && !hex.match(QString::fromLatin1(v)).hasMatch())
        return QStringLiteral("'%1' is no hexadecimal data (two digits a byte)").arg(gbk::toDisplay(v));
    return std::nullopt;
}

QList<CsvRecord> SplitCsv(const QString &text, QChar sep, QString *error)
{
    QList<CsvRecord> out;
    CsvRecord rec;
    QString field;
    bool quoted = false, wasQuoted = false;
    int line = 1;
    rec.line = 1;
    auto endField = [&] {
        rec.fields.append(field);
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        if (!(rec.fields.size() == 1 && rec.fields.first().isEmpty())) // blank lines carry nothing
            out.append(rec);
        rec = CsvRecord{};
        rec.line = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text.at(i + 1) == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                line += c == '\n';
                field += c;
            }
        } else if (c == '"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == sep) {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text.at(i + 1) == '\n')
                ++i;
            ++line;
            endRecord();
        } else if (wasQuoted) {
            *error = QStringLiteral("line %1: text after a closing quote").arg(line);
            return {};
        } else {
            field += c;
        }
    }
    if (quoted) {
        *error = QStringLiteral("line %1: a quote is never closed").arg(rec.line);
        return {};
    }
    if (!field.isEmpty() || !rec.fields.isEmpty())
        endRecord();
    return out;
}

bool ValuesCsv::parse(const QByteArray &bytes, QString *error)
{
    const QString text = decode(bytes, &utf8_);
    QString why;
    const QList<CsvRecord> records = SplitCsv(text, separatorOf(text), &why);
    if (!why.isEmpty()) {
        *error = why;
        return false;
    }
    if (records.isEmpty()) {
        *error = QStringLiteral("no header row");
        return false;
    }
    const QList<QByteArray> stored = StoredWords();
    QList<QByteArray> header;
    int keyCol = -1;
    for (int c = 0; c < records.first().fields.size(); ++c) {
        const QByteArray name = records.first().fields.at(c).trimmed().toUpper().toLatin1();
        const QString where = QStringLiteral("line %1, column %2").arg(records.first().line).arg(c + 1);
        if (name == "SN" || name == "IMEI" || name == "ICCID") {
            if (keyCol >= 0) {
                *error = QStringLiteral("%1: a second key column (%2)").arg(where, QString::fromLatin1(name));
                return false;
            }
            keyCol = c;
        } else if (!stored.contains(name)) {
            *error = QStringLiteral("%1: '%2' is no module word a configuration holds").arg(where, records.first().fields.at(c));
            return false;
        } else if (header.contains(name)) {
            *error = QStringLiteral("%1: column %2 appears twice").arg(where, QString::fromLatin1(name));
            return false;
        }
        header.append(name);
    }
    if (keyCol < 0) {
        *error = QStringLiteral("line %1: no key column (SN, IMEI or ICCID)").arg(records.first().line);
        return false;
    }
    key_ = header.at(keyCol);
    rows_.clear();
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvRecord &rec = records.at(r);
        if (rec.fields.size() != header.size()) {
            *error = QStringLiteral("line %1: %2 fields, the header has %3").arg(rec.line).arg(rec.fields.size()).arg(header.size());
            return false;
        }
        const QByteArray key = rec.fields.at(keyCol).trimmed().toLatin1();
        if (key.isEmpty() || rows_.contains(key)) {
            *error = QStringLiteral("line %1, column %2: %3 key '%4'")
                         .arg(rec.line).arg(keyCol + 1).arg(key.isEmpty() ? "empty" : "duplicate", QString::fromLatin1(key));
            return false;
        }
        ModuleValues values;
        for (int c = 0; c < header.size(); ++c) {
            if (c == keyCol)
                continue;
            const QByteArray v = gbk::fromUnicode(rec.fields.at(c));
            if (const auto problem = ValueProblem(header.at(c), v)) {
                *error = QStringLiteral("line %1, column %2 (%3): %4")
                             .arg(rec.line).arg(c + 1).arg(QString::fromLatin1(header.at(c)), *problem);
                return false;
            }
            values.append({header.at(c), v});
        }
        rows_.insert(key, values);
    }
    return true;
}

std::optional<ModuleValues> ValuesCsv::valuesFor(const QByteArray &key) const
{
    const auto it = rows_.constFind(key);
    return it == rows_.constEnd() ? std::nullopt : std::optional<ModuleValues>(*it);
}
