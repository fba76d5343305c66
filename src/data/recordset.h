#pragma once

#include "connection.h"
#include "row_source.h"

#include <QHash>
#include <QObject>
#include <QVector>
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
class RecordSet : public QObject {
    Q_OBJECT
public:
    using Row = QVector<QVariant>;

    explicit RecordSet(QObject* parent = nullptr) : QObject(parent) {}

    void open(const RowSource& source, Connection& connection);
    void close();
    bool isOpen() const { return cn_ != nullptr; }
    void requery();

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // Makes the row at position current (the grid's choice of row).
    void moveTo(qint64 position);

    bool bof() const;
    bool eof() const;
    qint64 recordCount() const;
    qint64 position() const { return pos_; }

    // The value of a column of the current row; an error with no current row.
    QVariant field(int index);
    int fieldCount() const { return names_.size(); }
    QString fieldName(int index) const { return names_.value(index); }

    // The row at a position, for the grid.
    const Row& rowAt(qint64 position);
    // The position of the row whose key is rowid, when this record set
    // holds it.
    std::optional<qint64> find(qint64 rowid);

    const RowSource& source() const { return source_; }

signals:
    // The rows were read again (open, close, re-query).
    void rowsReset();
    // The current position changed without the rows changing.
    void currentMoved(qint64 position);

private:
    static constexpr qint64 kPage = 64;
    static constexpr int kMaxPages = 64;

    struct Key {
        qint64 rowid = 0;
        QVariant sort;
    };
    struct Page {
        QVector<Row> rows;
    };

    void requireOpen() const;
    void load();
    void setPosition(qint64 position);
    const Page& page(qint64 index);
    Page fetchPage(qint64 index);
    QString select(const QString& keyset, bool descending) const;
    // The condition "comes before" (cmp "<") or "after" (">") a row's key
    // in this record set's order; its values are the key's sort value (when
    // sorted) and rowid.
    QString beyond(const QString& cmp) const;
    // The WHERE clause of the record set's condition and this one, if any.
    QString where(const QString& condition = {}) const;

    Connection* cn_ = nullptr;
    RowSource source_;
    RowSource::Sql sql_;
    QStringList names_;
    qint64 count_ = 0;
    qint64 pos_ = -1;
    quint64 generation_ = 0;
    qint64 dataVersion_ = 0;

    QHash<qint64, Page> pages_;
    std::list<qint64> recent_;       // page numbers, most recent first
    std::map<qint64, Key> anchors_;  // keys of rows at known positions
};
