#include "jet4_writer.h"

#include <QtEndian>
#include <array>
#include <cstring>

namespace jet4 {

namespace {

constexpr int kPage = kPageSize;
constexpr int kMapsPage = 1;     // the usage maps of every table, one row each

void put16(QByteArray& b, int at, quint16 v) { qToLittleEndian(v, b.data() + at); }
void put32(QByteArray& b, int at, quint32 v) { qToLittleEndian(v, b.data() + at); }
void append16(QByteArray& b, quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); }

bool fixed(Type t) { return t != Type::Text && t != Type::Ole && t != Type::Memo; }

int size_of(Type t)
{
    switch (t) {
    case Type::Int: return 2;
    case Type::LongInt: return 4;
    case Type::Double: return 8;
    case Type::Text: return 510;  // 255 characters of two bytes
    case Type::Ole:
    case Type::Memo: return 0;
    }
    return 0;
}

// A text as Jet 4 stores it: characters below U+0100 only, one byte each
// after the mark FF FE; any other, UTF-16 little-endian.
QByteArray text_bytes(const QString& s)
{
    bool narrow = true;
    for (QChar c : s)
        narrow = narrow && c.unicode() > 0 && c.unicode() < 0x100;
    QByteArray out;
    if (narrow && !s.isEmpty()) {
        out = QByteArray("\xff\xfe", 2);
        for (QChar c : s)
            out.append(char(c.unicode()));
    } else {
        out = QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
    }
    return out;
}

// One row: the column count, the fixed columns at their offsets, the
// variable ones, their end and offsets (last first), their count, and the
// mask of columns that are not NULL.
QByteArray pack_row(const QList<Column>& columns, const QVariantList& values)
{
    int fixedSize = 0;
    for (const Column& c : columns)
        fixedSize += fixed(c.type) ? size_of(c.type) : 0;
    QByteArray row;
    append16(row, quint16(columns.size()));
    row.append(QByteArray(fixedSize, '\0'));
    QByteArray mask((columns.size() + 7) / 8, '\0');
    QList<quint16> offsets;
    int at = 2;
    for (int i = 0; i < columns.size(); ++i) {
        const QVariant& v = values.value(i);
        if (!v.isNull())
            mask[i / 8] = char(mask[i / 8] | (1 << (i % 8)));
        switch (columns[i].type) {
        case Type::Int:
            if (!v.isNull())
                put16(row, at, quint16(qint16(v.toInt())));
            at += 2;
            break;
        case Type::LongInt:
            if (!v.isNull())
                put32(row, at, quint32(qint32(v.toLongLong())));
            at += 4;
            break;
        case Type::Double: {
            const double d = v.toDouble();
            if (!v.isNull())
                std::memcpy(row.data() + at, &d, 8);
            at += 8;
            break;
        }
        case Type::Text:
        case Type::Ole:
            offsets << quint16(row.size());
            if (!v.isNull())
                row.append(columns[i].type == Type::Text ? text_bytes(v.toString()) : v.toByteArray());
            break;
        case Type::Memo:
            // In the row: its length flagged 0x80000000, 8 bytes of where
            // it would be otherwise, then the text.
            offsets << quint16(row.size());
            if (v.typeId() == QMetaType::QByteArray) {
                row.append(v.toByteArray());
            } else if (!v.isNull()) {
                const QByteArray text = text_bytes(v.toString());
                QByteArray head(12, '\0');
                put32(head, 0, quint32(text.size()) | 0x80000000u);
                row.append(head + text);
            }
            break;
        }
    }
    append16(row, quint16(row.size()));  // where the variable columns end
    for (qsizetype i = offsets.size() - 1; i >= 0; --i)
        append16(row, offsets[i]);
    append16(row, quint16(offsets.size()));
    return row + mask;
}

QByteArray new_page(quint8 type, quint32 owner)
{
    QByteArray page(kPage, '\0');
    page[0] = char(type);
    page[1] = 1;
    put32(page, 4, owner);
    return page;
}

// Data pages of owner holding rows, rows stored from the end of the page
// down, their offsets from byte 14 up.
QList<QByteArray> data_pages(const QList<QByteArray>& rows, quint32 owner)
{
    QList<QByteArray> pages;
    int n = 0, end = kPage;
    for (const QByteArray& row : rows) {
        Q_ASSERT(row.size() < kPage - 16);
        if (pages.isEmpty() || end - row.size() < 14 + 2 * (n + 1)) {
            pages << new_page(0x01, owner);
            n = 0;
            end = kPage;
        }
        QByteArray& page = pages.last();
        end -= int(row.size());
        std::memcpy(page.data() + end, row.constData(), size_t(row.size()));
        put16(page, 14 + 2 * n, quint16(end));
        put16(page, 12, quint16(++n));
        put16(page, 2, quint16(end - 14 - 2 * n));
    }
    return pages;
}

// A table's definition page: the counts, where its usage maps are, its
// columns, then their names.
QByteArray definition(const Table& t, bool system, quint8 mapRow)
{
    QByteArray page = new_page(0x02, 0);
    put32(page, 16, quint32(t.rows.size()));
    page[40] = char(system ? 0x53 : 0x4e);
    int vars = 0;
    for (const Column& c : t.columns)
        vars += !fixed(c.type);
    put16(page, 41, quint16(t.columns.size()));
    put16(page, 43, quint16(vars));
    put16(page, 45, quint16(t.columns.size()));
    put32(page, 55, (kMapsPage << 8) | mapRow);        // pages in use
    put32(page, 59, (kMapsPage << 8) | (mapRow + 1));  // pages with free space
    int at = 63, fixedOffset = 0, varIndex = 0;
    for (int i = 0; i < t.columns.size(); ++i, at += 25) {
        const Type type = t.columns[i].type;
        page[at] = char(type);
        put16(page, at + 5, quint16(i));
        put16(page, at + 7, quint16(fixed(type) ? 0 : varIndex++));
        put16(page, at + 9, quint16(i));
        if (type == Type::Text) {
            put16(page, at + 11, 0x409);  // the general sort order
            page[at + 16] = 1;            // compressed texts
        }
        page[at + 15] = char(fixed(type) ? 0x03 : 0x02);
        put16(page, at + 21, quint16(fixed(type) ? fixedOffset : 0));
        put16(page, at + 23, quint16(size_of(type)));
        fixedOffset += fixed(type) ? size_of(type) : 0;
    }
    for (const Column& c : t.columns) {
        put16(page, at, quint16(c.name.size() * 2));
        std::memcpy(page.data() + at + 2, c.name.utf16(), size_t(c.name.size() * 2));
        at += 2 + int(c.name.size()) * 2;
    }
    put16(page, at, 0xffff);  // no usage maps of variable columns
    at += 2;
    put32(page, 8, quint32(at - 8));
    put16(page, 2, quint16(kPage - at));
    return page;
}

// Page 0: the format and version, then 128 bytes that readers decrypt with
// RC4 under a fixed key; plain, they hold the code page, a database key of
// 0 (no page is encrypted) and the sort order.
QByteArray header()
{
    QByteArray page(kPage, '\0');
    page[1] = 1;
    std::memcpy(page.data() + 4, "Standard Jet DB", 16);
    page[0x14] = 1;  // Jet 4
    QByteArray plain(128, '\0');
    put16(plain, 0x3c - 0x18, 1252);
    put16(plain, 0x6e - 0x18, 0x409);
    const std::array<quint8, 4> key{0xC7, 0xDA, 0x39, 0x6B};
    std::array<quint8, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        page[0x18 + n] = char(plain[n] ^ s[(s[i] + s[j]) & 0xff]);
    }
    return page;
}

