#pragma once

#include "data/customer_table.h"

#include <functional>

class QIODevice;

// Reads the rows a record set lists, in its order, a page at a time: each
// page is found by key from the last row of the one before, so that no
// more than a page is held and no page costs more than the one before.
class ListingCursor {
public:
    ListingCursor(CustomerTable& table, const RowSource& source, qint64 page = 1000);

    // The next customer; false after the last. A DbError when the rows
    // cannot be read.
    bool next(CustomerRow& row);
    // Starts again from the first row.
    void rewind();

private:
    CustomerTable& table_;
    Listing listing_;
    qint64 page_;
    std::optional<CustomerTable::Key> from_;  // the last row read
    QVector<CustomerTable::KeyedRow> rows_;
    qsizetype at_ = 0;
    bool last_ = false;  // rows_ is the last page
};

struct ExportResult {
    enum Outcome { Done, Cancelled, WriteFailed };
    Outcome outcome = Done;
    qint64 rows = 0;  // the customers written
    QString error;    // WriteFailed: why
};

// Writes the customers that source lists, in list order, to out as CSV
// with a header line (customer_csv). Reads the rows as they are written,
// without a snapshot: a file holds no transaction open for so long, which
// would keep other programs from saving. progress, when given, is called
// with the rows written so far after each page and at the end; it
// returns false to cancel. A DbError when the rows cannot be read.
ExportResult export_customers(CustomerTable& table, const RowSource& source, QIODevice* out,
                              const std::function<bool(qint64 done)>& progress = {});
