#include "data/customer_history.h"

#include "data/database.h"
#include "data/transfer/csv_writer.h"

#include <limits>

namespace {
const QString kTable = QStringLiteral("dept");
// The columns before the old_ and new_ ones.
constexpr int kLeading = 5;
constexpr int kAged = int(kCustomerColumns.size()) - 1;
}  // namespace

QStringList CustomerHistory::columns()
{
    QStringList out{QStringLiteral("id"), QStringLiteral("changed_at"), QStringLiteral("kind"), QStringLiteral("author"),
                    QStringLiteral("cusnum")};
    for (const char* age : {"old", "new"})
        for (int i = 1; i < int(kCustomerColumns.size()); ++i)
            out << Dialect::history_column(age, i);
    return out;
}

QString CustomerHistory::select() const
{
    QStringList list = columns();
    list[1] = db_.dialect().history_time_text(list[1]);
    return QStringLiteral("SELECT %1 FROM %2").arg(list.join(QStringLiteral(", ")), Dialect::history_table(kTable));
}

QVector<CustomerVersion> CustomerHistory::versions_of(const QVector<QVariantList>& rows)
{
    QVector<CustomerVersion> out;
    out.reserve(rows.size());
    for (const QVariantList& r : rows) {
        CustomerVersion v;
        v.id = r.value(0).toLongLong();
        // "yyyy-MM-dd HH:mm:ss.zzz" in UTC, as ISO 8601 reads it.
        v.time = QDateTime::fromString(r.value(1).toString().replace(u' ', u'T') + u'Z', Qt::ISODateWithMs);
        const QString kind = r.value(2).toString();
        v.kind = kind == QLatin1String("insert")   ? CustomerVersion::Kind::Insert
                 : kind == QLatin1String("delete") ? CustomerVersion::Kind::Delete
                                                   : CustomerVersion::Kind::Update;
        v.author = r.value(3).toString();
        v.cusnum = r.value(4).toLongLong();
        auto row = [&](int first) {
            CustomerRow c;
            c.cusnum = v.cusnum;
            for (int i = 1; i < int(kCustomerColumns.size()); ++i)
                set_column_value(c, i, r.value(first + i - 1));
            return c;
        };
        if (v.kind != CustomerVersion::Kind::Insert)
            v.before = row(kLeading);
        if (v.kind != CustomerVersion::Kind::Delete)
            v.after = row(kLeading + kAged);
        out << std::move(v);
    }
    return out;
}

QVector<CustomerVersion> CustomerHistory::versions(qint64 cusnum, qint64 limit, std::optional<qint64> older_than) const
{
    QString sql = select() + QStringLiteral(" WHERE cusnum = ?");
    QVariantList params{cusnum};
    if (older_than) {
        sql += QStringLiteral(" AND id < ?");
        params << *older_than;
    }
    Rows q = db_.query(sql + QStringLiteral(" ORDER BY id DESC LIMIT ?"), params << limit);
    return versions_of(q.rows);
}

QVector<CustomerVersion> CustomerHistory::deleted(const RowSource& names, qint64 limit, std::optional<qint64> older_than) const
{
    QString sql = select() + QStringLiteral(" WHERE kind = 'delete'");
    QVariantList params;
    if (names.column != RowSource::Column::None) {
        // The same match as the main list's, on the name as it was: the
        // history's indexes of deleted names serve it as dept's serve that.
        const int column = names.column == RowSource::Column::Fname ? kFname : kLname;
        const Listing l = db_.dialect().name_listing(Dialect::history_column("old", column), names.text + u'%');
        sql += QStringLiteral(" AND ") + l.where;
        params << l.params;
    }
    if (older_than) {
        sql += QStringLiteral(" AND id < ?");
        params << *older_than;
    }
    Rows q = db_.query(sql + QStringLiteral(" ORDER BY id DESC LIMIT ?"), params << limit);
    return versions_of(q.rows);
}

qint64 CustomerHistory::forget_before(const QDateTime& time)
{
    db_.begin();
    try {
        const qint64 forgotten = db_.execute(QStringLiteral("DELETE FROM %1 WHERE changed_at < ?").arg(Dialect::history_table(kTable)),
                                             {db_.dialect().history_time_value(time)});
        db_.commit();
        return forgotten;
    } catch (const DbError&) {
        db_.rollback();
        throw;
    }
}

ExportResult CustomerHistory::export_csv(QIODevice* out, const std::function<bool(qint64 done)>& progress) const
{
    ExportResult result;
    CsvWriter csv(out);
    const QStringList heading = columns();
    csv.write(QVariantList(heading.begin(), heading.end()));
    // A page at a time by id, so that no more than a page is held.
    constexpr qint64 kPage = 1000;
    qint64 last = std::numeric_limits<qint64>::min();
    for (;;) {
        Rows q = db_.query(select() + QStringLiteral(" WHERE id > ? ORDER BY id LIMIT ?"), {last, kPage});
        for (const QVariantList& r : q.rows) {
            if (!csv.write(r)) {
                result.outcome = ExportResult::WriteFailed;
                result.error = csv.errorString();
                return result;
            }
            ++result.rows;
        }
        if (!q.rows.isEmpty())
            last = q.rows.last().value(0).toLongLong();
        if (progress && !progress(result.rows)) {
            result.outcome = ExportResult::Cancelled;
            return result;
        }
        if (q.rows.size() < kPage)
            break;
    }
    if (!csv.flush()) {
        result.outcome = ExportResult::WriteFailed;
        result.error = csv.errorString();
    }
    return result;
}
