#include "recordset.h"

#include <QSqlError>
#include <algorithm>

namespace {
DbError closedError()
{
    return DbError(DbError::RecordSetClosed, QStringLiteral("The record set is closed."));
}
}  // namespace

void RecordSet::requireOpen() const
{
    if (!cn_)
        throw closedError();
}

void RecordSet::open(const RowSource& source, Connection& connection)
{
    cn_ = &connection;
    source_ = source;
    sql_ = source.sql();
    try {
        load();
    } catch (...) {
        close();
        throw;
    }
    emit rowsReset();
}

void RecordSet::close()
{
    cn_ = nullptr;
    count_ = 0;
    pos_ = -1;
    names_.clear();
    pages_.clear();
    recent_.clear();
    anchors_.clear();
    emit rowsReset();
}

void RecordSet::requery()
{
    requireOpen();
    // Nothing was written since the rows were counted: only go back to the
    // first row. Filtering runs Open and Requery back to back.
    if (cn_->generation() == generation_ && cn_->dataVersion() == dataVersion_) {
        setPosition(count_ > 0 ? 0 : -1);
        return;
    }
    load();
    emit rowsReset();
}

void RecordSet::load()
{
    pages_.clear();
    recent_.clear();
    anchors_.clear();
    generation_ = cn_->generation();
    dataVersion_ = cn_->dataVersion();

    count_ = cn_->scalar(QStringLiteral("SELECT count(*) FROM dept") + where(), sql_.params).toLongLong();
    if (names_.isEmpty()) {
        // The table's own column names, as written (Qt drops quotes in
        // the names of a result's columns).
        QSqlQuery columns = cn_->query(QStringLiteral("PRAGMA table_info(dept)"));
        while (columns.next())
            names_ << columns.value(1).toString();
    }
    // The first and last rows in key order are known at once (a seek
    // each): reading from either end starts there, and between them a
    // table without gaps in its keys is read anywhere by a seek.
    if (sql_.sort.isEmpty() && sql_.where.isEmpty() && count_ > 0) {
        anchors_[0] = Key{cn_->scalar(QStringLiteral("SELECT min(rowid) FROM dept")).toLongLong(), {}};
        anchors_[count_ - 1] = Key{cn_->scalar(QStringLiteral("SELECT max(rowid) FROM dept")).toLongLong(), {}};
    }
    pos_ = count_ > 0 ? 0 : -1;
}

bool RecordSet::bof() const
{
    requireOpen();
    return count_ == 0 || pos_ < 0;
}

bool RecordSet::eof() const
{
    requireOpen();
    return count_ == 0 || pos_ >= count_;
}

qint64 RecordSet::recordCount() const
{
    requireOpen();
    return count_;
}

void RecordSet::setPosition(qint64 position)
{
    if (pos_ == position)
        return;
    pos_ = position;
    emit currentMoved(pos_);
}

void RecordSet::moveFirst()
{
    requireOpen();
    if (count_ == 0)
        throw DbError(DbError::MoveOutOfRange, QStringLiteral("The record set holds no rows."));
    setPosition(0);
}

void RecordSet::moveLast()
{
    requireOpen();
    if (count_ == 0)
        throw DbError(DbError::MoveOutOfRange, QStringLiteral("The record set holds no rows."));
    setPosition(count_ - 1);
}

void RecordSet::moveNext()
{
    if (eof())
        throw DbError(DbError::MoveOutOfRange, QStringLiteral("There is no row after the last row."));
    setPosition(pos_ + 1);
}

void RecordSet::movePrevious()
{
    if (bof())
        throw DbError(DbError::MoveOutOfRange, QStringLiteral("There is no row before the first row."));
    setPosition(pos_ - 1);
}

void RecordSet::moveTo(qint64 position)
{
    requireOpen();
    if (position < 0 || position >= count_)
        throw DbError(DbError::MoveOutOfRange, QStringLiteral("Row %1 does not exist.").arg(position + 1));
    setPosition(position);
}

QVariant RecordSet::field(int index)
{
    if (bof() || eof())
        throw DbError(DbError::NoCurrentRow, QStringLiteral("There is no current row."));
    if (index < 0 || index >= names_.size())
        throw DbError(DbError::NoCurrentRow, QStringLiteral("There is no column %1.").arg(index));
    return rowAt(pos_).value(index);
}

const RecordSet::Row& RecordSet::rowAt(qint64 position)
{
    requireOpen();
    const Page& p = page(position / kPage);
    return p.rows[position % kPage];
}

const RecordSet::Page& RecordSet::page(qint64 index)
{
    auto it = pages_.find(index);
    if (it != pages_.end()) {
        if (recent_.front() != index) {
            recent_.remove(index);
            recent_.push_front(index);
        }
        return *it;
    }
    Page fetched = fetchPage(index);
    if (pages_.size() >= kMaxPages) {
        pages_.remove(recent_.back());
        recent_.pop_back();
    }
    recent_.push_front(index);
    return *pages_.insert(index, std::move(fetched));
}

QString RecordSet::select(const QString& keyset, bool descending) const
{
    const QString dir = descending ? QStringLiteral(" DESC") : QString();
    QString order = QStringLiteral("rowid") + dir;
    if (!sql_.sort.isEmpty())
        order = sql_.sort + dir + QStringLiteral(", ") + order;
    return QStringLiteral("SELECT rowid, %1, * FROM dept%2 ORDER BY %3 LIMIT ? OFFSET ?")
        .arg(sql_.sort.isEmpty() ? QStringLiteral("NULL") : sql_.sort, where(keyset), order);
}

