#pragma once

#include "floor.h"

struct sqlite3;

// The SQLite floor: the time SQLite itself needs, through its C API, for
// the questions the window asks. It runs on the window's own connection, so
// that names match through the program's own LIKE function.
class SqliteFloor : public Floor {
public:
    explicit SqliteFloor(sqlite3* db) : db_(db) {}

    // Opens the file on a new connection, counts every row and reads the
    // first n in key order, then closes it: the database's side of start-up.
    static Answer openCountRead(const QString& path, int n);

    // Names match by LIKE on the text followed by "%".
    Answer countAndRead(const QString& typed, int n) override;
    // An OFFSET walk.
    Answer rowsAt(qint64 position, qint64 count, int n) override;
    Answer sortedRows(const QString& order, int n, bool count) override;
    Answer changeAndRead(const QString& sql, const QVariantList& params, int n, bool fromEnd) override;
    void exec(const QString& sql, const QVariantList& params = {}) override;

private:
    static Answer run(sqlite3* db, const QString& sql, const QVariantList& params, Answer answer);

    sqlite3* db_;
};
