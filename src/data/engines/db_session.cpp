#include "data/engines/db_session.h"

QList<Rows> DbSession::run_together(const QList<Statement>& statements, int wait_ms)
{
    QList<Rows> out;
    for (const Statement& s : statements)
        out << run(s.sql, s.params, wait_ms);
    return out;
}

QStringList DbSession::columns(const QString& table, int wait_ms)
{
    return open_table(table, run_together(table_statements(table), wait_ms), false, wait_ms);
}
