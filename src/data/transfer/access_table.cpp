#include "data/transfer/access_table.h"

#include "data/db_error.h"
#include "data/transfer/access_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QtEndian>
#include <array>
#include <cmath>
#include <mdbtools.h>

namespace {

QString quoted(const QString& text)
{
    return QStringLiteral("\"%1\"").arg(text.size() > 40 ? text.left(40) + u'…' : text);
}

QString listed(const QStringList& names)
{
    return names.join(QStringLiteral(", "));
}

// Whether a column type of Access holds a text or a number, which
// Tallyhouse can keep; pictures and other binary data it cannot.
bool keepable(int type)
{
    switch (type) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_MONEY: case MDB_FLOAT:
    case MDB_DOUBLE: case MDB_DATETIME: case MDB_TEXT: case MDB_MEMO: case MDB_REPID: case MDB_NUMERIC:
        return true;
    default:
        return false;
    }
}

// The types of column libmdb knows how to read. Another type byte is
// damage, and libmdb's functions for a column's type read past their
// tables on it.
bool known(int type)
{
    return keepable(type) || type == MDB_BINARY || type == MDB_OLE || type == MDB_COMPLEX;
}

// The bytes a number of the type takes in a row; 0 for the others.
int fixed_width(int type)
{
    switch (type) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT: case MDB_FLOAT: return 4;
    case MDB_DOUBLE: case MDB_MONEY: case MDB_DATETIME: return 8;
    case MDB_REPID: return 16;
    case MDB_NUMERIC: return 17;
    default: return 0;
    }
}

