#include "ui/TrafficCounter.h"

#include "lang/AppLang.h"

#include <QMouseEvent>

TrafficCounter::TrafficCounter(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("lblTraffic"));
    setCursor(Qt::PointingHandCursor);
    setContentsMargins(0, 0, 6, 0);
    applyTexts();
}

void TrafficCounter::addRx(qsizetype bytes)
{
    rx_ += bytes;
    refresh();
}

void TrafficCounter::addTx(qsizetype bytes)
{
    tx_ += bytes;
    refresh();
}

void TrafficCounter::reset()
{
    rx_ = tx_ = 0;
    refresh();
}

void TrafficCounter::applyTexts()
{
    setToolTip(LangTextU("hint_lblTraffic"));
    refresh();
}

void TrafficCounter::refresh()
{
    // A language file may drop a placeholder; the numbers still show.
    QString t = LangTextU("lang_lblTraffic");
    if (!t.contains(QLatin1String("%1")) || !t.contains(QLatin1String("%2")))
        t = QStringLiteral("RX: %1  TX: %2");
    setText(t.arg(rx_).arg(tx_));
}

void TrafficCounter::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        reset();
    QLabel::mouseReleaseEvent(e);
}
