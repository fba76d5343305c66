#pragma once

#include "data/engines/db_session.h"
#include "data/engines/dialect.h"

#include <memory>

// The engine of a database target (engines/target.h): its SQL, the same
// for every connection, and a new session to open on it.
struct Engine {
    const Dialect& dialect;
    std::unique_ptr<DbSession> session;
};
Engine engine_for(const QString& target);
// The SQL alone, for what only writes or names statements.
const Dialect& dialect_for(const QString& target);
