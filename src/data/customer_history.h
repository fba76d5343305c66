#pragma once

#include "data/customer_row.h"
#include "data/row_source.h"
#include "data/transfer/customer_export.h"

#include <QDateTime>
#include <QVector>
#include <functional>
#include <optional>

class Database;

// One version of a customer as the history of dept keeps it: one change
// of the table, made by any program (see Dialect::history_statements).
struct CustomerVersion {
    enum class Kind { Insert, Update, Delete };
    qint64 id = 0;   // increases with each change: a later change has a larger one
    QDateTime time;  // when, in UTC
    Kind kind = Kind::Update;
    // Who: on a server the role that logged in; in a file the login name
    // of the user of the Tallyhouse that made the change, or
    // Dialect::kAnotherProgram.
    QString author;
    qint64 cusnum = 0;
    std::optional<CustomerRow> before;  // the row as it was; none for an insert
    std::optional<CustomerRow> after;   // the row as it became; none for a delete
};

// The history of dept: what the window shows of it and what
// tallyhouse-mkdb does with it. Plain synchronous code on a Database, as
// CustomerTable is: the window runs it on its connection's thread. Each
// read is a page, newest first; the next page is the one older than the
// last version read (older_than its id). A DbError when the history
// cannot be read, e.g. a role without the right to.
class CustomerHistory {
public:
    explicit CustomerHistory(Database& db) : db_(db) {}

    // Up to limit versions of the customer with this number, newest first.
    // A number that was deleted and then given to a new customer holds
    // both customers' versions; the delete between them tells them apart.
    QVector<CustomerVersion> versions(qint64 cusnum, qint64 limit, std::optional<qint64> older_than = {}) const;
    // Up to limit deletes of customers, newest first: who deleted each and
    // when, and the customer as it was (before). names narrows them as the
    // main list is narrowed: by the beginning of the first or last name.
    QVector<CustomerVersion> deleted(const RowSource& names, qint64 limit, std::optional<qint64> older_than = {}) const;

    // Forgets, in one transaction, every version older than time; returns
    // how many were forgotten.
    qint64 forget_before(const QDateTime& time);
    // Writes every version, oldest first, to out as CSV with a header line
    // naming the history's columns (times in UTC). progress as in
    // export_customers().
    ExportResult export_csv(QIODevice* out, const std::function<bool(qint64 done)>& progress = {}) const;
    // The history's columns, as the CSV heads them.
    static QStringList columns();

private:
    QString select() const;
    static QVector<CustomerVersion> versions_of(const QVector<QVariantList>& rows);

    Database& db_;
};
