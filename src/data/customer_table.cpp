#include "data/customer_table.h"

#include "data/database.h"

#include <QCoreApplication>

namespace {
const QString kTable = QStringLiteral("dept");

// Values as one text, to tell one change from another.
QString params_text(const QVariantList& params)
{
    QString out;
    for (const QVariant& p : params)
        out += u'\x1f' + (p.isNull() ? QStringLiteral("\x1e") : p.toString());
    return out;
}

}  // namespace

void CustomerTable::open(Reread* first)
{
    DbSession& session = db_.session();
    QList<Statement> asked = session.table_statements(kTable);
    const qsizetype own = asked.size();
    std::optional<qint64> others;
    if (first) {
        others = db_.change_count();
        asked += reread_statements(*first);
    }
    QList<Rows> answers;
    try {
        answers = db_.queries(asked);
    } catch (const DbError& e) {
        // A table that is not there fails the first rows too: that is told.
        if (!e.passing() && db_.columns(kTable).isEmpty())
            throw db_.openFailure(DbError(DbError::NoDeptTable, QCoreApplication::translate("CustomerTable", "it holds no table dept.")));
        throw;
    }
    set_columns(session.open_table(kTable, answers.mid(0, own), true, db_.answerWait()));
    if (first)
        first->answer = reread_answer(*first, answers.mid(own), others);
}

void CustomerTable::open_for_reading()
{
    set_columns(db_.columns(kTable));
}

void CustomerTable::set_columns(const QStringList& names)
{
    names_ = names;
    if (names_.isEmpty())
        throw db_.openFailure(DbError(DbError::NoDeptTable, QCoreApplication::translate("CustomerTable", "it holds no table dept.")));

    positions_ = column_positions(names_);
    headings_ = names_;
    for (int i = 0; i < int(kCustomerColumns.size()); ++i)
        if (positions_[i] >= 0 && names_[positions_[i]].compare(QLatin1String(kCustomerColumns[i].name), Qt::CaseInsensitive) == 0)
            headings_[positions_[i]] = QString::fromLatin1(kCustomerColumns[i].name);
}

QString CustomerTable::column(int i) const
{
    return Dialect::quoted(positions_[i] >= 0 ? names_[positions_[i]] : QString::fromLatin1(kCustomerColumns[i].name));
}

Listing CustomerTable::listing(const RowSource& source) const
{
    Listing out;
    // The names that begin with the text: it, followed by any run of
    // characters.
    const int name = source.column == RowSource::Column::Fname ? kFname : kLname;
    if (source.column != RowSource::Column::None)
        out = db_.dialect().name_listing(column(name), source.text + u'%');
    // Sorted by the name filtered, the rows stand in the name order
    // already, and its index serves both; by the key, in key order.
    if (source.sort == 0)
        out.sort.clear();
    else if (source.sort > 0 && positions_[source.sort] >= 0 && !(source.column != RowSource::Column::None && source.sort == name)) {
        out.sort = db_.dialect().sort_expression(source.sort, column(source.sort));
        out.by_column = true;
    }
    out.descending = source.descending;
    // Backwards in key order the rows are paged like a sort: by their key.
    if (out.descending && out.sort.isEmpty())
        out.sort = db_.dialect().row_key();
    return out;
}

QString CustomerTable::beyond(const Listing& l, bool after, bool inclusive)
{
    return QLatin1String(after != l.descending ? ">" : "<") + (inclusive ? QStringLiteral("=") : QString());
}

