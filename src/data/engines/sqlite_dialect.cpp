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
    return {
        QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", "))),
        index_statement(table, kFname),
        index_statement(table, kLname),
    };
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

QString SqliteDialect::same_value(const QString& column) const
{
    return column + QStringLiteral(" IS ? COLLATE BINARY");
}
