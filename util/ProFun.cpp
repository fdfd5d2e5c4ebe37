#include "util/ProFun.h"

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isGap(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

} // namespace

QByteArray StrToHexStr(const QByteArray &text, const QByteArray &sep)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(text.size() * (2 + sep.size()));
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        out.append(digits[u >> 4]);
        out.append(digits[u & 0x0F]);
        out.append(sep);
    }
    return out;
}

QByteArray HexStrToStr(const QByteArray &hex)
{
    const qsizetype n = hex.size() / 2;
    QByteArray out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const int hi = hexDigit(hex[2 * i]);
        const int lo = hexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return hex;
        out.append(static_cast<char>((hi << 4) | lo));
    }
    return out;
}

QByteArray DelSpace(const QByteArray &text)
{
    QByteArray out(text);
    out.replace(' ', QByteArray());
    return out;
}

QByteArray DelLineBreak(const QByteArray &text)
{
    QByteArray out(text);
    out.replace("\r\n", QByteArray());
    return out;
}

QByteArray DelQuote(const QByteArray &text)
{
    QByteArray out(text);
    out.replace('"', QByteArray());
    return out;
}

QList<QByteArray> SplitComma(const QByteArray &text)
{
    QList<QByteArray> items;
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto skipGaps = [&] {
        while (p < n && isGap(text[p]))
            ++p;
    };
    skipGaps();
    while (p < n) {
        QByteArray item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item.append('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item.append(text[p++]);
            }
        } else {
            while (p < n && text[p] != ',' && !isGap(text[p]))
                item.append(text[p++]);
        }
        items.append(item);
        skipGaps();
        if (p < n && text[p] == ',') {
            if (p == n - 1)
                items.append(QByteArray());
            ++p;
            skipGaps();
        }
    }
    return items;
}

int CountSubStr(const QString &pattern, const QString &text)
{
    const qsizetype m = pattern.size();
    if (m == 0)
        return 0;
    int count = 0;
    qsizetype p = 0;
    while (p <= text.size() - m) {
        if (text[p] != pattern[0]) {
            ++p;
            continue;
        }
        qsizetype k = 1;
        while (k < m && text[p + k] == pattern[k])
            ++k;
        p += k;
        if (k == m)
            ++count;
    }
    return count;
}

static const char *const kSignNames[] = {"HdUnknown", "Hd510", "Hd511", "Hd521"};

QByteArray HdVerSignToStr(THdVerSign sign)
{
    const auto i = static_cast<unsigned>(sign);
    return i < 4 ? QByteArray(kSignNames[i]) : QByteArray(kSignNames[0]);
}

std::optional<THdVerSign> StrToHdVerSign(const QByteArray &name)
{
    for (unsigned i = 0; i < 4; ++i)
        if (name.compare(kSignNames[i], Qt::CaseInsensitive) == 0)
            return static_cast<THdVerSign>(i);
    return std::nullopt;
}

uint16_t XModemCRC16(const uint8_t *bytes, uint8_t start, uint8_t count)
{
    uint16_t crc = 0;
    for (unsigned i = 0; i < count; ++i) {
        crc ^= static_cast<uint16_t>(bytes[start + i]) << 8;
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

QByteArray BytesToHexStr(const uint8_t *bytes, int count)
{
    if (count <= 0)
        return {};
    return StrToHexStr(QByteArray(reinterpret_cast<const char *>(bytes), count), QByteArray());
}

QByteArray BytesToStr(const uint8_t *bytes, int count)
{
    if (count <= 0)
        return {};
    return QByteArray(reinterpret_cast<const char *>(bytes), count);
}
