#include "engine.h"

#include "pg_engine.h"
#include "sqlite_engine.h"

std::unique_ptr<Engine> Engine::for_target(const QString& target)
{
    if (target.startsWith(QLatin1String("postgresql://")) || target.startsWith(QLatin1String("postgres://")))
        return std::make_unique<PgEngine>();
    return std::make_unique<SqliteEngine>();
}

