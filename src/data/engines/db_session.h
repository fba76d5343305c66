#pragma once

#include "data/db_error.h"
#include "data/rows.h"

#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <memory>
#include <optional>

// A session with a database: one live connection to it, and everything
// that runs on it, the session's own statements too (the catalogue, the
// indexes, the lock wait). It knows nothing of the Connection that owns
// it. The SQL text of the program's statements is the engine's Dialect.
class DbSession {
public:
    virtual ~DbSession() = default;

    // Opens the database with the password when one is given; an open
    // one is closed first. Never creates a database. A DbError names the
    // database and the cause, never the password. On a server, what runs
    // on opening waits up to wait_ms for each answer.
    virtual void connect(const QString& target, const QString& password, int wait_ms) = 0;
    // Whether the connection made by connect() is open; disconnect()
    // closes it.
    virtual bool is_open() const = 0;
    virtual void disconnect() = 0;

    // Runs a statement with its values bound as parameters ("?") and reads
    // its rows. On a server, no answer within wait_ms gives the statement
    // up: the connection is dropped and a DbError (lost, NoAnswer) says
    // that the server does not answer. A quick statement fails at once as
    // busy where it would wait for another program's lock.
    virtual Rows run(const QString& sql, const QVariantList& params, int wait_ms, bool quick = false) = 0;
    // Several statements, each on its own; a server receives them together
    // and answers them in one round trip. The first error is thrown once
    // all have been answered.
    virtual QList<Rows> run_together(const QList<Statement>& statements, int wait_ms);

    // Stops the statement running now, from any thread: it fails with a
    // DbError (cancelled), and the connection stays usable. Called only
    // while a statement of the caller's runs; uncancel(), between two of
    // them on the session's own thread, forgets a cancel that came too
    // late to stop anything.
    virtual void cancel() {}
    virtual void uncancel() {}
    // From any thread, as the program ends: every wait for the database,
    // now and later, fails at once with a DbError (cancelled).
    virtual void abort() = 0;

    // How long a statement waits for another program's lock, in ms; a
    // server takes the new wait within wait_ms.
    virtual int lock_wait() const = 0;
    virtual void set_lock_wait(int ms, int wait_ms) = 0;
    // Refuses, before anything is written, a change the database cannot
    // take, with a message that says why.
    virtual void check_writable() {}
    // A number that changes whenever another program commits a change;
    // none when the engine cannot tell.
    virtual std::optional<qint64> change_count() = 0;

    // What opening a table asks the database, sent together with the
    // first rows: the table's columns, what it has of what the program
    // needs (the name indexes, a unique key, what tells other programs'
    // changes), and on a server the start of listening for those changes.
    virtual QList<Statement> table_statements(const QString& table) const = 0;
    // Takes the answers to table_statements(): returns the table's column
    // names as it spells them, empty when there is no such table; with
    // prepare, adds what is missing. Never changes a row; a database that
    // cannot be written is left as it is.
    virtual QStringList open_table(const QString& table, const QList<Rows>& answers, bool prepare, int wait_ms) = 0;
    // The column names of a table, asked on their own.
    QStringList columns(const QString& table, int wait_ms);
    // Adds rows to a table in one statement, within the caller's
    // transaction: values holds each row's values in the order of columns
    // (names as the table spells them, quoted). Many rows may rightly
    // take long: wait_ms is the longer bound.
    virtual void insert_rows(const QString& table, const QStringList& columns, const QVariantList& values, int wait_ms) = 0;
};
