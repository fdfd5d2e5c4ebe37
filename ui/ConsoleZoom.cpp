#include "ui/ConsoleZoom.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QWheelEvent>

#include <algorithm>

ConsoleZoom::ConsoleZoom(const QList<QPlainTextEdit *> &panes, QWidget *window) : QObject(window), panes_(panes)
{
    auto make = [window, this](const char *name, const QList<QKeySequence> &keys, int by) {
        auto *a = new QAction(window);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
        connect(a, &QAction::triggered, this, [this, by] { by ? step(by) : setSize(kDefault); });
        return a;
    };
    actZoomIn = make("actZoomIn", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, 1);
    actZoomOut = make("actZoomOut", {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, -1);
    actZoomReset = make("actZoomReset", {QKeySequence(Qt::CTRL | Qt::Key_0)}, 0);
    for (QPlainTextEdit *p : panes_)
        p->viewport()->installEventFilter(this);
    setSize(kDefault);
}

void ConsoleZoom::setSize(int points)
{
    size_ = points <= 0 ? kDefault : std::clamp(points, kMin, kMax);
    for (QPlainTextEdit *p : panes_) {
        QFont f = p->font();
        if (f.pointSize() != size_) {
            f.setPointSize(size_);
            p->setFont(f);
        }
    }
}

bool ConsoleZoom::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::Wheel) {
        auto *w = static_cast<QWheelEvent *>(e);
        if (w->modifiers() & Qt::ControlModifier) {
            // One step per notch (120); fine-grained wheels add up to notches.
            wheelRest_ += w->angleDelta().y();
            const int steps = wheelRest_ / 120;
            wheelRest_ -= steps * 120;
            if (steps)
                step(steps);
            return true;
        }
    }
    return QObject::eventFilter(o, e);
}
