#pragma once

#include "data/engines/db_session.h"
#include "data/engines/sqlite_dialect.h"

#include <QSqlDatabase>
#include <atomic>
#include <mutex>

class QSqlError;
struct sqlite3;

// A session with an SQLite file, opened in place and never created.
// Its statements are SqliteDialect's; it adds th_like, the program's own
// LIKE function, to each connection.
// The journal mode is left as the file has it: the file may lie on a
// folder shared by several machines, where a write-ahead log is unsafe.
class SqliteSession : public DbSession {
public:
    // How long a statement waits for another program's lock.
    static constexpr int kLockWaitMs = 3000;

    SqliteSession();
    ~SqliteSession() override;
    SqliteSession(const SqliteSession&) = delete;
    SqliteSession& operator=(const SqliteSession&) = delete;

    // A file has no answer to wait for beyond the lock: the wait_ms of
    // these is a server's.
    void connect(const QString& path, const QString& password, int wait_ms) override;
    bool is_open() const override;
    void disconnect() override;
    // sqlite3_interrupt(): the statement ends at its next step, and a wait
    // for another program's lock ends too.
    void cancel() override;
    void uncancel() override;
    void abort() override;
    Rows run(const QString& sql, const QVariantList& params, int wait_ms, bool quick) override;

    int lock_wait() const override { return lockWait_; }
    void set_lock_wait(int ms, int wait_ms) override;
    void check_writable() override;
    std::optional<qint64> change_count() override;

    // The columns, the table's key and the indexes, from the catalogue.
    QList<Statement> table_statements(const QString& table) const override;
    QStringList open_table(const QString& table, const QList<Rows>& answers, bool prepare, int wait_ms) override;
    // One multi-row INSERT, bound through SQLite's own API: Qt's driver
    // asks the name of every bound value, which SQLite finds by a walk
    // over all of them, so that thousands of values cost millions of
    // comparisons.
    void insert_rows(const QString& table, const QStringList& columns, const QVariantList& values, int wait_ms) override;

    // The connection's own sqlite3 handle, for work the Qt driver does not
    // offer; none when it is not open.
    sqlite3* handle() const;

    // Creates a new database file at path holding an empty customer table
    // dept with its indexes. An existing file is never touched; a file
    // half made is removed. A DbError names the file and the cause.
    static void create_database(const QString& path);

private:
    QString name() const { return SqliteDialect().name(path_); }
    // An error of a statement, with its number, and busy when another
    // program's lock kept the statement from running.
    DbError error(const QSqlError& e) const;

    const QString qtName_;  // the name of the Qt connection, its own
    QSqlDatabase db_;
    QString path_;
    // Waits for another program's lock, up to lockWait_ (0 while quick_),
    // unless cancelled or aborted meanwhile.
    static int busy(void* session, int tries);
    // Stops the statement running now, if any.
    void interrupt();

    // Adds authorTrigger_, the TEMP trigger that names this program's user
    // as the author of the history its statements write (see
    // SqliteDialect::author_trigger), once the table is opened and again
    // whenever the connection is opened again.
    void add_author_trigger();
    QString authorTrigger_;

    int lockWait_ = kLockWaitMs;
    bool quick_ = false;  // the connection waits for no lock for now
    std::mutex interruptLock_;  // held while open_ changes, and by interrupt()
    sqlite3* open_ = nullptr;   // the connection's handle while it is open
    std::atomic<bool> cancelled_ = false;
    std::atomic<bool> aborted_ = false;
};