// A usage map of the pages listed: type 0, from page 0, one bit a page.
QByteArray usage_map(const QList<int>& pages)
{
    QByteArray map(5, '\0');
    for (int p : pages) {
        if (map.size() <= 5 + p / 8)
            map.resize(5 + p / 8 + 1, '\0');
        map[5 + p / 8] = char(map[5 + p / 8] | (1 << (p % 8)));
    }
    return map;
}

}  // namespace

QList<Column> dept_columns()
{
    QList<Column> out{{QStringLiteral("cusnum"), Type::LongInt}};
    for (const char* name : {"Fname", "Lname", "Address", "emaddress", "phonenum", "credlimit", "deptname"})
        out << Column{QString::fromLatin1(name), QLatin1String(name) == QLatin1String("Address") ? Type::Memo : Type::Text};
    out << Column{QStringLiteral("ordercount"), Type::LongInt} << Column{QStringLiteral("balance"), Type::LongInt};
    return out;
}

QList<QVariantList> customers(int count, bool astral)
{
    const QStringList texts{
        QStringLiteral("Renée"), QStringLiteral("Straße 5"), QStringLiteral("€ 1.200,50"), QStringLiteral("“Quoted” — dash"),
        QStringLiteral("Łódź"), QStringLiteral("Ελλάδα"), QStringLiteral("日本 東京"), QStringLiteral("O'Brien, \"Jr.\""),
        QStringLiteral("two\nlines"), QStringLiteral(" blanks "), QStringLiteral("plain"), QStringLiteral("ñ"),
    };
    QList<QVariantList> rows;
    for (int k = 1; k <= count; ++k) {
        QVariantList r{k};
        for (int c = 1; c <= 7; ++c) {
            const int n = k * 7 + c;
            if (n % 11 == 0)
                r << QVariant();  // NULL
            else if (n % 13 == 0)
                r << QStringLiteral("");
            else if (astral && n % 17 == 0)
                r << QStringLiteral("smile 😀 %1").arg(k);
            else
                r << QStringLiteral("%1 %2").arg(texts[n % texts.size()]).arg(k);
        }
        r << (k % 5 == 0 ? QVariant() : QVariant(k % 9)) << (k % 3 == 0 ? -k * 10 : k);
        rows << r;
    }
    return rows;
}

