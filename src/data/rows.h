#pragma once

#include <QString>
#include <QVariantList>
#include <QVector>

// What a statement returned, read to its end: its rows, and the number of
// rows it changed. next() and value() step through the rows as a query
// does, starting before the first.
class Rows {
public:
    QVector<QVariantList> rows;
    qint64 changed = 0;

    bool next() { return ++at_ < rows.size(); }
    QVariant value(int column) const { return rows.value(at_).value(column); }

private:
    qsizetype at_ = -1;
};

// A statement with its values, for several sent together.
struct Statement {
    QString sql;
    QVariantList params;
};
