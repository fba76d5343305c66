#include "data/transfer/customer_import.h"

#include "data/database.h"
#include "data/customer_table.h"
#include "data/engines/target.h"

#include <QFile>
#include <QCoreApplication>
#include <QIODevice>
#include <algorithm>
#include <limits>
#include <vector>

CsvCustomerSource::CsvCustomerSource(QIODevice* in)
    : in_(in), start_(in->pos()), reader_(std::make_unique<CustomerCsvReader>(in))
{
}

void CsvCustomerSource::rewind()
{
    in_->seek(start_);
    reader_ = std::make_unique<CustomerCsvReader>(in_);
}

void TableCustomerSource::rewind()
{
    rows_.rewind();
    row_ = 0;
}

bool TableCustomerSource::next(ImportedCustomer& customer)
{
    if (!rows_.next(customer.row))
        return false;
    customer.hasKey = true;
    customer.line = ++row_;
    return true;
}

namespace {

// What the first reading of a source found.
// From so many rows on, an import makes the sort indexes afresh.
constexpr qint64 kManyRows = 10000;

struct Checked {
    qint64 rows = 0;
    std::optional<qint64> smallest;  // the smallest key the source gives
    std::optional<qint64> largest;   // and the largest
    std::vector<qint64> repeats;     // the lines, in order, that give a key an earlier line gave
};

ImportResult refused(const CustomerSource& source, qint64 line, const QString& what)
{
    ImportResult r;
    r.outcome = ImportResult::Refused;
    r.line = line;
    r.refusal = QStringLiteral("%1 %2: %3").arg(source.unit()).arg(line).arg(what);
    return r;
}

ImportResult cancelled()
{
    ImportResult r;
    r.outcome = ImportResult::Cancelled;
    return r;
}

QString key_text(qint64 key)
{
    return QCoreApplication::translate("CustomerImport", "the key %1 %2").arg(QLatin1String(kCustomerColumns[0].name)).arg(key);
}

// Reads the source through: faults in it, and keys that it gives twice.
// Holds the keys only, not the rows.
ImportResult check(CustomerSource& source, const ImportProgress& progress, Checked& checked)
{
    std::vector<std::pair<qint64, qint64>> keys;  // key and line
    source.rewind();
    ImportedCustomer c;
    while (source.next(c)) {
        ++checked.rows;
        if (const auto column = overlong_column(c.row))
            return refused(source, c.line, overlong_text(c.row, *column));
        if (c.hasKey)
            keys.emplace_back(c.row.cusnum, c.line);
        if (checked.rows % 1000 == 0 && progress && !progress(0, 0))
            return cancelled();
    }
    if (!source.error().isEmpty())
        return refused(source, source.errorLine(), source.error());
    if (keys.empty())
        return {};

    // Sorted by key, then line: of the lines giving one key, all but the
    // first are repeats.
    std::sort(keys.begin(), keys.end());
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i].first == keys[i - 1].first)
            checked.repeats.push_back(keys[i].second);
    std::sort(checked.repeats.begin(), checked.repeats.end());
    if (!checked.repeats.empty() && source.keys_stay()) {
        // The first line that repeats a key is named, with the line it repeats.
        const qint64 line = checked.repeats.front();
        const auto at = std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return k.second == line; });
        const auto first = std::lower_bound(keys.begin(), at, std::pair(at->first, std::numeric_limits<qint64>::min()));
        return refused(source, line,
                       QCoreApplication::translate("CustomerImport", "%1 is given twice (first on %2 %3)").arg(key_text(at->first), source.unit()).arg(first->second));
    }
    checked.smallest = keys.front().first;
    checked.largest = keys.back().first;
    return {};
}