QByteArray file(const QList<Table>& tables)
{
    // The catalog lists each table by the page of its definition, so the
    // pages are laid out first: 3 on the catalog's rows, then each table's
    // definition and its data.
    QList<QList<QByteArray>> rows;
    for (const Table& t : tables) {
        rows << QList<QByteArray>();
        for (const QVariantList& values : t.rows)
            rows.last() << pack_row(t.columns, values);
    }
    QList<int> firstPage;
    int next = kCatalogPage + 1 + 1;  // one page of catalog rows is plenty here
    for (qsizetype i = 0; i < tables.size(); ++i) {
        firstPage << next;
        next += 1 + int(data_pages(rows[i], 0).size());
    }

    Table catalog{QStringLiteral("MSysObjects"),
                  {{QStringLiteral("Id"), Type::LongInt},
                   {QStringLiteral("Name"), Type::Text},
                   {QStringLiteral("Type"), Type::Int},
                   {QStringLiteral("Flags"), Type::LongInt},
                   {QStringLiteral("LvProp"), Type::Ole}},
                  {}};
    QList<QByteArray> catalogRows;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        QVariant properties;
        if (!tables[i].properties.isEmpty()) {
            QByteArray head(12, '\0');  // in the row, as a memo's
            put32(head, 0, quint32(tables[i].properties.size()) | 0x80000000u);
            properties = head + tables[i].properties;
        }
        catalog.rows << QVariantList{firstPage[i], tables[i].name, 1, 0, properties};
        catalogRows << pack_row(catalog.columns, catalog.rows.last());
    }

    QByteArray maps = new_page(0x01, 0);
    QList<QByteArray> mapRows;
    QByteArray out = header() + maps + definition(catalog, true, 0);
    const QList<QByteArray> catalogPages = data_pages(catalogRows, kCatalogPage);
    Q_ASSERT(catalogPages.size() == 1);
    out += catalogPages.first();
    mapRows << usage_map({kCatalogPage + 1}) << usage_map({});
    for (qsizetype i = 0; i < tables.size(); ++i) {
        out += definition(tables[i], false, quint8(2 * (i + 1)));
        const QList<QByteArray> pages = data_pages(rows[i], quint32(firstPage[i]));
        QList<int> numbers;
        for (qsizetype p = 0; p < pages.size(); ++p) {
            out += pages[p];
            numbers << firstPage[i] + 1 + int(p);
        }
        mapRows << usage_map(numbers) << usage_map({});
    }
    out.replace(kMapsPage * kPage, kPage, data_pages(mapRows, 0).first());
    return out;
}

}  // namespace jet4
