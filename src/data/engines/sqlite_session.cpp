#include "data/engines/sqlite_session.h"

#include "data/customer_row.h"
#include "data/engines/name_match.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sqlite3.h>
#include <pwd.h>
#include <unistd.h>

namespace {

// The login name of the user this program runs as.
QString login_name()
{
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name && *found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    for (const char* variable : {"LOGNAME", "USER"})
        if (const QString name = qEnvironmentVariable(variable); !name.isEmpty())
            return name;
    return QStringLiteral("uid %1").arg(geteuid());
}

DbError sqlite_error(int code, const QString& message)
{
    const int primary = code & 0xff;
    const bool busy = primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
    if (primary == SQLITE_INTERRUPT)
        return DbError(code, message, DbError::Kind::Cancelled);
    return DbError(code, message, busy ? DbError::Kind::Busy : DbError::Kind::Failed);
}

bool exec(sqlite3* db, const QString& sql)
{
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tallyhouse-%1").arg(++counter);
}

}  // namespace

SqliteSession::SqliteSession() : qtName_(nextConnectionName()) {}

SqliteSession::~SqliteSession()
{
    disconnect();
}

void SqliteSession::disconnect()
{
    {
        std::lock_guard lock(interruptLock_);
        open_ = nullptr;
    }
    db_.close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(qtName_))
        QSqlDatabase::removeDatabase(qtName_);
}

void SqliteSession::connect(const QString& path, const QString&, int)
{
    disconnect();
    path_ = path;
    const QString where = QCoreApplication::translate("SqliteSession", "Cannot open the database %1: ").arg(this->name());
    if (!QFileInfo(path).isFile())
        throw DbError(DbError::FileMissing, where + QCoreApplication::translate("SqliteSession", "the file does not exist."));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), qtName_);
    // A URI with mode=rw opens an existing file only; plain names would
    // silently create an empty database.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(lockWait_));
    QUrl url = QUrl::fromLocalFile(path);
    url.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    if (!db.open())
        throw error(db.lastError()).prefixed(where);

    // The first read tells a database from any other file.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const DbError e = error(probe.lastError()).prefixed(where);
        probe = QSqlQuery();
        db.close();
        throw e;
    }
    db_ = db;
    if (sqlite3* h = handle()) {
        register_name_match(h);
        // The probe waited for a lock as Qt's driver waits; from now on the
        // session's own wait, which a cancel or the program's end cuts short.
        sqlite3_busy_handler(h, &SqliteSession::busy, this);
        quick_ = false;
        // Opened again: this connection's history is its user's still.
        add_author_trigger();
        std::lock_guard lock(interruptLock_);
        open_ = h;
    }
}

int SqliteSession::busy(void* session, int tries)
{
    auto* self = static_cast<SqliteSession*>(session);
    // SQLite's own steps, a few milliseconds each at first.
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50};
    constexpr int kLast = 100;
    int waited = 0;
    for (int i = 0; i < tries; ++i)
        waited += i < int(std::size(kSteps)) ? kSteps[i] : kLast;
    const int wait = self->quick_ ? 0 : self->lockWait_;
    if (waited >= wait || self->cancelled_ || self->aborted_)
        return 0;
    const int step = tries < int(std::size(kSteps)) ? kSteps[tries] : kLast;
    sqlite3_sleep(std::min(step, wait - waited));
    return !self->cancelled_ && !self->aborted_;
}

void SqliteSession::interrupt()
{
    std::lock_guard lock(interruptLock_);
    if (open_)
        sqlite3_interrupt(open_);
}

void SqliteSession::cancel()
{
    cancelled_ = true;
    interrupt();
}

void SqliteSession::uncancel()
{
    cancelled_ = false;
}

void SqliteSession::abort()
{
    aborted_ = true;
    interrupt();
}

