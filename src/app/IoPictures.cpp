#include "IoPictures.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

namespace tavrel {

QPixmap contactPicture(Indicator state) {
    const QColor colour = state == Indicator::On    ? QColor(0, 160, 0)
                          : state == Indicator::Off ? QColor(210, 0, 0)
                                                    : QColor(150, 150, 150);
    QPixmap picture(kContactWidthPx, kContactHeightPx);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 3, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    const int y = 28;
    // Two terminals with their leads.
    p.drawLine(4, y, 16, y);
    p.drawLine(44, y, 56, y);
    p.setBrush(colour);
    p.drawEllipse(QPointF(18, y), 3, 3);
    p.drawEllipse(QPointF(42, y), 3, 3);
    // The blade: lying on the far terminal when closed, raised when open.
    if (state == Indicator::On)
        p.drawLine(18, y, 42, y - 1);
    else
        p.drawLine(18, y, 39, y - 16);
    return picture;
}

QPixmap lampPicture(bool lit) {
    const int width = lit ? 47 : 63;
    QPixmap picture(width, 25);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(12.5, 11);
    QRadialGradient glow(centre, 10);
    if (lit) {
        glow.setColorAt(0, QColor(255, 220, 200));
        glow.setColorAt(0.4, QColor(255, 40, 20));
        glow.setColorAt(1, QColor(160, 0, 0));
    } else {
        glow.setColorAt(0, QColor(120, 120, 120));
        glow.setColorAt(1, QColor(40, 40, 40));
    }
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(glow);
    p.drawEllipse(centre, 9, 9);
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(QRectF(9, 19, 7, 5));
    return picture;
}

}  // namespace tavrel
