#include "connection.h"

#include "name_match.h"
#include "schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sqlite3.h>
#include <unistd.h>

namespace {
// How long a statement waits for another program's lock before it fails.
constexpr int kBusyTimeoutMs = 3000;

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tallyhouse-%1").arg(++counter);
}
}  // namespace

Connection::Connection() : name_(nextConnectionName()) {}

Connection::~Connection()
{
    if (db_.isValid()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
}

DbError Connection::errorOf(const QSqlError& e, const QString& context)
{
    bool ok = false;
    int number = e.nativeErrorCode().toInt(&ok);
    if (!ok || number == 0)
        number = SQLITE_ERROR;
    QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return DbError(number, context.isEmpty() ? text : context + text);
}

DbError Connection::openFailure(const DbError& cause) const
{
    return DbError(cause.number(), QStringLiteral("Cannot open the database \"%1\": ").arg(path_) + cause.message());
}

void Connection::open(const QString& path)
{
    path_ = path;
    const QString where = openFailure(DbError(0, {})).message();
    if (!QFileInfo(path).isFile())
        throw DbError(DbError::FileMissing, where + QStringLiteral("the file does not exist."));

    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    // A URI with mode=rw opens an existing file only; plain names would
    // silently create an empty database.
    db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    QUrl url = QUrl::fromLocalFile(path);
    url.setQuery(QStringLiteral("mode=rw"));
    db_.setDatabaseName(url.toString(QUrl::FullyEncoded));
    if (!db_.open())
        throw errorOf(db_.lastError(), where);

    try {
        // The first read tells a database from any other file.
        QSqlQuery probe = query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'dept' COLLATE NOCASE"));
        probe.next();
        if (probe.value(0).toInt() == 0)
            throw DbError(DbError::NoDeptTable, where + QStringLiteral("it holds no table dept."));
    } catch (const DbError& e) {
        db_.close();
        if (e.number() == DbError::NoDeptTable)
            throw;
        throw DbError(e.number(), where + e.message());
    }
    register_name_match(handle());
    schema::ensure_indexes(*this);
}

sqlite3* Connection::handle() const
{
    QVariant v = db_.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

QSqlQuery Connection::query(const QString& sql, const QVariantList& params) const
{
    if (!db_.isOpen())
        throw DbError(SQLITE_MISUSE, QStringLiteral("The database connection is not open."));
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw errorOf(q.lastError());
    for (const QVariant& p : params)
        q.addBindValue(p);
    if (!q.exec())
        throw errorOf(q.lastError());
    return q;
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params) const
{
    QSqlQuery q = query(sql, params);
    if (!q.next()) {
        if (q.lastError().isValid())
            throw errorOf(q.lastError());
        return {};
    }
    return q.value(0);
}

void Connection::requireWritable() const
{
    const QString file = QStringLiteral("The database \"%1\" ").arg(path_);
    int moved = 0;
    if (sqlite3* db = handle())
        sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved);
    if (moved && !QFileInfo::exists(path_))
        throw DbError(SQLITE_READONLY_DBMOVED, file + QStringLiteral("was deleted or moved while the program was running."));
    if (moved)
        throw DbError(SQLITE_READONLY_DBMOVED, file + QStringLiteral("was replaced by another file while the program was running."));
    if (::access(QFile::encodeName(path_).constData(), W_OK) != 0)
        throw DbError(SQLITE_READONLY, file + QStringLiteral("is read-only: %1.").arg(QString::fromLocal8Bit(std::strerror(errno))));
}

qint64 Connection::execute(const QString& sql, const QVariantList& params, QVariant* returned)
{
    requireWritable();
    QSqlQuery q = query(sql, params);
    const qint64 changed = q.numRowsAffected();
    if (returned) {
        *returned = q.next() ? q.value(0) : QVariant();
        // The change commits only when the statement has run to its end:
        // step there, so that a refused commit is an error here and not
        // lost in the reset.
        while (q.next()) {
        }
        if (q.lastError().isValid())
            throw errorOf(q.lastError());
    }
    q.finish();
    ++generation_;
    return changed;
}

qint64 Connection::dataVersion() const
{
    return scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
}
