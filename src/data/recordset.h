#pragma once

#include "data/connection.h"
#include "data/customer_table.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QObject>
#include <functional>
#include <list>
#include <map>
#include <optional>

// The main record set: the rows of a listing as a scrollable snapshot with
// an exact row count and a current position. It lives on the window's
// thread; whatever it reads, it asks of its connection and awaits.
//
// Only the rows asked for are read: pages of rows are fetched by keyset
// seeks from the nearest row already read (or from either end), and a few
// pages are cached. Memory does not grow with the size of the table. The
// current row is always at hand: a move reads its page first, and only
// then makes it current, so that showing the current row never waits.
//
// What the record set lists is replaced as a whole (install): the list
// reads a listing again (CustomerList) and hands the answer over. A read
// begun for rows that have been replaced meanwhile is dropped.
//
// Where counting takes long (a server), a listing is first counted up to a
// bound and a second connection counts the rest: until rowsCounted,
// knownCount() is the number of rows known to exist, and whatever needs
// the exact number (the last row, a move past the rows known) counts first.
//
// In a list sorted by a column, the place of the customer a re-read shows
// is counted afterwards (see CustomerTable::Reread::Answer::placed): until
// rowsPlaced, the rows read around it stand from position 0 on, and
// whatever needs their true place (the first row, a move before the rows
// known, the count) has it counted first.
class RecordSet : public QObject {
    Q_OBJECT
public:
    using Row = CustomerTable::Values;

    // Reads through the table on cn.
    RecordSet(Connection& cn, CustomerTable& table, QObject* parent = nullptr);
    ~RecordSet() override;
    // Where counting takes long: what counts a listing aside, on a
    // connection of its own.
    // It answers with the values of the statement's first row.
    using Counter = std::function<Answer<QVariantList>(Statement count)>;
    void setCounter(Counter counter) { counter_ = std::move(counter); }

    // True once rows have been installed.
    bool isOpen() const { return s_.has_value(); }
    // What the record set lists.
    RowSource source() const { return s_ ? s_->source : RowSource::all(); }
    // The column headings, as the table spells its columns.
    const QStringList& headings() const { return headings_; }
    void setHeadings(const QStringList& headings) { headings_ = headings; }
    int fieldCount() const { return int(headings_.size()); }

    // What reading source again asks, to show the customer cusnum when
    // given, counted from the nearer end of the rows listed now. The
    // listing is filled in where the question runs.
    CustomerTable::Reread reread(std::optional<qint64> cusnum = std::nullopt) const;
    // Makes the rows a re-read read the record set's, with the first row
    // current. Returns the row to make current next (moveTo): the customer
    // the re-read was to show when the listing holds it, else the row at
    // near (the nearest there is); the first row without a customer.
    qint64 install(const RowSource& source, const CustomerTable::Reread& reread, qint64 near = 0);
    // True when the rows may have changed since they were read, by this
    // program or another; false when nothing tells (then only reading
    // again shows other programs' changes).
    QCoro::Task<bool> outdated();

    // Moves; each reads the row it makes current first. Next and Previous
    // stop at the ends; a move on a record set without rows fails.
    QCoro::Task<> moveFirst();
    QCoro::Task<> moveLast();
    QCoro::Task<> moveNext();
    QCoro::Task<> movePrevious();
    // Makes the row at position current (the grid's choice of row). Before
    // rows not placed yet, a position below 0 is counted from where they
    // will stand, and reaches the first row at most.
    QCoro::Task<> moveTo(qint64 position);

    bool bof() const { return !s_ || s_->count == 0 || pos_ < 0; }
    bool eof() const { return !s_ || s_->count == 0 || pos_ >= s_->count; }
    // The exact number of rows, counted now when it is not known yet.
    QCoro::Task<qint64> recordCount();
    // The rows known to exist, and whether that is all of them.
    qint64 knownCount() const { return s_ ? s_->count : 0; }
    bool counted() const { return !s_ || (s_->exact && s_->placed); }
    // Whether positions are where the rows stand in the whole list.
    bool placed() const { return !s_ || s_->placed; }
    bool hasRows() const { return knownCount() > 0; }
    qint64 position() const { return pos_; }

