#pragma once

#include "data/customer_row.h"
#include "data/db_error.h"
#include "data/engines/dialect.h"
#include "data/row_source.h"
#include "data/rows.h"

#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <functional>
#include <optional>

class Database;

// The customer table dept: every statement the program runs on it. The
// record set reads its rows through here, the window's changes are made
// here, and what differs between database engines is asked of the engine.
// Its work is plain synchronous code on a Database: the window runs it on
// its connection's thread (Connection::ask).
class CustomerTable {
public:
    explicit CustomerTable(Database& db) : db_(db) {}
    Database& database() const { return db_; }

    struct Reread;
    // Checks that the open database holds the table and prepares it: reads
    // its column names and adds the indexes the program needs; first, when
    // given, is asked in the same round trip on a server (its listing must
    // be every row, which needs no column names). A DbError naming the
    // database when there is no table dept.
    void open(Reread* first = nullptr);
    // The same without preparing anything: reads the columns only and
    // writes nothing, for a table that is only read, such as the one a
    // copy is made of.
    void open_for_reading();
    // The columns in the table's order, as the grid heads them: spelt as
    // dept's columns are, whatever letter case the engine keeps.
    const QStringList& headings() const { return headings_; }

    // ---- Reading, for a record set ----

    // One row's columns in the table's order, as the grid shows them.
    using Values = QVector<QVariant>;
    // Where a row stands in a listing's order: its row key and, when the
    // listing is sorted by a name, its sort value.
    struct Key {
        qint64 row = 0;
        QVariant sort;
    };
    struct KeyedRow {
        Key key;
        Values values;
    };
    Listing listing(const RowSource& source) const;

    qint64 count(const Listing& l) const;
    // The statement that counts a listing, for another connection to run.
    static Statement count_statement(const Listing& l);
    // Up to limit rows of the listing in its order, or backwards from its
    // end, those beyond from (when given), after skipping skip of them.
    QVector<KeyedRow> rows(const Listing& l, const std::optional<Key>& from, bool backwards, qint64 limit,
                           qint64 skip) const;
    // The first and last row keys of the whole table, when it has rows.
    std::optional<std::pair<qint64, qint64>> key_range() const;

    // A listing read again, showing one customer: its rows counted, its
    // first rows, and where the customer stands with the rows around it.
    // On a server that is one round trip; a change given one (insert,
    // update, remove) asks it together with itself where the engine runs
    // them as one transaction, so that the change costs none of its own.
    struct Reread {
        Listing listing;
        qint64 page = 1;   // the first rows, and the rows after the customer; twice as many before it
        qint64 most = 0;   // without a customer, the rows counted up to this many; 0 counts them all
        // The customer to show, when there is one: the change sets it.
        std::optional<qint64> cusnum;
        // Its place counted from the end of the listing (the rows after
        // it), as is cheaper for a customer near the end, a new one.
        bool from_end = false;
        // In a listing sorted by a column, counting the rows before the
        // customer reads the sort index up to it, which takes long in a
        // large table: there its place is counted afterwards
        // (Answer::place).
        bool places_later() const { return cusnum && listing.by_column; }
        struct Answer {
            // This program's changes up to now, and other programs' counted
            // before the rows were read (Database::Stamp).
            std::pair<quint64, std::optional<qint64>> stamp;
            qint64 count = 0;
            bool exact = true;  // count is every row, else most: rows known to exist
            std::optional<std::pair<qint64, qint64>> range;  // key_range(), for the whole table in key order
            QVector<KeyedRow> first;
            std::optional<Key> key;       // where the customer stands; none when the listing lacks it
            bool placed = true;           // beyond is counted; else place counts it (places_later)
            Statement place;              // unplaced: the statement that counts its place (place_statement)
            qint64 beyond = 0;            // the rows before it, or after it when from_end
            QVector<KeyedRow> before;     // the rows before it, the nearest first
            QVector<KeyedRow> from;       // the customer's row and those after it
        };
        std::optional<Answer> answer;
    };
    // Asks a re-read on its own.
    void ask(Reread& r) const;
    // The statement that counts a listing's rows and, in its second
    // column, the rows before the row at key: where that row stands.
    Statement place_statement(const Listing& l, const Key& key) const;

