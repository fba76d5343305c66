#pragma once

#include <QString>

namespace bench {

// Times the export of every customer of the database target to a CSV file
// in workDir, and the import of that file into a new, empty database of the
// same engine (emptyTarget, which must hold an empty table dept), through
// the functions the window's export and import use; checks that the import
// holds as many rows as the export. Returns a Markdown table headed with
// the engine's name. Failures throw std::runtime_error.
QString transferTable(const QString& engine, const QString& target, const QString& emptyTarget, const QString& workDir);

// The same for a database file: the CSV file and the new database are made
// in a temporary folder under workParent and removed afterwards.
QString transferTableSqlite(const QString& dbFile, const QString& workParent);

}  // namespace bench
