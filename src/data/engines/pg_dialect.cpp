#include "data/engines/pg_dialect.h"

#include "data/customer_row.h"
#include "data/db_error.h"
#include "data/engines/target.h"

#include <QCoreApplication>

namespace {

QString sort_expression(const QString& column)
{
    return QStringLiteral("lower(%1) COLLATE \"C\"").arg(column);
}

QString setting(const QList<QPair<QString, QString>>& settings, const char* keyword)
{
    for (const auto& [key, value] : settings)
        if (key == QLatin1String(keyword))
            return value;
    return {};
}

}  // namespace

QString PgDialect::name(const QString& url) const
{
    const auto settings = target::server_settings(url).value_or(QList<QPair<QString, QString>>());
    if (settings.isEmpty())
        return QCoreApplication::translate("PgDialect", "(a URL that cannot be read)");
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
    return QCoreApplication::translate("PgDialect", "\"%1\" on %2").arg(db, where.join(QStringLiteral(", ")));
}

void PgDialect::check_values(const QVariantList& values, const QString& database) const
{
    for (const QVariant& v : values)
        if (v.typeId() == QMetaType::QString && v.toString().contains(QChar(0)))
            throw DbError(22021, QCoreApplication::translate("PgDialect", "The database %1 cannot store the character NUL (U+0000), which a text holds.").arg(database));
}

QString PgDialect::name_index(const QString& table, int column)
{
    return QStringLiteral("%1_%2_lower").arg(table, QString::fromLatin1(kCustomerColumns[column].name).toLower());
}

// The index holds the name too, so that a count needs no visit to the table.
QString PgDialect::name_index_statement(const QString& table, int column)
{
    const QString name = QString::fromLatin1(kCustomerColumns[column].name).toLower();
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 ((%3), %4) INCLUDE (%5)")
        .arg(name_index(table, column), table, sort_expression(name), QLatin1String(kCustomerColumns[0].name), name);
}

// A notification to every listening program after each change of the table.
QStringList PgDialect::notify_statements(const QString& table)
{
    return {
        QStringLiteral("CREATE OR REPLACE FUNCTION %1_tallyhouse_changed() RETURNS trigger LANGUAGE plpgsql AS "
                       "$$ BEGIN PERFORM pg_notify('%2', ''); RETURN NULL; END $$")
            .arg(table, QLatin1String(kChannel)),
        QStringLiteral("CREATE TRIGGER %1_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1 "
                       "FOR EACH STATEMENT EXECUTE FUNCTION %1_tallyhouse_changed()")
            .arg(table),
    };
}

QStringList PgDialect::create_statements(const QString& table) const
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
QStringList PgDialect::begin_adding(const QString& table) const
{
    return {QStringLiteral("BEGIN"), QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(table)};
}

QString PgDialect::row_key() const
{
    return QString::fromLatin1(kCustomerColumns[0].name);
}

Listing PgDialect::name_listing(const QString& column, const QString& pattern) const
{
    Listing out;
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

QString PgDialect::same_value(const QString& column) const
{
    return column + QStringLiteral(" IS NOT DISTINCT FROM ?");
}
