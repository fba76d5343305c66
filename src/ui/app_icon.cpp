#include "app_icon.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

std::vector<IconPart> app_icon_parts(int size)
{
    const int m = size / 16;                  // margin
    const int line = std::max(1, size / 32);  // outline width
    const int bar = std::max(3, size / 6);    // title bar height
    // Rectangles from their first to their last pixel.
    const QRect frame(QPoint(m, 2 * m), QPoint(size - m - 1, size - 2 * m - 1));
    const QRect inside = frame.adjusted(line, line, -line, -line);
    const QRect title(inside.left(), inside.top(), inside.width(), bar);
    const QRect client(QPoint(inside.left() + 2 * m, title.bottom() + 1 + 2 * m),
                       inside.bottomRight() - QPoint(2 * m, 2 * m));
    return {
        {frame, Qt::black},
        {inside, QColor(0xC0, 0xC0, 0xC0)},
        {title, QColor(0x00, 0x00, 0x80)},
        {client, QColor(0x80, 0x80, 0x80)},
        {client.adjusted(line, line, -line, -line), Qt::white},
    };
}

QImage app_icon_image(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    for (const IconPart& part : app_icon_parts(size))
        p.fillRect(part.rect, part.color);
    return image;
}

QIcon app_icon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(app_icon_image(32)));
    icon.addPixmap(QPixmap::fromImage(app_icon_image(16)));
    return icon;
}
