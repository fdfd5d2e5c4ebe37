#pragma once
// Small builders shared by the window's panels: every control gets its object
// name (tests and the language table find controls by it) and its Tag.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace panel_parts {

inline QString u(const char *utf8) { return QString::fromUtf8(utf8); }

template <class W> W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

inline void setTag(QObject *o, int tag) { o->setProperty("Tag", tag); }

inline QComboBox *listCombo(QWidget *parent, const char *name, const QStringList &items, int sel)
{
    auto *c = named(new QComboBox(parent), name);
    c->addItems(items);
    c->setCurrentIndex(sel);
    return c;
}

inline QWidget *spacer(QWidget *parent, const char *name, int w)
{
    auto *s = named(new QWidget(parent), name);
    s->setFixedWidth(w);
    return s;
}

inline QGroupBox *bannerBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *g = named(new QGroupBox(caption, parent), name);
    g->setProperty("banner", true);
    return g;
}

inline QGroupBox *frameBox(QWidget *parent, const char *name)
{
    auto *g = named(new QGroupBox(parent), name);
    g->setProperty("frame", true);
    return g;
}

inline QLabel *rlabel(QWidget *parent, const char *name, const QString &text)
{
    auto *l = named(new QLabel(text, parent), name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

// The baud rates both the port bar and the module's serial parameters offer.
inline const QStringList kBauds = {"1200", "2400", "4800", "9600", "14400", "19200", "28800",
                                   "33600", "38400", "57600", "115200", "230400", "460800"};

} // namespace panel_parts
