#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The rows a record set lists, as the statements select them: which rows,
// and the order in which they come.
struct Listing {
    QString where;        // "" for every row, else a condition with ? placeholders
    QVariantList params;  // values for where's placeholders
    QString sort;         // "" for key order, else the expression the rows are ordered by, never NULL
    bool descending = false;  // the rows come in the reverse of that order
    bool by_column = false;   // sorted by a column the user chose, not by the key or a name filtered
};

// The SQL of a database engine: the text of each statement the program
// writes and the rules it follows, for a table whose columns are dept's.
// Nothing here opens, holds or asks a database: a dialect is the same for
// every connection to an engine. The live connection is a DbSession's.
class Dialect {
public:
    virtual ~Dialect() = default;

    // A name (a table's, a column's) quoted as SQL quotes names.
    static QString quoted(const QString& name);

    // The database a target names, as messages name it, e.g.
    // "\"/home/ann/db40.mdb\"", never with a password.
    virtual QString name(const QString& target) const = 0;
    // Refuses values the engine cannot store, before a statement runs;
    // database is the name() the message gives.
    virtual void check_values(const QVariantList&, const QString&) const {}

    // The statements that create a new, empty customer table: the first
    // makes the table, the rest its indexes and whatever else it needs.
    virtual QStringList create_statements(const QString& table) const = 0;
    // The history of the table, <table>_history, which the database keeps
    // itself by triggers on the table: every insert, update and delete,
    // with its time, its kind, its author, the key, and the row as it was
    // (old_ columns) and as it became (new_ columns). The statements make
    // what is missing of it: the table, its indexes and the triggers;
    // columns are the table's column names as it spells them.
    virtual QStringList history_statements(const QString& table, const QStringList& columns) const = 0;
    // A history time column as text, "yyyy-MM-dd HH:mm:ss.zzz" in UTC.
    virtual QString history_time_text(const QString& column) const = 0;
    // A time as a value to compare a history time column with.
    virtual QVariant history_time_value(const QDateTime& time) const = 0;

    // The name of a table's history, and the names of its old_ and new_
    // columns for column i of kCustomerColumns (not the key).
    static QString history_table(const QString& table) { return table + QStringLiteral("_history"); }
    static QString history_column(const char* age, int column);
    // The history's author of a change that no program of ours made.
    static constexpr const char* kAnotherProgram = "another program";

    // The statements that begin a transaction adding rows under keys it
    // chooses itself from the largest in the table: until it ends, no
    // other program can add a row to the table.
    virtual QStringList begin_adding(const QString& table) const = 0;
    // How many rows of dept one DbSession::insert_rows() takes at most.
    virtual int rows_per_insert() const = 0;
    // True when counting many rows takes long enough that the first rows
    // are better shown before the count, which a second connection makes.
    virtual bool counts_slowly() const { return false; }
    // Whether statements asked together (DbSession::run_together) go out
    // in one round trip and run as one transaction: when one fails, none
    // is done.
    virtual bool sends_together() const { return false; }
    // Whether the engine seeks an index to the rows beyond a pair of
    // values, (sort, key) > (?, ?). Where it does not, it walks every
    // entry of the same sort value up to the key.
    virtual bool seeks_pairs() const { return false; }

    // The key that rows are paged and positioned by: a whole number,
    // unique in the table.
    virtual QString row_key() const = 0;
    // The rows whose name column matches pattern without regard to case
    // ("%" any run of characters, "_" any one), in name order.
    virtual Listing name_listing(const QString& column, const QString& pattern) const = 0;
    // What the rows sorted by column i of kCustomerColumns (not the key;
    // column, its name quoted as the table spells it) are ordered by:
    // never NULL, texts without regard to case. The engine's sort index on
    // the column orders its entries so.
    virtual QString sort_expression(int i, const QString& column) const = 0;
    // The index that rows sorted by column i are read through, its name,
    // and those of every column but the key, as dept's columns are named.
    virtual QString sort_index_statement(const QString& table, int i, const QString& column) const = 0;
    static QString sort_index_name(const QString& table, int i);
    QStringList sort_index_statements(const QString& table) const;
    // Whether adding many rows in one transaction drops the sort indexes
    // first and makes them again at its end: quicker than keeping each up
    // to date row by row, where the transaction keeps other programs
    // from reading the table through them anyway.
    virtual bool remakes_sort_indexes() const { return false; }
    // "column holds exactly this value", NULL and letter case included.
    virtual QString same_value(const QString& column) const = 0;
};
