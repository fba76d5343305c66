#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

// Writes Microsoft Access (Jet 4) database files for the tests, as much of
// the format as libmdb reads: the header page, the catalog table
// MSysObjects, and for each table its definition page, its data pages and
// its page usage map. No indexes; memos in the row, never on long-value
// pages; texts as UTF-16, those of characters below U+0100 in the
// compressed form Access uses for them.
// Debian's mdb-tables and mdb-export read every file it makes.
namespace jet4 {

enum class Type : quint8 { Int = 0x03, LongInt = 0x04, Double = 0x07, Text = 0x0A, Ole = 0x0B, Memo = 0x0C };

struct Column {
    QString name;
    Type type;
};

struct Table {
    QString name;
    QList<Column> columns;
    // A null QVariant is a NULL field. A QByteArray in a memo column is
    // stored as it is, head and all: a long value as damage leaves it.
    QList<QVariantList> rows;
    QByteArray properties = {};  // the catalog's block of its properties ("KKD\0…"), if any
};

// Where libmdb finds things in a file: the definition of the catalog, and
// of the first table. Each begins with the same layout (its usage map's
// place at byte 55).
inline constexpr int kPageSize = 4096;
inline constexpr int kCatalogPage = 2;
inline constexpr int kFirstTablePage = 4;

// The whole file.
QByteArray file(const QList<Table>& tables);

// The columns of dept, as an Access table of customers has them: the key
// and the two numbers whole numbers, the address a memo, the rest texts of
// up to 255 characters.
QList<Column> dept_columns();

// count customers with the keys 1 to count, as dept_columns() holds them.
// Their texts mix plain ASCII, the letters and signs of Windows-1252
// (é, ß, €, “”), other scripts (Łódź, Ελλάδα, 日本), quotes, commas and line
// breaks, empty texts and NULLs; with astral, also characters beyond
// U+FFFF, which UTF-16 stores as two (libmdb's own conversion turns them
// into "??").
QList<QVariantList> customers(int count, bool astral = false);

}  // namespace jet4
