#pragma once

#include <QStringList>
#include <QVariant>
#include <QVector>

// Customer rows for new databases: the fixed sample shown on first start,
// and generated tables of any size for benchmarks.
namespace sample {

using Row = QVector<QVariant>;  // the ten columns of dept; null QVariant is NULL

// About forty varied customers, some sharing name prefixes, a few with
// letters beyond A to Z.
QVector<Row> fixed_rows();

// Row number i (keys from 1) of a generated table; the same seed gives the
// same rows. Names share prefixes, some hold non-ASCII letters, a few
// columns are null.
Row generated_row(qint64 i, quint64 seed);

}  // namespace sample
