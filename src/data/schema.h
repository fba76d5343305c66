#pragma once

#include <QString>
#include <QStringList>

class Connection;

// The customer table dept: ten columns in this order, the key cusnum
// first, the two names compared without regard to case.
namespace schema {

// Column names by position, as the record boxes and the statements use them.
inline const QStringList& columns()
{
    static const QStringList names{"cusnum", "Fname", "Lname", "Address", "emaddress",
                                   "phonenum", "credlimit", "deptname", "ordercount", "balance"};
    return names;
}

// CREATE TABLE and CREATE INDEX statements for a new database.
QStringList create_statements();

// Adds the name indexes the filter needs, and a unique index on cusnum
// where the key is not the table's own row key. Never changes a row; a
// database that cannot be written (read-only) is left as it is.
void ensure_indexes(Connection& cn);

}  // namespace schema
