// The history of the customers, from the grid's menu: a deleted customer
// brought back under its own number, and an earlier version of the current
// customer saved over it. Each is one statement, guarded as a Save is, and
// a step that Ctrl+Z undoes. The history is read on the connection's
// thread, a page at a time.

#include "form/form1.h"

#include "data/customer_history.h"
#include "ui/datagrid.h"
#include "ui/history_dialogs.h"
#include "ui/messages.h"

#include <QAction>
#include <QPointer>

namespace {
// What could not be shown, and why when the database refused: a user
// may lack the right to read the history, which a database made before it
// was kept, and opened read-only since, lacks.
QString unreadable(const QString& what, const DbError& error)
{
    if (error.passing())
        return what;
    return what + QCoreApplication::translate("Form1", " The history of the customers cannot be read: your database user may not be "
                                                       "allowed to read it, or this database does not keep it.");
}

// A page of the deleted customers the main list's source narrows to.
QCoro::Task<QVector<CustomerVersion>> read_deleted(Connection& cn, RowSource names, std::optional<qint64> older_than)
{
    auto asked = cn.ask([names, older_than](Database& db) {
        return CustomerHistory(db).deleted(names, VersionsDialog::pageSize(older_than), older_than);
    });
    co_return co_await asked;
}

// A page of one customer's versions.
QCoro::Task<QVector<CustomerVersion>> read_versions(Connection& cn, qint64 cusnum, std::optional<qint64> older_than)
{
    auto asked = cn.ask([cusnum, older_than](Database& db) {
        return CustomerHistory(db).versions(cusnum, VersionsDialog::pageSize(older_than), older_than);
    });
    co_return co_await asked;
}

// The first page, or the error that kept it from being read.
QCoro::Task<std::pair<QVector<CustomerVersion>, std::optional<DbError>>> first_page(PageReader reader)
{
    std::pair<QVector<CustomerVersion>, std::optional<DbError>> out;
    try {
        auto asked = reader(std::nullopt);
        out.first = co_await std::move(asked);
    } catch (const DbError& e) {
        out.second = e;
    }
    co_return out;
}
}  // namespace

void Form1::setup_history()
{
    transfer_->customerShown = [this] { return shown_.has_value(); };
    connect(transfer_->deletedCustomers, &QAction::triggered, this, [this] { handle(deleted_Click()); });
    connect(transfer_->customerHistory, &QAction::triggered, this, [this] { handle(history_Click()); });
}

QCoro::Task<> Form1::deleted_Click()
{
    if (mode_ != Mode::Browse || !rs.isOpen())
        co_return;
    Connection& cn = list.connection();
    // Narrowed as the list is now.
    const PageReader reader = [&cn, names = rs.source()](std::optional<qint64> older_than) {
        return read_deleted(cn, names, older_than);
    };
    auto read = first_page(reader);
    // The window is made while its first rows are read.
    QPointer<DeletedCustomersDialog> dialog = new DeletedCustomersDialog(this, reader);
    const auto [first, readError] = co_await std::move(read);
    if (readError || !dialog) {
        delete dialog.data();
        if (readError && !readError->cancelled())
            co_await report_not_done(this, unreadable(tr("The deleted customers cannot be listed."), *readError), *readError);
        co_return;
    }
    dialog->add(first);
    // The customer chosen is taken before the dialog goes.
    std::optional<CustomerRow> chosen;
    connect(dialog, &VersionsDialog::picked, dialog, [&chosen](const CustomerVersion& v) { chosen = v.before; });
    co_await answer(dialog);
    if (!chosen || mode_ != Mode::Browse)
        co_return;

    const CustomerRow row = *chosen;
    const QString nothing = tr("Nothing was brought back.");
    const std::optional<CustomerList::Change> made = co_await attempt(list.restore(row), nothing);
    if (!made)
        co_return;
    const CustomerList::Change& change = *made;
    if (change.outcome == CustomerTable::Outcome::Done) {
        record_step(std::nullopt, row);
    } else {
        co_await report_notice(this, tr("Another program added a customer under the number %1 meanwhile, or it was brought back already. %2")
                                         .arg(row.cusnum)
                                         .arg(nothing));
    }
    const QString done = change.outcome == CustomerTable::Outcome::Done ? tr("%1 was brought back.").arg(named(row)) : nothing;
    co_await show_changed(change, done);
}

QCoro::Task<> Form1::history_Click()
{
    if (mode_ != Mode::Browse || !shown_)
        co_return;
    const CustomerRow current = *shown_;
    Connection& cn = list.connection();
    const PageReader reader = [&cn, cusnum = current.cusnum](std::optional<qint64> older_than) {
        return read_versions(cn, cusnum, older_than);
    };
    auto read = first_page(reader);
    QPointer<CustomerHistoryDialog> dialog = new CustomerHistoryDialog(this, current, reader);
    const auto [first, readError] = co_await std::move(read);
    if (readError || !dialog) {
        delete dialog.data();
        if (readError && !readError->cancelled())
            co_await report_not_done(this, unreadable(tr("The history of %1 cannot be shown.").arg(named(current)), *readError), *readError);
        co_return;
    }
    dialog->add(first);
    std::optional<CustomerRow> chosen;
    connect(dialog, &VersionsDialog::picked, dialog, [&chosen](const CustomerVersion& v) { chosen = CustomerHistoryDialog::row_of(v); });
    co_await answer(dialog);
    if (!chosen || mode_ != Mode::Browse)
        co_return;

    // The version's texts over the customer as shown, its number and its
    // numbers kept; written only if the row still holds what was shown.
    CustomerRow wanted = current;
    for (int i = 1; i < int(kCustomerColumns.size()); ++i)
        if (kCustomerColumns[i].kind == CustomerColumn::Text)
            set_column_value(wanted, i, column_value(*chosen, i));
    const QString nothing = tr("The version was not restored.");
    const std::optional<CustomerList::Change> made = co_await attempt(list.update(current, wanted), nothing);
    if (!made)
        co_return;
    const CustomerList::Change& change = *made;
    switch (change.outcome) {
    case CustomerTable::Outcome::Done: record_step(current, wanted); break;
    case CustomerTable::Outcome::Changed:
        co_await report_notice(this, tr("Another program changed %1 after it was shown. %2 The customer as it is now is shown.")
                                         .arg(named(current), nothing));
        break;
    case CustomerTable::Outcome::Gone:
        co_await report_notice(this, tr("Another program deleted %1 after it was shown. %2").arg(named(current), nothing));
        break;
    case CustomerTable::Outcome::Taken: break;
    }
    const QString done = change.outcome == CustomerTable::Outcome::Done ? tr("The version was restored.") : nothing;
    co_await show_changed(change, done);
}
