#pragma once

#include "data/transfer/customer_csv.h"

#include <QString>
#include <memory>

// Table dept of a Microsoft Access database (Jet 3, Jet 4, and the .accdb
// files libmdb reads), read through libmdb. Only the Access reader program
// (tallyhouse-access-reader) links it: a damaged file can crash libmdb or
// make it allocate without bound, and that must never happen inside the
// window or tallyhouse-mkdb.
class AccessTable {
public:
    // Opens the file read-only and checks that its table dept has exactly
    // the columns of ours. A DbError, naming the file, when it cannot be
    // read, is damaged, or its table differs: what is missing, and what a
    // copy would leave behind.
    explicit AccessTable(const QString& path);
    ~AccessTable();

    // The customers in table dept as the file counts them.
    qint64 count() const;

    // The next customer, in the file's order: every key is kept, texts
    // come as they are stored, numbers as numbers, empty fields as NULL.
    // False at the end, and at a row that cannot be copied as it is (a key
    // that is not a whole number, a number column holding something else,
    // a damaged long value, a text holding NUL): error() says why, with
    // the customer's key where it is known, errorRow() which row.
    bool next(ImportedCustomer& customer);
    QString error() const { return error_; }
    qint64 errorRow() const { return errorRow_; }

private:
    struct Libmdb;
    std::unique_ptr<Libmdb> mdb_;
    QString name_;  // the file as messages name it
    qint64 row_ = 0;
    QString error_;
    qint64 errorRow_ = 0;
};
