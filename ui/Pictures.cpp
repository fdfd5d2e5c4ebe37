#include "ui/Pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void box(QPainter &p, const QRect &r, const QColor &fill, const QString &text)
{
    p.setPen(QPen(QColor(40, 60, 90), 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(r, 6, 6);
    p.setPen(QColor(20, 30, 50));
    QFont f = p.font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, text);
}

void link(QPainter &p, int x1, int x2, int y, bool dashed)
{
    QPen pen(QColor(230, 120, 20), 2.5);
    if (dashed)
        pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.drawLine(x1, y, x2, y);
    // arrow heads both ways
    p.setBrush(QColor(230, 120, 20));
    p.setPen(Qt::NoPen);
    QPolygon a, b;
    a << QPoint(x1, y) << QPoint(x1 + 8, y - 5) << QPoint(x1 + 8, y + 5);
    b << QPoint(x2, y) << QPoint(x2 - 8, y - 5) << QPoint(x2 - 8, y + 5);
    p.drawPolygon(a);
    p.drawPolygon(b);
}

void cloud(QPainter &p, const QRect &r, const QString &text)
{
    QPainterPath path;
    const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    path.addEllipse(x, y + h / 3, w / 2, h * 2 / 3);
    path.addEllipse(x + w / 4, y, w / 2, h * 3 / 4);
    path.addEllipse(x + w / 2, y + h / 3, w / 2, h * 2 / 3);
    p.setPen(QPen(QColor(60, 110, 170), 1.5));
    p.setBrush(QColor(210, 230, 250));
    p.drawPath(path.simplified());
    p.setPen(QColor(20, 40, 80));
    QFont f = p.font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.drawText(r.adjusted(0, 6, 0, 0), Qt::AlignCenter, text);
}

} // namespace

QPixmap WorkModePicture(const QString &name)
{
    QPixmap pm(458, 74);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QString far = QStringLiteral("TCP/UDP Server");
    QString via = QStringLiteral("4G");
    if (name == QLatin1String("HttpD")) {
        far = QStringLiteral("HTTP Server");
        via = QStringLiteral("HTTP");
    } else if (name == QLatin1String("SmsTran")) {
        far = QStringLiteral("Phone");
        via = QStringLiteral("SMS");
    }
    if (name == QLatin1String("SmsTran")) {
        box(p, QRect(10, 14, 110, 46), QColor(235, 245, 225), far);
    } else {
        cloud(p, QRect(6, 6, 124, 62), far);
    }
    link(p, 132, 190, 37, true);
    p.setPen(QColor(120, 60, 10));
    QFont f = p.font();
    f.setPixelSize(11);
    p.setFont(f);
    p.drawText(QRect(132, 12, 58, 18), Qt::AlignCenter, via);
    box(p, QRect(192, 14, 110, 46), QColor(255, 240, 200), QStringLiteral("DTU"));
    link(p, 304, 382, 37, false);
    p.setPen(QColor(120, 60, 10));
    p.setFont(f);
    p.drawText(QRect(304, 12, 78, 18), Qt::AlignCenter, QStringLiteral("RS232/485"));
    // Serial terminal at the right end, where the hint image lies.
    box(p, QRect(386, 10, 66, 54), QColor(225, 235, 245), QStringLiteral("MCU"));
    return pm;
}

QIcon ToolImage(int index)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0: // port closed: grey plug
    case 2: // port open (also paste): green plug
    {
        const QColor c = index == 0 ? QColor(110, 110, 110) : QColor(20, 150, 40);
        p.setPen(QPen(c, 1.5));
        p.setBrush(c.lighter(150));
        p.drawRoundedRect(QRectF(2.5, 5.5, 8, 6), 1.5, 1.5);
        p.drawLine(QPointF(10.5, 7), QPointF(14.5, 7));
        p.drawLine(QPointF(10.5, 10), QPointF(14.5, 10));
        p.drawLine(QPointF(0.5, 8.5), QPointF(2.5, 8.5));
        break;
    }
    case 1: // copy
        p.setPen(QColor(40, 70, 120));
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 8, 10);
        p.drawRect(6, 5, 8, 10);
        break;
    case 4: // send: paper plane
    {
        QPolygonF t;
        t << QPointF(1, 8) << QPointF(15, 2) << QPointF(11, 14) << QPointF(8, 9);
        p.setPen(QColor(20, 60, 160));
        p.setBrush(QColor(120, 170, 240));
        p.drawPolygon(t);
        break;
    }
    default: {
        // Remaining slots: a small coloured disc, distinct by index.
        const QColor c = QColor::fromHsv((index * 37) % 360, 150, 210);
        p.setPen(c.darker(140));
        p.setBrush(c);
        p.drawEllipse(QRectF(3, 3, 10, 10));
        break;
    }
    }
    return QIcon(pm);
}
