#pragma once

#include "data/engines/dialect.h"

// PostgreSQL's SQL: the row key is the customer number; names are matched
// by lower() in the "C" collation, through an index on that expression,
// with no escape character: "%" and "_" are wildcards and every other
// character, a backslash too, is itself. A trigger on the table notifies
// every listening program of each change.
class PgDialect : public Dialect {
public:
    // The channel the table's trigger notifies.
    static constexpr const char* kChannel = "tallyhouse_dept";

    // The database a URL names: "\"customers\" on dbhost:5432", never
    // with the password.
    QString name(const QString& url) const override;
    // PostgreSQL's texts cannot hold the NUL character.
    void check_values(const QVariantList& values, const QString& database) const override;

    QStringList create_statements(const QString& table) const override;
    QStringList begin_adding(const QString& table) const override;
    // Each COPY costs a round trip and a few milliseconds to start.
    int rows_per_insert() const override { return 5000; }
    bool counts_slowly() const override { return true; }
    // libpq's pipeline, with one sync at its end.
    bool sends_together() const override { return true; }
    bool seeks_pairs() const override { return true; }

    QStringList history_statements(const QString& table, const QStringList& columns) const override;
    QString history_time_text(const QString& column) const override;
    QVariant history_time_value(const QDateTime& time) const override;
    // The names of the history's triggers on the table.
    static QStringList history_triggers(const QString& table);

    QString row_key() const override;
    Listing name_listing(const QString& column, const QString& pattern) const override;
    QString same_value(const QString& column) const override;
    QString sort_expression(int i, const QString& column) const override;
    QString sort_index_statement(const QString& table, int i, const QString& column) const override;

    // The index a name filter counts and pages through (column is fname's
    // or lname's place among dept's columns), its name, and the statements
    // of the trigger that notifies.
    static QString name_index(const QString& table, int column);
    static QString name_index_statement(const QString& table, int column);
    static QStringList notify_statements(const QString& table);
};
