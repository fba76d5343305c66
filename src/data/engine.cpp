#include "engine.h"

#include "sqlite_engine.h"

std::unique_ptr<Engine> Engine::for_target(const QString&)
{
    return std::make_unique<SqliteEngine>();
}
