#pragma once
// Mouse wheel over the parameter form: it scrolls the form one line per event
// and never changes a list or field the user did not click.
class QEvent;
class QObject;
class QWidget;

// True when the event was a wheel event over the form and has been used.
bool HandleFormWheel(QObject *target, QEvent *event);

// A wheel turn must not give a form list the keyboard focus (and so the wheel).
void KeepWheelFromFocusing(QWidget *form);
