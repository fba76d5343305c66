#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>

// One customer: a row of table dept, its fields by name. A null QString
// stands for a NULL column, an empty one for "".
struct CustomerRow {
    qint64 cusnum = 0;  // the key
    QString fname;
    QString lname;
    QString address;
    QString emaddress;
    QString phonenum;
    QString credlimit;
    QString deptname;
    QVariant ordercount = 0;  // two numbers, 0 for a new customer
    QVariant balance = 0;

    bool operator==(const CustomerRow&) const = default;
};

// The columns of dept in the table's order, each with the field of
// CustomerRow it holds. Every list of columns, every statement and every
// conversion between rows and values follows this one table.
struct CustomerColumn {
    enum Kind { Key, Text, Number };
    const char* name;  // as dept calls it; names compare without regard to case
    // The window's caption for the column, untranslated (context
    // "CustomerColumn"); the key and the two numbers have none.
    const char* caption;
    Kind kind;
    QString CustomerRow::*text;    // the field of a Text column
    QVariant CustomerRow::*number;  // the field of a Number column
};

inline constexpr std::array<CustomerColumn, 10> kCustomerColumns{{
    {"cusnum", nullptr, CustomerColumn::Key, nullptr, nullptr},
    {"Fname", QT_TRANSLATE_NOOP("CustomerColumn", "First Name:"), CustomerColumn::Text, &CustomerRow::fname, nullptr},
    {"Lname", QT_TRANSLATE_NOOP("CustomerColumn", "Last Name:"), CustomerColumn::Text, &CustomerRow::lname, nullptr},
    {"Address", QT_TRANSLATE_NOOP("CustomerColumn", "Address:"), CustomerColumn::Text, &CustomerRow::address, nullptr},
    {"emaddress", QT_TRANSLATE_NOOP("CustomerColumn", "E-Mail:"), CustomerColumn::Text, &CustomerRow::emaddress, nullptr},
    {"phonenum", QT_TRANSLATE_NOOP("CustomerColumn", "Phone #"), CustomerColumn::Text, &CustomerRow::phonenum, nullptr},
    {"credlimit", QT_TRANSLATE_NOOP("CustomerColumn", "Credit Limit:"), CustomerColumn::Text, &CustomerRow::credlimit, nullptr},
    {"deptname", QT_TRANSLATE_NOOP("CustomerColumn", "Dept. Name:"), CustomerColumn::Text, &CustomerRow::deptname, nullptr},
    {"ordercount", nullptr, CustomerColumn::Number, nullptr, &CustomerRow::ordercount},
    {"balance", nullptr, CustomerColumn::Number, nullptr, &CustomerRow::balance},
}};

// The caption of column i (a position in kCustomerColumns) in the user's
// language; empty for a column without one.
QString column_caption(int column);
// The caption as a column's heading: without the colon of the record
// box's label.
QString column_heading(int column);

// The two name columns, which the filter matches.
inline constexpr int kFname = 1;
inline constexpr int kLname = 2;

// The longest text a customer's column may hold, in characters as Qt
// counts them (UTF-16 code units): Save, an import and a copy refuse a
// longer one before anything is written, so that every text the program
// stores can be exported and imported again. A name is shorter: the name
// indexes hold it, and a PostgreSQL index entry must fit in a third of a
// page (8 kB), which 400 characters do in any script.
inline constexpr qsizetype kMaxTextLength = 16 * 1024 * 1024;
inline constexpr qsizetype kMaxNameLength = 400;
// The longest text column i (a position in kCustomerColumns) may hold.
qsizetype max_length(int column);
// The first text column of a row that is longer than it may be; none when
// every text fits.
std::optional<int> overlong_column(const CustomerRow& row);
// What is wrong with that column, for a message: "Fname holds 3000
// characters; a first or last name may hold at most 400".
QString overlong_text(const CustomerRow& row, int column);

// A whole number written as digits, with an optional sign and blanks
// around, within 64 bits (a key as a text gives it); none otherwise.
std::optional<qint64> whole_number(const QString& text);

// The value of column i (a position in kCustomerColumns) of a row: the key
// as a number, a text as a string or NULL, a number as stored.
QVariant column_value(const CustomerRow& row, int i);
// Sets column i of a row from a database value (NULL allowed).
void set_column_value(CustomerRow& row, int i, const QVariant& value);

// Where each column of kCustomerColumns stands among a table's column
// names: by its name without regard to case, else by its place among
// dept's columns (the two numbers go by many names); -1 when the table
// lacks it.
std::array<int, kCustomerColumns.size()> column_positions(const QStringList& names);

// The record boxes of the window in display order, with the column each
// one shows and takes; Text1 holds the key and is never typed into.
struct RecordBox {
    const char* box;
    int column;  // a position in kCustomerColumns
};

inline constexpr std::array<RecordBox, 8> kRecordBoxes{{
    {"Text1", 0},
    {"Text2", 1},
    {"Text3", 2},
    {"Text4", 3},
    {"text5", 4},
    {"Text6", 5},
    {"Text7", 7},  // Dept. Name
    {"Text8", 6},  // Credit Limit
}};
