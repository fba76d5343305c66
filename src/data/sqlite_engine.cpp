#include "sqlite_engine.h"

#include "connection.h"
#include "customer_row.h"
#include "name_match.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <sqlite3.h>
#include <unistd.h>

namespace {

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

QString quoted(const QString& name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

}  // namespace

QSqlDatabase SqliteEngine::connect(const QString& name, const QString& path, const QString&)
{
    path_ = path;
    const QString where = QCoreApplication::translate("SqliteEngine", "Cannot open the database %1: ").arg(this->name());
    if (!QFileInfo(path).isFile())
        throw DbError(DbError::FileMissing, where + QCoreApplication::translate("SqliteEngine", "the file does not exist."));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
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
    QVariant v = db.driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0) {
        sqlite3* handle = *static_cast<sqlite3* const*>(v.constData());
        register_name_match(handle);
        sqlite3_busy_timeout(handle, lockWait_);
        quick_ = false;
        std::lock_guard lock(interruptLock_);
        open_ = handle;
    }
    return db;
}

void SqliteEngine::disconnect()
{
    std::lock_guard lock(interruptLock_);
    open_ = nullptr;
}

void SqliteEngine::cancel()
{
    std::lock_guard lock(interruptLock_);
    if (open_)
        sqlite3_interrupt(open_);
}

QString SqliteEngine::name() const
{
    return u'"' + path_ + u'"';
}

sqlite3* SqliteEngine::handle(Connection& cn)
{
    QVariant v = cn.database().driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

void SqliteEngine::create_database(const QString& path)
{
    const QString where = QCoreApplication::translate("SqliteEngine", "Cannot create the database \"%1\": ").arg(path);
    // The file is made here, and only when it does not exist yet: SQLite
    // takes an empty file for an empty database, and nothing another
    // program made in the meantime is overwritten.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const bool exists = file.exists();
        throw DbError(exists ? DbError::FileExists : SQLITE_CANTOPEN,
                      where + (exists ? QCoreApplication::translate("SqliteEngine", "the file exists already; it is left as it is.") : file.errorString() + u'.'));
    }
    file.close();

    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    ok = ok && exec(db, QStringLiteral("BEGIN"));
    for (const QString& sql : SqliteEngine().create_statements(QStringLiteral("dept")))
        ok = ok && exec(db, sql);
    ok = ok && exec(db, QStringLiteral("COMMIT"));
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
    const QString cause = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QCoreApplication::translate("SqliteEngine", "out of memory");
    sqlite3_close(db);
    if (!ok) {
        QFile::remove(path);
        throw sqlite_error(code, where + cause);
    }
}

DbError SqliteEngine::error(const QSqlError& e) const
{
    bool ok = false;
    int number = e.nativeErrorCode().toInt(&ok);
    if (!ok || number == 0)
        number = SQLITE_ERROR;
    return sqlite_error(number, e.databaseText().isEmpty() ? e.text() : e.databaseText());
}

void SqliteEngine::set_lock_wait(Connection& cn, int ms)
{
    lockWait_ = ms;
    quick_ = false;
    if (sqlite3* db = handle(cn))
        sqlite3_busy_timeout(db, ms);
}

bool SqliteEngine::is_open(Connection& cn) const
{
    return cn.database().isOpen();
}

// A file has no answer to wait for beyond the lock: wait_ms is a server's.
Rows SqliteEngine::run(Connection& cn, const QString& sql, const QVariantList& params, int, bool quick)
{
    if (quick != quick_)
        if (sqlite3* db = handle(cn)) {
            sqlite3_busy_timeout(db, quick ? 0 : lockWait_);
            quick_ = quick;
        }
    QSqlQuery q(cn.database());
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
void SqliteEngine::check_writable(Connection& cn)
{
    const QString file = QCoreApplication::translate("SqliteEngine", "The database %1 ").arg(name());
    int moved = 0;
    if (sqlite3* db = handle(cn))
        sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved);
    if (moved && !QFileInfo::exists(path_))
        throw DbError(SQLITE_READONLY_DBMOVED, file + QCoreApplication::translate("SqliteEngine", "was deleted or moved while the program was running."));
    if (moved)
        throw DbError(SQLITE_READONLY_DBMOVED, file + QCoreApplication::translate("SqliteEngine", "was replaced by another file while the program was running."));
    if (::access(QFile::encodeName(path_).constData(), W_OK) != 0)
        throw DbError(SQLITE_READONLY, file + QCoreApplication::translate("SqliteEngine", "is read-only: %1.").arg(QString::fromLocal8Bit(std::strerror(errno))));
}

std::optional<qint64> SqliteEngine::change_count(Connection& cn)
{
    return cn.scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
}

