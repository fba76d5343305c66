#pragma once

#include <QString>
#include <QVariantList>

// What a record set lists: every row of dept in key order, or the rows
// whose first or last name is LIKE a pattern, in name order. Values are
// always bound as parameters, never pasted into the SQL.
struct RowSource {
    enum class Column { None, Fname, Lname };

    Column column = Column::None;
    QString pattern;  // LIKE pattern on column, unused for None

    static RowSource all() { return {}; }
    static RowSource name_like(Column column, const QString& pattern) { return {column, pattern}; }

    // The statement as the user would write it: "Select * from dept where
    // fname like ?" with the pattern as its parameter.
    QString statement() const;

    // The pieces a record set builds its queries from.
    struct Sql {
        QString where;        // "" or a condition with ? placeholders
        QVariantList params;  // values for where's placeholders
        QString sort;         // "" for key order, else the name expression
    };
    Sql sql() const;
};
