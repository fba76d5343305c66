#include "data/engines/db_session.h"


QList<Rows> DbSession::run_together(const QList<Statement>& statements, int wait_ms)
{
    QList<Rows> out;
    for (const Statement& s : statements)
        out << run(s.sql, s.params, wait_ms);
    return out;
}
