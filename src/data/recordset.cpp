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

RecordSet::RecordSet(Connection& cn, CustomerTable& table, QObject* parent) : QObject(parent), cn_(cn), table_(table) {}

RecordSet::~RecordSet() = default;

void RecordSet::requireSame(quint64 id) const
{
    if (!s_ || s_->id != id)
        throw DbError(DbError::GivenUp, QCoreApplication::translate("RecordSet", "The list was read again meanwhile."),
                      DbError::Kind::Cancelled);
}

CustomerTable::Reread RecordSet::reread(std::optional<qint64> cusnum) const
{
    CustomerTable::Reread r;
    r.page = kPage;
    // Where counting takes long, the first rows show before the count:
    // rows up to a few thousand are counted at once, more by the counter
    // meanwhile.
    r.most = counter_ ? kCountAtOnce : 0;
    r.cusnum = cusnum;
    // The customer shown is counted from the nearer end: a new one, added
    // with the last row current, from the end. While the rows are still
    // being counted, the end is far.
    r.from_end = counted() && s_ && pos_ >= s_->count / 2;
    // A customer of a known key in a list in key order (one brought back)
    // is counted from the end its key is nearer.
    if (cusnum && counted() && s_ && s_->range && s_->source.column == RowSource::Column::None)
        r.from_end = *cusnum - s_->range->first >= s_->range->second - *cusnum;
    return r;
}

qint64 RecordSet::install(const RowSource& source, const CustomerTable::Reread& reread, qint64 near)
{
    const CustomerTable::Reread::Answer& a = *reread.answer;
    Snapshot s;
    s.id = ++installed_;
    s.source = source;
    s.listing = reread.listing;
    s.stamp = a.stamp;
    s.range = a.range;
    if (a.exact) {
        setCount(s, a.count);
    } else {
        // So many rows at least: the rest are counted aside.
        s.exact = false;
        s.count = a.count;
    }
    // The customer's place: counted, or told by the rows read around it
    // when they reach an end of the list, or else counted afterwards.
    std::optional<qint64> position;
    if (a.key) {
        if (a.placed)
            position = reread.from_end ? s.count - 1 - a.beyond : a.beyond;
        else if (a.before.size() < 2 * reread.page)
            position = a.before.size();
        else if (s.exact && a.from.size() < reread.page)
            position = s.count - a.from.size();
    }
    if (a.key && !position) {
        // Until then the rows read around it are the rows known, from
        // position 0 on; they reach the end when fewer came than asked.
        s.placed = false;
        s.place = a.place;
        s.unplaced = a.before.size();
        s.count = a.before.size() + a.from.size();
        s.exact = a.from.size() < reread.page;
        position = s.unplaced;
    } else {
        // The first row is read with the rest, so that showing it cannot fail.
        const qint64 n = s.exact ? std::min(s.count, kPage) : kPage;
        if (n > 0)
            keep(s, 0, place(s, 0, n, false, a.first.mid(0, n)));
    }

    // The whole pages among the rows read around the customer: those the
    // grid shows when it makes the customer current.
    std::optional<qint64> found;
    if (position && *position >= 0 && *position < s.count) {
        found = position;
        s.anchors[*position] = *a.key;
        QVector<CustomerTable::KeyedRow> around(a.before.rbegin(), a.before.rend());
        around += a.from;
        const qint64 low = *position - a.before.size();
        const qint64 high = low + around.size();  // one past
        // Rows added or removed meanwhile by another program: the rows read
        // do not stand where the count says, and are read again when shown.
        if (!around.isEmpty() && low >= 0 && high <= s.count) {
            s.anchors[low] = around.front().key;
            s.anchors[high - 1] = around.back().key;
            for (qint64 index = (low + kPage - 1) / kPage; index * kPage < std::min(high, s.count); ++index) {
                const qint64 start = index * kPage;
                const qint64 end = std::min(start + kPage, s.count);
                if (end > high || s.pages.contains(index))
                    continue;
                keep(s, index, place(s, start, end - start, false, around.mid(start - low, end - start)));
            }
        }
    }
    const quint64 id = s.id;
    const bool exact = s.exact;
    const Statement count = CustomerTable::count_statement(s.listing);
    s_ = std::move(s);
    pos_ = s_->count > 0 ? 0 : -1;
    emit rowsReset();
    // The customer kept, or the row nearest to where it was; its page is
    // read already when the re-read brought it, else it is read now.
    if (!s_->placed)
        placeAside();
    else if (!exact && counter_)
        countAside(id, count);
    if (found)
        return *found;
    return reread.cusnum && s_->count > 0 ? std::clamp<qint64>(near, 0, s_->count - 1) : pos_;
}

QCoro::Task<> RecordSet::countAside(quint64 id, Statement count)
{
    try {
        const QVariantList counted = co_await counter_(count);
        const qint64 n = counted.value(0).toLongLong();
        if (!s_ || s_->id != id || s_->exact)
            co_return;
        // Rows added or removed meanwhile: the count is of the database as
        // it is now, and the rows already read stay as they were read.
        setCount(*s_, std::max(n, pos_ + 1));
        emit rowsCounted();
    } catch (const DbError&) {
        // Counted again when the number is needed.
    }
}

