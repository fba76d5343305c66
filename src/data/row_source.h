#pragma once

#include <QString>

// What a record set lists: every row of dept in key order, or the rows
// whose first or last name begins with a text (without regard to case;
// "%" and "_" in it are wildcards), in name order; either sorted by a
// column instead, ascending or descending, ties in key order.
struct RowSource {
    enum class Column { None, Fname, Lname };

    Column column = Column::None;
    QString text;  // the beginning of the names listed, unused for None
    // The column (a position in kCustomerColumns) the rows are sorted by;
    // -1 for the order above.
    int sort = -1;
    bool descending = false;

    static RowSource all() { return {}; }
    static RowSource names_beginning(Column column, const QString& text) { return {column, text}; }
    // The same rows in another order.
    RowSource sorted(int by, bool down) const
    {
        RowSource out = *this;
        out.sort = by;
        out.descending = by >= 0 && down;
        return out;
    }

    bool operator==(const RowSource&) const = default;
};
