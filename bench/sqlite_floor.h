#pragma once

#include "floor_answer.h"

#include <QString>
#include <QVariantList>

struct sqlite3;

// The floor beside each figure of the benchmark: the time SQLite itself
// needs, through its C API, for the same question the window asks. Each
// answer also carries what SQLite found, so the benchmark can check that the
// window showed the same rows.
class SqliteFloor {
public:
    explicit SqliteFloor(sqlite3* db) : db_(db) {}

    using Answer = FloorAnswer;

    // Opens the file on a new connection, counts every row and reads the
    // first n in key order, then closes it: the database's side of start-up.
    static Answer openCountRead(const QString& path, int n);

    // Counts the rows whose first name is LIKE pattern and reads the first
    // n of them in name order; an empty pattern counts and reads every row
    // in key order.
    Answer countAndRead(const QString& pattern, int n);

    // Reads n rows of the whole table, in key order, from position on: an
    // OFFSET walk from whichever end is nearer.
    Answer rowsAt(qint64 position, qint64 count, int n);

    // Runs a change, then counts every row and reads n rows in key order,
    // from the end when fromEnd is true: a change with its re-query.
    Answer changeAndRead(const QString& sql, const QVariantList& params, int n, bool fromEnd);

    // Runs a statement untimed (setting up or undoing a floor's change).
    void exec(const QString& sql, const QVariantList& params = {});

private:
    static Answer run(sqlite3* db, const QString& sql, const QVariantList& params, Answer answer);

    sqlite3* db_;
};
