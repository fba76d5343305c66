#include "row_source.h"

#include "name_match.h"

QString RowSource::statement() const
{
    switch (column) {
    case Column::None: return QStringLiteral("Select * from dept");
    case Column::Fname: return QStringLiteral("Select * from dept where fname like ?");
    case Column::Lname: return QStringLiteral("Select * from dept where lname like ?");
    }
    return {};
}

RowSource::Sql RowSource::sql() const
{
    Sql out;
    if (column == Column::None)
        return out;
    const QString name = column == Column::Fname ? QStringLiteral("Fname") : QStringLiteral("Lname");
    out.sort = name + QStringLiteral(" COLLATE NOCASE");

    // A range of the name index narrows the rows; th_like decides exactly
    // where the range alone cannot.
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
        conditions << QStringLiteral("th_like(%1, ?)").arg(name);
        out.params << pattern;
    }
    out.where = conditions.join(QStringLiteral(" AND "));
    return out;
}
