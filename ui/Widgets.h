#pragma once
// Small widget kinds the window needs beyond Qt's own.
#include <QComboBox>
#include <QLabel>
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
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        QLabel::mouseReleaseEvent(e);
        if (onClick)
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
