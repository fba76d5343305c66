#include "engine.h"

#include "connection.h"

#include "pg_engine.h"
#include "sqlite_engine.h"

std::unique_ptr<Engine> Engine::for_target(const QString& target)
{
    if (target.startsWith(QLatin1String("postgresql://")) || target.startsWith(QLatin1String("postgres://")))
        return std::make_unique<PgEngine>();
    return std::make_unique<SqliteEngine>();
}

void Engine::insert_rows(Connection& cn, const QString& table, const QStringList& columns, const QVariantList& values)
{
    if (values.isEmpty())
        return;
    const QString row = u'(' + QStringList(columns.size(), QStringLiteral("?")).join(u',') + u')';
    cn.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                   .arg(table, columns.join(QStringLiteral(", ")), QStringList(values.size() / columns.size(), row).join(u',')),
               values);
}
