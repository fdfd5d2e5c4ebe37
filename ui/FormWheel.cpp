#include "ui/FormWheel.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

bool isFormArea(const QWidget *w)
{
    return qobject_cast<const QScrollArea *>(w) &&
           (w->objectName() == QLatin1String("advscrlbxPara") || w->objectName() == QLatin1String("advscrlbxBase"));
}

QScrollArea *formAreaAbove(QWidget *w)
{
    for (; w; w = w->parentWidget())
        if (isFormArea(w))
            return static_cast<QScrollArea *>(w);
    return nullptr;
}

// A list or spin field that would take the wheel, when it is the target or holds it
// (an editable list's line edit).
QWidget *valueControlOf(QWidget *w)
{
    for (int depth = 0; w && depth < 2; ++depth, w = w->parentWidget())
        if (qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w))
            return w;
    return nullptr;
}

void scrollOneLine(QScrollArea *area, const QWheelEvent *e)
{
    const int dy = e->angleDelta().y();
    area->verticalScrollBar()->triggerAction(dy < 0 ? QAbstractSlider::SliderSingleStepAdd
                                                    : QAbstractSlider::SliderSingleStepSub);
}

} // namespace

bool HandleFormWheel(QObject *target, QEvent *event, const QWidget *window)
{
    if (event->type() != QEvent::Wheel)
        return false;
    auto *w = qobject_cast<QWidget *>(target);
    if (!w)
        return false;
    auto *e = static_cast<QWheelEvent *>(event);
    // The wheel on the background of a scroll box.
    if (isFormArea(w->parentWidget()) && static_cast<QScrollArea *>(w->parentWidget())->viewport() == w) {
        scrollOneLine(static_cast<QScrollArea *>(w->parentWidget()), e);
        return true;
    }
    // Over a list the user has not clicked into: the form scrolls, the list stays.
    // Elsewhere in the window (the port row, the send bar) the turn is simply used up.
    QWidget *control = valueControlOf(w);
    QWidget *focus = QApplication::focusWidget();
    if (!control || focus == control || control->isAncestorOf(focus))
        return false;
    if (QScrollArea *area = formAreaAbove(control))
        scrollOneLine(area, e);
    else if (window && control->window() != window)
        return false;
    return true;
}

void KeepWheelFromFocusing(QWidget *window)
{
    const auto controls = window->findChildren<QWidget *>();
    for (QWidget *w : controls)
        if ((qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)) && w->focusPolicy() == Qt::WheelFocus)
            w->setFocusPolicy(Qt::StrongFocus);
}
