#include "util/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <memory>

namespace gbk {

namespace {

// Built once from Qt's own codec: every byte sequence that decodes to one
// character and encodes back to the same bytes. Everything else is escaped,
// so the codec's replacement characters and dropped lead bytes never appear.
struct Tables {
    std::array<char16_t, 128> single{};              // 0x80..0xFF alone; 0 = none
    std::array<char16_t, 127 * 256> pair{};          // [lead-0x80][trail]; 0 = none
    std::array<quint16, 65536> encode{};             // char -> bytes (1 or 2), 0 = none

    Tables()
    {
        QStringDecoder dec("GBK");
        QStringEncoder enc("GBK");
        if (!dec.isValid() || !enc.isValid())
            return; // everything from 0x80 up is then escaped: still lossless
        auto roundTrips = [&dec, &enc](const QByteArray &bytes, char16_t *out) {
            dec.resetState();
            const QString s = dec.decode(bytes);
            if (dec.hasError() || s.size() != 1 || s.at(0).unicode() == 0xFFFD || s.at(0).isSurrogate())
                return false;
            const char16_t u = s.at(0).unicode();
            if (u < 0x80 || (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF))
                return false;
            enc.resetState();
            const QByteArray back = enc.encode(s);
            if (enc.hasError() || back != bytes)
                return false;
            *out = u;
            return true;
        };
        for (int b = 0x80; b <= 0xFF; ++b) {
            char16_t u = 0;
            // A lone byte that only maps into the private-use area (0xFF) is
            // binary, not text: escaping it lets the console spell it.
            if (roundTrips(QByteArray(1, char(b)), &u) && !(u >= 0xE000 && u <= 0xF8FF)) {
                single[b - 0x80] = u;
                encode[u] = quint16(b);
            }
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                char16_t u = 0;
                const char raw[2] = {char(lead), char(trail)};
                if (trail != 0x7F && roundTrips(QByteArray(raw, 2), &u) && encode[u] == 0) {
                    pair[(lead - 0x80) * 256 + trail] = u;
                    encode[u] = quint16(lead << 8 | trail);
                }
            }
        }
    }
};

const Tables &tables()
{
    static const auto t = std::make_unique<Tables>();
    return *t;
}

} // namespace

QString toUnicode(const QByteArray &bytes)
{
    const Tables &t = tables();
    QString out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        if (b < 0x80) {
            out.append(QChar(char16_t(b)));
            continue;
        }
        if (isLeadByte(b) && i + 1 < n) {
            const auto trail = static_cast<unsigned char>(bytes.at(i + 1));
            if (const char16_t u = t.pair[(b - 0x80) * 256 + trail]) {
                out.append(QChar(u));
                ++i;
                continue;
            }
        }
        const char16_t u = t.single[b - 0x80];
        out.append(QChar(u ? u : char16_t(kEscapeBase + b)));
    }
    return out;
}

QByteArray fromUnicode(const QString &text)
{
    const Tables &t = tables();
    QByteArray out;
    out.reserve(text.size() * 2);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u < 0x80) {
            out.append(char(u));
        } else if (isEscaped(c)) {
            out.append(char(escapedByte(c)));
        } else if (const quint16 code = t.encode[u]) {
            if (code > 0xFF)
                out.append(char(code >> 8));
            out.append(char(code & 0xFF));
        } else {
            // One '?' per character, also for a surrogate pair.
            if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate())
                ++i;
            out.append('?');
        }
    }
    return out;
}

QString spellEscapes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (isEscaped(c))
            out += QLatin1String("\\x") + QString::number(escapedByte(c), 16).toUpper(); // always two digits
        else
            out += c;
    }
    return out;
}

bool looksUtf8(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return true;
    const bool high = std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!high)
        return false;
    // Stateless: a sequence cut off at the end is an error, not a character to come.
    QStringDecoder dec(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString s = dec.decode(bytes);
    return !dec.hasError() && !s.contains(QChar(0xFFFD)) && !isGb2312Text(bytes);
}

bool isGb2312Text(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes.at(i)) < 0x80)
            continue;
        if (i + 1 >= bytes.size() || static_cast<unsigned char>(bytes.at(i)) < 0xA1 ||
            static_cast<unsigned char>(bytes.at(i + 1)) < 0xA1)
            return false;
        const QString c = toUnicode(bytes.mid(i, 2));
        if (c.size() != 1 || (c.at(0).unicode() >= 0xE000 && c.at(0).unicode() <= 0xF8FF))
            return false; // no character, or one of the user-defined (private-use) area
        ++i;
    }
    return true;
}

QString toDisplay(const QByteArray &bytes) { return spellEscapes(toUnicode(bytes)); }

QString toTerminal(const QByteArray &bytes)
{
    QByteArray lines(bytes);
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    const QString shown = toDisplay(lines);
    QString out;
    out.reserve(shown.size());
    for (const QChar c : shown) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\n' && u != '\t') || u == 0x7F)
            out += QStringLiteral("\\x") + QString::number(int(u) | 0x100, 16).right(2).toUpper();
        else
            out += c;
    }
    return out;
}

} // namespace gbk

bool SameTextNoCase(const QByteArray &a, const QByteArray &b)
{
    const auto ascii = [](const QByteArray &t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (ascii(a) && ascii(b))
        return a.compare(b, Qt::CaseInsensitive) == 0;
    // Double-byte letters fold too: full-width Latin, Greek, Cyrillic.
    return gbk::toUnicode(a).compare(gbk::toUnicode(b), Qt::CaseInsensitive) == 0;
}
