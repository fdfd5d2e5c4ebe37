#include "protocol/FinalLine.h"

#include "protocol/Dispatcher.h"

#include <QByteArray>

namespace {

// "+ERR:" and at least one digit right before the tail.
bool endsWithRefusal(QByteArrayView b, qsizetype tail)
{
    qsizetype i = b.size() - tail;
    const qsizetype digitsEnd = i;
    while (i > 0 && b.at(i - 1) >= '0' && b.at(i - 1) <= '9')
        --i;
    return i < digitsEnd && b.first(i).endsWith(QByteArrayView(kErrMarker));
}

} // namespace

bool EndsWithFinalLine(QByteArrayView b)
{
    if (!b.endsWith("\r\n"))
        return false;
    if (endsWithRefusal(b, 2) || (b.endsWith("\r\n\r\n") && endsWithRefusal(b, 4)))
        return true;
    // A query's answer ends in its blank line and OK, a setting's OK in a blank
    // line; an OK that is not yet an answer (the blank line still to come) waits.
    if (!b.endsWith("\r\n\r\nOK\r\n") && !b.endsWith(kPlainOk))
        return false;
    return IsAnswer(b.toByteArray());
}
