#include "app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace orvane {

namespace {

QPixmap Cartridge(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    // Shell.
    QLinearGradient shell(0, 8, 0, 56);
    shell.setColorAt(0, QColor(0x3b, 0x5b, 0x8c));
    shell.setColorAt(1, QColor(0x1d, 0x2f, 0x4f));
    painter.setPen(QPen(QColor(0x0e, 0x18, 0x2a), 2));
    painter.setBrush(shell);
    painter.drawRoundedRect(QRectF(4, 10, 56, 44), 5, 5);

    // Label strip.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf2, 0xf0, 0xe6));
    painter.drawRoundedRect(QRectF(10, 14, 44, 10), 2, 2);

    // Window with the two reels and the tape between them.
    painter.setBrush(QColor(0x10, 0x10, 0x14));
    painter.drawRoundedRect(QRectF(12, 28, 40, 18), 4, 4);
    painter.setBrush(QColor(0x6b, 0x4a, 0x2a));
    painter.drawEllipse(QPointF(22, 37), 7, 7);
    painter.drawEllipse(QPointF(42, 37), 5, 5);
    painter.setBrush(QColor(0xd8, 0xd8, 0xd8));
    painter.drawEllipse(QPointF(22, 37), 2.5, 2.5);
    painter.drawEllipse(QPointF(42, 37), 2.5, 2.5);
    return pixmap;
}

} // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(Cartridge(size));
    return icon;
}

} // namespace orvane
