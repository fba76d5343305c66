// Undo and Redo of the window's changes: each Add, Save of an edit and
// Delete is a step that Ctrl+Z undoes and Ctrl+Shift+Z or Ctrl+Y does
// again, as many steps as the user made since start-up. Each is one
// statement, guarded as a Save is: a customer another program changed or
// deleted meanwhile is told, and nothing is overwritten.

#include "form/form1.h"

#include "ui/datagrid.h"
#include "ui/messages.h"

#include <QAction>
#include <QUndoStack>

namespace {
// One change of one customer: before is none for an add, after none for
// a delete. The window makes the change and its undoing itself (they
// await the database); the stack only holds the steps and where the user
// is among them.
class CustomerStep : public QUndoCommand {
public:
    CustomerStep(const QString& text, std::optional<CustomerRow> before, std::optional<CustomerRow> after)
        : QUndoCommand(text), before(std::move(before)), after(std::move(after))
    {
    }
    void undo() override {}
    void redo() override {}

    const std::optional<CustomerRow> before;
    const std::optional<CustomerRow> after;
};

// An import, as one step: the customers it added, by the history's
// versions of them (see CustomerTable::Added), which a redo renews.
class ImportStep : public QUndoCommand {
public:
    ImportStep(const QString& text, const CustomerTable::Added& added) : QUndoCommand(text), added(added) {}
    void undo() override {}
    void redo() override {}

    mutable CustomerTable::Added added;  // the stack holds its steps as const
};
}  // namespace

QString Form1::named(const CustomerRow& row)
{
    return tr("customer %1, %2 %3").arg(row.cusnum).arg(row.fname, row.lname).trimmed();
}

void Form1::setup_undo()
{
    undo_ = new QUndoStack(this);
    auto* undo = new QAction(tr("Undo"), this);
    undo->setShortcuts(QKeySequence::Undo);
    // Ctrl+Shift+Z and Ctrl+Y on every desktop, whatever its own key for
    // Redo is.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (!redoKeys.contains(key))
            redoKeys << key;
    auto* redo = new QAction(tr("Redo"), this);
    redo->setShortcuts(redoKeys);
    addActions({undo, redo});
    connect(undo, &QAction::triggered, this, [this] { handle(step(true)); });
    connect(redo, &QAction::triggered, this, [this] { handle(step(false)); });
}

void Form1::record_step(std::optional<CustomerRow> before, std::optional<CustomerRow> after)
{
    const QString text = !before ? tr("Add %1").arg(named(*after)) : !after ? tr("Delete %1").arg(named(*before)) : tr("Save %1").arg(named(*after));
    // After a delete the line under the grid says how to bring it back.
    note_ = !after ? tr("Deleted %1: Ctrl+Z brings it back.").arg(named(*before)) : QString();
    undo_->push(new CustomerStep(text, std::move(before), std::move(after)));
    show_position();
}

void Form1::record_import(const QString& file, const CustomerTable::Added& added)
{
    note_.clear();
    undo_->push(new ImportStep(tr("Import %1").arg(file), added));
}

QCoro::Task<> Form1::step(bool undoing)
{
    const int at = undo_->index() - (undoing ? 1 : 0);
    if (mode_ != Mode::Browse || at < 0 || at >= undo_->count())
        co_return;
    if (const auto* import = dynamic_cast<const ImportStep*>(undo_->command(at))) {
        co_await step_import(undoing, import->added);
        co_return;
    }
    const auto* step = static_cast<const CustomerStep*>(undo_->command(at));
    // What the table holds after the step, and what it is to hold.
    const std::optional<CustomerRow> now = undoing ? step->after : step->before;
    const std::optional<CustomerRow> wanted = undoing ? step->before : step->after;
    const QString nothing = undoing ? tr("Nothing was undone.") : tr("Nothing was done again.");
    QCoro::Task<CustomerList::Change> changing = now && wanted ? list.update(*now, *wanted) : now ? list.remove_same(*now) : list.restore(*wanted);
    const std::optional<CustomerList::Change> made = co_await attempt(std::move(changing), nothing);
    if (!made)
        co_return;
    const CustomerList::Change& change = *made;
    note_.clear();
    switch (change.outcome) {
    case CustomerTable::Outcome::Done:
        if (undoing)
            undo_->undo();
        else
            undo_->redo();
        break;
    case CustomerTable::Outcome::Changed:
        co_await report_notice(this, tr("Another program changed %1 after this window's change. %2 The customer as it is now is shown.")
                                         .arg(named(*now), nothing));
        break;
    case CustomerTable::Outcome::Gone:
        co_await report_notice(this, tr("Another program deleted %1 after this window's change. %2").arg(named(*now), nothing));
        break;
    case CustomerTable::Outcome::Taken:
        co_await report_notice(this, tr("Another program added a customer under the number %1 meanwhile. %2").arg(wanted->cusnum).arg(nothing));
        break;
    }
    const QString done = undoing ? tr("The change was undone.") : tr("The change was done again.");
    co_await show_changed(change, done);
}

QCoro::Task<> Form1::step_import(bool undoing, CustomerTable::Added& added)
{
    const QString nothing = undoing ? tr("Nothing was undone.") : tr("Nothing was done again.");
    QCoro::Task<CustomerList::Change> changing = undoing ? list.remove_added(added) : list.add_again(added);
    const std::optional<CustomerList::Change> made = co_await attempt(std::move(changing), nothing);
    if (!made)
        co_return;
    const CustomerList::Change& change = *made;
    note_.clear();
    if (change.outcome == CustomerTable::Outcome::Done) {
        if (undoing)
            undo_->undo();
        else
            undo_->redo();
    } else if (change.outcome == CustomerTable::Outcome::Changed) {
        co_await report_notice(this, tr("Another program changed or deleted some of the %n customers imported since. %1", nullptr, int(added.count))
                                         .arg(nothing));
    } else {
        co_await report_notice(this, tr("Another program added customers under the numbers of the %n customers imported meanwhile. %1", nullptr,
                                        int(added.count))
                                         .arg(nothing));
    }
    const QString done = undoing ? tr("The change was undone.") : tr("The change was done again.");
    co_await show_changed(change, done);
}

QCoro::Task<std::optional<CustomerList::Change>> Form1::attempt(QCoro::Task<CustomerList::Change> change, QString nothing)
{
    std::optional<DbError> error;
    try {
        const ChangeOut out;
        co_return co_await std::move(change);
    } catch (const DbError& e) {
        error = e;
    }
    if (!error->cancelled())
        co_await report_refusal(this, nothing, *error);
    co_return std::nullopt;
}

QCoro::Task<> Form1::show_changed(const CustomerList::Change& change, QString done)
{
    if (change.unlisted) {
        clear_txt();
        co_await unlisted(done, *change.unlisted);
        co_return;
    }
    DataGrid1->Refresh();
    show_rec();
}
