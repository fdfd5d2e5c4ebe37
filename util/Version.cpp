#include "util/Version.h"

#include <QList>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#ifndef DTU_VERSION_TEXT
#define DTU_VERSION_TEXT ""
#endif

QString GetAppVersion()
{
    return QStringLiteral(DTU_VERSION_TEXT);
}

namespace {

// Decimal 64-bit integer with an optional sign, nothing else.
bool parseInt64(const QByteArray &s, int64_t &out)
{
    if (s.isEmpty())
        return false;
    const char *b = s.constData();
    const char *e = b + s.size();
    if (*b == '+')
        ++b;
    if (b == e)
        return false;
    auto r = std::from_chars(b, e, out);
    return r.ec == std::errc() && r.ptr == e;
}

} // namespace

int64_t VersionToNumber(const QByteArray &text)
{
    QByteArray t(text);
    t.replace(' ', QByteArray());
    QList<QByteArray> parts;
    QByteArray cur;
    for (char c : t) {
        if (c == '.' || c == '\r' || c == '\n') {
            if (!cur.isEmpty())
                parts.append(cur);
            cur.clear();
        } else {
            cur.append(c);
        }
    }
    if (!cur.isEmpty())
        parts.append(cur);

    const qsizetype n = parts.size();
    long double sum = 0;
    for (qsizetype i = 0; i < n; ++i) {
        QByteArray p = parts[i];
        qsizetype k = 0;
        while (k < p.size() && (p[k] == 'V' || p[k] == 'v'))
            ++k;
        p = p.mid(k);
        int64_t v = 0;
        if (!parseInt64(p, v) || v < 0)
            return -1;
        sum += static_cast<long double>(v) * std::pow(100.0L, static_cast<long double>(n - 1 - i));
    }
    // Fifteen significant digits: anything from 1e15 on would print in
    // exponent form and is no number.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15Lg", sum);
    int64_t out = 0;
    const std::string s(buf);
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
        return -1;
    return out;
}