QString CustomerTable::where(const Listing& l, const QString& condition)
{
    QStringList conditions;
    if (!l.where.isEmpty())
        conditions << l.where;
    if (!condition.isEmpty())
        conditions << condition;
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

CustomerTable::At CustomerTable::at_key(const Key& key)
{
    return {{QStringLiteral("?"), {key.sort}}, {QStringLiteral("?"), {key.row}}};
}

CustomerTable::At CustomerTable::at_customer(const Listing& l, qint64 cusnum) const
{
    // Each part of the customer's place a subquery of its own, which the
    // engines seek once and then compare like a value given.
    const QString of = QStringLiteral("(SELECT %1 FROM %2 WHERE %3 = ?)");
    return {{l.sort.isEmpty() ? QStringLiteral("NULL") : of.arg(l.sort, kTable, column(0)), {cusnum}},
            {of.arg(db_.dialect().row_key(), kTable, column(0)), {cusnum}}};
}

Statement CustomerTable::same_run(const Listing& l, const At& at, const QString& cmp) const
{
    return {QStringLiteral("%1 = %2 AND %3 %4 %5").arg(l.sort, at.sort.sql, db_.dialect().row_key(), cmp, at.row.sql),
            at.sort.params + at.row.params};
}

QList<Statement> CustomerTable::beyond_statements(const Listing& l, const At& at, bool backwards, bool inclusive,
                                                  qint64 limit, qint64 skip) const
{
    const QString row = db_.dialect().row_key();
    const QString cmp = beyond(l, !backwards, inclusive);
    // In key order, backwards too, the key alone.
    if (l.sort.isEmpty() || l.sort == row)
        return {rows_statement(l, {QStringLiteral("%1 %2 %3").arg(row, cmp, at.row.sql), at.row.params}, backwards, limit, skip)};
    if (db_.dialect().seeks_pairs()) {
        // The sort value alone bounds the rows too, for the engine's
        // estimate of how many it reads.
        return {rows_statement(l,
                               {QStringLiteral("%1 %2= %3 AND (%1, %4) %5 (%3, %6)").arg(l.sort, cmp.left(1), at.sort.sql, row, cmp, at.row.sql),
                                at.sort.params + at.sort.params + at.row.params},
                               backwards, limit, skip)};
    }
    // The rows of the same sort value beyond the key, in key order, then
    // those beyond the sort value: each a seek in the sort index, where by
    // the pair the engine would walk the whole run of the same value.
    return {rows_statement(l, same_run(l, at, cmp), backwards, limit, skip, true),
            rows_statement(l, {QStringLiteral("%1 %2 %3").arg(l.sort, cmp.left(1), at.sort.sql), at.sort.params}, backwards, limit, 0)};
}

QVector<CustomerTable::KeyedRow> CustomerTable::joined(QList<Rows>& answers, qsizetype& at, qsizetype statements,
                                                       qint64 limit) const
{
    QVector<KeyedRow> out = keyed_rows(answers[++at]);
    if (statements > 1) {
        QVector<KeyedRow> past = keyed_rows(answers[++at]);
        for (qsizetype i = 0; i < past.size() && out.size() < limit; ++i)
            out.push_back(std::move(past[i]));
    }
    return out;
}

Statement CustomerTable::count_beyond(const Listing& l, const QString& cmp, const At& at) const
{
    const Statement& sort = at.sort;
    const Statement& row = at.row;
    const QString count = QStringLiteral("SELECT count(*) FROM ") + kTable;
    const QString key = db_.dialect().row_key();
    if (l.sort.isEmpty())
        return {count + where(l, QStringLiteral("%1 %2 %3").arg(key, cmp, row.sql)), l.params + row.params};
    // The rows beyond the sort value, and those of the same value beyond
    // the key: two counts of the sort index alone, where a count by the
    // pair would read every row it passes.
    return {QStringLiteral("SELECT (%1) + (%2)")
                .arg(count + where(l, QStringLiteral("%1 %2 %3").arg(l.sort, cmp, sort.sql)),
                     count + where(l, QStringLiteral("%1 = %2 AND %3 %4 %5").arg(l.sort, sort.sql, key, cmp, row.sql))),
            l.params + sort.params + l.params + sort.params + row.params};
}

Statement CustomerTable::place_statement(const Listing& l, const Key& key) const
{
    const Statement before = count_beyond(l, beyond(l, false), at_key(key));
    const Statement all = count_statement(l);
    return {QStringLiteral("SELECT (%1), (%2)").arg(all.sql, before.sql), all.params + before.params};
}

qint64 CustomerTable::count(const Listing& l) const
{
    const Statement s = count_statement(l);
    return db_.scalar(s.sql, s.params).toLongLong();
}

Statement CustomerTable::count_up_to_statement(const Listing& l, qint64 most) const
{
    return {QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1%2 LIMIT ?) AS counted").arg(kTable, where(l)),
            l.params + QVariantList{most}};
}

