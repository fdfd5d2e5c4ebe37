#include "protocol/Timings.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

bool ParseTimings(const QString &text, TProtocolTimings *out, QString *error)
{
    TProtocolTimings t = *out;
    const struct {
        const char *name;
        int TProtocolTimings::*field;
    } keys[] = {{"answer", &TProtocolTimings::answerMs},
                {"repair", &TProtocolTimings::repairMs},
                {"watch", &TProtocolTimings::commandWatchMs},
                {"first", &TProtocolTimings::firstAnswerMs}};
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = item.section(QLatin1Char('='), 0, 0).trimmed();
        bool ok = false;
        const int ms = item.section(QLatin1Char('='), 1).trimmed().toInt(&ok);
        auto key = std::find_if(std::begin(keys), std::end(keys), [&](const auto &k) { return name == QLatin1String(k.name); });
        // The first wait may be off (0); every other wait needs time for an answer to come.
        const int least = name == QLatin1String("first") ? 0 : 1;
        if (key == std::end(keys) || !ok || ms < least || ms > 600000) {
            if (error)
                *error = QStringLiteral("'%1' is no timing (answer, repair, watch, first = milliseconds)").arg(item);
            return false;
        }
        t.*(key->field) = ms;
    }
    *out = t;
    return true;
}
