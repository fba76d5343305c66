#include "app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace {
QPixmap window_picture(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const int m = size / 16;  // margin
    const QRect frame(m, 2 * m, size - 2 * m - 1, size - 4 * m - 1);
    p.fillRect(frame, QColor(0xC0, 0xC0, 0xC0));
    p.setPen(Qt::black);
    p.drawRect(frame);
    const int bar = std::max(3, size / 6);
    p.fillRect(QRect(frame.left() + 1, frame.top() + 1, frame.width() - 1, bar), QColor(0x00, 0x00, 0x80));
    const QRect client(frame.left() + 2 * m + 1, frame.top() + bar + 2 * m + 1,
                       frame.width() - 4 * m - 2, frame.height() - bar - 4 * m - 2);
    p.fillRect(client, Qt::white);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawRect(client);
    return pm;
}
}  // namespace

QIcon app_icon()
{
    QIcon icon;
    icon.addPixmap(window_picture(32));
    icon.addPixmap(window_picture(16));
    return icon;
}
