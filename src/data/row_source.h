#pragma once

#include <QString>

// What a record set lists: every row of dept in key order, or the rows
// whose first or last name is LIKE a pattern, in name order.
struct RowSource {
    enum class Column { None, Fname, Lname };

    Column column = Column::None;
    QString pattern;  // LIKE pattern on column, unused for None

    static RowSource all() { return {}; }
    static RowSource name_like(Column column, const QString& pattern) { return {column, pattern}; }

    bool operator==(const RowSource&) const = default;
};
