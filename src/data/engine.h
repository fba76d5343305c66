#pragma once

#include "db_error.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <memory>
#include <optional>

class Connection;
class QSqlError;

// What a statement returned, read to its end: its rows, and the number of
// rows it changed. next() and value() step through the rows as a query
// does, starting before the first.
class Rows {
public:
    QVector<QVariantList> rows;
    qint64 changed = 0;

    bool next() { return ++at_ < rows.size(); }
    QVariant value(int column) const { return rows.value(at_).value(column); }

private:
    qsizetype at_ = -1;
};

// A statement with its values, for several sent together.
struct Statement {
    QString sql;
    QVariantList params;
};

// The rows whose name column matches a LIKE pattern, as an engine writes
// the condition, and the order in which it lists them.
struct NameCondition {
    QString where;        // a condition with ? placeholders
    QVariantList params;  // its values
    QString sort;         // the expression the rows are ordered by
};

// Everything that differs between database engines. The connection, the
// customer table and the record set speak to the engine only through this;
// a new engine is one new implementation of it.
class Engine {
public:
    virtual ~Engine() = default;

    // The engine for a database: a PostgreSQL URL or a file path.
    static std::unique_ptr<Engine> for_target(const QString& target);
    // Whether a target names a PostgreSQL database rather than a file:
    // a URL (in either spelling libpq takes) or libpq's "keyword=value"
    // connection string, as libpq reads them.
    static bool is_server_url(const QString& target);
    // Whether a server target holds a password (user:secret@ or a
    // password setting), which must never be written where others see it.
    static bool holds_password(const QString& target);
    // Why such a target is refused, where names the place it was written:
    // "The --database option names a server database together with its
    // password. ..."
    static QString password_refusal(const QString& where);

    // Opens the database as the Qt connection called name, with the
    // password when one is given. Never creates a database. A DbError
    // names the database and the cause, never the password.
    virtual QSqlDatabase connect(const QString& name, const QString& target, const QString& password) = 0;
    // The database as messages name it, e.g. "\"/home/ann/db40.mdb\"".
    virtual QString name() const = 0;
    // Whether the connection made by connect() is open; disconnect()
    // closes it.
    virtual bool is_open(Connection& cn) const = 0;
    virtual void disconnect() {}

    // Runs a statement with its values bound as parameters ("?") and reads
    // its rows. On a server, no answer within wait_ms gives the statement
    // up: the connection is dropped and a DbError (lost, NoAnswer) says
    // that the server does not answer. A quick statement fails at once as
    // busy where it would wait for another program's lock.
    virtual Rows run(Connection& cn, const QString& sql, const QVariantList& params, int wait_ms, bool quick = false) = 0;
    // Several statements, each on its own; a server receives them together
    // and answers them in one round trip. The first error is thrown once
    // all have been answered.
    virtual QList<Rows> run_together(Connection& cn, const QList<Statement>& statements, int wait_ms);
    // Whether run_together() sends the statements in one round trip and
    // runs them as one transaction: when one fails, none is done.
    virtual bool sends_together() const { return false; }

    // Stops the statement running now, from any thread: it fails with a
    // DbError (cancelled), and the connection stays usable. Nothing when
    // no statement runs, or the engine cannot stop one.
    virtual void cancel() {}

    // An error of a statement, with its number, and busy when another
    // program's lock kept the statement from running.
    virtual DbError error(const QSqlError& e) const = 0;
    // How long a statement waits for another program's lock, in ms.
    virtual int lock_wait(Connection& cn) = 0;
    virtual void set_lock_wait(Connection& cn, int ms) = 0;
    // Refuses, before anything is written, a change the database cannot
    // take, with a message that says why.
    virtual void check_writable(Connection&) {}
    // Refuses values the engine cannot store, before a statement runs.
    virtual void check_values(const QVariantList&) const {}
    // A number that changes whenever another program commits a change;
    // none when the engine cannot tell.
    virtual std::optional<qint64> change_count(Connection& cn) = 0;

    // The column names of a table as it spells them; empty when the
    // database has no such table.
    virtual QStringList columns(Connection& cn, const QString& table) = 0;
    // Adds what the program needs of the table when it is missing: the
    // two name indexes the filter uses, a unique key where the table lacks
    // one, and what tells other programs' changes. Never changes a row; a
    // database that cannot be written is left as it is.
    virtual void prepare_table(Connection& cn, const QString& table) = 0;
    // The statements that create a new, empty customer table: the first
    // makes the table, the rest its indexes and whatever else it needs.
    virtual QStringList create_statements(const QString& table) const = 0;
    // Adds rows to a table in one statement, within the caller's
    // transaction: values holds each row's values in the order of columns
    // (names as the table spells them, quoted).
    virtual void insert_rows(Connection& cn, const QString& table, const QStringList& columns, const QVariantList& values) = 0;
    // How many rows of dept one insert_rows() takes at most.
    virtual int rows_per_insert() const = 0;
    // The statements that begin a transaction adding rows under keys it
    // chooses itself from the largest in the table: until it ends, no
    // other program can add a row to the table.
    virtual QStringList begin_adding(const QString& table) const = 0;

    // True when counting many rows takes long enough that the first rows
    // are better shown before the count, which a second connection makes.
    virtual bool counts_slowly() const { return false; }

    // The key that rows are paged and positioned by: a whole number,
    // unique in the table.
    virtual QString row_key() const = 0;
    // The rows whose name column matches pattern without regard to case
    // ("%" any run of characters, "_" any one), in name order.
    virtual NameCondition name_condition(const QString& column, const QString& pattern) const = 0;
    // "column holds exactly this value", NULL and letter case included.
    virtual QString same_value(const QString& column) const = 0;
};
