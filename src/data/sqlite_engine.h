#pragma once

#include "engine.h"

#include <mutex>

struct sqlite3;

// The embedded engine: one SQLite file, opened in place and never created.
// Names are compared with the NOCASE collation and matched by the
// program's own LIKE function, which folds every letter, not only A to Z.
// The journal mode is left as the file has it: the file may lie on a
// folder shared by several machines, where a write-ahead log is unsafe.
class SqliteEngine : public Engine {
public:
    // How long a statement waits for another program's lock.
    static constexpr int kLockWaitMs = 3000;

    QSqlDatabase connect(const QString& name, const QString& path, const QString& password) override;
    QString name() const override;
    bool is_open(Connection& cn) const override;
    void disconnect() override;
    // sqlite3_interrupt(): the statement ends at its next step.
    void cancel() override;
    Rows run(Connection& cn, const QString& sql, const QVariantList& params, int wait_ms, bool quick) override;

    DbError error(const QSqlError& e) const override;
    int lock_wait(Connection&) override { return lockWait_; }
    void set_lock_wait(Connection& cn, int ms) override;
    void check_writable(Connection& cn) override;
    std::optional<qint64> change_count(Connection& cn) override;

    QStringList columns(Connection& cn, const QString& table) override;
    void prepare_table(Connection& cn, const QString& table) override;
    QStringList create_statements(const QString& table) const override;
    QStringList begin_adding(const QString& table) const override;
    // One multi-row INSERT, bound through SQLite's own API: Qt's driver
    // asks the name of every bound value, which SQLite finds by a walk
    // over all of them, so that thousands of values cost millions of
    // comparisons.
    void insert_rows(Connection& cn, const QString& table, const QStringList& columns, const QVariantList& values) override;
    // 500 rows of dept bind 5,000 values, well within SQLite's 32,766.
    int rows_per_insert() const override { return 500; }

    QString row_key() const override { return QStringLiteral("rowid"); }
    NameCondition name_condition(const QString& column, const QString& pattern) const override;
    QString same_value(const QString& column) const override;

    // The connection's own sqlite3 handle, for work the Qt driver does not offer.
    static sqlite3* handle(Connection& cn);

    // Creates a new database file at path holding an empty customer table
    // dept with its indexes. An existing file is never touched; a file
    // half made is removed. A DbError names the file and the cause.
    static void create_database(const QString& path);

private:
    QString path_;
    int lockWait_ = kLockWaitMs;
    bool quick_ = false;  // the connection's busy timeout is 0 for now
    std::mutex interruptLock_;              // held while open_ changes, and by cancel()
    sqlite3* open_ = nullptr;               // the connection's handle while it is open
};
