#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

// What a floor (the database's own time for a question the window asks)
// found, and how long it took.
struct FloorAnswer {
    double ms = 0;
    qint64 count = -1;   // rows counted, when the question counts
    QList<qint64> keys;  // cusnum of each row read, in display order
};

// The floor beside each figure of the benchmark: the time a database engine
// needs, through its own client library in the same process, for the
// question the window asks of table dept. One implementation per engine
// (SqliteFloor, PgFloor). Statements take their values as $1, $2, ...,
// which both engines read. Each answer also carries what the engine found,
// so the benchmark can check that the window showed the same rows.
class Floor {
public:
    using Answer = FloorAnswer;
    virtual ~Floor() = default;

    // Counts the rows whose first name begins with typed, the filter box's
    // text ("%" and "_" stay wildcards), whatever the case, and reads the
    // first n of them in name order; an empty text counts and reads every
    // row in key order.
    virtual Answer countAndRead(const QString& typed, int n) = 0;

    // Reads n rows of the whole table, in key order, from position on,
    // starting from whichever end is nearer.
    virtual Answer rowsAt(qint64 position, qint64 count, int n) = 0;

    // Reads the first n rows of the whole table in this order (the text of
    // an ORDER BY clause in the engine's SQL), counting every row first
    // when count is true: a click on a heading, or Last on a sorted list.
    virtual Answer sortedRows(const QString& order, int n, bool count) = 0;

    // Runs a change, then counts every row and reads n rows in key order,
    // from the end when fromEnd is true: a change with its re-query.
    virtual Answer changeAndRead(const QString& sql, const QVariantList& params, int n, bool fromEnd) = 0;

    // Runs a statement untimed (setting up or undoing a floor's change).
    virtual void exec(const QString& sql, const QVariantList& params = {}) = 0;
};
