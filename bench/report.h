#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Gathers the samples the measuring processes print and turns them into
// the benchmark's table: median, worst, floor, ratio and target per step.
namespace bench {

struct Results {
    QStringList order;                    // steps in the order first seen
    QHash<QString, QList<double>> ms;     // window times per step
    QHash<QString, QList<double>> floor;  // SQLite times per step
    long rssKb = 0;                       // peak resident memory of the session

    // Adds the lines of one measuring process.
    void add(const QString& output);
};

// One Markdown table for a database of size rows; ratios of start-up and
// memory are taken against reference, the figures of referenceSize rows.
QString table(qint64 size, const Results& results, qint64 referenceSize, const Results& reference);

}  // namespace bench
