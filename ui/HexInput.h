#pragma once
// The send box read as hexadecimal: byte pairs such as "41 54 0D 0A" or
// "4154 0d0a"; blanks and line breaks may stand between pairs, not inside one.
#include <QByteArray>
#include <QString>
#include <optional>

// The bytes, or nothing when any group is not whole hexadecimal pairs; *bad then
// holds the first such group.
std::optional<QByteArray> ParseHexPairs(const QString &text, QString *bad = nullptr);
