#include "protocol/OrderList.h"

#include <limits>

QByteArray BareLine(const QByteArray &text)
{
    return "AT+" + text + LineEnd;
}

QByteArray QueryLine(TCmd c)
{
    return BareLine(CmdToStr(c) + '?');
}

QByteArray SettingLine(const QByteArray &word, const QByteArray &value)
{
    return BareLine(word + '=' + value);
}

QByteArray WordOfLine(const QByteArray &line)
{
    if (!line.startsWith("AT+"))
        return {};
    qsizetype end = 3;
    while (end < line.size() && line[end] != '=' && line[end] != '?' && line[end] != '\r'
           && line[end] != '\n')
        ++end;
    return line.mid(3, end - 3);
}

void OrderList::ClearOrders()
{
    lines.clear();
    OrderIndex = 0;
    refused.clear();
    answers.clear();
    accepted.clear();
}

QList<QByteArray> OrderList::Unanswered() const
{
    QList<QByteArray> out;
    for (const QByteArray &line : lines) {
        if (!line.endsWith("?" + LineEnd))
            continue;
        const QByteArray word = WordOfLine(line).toUpper();
        if (!word.isEmpty() && !answers.contains(word) && !refused.contains(word) && !out.contains(word))
            out.append(word);
    }
    return out;
}

TOpOutcome OrderList::Outcome(TBulkMode bulk, TOpEnd end) const
{
    TOpOutcome o;
    o.bulk = bulk;
    o.end = end;
    o.refused = refused;
    o.unread = Unanswered();
    o.answers = answers;
    o.accepted = accepted;
    return o;
}

void OrderList::NoteRefused()
{
    const QByteArray word = WordOfLine(GetOrder(OrderIndex));
    if (!word.isEmpty() && !refused.contains(word))
        refused.append(word);
}

void OrderList::NoteAccepted()
{
    const QByteArray line = GetOrder(OrderIndex);
    const QByteArray word = WordOfLine(line).toUpper();
    if (!word.isEmpty() && line.contains('=') && !accepted.contains(word))
        accepted.append(word);
}

void OrderList::AddOrder(const QByteArray &line)
{
    lines.append(line);
}

void OrderList::AddAtOrder(const QByteArray &text)
{
    lines.append(BareLine(text));
}

void OrderList::AddQuery(TCmd c)
{
    AddAtOrder(CmdToStr(c) + '?');
}

void OrderList::AddSetting(const QByteArray &word, const QByteArray &value)
{
    lines.append(SettingLine(word, value));
}

void OrderList::AddSetting(TCmd c, const QByteArray &value)
{
    AddSetting(CmdToStr(c), value);
}

QByteArray OrderList::GetOrder(qsizetype i) const
{
    return (i >= 0 && i < lines.size()) ? lines.at(i) : QByteArray();
}

void OrderList::InsertPPPA()
{
    // Past the end every position reads as an empty line; repair at the end
    // rather than insert beyond it.
    if (OrderIndex > count())
        OrderIndex = count();
    if (OrderIndex < 0)
        OrderIndex = 0;
    if (GetOrder(OrderIndex) == kPPP)
        return;
    lines.insert(OrderIndex, kPPP);
    if (GetOrder(OrderIndex + 1) != kEntryA)
        lines.insert(OrderIndex + 1, kEntryA);
}

void OrderList::Advance()
{
    if (OrderIndex < std::numeric_limits<int32_t>::max())
        ++OrderIndex;
}