Statement CustomerTable::count_statement(const Listing& l)
{
    return {QStringLiteral("SELECT count(*) FROM ") + kTable + where(l), l.params};
}

Statement CustomerTable::rows_statement(const Listing& l, const Statement& beyond, bool backwards, qint64 limit,
                                        qint64 skip, bool by_key) const
{
    const QString key = db_.dialect().row_key();
    const QString dir = backwards != l.descending ? QStringLiteral(" DESC") : QString();
    QString order = key + dir;
    if (!l.sort.isEmpty() && !by_key)
        order = l.sort + dir + QStringLiteral(", ") + order;
    return {QStringLiteral("SELECT %1, %2, * FROM %3%4 ORDER BY %5 LIMIT ? OFFSET ?")
                .arg(key, l.sort.isEmpty() ? QStringLiteral("NULL") : l.sort, kTable, where(l, beyond.sql), order),
            l.params + beyond.params + QVariantList{limit, skip}};
}

QVector<CustomerTable::KeyedRow> CustomerTable::keyed_rows(Rows& q) const
{
    // The values are taken over, not copied: an export reads every row.
    QVector<KeyedRow> out;
    out.reserve(q.rows.size());
    for (QVariantList& row : q.rows) {
        row.resize(std::max<qsizetype>(row.size(), names_.size() + 2));
        KeyedRow r{Key{row[0].toLongLong(), std::move(row[1])}, std::move(row)};
        r.values.remove(0, 2);
        r.values.resize(names_.size());
        out.push_back(std::move(r));
    }
    q.rows.clear();
    return out;
}

QVector<CustomerTable::KeyedRow> CustomerTable::rows(const Listing& l, const std::optional<Key>& from, bool backwards,
                                                     qint64 limit, qint64 skip) const
{
    if (!from) {
        const Statement s = rows_statement(l, {}, backwards, limit, skip);
        Rows q = db_.query(s.sql, s.params);
        return keyed_rows(q);
    }
    const QList<Statement> asked = beyond_statements(l, at_key(*from), backwards, false, limit, skip);
    Rows q = db_.query(asked[0].sql, asked[0].params);
    QVector<KeyedRow> out = keyed_rows(q);
    if (asked.size() == 1 || out.size() >= limit)
        return out;
    // The run of the same sort value ended: the rows beyond it, less
    // those to be skipped that the run did not hold.
    qint64 inRun = out.size();
    if (skip > 0) {
        const Statement run = same_run(l, at_key(*from), beyond(l, !backwards));
        inRun = db_.scalar(QStringLiteral("SELECT count(*) FROM ") + kTable + where(l, run.sql), l.params + run.params).toLongLong();
    }
    Statement past = asked[1];
    past.params[past.params.size() - 2] = limit - out.size();
    past.params[past.params.size() - 1] = std::max<qint64>(skip - inRun, 0);
    Rows p = db_.query(past.sql, past.params);
    out += keyed_rows(p);
    return out;
}

Statement CustomerTable::key_of_statement(const Listing& l, qint64 cusnum) const
{
    return {QStringLiteral("SELECT %1, %2 FROM %3")
                    .arg(db_.dialect().row_key(), l.sort.isEmpty() ? QStringLiteral("NULL") : l.sort, kTable)
                + where(l, column(0) + QStringLiteral(" = ?")),
            l.params + QVariantList{cusnum}};
}

Statement CustomerTable::key_range_statement() const
{
    // Two subqueries: each is a single seek, where min() and max() in one
    // statement would scan the table.
    return {QStringLiteral("SELECT (SELECT min(%1) FROM %2), (SELECT max(%1) FROM %2)").arg(db_.dialect().row_key(), kTable),
            {}};
}

std::optional<std::pair<qint64, qint64>> CustomerTable::key_range_of(Rows& q)
{
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return std::pair{q.value(0).toLongLong(), q.value(1).toLongLong()};
}

std::optional<std::pair<qint64, qint64>> CustomerTable::key_range() const
{
    const Statement s = key_range_statement();
    Rows q = db_.query(s.sql);
    return key_range_of(q);
}

