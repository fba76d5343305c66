#pragma once

#include "data/connection.h"
#include "data/customer_table.h"
#include "data/recordset.h"
#include "data/transfer/customer_export.h"
#include "data/transfer/customer_import.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QObject>
#include <QScopeGuard>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// The customers as the window lists them: the database connection, the
// customer table on it and the main record set, and what the user asks of
// them. It opens the database, lists the customers whose first or last
// name begins with a text, saves a new or an edited customer and deletes
// one (each change one statement, with the list read again in the same
// round trip where the engine allows), imports and exports, and keeps the
// list fresh: other programs' changes are followed, and a list that could
// not be read (another program's lock, a lost server) is read again as
// soon as it can be.
//
// Everything here runs on the window's thread and waits for nothing: each
// operation is a coroutine that awaits its connection's answer. A failure
// is a DbError thrown to the caller; the list stays as it was.
class CustomerList : public QObject {
    Q_OBJECT
public:
    // The customer to show after the list is read again, and the position
    // to show when the list no longer holds it.
    struct Keep {
        qint64 cusnum = 0;
        qint64 near = 0;
    };
    // What a change did. The list was read again with it, unless unlisted
    // says why it could not be (it is then read again as soon as it can).
    struct Change {
        CustomerTable::Outcome outcome = CustomerTable::Outcome::Done;
        qint64 key = 0;  // the customer's key: for a new one, the one it took
        std::optional<DbError> unlisted;
    };
    // An export or import as it goes: told on the connection's thread,
    // cancelled from any.
    struct Progress {
        std::atomic<bool> cancelled = false;
        std::function<void(qint64 done, qint64 total)> told;
    };

    // A list of the database target (a file path or a server URL), not
    // opened yet.
    explicit CustomerList(QString target, QObject* parent = nullptr);
    // Closes first.
    ~CustomerList() override;

    const QString& target() const { return target_; }
    // The database as messages name it.
    QString name() const;
    // The password for the next open, when the server asks for one. It is
    // kept for reconnecting and never shown.
    void setPassword(const QString& password) { password_ = password; }

    RecordSet& records() { return rs_; }
    Connection& connection() { return cn_; }
    const Connection& connection() const { return cn_; }

    // Opens the database and lists every customer, the first current. A
    // DbError when the database cannot be used.
    QCoro::Task<> open();
    // Ends everything that is out: what awaits it goes on with a DbError
    // (cancelled). The database is closed.
    void close();

    // Lists the customers whose first (or last) name begins with text,
    // without regard to case ("%" and "_" are wildcards); every customer
    // for "". A newer list read gives this one up. keep, when given, stays
    // current while it is listed.
    QCoro::Task<> filter(const QString& text, RowSource::Column column, std::optional<Keep> keep = std::nullopt);
    // Lists the same customers sorted by a column (a position in
    // kCustomerColumns), ascending or descending, ties in key order; -1
    // for the list's own order. The sort stays for every list read after
    // it, filtered or changed. keep, when given, stays current.
    QCoro::Task<> sort(int column, bool descending, std::optional<Keep> keep = std::nullopt);
    // The column sorted by (-1: none) and whether descending.
    std::pair<int, bool> sorting() const { return sort_; }
    // Goes back to the first row, reading the list again when it may have
    // changed.
    QCoro::Task<> refresh();
    // True while a list read is out.
    bool reading() const { return reads_ > 0; }

    // One more than the largest key: the key a customer added now takes.
    QCoro::Task<qint64> new_key();
    // Adds a customer under key (new_key() when none; another when another
    // program took it meanwhile), and shows it.
    QCoro::Task<Change> add(CustomerRow typed, std::optional<qint64> key);
    // Writes typed over the customer shown, only if the row still holds
    // exactly what was shown; shows it.
    QCoro::Task<Change> update(CustomerRow shown, CustomerRow typed);
    // Deletes the customer with this number; the first row is shown.
    QCoro::Task<Change> remove(qint64 cusnum);
    // Undo and redo: deletes the customer only if it still holds exactly
    // row's texts (the first row is shown), or adds it again under its own
    // key (and shows it).
    QCoro::Task<Change> remove_same(CustomerRow row);
    QCoro::Task<Change> restore(CustomerRow row);
    // An import undone, or done again (CustomerTable::remove_added,
    // add_again); the list is read again from its first row.
    QCoro::Task<Change> remove_added(CustomerTable::Added added);
    QCoro::Task<Change> add_again(CustomerTable::Added& added);

