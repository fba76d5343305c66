#pragma once

#include "data/engines/db_session.h"
#include "data/engines/dialect.h"

#include <QObject>
#include <QVariantList>
#include <atomic>
#include <memory>
#include <mutex>

// The database connection: one open database, the statements run on it
// with their values bound as parameters, and a count of the changes made
// through it. What differs between engines is the engine's: the text of
// its statements its Dialect's, the live connection its DbSession's.
//
// The database is used on a thread of the connection's own: every call
// runs there, and the caller waits for its answer. The window's thread
// goes on taking events while it waits (a local event loop, once the
// answer takes more than a few milliseconds): it paints, takes keys and
// answers screen readers, and asking() tells its handlers that a question
// is out, so that they wait for the answer (answered()) or cancel it
// rather than ask another.
class Connection : public QObject {
    Q_OBJECT
public:
    // How long a statement waits for a server's answer before it is given
    // up, and the same for what may rightly take long: adding many rows,
    // their commit, counting a large listing.
    static constexpr int kAnswerWaitMs = 10000;
    static constexpr int kLongAnswerWaitMs = 300000;

    Connection();
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the database (a file path or a server URL); an open one is
    // closed first. Never creates a database. A DbError names the
    // database and the cause.
    void open(const QString& target);
    // The password for the next open, when the server asks for one. It is
    // kept for reconnecting and never shown.
    void setPassword(const QString& password) { password_ = password; }
    // What was opened and with which password, for a second connection.
    const QString& target() const { return target_; }
    const QString& password() const { return password_; }
    // Opens the same database again after the connection was lost; a
    // DbError (lost) when it cannot be reached yet.
    void reconnect();
    // The SQL of the open database's engine.
    const Dialect& dialect() const { return *dialect_; }
    // The database as messages name it, e.g. "\"/home/ann/db40.mdb\"".
    const QString& name() const { return databaseName_; }
    // The live session itself, for a benchmark's look at what only it
    // holds (SQLite's handle): everything else runs on it through the
    // connection's own functions.
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

    // Runs a query and returns its rows, positioned before the first.
    // After a read that found the database locked by another program, the
    // reads fail at once as busy until one gets through. A
    // query that finds the connection lost reconnects and runs once more;
    // one the server did not answer is not run again: the next one
    // connects again.
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
    bool inTransaction() const { return inTransaction_; }

    // Bumped by every change made through this connection; with the
    // session's count of other programs' changes it tells a record set
    // whether reading again can show anything new.
    quint64 generation() const { return generation_; }

    // What the session does on the open database, on the connection's
    // thread (see DbSession). Rows are inserted within the caller's
    // transaction, waiting longAnswerWait().
    QStringList columns(const QString& table);
    void prepare_table(const QString& table);
    std::optional<qint64> change_count();
    void insert_rows(const QString& table, const QStringList& columns, const QVariantList& values);
    int lock_wait();
    void set_lock_wait(int ms);

    // True while a question asked on this thread waits for its answer;
    // another asked meanwhile (from an event the wait took) is refused
    // with a DbError (cancelled).
    bool asking() const { return asking_; }
    // Gives up the question out, a read whose answer is no longer wanted
    // (the list for an older filter text): the engine stops it where it
    // can, its caller gets a DbError (cancelled) whatever comes back, and
    // the connection stays usable.
    void cancel();

signals:
    // The question out was answered (or failed): what waited may ask now.
    void answered();

private:
    // Runs work on the connection's thread and returns what it returns,
    // or throws what it throws; called there, it just runs it.
    template <class Work>
    auto ask(Work work) -> decltype(work());
    struct Thread;
    std::unique_ptr<Thread> thread_;
    bool asking_ = false;
    bool cancelled_ = false;  // the question out was given up
    std::mutex sessionLock_;  // held while session_ is replaced, for cancel()

    Rows run(const QString& sql, const QVariantList& params, int wait_ms, bool quick = false);
    // A read, failing at once as busy after one that just did.
    Rows read(const QString& sql, const QVariantList& params);
    void requireOpen() const;
    void close();
    // reconnect() and begin(), on the connection's thread.
    void connectAgain();
    void beginHere(const QStringList& statements);
    // Set when a read found the database locked by another program: the
    // reads after it fail at once instead of waiting for the lock again,
    // until one gets through. Tries that must not hold up the user (the
    // grid's repaints, the look for other programs' changes) fail fast so.
    bool quick_ = false;
    int answerWait_ = kAnswerWaitMs;
    int longAnswerWait_ = kLongAnswerWaitMs;

    QString target_;
    QString databaseName_;
    const Dialect* dialect_ = nullptr;
    QString password_;
    std::unique_ptr<DbSession> session_;
    std::atomic<quint64> generation_ = 0;
    bool inTransaction_ = false;
};