sqlite3* SqliteSession::handle() const
{
    if (!db_.isOpen())
        return nullptr;
    QVariant v = db_.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

void SqliteSession::create_database(const QString& path)
{
    const QString where = QCoreApplication::translate("SqliteSession", "Cannot create the database \"%1\": ").arg(path);
    // The file is made here, and only when it does not exist yet: SQLite
    // takes an empty file for an empty database, and nothing another
    // program made in the meantime is overwritten.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const bool exists = file.exists();
        throw DbError(exists ? DbError::FileExists : SQLITE_CANTOPEN,
                      where + (exists ? QCoreApplication::translate("SqliteSession", "the file exists already; it is left as it is.") : file.errorString() + u'.'));
    }
    file.close();

    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    ok = ok && exec(db, QStringLiteral("BEGIN"));
    for (const QString& sql : SqliteDialect().create_statements(QStringLiteral("dept")))
        ok = ok && exec(db, sql);
    ok = ok && exec(db, QStringLiteral("COMMIT"));
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
    const QString cause = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QCoreApplication::translate("SqliteSession", "out of memory");
    sqlite3_close(db);
    if (!ok) {
        QFile::remove(path);
        throw sqlite_error(code, where + cause);
    }
}

DbError SqliteSession::error(const QSqlError& e) const
{
    bool ok = false;
    int number = e.nativeErrorCode().toInt(&ok);
    if (!ok || number == 0)
        number = SQLITE_ERROR;
    return sqlite_error(number, e.databaseText().isEmpty() ? e.text() : e.databaseText());
}

void SqliteSession::set_lock_wait(int ms, int)
{
    lockWait_ = ms;
}

bool SqliteSession::is_open() const
{
    return db_.isOpen();
}

Rows SqliteSession::run(const QString& sql, const QVariantList& params, int, bool quick)
{
    // A statement of a question given up, or of a program that ends, is
    // not begun.
    if (cancelled_ || aborted_)
        throw sqlite_error(SQLITE_INTERRUPT, QCoreApplication::translate("SqliteSession", "The statement was given up."));
    quick_ = quick;
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    // A statement without values runs as it is.
    if (params.isEmpty()) {
        if (!q.exec(sql))
            throw error(q.lastError());
    } else {
        if (!q.prepare(sql))
            throw error(q.lastError());
        for (const QVariant& p : params)
            q.addBindValue(p);
        if (!q.exec())
            throw error(q.lastError());
    }
    Rows out;
    out.changed = q.numRowsAffected();
    // Read to the end: a change with a RETURNING clause commits only when
    // its statement has run to its end, and a refused commit is an error
    // here, not lost in the reset.
    const int columns = q.record().count();
    while (q.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << q.value(i);
        out.rows << std::move(row);
    }
    if (q.lastError().isValid())
        throw error(q.lastError());
    return out;
}

// SQLite would refuse or fail too, but with a message that names neither
// the file nor the cause, and a write that fails half-way on a read-only
// file leaves a journal that stops every later read.
void SqliteSession::check_writable()
{
    const QString file = QCoreApplication::translate("SqliteSession", "The database %1 ").arg(name());
    int moved = 0;
    if (sqlite3* db = handle())
        sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved);
    if (moved && !QFileInfo::exists(path_))
        throw DbError(SQLITE_READONLY_DBMOVED, file + QCoreApplication::translate("SqliteSession", "was deleted or moved while the program was running."));
    if (moved)
        throw DbError(SQLITE_READONLY_DBMOVED, file + QCoreApplication::translate("SqliteSession", "was replaced by another file while the program was running."));
    if (::access(QFile::encodeName(path_).constData(), W_OK) != 0)
        throw DbError(SQLITE_READONLY, file + QCoreApplication::translate("SqliteSession", "is read-only: %1.").arg(QString::fromLocal8Bit(std::strerror(errno))));
}

std::optional<qint64> SqliteSession::change_count()
{
    // Closed, the file tells nothing until it is opened again.
    if (!is_open())
        return std::nullopt;
    Rows q = run(QStringLiteral("PRAGMA data_version"), {}, 0, false);
    return q.next() ? q.value(0).toLongLong() : 0;
}

