#pragma once

#include "data/engines/dialect.h"

// SQLite's SQL: the row key is the rowid; names are compared with the
// NOCASE collation and matched by the program's own LIKE function,
// th_like, which folds every letter, not only A to Z.
class SqliteDialect : public Dialect {
public:
    QString name(const QString& path) const override;
    QStringList create_statements(const QString& table) const override;
    QStringList begin_adding(const QString& table) const override;
    // 500 rows of dept bind 5,000 values, well within SQLite's 32,766.
    int rows_per_insert() const override { return 500; }
    QStringList history_statements(const QString& table, const QStringList& columns) const override;
    QString history_time_text(const QString& column) const override { return column; }
    QVariant history_time_value(const QDateTime& time) const override;
    // The names of what history_statements() makes, each lower case.
    static QStringList history_objects(const QString& table);
    // A trigger of this connection alone (TEMP) that sets the author of
    // the history its own statements write to login: the file's triggers
    // write "another program", since they cannot call a function of ours
    // that other programs lack.
    static QString author_trigger(const QString& table, const QString& login);
    QString row_key() const override { return QStringLiteral("rowid"); }
    Listing name_listing(const QString& column, const QString& pattern) const override;
    QString same_value(const QString& column) const override;
    QString sort_expression(int i, const QString& column) const override;
    QString sort_index_statement(const QString& table, int i, const QString& column) const override;
    // Other programs read the file as it was until the commit.
    bool remakes_sort_indexes() const override { return true; }

    // The index on column (its place among dept's columns) that the
    // program wants: a name's in NOCASE order, the key's unique; and the
    // index's name.
    static QString index_statement(const QString& table, int column);
    static QString index_name(const QString& table, int column);
};
