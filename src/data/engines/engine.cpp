#include "data/engines/engine.h"

#include "data/engines/pg_dialect.h"
#include "data/engines/pg_session.h"
#include "data/engines/sqlite_dialect.h"
#include "data/engines/sqlite_session.h"
#include "data/engines/target.h"

const Dialect& dialect_for(const QString& target)
{
    static const PgDialect pg;
    static const SqliteDialect sqlite;
    if (target::is_server(target))
        return pg;
    return sqlite;
}

Engine engine_for(const QString& target)
{
    if (target::is_server(target))
        return {dialect_for(target), std::make_unique<PgSession>()};
    return {dialect_for(target), std::make_unique<SqliteSession>()};
}
