#include "app/BatchVerify.h"

#include <QSet>

bool SameValue(const QByteArray &word, const QByteArray &a, const QByteArray &b)
{
    static const QSet<QByteArray> itemLists = {"UART", "SOCKA", "SOCKB", "SOCKC", "SOCKD", "HTPTP"};
    return itemLists.contains(word) ? a.compare(b, Qt::CaseInsensitive) == 0 : a == b;
}

QList<Difference> VerifyDifferences(const QList<TSetting> &filePlan,
                                    const std::function<bool(const QByteArray &word)> &held,
                                    const TOpOutcome &module)
{
    QList<Difference> out;
    for (const TSetting &s : filePlan) {
        const QByteArray word = CmdToStr(s.cmd);
        if (s.skip == TSkip::NoItem || !held(word))
            continue;
        Difference d{word, std::nullopt, s.value, s.skip == TSkip::None, SkipReason(s)};
        if (const auto it = module.answers.constFind(word); it != module.answers.constEnd()) {
            if (SameValue(word, *it, s.value))
                continue;
            d.module = *it;
        } else {
            d.why = module.refused.contains(word) ? "the module refused the query" : "no answer from the module";
        }
        out.append(d);
    }
    return out;
}