void RecordSet::setCount(Snapshot& s, qint64 count) const
{
    s.count = count;
    s.exact = true;
    // The first and last rows in key order are known at once (a seek
    // each): reading from either end starts there, and between them a
    // table without gaps in its keys is read anywhere by a seek.
    if (s.range && s.listing.sort.isEmpty() && s.listing.where.isEmpty() && s.count > 0) {
        s.anchors[0] = Key{s.range->first, {}};
        s.anchors[s.count - 1] = Key{s.range->second, {}};
    }
}

QCoro::Task<> RecordSet::placeAside()
{
    try {
        co_await placeNow();
    } catch (const DbError&) {
        // Placed when the place is needed.
    }
}

QCoro::Task<> RecordSet::placeNow()
{
    if (!s_ || s_->placed)
        co_return;
    const quint64 id = s_->id;
    // Where counting takes long, on the counter: the connection stays free
    // for the rows the user scrolls to.
    auto asked = counter_ ? counter_(s_->place) : cn_.ask([place = s_->place](Database& db) {
        Rows q = db.query(place.sql, place.params);
        return q.rows.value(0);
    });
    const QVariantList counted = co_await asked;
    requireSame(id);
    if (!s_->placed)
        shiftTo(*s_, counted.value(0).toLongLong(), counted.value(1).toLongLong());
}

void RecordSet::shiftTo(Snapshot& s, qint64 count, qint64 before)
{
    // Rows another program added or removed meanwhile: the rows read stay
    // as they were read, within the count.
    const qint64 shift = std::max<qint64>(before - s.unplaced, 0);
    count = std::max(count, s.count + shift);
    // The rows at hand at their new places, and the pages that hold them:
    // in each, the run of rows from the first one at hand.
    std::map<qint64, Row> rows;
    for (auto it = s.pages.begin(); it != s.pages.end(); ++it)
        for (qsizetype i = 0; i < it->rows.size(); ++i)
            rows.emplace(it.key() * kPage + it->first + i + shift, std::move(it->rows[i]));
    s.pages.clear();
    s.recent.clear();
    for (auto it = rows.begin(); it != rows.end();) {
        const qint64 index = it->first / kPage;
        Page page;
        page.first = it->first % kPage;
        for (qint64 next = it->first; it != rows.end() && it->first == next && it->first / kPage == index; ++it, ++next)
            page.rows.push_back(std::move(it->second));
        while (it != rows.end() && it->first / kPage == index)
            ++it;
        s.pages.insert(index, std::move(page));
        s.recent.push_back(index);
    }
    std::map<qint64, Key> anchors;
    for (auto& [position, key] : s.anchors)
        anchors.emplace(position + shift, std::move(key));
    s.anchors = std::move(anchors);
    s.placed = true;
    s.shift = shift;
    s.count = count;
    s.exact = true;
    pos_ += shift;
    emit rowsPlaced(shift);
}

QCoro::Task<> RecordSet::countNow()
{
    if (!s_)
        co_return;
    if (!s_->placed) {
        co_await placeNow();
        co_return;
    }
    if (s_->exact)
        co_return;
    const quint64 id = s_->id;
    const Listing listing = s_->listing;
    const bool whole = listing.sort.isEmpty() && listing.where.isEmpty();
    CustomerTable& table = table_;
    auto asked = cn_.ask([&table, listing, whole](Database&) {
        return std::pair{table.count(listing), whole ? table.key_range() : std::nullopt};
    });
    const auto counted = co_await asked;
    requireSame(id);
    if (s_->exact)
        co_return;
    if (counted.second)
        s_->range = counted.second;
    setCount(*s_, std::max(counted.first, pos_ + 1));
    emit rowsCounted();
}

QCoro::Task<bool> RecordSet::outdated()
{
    if (!s_)
        co_return false;
    const Database::Stamp was = s_->stamp;
    auto asked = cn_.ask([](Database& db) { return db.change_stamp(); });
    const Database::Stamp now = co_await asked;
    co_return now.second && now != was;
}

QCoro::Task<qint64> RecordSet::recordCount()
{
    co_await countNow();
    co_return knownCount();
}

void RecordSet::setPosition(qint64 position)
{
    if (pos_ == position)
        return;
    pos_ = position;
    emit currentMoved(pos_);
}

