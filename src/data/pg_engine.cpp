#include "pg_engine.h"

#include "connection.h"
#include "customer_row.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlError>
#include <QRegularExpression>
#include <QSqlQuery>
#include <cmath>
#include <libpq-fe.h>

namespace {

// libpq's connection settings added to every URL: a host that does not
// answer fails in seconds, and so does a connection whose network is gone.
const QString kConnectOptions = QStringLiteral(
    "connect_timeout=3;keepalives_idle=5;keepalives_interval=2;keepalives_count=2;tcp_user_timeout=5000;"
    "application_name=Tallyhouse;options='%1'").arg(QLatin1String(PgEngine::kSessionSettings));

QString sort_expression(const QString& column)
{
    return QStringLiteral("lower(%1) COLLATE \"C\"").arg(column);
}

bool is_lost(const QString& state)
{
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01")
        || state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

}  // namespace

namespace {

// The settings a URL holds, by libpq's own names; empty when it cannot be read.
QList<QPair<QString, QString>> url_settings(const QString& url)
{
    QList<QPair<QString, QString>> out;
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(url.toUtf8().constData(), &error);
    if (!options) {
        PQfreemem(error);
        return out;
    }
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (o->val)
            out.append({QString::fromUtf8(o->keyword), QString::fromUtf8(o->val)});
    PQconninfoFree(options);
    return out;
}

QString setting(const QList<QPair<QString, QString>>& settings, const char* keyword)
{
    for (const auto& [key, value] : settings)
        if (key == QLatin1String(keyword))
            return value;
    return {};
}

// A value in libpq's "keyword = 'value'" form.
QString quoted_value(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + value + u'\'';
}

}  // namespace

QString PgEngine::describe(const QString& url)
{
    const auto settings = url_settings(url);
    if (settings.isEmpty())
        return QCoreApplication::translate("PgEngine", "(a URL that cannot be read)");
    QString db = setting(settings, "dbname");
    if (db.isEmpty())
        db = setting(settings, "user");
    QString hosts = setting(settings, "host");
    if (hosts.isEmpty())
        hosts = setting(settings, "hostaddr");
    // Hosts and ports pair up: "h1,h2" with "5432,5433", or one port for all.
    const QStringList hostList = hosts.isEmpty() ? QStringList{QStringLiteral("localhost")} : hosts.split(u',');
    const QStringList portList = setting(settings, "port").split(u',', Qt::SkipEmptyParts);
    QStringList where;
    for (int i = 0; i < hostList.size(); ++i)
        where << hostList[i] + u':' + portList.value(portList.size() == 1 ? 0 : i, QStringLiteral("5432"));
    return QCoreApplication::translate("PgEngine", "\"%1\" on %2").arg(db, where.join(QStringLiteral(", ")));
}

QSqlDatabase PgEngine::connect(const QString& name, const QString& url, const QString& password)
{
    name_ = describe(url);
    const QString where = QCoreApplication::translate("PgEngine", "Cannot open the database %1: ").arg(name_);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isValid())
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("PgEngine", "the PostgreSQL driver of Qt is not installed (libqt6sql6-psql)."));
    // Qt's driver quotes the database name, so libpq would not read a URL
    // there: the URL's settings are handed over one by one.
    const auto settings = url_settings(url);
    if (settings.isEmpty())
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("PgEngine", "the URL cannot be read."));
    QStringList options{kConnectOptions};
    for (const auto& [key, value] : settings) {
        if (key == QLatin1String("dbname"))
            db.setDatabaseName(value);
        else if (key == QLatin1String("user"))
            db.setUserName(value);
        else if (key == QLatin1String("password"))
            db.setPassword(value);
        else if (key == QLatin1String("host"))
            db.setHostName(value);
        else if (value.contains(u';'))
            throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("PgEngine", "the setting %1 of the URL holds a semicolon.").arg(key));
        else
            options << key + u'=' + quoted_value(value);
    }
    db.setConnectOptions(options.join(u';'));
    if (!password.isEmpty())
        db.setPassword(password);
    if (!db.open()) {
        const QSqlError e = db.lastError();
        const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
        const bool needsPassword = text.contains(QLatin1String("no password supplied"))
            || text.contains(QLatin1String("password authentication failed"));
        throw DbError(DbError::NotADatabase, where + text.trimmed(),
                      needsPassword ? DbError::Kind::Password : DbError::Kind::Failed);
    }
    QVariant handle = db.driver()->handle();
    // Qt names the type by the struct that PGconn stands for.
    const bool isPgConn = handle.isValid() && (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0);
    conn_ = isPgConn ? *static_cast<PGconn* const*>(handle.constData()) : nullptr;

    QSqlQuery set(db);
    set.exec(QStringLiteral("SET lock_timeout = %1").arg(std::max(1, lockWait_)));
    // Other programs' changes: the trigger notifies, the driver listens.
    QObject::connect(db.driver(), &QSqlDriver::notification, db.driver(),
                     [this](const QString&, QSqlDriver::NotificationSource source, const QVariant&) {
                         if (source == QSqlDriver::OtherSource)
                             ++notified_;
                     });
    db.driver()->subscribeToNotification(QString::fromLatin1(kChannel));
    // Whatever happened while the connection was gone is unknown.
    ++notified_;
    return db;
}