    // The customer in the current row; an error with no current row.
    CustomerRow current() const;

    // The row at a position when it has been read; nullptr otherwise.
    const Row* cachedRow(qint64 position) const;
    // Reads the rows from first on, n of them, that are not at hand yet;
    // false when the rows were replaced meanwhile.
    QCoro::Task<bool> prefetch(qint64 first, qint64 n);

signals:
    // The rows were replaced (install).
    void rowsReset();
    // The current position changed without the rows changing.
    void currentMoved(qint64 position);
    // The rows were counted: knownCount() is exact from now on.
    void rowsCounted();
    // The rows were placed: every position moved on by shift, the rows
    // themselves, the current one too, are the same.
    void rowsPlaced(qint64 shift);

private:
    static constexpr qint64 kPage = 64;
    static constexpr int kMaxPages = 64;
    // Where counting takes long, rows up to this many are counted at once.
    static constexpr qint64 kCountAtOnce = 5000;

    using Key = CustomerTable::Key;
    // The rows of a page from its row first on; a page read whole has
    // all of them (first 0).
    struct Page {
        qint64 first = 0;
        QVector<Row> rows;
    };
    // What one re-read read: the rows' count, the pages read so far and
    // the keys of rows at known positions.
    struct Snapshot {
        quint64 id = 0;  // which install made it
        RowSource source;
        Listing listing;
        qint64 count = 0;   // every row, or the rows known so far
        bool exact = true;  // count is every row
        Database::Stamp stamp;
        std::optional<std::pair<qint64, qint64>> range;  // the first and last keys of the whole table
        QHash<qint64, Page> pages;
        std::list<qint64> recent;       // page numbers, most recent first
        std::map<qint64, Key> anchors;  // keys of rows at known positions
        // False until the rows are placed: positions are counted from the
        // first row read, where the row at anchors[unplaced] stands.
        bool placed = true;
        qint64 unplaced = 0;
        Statement place;   // counts where the rows stand
        qint64 shift = 0;  // how far placing moved the positions
    };

    // Throws a DbError (cancelled) when the rows were replaced since the
    // snapshot id was taken: what was read for them is not wanted.
    void requireSame(quint64 id) const;
    // Makes the count exact, and the positions placed.
    QCoro::Task<> countNow();
    // Counts where the rows stand (on the counter, or on the connection
    // when there is none), and places them.
    QCoro::Task<> placeNow();
    QCoro::Task<> placeAside();
    // Places the rows: the row at s.unplaced has before rows before it
    // among count. Every position moves on by the difference.
    void shiftTo(Snapshot& s, qint64 count, qint64 before);
    // Counts the rows on the counter, and takes the count when the same
    // rows are still listed.
    QCoro::Task<> countAside(quint64 id, Statement count);
    void setCount(Snapshot& s, qint64 count) const;
    // Makes position current; its page must be at hand.
    void setPosition(qint64 position);
    // The page of the row at position, read when it is not at hand.
    QCoro::Task<> readPage(qint64 index);
    // The page of rows read from start on (backwards: ending before
    // start + n), noting where they stand and what they tell of the count.
    Page place(Snapshot& s, qint64 start, qint64 n, bool backwards, QVector<CustomerTable::KeyedRow> read) const;
    // Keeps a page read as the most recent one.
    const Page& keep(Snapshot& s, qint64 index, Page page);

    Connection& cn_;
    CustomerTable& table_;  // used on cn_'s thread only
    Counter counter_;
    QStringList headings_;
    std::optional<Snapshot> s_;
    qint64 pos_ = -1;
    quint64 installed_ = 0;  // installs so far
};
