#pragma once
// Mouse wheel over the window: it scrolls the parameter form one line per event and
// never changes a list or spin field the user did not click into, anywhere in the window.
class QEvent;
class QObject;
class QWidget;

// True when the event was a wheel event that has been used: over the form's background,
// or over a list or spin field without the focus (in window, when one is given).
bool HandleFormWheel(QObject *target, QEvent *event, const QWidget *window = nullptr);

// A wheel turn must not give a list or spin field of the window the keyboard focus
// (and so the wheel).
void KeepWheelFromFocusing(QWidget *window);