QList<Statement> CustomerTable::reread_statements(const Reread& r) const
{
    const Listing& l = r.listing;
    // A customer's place is counted among all the rows, unless it is
    // counted afterwards.
    const bool later = r.places_later();
    QList<Statement> out;
    if (r.most > 0 && (!r.cusnum || later)) {
        out << count_up_to_statement(l, r.most);
    } else {
        out << count_statement(l);
    }
    out << rows_statement(l, {}, false, r.page, 0);
    if (l.sort.isEmpty() && l.where.isEmpty())
        out << key_range_statement();
    if (r.cusnum) {
        out << key_of_statement(l, *r.cusnum);
        if (!later)
            out << count_beyond(l, beyond(l, r.from_end), at_customer(l, *r.cusnum));
        // The rows around the customer come along: the grid shows them
        // as the customer becomes current, with no question of its own.
        out << beyond_statements(l, at_customer(l, *r.cusnum), true, false, 2 * r.page, 0);
        out << beyond_statements(l, at_customer(l, *r.cusnum), false, true, r.page, 0);
    }
    return out;
}

CustomerTable::Reread::Answer CustomerTable::reread_answer(const Reread& r, QList<Rows> answers,
                                                           std::optional<qint64> others) const
{
    Reread::Answer a;
    // Other programs' changes are counted from before the rows were read,
    // this program's own up to now.
    a.stamp = {db_.generation(), others};
    a.placed = !r.places_later();
    qsizetype at = 0;
    a.count = answers[at].next() ? answers[at].value(0).toLongLong() : 0;
    a.exact = r.most <= 0 || (r.cusnum && a.placed) || a.count < r.most;
    a.first = keyed_rows(answers[++at]);
    if (r.listing.sort.isEmpty() && r.listing.where.isEmpty())
        a.range = key_range_of(answers[++at]);
    if (r.cusnum) {
        Rows& key = answers[++at];
        if (key.next())
            a.key = Key{key.value(0).toLongLong(), key.value(1)};
        if (a.key && !a.placed)
            a.place = place_statement(r.listing, *a.key);
        if (a.placed) {
            Rows& beyond = answers[++at];
            a.beyond = beyond.next() ? beyond.value(0).toLongLong() : 0;
        }
        // The rows before it and from it, each in as many answers.
        const qsizetype parts = (answers.size() - at - 1) / 2;
        a.before = joined(answers, at, parts, 2 * r.page);
        a.from = joined(answers, at, parts, r.page);
    }
    return a;
}

void CustomerTable::ask(Reread& r) const
{
    const auto others = db_.change_count();
    r.answer = reread_answer(r, db_.queries(reread_statements(r)), others);
}

Rows CustomerTable::change_with(const Statement& change, const QList<Statement>& extra, Reread* then,
                                QList<Rows>* extra_answers)
{
    extra_answers->clear();
    if (then)
        then->answer.reset();
    // Where the engine runs one statement at a time, the change goes alone.
    if (!db_.dialect().sends_together())
        return db_.change_and_read(change, {}).first();
    QList<Statement> reads = extra;
    std::optional<qint64> others;
    if (then) {
        others = db_.change_count();
        reads += reread_statements(*then);
    }
    QList<Rows> answers = db_.change_and_read(change, reads);
    Rows out = answers.takeFirst();
    if (answers.isEmpty())
        return out;
    *extra_answers = answers.mid(0, extra.size());
    if (then)
        then->answer = reread_answer(*then, answers.mid(extra.size()), others);
    return out;
}

CustomerRow CustomerTable::customer(const Values& values) const
{
    CustomerRow row;
    for (int i = 0; i < int(kCustomerColumns.size()); ++i)
        set_column_value(row, i, positions_[i] >= 0 ? values.value(positions_[i]) : QVariant());
    return row;
}

template <class Change>
qint64 CustomerTable::change_once(const QString& what, Change change, std::function<std::optional<qint64>()> done)
{
    // The same change given up before without an answer: done already
    // when the check finds it so. Another change leaves that one as the
    // server has it.
    if (unsettled_ && unsettled_->what == what) {
        const auto result = unsettled_->done();
        unsettled_.reset();
        if (result)
            return *result;
    }
    unsettled_.reset();
    try {
        return change();
    } catch (const DbError& e) {
        if (e.number() == DbError::NoAnswer)
            unsettled_ = Unsettled{what, done};
        if (!e.lost() || e.number() == DbError::NoAnswer)
            throw;
    }
    db_.reconnect();
    if (const auto result = done())
        return *result;
    return change();
}

