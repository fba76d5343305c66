#pragma once

#include "floor_answer.h"

#include <QHash>
#include <QString>
#include <QVariantList>

typedef struct pg_conn PGconn;

// The PostgreSQL floor: the time the server needs, through libpq in the
// same process, for the questions the window asks of table dept; the
// counterpart of SqliteFloor. Each statement is prepared on its first use
// and kept; results arrive as text. Names match case-insensitively through
// the index on (lower(fname) COLLATE "C", cusnum) INCLUDE (fname) that
// fillDept makes. Failures throw std::runtime_error.
class PgFloor {
public:
    // conn stays the caller's. Connect it with
    // options=-c plan_cache_mode=force_custom_plan, as the program does:
    // a generic plan of a name search cannot use the index.
    explicit PgFloor(PGconn* conn) : conn_(conn) {}

    using Answer = FloorAnswer;

    // Connects to url, counts every row and reads the first n in key
    // order, then disconnects: the database's side of start-up.
    static Answer openCountRead(const QString& url, int n);

    // Counts the rows whose first name begins with prefix, whatever the
    // case, and reads the first n of them in name order; an empty prefix
    // counts and reads every row in key order. Unlike SqliteFloor, which
    // takes a LIKE pattern, this takes the text typed: "%" and "_" in it
    // stay wildcards and the trailing "%" is added here.
    Answer countAndRead(const QString& prefix, int n);

    // Reads n rows of the whole table, in key order, from position on:
    // the keys first, walking the key index from whichever end is nearer,
    // then their rows.
    Answer rowsAt(qint64 position, qint64 count, int n);

    // Runs a change (with $1, $2... for params; a null QVariant is NULL),
    // then counts every row and reads n rows in key order, from the end
    // when fromEnd is true: a change with its re-query.
    Answer changeAndRead(const QString& sql, const QVariantList& params, int n, bool fromEnd);

    // Runs a statement untimed (setting up or undoing a floor's change).
    void exec(const QString& sql, const QVariantList& params = {});

private:
    Answer run(const QString& sql, const QVariantList& params, Answer answer);

    PGconn* conn_;
    QHash<QString, QByteArray> prepared_;  // statement name by SQL text
};

// How long each part of fillDept took, in ms.
struct FillTimes {
    double copy = 0;     // creating the table and loading the rows
    double indexes = 0;  // the key and the two name indexes
    double vacuum = 0;   // VACUUM ANALYZE
};

// Fills a fresh database with table dept holding rows generated rows (those
// of tallyhouse-mkdb --rows rows --seed seed), loaded by COPY; then adds the
// key and the name indexes, has autovacuum visit the table after 1% of it
// changed (the default 20% leaves the visibility map stale and index-only
// counts slow for long), and runs VACUUM ANALYZE.
FillTimes fillDept(PGconn* conn, qint64 rows, quint64 seed);