QCoro::Task<> RecordSet::moveTo(qint64 position)
{
    if (!s_)
        throw noRows();
    const quint64 id = s_->id;
    // Rows placed meanwhile: the row asked for stands further on.
    qint64 shift = s_->shift;
    const bool placedBefore = s_->placed;
    if (position >= s_->count || position < 0)
        co_await countNow();
    position += s_->shift - shift;
    // Before the rows not placed: as far as there are rows.
    if (!placedBefore)
        position = std::max<qint64>(position, 0);
    if (position < 0 || position >= s_->count)
        throw DbError(DbError::MoveOutOfRange, QCoreApplication::translate("RecordSet", "Row %1 does not exist.").arg(position + 1));
    do {
        shift = s_->shift;
        co_await readPage(position / kPage);
        requireSame(id);
        position += s_->shift - shift;
    } while (s_->shift != shift);
    // The rows may have turned out fewer than counted (another program
    // removed some): the last there is.
    setPosition(std::min(position, s_->count - 1));
}

QCoro::Task<> RecordSet::moveFirst()
{
    co_await placeNow();
    if (knownCount() == 0)
        throw noRows();
    co_await moveTo(0);
}

QCoro::Task<> RecordSet::moveLast()
{
    co_await countNow();
    if (knownCount() == 0)
        throw noRows();
    co_await moveTo(knownCount() - 1);
}

QCoro::Task<> RecordSet::moveNext()
{
    if (knownCount() == 0)
        throw noRows();
    if (pos_ + 1 >= s_->count)
        co_await countNow();
    co_await moveTo(std::min(pos_ + 1, s_->count - 1));
}

QCoro::Task<> RecordSet::movePrevious()
{
    if (knownCount() == 0)
        throw noRows();
    // Before the rows known, the place is counted first.
    if (pos_ == 0)
        co_await placeNow();
    co_await moveTo(std::max<qint64>(pos_ - 1, 0));
}

CustomerRow RecordSet::current() const
{
    const Row* row = bof() || eof() ? nullptr : cachedRow(pos_);
    if (!row)
        throw DbError(DbError::NoCurrentRow, QCoreApplication::translate("RecordSet", "There is no current row."));
    return table_.customer(*row);
}

const RecordSet::Row* RecordSet::cachedRow(qint64 position) const
{
    if (!s_ || position < 0 || position >= s_->count)
        return nullptr;
    const auto it = s_->pages.find(position / kPage);
    if (it == s_->pages.end())
        return nullptr;
    const qint64 at = position % kPage - it->first;
    return at < 0 || at >= it->rows.size() ? nullptr : &it->rows[at];
}

QCoro::Task<bool> RecordSet::prefetch(qint64 first, qint64 n)
{
    if (!s_)
        co_return false;
    const quint64 id = s_->id;
    try {
        for (qint64 index = std::max<qint64>(first, 0) / kPage; index * kPage < std::min(first + n, s_->count); ++index) {
            co_await readPage(index);
            requireSame(id);
        }
    } catch (const DbError& e) {
        if (!e.cancelled())
            throw;
        co_return false;
    }
    co_return true;
}

const RecordSet::Page& RecordSet::keep(Snapshot& s, qint64 index, Page page)
{
    // The current row's page stays: showing it never waits.
    if (s.pages.size() >= kMaxPages) {
        auto oldest = std::prev(s.recent.end());
        if (*oldest == pos_ / kPage && oldest != s.recent.begin())
            --oldest;
        s.pages.remove(*oldest);
        s.recent.erase(oldest);
    }
    if (s.pages.contains(index))
        s.recent.remove(index);
    s.recent.push_front(index);
    return *s.pages.insert(index, std::move(page));
}

// Reads the rows of one page. The cheapest start is chosen among the two
// ends of the record set and the nearest rows already read on either side:
// from a known row the engine seeks through the index, and only the rows in
// between are skipped.
QCoro::Task<> RecordSet::readPage(qint64 index)
{
    Snapshot& s = *s_;
    const quint64 id = s.id;
    const qint64 shift = s.shift;
    const qint64 start = index * kPage;
    // Before the count a page asks for all it can hold, and what comes
    // back tells where the rows end.
    const qint64 n = s.exact ? std::clamp<qint64>(s.count - start, 0, kPage) : kPage;
    // A page of which only some rows are at hand is read whole.
    if (auto it = s.pages.find(index); it != s.pages.end() && it->first == 0 && it->rows.size() >= n) {
        if (s.recent.front() != index) {
            s.recent.remove(index);
            s.recent.push_front(index);
        }
        co_return;
    }
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

    const Listing listing = s.listing;
    CustomerTable& table = table_;
    auto asked = cn_.ask(
        [&table, listing, from, backwards, n, skip](Database&) { return table.rows(listing, from, backwards, n, skip); });
    QVector<CustomerTable::KeyedRow> read = co_await asked;
    requireSame(id);
    // Rows placed meanwhile: these were read for positions that are no
    // longer theirs.
    if (s_->shift != shift)
        co_return;
    if (const auto it = s_->pages.find(index); it == s_->pages.end() || it->first != 0 || it->rows.size() < n)
        keep(*s_, index, place(*s_, start, n, backwards, std::move(read)));
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
    // ones read as empty rows until the list is read again.
    while (page.rows.size() < n)
        page.rows.push_back(Row(fieldCount()));
    return page;
}
