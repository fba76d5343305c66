#include "data/recordset.h"

#include "data/connection.h"

#include <QCoreApplication>
#include <algorithm>

namespace {
DbError noRows()
{
    return DbError(DbError::MoveOutOfRange, QCoreApplication::translate("RecordSet", "The record set holds no rows."));
}
}  // namespace

RecordSet::Snapshot& RecordSet::requireOpen()
{
    if (!s_)
        throw DbError(DbError::RecordSetClosed, QCoreApplication::translate("RecordSet", "The record set is closed."));
    return *s_;
}

const RecordSet::Snapshot& RecordSet::requireOpen() const
{
    return const_cast<RecordSet*>(this)->requireOpen();
}

RecordSet::RecordSet(CustomerTable& table, QObject* parent) : QObject(parent), table_(table) {}

RecordSet::~RecordSet() = default;

CustomerTable::Reread RecordSet::reread() const
{
    CustomerTable::Reread r;
    r.listing = s_ ? s_->listing : table_.listing(source());
    r.page = kPage;
    // Where counting takes long, the first rows show before the count, as
    // on open: rows up to a few thousand are counted at once, more by a
    // second connection meanwhile.
    r.most = table_.counts_slowly() ? kCountAtOnce : 0;
    // The customer shown is counted from the nearer end: a new one, added
    // with the last row current, from the end. While the rows are still
    // being counted, the end is far.
    r.from_end = s_ && s_->exact && pos_ >= s_->count / 2;
    return r;
}

RecordSet::Snapshot RecordSet::load(const RowSource& source)
{
    CustomerTable::Reread r = reread();
    r.listing = table_.listing(source);
    r.from_end = false;
    table_.ask(r);
    return snapshot(source, r, nullptr);
}

RecordSet::Snapshot RecordSet::snapshot(const RowSource& source, const CustomerTable::Reread& reread,
                                        std::optional<qint64>* found)
{
    const CustomerTable::Reread::Answer& a = *reread.answer;
    Snapshot s;
    s.id = opened_ + 1;
    s.source = source;
    s.listing = reread.listing;
    // Other programs' changes are counted from before the rows were read,
    // this program's own up to now.
    s.stamp = {table_.connection().generation(), a.others};
    if (a.exact) {
        setCount(s, a.count, &a.range);
    } else {
        s.exact = false;
        s.count = 0;
    }
    // The first row is current: it is read now, so that showing it
    // cannot fail.
    const qint64 n = s.exact ? std::min(s.count, kPage) : kPage;
    if (n > 0)
        keep(s, 0, place(s, 0, n, false, a.first.mid(0, n)));
    if (!a.key || !found)
        return s;

    // The customer's place, and the whole pages among the rows read
    // around it: those the grid shows when it makes the customer current.
    const qint64 position = reread.from_end ? s.count - 1 - a.beyond : a.beyond;
    if (position < 0 || position >= s.count)
        return s;
    *found = position;
    s.anchors[position] = *a.key;
    QVector<CustomerTable::KeyedRow> around(a.before.rbegin(), a.before.rend());
    around += a.from;
    const qint64 low = position - a.before.size();
    const qint64 high = low + around.size();  // one past
    // Rows added or removed meanwhile by another program: the rows read
    // do not stand where the count says, and are read again when shown.
    if (around.isEmpty() || low < 0 || high > s.count)
        return s;
    s.anchors[low] = around.front().key;
    s.anchors[high - 1] = around.back().key;
    for (qint64 index = (low + kPage - 1) / kPage; index * kPage < std::min(high, s.count); ++index) {
        const qint64 start = index * kPage;
        const qint64 end = std::min(start + kPage, s.count);
        if (end > high || s.pages.contains(index))
            continue;
        keep(s, index, place(s, start, end - start, false, around.mid(start - low, end - start)));
    }
    return s;
}

