#pragma once

#include "data/connection.h"
#include "data/customer_table.h"
#include "data/recordset.h"

// The program's data objects: the one database connection, the customer
// table on it and the main record set. The entry point creates them and
// hands them to the window; they live until the program ends.
namespace modyul {

struct Data {
    explicit Data(QString where) : target(std::move(where)) {}
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    QString target;  // the database: a file path or a server URL
    Connection cn;
    CustomerTable table{cn};
    RecordSet rs{table};
};

// The directory that holds the program.
QString program_dir();
// The database beside the program: dir, "/", "db40.mdb".
QString db_path(const QString& dir = program_dir());

// Opens the database and checks and prepares its customer table; a
// DbError when it cannot.
void open_db(Data& data);

}  // namespace modyul