bool CustomerTable::same_texts(const CustomerRow& a, const CustomerRow& b)
{
    for (int i = 1; i < int(kCustomerColumns.size()); ++i)
        if (kCustomerColumns[i].kind == CustomerColumn::Text && column_value(a, i) != column_value(b, i))
            return false;
    return true;
}

bool CustomerTable::insert_under(const CustomerRow& row, qint64 k, Reread* then)
{
    // Under a key chosen beforehand, and only while no row holds it: a
    // change cut off with its connection is then found by its key alone,
    // and the re-read asked with it knows where the customer stands.
    QStringList columns{column(0)};
    QStringList values{QStringLiteral("?")};
    QVariantList texts;
    for (int i = 1; i < int(kCustomerColumns.size()); ++i) {
        if (positions_[i] < 0)
            continue;
        columns << column(i);
        values << QStringLiteral("?");
        texts << column_value(row, i);
    }
    const QString sql = QStringLiteral("Insert Into %1 (%2) Select %3 Where Not Exists (Select 1 From %1 Where %4 = ?) RETURNING %4")
                            .arg(kTable, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")), column(0));
    auto inserted = [this, k, row]() -> std::optional<qint64> {
        const auto found = fetch(k);
        return found && same_texts(*found, row) ? std::optional(k) : std::nullopt;
    };
    if (then)
        then->cusnum = k;
    try {
        change_once(QStringLiteral("insert ") + params_text(texts), [&] {
            QList<Rows> unused;
            Rows q = change_with({sql, QVariantList{k} + texts + QVariantList{k}}, {}, then, &unused);
            if (!q.next())
                throw DbError(0, QStringLiteral("customer number %1 is taken").arg(k), DbError::Kind::KeyTaken);
            return k;
        }, inserted);
        return true;
    } catch (const DbError& e) {
        if (e.kind() != DbError::Kind::KeyTaken)
            throw;
        if (then)
            then->answer.reset();
        return false;
    }
}

qint64 CustomerTable::insert(const CustomerRow& row, Reread* then, std::optional<qint64> key)
{
    // Another program may add a row under the same key first: the next
    // try takes one more than the largest key now.
    for (int tries = 1;; ++tries) {
        const qint64 k = key ? *key : new_key();
        key.reset();
        if (insert_under(row, k, then))
            return k;
        if (tries == 100)
            throw DbError(0, QStringLiteral("customer number %1 is taken").arg(k), DbError::Kind::KeyTaken);
    }
}

CustomerTable::Outcome CustomerTable::restore(const CustomerRow& row, Reread* then)
{
    return insert_under(row, row.cusnum, then) ? Outcome::Done : Outcome::Taken;
}

std::pair<QString, QVariantList> CustomerTable::same_texts_condition(const CustomerRow& row) const
{
    QStringList unchanged;
    QVariantList values;
    for (int i = 1; i < int(kCustomerColumns.size()); ++i) {
        if (kCustomerColumns[i].kind != CustomerColumn::Text || positions_[i] < 0)
            continue;
        unchanged << db_.dialect().same_value(column(i));
        values << column_value(row, i);
    }
    return {unchanged.join(QStringLiteral(" and ")), values};
}

CustomerTable::Outcome CustomerTable::update(const CustomerRow& shown, const CustomerRow& typed, Reread* then)
{
    QStringList set;
    QVariantList params;
    for (int i = 1; i < int(kCustomerColumns.size()); ++i) {
        if (kCustomerColumns[i].kind != CustomerColumn::Text || positions_[i] < 0)
            continue;
        set << column(i) + QStringLiteral(" = ?");
        params << column_value(typed, i);
    }
    params << shown.cusnum;
    const auto [unchanged, originals] = same_texts_condition(shown);
    const QString sql = QStringLiteral("Update %1 set %2 where %3 = ? and %4").arg(kTable, set.join(QStringLiteral(", ")), column(0), unchanged);
    if (then)
        then->cusnum = shown.cusnum;
    // Whether the row is there still, asked with the change for when it
    // changes nothing.
    QList<Rows> there;
    const qint64 changed = change_once(QStringLiteral("update ") + sql + params_text(params + originals),
                                       [&] {
                                           return change_with({sql, params + originals}, {exists_statement(shown.cusnum)},
                                                              then, &there)
                                               .changed;
                                       },
                                       [this, shown, typed]() -> std::optional<qint64> {
                                           const auto now = fetch(shown.cusnum);
                                           if (now && same_texts(*now, typed))
                                               return 1;  // it was done
                                           if (now && same_texts(*now, shown))
                                               return std::nullopt;
                                           return 0;  // someone else's change came first
                                       });
    if (changed > 0)
        return Outcome::Done;
    const bool exists_now = there.isEmpty() ? exists(shown.cusnum) : there[0].next() && there[0].value(0).toLongLong() > 0;
    return exists_now ? Outcome::Changed : Outcome::Gone;
}

CustomerTable::Outcome CustomerTable::remove(qint64 cusnum, Reread* then)
{
    const QString sql = QStringLiteral("Delete from %1 where %2 = ?").arg(kTable, column(0));
    const qint64 changed = change_once(QStringLiteral("delete %1").arg(cusnum),
                                       [&] {
                                           QList<Rows> unused;
                                           return change_with({sql, {cusnum}}, {}, then, &unused).changed;
                                       },
                                       [this, cusnum]() -> std::optional<qint64> {
                                           if (exists(cusnum))
                                               return std::nullopt;
                                           return 1;
                                       });
    return changed > 0 ? Outcome::Done : Outcome::Gone;
}

CustomerTable::Outcome CustomerTable::remove_same(const CustomerRow& row, Reread* then)
{
    const auto [unchanged, originals] = same_texts_condition(row);
    const QString sql = QStringLiteral("Delete from %1 where %2 = ? and %3").arg(kTable, column(0), unchanged);
    const QVariantList params = QVariantList{row.cusnum} + originals;
    QList<Rows> there;
    const qint64 changed = change_once(QStringLiteral("delete ") + params_text(params),
                                       [&] { return change_with({sql, params}, {exists_statement(row.cusnum)}, then, &there).changed; },
                                       [this, row]() -> std::optional<qint64> {
                                           const auto now = fetch(row.cusnum);
                                           if (!now)
                                               return 1;  // it was done
                                           if (same_texts(*now, row))
                                               return std::nullopt;
                                           return 0;  // someone else's change came first
                                       });
    if (changed > 0)
        return Outcome::Done;
    const bool exists_now = there.isEmpty() ? exists(row.cusnum) : there[0].next() && there[0].value(0).toLongLong() > 0;
    return exists_now ? Outcome::Changed : Outcome::Gone;
}

bool CustomerTable::history_readable()
{
    if (!historyReadable_) {
        try {
            last_version();
            historyReadable_ = true;
        } catch (const DbError& e) {
            if (e.passing())
                throw;
            historyReadable_ = false;  // no history, or no right to read it
        }
    }
    return *historyReadable_;
}

qint64 CustomerTable::last_version() const
{
    return db_.scalar(QStringLiteral("SELECT coalesce(max(id), 0) FROM %1").arg(Dialect::history_table(kTable))).toLongLong();
}

CustomerTable::Outcome CustomerTable::remove_added(const Added& added)
{
    // Each customer whose insert is among the import's versions and who
    // has no later version: changed by no one since.
    const QString h = Dialect::history_table(kTable);
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2 IN (SELECT cusnum FROM %3 WHERE id > ? AND id <= ? AND kind = 'insert') "
                                       "AND NOT EXISTS (SELECT 1 FROM %3 later WHERE later.cusnum = %1.%2 AND later.id > ?)")
                            .arg(kTable, column(0), h);
    db_.begin();
    try {
        if (db_.execute(sql, {added.first, added.last, added.last}) != added.count) {
            db_.rollback();
            return Outcome::Changed;
        }
        db_.commit();
    } catch (...) {
        db_.rollback();
        throw;
    }
    return Outcome::Done;
}