void RecordSet::setCount(Snapshot& s, qint64 count, const std::optional<std::pair<qint64, qint64>>* given) const
{
    s.count = count;
    s.exact = true;
    // The first and last rows in key order are known at once (a seek
    // each): reading from either end starts there, and between them a
    // table without gaps in its keys is read anywhere by a seek.
    if (s.listing.sort.isEmpty() && s.listing.where.isEmpty() && s.count > 0)
        if (const auto range = given ? *given : table_.key_range()) {
            s.anchors[0] = Key{range->first, {}};
            s.anchors[s.count - 1] = Key{range->second, {}};
        }
}

void RecordSet::open(const RowSource& source)
{
    install(load(source));
}

void RecordSet::install(Snapshot s)
{
    s_ = std::move(s);
    opened_ = s_->id;
    pos_ = s_->count > 0 ? 0 : -1;
    emit rowsReset();
    if (s_->exact)
        return;
    if (!counter_) {
        counter_ = new BackgroundCount(this);
        connect(counter_, &BackgroundCount::counted, this, &RecordSet::onCounted);
    }
    // Asked once the handler that opened is done: when it counted for
    // itself meanwhile (to find a saved row), there is nothing left to count.
    QMetaObject::invokeMethod(
        this,
        [this, id = s_->id] {
            if (!s_ || s_->id != id || s_->exact)
                return;
            const Connection& cn = table_.connection();
            const auto [sql, params] = table_.count_statement(s_->listing);
            counter_->request(id, cn.target(), cn.password(), sql, params);
        },
        Qt::QueuedConnection);
}

void RecordSet::onCounted(quint64 id, qint64 count)
{
    if (!s_ || s_->id != id || s_->exact)
        return;
    // Rows added or removed meanwhile: the count is of the database as it
    // is now, and the rows already read stay as they were read.
    try {
        setCount(*s_, std::max(count, pos_ + 1));
    } catch (const DbError&) {
        return;  // counted again when the number is needed
    }
    emit rowsCounted();
}

void RecordSet::countNow() const
{
    Snapshot& s = const_cast<RecordSet*>(this)->requireOpen();
    if (s.exact)
        return;
    setCount(s, std::max(table_.count(s.listing), pos_ + 1));
    // Told once the move or read that needed the count is done.
    QMetaObject::invokeMethod(const_cast<RecordSet*>(this), &RecordSet::rowsCounted, Qt::QueuedConnection);
}

void RecordSet::close()
{
    s_.reset();
    pos_ = -1;
    emit rowsReset();
}

void RecordSet::requery()
{
    Snapshot& s = requireOpen();
    // Nothing was written since the rows were counted: only go back to the
    // first row. Filtering runs Open and Requery back to back.
    const auto stamp = table_.change_stamp();
    if (stamp.second && stamp == s.stamp) {
        setPosition(s.count > 0 ? 0 : -1);
        return;
    }
    open(s.source);
}

void RecordSet::requery(CustomerTable::Reread& reread, qint64 near)
{
    const Snapshot& old = requireOpen();
    if (!reread.answer)
        table_.ask(reread);
    std::optional<qint64> found;
    Snapshot s = snapshot(old.source, reread, &found);
    const qint64 count = s.count;
    install(std::move(s));
    if (found)
        setPosition(*found);
    else if (reread.cusnum && count > 0)
        setPosition(std::clamp<qint64>(near, 0, count - 1));
}

bool RecordSet::outdated() const
{
    const auto stamp = table_.change_stamp();
    return stamp.second && stamp != requireOpen().stamp;
}

bool RecordSet::bof() const
{
    return requireOpen().count == 0 || pos_ < 0;
}

bool RecordSet::eof() const
{
    const Snapshot& s = requireOpen();
    if (pos_ >= s.count)
        countNow();
    return s.count == 0 || pos_ >= s.count;
}

qint64 RecordSet::recordCount() const
{
    countNow();
    return requireOpen().count;
}

qint64 RecordSet::knownCount() const
{
    return requireOpen().count;
}

