#include "db_session.h"

#include "pg_session.h"
#include "sqlite_session.h"

std::unique_ptr<DbSession> DbSession::for_target(const QString& target)
{
    if (Dialect::is_server_url(target))
        return std::make_unique<PgSession>();
    return std::make_unique<SqliteSession>();
}

QList<Rows> DbSession::run_together(const QList<Statement>& statements, int wait_ms)
{
    QList<Rows> out;
    for (const Statement& s : statements)
        out << run(s.sql, s.params, wait_ms);
    return out;
}
