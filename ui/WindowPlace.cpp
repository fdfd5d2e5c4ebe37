#include "ui/WindowPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace {

QByteArray joined(const QList<int> &numbers)
{
    QByteArrayList parts;
    for (int n : numbers)
        parts << QByteArray::number(n);
    return parts.join(',');
}

std::optional<QList<int>> numbersOf(const QByteArray &text)
{
    QList<int> out;
    for (const QByteArray &part : text.split(',')) {
        bool ok = false;
        out << part.trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    return out;
}

} // namespace

QByteArray EncodeWindowPlace(const WindowPlace &p)
{
    QByteArrayList parts{joined({p.rect.x(), p.rect.y(), p.rect.width(), p.rect.height(), p.maximized ? 1 : 0})};
    for (const QList<int> &s : p.splits)
        parts << joined(s);
    return parts.join('|');
}

std::optional<WindowPlace> DecodeWindowPlace(const QByteArray &text)
{
    const QByteArrayList parts = text.split('|');
    const auto frame = numbersOf(parts.value(0));
    if (!frame || frame->size() != 5)
        return std::nullopt;
    const QList<int> &f = *frame;
    auto sane = [](int v) { return v >= 100 && v <= 100000; };
    if (!sane(f[2]) || !sane(f[3]) || std::abs(f[0]) > 100000 || std::abs(f[1]) > 100000 || (f[4] != 0 && f[4] != 1))
        return std::nullopt;
    WindowPlace p;
    p.rect = QRect(f[0], f[1], f[2], f[3]);
    p.maximized = f[4] == 1;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const auto sizes = numbersOf(parts[i]);
        if (!sizes || std::any_of(sizes->begin(), sizes->end(), [](int v) { return v < 0 || v > 100000; }))
            return std::nullopt;
        p.splits << *sizes;
    }
    return p;
}

WindowPlace CaptureWindowPlace(const QWidget &window, const QList<QSplitter *> &splitters)
{
    WindowPlace p;
    p.rect = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    p.maximized = window.isMaximized();
    for (const QSplitter *s : splitters)
        p.splits << (s ? s->sizes() : QList<int>{});
    return p;
}

void RestoreWindowPlace(QWidget &window, const QList<QSplitter *> &splitters, const WindowPlace &p)
{
    QRect r = p.rect;
    const QScreen *home = nullptr;
    for (const QScreen *s : QGuiApplication::screens()) {
        // Seen enough to be grabbed: a strip of the title and some of the window.
        const QRect seen = s->availableGeometry().intersected(r);
        if (seen.width() >= 100 && seen.height() >= 50) {
            home = s;
            break;
        }
    }
    const QScreen *screen = home ? home : (window.screen() ? window.screen() : QGuiApplication::primaryScreen());
    if (screen) {
        const QRect avail = screen->availableGeometry();
        r.setSize(r.size().boundedTo(avail.size()));
        if (!home)
            r.moveCenter(avail.center());
        else
            r.moveTo(std::clamp(r.x(), avail.left(), avail.right() - r.width() + 1),
                     std::clamp(r.y(), avail.top(), avail.bottom() - r.height() + 1));
    }
    window.setGeometry(r);
    if (p.maximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    for (qsizetype i = 0; i < splitters.size() && i < p.splits.size(); ++i)
        if (splitters[i] && splitters[i]->count() == p.splits[i].size())
            splitters[i]->setSizes(p.splits[i]);
}
