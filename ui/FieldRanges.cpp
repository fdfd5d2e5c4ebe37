#include "ui/FieldRanges.h"

#include "lang/AppLang.h"
#include "ui/FieldGuards.h"

#include <QLineEdit>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace {

// Ports are those of TCP and UDP; time-outs, the heartbeat interval and the packing
// time and length are the module's own limits.
constexpr FieldRange kRanges[] = {
    {"edtPortA", 1, 65535},   {"edtPortB", 1, 65535},   {"edtPortC", 1, 65535}, {"edtPortD", 1, 65535},
    {"edtHTPSVPort", 1, 65535}, {"edtSockATo", 0, 600}, {"edtSockBTo", 0, 600},  {"edtSockCTo", 0, 600},
    {"edtSockDTo", 0, 600},   {"edtHtpTo", 1, 600},     {"edtHeartTm", 1, 65535}, {"edtUARTFT", 10, 60000},
    {"edtUARTFL", 1, 4096},
};

constexpr const char *kProperty = "outOfRange";

QLineEdit *fieldOf(QWidget *form, const FieldRange &r)
{
    return form->findChild<QLineEdit *>(QString::fromLatin1(r.field));
}

void showRange(QLineEdit *edit, const FieldRange &r)
{
    const bool out = IsOutOfRange(edit, r);
    if (edit->property(kProperty).toBool() == out)
        return;
    edit->setProperty(kProperty, out);
    edit->style()->unpolish(edit);
    edit->style()->polish(edit);
}

} // namespace

std::span<const FieldRange> FieldRanges() { return kRanges; }

bool IsOutOfRange(const QLineEdit *edit, const FieldRange &range)
{
    const QString t = edit->text();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    const bool digits = std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return !ok || !digits || v < range.min || v > range.max;
}

QString OutOfRangeStyleRule() { return QStringLiteral("QLineEdit[outOfRange=\"true\"] { border: 2px solid #e00000; }"); }

void GuardFieldRanges(QWidget *form)
{
    for (const FieldRange &r : kRanges) {
        QLineEdit *edit = fieldOf(form, r);
        if (!edit)
            continue;
        LimitTyping(edit, -1, true, r.max);
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, r] { showRange(edit, r); });
        showRange(edit, r);
    }
}

void ApplyRangeHints(QWidget *form)
{
    for (const FieldRange &r : kRanges)
        if (QLineEdit *edit = fieldOf(form, r))
            edit->setToolTip(LangTextU("hint_FieldRange").arg(r.min).arg(r.max));
}
