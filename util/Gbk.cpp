#include "util/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QString toUnicode(const QByteArray &bytes)
{
    // A fresh decoder per call: no state may carry over from another text.
    QStringDecoder dec("GBK");
    if (!dec.isValid())
        return QString::fromLatin1(bytes);
    QString s = dec.decode(bytes);
    return s;
}

QByteArray fromUnicode(const QString &text)
{
    QStringEncoder enc("GBK");
    if (!enc.isValid())
        return text.toLatin1();
    QByteArray b = enc.encode(text);
    return b;
}

} // namespace gbk

bool SameTextNoCase(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; };
    const qsizetype n = a.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (gbk::isLeadByte(static_cast<unsigned char>(a.at(i))) && i + 1 < n) {
            if (a.at(i) != b.at(i) || a.at(i + 1) != b.at(i + 1))
                return false;
            ++i;
            continue;
        }
        if (lower(a.at(i)) != lower(b.at(i)))
            return false;
    }
    return true;
}
