#pragma once

#include <QString>

// What a record set lists: every row of dept in key order, or the rows
// whose first or last name begins with a text (without regard to case;
// "%" and "_" in it are wildcards), in name order.
struct RowSource {
    enum class Column { None, Fname, Lname };

    Column column = Column::None;
    QString text;  // the beginning of the names listed, unused for None

    static RowSource all() { return {}; }
    static RowSource names_beginning(Column column, const QString& text) { return {column, text}; }

    bool operator==(const RowSource&) const = default;
};
