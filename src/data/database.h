#pragma once

#include "data/engines/db_session.h"
#include "data/engines/dialect.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

// One open database, used from one thread: the statements run on it with
// their values bound as parameters, transactions, and a count of the
// changes made through it. What differs between engines is the engine's:
// the text of its statements its Dialect's, the live connection its
// DbSession's.
//
// The window reaches a database only through a Connection (connection.h),
// which runs one on a thread of its own; a command-line tool, which has no
// window to keep answering, uses one directly.
class Database {
public:
    // How long a statement waits for a server's answer before it is given
    // up, and the same for what may rightly take long: adding many rows,
    // their commit, counting a large listing.
    static constexpr int kAnswerWaitMs = 10000;
    static constexpr int kLongAnswerWaitMs = 300000;

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the database (a file path or a server URL), with the password
    // when the server asks for one; an open one is closed first. Never
    // creates a database. A DbError names the database and the cause.
    void open(const QString& target, const QString& password = {});
    bool is_open() const { return session_ && session_->is_open(); }
    void close();
    // The database as messages name it, e.g. "\"/home/ann/db40.mdb\"";
    // what target() names, before it is opened too.
    static QString name_of(const QString& target);
    const QString& name() const { return name_; }
    // The SQL of the open database's engine.
    const Dialect& dialect() const { return *dialect_; }
    // The live session itself, for a benchmark's look at what only it
    // holds (SQLite's handle): everything else runs through this class.
    DbSession& session() const { return *session_; }

    // The bounds on waiting for an answer (kAnswerWaitMs, kLongAnswerWaitMs).
    int answerWait() const { return answerWait_; }
    int longAnswerWait() const { return longAnswerWait_; }
    void setAnswerWaits(int answer, int longer)
    {
        answerWait_ = answer;
        longAnswerWait_ = longer;
    }

    // The error for a database that opened but cannot be used: the message
    // names the database, as open()'s own errors do.
    DbError openFailure(const DbError& cause) const;

    // Runs a query and returns its rows. After a read that found the
    // database locked by another program, the reads fail at once as busy
    // until one gets through. A query that finds the connection lost
    // reconnects and runs once more; one the server did not answer is not
    // run again: the next one connects again.
    Rows query(const QString& sql, const QVariantList& params = {});
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // Several queries; a server answers them in one round trip.
    QList<Rows> queries(const QList<Statement>& statements);

    // Runs one change and returns the number of rows it changed. Refuses,
    // before anything is written, when the database cannot take it. A
    // statement with a RETURNING clause gives its first value in returned.
    // A change cut off with the connection is never run again here: whether
    // it was done is for the caller to check.
    qint64 execute(const QString& sql, const QVariantList& params = {}, QVariant* returned = nullptr);
    // Runs one change as execute() does and, where the session runs
    // statements sent together as one transaction (Dialect::sends_together),
    // the reads after it in the same round trip: the change and the reads
    // then stand or fall together, and the reads see the change. Returns
    // the change's answer followed by the reads' (none where the session
    // runs one statement at a time: the caller reads afterwards).
    QList<Rows> change_and_read(const Statement& change, const QList<Statement>& reads);

    // A transaction: begin runs the statements that start one (plain
    // BEGIN, or an engine's own, see Dialect::begin_adding), commit and
    // rollback end it. While one is open a lost connection is an error,
    // never reconnected behind the caller's back: the statements after it
    // would run outside the transaction. rollback() ignores errors: a
    // transaction cut off with its connection is rolled back by the
    // database itself.
    void begin(const QStringList& statements = {QStringLiteral("BEGIN")});
    void commit();
    void rollback() noexcept;

    // Bumped by every change made through this database; with the
    // session's count of other programs' changes it tells a record set
    // whether reading again can show anything new.
    quint64 generation() const { return generation_; }
    // Both, as the list read last noted them.
    using Stamp = std::pair<quint64, std::optional<qint64>>;
    Stamp change_stamp() { return {generation_, change_count()}; }

    // What the session does on the open database (see DbSession). Rows
    // are inserted within the caller's transaction, waiting longAnswerWait().
    QStringList columns(const QString& table);
    std::optional<qint64> change_count();
    void insert_rows(const QString& table, const QStringList& columns, const QVariantList& values);
    int lock_wait();
    void set_lock_wait(int ms);

    // From any thread: stops the statement running now (its caller gets a
    // DbError, cancelled) and leaves the database usable; uncancel() on
    // the database's own thread forgets a cancel that came too late.
    void cancel();
    void uncancel();
    // From any thread, as the program ends: every wait now and later fails
    // at once.
    void abort();

    // Opens the same database again after the connection was lost; a
    // DbError (lost) when it cannot be reached yet.
    void reconnect();

private:
    // Runs work; when it finds the connection lost, reconnects and runs it
    // once more. A question the server did not answer is not asked again,
    // nor one inside a transaction.
    template <class Work>
    auto once_more_if_lost(Work work) -> decltype(work());
    Rows run(const QString& sql, const QVariantList& params, int wait_ms, bool quick = false);
    // A read, failing at once as busy after one that just did.
    Rows read(const QString& sql, const QVariantList& params);
    void requireOpen() const;
    void checkValues(const QList<Statement>& statements) const;

    // Set when a read found the database locked by another program: the
    // reads after it fail at once instead of waiting for the lock again,
    // until one gets through.
    bool quick_ = false;
    int answerWait_ = kAnswerWaitMs;
    int longAnswerWait_ = kLongAnswerWaitMs;

    QString target_;
    QString password_;
    QString name_;
    const Dialect* dialect_ = nullptr;
    std::mutex sessionLock_;  // held while session_ is replaced, for cancel() and abort()
    std::unique_ptr<DbSession> session_;
    std::atomic<bool> aborted_ = false;
    quint64 generation_ = 0;
    bool inTransaction_ = false;
};
