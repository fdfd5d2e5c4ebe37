#include "ui/FieldGuards.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include <algorithm>

namespace {

qsizetype notDigits(const QString &s)
{
    return std::count_if(s.begin(), s.end(), [](QChar c) { return c < u'0' || c > u'9'; });
}

// The number a text of digits stands for (capped, so any length compares); -1 for other text.
qint64 numberOf(const QString &s)
{
    if (s.isEmpty() || notDigits(s) > 0)
        return -1;
    qint64 v = 0;
    for (QChar c : s)
        v = std::min<qint64>(v * 10 + (c.unicode() - u'0'), qint64(1) << 40);
    return v;
}

} // namespace

TypingLimit::TypingLimit(QLineEdit *edit, int maxChars, bool digitsOnly, qint64 maxValue)
    : QValidator(edit), m_edit(edit), m_before(edit->text()), m_setValue(numberOf(edit->text())), m_max(maxChars),
      m_digits(digitsOnly), m_maxValue(maxValue)
{
    // The edit asks before it takes a change; afterwards the change is the new "before".
    // A text the program set (which leaves the edit unmodified) may keep its length
    // however the user edits it.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString &now) {
        m_before = now;
        if (!m_edit->isModified()) {
            m_room = now.size();
            m_setValue = numberOf(now);
        }
    });
}

QValidator::State TypingLimit::validate(QString &input, int &) const
{
    if (!m_edit->isModified())
        return Acceptable; // set by the program: never refused, or the next edit would go unchecked
    const bool longer = m_max >= 0 && input.size() > std::max<qsizetype>(m_max, m_room);
    const bool badChar = m_digits && notDigits(input) > notDigits(m_before);
    const bool tooLarge = m_maxValue >= 0 && numberOf(input) > std::max(m_maxValue, m_setValue);
    return longer || badChar || tooLarge ? Invalid : Acceptable;
}

void LimitTyping(QLineEdit *edit, int maxChars, bool digitsOnly, qint64 maxValue)
{
    if (edit)
        edit->setValidator(new TypingLimit(edit, maxChars, digitsOnly, maxValue));
}

SlotField::SlotField(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // A list takes the item that equals the typed text when editing ends (Enter, focus
    // out); here that would show another type's value, and Set All would send it.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);
}

void SlotField::keyPressEvent(QKeyEvent *e)
{
    // These keys move a list; Home and End reach the text, as in any field.
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_F4:
        e->accept();
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        lineEdit()->event(e);
        return;
    default:
        QComboBox::keyPressEvent(e);
    }
}

void SlotField::wheelEvent(QWheelEvent *e)
{
    e->ignore(); // the form scrolls instead
}
