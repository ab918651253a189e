#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon appIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // Sea: a deep blue tile with a lighter surface band.
    QLinearGradient sea(0, 0, 0, 32);
    sea.setColorAt(0, QColor(40, 110, 190));
    sea.setColorAt(1, QColor(8, 30, 70));
    p.setPen(QPen(QColor(5, 20, 45), 1));
    p.setBrush(sea);
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);

    // The connector body with its pins.
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(QColor(235, 185, 40));
    p.drawRoundedRect(QRectF(7.5, 14.5, 17, 12), 2, 2);
    p.setBrush(QColor(60, 60, 60));
    for (int x : {11, 15, 19})
        p.drawEllipse(QPointF(x + 0.5, 20.5), 1.6, 1.6);

    // The lamp above it, lit.
    QRadialGradient glow(QPointF(16, 7.5), 5);
    glow.setColorAt(0, QColor(200, 255, 200));
    glow.setColorAt(1, QColor(0, 200, 0));
    p.setBrush(glow);
    p.setPen(QPen(QColor(0, 90, 0), 1));
    p.drawEllipse(QPointF(16, 7.5), 4.5, 4.5);
    p.end();

    return QIcon(pixmap);
}