// A Jet 4 text: UTF-16 little-endian, or after the mark FF FE the
// compressed form, where a 0 byte switches between one byte a character
// (the characters below U+0100) and two.
QString jet4_text(const unsigned char* p, int size)
{
    QString out;
    if (size >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        bool narrow = true;
        for (int i = 2; i < size;) {
            if (p[i] == 0) {
                narrow = !narrow;
                ++i;
            } else if (narrow) {
                out += QChar(p[i++]);
            } else if (i + 1 < size) {
                out += QChar(char16_t(p[i] | p[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
        return out;
    }
    out.reserve(size / 2);
    for (int i = 0; i + 1 < size; i += 2)
        out += QChar(char16_t(p[i] | p[i + 1] << 8));
    return out;
}

// A double that is a whole number within 64 bits.
std::optional<qint64> whole(double d)
{
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) >= 9.2e18)
        return std::nullopt;
    return qint64(d);
}

// A Currency value, 64 bits of ten-thousandths, as exact decimal digits.
QString money(qint64 v)
{
    const bool negative = v < 0;
    const quint64 a = negative ? 0 - quint64(v) : quint64(v);
    QString text = QString::number(a / 10000);
    if (const quint64 frac = a % 10000) {
        QString digits = QStringLiteral("%1").arg(frac, 4, 10, QChar(u'0'));
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u'.' + digits;
    }
    return negative ? u'-' + text : text;
}

QString taken_string(char* s)
{
    const QString out = s ? QString::fromUtf8(s) : QString();
    g_free(s);
    return out;
}

}  // namespace

struct AccessTable::Libmdb {
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    std::array<int, 10> column{};  // for each of our columns, its position in the Access table
    quint32 pages = 0;             // in the file

    ~Libmdb()
    {
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }

    // The value of the field: a whole number (qint64), another number
    // (double), a text, or NULL. A long value whose parts do not hold
    // together gives no value, and damage says what is wrong.
    std::optional<QVariant> value(const MdbField& field, MdbColumn* col, QString& damage) const
    {
        if (col->col_type == MDB_BOOL)
            return qint64(field.is_null ? 0 : 1);  // kept in the mask of NULLs
        if (field.is_null)
            return QVariant();
        const auto* p = static_cast<const unsigned char*>(field.value);
        const int start = field.start, size = field.siz;
        // A number without its bytes (a column of size 0): libmdb reads
        // it as empty.
        if (size < fixed_width(col->col_type))
            return QVariant();
        switch (col->col_type) {
        case MDB_BYTE: return qint64(p[0]);
        case MDB_INT: return qint64(qint16(p[0] | p[1] << 8));
        case MDB_LONGINT: return qint64(qFromLittleEndian<qint32>(p));
        case MDB_FLOAT: return double(mdb_get_single(mdb->pg_buf, start));
        case MDB_DOUBLE: return mdb_get_double(mdb->pg_buf, start);
        case MDB_MONEY: {
            const qint64 v = qFromLittleEndian<qint64>(p);
            return v % 10000 == 0 ? QVariant(v / 10000) : QVariant(money(v));
        }
        case MDB_NUMERIC: return taken_string(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec));
        case MDB_TEXT:
            if (mdb->f->jet_version != MDB_VER_JET3)
                return jet4_text(p, size);
            // Access 97 texts are in the writer's Windows code page, as
            // libmdb converts them (MDB_JET3_CHARSET, else Windows-1252).
            break;
        case MDB_MEMO: {
            const std::optional<QByteArray> bytes = memo(p, size, damage);
            if (!bytes)
                return std::nullopt;
            if (mdb->f->jet_version != MDB_VER_JET3)
                return jet4_text(reinterpret_cast<const unsigned char*>(bytes->constData()), int(bytes->size()));
            break;
        }
        }
        return taken_string(mdb_col_to_string(mdb, mdb->pg_buf, start, col->col_type, size));
    }

    // The bytes of a long value (a memo): after its 12-byte head in the
    // row, or where the head points: one row of a long-value page, or a
    // chain of them, each beginning with the place of the next. The head's
    // length must be what is there: a damaged head or chain gives nothing,
    // where libmdb would give an empty text or the bytes of another page.
    // libmdb's own conversion of memos knows UCS-2 only, and loses the
    // characters beyond U+FFFF.
    std::optional<QByteArray> memo(const unsigned char* p, int size, QString& damage) const
    {
        const auto damaged = [&](const QString& why) -> std::optional<QByteArray> {
            damage = why;
            return std::nullopt;
        };
        if (size < 12)
            return damaged(QCoreApplication::translate("AccessFile", "its long value is cut short"));
        const quint32 head = qFromLittleEndian<quint32>(p);
        const qsizetype length = head & 0x3fffffffu;
        const auto holds = [&](qsizetype got) {
            return QCoreApplication::translate("AccessFile", "its long value holds %1 bytes where it declares %2").arg(got).arg(length);
        };
        const quint32 flags = head & 0xc0000000u;
        if (flags == 0x80000000u) {  // in the row
            if (size - 12 != length)
                return damaged(holds(size - 12));
            return QByteArray(reinterpret_cast<const char*>(p) + 12, size - 12);
        }
        if (flags == 0xc0000000u)
            return damaged(QCoreApplication::translate("AccessFile", "its long value has flags (0x%1) that Access does not write")
                               .arg(QString::number(head >> 24, 16).toUpper()));
        const bool onePage = flags == 0x40000000u;
        QByteArray out;
        for (quint32 at = qFromLittleEndian<quint32>(p + 4); at != 0;) {
            const QString pointless = QCoreApplication::translate("AccessFile", "its long value points at page %1, which holds no long value").arg(at >> 8);
            void* page = nullptr;
            int start = 0;
            size_t n = 0;
            if (at >> 8 >= pages || mdb_find_pg_row(mdb, int(at), &page, &start, &n) != 0)
                return damaged(pointless);
            const auto* bytes = static_cast<const unsigned char*>(page);
            if (bytes[0] != MDB_PAGE_DATA || memcmp(bytes + 4, "LVAL", 4) != 0 || (!onePage && n < 4))
                return damaged(pointless);
            const char* row = reinterpret_cast<const char*>(bytes) + start;
            if (onePage) {
                out.append(row, qsizetype(n));
                break;
            }
            out.append(row + 4, qsizetype(n) - 4);
            if (out.size() > length)
                break;
            at = qFromLittleEndian<quint32>(row);
        }
        if (out.size() != length)
            return damaged(holds(out.size()));
        return out;
    }
};

AccessTable::AccessTable(const QString& path)
    : mdb_(std::make_unique<Libmdb>()), name_(access_file_name(path))
{
    const QString where = QCoreApplication::translate("AccessFile", "Cannot read the Access database %1: ").arg(name_);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(file.exists() ? DbError::NotADatabase : DbError::FileMissing, where + file.errorString() + u'.');
    if (!is_access_file(path))
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("AccessFile", "the file is not an Access database."));
    // Every Access file is a whole number of pages; libmdb would read the
    // missing end of one cut short as zeros.
    file.seek(0x14);
    const qint64 page = file.read(1) == QByteArray(1, '\0') ? 2048 : 4096;
    if (file.size() < 3 * page)
        throw DbError(DbError::NotADatabase,
                      where + QCoreApplication::translate("AccessFile", "the file is cut short: its %1 bytes hold no list of tables.").arg(file.size()));
    if (file.size() % page != 0)
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("AccessFile", "the file is cut short: its %1 bytes end within a page of %2.")
                                                        .arg(file.size()).arg(page));
    file.close();
    mdb_->pages = quint32(file.size() / page);

    mdb_->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb_->mdb)
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("AccessFile", "libmdb cannot open it."));
    if (!mdb_read_catalog(mdb_->mdb, MDB_TABLE))
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("AccessFile", "its list of tables is damaged."));
    MdbCatalogEntry* dept = nullptr;
    QStringList tables;
    for (guint i = 0; i < mdb_->mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->mdb->catalog, i));
        if (!mdb_is_user_table(entry))
            continue;
        const QString table = QString::fromUtf8(entry->object_name);
        if (table.compare(QLatin1String("dept"), Qt::CaseInsensitive) == 0)
            dept = entry;
        else
            tables << table;
    }
    if (!dept)
        throw DbError(DbError::NoDeptTable,
                      where + (tables.isEmpty()        ? QCoreApplication::translate("AccessFile", "it holds no table dept, nor any other table.")
                                                : tables.size() == 1 ? QCoreApplication::translate("AccessFile", "it holds no table dept, only the table %1, which Tallyhouse does not keep.")
                                                                           .arg(listed(tables))
                                                                     : QCoreApplication::translate("AccessFile", "it holds no table dept, only the tables %1, which Tallyhouse does not keep.")
                                                                           .arg(listed(tables))));
    mdb_->table = mdb_read_table(dept);
    if (!mdb_->table || !mdb_read_columns(mdb_->table))
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("AccessFile", "the definition of its table dept is damaged."));
    // The map of the pages that hold dept's rows, which libmdb reads past
    // when it is empty: a type byte and a first page at least.
    if (!mdb_->table->usage_map || mdb_->table->map_sz < 5)
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("AccessFile", "the map of the pages of its table dept is damaged."));

    // Exactly our columns, by name in any order and letter case.
    QStringList missing, extra, unkept;
    std::array<bool, kCustomerColumns.size()> named{};
    mdb_->column.fill(-1);
    for (guint i = 0; i < mdb_->table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(mdb_->table->columns, i));
        const QString column = QString::fromUtf8(col->name);
        if (!known(col->col_type))
            throw DbError(DbError::NotADatabase,
                          where + QCoreApplication::translate("AccessFile", "the file is damaged: its column %1 has a type (0x%2) that Access does not know.")
                                      .arg(column, QString::number(col->col_type, 16).toUpper().rightJustified(2, u'0')));
        // A number is kept in the row's fixed part, in the bytes of its
        // type; libmdb reads that many wherever the record says it is.
        if (const int width = fixed_width(col->col_type); width > 0 && (!col->is_fixed || col->col_size != width))
            throw DbError(DbError::NotADatabase,
                          where + QCoreApplication::translate("AccessFile", "the file is damaged: its column %1 has a type (0x%2) whose values it does not hold as Access does.")
                                      .arg(column, QString::number(col->col_type, 16).toUpper().rightJustified(2, u'0')));
        int ours = -1;
        for (int c = 0; c < int(kCustomerColumns.size()); ++c)
            if (column.compare(QLatin1String(kCustomerColumns[c].name), Qt::CaseInsensitive) == 0)
                ours = c;
        if (ours < 0) {
            extra << column;
            continue;
        }
        named[ours] = true;
        if (keepable(col->col_type))
            mdb_->column[ours] = int(i);
        else
            unkept << QStringLiteral("%1 (%2)").arg(column, QString::fromUtf8(mdb_get_colbacktype_string(col)));
    }
    for (int c = 0; c < int(kCustomerColumns.size()); ++c)
        if (!named[c])
            missing << QString::fromLatin1(kCustomerColumns[c].name);
    QStringList faults;
    if (!missing.isEmpty())
        faults << QCoreApplication::translate("AccessFile", "its table dept has no column %1").arg(listed(missing));
    if (!unkept.isEmpty())
        faults << QCoreApplication::translate("AccessFile", "the column %1 holds binary data, which Tallyhouse cannot keep").arg(listed(unkept));
    if (!extra.isEmpty())
        faults << QCoreApplication::translate("AccessFile", "a copy would leave behind its column %1, which Tallyhouse does not keep").arg(listed(extra));
    if (!faults.isEmpty())
        throw DbError(DbError::NoDeptTable,
                      QCoreApplication::translate("AccessFile", "The Access database %1 cannot be copied: %2. Its table dept must have exactly the columns %3.")
                          .arg(name_, faults.join(QCoreApplication::translate("AccessFile", "; and ")), listed([] {
                                   QStringList all;
                                   for (const CustomerColumn& c : kCustomerColumns)
                                       all << QString::fromLatin1(c.name);
                                   return all;
                               }())));
    mdb_rewind_table(mdb_->table);
}