// Reads the source again and stores its customers, a batch to a statement.
ImportResult store(CustomerTable& table, CustomerSource& source, const ImportProgress& progress, const Checked& checked)
{
    // New keys follow the largest in use, as CustomerTable::insert's do.
    const std::optional<qint64> inTable = table.largest_key();
    std::optional<qint64> inUse = checked.largest;
    if (inTable && (!inUse || *inTable > *inUse))
        inUse = inTable;
    // Keys all beyond the table's (as into an empty table) need no look
    // for those it holds.
    const bool mayBeTaken = inTable && checked.smallest && *checked.smallest <= *inTable;
    constexpr qint64 kLargest = std::numeric_limits<qint64>::max();
    std::optional<qint64> nextKey;
    if (inUse.value_or(0) < kLargest)
        nextKey = inUse.value_or(0) + 1;

    ImportResult result;
    // A customer whose key is taken gets the next new one; none is left
    // only above the largest key there can be.
    auto give_new_key = [&](CustomerRow& row, qint64 line) -> std::optional<ImportResult> {
        if (!nextKey)
            return refused(source, line, QCoreApplication::translate("CustomerImport", "no new key is left above %1 for this customer").arg(kLargest));
        row.cusnum = *nextKey;
        nextKey = *nextKey < kLargest ? std::optional(*nextKey + 1) : std::nullopt;
        return std::nullopt;
    };

    const Database& cn = table.database();
    QVector<CustomerRow> batch;
    QList<qint64> lines;     // the line of each of the batch's customers
    QList<bool> keyed;       // and whether it keeps its own key while free
    const int perInsert = table.rows_per_insert();
    batch.reserve(perInsert);
    auto flush = [&]() -> ImportResult {
        // Other programs add nothing meanwhile, and a key the source gives
        // twice is not looked for: a key the table holds was there before.
        QList<qint64> keys;
        for (int i = 0; i < batch.size(); ++i)
            if (keyed[i])
                keys << batch[i].cusnum;
        const QList<qint64> taken = mayBeTaken && !keys.isEmpty() ? table.taken(keys) : QList<qint64>();
        // New keys go to the customers in the order of the source.
        for (int i = 0; i < batch.size(); ++i) {
            CustomerRow& row = batch[i];
            const bool isTaken = keyed[i] && taken.contains(row.cusnum);
            if (isTaken && source.keys_stay())
                return refused(source, lines[i], QCoreApplication::translate("CustomerImport", "%1 belongs to a customer in the table already").arg(key_text(row.cusnum)));
            if (keyed[i] && !isTaken)
                continue;
            if (auto r = give_new_key(row, lines[i]))
                return *r;
            result.renumbered += isTaken;
        }
        if (!result.firstKey)
            result.firstKey = batch.front().cusnum;
        table.insert_rows(batch);
        result.added += batch.size();
        batch.clear();
        keyed.clear();
        lines.clear();
        if (progress && !progress(result.added, checked.rows))
            return cancelled();
        return {};
    };

    source.rewind();
    auto repeat = checked.repeats.begin();
    ImportedCustomer c;
    while (source.next(c)) {
        const bool repeated = repeat != checked.repeats.end() && *repeat == c.line;
        if (repeated)
            ++repeat;
        result.renumbered += repeated;
        // A value the database cannot store is refused with its line,
        // before the statement that holds many rows.
        QVariantList values;
        for (int i = 0; i < int(kCustomerColumns.size()); ++i)
            values << column_value(c.row, i);
        try {
            cn.dialect().check_values(values, cn.name());
        } catch (const DbError& e) {
            return refused(source, c.line, e.message());
        }
        batch << c.row;
        lines << c.line;
        keyed << (c.hasKey && !repeated);
        if (batch.size() == perInsert)
            if (ImportResult r = flush(); r.outcome != ImportResult::Done)
                return r;
    }
    // The source changed since it was checked.
    if (!source.error().isEmpty())
        return refused(source, source.errorLine(), source.error());
    if (!batch.isEmpty())
        if (ImportResult r = flush(); r.outcome != ImportResult::Done)
            return r;
    return result;
}

// Whether an import whose commit got no answer was made: its first
// customer is in the table under the key it was given.
bool stored_after_all(CustomerTable& table, CustomerSource& source, qint64 firstKey)
{
    source.rewind();
    ImportedCustomer first;
    if (!source.next(first))
        return false;
    const std::optional<CustomerRow> there = table.fetch(firstKey);
    return there && there->fname == first.row.fname && there->lname == first.row.lname
        && there->address == first.row.address;
}

}  // namespace

