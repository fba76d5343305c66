#pragma once

#include "data/transfer/customer_csv.h"
#include "data/transfer/customer_export.h"

#include <QCoreApplication>
#include <functional>
#include <memory>

class CustomerTable;
class QIODevice;

// Where the customers of an import come from. An import reads it through
// twice: once to check the keys, once to store the rows.
class CustomerSource {
public:
    virtual ~CustomerSource() = default;
    // Starts again from the first customer.
    virtual void rewind() = 0;
    // The next customer; false at the end, and at a fault that error() tells.
    virtual bool next(ImportedCustomer& customer) = 0;
    // What is wrong where next() stopped; empty at the end.
    virtual QString error() const { return {}; }
    virtual qint64 errorLine() const { return 0; }
    // What a customer's line number counts: "line" of a file, "row" of a table.
    virtual QString unit() const { return QCoreApplication::translate("CustomerImport", "line"); }
    // Whether every customer must keep its key (a copy of a table), or
    // gets a new one when its own is taken (a file).
    virtual bool keys_stay() const { return false; }
};

// The customers of a CSV file (customer_csv), numbered by the file's lines.
// The device must be open and able to seek.
class CsvCustomerSource : public CustomerSource {
public:
    explicit CsvCustomerSource(QIODevice* in);
    void rewind() override;
    bool next(ImportedCustomer& customer) override { return reader_->next(customer); }
    QString error() const override { return reader_->error(); }
    qint64 errorLine() const override { return reader_->errorLine(); }
    // The file is not UTF-8 and was read as Windows-1252.
    bool windows1252() const { return reader_->windows1252(); }

private:
    QIODevice* in_;
    qint64 start_;
    std::unique_ptr<CustomerCsvReader> reader_;
};

// Every customer of a table, keys and all, in key order, numbered by rows
// from 1. A DbError when the rows cannot be read.
class TableCustomerSource : public CustomerSource {
public:
    explicit TableCustomerSource(CustomerTable& table) : rows_(table, RowSource::all()) {}
    void rewind() override;
    bool next(ImportedCustomer& customer) override;
    QString unit() const override { return QCoreApplication::translate("CustomerImport", "row"); }
    bool keys_stay() const override { return true; }

private:
    ListingCursor rows_;
    qint64 row_ = 0;
};

struct ImportResult {
    enum Outcome { Done, Refused, Cancelled };
    Outcome outcome = Done;
    qint64 added = 0;                // Done: the customers added
    qint64 renumbered = 0;           // Done: of them, those given a new key for a taken one
    std::optional<qint64> firstKey;  // Done: the key of the source's first customer
    // Done, where the history can be read: the ids of the history's
    // versions of the customers added (after the first, up to the last).
    std::optional<std::pair<qint64, qint64>> versions;
    qint64 line = 0;                 // Refused: the line (or row) at fault
    QString refusal;                 // Refused: "line 17: what is wrong"
};

// Called with the customers stored so far and how many there are in all;
// total is 0 while the source is still being checked. Returns false to
// cancel the import.
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;

// Adds the customers of a source to the table in one transaction: all of
// them or, when one is refused, the import is cancelled or anything fails,
// none. A customer with a key keeps it while it is free. One without a
// key, or whose key the table holds already or an earlier line of the
// source gives, gets a new key: one more than the largest in the table or
// the source, and so on. A source whose keys must stay (a copy of a table)
// is refused instead, with the line that gives the key. Until the transaction
// ends no other program can add customers (Dialect::begin_adding). The rows
// are stored several hundred to a statement.
//
// The refusals of the data are the result; a DbError when the database
// fails, is busy or cannot be reached, and nothing was added then either.
ImportResult import_customers(CustomerTable& table, CustomerSource& source, const ImportProgress& progress = {});

// The same within a transaction that the caller has begun and ends (such
// as the one creating the table): on any outcome but Done, or a DbError,
// the caller rolls it back.
ImportResult add_customers(CustomerTable& table, CustomerSource& source, const ImportProgress& progress = {});

// Reads a source through once, as an import's first reading does: Refused
// for a faulty customer or, when its keys must stay, a key given twice;
// Done when every customer can be stored. Nothing is written.
ImportResult check_customers(CustomerSource& source);

// Creates table dept in target, a new file or a server database without
// one, and fills it from source in the same transaction: the table, its
// indexes and its rows all come, or nothing; a file half made, or made
// for a copy that was refused, is removed. On Done, name (when given) is
// told the database as messages name it. A DbError when target exists
// already (a file, or a server database with a table dept: "it is left as
// it is"), cannot be created, or fails.
ImportResult create_filled_database(const QString& target, CustomerSource& source, QString* name = nullptr);
