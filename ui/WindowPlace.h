#pragma once
// Where the window was: its frame, whether it was maximised, and the sizes of
// its splitters, kept in the configuration file as one text. A place that no
// screen shows any more falls back to the centre of the screen.
#include <QByteArray>
#include <QList>
#include <QRect>

#include <optional>

class QSplitter;
class QWidget;

struct WindowPlace {
    QRect rect; // the normal (not maximised) geometry
    bool maximized = false;
    QList<QList<int>> splits; // one list of pane sizes per splitter, in a fixed order
};

// "x,y,w,h,max|a,b|c,d": numbers only, so the file keeps it in any encoding.
QByteArray EncodeWindowPlace(const WindowPlace &p);
// Nothing for an empty, malformed or implausible text (a size below 100 x 100 or
// above 100 000, a splitter size below zero).
std::optional<WindowPlace> DecodeWindowPlace(const QByteArray &text);

WindowPlace CaptureWindowPlace(const QWidget &window, const QList<QSplitter *> &splitters);
// Applies a place: the frame is shrunk to the available area of a screen it
// overlaps, or centred on the window's screen when it overlaps none; splitter
// sizes apply where the count of panes matches.
void RestoreWindowPlace(QWidget &window, const QList<QSplitter *> &splitters, const WindowPlace &p);
