#pragma once

#include "data/customer_list.h"

#include <QCoro/QCoroTask>

// The program's module: where its database lies, and opening it. The
// entry point makes the customer list (the connection, the customer table
// and the main record set) and hands it to the window; it lives until the
// program ends.
namespace modyul {

// The directory that holds the program.
QString program_dir();
// The database beside the program: dir, "/", "db40.mdb".
QString db_path(const QString& dir = program_dir());

// Opens the database, checks and prepares its customer table and lists
// every customer; a DbError when it cannot.
QCoro::Task<> open_db(CustomerList& list);

}  // namespace modyul