ImportResult add_customers(CustomerTable& table, CustomerSource& source, const ImportProgress& progress)
{
    Checked checked;
    if (ImportResult r = check(source, progress, checked); r.outcome != ImportResult::Done)
        return r;
    return store(table, source, progress, checked);
}

ImportResult import_customers(CustomerTable& table, CustomerSource& source, const ImportProgress& progress)
{
    // The source is checked before the transaction begins: other programs
    // are kept waiting only while the rows are stored.
    Checked checked;
    if (ImportResult r = check(source, progress, checked); r.outcome != ImportResult::Done)
        return r;
    Database& cn = table.database();
    // The versions the import writes in the history, for undoing it: no
    // other program changes the table meanwhile.
    const bool versioned = table.history_readable();
    cn.begin(cn.dialect().begin_adding(QStringLiteral("dept")));
    ImportResult r;
    try {
        const qint64 before = versioned ? table.last_version() : 0;
        // Many rows go in quicker with the sort indexes made afresh after.
        const bool many = checked.rows >= kManyRows;
        if (many)
            table.drop_sort_indexes();
        r = store(table, source, progress, checked);
        if (r.outcome != ImportResult::Done) {
            cn.rollback();
            return r;
        }
        if (many)
            table.make_sort_indexes();
        if (versioned)
            r.versions = std::pair{before, table.last_version()};
    } catch (...) {
        cn.rollback();
        throw;
    }
    try {
        cn.commit();
    } catch (const DbError& e) {
        // Cut off or not answered during its commit, the import may have
        // been made: it is looked for once the database answers, so that
        // it is neither told as not done nor made twice.
        cn.rollback();  // the transaction ended with its connection
        if (!e.lost() || !r.firstKey)
            throw;
        try {
            if (stored_after_all(table, source, *r.firstKey))
                return r;
        } catch (const DbError&) {
            throw DbError(DbError::Unsettled, e.message(), e.kind());
        }
        throw;
    }
    return r;
}

ImportResult check_customers(CustomerSource& source)
{
    Checked checked;
    return check(source, {}, checked);
}

ImportResult create_filled_database(const QString& target, CustomerSource& source, QString* name)
{
    const bool file = !target::is_server(target);
    if (file) {
        // Made here, and only when it does not exist yet.
        QFile made(target);
        if (!made.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw made.exists() ? DbError(DbError::FileExists, QCoreApplication::translate("CustomerImport", "%1 exists already; it is left as it is").arg(target))
                                : DbError(DbError::FileMissing, QCoreApplication::translate("CustomerImport", "cannot create %1: %2").arg(target, made.errorString()));
    }
    ImportResult result;
    try {
        Database cn;
        try {
            cn.open(target);
            if (!cn.columns(QStringLiteral("dept")).isEmpty())
                throw DbError(DbError::FileExists,
                              QCoreApplication::translate("CustomerImport", "the database %1 holds a table dept already; it is left as it is").arg(cn.name()));
            // The rows go in before the indexes are made: one sort per
            // index is much faster than keeping them in order row by row.
            const QStringList create = cn.dialect().create_statements(QStringLiteral("dept"));
            cn.begin();
            cn.execute(create.first());
            CustomerTable table(cn);
            table.open_for_reading();
            result = add_customers(table, source);
            if (result.outcome != ImportResult::Done) {
                cn.rollback();
            } else {
                for (const QString& sql : create.mid(1))
                    cn.execute(sql);
                cn.commit();
                if (name)
                    *name = cn.name();
            }
        } catch (const DbError&) {
            cn.rollback();
            throw;
        }
    } catch (const DbError&) {
        if (file)
            QFile::remove(target);
        throw;
    }
    // The connection is closed: a file of a refused copy goes.
    if (file && result.outcome != ImportResult::Done)
        QFile::remove(target);
    return result;
}