AccessTable::~AccessTable() = default;

qint64 AccessTable::count() const
{
    return qint64(mdb_->table->num_rows);
}

bool AccessTable::next(ImportedCustomer& customer)
{
    if (!error_.isEmpty())
        return false;
    MdbTableDef* table = mdb_->table;
    MdbHandle* mdb = mdb_->mdb;
    if (!mdb_fetch_row(table)) {
        // libmdb ends at the first page it cannot read: the rows it
        // did not reach are told, not lost without a word.
        if (row_ < qint64(table->num_rows)) {
            errorRow_ = row_ + 1;
            error_ = QCoreApplication::translate("AccessFile", "the file is damaged: its table dept holds %n customers, and only %1 of them can be read",
                                                  nullptr, int(table->num_rows))
                         .arg(row_);
        }
        return false;
    }
    // The row just read, cracked again for its fields as they are stored:
    // libmdb's own values do not tell NULL from an empty text.
    int start = 0;
    size_t size = 0;
    std::array<MdbField, 256> fields{};
    if (table->num_cols > fields.size() || mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0
        || mdb_crack_row(table, start & 0x1fff, size, fields.data()) < 0) {
        errorRow_ = row_ + 1;
        error_ = QCoreApplication::translate("AccessFile", "the row is damaged and cannot be read");
        return false;
    }
    ++row_;
    customer = ImportedCustomer();
    customer.line = row_;
    customer.hasKey = true;
    for (int c = 0; c < int(kCustomerColumns.size()); ++c) {
        const int at = mdb_->column[c];
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, at));
        const CustomerColumn& ours = kCustomerColumns[c];
        const auto refuse = [&](const QString& why) {
            errorRow_ = row_;
            error_ = why;
            return false;
        };
        QString damage;
        const std::optional<QVariant> read = mdb_->value(fields[at], col, damage);
        if (!read && ours.kind == CustomerColumn::Key)
            return refuse(QCoreApplication::translate("AccessFile", "the key %1 is damaged: %2").arg(QLatin1String(ours.name), damage));
        if (!read)
            return refuse(QCoreApplication::translate("AccessFile", "%1 of the customer %2 %3 is damaged: %4")
                              .arg(QLatin1String(ours.name), QLatin1String(kCustomerColumns[0].name))
                              .arg(customer.row.cusnum)
                              .arg(damage));
        const QVariant& v = *read;
        switch (ours.kind) {
        case CustomerColumn::Key: {
            std::optional<qint64> key;
            if (v.typeId() == QMetaType::LongLong)
                key = v.toLongLong();
            else if (v.typeId() == QMetaType::Double)
                key = whole(v.toDouble());
            else if (!v.isNull())
                key = whole_number(v.toString());
            if (v.isNull())
                return refuse(QCoreApplication::translate("AccessFile", "the key %1 is empty").arg(QLatin1String(ours.name)));
            if (!key)
                return refuse(QCoreApplication::translate("AccessFile", "the key %1 %2 is not a whole number").arg(QLatin1String(ours.name), quoted(v.toString())));
            customer.row.cusnum = *key;
            break;
        }
        case CustomerColumn::Text:
            // A server cannot store NUL, and a file would keep what no
            // other program shows: the copy is refused on every engine.
            if (v.typeId() == QMetaType::QString && v.toString().contains(QChar(0)))
                return refuse(QCoreApplication::translate("AccessFile", "%1 of the customer %2 %3 holds the character NUL (U+0000), which no text may hold")
                                  .arg(QLatin1String(ours.name), QLatin1String(kCustomerColumns[0].name))
                                  .arg(customer.row.cusnum));
            if (v.typeId() == QMetaType::Double)
                customer.row.*ours.text = QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
            else
                set_column_value(customer.row, c, v);
            break;
        case CustomerColumn::Number:
            if (v.typeId() == QMetaType::QString) {
                bool ok = false;
                const double d = v.toString().toDouble(&ok);
                if (const auto n = whole_number(v.toString()))
                    customer.row.*ours.number = *n;
                else if (ok && std::isfinite(d))
                    customer.row.*ours.number = d;
                else
                    return refuse(QCoreApplication::translate("AccessFile", "%1 %2 is not a number").arg(QLatin1String(ours.name), quoted(v.toString())));
            } else {
                customer.row.*ours.number = v;
            }
            break;
        }
    }
    return true;
}
