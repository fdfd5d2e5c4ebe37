#pragma once
// The numeric fields of the form and the ranges the module takes for them. Typing past
// the top of a range is refused (a TypingLimit, digits only); a value outside its range,
// typed or set by the program (the module's answer, the configuration file), is kept and
// shown as it is, with a red frame. The range stands in the field's hint.
#include <QString>

#include <span>

class QLineEdit;
class QWidget;

struct FieldRange {
    const char *field; // objectName of the line edit
    int min;
    int max;
};

std::span<const FieldRange> FieldRanges();

// Installs the limits and the frame on the fields of form (missing fields are skipped).
void GuardFieldRanges(QWidget *form);
// The hints ("Range 1 to 65535") in the current language.
void ApplyRangeHints(QWidget *form);
// Whether the field's text is a number outside its range, or no number (an empty field is neither).
bool IsOutOfRange(const QLineEdit *edit, const FieldRange &range);
// The frame's rule, for the window's style sheet.
QString OutOfRangeStyleRule();
