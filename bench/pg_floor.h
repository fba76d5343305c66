#pragma once

#include "data/engines/pg_session.h"
#include "floor.h"

#include <QHash>
#include <QStringList>

typedef struct pg_conn PGconn;

// The settings the program's own connections run with.
inline const QString kProgramSettings = QLatin1String(PgSession::kSessionSettings);

// url with libpq's setting options=settings added.
QString withSettings(const QString& url, const QString& settings = kProgramSettings);

// The PostgreSQL floor: the time the server needs, through libpq in the
// same process, for the questions the window asks of table dept; the
// counterpart of SqliteFloor. Each statement is prepared on its first use
// and kept; results arrive as text. Names match case-insensitively through
// the index on (lower(fname) COLLATE "C", cusnum) INCLUDE (fname) that the
// program's create statements make. Failures throw std::runtime_error.
class PgFloor : public Floor {
public:
    // conn stays the caller's; connect it to withSettings(url).
    explicit PgFloor(PGconn* conn) : conn_(conn) {}

    // Connects to url, counts every row and reads the first n in key
    // order, then disconnects: the database's side of start-up.
    static Answer openCountRead(const QString& url, int n);

    // Names match by lower(fname) COLLATE "C" LIKE lower(typed) || '%'
    // with no escape character, as the program matches them.
    Answer countAndRead(const QString& typed, int n) override;
    // The keys first, walking the key index, then their rows.
    Answer rowsAt(qint64 position, qint64 count, int n) override;
    Answer sortedRows(const QString& order, int n, bool count) override;
    // A null QVariant among params is NULL.
    Answer changeAndRead(const QString& sql, const QVariantList& params, int n, bool fromEnd) override;
    void exec(const QString& sql, const QVariantList& params = {}) override;

private:
    Answer run(const QString& sql, const QVariantList& params, Answer answer);

    PGconn* conn_;
    QHash<QString, QByteArray> prepared_;  // statement name by SQL text
};

// How long each part of fillDept took, in ms.
struct FillTimes {
    double copy = 0;     // creating the table and loading the rows
    double indexes = 0;  // the rest of the statements: the name indexes, the trigger
    double vacuum = 0;   // VACUUM ANALYZE
};

// Fills a fresh database with table dept as the program makes it, from
// create (PgDialect::create_statements("dept")), holding rows generated rows
// (those of tallyhouse-mkdb --rows rows --seed seed), then runs VACUUM
// ANALYZE. The CREATE TABLE statements run first and the rows are loaded by
// COPY; the other statements (the name indexes, the trigger) run after the
// rows are in, which builds the same indexes faster than filling them row
// by row. The trigger notifies once per statement, and so has nothing to do
// for the COPY.
FillTimes fillDept(PGconn* conn, const QStringList& create, qint64 rows, quint64 seed);
