#pragma once
// Font size of the console panes and the send box together: Ctrl+wheel over
// any of them, Ctrl++ (or Ctrl+=) and Ctrl+- anywhere in the window, Ctrl+0 back
// to the default.
#include <QList>
#include <QObject>

class QAction;
class QPlainTextEdit;
class QWidget;

class ConsoleZoom : public QObject {
public:
    static constexpr int kDefault = 12, kMin = 6, kMax = 48; // points

    ConsoleZoom(const QList<QPlainTextEdit *> &panes, QWidget *window);

    int size() const { return size_; }
    // Clamped to kMin..kMax; 0 or less means the default.
    void setSize(int points);
    void step(int by) { setSize(size_ + by); }

    QAction *actZoomIn = nullptr, *actZoomOut = nullptr, *actZoomReset = nullptr;

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    QList<QPlainTextEdit *> panes_;
    int size_ = kDefault;
    int wheelRest_ = 0; // part of a wheel notch not yet turned into a step
};