    // The customers listed, in list order, to a CSV file written whole or
    // not at all.
    QCoro::Task<ExportResult> export_csv(QString path, std::shared_ptr<Progress> progress);
    // Runs work on the connection's thread with the customer table and what
    // the list lists now, as an export does (printing reads the customers
    // so, a page at a time); the list reads nothing on its own meanwhile.
    // What work throws reaches the caller.
    QCoro::Task<> read_listed(std::function<void(CustomerTable&, const RowSource&)> work);
    // The customers of a CSV file added in one transaction (import_customers);
    // windows1252 tells whether the file was read as Windows-1252. The list
    // is read again showing the first customer imported.
    struct Imported {
        ImportResult result;  // Refused with fileError: the file cannot be read (refusal says why)
        bool fileError = false;
        bool windows1252 = false;
        std::optional<DbError> unlisted;
    };
    QCoro::Task<Imported> import_csv(QString path, std::shared_ptr<Progress> progress);

    // Whether the list may read again on its own now: the window says so
    // (no add or edit in progress, nothing else out). Unset: never.
    std::function<bool()> mayReadAlone;

signals:
    // A list read has ended, however it ended.
    void readEnded();
    // The list was read again on its own: other programs' changes, or a
    // list that could not be read before.
    void listed();
    // Reading on its own failed in a way that is not passing.
    void failed(const DbError& error);

private:
    // Reads source again, showing keep; a newer read gives this one up.
    // On a passing failure the list is behind and tried again later.
    QCoro::Task<> read(RowSource source, std::optional<Keep> keep);
    // Runs a change on the connection's thread with the list read again,
    // in the same round trip where the engine allows, and shows the
    // customer changed (showChanged) or the first row; near, the key of
    // that customer when it is known beforehand.
    using Changer = std::function<Change(CustomerTable&, CustomerTable::Reread&)>;
    QCoro::Task<Change> change(Changer work, bool showChanged, std::optional<qint64> near = std::nullopt);
    // The same for a change of the customer with this number, whose
    // outcome the table tells.
    using OneChanger = std::function<CustomerTable::Outcome(CustomerTable&, CustomerTable::Reread&)>;
    QCoro::Task<Change> change_one(qint64 cusnum, OneChanger work, bool showChanged);
    // After a change's job: installs the list it read, or notes why not.
    QCoro::Task<> show(const RowSource& source, const CustomerTable::Reread& reread, std::optional<qint64> cusnum, Change& change);
    // Gives up the list read out, if any.
    void cancelRead();
    // A change, an import or an export begins: the list read out is given
    // up, and the list reads nothing on its own until the guard ends.
    [[nodiscard]] auto changing()
    {
        cancelRead();
        changing_ = true;
        return qScopeGuard([this] { changing_ = false; });
    }
    // The list for source could not be read: it is read again later.
    void fellBehind(const RowSource& source, std::optional<Keep> keep);
    // The timer: follows other programs' changes and reads a list that is
    // behind again.
    void tick();
    QCoro::Task<> follow();
    // The counter, for a second connection's count where counting takes long.
    void openCounter();

    QString target_;
    QString password_;
    Connection cn_;
    std::unique_ptr<Connection> counter_;  // where counting takes long
    CustomerTable table_;  // used on cn_'s thread only
    RecordSet rs_;
    int reads_ = 0;
    Ticket reading_;            // the latest list read
    bool changing_ = false;     // a change, an import or an export is out
    std::pair<int, bool> sort_{-1, false};  // the sort that every list read keeps
    bool following_ = false;    // tick's look is out
    // The list that could not be read, to read once it can.
    struct Wanted {
        RowSource source;
        std::optional<Keep> keep;
    };
    std::optional<Wanted> behind_;
    QElapsedTimer sinceFailed_;
    QTimer timer_;
};
