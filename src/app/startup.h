#pragma once

#include "database_choice.h"
#include "data/customer_list.h"
#include "form/form1.h"

#include <QCoro/QCoroTask>
#include <memory>

// The program from its choice of database up to its window.
struct Started {
    std::unique_ptr<CustomerList> list;
    std::unique_ptr<Form1> form;  // loaded, not yet shown; null when the program ends
    int status = 1;               // without a window: the status the program ends with
};

// Acts on the choice: asks before creating a database, offers to copy the
// customers of a Microsoft Access file into a new database that takes its
// name (access_file.h), opens the database and loads the window, offering
// to try again while another program holds the database locked. Every
// error is shown in a message box, and there is then no window.
QCoro::Task<Started> start(DatabaseChoice choice);
