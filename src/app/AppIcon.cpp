#include "AppIcon.h"

#include <QtGui/QPainter>
#include <QtGui/QPixmap>

namespace tavrel {

namespace {

// A small device server: a box with a network jack and two indicator lights.
QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    p.setPen(QPen(QColor(20, 60, 120), 1.5 * s));
    p.setBrush(QColor(51, 153, 255));
    p.drawRoundedRect(QRectF(2 * s, 8 * s, 28 * s, 18 * s), 3 * s, 3 * s);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6 * s, 12 * s, 10 * s, 9 * s));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 220, 90));
    p.drawEllipse(QPointF(21 * s, 16 * s), 2 * s, 2 * s);
    p.setBrush(QColor(255, 190, 40));
    p.drawEllipse(QPointF(26 * s, 16 * s), 2 * s, 2 * s);
    return pixmap;
}

}  // namespace

QPixmap appIconPixmap(int size) { return drawIcon(size); }

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace tavrel
