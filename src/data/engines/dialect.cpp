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
