#include "ui/HexInput.h"

#include <QRegularExpression>

std::optional<QByteArray> ParseHexPairs(const QString &text, QString *bad)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression pairs(QStringLiteral("^(?:[0-9A-Fa-f]{2})+$"));
    QByteArray out;
    for (const QString &group : text.split(blanks, Qt::SkipEmptyParts)) {
        if (!pairs.match(group).hasMatch()) {
            if (bad)
                *bad = group;
            return std::nullopt;
        }
        out += QByteArray::fromHex(group.toLatin1());
    }
    return out;
}
