#pragma once
// Small widget kinds the window needs beyond Qt's own.
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <functional>

// Port list: refreshed when it drops down, selection restored when closed empty.
class PortCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onDropDown, onCloseUp;

    void showPopup() override
    {
        if (onDropDown)
            onDropDown();
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (onCloseUp)
            onCloseUp();
    }
};

// A picture that reports clicks.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    // A click is the left button released over the label, as a button takes it.
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        QLabel::mouseReleaseEvent(e);
        if (onClick && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
            onClick();
    }
};

#include <QProxyStyle>

// Hints appear 50 ms after the pointer rests on a control.
class HintStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
                  QStyleHintReturn *ret = nullptr) const override
    {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay)
            return 50;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};


// Shrinks a top-level window to its screen's available area (as far as its minimum
// allows; a title bar's height is kept free) and centres it there.
inline void FitIntoScreen(QWidget *w)
{
    const QScreen *screen = w->screen();
    if (!screen)
        return;
    const QRect avail = screen->availableGeometry();
    const int frame = std::max(0, w->frameGeometry().height() - w->height());
    const int title = frame > 0 ? frame : 30;
    w->resize(w->size().boundedTo(QSize(avail.width(), avail.height() - title)));
    w->move(avail.center() - QPoint(w->frameGeometry().width() / 2, w->frameGeometry().height() / 2));
}

// Places a top-level window in the middle of its screen's available area.
inline void CentreOnScreen(QWidget *w)
{
    if (const QScreen *screen = w->screen())
        w->move(screen->availableGeometry().center() - QPoint(w->frameGeometry().width() / 2, w->frameGeometry().height() / 2));
}
