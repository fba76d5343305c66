#pragma once

#include "db_error.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>

struct sqlite3;

// The database connection: one open SQLite file, the statements run on it,
// and a counter of the changes made through it.
class Connection {
public:
    static constexpr int adUseClient = 3;

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Record sets opened on this connection are scrollable snapshots with an
    // exact row count whatever is set here; the value is kept for callers.
    void setCursorLocation(int location) { cursorLocation_ = location; }
    int cursorLocation() const { return cursorLocation_; }

    // Opens an existing database file. Never creates or empties one: a
    // missing file, a file that is not a database and a database without
    // table dept are each a DbError naming the path and the cause.
    void open(const QString& path);
    bool isOpen() const { return db_.isOpen(); }
    // The error for a file that opened but cannot be used: the message
    // names the file, as open()'s own errors do.
    DbError openFailure(const DbError& cause) const;
    const QString& path() const { return path_; }

    // Runs one statement with its values bound as parameters and returns
    // the number of rows it changed. Refuses, before anything is written,
    // when the file cannot take the change (see requireWritable).
    // A statement with a RETURNING clause gives its first value in returned.
    qint64 execute(const QString& sql, const QVariantList& params = {}, QVariant* returned = nullptr);

    // Runs a query forward-only and returns it positioned before its first row.
    QSqlQuery query(const QString& sql, const QVariantList& params = {}) const;
    QVariant scalar(const QString& sql, const QVariantList& params = {}) const;

    // Bumped by every successful execute(); a record set compares it to
    // know whether re-reading can show anything new.
    quint64 generation() const { return generation_; }
    // SQLite's data_version: changes when another connection commits.
    qint64 dataVersion() const;

    sqlite3* handle() const;

private:
    // A DbError saying why a change cannot reach the file the user opened:
    // it was deleted, moved or replaced while the program ran, or it is
    // read-only. SQLite would refuse or fail too, but with a message that
    // names neither the file nor the cause, and a write that fails half-way
    // on a read-only file leaves a journal that stops every later read.
    void requireWritable() const;
    static DbError errorOf(const QSqlError& e, const QString& context = {});

    QString name_;
    QString path_;
    QSqlDatabase db_;
    int cursorLocation_ = 0;
    quint64 generation_ = 0;
};
