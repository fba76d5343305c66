#pragma once

#include <QString>

namespace bench {

// Times the export of every customer of a database file to CSV, and the
// import of that file into a new, empty database, through the functions
// the window's export and import use; checks that the import holds every
// exported row. The CSV file and the new database live in a temporary
// folder under workParent. Returns a Markdown table. Failures throw
// std::runtime_error.
QString transferTableSqlite(const QString& dbFile, const QString& workParent);

// The same on PostgreSQL, on a throwaway server (scripts/pg-scratch): the
// file's customers are copied there first with tallyhouse-mkdb
// --copy-from, which is timed too.
QString transferTablePostgres(const QString& dbFile, const QString& workParent);

}  // namespace bench
