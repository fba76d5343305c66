#pragma once

#include "data/engines/db_session.h"

#include <QHash>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

typedef struct pg_conn PGconn;
typedef struct pg_cancel PGcancel;

// A session with a PostgreSQL database named by a connection URL as
// libpq understands it (several hosts and target_session_attrs for
// failover, sslmode, ...). Its statements are PgDialect's. Other
// programs' changes arrive as notifications sent by the table's trigger.
class PgSession : public DbSession {
public:
    // How long a statement waits for another program's lock.
    static constexpr int kLockWaitMs = 3000;
    // How long connecting to one host may take before the next is tried.
    static constexpr int kConnectWaitMs = 3000;
    // The server settings of every connection: parallel workers slow the
    // program's short questions down, and plans are made for the values of
    // each one, so that a name prefix always finds its index.
    // The lock wait is the session's, set here once.
    static constexpr const char* kSessionSettings =
        "-c max_parallel_workers_per_gather=0 -c plan_cache_mode=force_custom_plan -c lock_timeout=3000";

    PgSession();
    ~PgSession() override;
    PgSession(const PgSession&) = delete;
    PgSession& operator=(const PgSession&) = delete;

    // Connects through libpq itself: Qt's driver would cost three round
    // trips for each statement with values. Each host of the URL in turn,
    // waiting up to kConnectWaitMs for each.
    void connect(const QString& url, const QString& password, int wait_ms) override;
    bool is_open() const override { return conn_ != nullptr; }
    void disconnect() override;
    // Asks the server, on a connection of its own, to stop the statement
    // running; the next statement is sent only once that request is
    // through, so that it never stops the wrong one.
    void cancel() override;
    void uncancel() override {}
    // Every wait ends at once, the connection is dropped, and nothing is
    // sent any more.
    void abort() override;
    // Each statement is sent with its values in one message: one round
    // trip. Several go out together in libpq's pipeline mode.
    Rows run(const QString& sql, const QVariantList& params, int wait_ms, bool quick = false) override;
    QList<Rows> run_together(const QList<Statement>& statements, int wait_ms) override;

    int lock_wait() const override { return lockWait_; }
    void set_lock_wait(int ms, int wait_ms) override;
    std::optional<qint64> change_count() override;

    // LISTEN, the columns and what the table has, in one statement each.
    QList<Statement> table_statements(const QString& table) const override;
    QStringList open_table(const QString& table, const QList<Rows>& answers, bool prepare, int wait_ms) override;
    // COPY through libpq: a statement for many rows needs no parsing of
    // thousands of values, which makes a multi-row INSERT slow here.
    void insert_rows(const QString& table, const QStringList& columns, const QVariantList& values, int wait_ms) override;

private:
    DbError error(const QString& state, const QString& text) const;
    DbError error_of(const struct pg_result* result) const;
    // Connects to one host; the connection, or null with why.
    PGconn* connect_once(const QList<QByteArray>& keys, const QList<QByteArray>& values, QString& why);
    // Waits until the socket is ready for what events asks, until deadline:
    // false when the deadline passed; a DbError when aborted.
    bool wait_for(int socket, short events, qint64 deadline);
    // Sends a statement, in or out of a pipeline.
    void send(const QString& sql, const QVariantList& params);
    // The next result of what was sent, waiting for it until deadline;
    // gives up (drops the connection, NoAnswer) when none comes by then.
    struct pg_result* next_result(qint64 deadline);
    // The rows of a statement's results, up to its end; its error thrown.
    Rows take(qint64 deadline);
    // The connection as it must be for a statement: open, and no cancel
    // request on its way (waiting up to wait_ms for one).
    void require_ready(int wait_ms);
    DbError give_up();
    DbError aborted() const;
    void abandon();
    // libpq's text for each "?" numbered as $1, $2, ...
    const QByteArray& numbered(const QString& sql);

    QString name_;
    PGconn* conn_ = nullptr;  // the open connection
    // Written to by abort(): a wait on the socket wakes at once.
    int wake_ = -1;
    std::atomic<bool> aborted_ = false;
    // What cancels the open connection's statement, and the cancel
    // requests on their way. PQcancel blocks until the server has the
    // request, with no bound: it runs on a short-lived thread of its own,
    // shared with this struct, so that neither the connection's thread
    // nor the end of the program waits on a server that does not answer.
    struct Cancels {
        std::mutex lock;
        std::condition_variable done;
        std::shared_ptr<PGcancel> canceller;
        int out = 0;
    };
    std::shared_ptr<Cancels> cancels_ = std::make_shared<Cancels>();
    // The server process of a connection given up or lost while it may
    // still run a statement, and the name that connection gave itself.
    int abandoned_ = 0;
    QString abandonedName_;
    // The server process of the open connection, and the name it gave itself.
    int serverProcess_ = 0;
    QString sessionName_;
    QHash<QString, QByteArray> texts_;
    int lockWait_ = kLockWaitMs;
    bool listening_ = false;  // LISTEN was sent: again after reconnecting
    bool notifying_ = false;  // the table has the trigger that notifies changes
    qint64 notified_ = 0;     // notifications and reconnections seen
};