    // The customer a row's values hold.
    CustomerRow customer(const Values& values) const;

    // ---- Changes, each one statement ----

    // One more than the largest key in the table: the key a customer
    // added now takes.
    qint64 new_key() const;
    // Adds a customer under key, new_key() when none is given; when
    // another program has added a row under it meanwhile, under new_key()
    // then. Returns the key taken.
    // Each change takes a re-read to ask with itself (then), where the
    // engine allows; then's answer stays empty where it does not, and the
    // caller asks it afterwards. Insert and update set its customer.
    qint64 insert(const CustomerRow& row, Reread* then = nullptr, std::optional<qint64> key = std::nullopt);

    // Changed, Gone: another program changed or deleted the customer
    // first. Taken: another program added a customer under its key.
    enum class Outcome { Done, Changed, Gone, Taken };
    // Writes typed over the customer shown, only if the row still holds
    // exactly what was shown; else tells whether another program changed
    // it or deleted it. The key is never changed.
    Outcome update(const CustomerRow& shown, const CustomerRow& typed, Reread* then = nullptr);
    // Deletes the customer with this number; Gone when it was gone already.
    Outcome remove(qint64 cusnum, Reread* then = nullptr);
    // Deletes the customer only if its row still holds exactly the texts
    // of row (an add undone, a delete done again); else tells whether
    // another program changed it or deleted it.
    Outcome remove_same(const CustomerRow& row, Reread* then = nullptr);
    // Adds the customer under its own key (a delete undone); Taken, and
    // nothing added, when a row holds that key.
    Outcome restore(const CustomerRow& row, Reread* then = nullptr);
    // A change cut off with the connection to the database is checked once
    // it is back, and done once more only when it had not been done: it is
    // never done twice.

    // ---- Adding many rows, within the caller's transaction ----

    // The largest customer number in the table, when it has rows.
    std::optional<qint64> largest_key() const;
    // Those of these customer numbers that the table holds.
    QList<qint64> taken(const QList<qint64>& keys) const;
    // Adds the customers under their own keys, as the engine adds many
    // rows (DbSession::insert_rows); at most rows_per_insert() of them.
    void insert_rows(const QVector<CustomerRow>& rows);
    int rows_per_insert() const;
    // Where the engine gains by it (Dialect::remakes_sort_indexes), drops
    // the sort indexes before adding many rows and makes them again after,
    // within the caller's transaction; elsewhere nothing.
    void drop_sort_indexes();
    void make_sort_indexes();

    // ---- An import undone and done again, through the history ----

    // The ids of the history's versions an import wrote (after first, up
    // to last), and how many customers it added.
    struct Added {
        qint64 first = 0;
        qint64 last = 0;
        qint64 count = 0;
    };
    // Whether this connection may read the table's history: asked once,
    // outside any transaction.
    bool history_readable();
    // The id of the history's latest version; 0 for none.
    qint64 last_version() const;
    // Removes the customers an import added, in one transaction: all of
    // them, or none when one was changed or deleted since (a later version
    // of it; Changed).
    Outcome remove_added(const Added& added);
    // Adds them again as they were added, in one transaction: all of
    // them, or none when a key is taken (Taken). added is told the ids of
    // the new versions.
    Outcome add_again(Added& added);

