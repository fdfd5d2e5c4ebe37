#include "ui/FormFit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QScrollArea>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {

// Widens a list's drop-down to its longest item each time it opens (texts change with the language).
class PopupWidth : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show) {
            auto *view = qobject_cast<QAbstractItemView *>(o);
            auto *combo = view ? qobject_cast<QComboBox *>(parent()) : nullptr;
            if (combo) {
                const int scroll = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
                const int need = view->sizeHintForColumn(0) + 2 * view->frameWidth() + scroll;
                view->window()->setMinimumWidth(std::max(combo->width(), need));
            }
        }
        return QObject::eventFilter(o, e);
    }
};

// Lists whose items are translated texts or values of any length; short fixed lists
// (rates, parity, TCP/UDP) keep the width of their items.
bool growsWithText(const QComboBox *c)
{
    if (c->isEditable())
        return true;
    for (int i = 0; i < c->count(); ++i) {
        const QString t = c->itemText(i);
        if (t.size() > 6 || std::any_of(t.begin(), t.end(), [](QChar ch) { return ch.unicode() > 0x7f; }))
            return true;
    }
    return false;
}

} // namespace

void FitFormToPanel(QWidget *form)
{
    for (const char *name : {"advscrlbxPara", "advscrlbxBase"}) {
        auto *area = form->findChild<QScrollArea *>(QLatin1String(name));
        if (!area)
            continue;
        const auto combos = area->findChildren<QComboBox *>();
        for (QComboBox *c : combos) {
            if (!growsWithText(c))
                continue;
            c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            c->setMinimumContentsLength(6);
            // The list's cached minimum still holds its longest item; a style change recomputes it.
            c->setStyleSheet(c->styleSheet());
            c->view()->installEventFilter(new PopupWidth(c));
        }
    }
    // The registration data shows a whole cloud device id (20 characters).
    if (auto *regDt = form->findChild<QComboBox *>(QStringLiteral("cbbRegDt")))
        regDt->setMinimumContentsLength(20);
    // The serial settings' grids hold four columns side by side: narrow gaps keep them inside the panel.
    for (const char *name : {"rzgrpbxUart", "rzgrpbxMore"})
        if (auto *box = form->findChild<QWidget *>(QLatin1String(name)))
            if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
                grid->setHorizontalSpacing(3);
    // The drop-down arrow of the send-type button gets room of its own beside the caption; the
    // send-key button is an arrow already and needs no second one.
    if (auto *b = form->findChild<QToolButton *>(QStringLiteral("btnSendTpye")))
        b->setStyleSheet(QStringLiteral("QToolButton#btnSendTpye { padding-right: 18px; }"
                                        "QToolButton#btnSendTpye::menu-indicator { subcontrol-origin: padding;"
                                        " subcontrol-position: right center; right: 4px; }"));
    // The port button keeps its whole caption however crowded the bar gets.
    if (auto *b = form->findChild<QToolButton *>(QStringLiteral("btnOpenClose"))) {
        b->setMinimumWidth(0);
        b->setSizePolicy(QSizePolicy::Minimum, b->sizePolicy().verticalPolicy());
    }
    if (auto *b = form->findChild<QToolButton *>(QStringLiteral("btnSetSendKey")))
        b->setStyleSheet(QStringLiteral("QToolButton#btnSetSendKey::menu-indicator { image: none; width: 0px; }"));
}

void FitButtonsToText(QWidget *form)
{
    for (const char *name : {"btnAskAll", "btnSetAll", "btnPPPA", "btnENTM", "btnH", "btnZ", "btnVER", "btnCSQ",
                             "btnCFGTF", "btnRELD", "btnCLEAR", "btnCNUM"}) {
        auto *b = form->findChild<QPushButton *>(QLatin1String(name));
        if (!b)
            continue;
        QVariant base = b->property("baseWidth");
        if (!base.isValid()) {
            base = b->minimumWidth();
            b->setProperty("baseWidth", base);
        }
        b->setFixedWidth(std::max(base.toInt(), b->sizeHint().width()));
    }
}