QList<Statement> SqliteSession::table_statements(const QString& table) const
{
    return {
        {QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"), {table}},
        {QStringLiteral("SELECT lower(name) FROM sqlite_master WHERE type IN ('index', 'table', 'trigger')"), {}},
    };
}

QStringList SqliteSession::open_table(const QString& table, const QList<Rows>& answers, bool prepare, int)
{
    QStringList names;
    const QString key = kCustomerColumns[0].name;
    // The key is unique by itself where it is the table's own row key.
    int keyColumns = 0;
    bool keyIsRowid = false;
    for (const QVariantList& column : answers.value(0).rows) {
        names << column.value(0).toString();
        if (column.value(2).toInt() > 0) {
            ++keyColumns;
            keyIsRowid = column.value(0).toString().compare(key, Qt::CaseInsensitive) == 0
                         && column.value(1).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        }
    }
    if (names.isEmpty() || !prepare)
        return names;
    QList<int> wanted{kFname, kLname};
    if (keyColumns != 1 || !keyIsRowid)
        wanted.append(0);
    QSet<QString> present;
    for (const QVariantList& index : answers.value(1).rows)
        present.insert(index.value(0).toString());
    // The name indexes, and the sort index of each column the table has.
    QStringList missing;
    for (const int column : wanted)
        if (!present.contains(SqliteDialect::index_name(table, column).toLower()))
            missing << SqliteDialect::index_statement(table, column);
    const auto at = column_positions(names);
    for (int i = 1; i < int(kCustomerColumns.size()); ++i)
        if (at[i] >= 0 && !present.contains(Dialect::sort_index_name(table, i)))
            missing << SqliteDialect().sort_index_statement(table, i, Dialect::quoted(names[at[i]]));
    // Only what is missing is written, without waiting: a file locked by
    // another program, read-only, or holding duplicate keys still works,
    // only slower or without the guard.
    for (const QString& sql : missing) {
        try {
            check_writable();
            run(sql, {}, 0, true);
        } catch (const DbError& e) {
            if (e.cancelled())
                throw;
        }
    }
    // The history, made whole in one transaction where any of it is
    // missing (a file made before it was kept): the same rule as above.
    bool history = true;
    for (const QString& object : SqliteDialect::history_objects(table))
        history = history && present.contains(object);
    if (!history) {
        try {
            check_writable();
            run(QStringLiteral("BEGIN IMMEDIATE"), {}, 0, true);
            for (const QString& sql : SqliteDialect().history_statements(table, names))
                run(sql, {}, 0, true);
            run(QStringLiteral("COMMIT"), {}, 0, true);
            history = true;
        } catch (const DbError& e) {
            if (sqlite3* h = handle(); h && !sqlite3_get_autocommit(h))
                exec(h, QStringLiteral("ROLLBACK"));
            if (e.cancelled())
                throw;
        }
    }
    if (history) {
        authorTrigger_ = SqliteDialect::author_trigger(table, login_name());
        add_author_trigger();
    }
    return names;
}

void SqliteSession::add_author_trigger()
{
    // A connection that may not write even its own temporary triggers
    // writes no history either.
    if (sqlite3* h = handle(); h && !authorTrigger_.isEmpty())
        exec(h, authorTrigger_);
}

void SqliteSession::insert_rows(const QString& table, const QStringList& columns, const QVariantList& values, int)
{
    if (values.isEmpty())
        return;
    check_writable();
    sqlite3* db = handle();
    if (!db)
        throw DbError(SQLITE_MISUSE, QCoreApplication::translate("SqliteSession", "The database %1 is not open.").arg(name()));
    const QString row = u'(' + QStringList(columns.size(), QStringLiteral("?")).join(u',') + u')';
    const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                               .arg(table, columns.join(QStringLiteral(", ")), QStringList(values.size() / columns.size(), row).join(u','))
                               .toUtf8();
    sqlite3_stmt* insert = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &insert, nullptr);
    for (int i = 0; rc == SQLITE_OK && i < values.size(); ++i) {
        const QVariant& v = values[i];
        if (v.isNull()) {
            rc = sqlite3_bind_null(insert, i + 1);
        } else if (v.typeId() == QMetaType::QString) {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(insert, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        } else if (v.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(insert, i + 1, v.toDouble());
        } else {
            rc = sqlite3_bind_int64(insert, i + 1, v.toLongLong());
        }
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_step(insert) == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(db);
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(insert);
    if (rc != SQLITE_OK)
        throw sqlite_error(rc, message);
}
