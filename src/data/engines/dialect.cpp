#include "data/engines/dialect.h"

#include "data/customer_row.h"

QString Dialect::quoted(const QString& name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString Dialect::history_column(const char* age, int column)
{
    return QLatin1String(age) + u'_' + QString::fromLatin1(kCustomerColumns[column].name).toLower();
}

QString Dialect::sort_index_name(const QString& table, int i)
{
    return table + QStringLiteral("_sort_") + QString::fromLatin1(kCustomerColumns[i].name).toLower();
}

QStringList Dialect::sort_index_statements(const QString& table) const
{
    QStringList out;
    for (int i = 1; i < int(kCustomerColumns.size()); ++i)
        out << sort_index_statement(table, i, quoted(QString::fromLatin1(kCustomerColumns[i].name).toLower()));
    return out;
}