bool RecordSet::counted() const
{
    return requireOpen().exact;
}

void RecordSet::setPosition(qint64 position)
{
    if (pos_ == position)
        return;
    if (position >= s_->count)
        countNow();
    if (position >= 0 && position < s_->count)
        page(*s_, position / kPage);
    pos_ = position;
    emit currentMoved(pos_);
}

void RecordSet::moveFirst()
{
    if (requireOpen().count == 0)
        throw noRows();
    setPosition(0);
}

void RecordSet::moveLast()
{
    const qint64 count = recordCount();
    if (count == 0)
        throw noRows();
    setPosition(count - 1);
}

void RecordSet::moveNext()
{
    if (eof())
        throw DbError(DbError::MoveOutOfRange, QCoreApplication::translate("RecordSet", "There is no row after the last row."));
    setPosition(pos_ + 1);
}

void RecordSet::movePrevious()
{
    if (bof())
        throw DbError(DbError::MoveOutOfRange, QCoreApplication::translate("RecordSet", "There is no row before the first row."));
    setPosition(pos_ - 1);
}

void RecordSet::moveTo(qint64 position)
{
    if (position >= knownCount())
        countNow();
    if (position < 0 || position >= requireOpen().count)
        throw DbError(DbError::MoveOutOfRange, QCoreApplication::translate("RecordSet", "Row %1 does not exist.").arg(position + 1));
    setPosition(position);
}

QVariant RecordSet::field(int index)
{
    if (bof() || eof())
        throw DbError(DbError::NoCurrentRow, QCoreApplication::translate("RecordSet", "There is no current row."));
    if (index < 0 || index >= fieldCount())
        throw DbError(DbError::NoCurrentRow, QCoreApplication::translate("RecordSet", "There is no column %1.").arg(index));
    return rowAt(pos_).value(index);
}

CustomerRow RecordSet::current()
{
    if (bof() || eof())
        throw DbError(DbError::NoCurrentRow, QCoreApplication::translate("RecordSet", "There is no current row."));
    return table_.customer(rowAt(pos_));
}

const RecordSet::Row& RecordSet::rowAt(qint64 position)
{
    return page(requireOpen(), position / kPage).rows[position % kPage];
}

const RecordSet::Row* RecordSet::cachedRow(qint64 position) const
{
    if (!s_ || position < 0 || position >= s_->count)
        return nullptr;
    const auto it = s_->pages.find(position / kPage);
    return it == s_->pages.end() ? nullptr : &it->rows[position % kPage];
}

void RecordSet::prefetch(qint64 first, qint64 n)
{
    Snapshot& s = requireOpen();
    const qint64 last = std::min(first + n, s.count) - 1;
    for (qint64 index = std::max<qint64>(first, 0) / kPage; index <= last / kPage && last >= 0; ++index)
        page(s, index);
}

const RecordSet::Page& RecordSet::page(Snapshot& s, qint64 index)
{
    auto it = s.pages.find(index);
    if (it != s.pages.end()) {
        if (s.recent.front() != index) {
            s.recent.remove(index);
            s.recent.push_front(index);
        }
        return *it;
    }
    return keep(s, index, fetchPage(s, index));
}

const RecordSet::Page& RecordSet::keep(Snapshot& s, qint64 index, Page page)
{
    if (s.pages.size() >= kMaxPages) {
        s.pages.remove(s.recent.back());
        s.recent.pop_back();
    }
    s.recent.push_front(index);
    return *s.pages.insert(index, std::move(page));
}

