#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

// The rows a record set lists, as the statements select them: which rows,
// and the order in which they come.
struct Listing {
    QString where;        // "" for every row, else a condition with ? placeholders
    QVariantList params;  // values for where's placeholders
    QString sort;         // "" for key order, else the expression the rows are ordered by
};

// The SQL of a database engine: the text of each statement the program
// writes and the rules it follows, for a table whose columns are dept's.
// Nothing here opens, holds or asks a database: a dialect is the same for
// every connection to an engine. The live connection is a DbSession's.
class Dialect {
public:
    virtual ~Dialect() = default;

    // The dialect for a database: a PostgreSQL URL or a file path.
    static const Dialect& for_target(const QString& target);
    // Whether a target names a PostgreSQL database rather than a file:
    // a URL (in either spelling libpq takes) or libpq's "keyword=value"
    // connection string, as libpq reads them.
    static bool is_server_url(const QString& target);
    // The settings of a server target by libpq's own names; none when it
    // is not one libpq can read.
    static std::optional<QList<QPair<QString, QString>>> server_settings(const QString& target);
    // Whether a server target holds a password (user:secret@ or a
    // password setting), which must never be written where others see it.
    static bool holds_password(const QString& target);
    // Why such a target is refused, where names the place it was written:
    // "The --database option names a server database together with its
    // password. ..."
    static QString password_refusal(const QString& where);

    // The database a target names, as messages name it, e.g.
    // "\"/home/ann/db40.mdb\"", never with a password.
    virtual QString name(const QString& target) const = 0;
    // Refuses values the engine cannot store, before a statement runs;
    // database is the name() the message gives.
    virtual void check_values(const QVariantList&, const QString&) const {}

    // The statements that create a new, empty customer table: the first
    // makes the table, the rest its indexes and whatever else it needs.
    virtual QStringList create_statements(const QString& table) const = 0;
    // The statements that begin a transaction adding rows under keys it
    // chooses itself from the largest in the table: until it ends, no
    // other program can add a row to the table.
    virtual QStringList begin_adding(const QString& table) const = 0;
    // How many rows of dept one DbSession::insert_rows() takes at most.
    virtual int rows_per_insert() const = 0;
    // True when counting many rows takes long enough that the first rows
    // are better shown before the count, which a second connection makes.
    virtual bool counts_slowly() const { return false; }
    // Whether statements asked together (DbSession::run_together) go out
    // in one round trip and run as one transaction: when one fails, none
    // is done.
    virtual bool sends_together() const { return false; }

    // The key that rows are paged and positioned by: a whole number,
    // unique in the table.
    virtual QString row_key() const = 0;
    // The rows whose name column matches pattern without regard to case
    // ("%" any run of characters, "_" any one), in name order.
    virtual Listing name_listing(const QString& column, const QString& pattern) const = 0;
    // "column holds exactly this value", NULL and letter case included.
    virtual QString same_value(const QString& column) const = 0;
};
