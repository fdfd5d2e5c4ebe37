#include "app/BatchVerify.h"

#include "protocol/Protocol.h"
#include "util/Gbk.h"

SettingList SetAllSettings(Protocol &p)
{
    OrderList &q = p.orders();
    q.ClearOrders();
    p.AddSetAllOrders();
    SettingList out;
    for (const QByteArray &line : q.lines) {
        const qsizetype eq = line.indexOf('=');
        if (!line.startsWith("AT+") || eq < 0)
            continue;
        QByteArray value = line.mid(eq + 1);
        if (value.endsWith("\r\n"))
            value.chop(2);
        out.append({line.mid(3, eq - 3).toUpper(), value});
    }
    q.ClearOrders();
    return out;
}

QByteArray LineWord(const QByteArray &line)
{
    if (!line.startsWith("AT+"))
        return {};
    qsizetype end = 3;
    while (end < line.size() && line[end] != '=' && line[end] != '?' && line[end] != '\r')
        ++end;
    return line.mid(3, end - 3).toUpper();
}

namespace {

QString shown(const QByteArray &v)
{
    return QLatin1Char('\'') + gbk::toDisplay(v) + QLatin1Char('\'');
}

} // namespace

QStringList VerifyDifferences(const SettingList &file, const SettingList &module,
                              const QMap<QByteArray, QByteArray> &answered, const QSet<QByteArray> &refused)
{
    QMap<QByteArray, QByteArray> mod;
    for (const auto &[word, value] : module)
        mod.insert(word, value);
    QStringList out;
    for (const auto &[word, value] : file) {
        const QString w = QString::fromLatin1(word);
        if (refused.contains(word)) {
            out << QStringLiteral("%1: module refused the query, file %2").arg(w, shown(value));
            continue;
        }
        const auto m = mod.constFind(word);
        const QByteArray have = m != mod.constEnd() ? *m : answered.value(word);
        if (m == mod.constEnd() && !answered.contains(word))
            out << QStringLiteral("%1: module gave no value, file %2").arg(w, shown(value));
        else if (have != value)
            out << QStringLiteral("%1: module %2, file %3").arg(w, shown(have), shown(value));
    }
    return out;
}
