#include "data/engines/pg_dialect.h"

#include "data/customer_row.h"
#include "data/db_error.h"
#include "data/engines/target.h"

#include <QCoreApplication>

namespace {

QString name_order(const QString& column)
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
        .arg(name_index(table, column), table, name_order(name), QLatin1String(kCustomerColumns[0].name), name);
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
        << name_index_statement(table, kFname) << name_index_statement(table, kLname) << sort_index_statements(table)
        << notify_statements(table) << history_statements(table, {});
}

QStringList PgDialect::history_triggers(const QString& table)
{
    const QString h = history_table(table);
    return {h + QStringLiteral("_insert"), h + QStringLiteral("_update"), h + QStringLiteral("_delete")};
}

namespace {

// The history's row of one change: kind, the key of the row called keyOf,
// and the values of the rows before and after (each empty for none) as
// an INSERT ... SELECT from from. The rows' columns are named by their
// places (c0, c1, ...: see positional()), found from the table's column
// names as it spells them when the trigger is made, so that a column
// renamed later is still found.
QString history_insert(const QString& table, const QStringList& names, const char* kind, const QString& keyOf,
                       const QString& before, const QString& after, const QString& from)
{
    const auto at = column_positions(names);
    auto value = [&](const QString& row, int i) {
        if (row.isEmpty() || at[i] < 0)
            return QStringLiteral("NULL");
        return QStringLiteral("%1.c%2").arg(row).arg(at[i]);
    };
    QStringList columns{QStringLiteral("kind"), QStringLiteral("author"), QStringLiteral("cusnum")};
    QStringList values{QStringLiteral("'%1'").arg(QLatin1String(kind)), QStringLiteral("session_user"), value(keyOf, 0)};
    for (int i = 1; i < int(kCustomerColumns.size()); ++i) {
        columns << Dialect::history_column("old", i) << Dialect::history_column("new", i);
        values << value(before, i) << value(after, i);
    }
    return QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4;")
        .arg(Dialect::history_table(table), columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")), from);
}

// A row source under alias, its columns named by their places: "src AS
// alias(c0, c1, ...)".
QString positional(const QString& source, const QString& alias, qsizetype columns)
{
    QStringList names;
    for (qsizetype i = 0; i < columns; ++i)
        names << QStringLiteral("c%1").arg(i);
    return QStringLiteral("%1 AS %2(%3)").arg(source, alias, names.join(QStringLiteral(", ")));
}

}  // namespace

// The author is the role that logged in (session_user): SET ROLE does not
// change it, and the trigger functions run as the history's owner
// (SECURITY DEFINER, where current_user is the owner), so that the clerks
// write the history only through their changes of the table, and need no
// right on it of their own. A statement's inserts are written by one
// INSERT from its transition table, which keeps an import's COPY fast;
// an update and a delete, a row at a time. An update that changes nothing
// makes no new version; a new key (only another program gives one) ends
// the customer under the old key and begins one under the new.
QStringList PgDialect::history_statements(const QString& table, const QStringList& given) const
{
    QStringList names = given;
    if (names.isEmpty())
        for (const CustomerColumn& c : kCustomerColumns)
            names << QString::fromLatin1(c.name).toLower();
    const QString h = history_table(table);
    QStringList columns{QStringLiteral("id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY"),
                        QStringLiteral("changed_at timestamptz NOT NULL DEFAULT now()"), QStringLiteral("kind text NOT NULL"),
                        QStringLiteral("author text NOT NULL DEFAULT session_user"), QStringLiteral("cusnum bigint")};
    for (const char* age : {"old", "new"})
        for (int i = 1; i < int(kCustomerColumns.size()); ++i)
            columns << history_column(age, i) + (kCustomerColumns[i].kind == CustomerColumn::Text ? QStringLiteral(" text") : QStringLiteral(" bigint"));
    const auto at = column_positions(names);
    const QString deleted = QStringLiteral(" WHERE kind = 'delete'");
    const QString function = QStringLiteral("CREATE OR REPLACE FUNCTION %1_tallyhouse_%2() RETURNS trigger LANGUAGE plpgsql "
                                            "SECURITY DEFINER SET search_path FROM CURRENT AS $$ BEGIN %3 RETURN NULL; END $$");
    const qsizetype n = names.size();
    const QString oldRow = positional(QStringLiteral("(SELECT OLD.*)"), QStringLiteral("o"), n);
    const QString newRow = positional(QStringLiteral("(SELECT NEW.*)"), QStringLiteral("n"), n);
    const QString o = QStringLiteral("o"), nw = QStringLiteral("n");
    const QString change =
        QStringLiteral("IF TG_OP = 'UPDATE' THEN %1 IF FOUND THEN RETURN NULL; END IF; END IF; %2 "
                       "IF TG_OP = 'UPDATE' THEN %3 END IF;")
            .arg(history_insert(table, names, "update", nw, o, nw,
                                oldRow + QStringLiteral(", ") + newRow + QStringLiteral(" WHERE o.c%1 IS NOT DISTINCT FROM n.c%1").arg(at[0] < 0 ? 0 : at[0])),
                 history_insert(table, names, "delete", o, o, {}, oldRow),
                 history_insert(table, names, "insert", nw, {}, nw, newRow));
    const QStringList triggers = history_triggers(table);
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(h, columns.join(QStringLiteral(", "))),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_cusnum ON %1 (cusnum, id)").arg(h),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_deleted ON %1 (id)").arg(h) + deleted,
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_deleted_fname ON %1 ((%2), id)").arg(h, name_order(history_column("old", kFname))) + deleted,
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_deleted_lname ON %1 ((%2), id)").arg(h, name_order(history_column("old", kLname))) + deleted,
        function.arg(table, QStringLiteral("inserted"),
                     history_insert(table, names, "insert", nw, {}, nw, positional(QStringLiteral("tallyhouse_new"), nw, n))),
        function.arg(table, QStringLiteral("changed_row"), change),
        QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(triggers[0], table),
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 REFERENCING NEW TABLE AS tallyhouse_new FOR EACH STATEMENT "
                       "EXECUTE FUNCTION %2_tallyhouse_inserted()").arg(triggers[0], table),
        QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(triggers[1], table),
        QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON %2 FOR EACH ROW WHEN (OLD.* IS DISTINCT FROM NEW.*) "
                       "EXECUTE FUNCTION %2_tallyhouse_changed_row()").arg(triggers[1], table),
        QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(triggers[2], table),
        QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 FOR EACH ROW EXECUTE FUNCTION %2_tallyhouse_changed_row()")
            .arg(triggers[2], table),
    };
}

QString PgDialect::history_time_text(const QString& column) const
{
    return QStringLiteral("to_char(%1 AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.MS')").arg(column);
}

QVariant PgDialect::history_time_value(const QDateTime& time) const
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("+00");
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
    out.sort = name_order(column);
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

// A text is sorted by its first kMaxNameLength characters, which an
// index entry holds in any script; longer texts alike so far stand in key
// order.
QString PgDialect::sort_expression(int i, const QString& column) const
{
    if (kCustomerColumns[i].kind == CustomerColumn::Number)
        return QStringLiteral("coalesce(%1, 0)").arg(column);
    return QStringLiteral("lower(left(coalesce(%1, ''), %2)) COLLATE \"C\"").arg(column).arg(kMaxNameLength);
}

QString PgDialect::sort_index_statement(const QString& table, int i, const QString& column) const
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 ((%3), %4)")
        .arg(sort_index_name(table, i), table, sort_expression(i, column), QLatin1String(kCustomerColumns[0].name));
}

QString PgDialect::same_value(const QString& column) const
{
    return column + QStringLiteral(" IS NOT DISTINCT FROM ?");
}
