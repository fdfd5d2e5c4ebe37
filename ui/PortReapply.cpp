#include "ui/PortReapply.h"

#include "ui/PortBar.h"

#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>

PortReapply::PortReapply(PortBar &bar, std::function<bool()> isOpen, std::function<void()> reopen)
    : QObject(&bar), bar_(bar), isOpen_(std::move(isOpen)), reopen_(std::move(reopen))
{
    // Any rate the serial line takes can be typed; the list keeps the usual ones.
    bar.cbbOpenBaud->setEditable(true);
    bar.cbbOpenBaud->setInsertPolicy(QComboBox::NoInsert);
    bar.cbbOpenBaud->lineEdit()->setValidator(new QIntValidator(50, 4000000, bar.cbbOpenBaud));
    // Room for the longest rate (seven digits) in any theme: an edit's frame is wider than a list's.
    bar.cbbOpenBaud->setMinimumContentsLength(7);
    bar.cbbOpenBaud->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    bar.cbbOpenBaud->setSizePolicy(QSizePolicy::Minimum, bar.cbbOpenBaud->sizePolicy().verticalPolicy());
    for (QComboBox *c : {bar.cbbOpenBaud, bar.cbbOpenP, bar.cbbOpenD, bar.cbbOpenS, bar.cbbOpenFlow})
        connect(c, &QComboBox::activated, this, &PortReapply::changed);
    connect(bar.cbbOpenBaud->lineEdit(), &QLineEdit::editingFinished, this, &PortReapply::changed);
}

void PortReapply::changed()
{
    if (isOpen_())
        reopen_();
}
