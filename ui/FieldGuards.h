#pragma once
// Fields that change only when the user means it.
//
// TypingLimit: a length, a set of characters and a highest number for what the user
// types into a line edit. Text the program puts there (an answer of the module, the
// configuration file) is never cut or refused, and the user may still shorten or edit
// such a text: an edit is refused only when it makes the text longer than both the limit
// and the last text the program set, adds a character that is not allowed, or makes the
// number larger than both the highest and the number the program set.
//
// SlotField: the registration-data field, a combo box whose items are the stored
// values of the five registration types. It is edited as a text field; the shown slot
// is chosen by the registration type alone, so no key, wheel turn, drop-down or typed
// text that equals another slot switches it.
#include <QComboBox>
#include <QValidator>

class QLineEdit;

class TypingLimit : public QValidator {
public:
    // maxChars < 0: any length; maxValue < 0: any number.
    TypingLimit(QLineEdit *edit, int maxChars, bool digitsOnly, qint64 maxValue = -1);
    State validate(QString &input, int &pos) const override;

private:
    QLineEdit *m_edit;
    QString m_before;       // the text as it stood before the edit being checked
    qsizetype m_room = 0;   // length of the last text the program set
    qint64 m_setValue = -1; // its number, if it was one
    int m_max;
    bool m_digits;
    qint64 m_maxValue;
};

// Installs a TypingLimit on edit (owned by the edit).
void LimitTyping(QLineEdit *edit, int maxChars, bool digitsOnly = false, qint64 maxValue = -1);

class SlotField : public QComboBox {
public:
    explicit SlotField(QWidget *parent = nullptr);
    void showPopup() override {}

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
};