CustomerTable::Outcome CustomerTable::add_again(Added& added)
{
    QStringList columns{column(0)}, values{QStringLiteral("cusnum")};
    for (int i = 1; i < int(kCustomerColumns.size()); ++i) {
        if (positions_[i] < 0)
            continue;
        columns << column(i);
        values << Dialect::history_column("new", i);
    }
    const QString h = Dialect::history_table(kTable);
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4 WHERE id > ? AND id <= ? AND kind = 'insert' "
                                       "AND NOT EXISTS (SELECT 1 FROM %1 WHERE %5 = %4.cusnum)")
                            .arg(kTable, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")), h, column(0));
    db_.begin(db_.dialect().begin_adding(kTable));
    try {
        const qint64 before = last_version();
        if (db_.execute(sql, {added.first, added.last}) != added.count) {
            db_.rollback();
            return Outcome::Taken;
        }
        const qint64 after = last_version();
        db_.commit();
        added.first = before;
        added.last = after;
    } catch (...) {
        db_.rollback();
        throw;
    }
    return Outcome::Done;
}

std::optional<CustomerRow> CustomerTable::fetch(qint64 cusnum) const
{
    Rows q = db_.query(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(kTable, column(0)), {cusnum});
    if (!q.next())
        return std::nullopt;
    return customer(q);
}

