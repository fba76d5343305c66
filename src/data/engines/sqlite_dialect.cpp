#include "data/engines/sqlite_dialect.h"

#include "data/customer_row.h"
#include "data/engines/name_match.h"


QString SqliteDialect::name(const QString& path) const
{
    return u'"' + path + u'"';
}

QStringList SqliteDialect::create_statements(const QString& table) const
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
    return QStringList{
        QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", "))),
        index_statement(table, kFname),
        index_statement(table, kLname),
    } + sort_index_statements(table) + history_statements(table, {});
}

namespace {

QString literal(const QString& text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// The history's row of one change: kind, the key of row (old or new),
// and the values of before and after (each "old", "new" or empty for
// none), from the table's columns as it spells them.
QString history_insert(const QString& table, const QStringList& names, const char* kind, const QString& keyOf,
                       const QString& before, const QString& after)
{
    const auto at = column_positions(names);
    auto value = [&](const QString& row, int i) {
        if (row.isEmpty() || at[i] < 0)
            return QStringLiteral("NULL");
        return row + u'.' + Dialect::quoted(names[at[i]]);
    };
    QStringList columns{QStringLiteral("kind"), QStringLiteral("author"), QStringLiteral("cusnum")};
    QStringList values{literal(QLatin1String(kind)), literal(QLatin1String(Dialect::kAnotherProgram)), value(keyOf, 0)};
    for (int i = 1; i < int(kCustomerColumns.size()); ++i) {
        columns << Dialect::history_column("old", i) << Dialect::history_column("new", i);
        values << value(before, i) << value(after, i);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3);")
        .arg(Dialect::history_table(table), columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

}  // namespace

QStringList SqliteDialect::history_objects(const QString& table)
{
    const QString h = history_table(table).toLower();
    return {h, h + QStringLiteral("_cusnum"), h + QStringLiteral("_deleted"), h + QStringLiteral("_deleted_fname"),
            h + QStringLiteral("_deleted_lname"), h + QStringLiteral("_insert"), h + QStringLiteral("_update"),
            h + QStringLiteral("_rekey"), h + QStringLiteral("_delete")};
}

// The old_ and new_ columns have no type: each keeps a value as the table
// held it. The indexes serve the window's reads: one customer's versions
// newest first, and the deleted customers newest first, also by a name's
// beginning as the main list is filtered (only deletes are in those, so
// that an insert or an update does not write them).
QStringList SqliteDialect::history_statements(const QString& table, const QStringList& given) const
{
    QStringList names = given;
    if (names.isEmpty())
        for (const CustomerColumn& c : kCustomerColumns)
            names << QString::fromLatin1(c.name);
    const QString h = history_table(table);
    QStringList columns{QStringLiteral("id INTEGER PRIMARY KEY"),
                        QStringLiteral("changed_at TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now'))"),
                        QStringLiteral("kind TEXT NOT NULL"),
                        QStringLiteral("author TEXT NOT NULL DEFAULT ") + literal(QLatin1String(kAnotherProgram)),
                        QStringLiteral("cusnum INTEGER")};
    for (const char* age : {"old", "new"})
        for (int i = 1; i < int(kCustomerColumns.size()); ++i)
            columns << history_column(age, i);
    const auto at = column_positions(names);
    const QString key = quoted(names.value(at[0], QStringLiteral("cusnum")));
    QStringList differs;
    for (int i = 1; i < int(kCustomerColumns.size()); ++i)
        if (at[i] >= 0)
            differs << QStringLiteral("old.%1 IS NOT new.%1 COLLATE BINARY").arg(quoted(names[at[i]]));
    const QString changed = differs.isEmpty() ? QStringLiteral("0") : differs.join(QStringLiteral(" OR "));
    const QString deleted = QStringLiteral(" WHERE kind = 'delete'");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(h, columns.join(QStringLiteral(", "))),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_cusnum ON %1 (cusnum, id)").arg(h),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_deleted ON %1 (id)").arg(h) + deleted,
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_deleted_fname ON %1 (%2 COLLATE NOCASE, id)").arg(h, history_column("old", kFname)) + deleted,
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_deleted_lname ON %1 (%2 COLLATE NOCASE, id)").arg(h, history_column("old", kLname)) + deleted,
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_insert AFTER INSERT ON %2 BEGIN %3 END")
            .arg(h, quoted(table), history_insert(table, names, "insert", QStringLiteral("new"), {}, QStringLiteral("new"))),
        // An update that changes nothing makes no new version.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_update AFTER UPDATE ON %2 WHEN old.%3 IS new.%3 AND (%4) BEGIN %5 END")
            .arg(h, quoted(table), key, changed,
                 history_insert(table, names, "update", QStringLiteral("new"), QStringLiteral("old"), QStringLiteral("new"))),
        // A new key (only another program gives one) ends the customer
        // under the old key and begins one under the new.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_rekey AFTER UPDATE ON %2 WHEN old.%3 IS NOT new.%3 BEGIN %4 %5 END")
            .arg(h, quoted(table), key, history_insert(table, names, "delete", QStringLiteral("old"), QStringLiteral("old"), {}),
                 history_insert(table, names, "insert", QStringLiteral("new"), {}, QStringLiteral("new"))),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_delete AFTER DELETE ON %2 BEGIN %3 END")
            .arg(h, quoted(table), history_insert(table, names, "delete", QStringLiteral("old"), QStringLiteral("old"), {})),
    };
}

QString SqliteDialect::author_trigger(const QString& table, const QString& login)
{
    const QString h = history_table(table);
    return QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS %1_author AFTER INSERT ON main.%1 WHEN new.author = %2 "
                          "BEGIN UPDATE %1 SET author = %3 WHERE id = new.id; END")
        .arg(h, literal(QLatin1String(kAnotherProgram)), literal(login));
}

QVariant SqliteDialect::history_time_value(const QDateTime& time) const
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString SqliteDialect::index_name(const QString& table, int column)
{
    return table + u'_' + QString::fromLatin1(kCustomerColumns[column].name).toLower();
}

QString SqliteDialect::index_statement(const QString& table, int column)
{
    const QString name = QString::fromLatin1(kCustomerColumns[column].name);
    const bool key = kCustomerColumns[column].kind == CustomerColumn::Key;
    return QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
        .arg(key ? QStringLiteral("UNIQUE ") : QString(), Dialect::quoted(index_name(table, column)), Dialect::quoted(table),
             key ? name : name + QStringLiteral(" COLLATE NOCASE"));
}

// The write lock at once: a deferred transaction would read the largest
// key under a shared lock that another program's write could still get
// in ahead of.
QStringList SqliteDialect::begin_adding(const QString&) const
{
    return {QStringLiteral("BEGIN IMMEDIATE")};
}

Listing SqliteDialect::name_listing(const QString& column, const QString& pattern) const
{
    Listing out;
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

QString SqliteDialect::sort_expression(int i, const QString& column) const
{
    if (kCustomerColumns[i].kind == CustomerColumn::Number)
        return QStringLiteral("coalesce(%1, 0)").arg(column);
    return QStringLiteral("coalesce(%1, '') COLLATE NOCASE").arg(column);
}

// The rowid is in every index entry: the entries stand in the listing's
// order, ties in key order.
QString SqliteDialect::sort_index_statement(const QString& table, int i, const QString& column) const
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
        .arg(Dialect::quoted(sort_index_name(table, i)), Dialect::quoted(table), sort_expression(i, column));
}

QString SqliteDialect::same_value(const QString& column) const
{
    return column + QStringLiteral(" IS ? COLLATE BINARY");
}
