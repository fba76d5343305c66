#pragma once

#include "engine.h"

typedef struct pg_conn PGconn;

// The server engine: a PostgreSQL database named by a connection URL as
// libpq understands it (several hosts and target_session_attrs for
// failover, sslmode, ...). Names are matched by lower() in the "C"
// collation, through an index on that expression, with no escape
// character: "%" and "_" are wildcards and every other character, a
// backslash too, is itself. Other programs' changes arrive as
// notifications sent by a trigger on the table.
class PgEngine : public Engine {
public:
    // How long a statement waits for another program's lock.
    static constexpr int kLockWaitMs = 3000;
    // The channel the table's trigger notifies.
    static constexpr const char* kChannel = "tallyhouse_dept";
    // The server settings of every connection: parallel workers slow the
    // program's short questions down, and plans are made for the values of
    // each one, so that a name prefix always finds its index.
    static constexpr const char* kSessionSettings = "-c max_parallel_workers_per_gather=0 -c plan_cache_mode=force_custom_plan";

    QSqlDatabase connect(const QString& name, const QString& url, const QString& password) override;
    QString name() const override { return name_; }

    DbError error(const QSqlError& e) const override;
    int lock_wait(Connection&) override { return lockWait_; }
    void set_lock_wait(Connection& cn, int ms) override;
    std::optional<qint64> change_count(Connection& cn) override;
    void check_values(const QVariantList& values) const override;

    QStringList columns(Connection& cn, const QString& table) override;
    void prepare_table(Connection& cn, const QString& table) override;
    QStringList create_statements(const QString& table) const override;
    QStringList begin_adding(const QString& table) const override;
    // COPY through libpq: a statement for many rows needs no parsing of
    // thousands of values, which makes a multi-row INSERT slow here.
    void insert_rows(Connection& cn, const QString& table, const QStringList& columns, const QVariantList& values) override;
    // Each COPY costs a round trip and a few milliseconds to start.
    int rows_per_insert() const override { return 5000; }

    bool counts_slowly() const override { return true; }
    QString row_key() const override;
    NameCondition name_condition(const QString& column, const QString& pattern) const override;
    QString same_value(const QString& column) const override;

    // The database a URL names, as messages name it: "\"customers\" on
    // dbhost:5432", never with the password.
    static QString describe(const QString& url);

private:
    QString name_;
    PGconn* conn_ = nullptr;  // the open connection's own handle
    int lockWait_ = kLockWaitMs;
    bool notifying_ = false;  // the table has the trigger that notifies changes
    qint64 notified_ = 0;     // notifications and reconnections seen
};
