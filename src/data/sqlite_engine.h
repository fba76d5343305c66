#pragma once

#include "engine.h"
#include "sqlite_dialect.h"


struct sqlite3;

// The embedded engine: one SQLite file, opened in place and never created.
// Its statements are SqliteDialect's; it adds th_like, the program's own
// LIKE function, to each connection.
// The journal mode is left as the file has it: the file may lie on a
// folder shared by several machines, where a write-ahead log is unsafe.
class SqliteEngine : public Engine {
public:
    // How long a statement waits for another program's lock.
    static constexpr int kLockWaitMs = 3000;

    QSqlDatabase connect(const QString& name, const QString& path, const QString& password) override;
    bool is_open(Connection& cn) const override;
    Rows run(Connection& cn, const QString& sql, const QVariantList& params, int wait_ms, bool quick) override;

    DbError error(const QSqlError& e) const override;
    int lock_wait(Connection&) override { return lockWait_; }
    void set_lock_wait(Connection& cn, int ms) override;
    void check_writable(Connection& cn) override;
    std::optional<qint64> change_count(Connection& cn) override;

    QStringList columns(Connection& cn, const QString& table) override;
    void prepare_table(Connection& cn, const QString& table) override;
    // One multi-row INSERT, bound through SQLite's own API: Qt's driver
    // asks the name of every bound value, which SQLite finds by a walk
    // over all of them, so that thousands of values cost millions of
    // comparisons.
    void insert_rows(Connection& cn, const QString& table, const QStringList& columns, const QVariantList& values) override;

    // The connection's own sqlite3 handle, for work the Qt driver does not offer.
    static sqlite3* handle(Connection& cn);

    // Creates a new database file at path holding an empty customer table
    // dept with its indexes. An existing file is never touched; a file
    // half made is removed. A DbError names the file and the cause.
    static void create_database(const QString& path);

private:
    QString name() const { return SqliteDialect().name(path_); }

    QString path_;
    int lockWait_ = kLockWaitMs;
    bool quick_ = false;  // the connection's busy timeout is 0 for now
};