QStringList SqliteEngine::columns(Connection& cn, const QString& table)
{
    QStringList names;
    Rows q = cn.query(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
    while (q.next())
        names << q.value(0).toString();
    return names;
}

void SqliteEngine::prepare_table(Connection& cn, const QString& table)
{
    const QString fname = kCustomerColumns[kFname].name;
    const QString lname = kCustomerColumns[kLname].name;
    const QString key = kCustomerColumns[0].name;
    QList<QPair<QString, QString>> wanted{
        {table + QStringLiteral("_fname"), fname + QStringLiteral(" COLLATE NOCASE")},
        {table + QStringLiteral("_lname"), lname + QStringLiteral(" COLLATE NOCASE")},
    };
    // The key is unique by itself where it is the table's own row key.
    Rows info = cn.query(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?) WHERE pk > 0"), {table});
    int keyColumns = 0;
    bool keyIsRowid = false;
    while (info.next()) {
        ++keyColumns;
        keyIsRowid = info.value(0).toString().compare(key, Qt::CaseInsensitive) == 0
                     && info.value(1).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
    }
    if (keyColumns != 1 || !keyIsRowid)
        wanted.append({table + QStringLiteral("_") + key, key});

    QSet<QString> present;
    Rows q = cn.query(QStringLiteral("SELECT lower(name) FROM sqlite_master WHERE type = 'index'"));
    while (q.next())
        present.insert(q.value(0).toString());
    // Only what is missing is written, without waiting: a file locked by
    // another program, read-only, or holding duplicate keys still works,
    // only slower or without the guard.
    const int wait = lockWait_;
    set_lock_wait(cn, 0);
    for (const auto& [index, expression] : wanted) {
        if (present.contains(index.toLower()))
            continue;
        const QString unique = expression == key ? QStringLiteral("UNIQUE ") : QString();
        try {
            cn.execute(QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)").arg(unique, quoted(index), quoted(table), expression));
        } catch (const DbError&) {
        }
    }
    set_lock_wait(cn, wait);
}

QStringList SqliteEngine::create_statements(const QString& table) const
{
    QStringList columns;
    for (int i = 0; i < int(kCustomerColumns.size()); ++i) {
        const CustomerColumn& c = kCustomerColumns[i];
        QString type;
        switch (c.kind) {
        case CustomerColumn::Key: type = QStringLiteral("INTEGER PRIMARY KEY"); break;
        case CustomerColumn::Text: type = (i == kFname || i == kLname) ? QStringLiteral("TEXT COLLATE NOCASE") : QStringLiteral("TEXT"); break;
        case CustomerColumn::Number: type = QStringLiteral("INTEGER DEFAULT 0"); break;
        }
        columns << QString::fromLatin1(c.name) + u' ' + type;
    }
    return {
        QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", "))),
        QStringLiteral("CREATE INDEX %1_fname ON %1 (%2 COLLATE NOCASE)").arg(table, kCustomerColumns[kFname].name),
        QStringLiteral("CREATE INDEX %1_lname ON %1 (%2 COLLATE NOCASE)").arg(table, kCustomerColumns[kLname].name),
    };
}

// The write lock at once: a deferred transaction would read the largest
// key under a shared lock that another program's write could still get
// in ahead of.
QStringList SqliteEngine::begin_adding(const QString&) const
{
    return {QStringLiteral("BEGIN IMMEDIATE")};
}

void SqliteEngine::insert_rows(Connection& cn, const QString& table, const QStringList& columns, const QVariantList& values)
{
    if (values.isEmpty())
        return;
    check_writable(cn);
    sqlite3* db = handle(cn);
    if (!db)
        throw DbError(SQLITE_MISUSE, QCoreApplication::translate("SqliteEngine", "The database %1 is not open.").arg(name()));
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

NameCondition SqliteEngine::name_condition(const QString& column, const QString& pattern) const
{
    NameCondition out;
    out.sort = column + QStringLiteral(" COLLATE NOCASE");
    // A range of the NOCASE name index narrows the rows; th_like decides
    // exactly where the range alone cannot.
    QStringList conditions;
    const auto range = name_range(pattern);
    if (range) {
        conditions << out.sort + QStringLiteral(" >= ?");
        out.params << range->lo;
        if (!range->hi.isEmpty()) {
            conditions << out.sort + QStringLiteral(" < ?");
            out.params << range->hi;
        }
    }
    if (!range || !range->exact) {
        conditions << QStringLiteral("th_like(%1, ?)").arg(column);
        out.params << pattern;
    }
    out.where = conditions.join(QStringLiteral(" AND "));
    return out;
}

QString SqliteEngine::same_value(const QString& column) const
{
    return column + QStringLiteral(" IS ? COLLATE BINARY");
}
