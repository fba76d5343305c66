#include "customer_import.h"

#include "connection.h"
#include "customer_table.h"

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
struct Checked {
    qint64 rows = 0;
    qint64 keyless = 0;
    qint64 firstKeyless = 0;       // the line of the first customer without a key
    std::optional<qint64> smallest;  // the smallest key the source gives
    std::optional<qint64> largest;   // and the largest
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

// Reads the source through: faults in it, and keys that it gives twice.
// Holds the keys only, not the rows.
ImportResult check(CustomerSource& source, const ImportProgress& progress, Checked& checked)
{
    std::vector<std::pair<qint64, qint64>> keys;  // key and line
    source.rewind();
    ImportedCustomer c;
    while (source.next(c)) {
        ++checked.rows;
        if (c.hasKey) {
            keys.emplace_back(c.row.cusnum, c.line);
        } else if (checked.keyless++ == 0) {
            checked.firstKeyless = c.line;
        }
        if (checked.rows % 1000 == 0 && progress && !progress(0, 0))
            return cancelled();
    }
    if (!source.error().isEmpty())
        return refused(source, source.errorLine(), source.error());

    // A key given twice is refused where it comes again; the first such
    // line in the source is named.
    std::sort(keys.begin(), keys.end());
    const std::pair<qint64, qint64>* twice = nullptr;
    const std::pair<qint64, qint64>* first = nullptr;
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i].first == keys[i - 1].first && (!twice || keys[i].second < twice->second)) {
            twice = &keys[i];
            first = &keys[i - 1];
        }
    if (twice)
        return refused(source, twice->second,
                       QStringLiteral("the key %1 %2 is given twice (first on %3 %4)")
                           .arg(QLatin1String(kCustomerColumns[0].name))
                           .arg(twice->first)
                           .arg(source.unit())
                           .arg(first->second));
    if (!keys.empty()) {
        checked.smallest = keys.front().first;
        checked.largest = keys.back().first;
    }
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
    const qint64 largest = inUse.value_or(0);
    if (checked.keyless > 0 && largest > std::numeric_limits<qint64>::max() - checked.keyless)
        return refused(source, checked.firstKeyless,
                       QStringLiteral("no new key is left above %1 for the customers without one").arg(largest));
    qint64 nextKey = largest + 1;

    ImportResult result;
    const Engine& engine = table.connection().engine();
    QVector<CustomerRow> batch;
    QList<qint64> keys;   // the keys of the batch's customers that came with one,
    QList<qint64> lines;  // and their lines
    const int perInsert = table.rows_per_insert();
    batch.reserve(perInsert);
    auto flush = [&]() -> ImportResult {
        // Other programs add nothing meanwhile, and the source gives no key
        // twice: a key the table holds was there before the import.
        if (const QList<qint64> taken = mayBeTaken ? table.taken(keys) : QList<qint64>(); !taken.isEmpty()) {
            for (int i = 0; i < keys.size(); ++i)
                if (taken.contains(keys[i]))
                    return refused(source, lines[i],
                                   QStringLiteral("the key %1 %2 belongs to a customer in the table already")
                                       .arg(QLatin1String(kCustomerColumns[0].name))
                                       .arg(keys[i]));
        }
        table.insert_rows(batch);
        result.added += batch.size();
        batch.clear();
        keys.clear();
        lines.clear();
        if (progress && !progress(result.added, checked.rows))
            return cancelled();
        return {};
    };

    source.rewind();
    ImportedCustomer c;
    while (source.next(c)) {
        if (!c.hasKey)
            c.row.cusnum = nextKey++;
        if (!result.firstKey)
            result.firstKey = c.row.cusnum;
        // A value the database cannot store is refused with its line,
        // before the statement that holds many rows.
        QVariantList values;
        for (int i = 0; i < int(kCustomerColumns.size()); ++i)
            values << column_value(c.row, i);
        try {
            engine.check_values(values);
        } catch (const DbError& e) {
            return refused(source, c.line, e.message());
        }
        if (c.hasKey) {
            keys << c.row.cusnum;
            lines << c.line;
        }
        batch << c.row;
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
    Connection& cn = table.connection();
    cn.begin(cn.engine().begin_adding(QStringLiteral("dept")));
    try {
        ImportResult r = store(table, source, progress, checked);
        if (r.outcome == ImportResult::Done)
            cn.commit();
        else
            cn.rollback();
        return r;
    } catch (...) {
        cn.rollback();
        throw;
    }
}