    // The customer with this number as the table holds it now.
    std::optional<CustomerRow> fetch(qint64 cusnum) const;

private:
    static QString where(const Listing& l, const QString& condition = {});
    // The comparison of (sort, key) that holds for the rows after a row in
    // the listing's order (after), or before it; inclusive, the row too.
    static QString beyond(const Listing& l, bool after, bool inclusive = false);
    // The listing's rows beyond a condition (none: from either end), in
    // its order, or by the key alone (by_key: the rows share a sort value).
    Statement rows_statement(const Listing& l, const Statement& beyond, bool backwards, qint64 limit, qint64 skip,
                             bool by_key = false) const;
    // Where a row stands in a listing's order: its sort value and its key,
    // each a value or a subquery with its values.
    struct At {
        Statement sort;
        Statement row;
    };
    static At at_key(const Key& key);
    At at_customer(const Listing& l, qint64 cusnum) const;
    // "sort = ? AND key cmp ?": the rows of the same sort value beyond a row.
    Statement same_run(const Listing& l, const At& at, const QString& cmp) const;
    // What reads up to limit rows beyond a row after skipping skip of them:
    // backwards those before it, else those after it (inclusive: and the
    // row). One statement where the engine seeks an index by a pair of
    // values, else two: the rows of the same sort value beyond the key,
    // and those beyond the sort value (the second skips nothing), whose
    // answers joined() takes in turn.
    QList<Statement> beyond_statements(const Listing& l, const At& at, bool backwards, bool inclusive, qint64 limit,
                                       qint64 skip) const;
    // The rows of the next statements answered (one or two, as
    // beyond_statements made them), up to limit; at, the last answer taken.
    QVector<KeyedRow> joined(QList<Rows>& answers, qsizetype& at, qsizetype statements, qint64 limit) const;
    // Counts the rows beyond a row.
    Statement count_beyond(const Listing& l, const QString& cmp, const At& at) const;
    Statement exists_statement(qint64 cusnum) const;
    QList<Statement> reread_statements(const Reread& r) const;
    Reread::Answer reread_answer(const Reread& r, QList<Rows> answers, std::optional<qint64> others) const;
    // The column names as the table spells them: positions_ and headings_.
    void set_columns(const QStringList& names);
    // Runs a change; where the engine runs statements together as one
    // transaction, asks extra and then's re-read with it. Returns the
    // change's answer, and extra's in *extra_answers when they were asked.
    Rows change_with(const Statement& change, const QList<Statement>& extra, Reread* then, QList<Rows>* extra_answers);
    Statement count_up_to_statement(const Listing& l, qint64 most) const;
    Statement key_of_statement(const Listing& l, qint64 cusnum) const;
    Statement key_range_statement() const;
    static std::optional<std::pair<qint64, qint64>> key_range_of(Rows& q);
    QVector<KeyedRow> keyed_rows(Rows& q) const;
    // The table's name for column i of kCustomerColumns, quoted.
    QString column(int i) const;
    bool exists(qint64 cusnum) const;
    // Adds the customer under key k only while no row holds it; false when
    // one does.
    bool insert_under(const CustomerRow& row, qint64 k, Reread* then);
    // "col = ? and ...": a row still holds exactly row's texts, with their
    // values in order.
    std::pair<QString, QVariantList> same_texts_condition(const CustomerRow& row) const;
    // The customer in the current row of a "SELECT *".
    CustomerRow customer(const Rows& q) const;
    // The customer's texts equal those of row.
    static bool same_texts(const CustomerRow& a, const CustomerRow& b);
    // Runs a change; when the connection is lost on the way, reconnects
    // and asks done() whether the change was made before running it again.
    // A change the server did not answer in time is not run again now:
    // the same change (what) asked next asks done() first.
    template <class Change>
    qint64 change_once(const QString& what, Change change, std::function<std::optional<qint64>()> done);

    Database& db_;
    // A change given up without an answer, and how to tell whether it was
    // made after all.
    struct Unsettled {
        QString what;
        std::function<std::optional<qint64>()> done;
    };
    std::optional<Unsettled> unsettled_;
    std::optional<bool> historyReadable_;
    QStringList names_;  // as the table names them
    QStringList headings_;
    // Where each column of kCustomerColumns stands in the table; -1 when
    // the table lacks it.
    std::array<int, kCustomerColumns.size()> positions_{};
};