DbError PgEngine::error(const QSqlError& e) const
{
    const QString state = e.nativeErrorCode();
    const QString text = (e.databaseText().isEmpty() ? e.text() : e.databaseText()).trimmed();
    // Another program's lock is told in the server's one line, without
    // the statement the driver quotes after it.
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01") || state == QLatin1String("40001"))
        return DbError(5, text.section(u'\n', 0, 0).remove(QRegularExpression(QStringLiteral("^ERROR:\\s*"))),
                       DbError::Kind::Busy);
    if (state == QLatin1String("23505"))
        return DbError(23505, text, DbError::Kind::KeyTaken);
    if (is_lost(state) || (state.isEmpty() && (!conn_ || PQstatus(conn_) == CONNECTION_BAD)))
        return DbError(8006, QCoreApplication::translate("PgEngine", "The database %1 cannot be reached: %2").arg(name_, text), DbError::Kind::Lost);
    bool ok = false;
    const int number = state.toInt(&ok);
    return DbError(ok ? number : 1, state.isEmpty() ? text : QStringLiteral("%1 (SQLSTATE %2)").arg(text, state));
}

void PgEngine::set_lock_wait(Connection& cn, int ms)
{
    lockWait_ = ms;
    // A connection lost and closed takes the wait when it is opened again.
    if (!cn.database().isOpen())
        return;
    // Zero would wait for ever: the shortest wait is one millisecond.
    QSqlQuery set(cn.database());
    set.exec(QStringLiteral("SET lock_timeout = %1").arg(std::max(1, ms)));
}

// PostgreSQL's texts cannot hold the NUL character.
void PgEngine::check_values(const QVariantList& values) const
{
    for (const QVariant& v : values)
        if (v.typeId() == QMetaType::QString && v.toString().contains(QChar(0)))
            throw DbError(22021, QCoreApplication::translate("PgEngine", "The database %1 cannot store the character NUL (U+0000), which a text holds.").arg(name_));
}

std::optional<qint64> PgEngine::change_count(Connection&)
{
    if (!notifying_)
        return std::nullopt;
    return notified_;
}

QStringList PgEngine::columns(Connection& cn, const QString& table)
{
    QStringList names;
    // The catalogue itself: information_schema takes several times as long.
    QSqlQuery q = cn.query(QStringLiteral("SELECT attname FROM pg_attribute "
                                          "WHERE attrelid = to_regclass(current_schema() || '.' || ?) "
                                          "AND attnum > 0 AND NOT attisdropped ORDER BY attnum"),
                           {table});
    while (q.next())
        names << q.value(0).toString();
    return names;
}

namespace {

QString name_index(const QString& table, int column)
{
    return QStringLiteral("%1_%2_lower").arg(table, QString::fromLatin1(kCustomerColumns[column].name).toLower());
}

// The index a name filter counts and pages through, holding the name too,
// so that a count needs no visit to the table.
QString name_index_statement(const QString& table, int column)
{
    const QString name = QString::fromLatin1(kCustomerColumns[column].name).toLower();
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 ((%3), %4) INCLUDE (%5)")
        .arg(name_index(table, column), table, sort_expression(name), QLatin1String(kCustomerColumns[0].name), name);
}

// A notification to every listening program after each change of the table.
QStringList notify_statements(const QString& table)
{
    return {
        QStringLiteral("CREATE OR REPLACE FUNCTION %1_tallyhouse_changed() RETURNS trigger LANGUAGE plpgsql AS "
                       "$$ BEGIN PERFORM pg_notify('%2', ''); RETURN NULL; END $$")
            .arg(table, QLatin1String(PgEngine::kChannel)),
        QStringLiteral("CREATE TRIGGER %1_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1 "
                       "FOR EACH STATEMENT EXECUTE FUNCTION %1_tallyhouse_changed()")
            .arg(table),
    };
}

}  // namespace