// Reads the rows of one page. The cheapest start is chosen among the two
// ends of the record set and the nearest rows already read on either side:
// from a known row the engine seeks through the index, and only the rows in
// between are skipped.
RecordSet::Page RecordSet::fetchPage(qint64 index)
{
    const qint64 start = index * kPage;
    const qint64 n = std::clamp<qint64>(count_ - start, 0, kPage);
    const qint64 end = start + n;  // one past the page

    QString keyset;
    QVariantList keyParams;
    bool descending = false;
    qint64 skip = start;  // from the first row

    if (count_ - end < skip) {
        descending = true;
        skip = count_ - end;
    }
    auto after = anchors_.upper_bound(start - 1);  // first anchor >= start
    if (after != anchors_.begin()) {
        auto before = std::prev(after);  // last anchor < start
        if (start - before->first - 1 < skip) {
            descending = false;
            skip = start - before->first - 1;
            keyParams = {before->second.sort, before->second.rowid};
        }
    }
    after = anchors_.lower_bound(end);
    if (after != anchors_.end() && after->first - end < skip) {
        descending = true;
        skip = after->first - end;
        keyParams = {after->second.sort, after->second.rowid};
    }

    // In key order, two known rows whose keys lie exactly as far apart as
    // their positions have every key between them: the key just before the
    // page follows from them, and no row is skipped.
    if (skip > 0 && sql_.sort.isEmpty()) {
        const auto next = anchors_.lower_bound(start);  // first known row >= start
        if (next != anchors_.end() && next != anchors_.begin()) {
            const auto prev = std::prev(next);  // last known row < start
            if (next->second.rowid - prev->second.rowid == next->first - prev->first) {
                descending = false;
                skip = 0;
                keyParams = {QVariant(), prev->second.rowid + (start - prev->first - 1)};
            }
        }
    }

    if (!keyParams.isEmpty()) {
        keyset = beyond(descending ? QStringLiteral("<") : QStringLiteral(">"));
        if (sql_.sort.isEmpty())
            keyParams.removeFirst();
    }

    QVariantList params = sql_.params + keyParams;
    params << n << skip;
    QSqlQuery q = cn_->query(select(keyset, descending), params);

    Page page;
    page.rows.reserve(n);
    QVector<Key> keys;
    keys.reserve(n);
    const int fields = names_.size();
    while (q.next()) {
        keys.push_back(Key{q.value(0).toLongLong(), q.value(1)});
        Row row(fields);
        for (int i = 0; i < fields; ++i)
            row[i] = q.value(i + 2);
        page.rows.push_back(std::move(row));
    }
    if (q.lastError().isValid())
        throw DbError(q.lastError().nativeErrorCode().toInt(), q.lastError().databaseText());
    if (descending) {
        std::reverse(page.rows.begin(), page.rows.end());
        std::reverse(keys.begin(), keys.end());
    }
    if (page.rows.size() == n && n > 0) {
        anchors_[start] = keys.front();
        anchors_[end - 1] = keys.back();
    }
    // Another program removed rows since they were counted: the missing
    // ones read as empty rows until the next re-query.
    while (page.rows.size() < n)
        page.rows.push_back(Row(fields));
    return page;
}

QString RecordSet::beyond(const QString& cmp) const
{
    if (sql_.sort.isEmpty())
        return QStringLiteral("rowid %1 ?").arg(cmp);
    return QStringLiteral("(%1, rowid) %2 (?, ?)").arg(sql_.sort, cmp);
}

QString RecordSet::where(const QString& condition) const
{
    QStringList conditions;
    if (!sql_.where.isEmpty())
        conditions << sql_.where;
    if (!condition.isEmpty())
        conditions << condition;
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

std::optional<qint64> RecordSet::find(qint64 rowid)
{
    requireOpen();
    const QString sortExpr = sql_.sort.isEmpty() ? QStringLiteral("NULL") : sql_.sort;
    QSqlQuery q = cn_->query(QStringLiteral("SELECT %1 FROM dept").arg(sortExpr) + where(QStringLiteral("rowid = ?")),
                             sql_.params + QVariantList{rowid});
    if (!q.next())
        return std::nullopt;
    const Key key{rowid, q.value(0)};

    // A position is a count of the rows before the key, a walk over them;
    // in key order the rows after it are counted instead when they are
    // fewer (a row just added is the last), as the first and last keys tell.
    bool fromEnd = false;
    const auto first = anchors_.find(0);
    const auto last = anchors_.find(count_ - 1);
    if (sql_.sort.isEmpty() && first != anchors_.end() && last != anchors_.end())
        fromEnd = rowid - first->second.rowid > last->second.rowid - rowid;
    QVariantList params = sql_.params;
    if (!sql_.sort.isEmpty())
        params << key.sort;
    params << rowid;
    const qint64 counted = cn_->scalar(QStringLiteral("SELECT count(*) FROM dept") +
                                           where(beyond(fromEnd ? QStringLiteral(">") : QStringLiteral("<"))),
                                       params).toLongLong();
    const qint64 position = fromEnd ? count_ - 1 - counted : counted;
    if (position < 0 || position >= count_)
        return std::nullopt;
    anchors_[position] = key;
    return position;
}
