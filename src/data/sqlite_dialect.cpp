#include "sqlite_dialect.h"

#include "customer_row.h"
#include "name_match.h"

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
        QStringLiteral("CREATE INDEX %1_fname ON %1 (%2 COLLATE NOCASE)").arg(table, kCustomerColumns[kFname].name),
        QStringLiteral("CREATE INDEX %1_lname ON %1 (%2 COLLATE NOCASE)").arg(table, kCustomerColumns[kLname].name),
    };
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
