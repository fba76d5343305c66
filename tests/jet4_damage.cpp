// jet4-damage: writes damaged copies of one Access (Jet 4) file, for
// trying the copy of Access files on files as damage leaves them:
//
//   jet4-damage COUNT DIR [SEED]
//
// The file holds the table dept of 40 customers (texts in many scripts,
// memos, NULLs). Each copy, DIR/damaged-NNNN.mdb, has 1 to 4 runs of 1 to 4
// random bytes overwritten. Half the runs fall anywhere in a page chosen
// at random: the header, the list of tables, a table's definition, its
// usage maps or its rows. The other half aim at what libmdb trusts most:
// the column records and usage map pointers at the start of the catalog's
// and dept's definitions, and the usage maps at the end of their page.
// The same SEED makes the same files. DIR/undamaged.mdb is the file as it
// was.

#include "support/jet4_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = args.size() == 3 || args.size() == 4;
    const int count = ok ? args[1].toInt(&ok) : 0;
    const quint32 seed = ok && args.size() == 4 ? args[3].toUInt(&ok) : 1;
    if (!ok || count <= 0) {
        std::fprintf(stderr, "usage: jet4-damage COUNT DIR [SEED]\n");
        return 2;
    }
    const QString dir = args[2];
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "jet4-damage: cannot make %s\n", qPrintable(dir));
        return 1;
    }
    const QByteArray good = jet4::file({{QStringLiteral("dept"), jet4::dept_columns(), jet4::customers(40)}});
    constexpr qsizetype kPage = jet4::kPageSize;
    const qsizetype pages = good.size() / kPage;
    QFile undamaged(dir + QStringLiteral("/undamaged.mdb"));
    if (!undamaged.open(QIODevice::WriteOnly) || undamaged.write(good) != good.size()) {
        std::fprintf(stderr, "jet4-damage: cannot write %s\n", qPrintable(undamaged.fileName()));
        return 1;
    }
    QRandomGenerator random(seed);
    for (int i = 0; i < count; ++i) {
        QByteArray file = good;
        const int runs = 1 + int(random.bounded(4));
        for (int r = 0; r < runs; ++r) {
            const qsizetype length = 1 + random.bounded(4);
            qsizetype at = 0;
            if (random.bounded(2) == 0) {
                at = random.bounded(int(pages)) * kPage + random.bounded(int(kPage - length));
            } else if (const int aim = int(random.bounded(3)); aim < 2) {
                // The first 700 bytes of a definition: its head, usage map
                // pointers and column records.
                at = (aim == 0 ? jet4::kCatalogPage : jet4::kFirstTablePage) * kPage + random.bounded(700);
            } else {
                constexpr int kMaps = 1;  // the page of the usage maps, which end it
                at = kMaps * kPage + kPage - 200 + random.bounded(int(200 - length));
            }
            for (qsizetype b = 0; b < length; ++b)
                file[at + b] = char(random.bounded(256));
        }
        QFile out(QStringLiteral("%1/damaged-%2.mdb").arg(dir).arg(i, 4, 10, QLatin1Char('0')));
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
            std::fprintf(stderr, "jet4-damage: cannot write %s\n", qPrintable(out.fileName()));
            return 1;
        }
    }
    return 0;
}
