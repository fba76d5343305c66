#pragma once

#include "connection.h"
#include "recordset.h"

// The module-wide data objects: the one database connection and the one
// main record set, each created on first use and kept until the program
// ends.
namespace modyul {

Connection& cn();
RecordSet& rs();

// The directory that holds the program and its database.
QString program_dir();
void set_program_dir(const QString& dir);
// The program's directory, "/", "db40.mdb".
QString db_path();

// Opens the database beside the program; a DbError when it cannot.
void open_db();

// Drops both objects, so that the next use creates them anew (tests).
void reset();

}  // namespace modyul
