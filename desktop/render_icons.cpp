// tallyhouse-render-icons: writes the program's icon (ui/app_icon) as the
// files of an icon theme, at build time:
//   OUT/NxN/apps/NAME.png     for each size N given
//   OUT/scalable/apps/NAME.svg the same rectangles as the largest PNG
// It paints into images only, so it needs no display.
//
// Usage: tallyhouse-render-icons OUT NAME SIZE...

#include "ui/app_icon.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool write_png(const QString& out, const QString& name, int size)
{
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
    return QDir().mkpath(dir) && app_icon_image(size).save(dir + u'/' + name + QStringLiteral(".png"));
}

bool write_svg(const QString& out, const QString& name, int size)
{
    const QString dir = out + QStringLiteral("/scalable/apps");
    QFile file(dir + u'/' + name + QStringLiteral(".svg"));
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream svg(&file);
    svg << QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n")
               .arg(size);
    for (const IconPart& part : app_icon_parts(size)) {
        svg << QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                   .arg(part.rect.x())
                   .arg(part.rect.y())
                   .arg(part.rect.width())
                   .arg(part.rect.height())
                   .arg(part.color.name());
    }
    svg << "</svg>\n";
    svg.flush();
    return file.error() == QFileDevice::NoError;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUT NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 16) {
            std::fprintf(stderr, "%s: not an icon size (16 or more): %s\n", argv[0], argv[i]);
            return 2;
        }
        sizes.push_back(size);
    }
    for (int size : sizes) {
        if (!write_png(out, name, size)) {
            std::fprintf(stderr, "%s: cannot write the %d pixel icon into %s\n", argv[0], size, argv[1]);
            return 1;
        }
    }
    if (!write_svg(out, name, *std::max_element(sizes.begin(), sizes.end()))) {
        std::fprintf(stderr, "%s: cannot write the scalable icon into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