CustomerRow CustomerTable::customer(const Rows& q) const
{
    Values values(names_.size());
    for (int i = 0; i < values.size(); ++i)
        values[i] = q.value(i);
    return customer(values);
}

Statement CustomerTable::exists_statement(qint64 cusnum) const
{
    return {QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = ?").arg(kTable, column(0)), {cusnum}};
}

bool CustomerTable::exists(qint64 cusnum) const
{
    const Statement s = exists_statement(cusnum);
    return db_.scalar(s.sql, s.params).toLongLong() > 0;
}

std::optional<qint64> CustomerTable::largest_key() const
{
    const QVariant max = db_.scalar(QStringLiteral("SELECT max(%1) FROM %2").arg(column(0), kTable));
    return max.isNull() ? std::nullopt : std::optional(max.toLongLong());
}

qint64 CustomerTable::new_key() const
{
    return largest_key().value_or(0) + 1;
}

QList<qint64> CustomerTable::taken(const QList<qint64>& keys) const
{
    QList<qint64> out;
    if (keys.isEmpty())
        return out;
    QStringList marks(keys.size(), QStringLiteral("?"));
    Rows q = db_.query(QStringLiteral("SELECT %1 FROM %2 WHERE %1 IN (%3)").arg(column(0), kTable, marks.join(u',')),
                            QVariantList(keys.begin(), keys.end()));
    while (q.next())
        out << q.value(0).toLongLong();
    return out;
}

int CustomerTable::rows_per_insert() const
{
    return db_.dialect().rows_per_insert();
}

void CustomerTable::drop_sort_indexes()
{
    if (!db_.dialect().remakes_sort_indexes())
        return;
    for (int i = 1; i < int(kCustomerColumns.size()); ++i)
        db_.execute(QStringLiteral("DROP INDEX IF EXISTS ") + Dialect::quoted(Dialect::sort_index_name(kTable, i)));
}

void CustomerTable::make_sort_indexes()
{
    if (!db_.dialect().remakes_sort_indexes())
        return;
    for (int i = 1; i < int(kCustomerColumns.size()); ++i)
        if (positions_[i] >= 0)
            db_.execute(db_.dialect().sort_index_statement(kTable, i, column(i)));
}

void CustomerTable::insert_rows(const QVector<CustomerRow>& rows)
{
    QStringList columns;
    for (int i = 0; i < int(kCustomerColumns.size()); ++i)
        if (i == 0 || positions_[i] >= 0)
            columns << column(i);
    QVariantList values;
    values.reserve(rows.size() * columns.size());
    for (const CustomerRow& row : rows)
        for (int i = 0; i < int(kCustomerColumns.size()); ++i)
            if (i == 0 || positions_[i] >= 0)
                values << column_value(row, i);
    db_.insert_rows(kTable, columns, values);
}
