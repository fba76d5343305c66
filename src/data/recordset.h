#pragma once

#include "data/background_count.h"
#include "data/customer_table.h"

#include <QHash>
#include <QObject>
#include <list>
#include <map>
#include <optional>

// The main record set: the rows of a RowSource as a scrollable snapshot
// with an exact row count and a current position. Positions stay put until
// the next open or re-query; the first row is current after either.
//
// Only the rows asked for are read: pages of rows are fetched by keyset
// seeks from the nearest row already read (or from either end), and a few
// pages are cached. Memory does not grow with the size of the table.
//
// Every operation either succeeds or leaves the record set as it was: when
// the rows cannot be read (another program holds the database locked),
// open, re-query and every move throw and change nothing.
//
// Where counting takes long (a server), open reads the first page only and
// a second connection counts meanwhile: until rowsCounted, knownCount() is
// the number of rows known to exist, and whatever needs the exact number
// (recordCount, the last row, a move past the rows known) counts first.
class RecordSet : public QObject {
    Q_OBJECT
public:
    using Row = CustomerTable::Values;

    explicit RecordSet(CustomerTable& table, QObject* parent = nullptr);
    ~RecordSet() override;

    void open(const RowSource& source);
    void close();
    bool isOpen() const { return s_.has_value(); }
    // What the record set lists; every row while it is closed.
    RowSource source() const { return s_ ? s_->source : RowSource::all(); }
    void requery();
    // What reading the list again to show one customer asks, for a change
    // to ask with itself (CustomerTable's insert, update and remove), and
    // the list read again with it: the customer current when the list
    // holds it, else the row at near (the nearest there is), the first
    // when there is no customer. What the change did not ask is asked now,
    // in one round trip on a server.
    CustomerTable::Reread reread() const;
    void requery(CustomerTable::Reread& reread, qint64 near = 0);
    // True when the rows may have changed since they were read, by this
    // program or another; false when nothing tells (then only a re-query
    // shows other programs' changes).
    bool outdated() const;

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // Makes the row at position current (the grid's choice of row).
    void moveTo(qint64 position);

    bool bof() const;
    bool eof() const;
    // The exact number of rows, counted now when it is not known yet.
    qint64 recordCount() const;
    // The rows known to exist, and whether that is all of them; no query.
    qint64 knownCount() const;
    bool counted() const;
    bool hasRows() const { return knownCount() > 0; }
    qint64 position() const { return pos_; }

    // The value of a column of the current row, by its place in the table;
    // an error with no current row.
    QVariant field(int index);
    // The customer in the current row; an error with no current row.
    CustomerRow current();
    int fieldCount() const { return table_.headings().size(); }
    QString fieldName(int index) const { return table_.headings().value(index); }

    // The row at a position, read when it is not at hand.
    const Row& rowAt(qint64 position);
    // The row at a position when it has been read; nullptr otherwise.
    const Row* cachedRow(qint64 position) const;
    // Reads the rows from first on, n of them, that are not at hand yet.
    void prefetch(qint64 first, qint64 n);
    // The position of the customer with this number, when this record set
    // lists it.
    std::optional<qint64> find(qint64 cusnum);

    CustomerTable& table() const { return table_; }

signals:
    // The rows were read again (open, close, re-query).
    void rowsReset();
    // The current position changed without the rows changing.
    void currentMoved(qint64 position);
    // The rows were counted: knownCount() is exact from now on.
    void rowsCounted();

private:
    static constexpr qint64 kPage = 64;
    static constexpr int kMaxPages = 64;
    // Where counting takes long, rows up to this many are counted at once.
    static constexpr qint64 kCountAtOnce = 5000;

    using Key = CustomerTable::Key;
    struct Page {
        QVector<Row> rows;
    };
    // What one open or re-query read: the rows' count, the pages read so
    // far and the keys of rows at known positions.
    struct Snapshot {
        quint64 id = 0;  // which open read it
        RowSource source;
        Listing listing;
        qint64 count = 0;     // every row, or the rows known so far
        bool exact = true;    // count is every row
        std::pair<quint64, std::optional<qint64>> stamp;
        QHash<qint64, Page> pages;
        std::list<qint64> recent;       // page numbers, most recent first
        std::map<qint64, Key> anchors;  // keys of rows at known positions
    };

    Snapshot& requireOpen();
    const Snapshot& requireOpen() const;
    // Makes the count exact; the count is a cache, so this is const.
    void countNow() const;
    // The first and last keys of the whole table are read for it unless
    // given (range).
    void setCount(Snapshot& s, qint64 count, const std::optional<std::pair<qint64, qint64>>* range = nullptr) const;
    void onCounted(quint64 id, qint64 count);
    // Counts the rows of source and reads the first page.
    Snapshot load(const RowSource& source);
    // What a re-read read, with the position of its customer when the
    // listing holds it.
    Snapshot snapshot(const RowSource& source, const CustomerTable::Reread& reread, std::optional<qint64>* found);
    // Makes s the record set's rows with the first row current.
    void install(Snapshot s);
    // Makes position current once its row has been read.
    void setPosition(qint64 position);
    const Page& page(Snapshot& s, qint64 index);
    Page fetchPage(Snapshot& s, qint64 index);
    // The page of rows read from start on (backwards: ending before
    // start + n), noting where they stand and what they tell of the count.
    Page place(Snapshot& s, qint64 start, qint64 n, bool backwards, QVector<CustomerTable::KeyedRow> read) const;
    // Keeps a page read as the most recent one.
    const Page& keep(Snapshot& s, qint64 index, Page page);

    CustomerTable& table_;
    std::optional<Snapshot> s_;
    qint64 pos_ = -1;
    quint64 opened_ = 0;  // opens so far
    BackgroundCount* counter_ = nullptr;  // made when first needed
};
