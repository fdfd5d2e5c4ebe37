#include "ui/RefusalMarks.h"

#include "protocol/Protocol.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QWidget>

namespace {

constexpr const char *kProperty = "refused";

} // namespace

RefusalMarks::RefusalMarks(QWidget *form, Protocol &protocol) : QObject(form), m_protocol(protocol)
{
    setObjectName(QStringLiteral("refusalMarks"));
    if (!form->styleSheet().contains(styleRule()))
        form->setStyleSheet(form->styleSheet() + styleRule());
    connect(&protocol, &Protocol::paramsRefused, this, [this](const QList<QByteArray> &w) { mark(w); });
    // A word Get All could not read holds no value of the module's either.
    connect(&protocol, &Protocol::paramsUnread, this, [this](const QList<QByteArray> &w) { mark(w); });
    connect(&protocol, &Protocol::paramApplied, this, [this](TCmd c) { clear(c); });
}

QString RefusalMarks::styleRule()
{
    return QStringLiteral("*[refused=\"true\"] { border: 2px solid #e00000; }");
}

void RefusalMarks::mark(const QList<QByteArray> &words)
{
    for (const QByteArray &word : words) {
        const std::optional<TCmd> c = StrToCmd(word);
        if (!c)
            continue;
        const QList<QWidget *> ws = ControlsOf(m_protocol.controls(), *c);
        if (ws.isEmpty())
            continue;
        QList<QPointer<QWidget>> &held = m_marked[*c];
        for (QWidget *w : ws) {
            if (!held.contains(w))
                held.append(w);
            setFrame(w, true);
            watch(w);
        }
    }
}

void RefusalMarks::clear(TCmd c)
{
    const auto it = m_marked.find(c);
    if (it == m_marked.end())
        return;
    const QList<QPointer<QWidget>> ws = *it;
    m_marked.erase(it);
    for (QWidget *w : ws)
        if (w && !isMarked(w))
            setFrame(w, false);
}

bool RefusalMarks::isMarked(const QWidget *w) const
{
    for (const QList<QPointer<QWidget>> &ws : m_marked)
        for (const QPointer<QWidget> &p : ws)
            if (p == w)
                return true;
    return false;
}

// Only the user's own edits count; values the program writes come through
// paramApplied instead.
void RefusalMarks::watch(QWidget *w)
{
    if (m_watched.contains(w))
        return;
    m_watched.insert(w);
    connect(w, &QObject::destroyed, this, [this, w] { m_watched.remove(w); });
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        connect(e, &QLineEdit::textEdited, this, [this, w] { edited(w); });
    } else if (auto *cb = qobject_cast<QComboBox *>(w)) {
        connect(cb, &QComboBox::activated, this, [this, w] { edited(w); });
        if (cb->lineEdit())
            connect(cb->lineEdit(), &QLineEdit::textEdited, this, [this, w] { edited(w); });
    } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        connect(b, &QAbstractButton::clicked, this, [this, w] { edited(w); });
    }
}

void RefusalMarks::edited(QWidget *w)
{
    for (const TCmd c : m_marked.keys())
        if (m_marked.value(c).contains(w))
            clear(c);
}

void RefusalMarks::setFrame(QWidget *w, bool on)
{
    if (w->property(kProperty).toBool() == on)
        return;
    w->setProperty(kProperty, on);
    w->style()->unpolish(w);
    w->style()->polish(w);
    w->update();
}