void PgEngine::prepare_table(Connection& cn, const QString& table)
{
    const auto exists = [&](const QString& sql) { return cn.scalar(sql, {table}).toLongLong() > 0; };
    const QString in_table = QStringLiteral("(current_schema() || '.' || ?)::regclass");
    const QString notifies = QStringLiteral("SELECT count(*) FROM pg_trigger WHERE tgrelid = %1 AND tgname = '%2_changed'")
                                 .arg(in_table, table);
    QStringList missing;
    for (int column : {kFname, kLname})
        if (!exists(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE schemaname = current_schema() "
                                   "AND tablename = ? AND indexname = '%1'")
                        .arg(name_index(table, column))))
            missing << name_index_statement(table, column);
    const QString key = QString::fromLatin1(kCustomerColumns[0].name);
    if (!exists(QStringLiteral("SELECT count(*) FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid "
                               "AND a.attnum = i.indkey[0] WHERE i.indrelid = %1 AND i.indisunique "
                               "AND i.indnatts = 1 AND a.attname = '%2'")
                    .arg(in_table, key)))
        missing << QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS %1_%2 ON %1 (%2)").arg(table, key);
    if (!exists(notifies))
        missing << notify_statements(table);
    // Only what is missing is written, without waiting; a role that may
    // only read leaves the table as it is, and then changes are not told.
    {
        Connection::NoWait quick(cn);
        for (const QString& sql : missing) {
            try {
                cn.execute(sql);
            } catch (const DbError&) {
            }
        }
    }
    notifying_ = exists(notifies);
}

QStringList PgEngine::create_statements(const QString& table) const
{
    QStringList columns;
    for (const CustomerColumn& c : kCustomerColumns) {
        const char* type = c.kind == CustomerColumn::Key ? "bigint PRIMARY KEY"
                           : c.kind == CustomerColumn::Text ? "text"
                                                            : "bigint DEFAULT 0";
        columns << QString::fromLatin1(c.name) + u' ' + QLatin1String(type);
    }
    // Many small changes keep the visibility map fresh for the index-only
    // counts only when vacuum comes often.
    return QStringList{QStringLiteral("CREATE TABLE %1 (%2) WITH (autovacuum_vacuum_scale_factor = 0.01, "
                                      "autovacuum_analyze_scale_factor = 0.01)")
                           .arg(table, columns.join(QStringLiteral(", ")))}
        << name_index_statement(table, kFname) << name_index_statement(table, kLname) << notify_statements(table);
}

// SHARE ROW EXCLUSIVE keeps every other writer out while readers go on,
// so that no other program takes one of the keys the transaction hands
// out; it waits lock_timeout for other programs' changes to end.
QStringList PgEngine::begin_adding(const QString& table) const
{
    return {QStringLiteral("BEGIN"), QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(table)};
}

namespace {

// A value in COPY's text format: \N for NULL, a backslash before a
// backslash, tab or line break. A fraction is rounded, as PostgreSQL
// rounds it into the table's whole-number columns on INSERT.
void append_copy_value(QByteArray& out, const QVariant& value)
{
    if (value.isNull()) {
        out += "\\N";
        return;
    }
    if (value.typeId() == QMetaType::Double) {
        out += QByteArray::number(qint64(std::llround(value.toDouble())));
        return;
    }
    for (const char c : value.toString().toUtf8()) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

}  // namespace

void PgEngine::insert_rows(Connection&, const QString& table, const QStringList& columns, const QVariantList& values)
{
    if (values.isEmpty())
        return;
    QByteArray data;
    data.reserve(values.size() * 16);
    for (qsizetype i = 0; i < values.size(); ++i) {
        append_copy_value(data, values[i]);
        data += (i + 1) % columns.size() == 0 ? '\n' : '\t';
    }
    // The error of a result, as error() tells a statement's.
    auto failure = [&](PGresult* result) {
        const QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
        const QString state = QString::fromUtf8(result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr);
        PQclear(result);
        while (PGresult* rest = PQgetResult(conn_))
            PQclear(rest);
        return error(QSqlError(QString(), text, QSqlError::StatementError, state));
    };
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK)
        throw error(QSqlError(QString(), QCoreApplication::translate("PgEngine", "the connection was lost"), QSqlError::ConnectionError));
    const QByteArray copy = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(QStringLiteral(", "))).toUtf8();
    PGresult* result = PQexec(conn_, copy.constData());
    if (PQresultStatus(result) != PGRES_COPY_IN)
        throw failure(result);
    PQclear(result);
    if (PQputCopyData(conn_, data.constData(), int(data.size())) != 1 || PQputCopyEnd(conn_, nullptr) != 1)
        throw failure(nullptr);
    result = PQgetResult(conn_);
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        throw failure(result);
    PQclear(result);
    while (PGresult* rest = PQgetResult(conn_))
        PQclear(rest);
}

QString PgEngine::row_key() const
{
    return QString::fromLatin1(kCustomerColumns[0].name);
}

NameCondition PgEngine::name_condition(const QString& column, const QString& pattern) const
{
    NameCondition out;
    out.sort = sort_expression(column);
    // No name holds a NUL character: such a pattern matches nothing.
    if (pattern.contains(QChar(0))) {
        out.where = QStringLiteral("FALSE");
        return out;
    }
    // No escape character: a typed backslash is itself.
    out.where = out.sort + QStringLiteral(" LIKE lower(?) ESCAPE ''");
    out.params << pattern;
    return out;
}

QString PgEngine::same_value(const QString& column) const
{
    return column + QStringLiteral(" IS NOT DISTINCT FROM ?");
}
