#include "engine.h"

#include "pg_engine.h"
#include "sqlite_engine.h"

std::unique_ptr<Engine> Engine::for_target(const QString& target)
{
    if (Dialect::is_server_url(target))
        return std::make_unique<PgEngine>();
    return std::make_unique<SqliteEngine>();
}

QList<Rows> Engine::run_together(const QList<Statement>& statements, int wait_ms)
{
    QList<Rows> out;
    for (const Statement& s : statements)
        out << run(s.sql, s.params, wait_ms);
    return out;
}