// Reads the rows of one page. The cheapest start is chosen among the two
// ends of the record set and the nearest rows already read on either side:
// from a known row the engine seeks through the index, and only the rows in
// between are skipped.
RecordSet::Page RecordSet::fetchPage(Snapshot& s, qint64 index)
{
    const qint64 start = index * kPage;
    // Before the count a page asks for all it can hold, and what comes
    // back tells where the rows end.
    const qint64 n = s.exact ? std::clamp<qint64>(s.count - start, 0, kPage) : kPage;
    const qint64 end = start + n;  // one past the page
    const bool sorted = !s.listing.sort.isEmpty();

    std::optional<Key> from;
    bool backwards = false;
    qint64 skip = start;  // from the first row

    if (s.exact && s.count - end < skip) {
        backwards = true;
        skip = s.count - end;
    }
    auto after = s.anchors.upper_bound(start - 1);  // first anchor >= start
    if (after != s.anchors.begin()) {
        auto before = std::prev(after);  // last anchor < start
        if (start - before->first - 1 < skip) {
            backwards = false;
            skip = start - before->first - 1;
            from = before->second;
        }
    }
    after = s.anchors.lower_bound(end);
    if (s.exact && after != s.anchors.end() && after->first - end < skip) {
        backwards = true;
        skip = after->first - end;
        from = after->second;
    }

    // In key order, two known rows whose keys lie exactly as far apart as
    // their positions have every key between them: the key just before the
    // page follows from them, and no row is skipped.
    if (skip > 0 && !sorted) {
        const auto next = s.anchors.lower_bound(start);  // first known row >= start
        if (next != s.anchors.end() && next != s.anchors.begin()) {
            const auto prev = std::prev(next);  // last known row < start
            if (next->second.row - prev->second.row == next->first - prev->first) {
                backwards = false;
                skip = 0;
                from = Key{prev->second.row + (start - prev->first - 1), {}};
            }
        }
    }

    return place(s, start, n, backwards, table_.rows(s.listing, from, backwards, n, skip));
}

RecordSet::Page RecordSet::place(Snapshot& s, qint64 start, qint64 n, bool backwards,
                                 QVector<CustomerTable::KeyedRow> read) const
{
    const qint64 end = start + n;
    if (backwards)
        std::reverse(read.begin(), read.end());
    Page page;
    page.rows.reserve(n);
    for (auto& r : read)
        page.rows.push_back(std::move(r.values));
    if (read.size() == n && n > 0) {
        s.anchors[start] = read.front().key;
        s.anchors[end - 1] = read.back().key;
    }
    if (!s.exact) {
        s.count = std::max(s.count, start + page.rows.size());
        if (page.rows.size() < n && !backwards)
            setCount(s, start + page.rows.size());
        return page;
    }
    // Another program removed rows since they were counted: the missing
    // ones read as empty rows until the next re-query.
    while (page.rows.size() < n)
        page.rows.push_back(Row(fieldCount()));
    return page;
}

std::optional<qint64> RecordSet::find(qint64 cusnum)
{
    // The exact count lets a row near the end, as a new one is, be counted
    // from there; when it is not known yet, it is asked with the key.
    Snapshot& s = requireOpen();
    std::optional<Key> key;
    if (s.exact) {
        key = table_.key_of(s.listing, cusnum);
    } else {
        const CustomerTable::CountAndKey found = table_.count_and_key_of(s.listing, cusnum);
        setCount(s, std::max(found.count, pos_ + 1), &found.range);
        QMetaObject::invokeMethod(this, &RecordSet::rowsCounted, Qt::QueuedConnection);
        key = found.key;
    }
    if (!key)
        return std::nullopt;

    // A position is a count of the rows before the key, a walk over them;
    // in key order the rows after it are counted instead when they are
    // fewer (a row just added is the last), as the first and last keys tell.
    bool fromEnd = false;
    const auto first = s.anchors.find(0);
    const auto last = s.anchors.find(s.count - 1);
    if (s.listing.sort.isEmpty() && first != s.anchors.end() && last != s.anchors.end())
        fromEnd = key->row - first->second.row > last->second.row - key->row;
    const qint64 counted = table_.count_beyond(s.listing, *key, fromEnd);
    const qint64 position = fromEnd ? s.count - 1 - counted : counted;
    if (position < 0 || position >= s.count)
        return std::nullopt;
    s.anchors[position] = *key;
    return position;
}
