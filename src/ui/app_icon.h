#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QRect>
#include <vector>

// The program's icon: a small window with a coloured title bar. It is one
// picture at every size: the rectangles below, filled in order on a
// transparent square. Margins grow with the size in whole pixels, so the
// small sizes stay sharp; the outlines are one pixel wide up to 63 pixels.
struct IconPart {
    QRect rect;
    QColor color;
};
std::vector<IconPart> app_icon_parts(int size);

// The picture at size x size pixels.
QImage app_icon_image(int size);

// The window icon: the picture at 32 and 16 pixels.
QIcon app_icon();
