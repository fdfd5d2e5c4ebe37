#pragma once
// Random text drawn from every character of GBK (those whose bytes are also valid
// UTF-8 included), for property tests of files and forms.
#include "util/Gbk.h"

#include <QByteArray>
#include <QList>

#include <random>

// Every double-byte GBK character, as its two bytes.
inline const QList<QByteArray> &AllGbkCharacters()
{
    static const QList<QByteArray> all = [] {
        QList<QByteArray> out;
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const char raw[2] = {char(lead), char(trail)};
                const QString s = gbk::toUnicode(QByteArray(raw, 2));
                if (s.size() == 1 && !gbk::isEscaped(s.at(0)))
                    out.append(QByteArray(raw, 2));
            }
        return out;
    }();
    return all;
}

// Up to maxBytes of GBK characters, printable ASCII (blanks inside only when
// `blanks`), and now and then a byte that is no GBK at all; never a control byte.
inline QByteArray RandomGbkText(std::mt19937 &rng, int minBytes, int maxBytes, bool blanks = true, bool commas = true)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const QList<QByteArray> &all = AllGbkCharacters();
    const int len = pick(minBytes, maxBytes);
    QByteArray out;
    while (out.size() < len) {
        const int kind = pick(0, 9);
        if (kind < 5 && out.size() + 2 <= len) {
            out += all.at(pick(0, int(all.size()) - 1));
        } else if (kind == 5) {
            out += char(QByteArray("\xA1\xD6\x80\xFF\xFE").at(pick(0, 4)));
        } else {
            char c = char(pick(0x21, 0x7E));
            if ((c == ',' && !commas) || c == '"' || c == '\'')
                c = '_';
            out += (blanks && pick(0, 7) == 0 && !out.isEmpty() && out.size() + 1 < len) ? ' ' : c;
        }
    }
    return out;
}
