#include "form/form1.h"

#include "data/modyul.h"
#include "ui/datagrid.h"
#include "ui/messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QShortcut>

namespace {
const char* const kAdd = QT_TRANSLATE_NOOP("Form1", "&Add");
const char* const kCancel = QT_TRANSLATE_NOOP("Form1", "&Cancel");
const char* const kTryAgain = QT_TRANSLATE_NOOP("Form1", "Nothing was changed: try again in a moment.");
const char* const kListLater = QT_TRANSLATE_NOOP("Form1", "The list still shows the rows it showed before; it follows the filter box as soon as the database is free.");

// Sets the controls one at a time, in the order given.
void set_enabled(std::initializer_list<QWidget*> controls, bool enabled)
{
    for (QWidget* c : controls)
        c->setEnabled(enabled);
}

// The text a record box shows for a column of a customer.
QString box_text(const CustomerRow& row, int column)
{
    const QVariant v = column_value(row, column);
    return v.isNull() ? QString() : v.toString();
}

// The new row's key, read while the user types; none when it cannot be
// read now (Save reads it then).
QCoro::Task<std::optional<qint64>> read_new_key(CustomerList& list)
{
    std::optional<qint64> key;
    try {
        key = co_await list.new_key();
    } catch (const DbError&) {
    }
    co_return key;
}
}  // namespace

Form1::Form1(CustomerList& list, QWidget* parent)
    : Form1Controls(parent), list(list), rs(list.records()), gate_(new InputGate(this))
{
    auto on = [this](auto* control, auto signal, QCoro::Task<> (Form1::*handler)()) {
        connect(control, signal, this, [this, handler] { handle((this->*handler)()); });
    };
    on(cmdfirst, &QPushButton::clicked, &Form1::cmdfirst_Click);
    on(cmdprev, &QPushButton::clicked, &Form1::cmdprev_Click);
    on(cmdnext, &QPushButton::clicked, &Form1::cmdnext_Click);
    on(cmdlast, &QPushButton::clicked, &Form1::cmdlast_Click);
    on(cmdadd, &QPushButton::clicked, &Form1::cmdadd_Click);
    on(cmdsave, &QPushButton::clicked, &Form1::cmdsave_Click);
    on(cmddel, &QPushButton::clicked, &Form1::cmddel_Click);
    connect(cmdedit, &QPushButton::clicked, this, &Form1::cmdedit_Click);
    connect(cmdexit, &QPushButton::clicked, this, &Form1::cmdexit_Click);
    connect(fname, &QRadioButton::clicked, this, [this] { read(fname_Click()); });
    connect(lname, &QRadioButton::clicked, this, [this] { read(lname_Click()); });
    connect(Text9, &QLineEdit::textChanged, this, [this] { read(Text9_Change()); });
    connect(text5, &QLineEdit::textChanged, this, &Form1::text5_Change);
    connect(DataGrid1, &DataGrid::moveAsked, this, [this](qint64 position) { handle(DataGrid1_RowColChange(position)); });
    // The grid could not read the rows the user scrolled to.
    connect(DataGrid1, &DataGrid::unavailable, this, [this](const QString& message, bool lost) {
        handle(report_unavailable(this, DbError(0, message, lost ? DbError::Kind::Lost : DbError::Kind::Busy), tr(kTryAgain)));
    });
    connect(&rs, &RecordSet::rowsCounted, this, &Form1::show_position);
    connect(&rs, &RecordSet::rowsPlaced, this, &Form1::show_position);
    connect(DataGrid1, &DataGrid::sortAsked, this, [this](int section, bool descending) { read(sort_Click(section, descending)); });

    // The list follows other programs' changes on its own, while the
    // window waits for the user.
    list.mayReadAlone = [this] { return mode_ == Mode::Browse && holds_ == 0 && !gate_->holding() && isEnabled(); };
    connect(&list, &CustomerList::listed, this, [this] {
        if (mode_ == Mode::Browse)
            show_rec();
    });
    connect(&list, &CustomerList::failed, this, [this](const DbError& e) { handle(failed(e, {})); });

    // The one rule for input (InputGate): Exit is never held; typing into
    // the filter goes on while only a list is read.
    gate_->waiting = [this] { return waiting(); };
    gate_->exits = [this](QObject* receiver, QEvent* event) {
        if (!cmdexit->isEnabled())
            return false;
        // A click on Exit, or the key that clicks it while it has the keyboard.
        const bool keyed = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
        if (receiver == cmdexit)
            return !keyed || QList<int>{Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Select}.contains(
                               static_cast<QKeyEvent*>(event)->key());
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        return QKeySequence(key->keyCombination()) == QKeySequence::mnemonic(cmdexit->text());
    };
    gate_->reads = [this](QObject* receiver, QEvent*) { return receiver == Text9 || receiver == fname || receiver == lname; };
    connect(&list, &CustomerList::readEnded, gate_, &InputGate::release, Qt::QueuedConnection);

    setup_transfer();
    setup_history();
    setup_print();
    setup_undo();
    // The headings' menu for the current column, in the grid's own: the
    // keyboard's way to sort and to show or hide columns.
    QMenu* columns = transfer_->menu()->addMenu(tr("Colu&mns"));
    connect(columns, &QMenu::aboutToShow, this, [this, columns] { DataGrid1->fillColumnsMenu(columns, DataGrid1->currentColumn()); });
    // Escape during an add abandons it, as its Cancel button does.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, [this] {
        if (mode_ == Mode::Add && cmdadd->isEnabled())
            cmdadd->click();
    });
}

Form1::~Form1()
{
    list.mayReadAlone = nullptr;
    // What is out ends now: the list answers its questions, and a box
    // awaiting an answer is answered, while everything is still here.
    list.close();
    for (QDialog* box : findChildren<QDialog*>())
        if (box->isVisible())
            box->reject();
}

bool Form1::idle() const
{
    return holds_ == 0 && !list.reading() && !gate_->holding() && list.connection().out() == 0 && rs.placed();
}

InputGate::Wait Form1::waiting() const
{
    if (holds_ > 0)
        return InputGate::Wait::Working;
    return list.reading() ? InputGate::Wait::Reading : InputGate::Wait::Idle;
}

void Form1::handle(QCoro::Task<> started)
{
    ++holds_;
    finish(std::move(started), true);
}

void Form1::read(QCoro::Task<> started)
{
    finish(std::move(started), false);
}

QCoro::Task<> Form1::finish(QCoro::Task<> handler, bool held)
{
    const auto done = qScopeGuard([this, held] {
        if (held)
            --holds_;
        // What the user did meanwhile goes on, once this handler is done.
        if (gate_->holding())
            QMetaObject::invokeMethod(gate_, &InputGate::release, Qt::QueuedConnection);
    });
    std::optional<DbError> error;
    try {
        co_await std::move(handler);
    } catch (const DbError& e) {
        error = e;
    }
    if (!error)
        co_return;
    // A list read that failed leaves the list as it was, to be read again
    // as soon as it can be.
    const QString next = tr(held ? kTryAgain : kListLater);
    co_await failed(*error, next);
}

QCoro::Task<> Form1::failed(const DbError& error, const QString& next)
{
    if (error.cancelled())
        co_return;  // given up for a newer question, or the program ends
    if (error.passing()) {
        co_await report_unavailable(this, error, next);
        co_return;
    }
    setEnabled(false);
    co_await report_runtime_error(this, error);
    emit ended(1);
}

QCoro::Task<bool> Form1::trap(QCoro::Task<> move)
{
    std::optional<DbError> error;
    try {
        co_await std::move(move);
    } catch (const DbError& e) {
        error = e;
    }
    // The move or display failed: skip the rest, say nothing; but a lock
    // held by another program or a lost server is the user's to know.
    if (error && error->passing())
        throw *error;
    co_return !error;
}

QCoro::Task<> Form1::unlisted(const QString& done, const DbError& error)
{
    if (!error.passing())
        throw error;
    co_await report_unavailable(this, error, done + tr(" The list is read again as soon as the database can be read."));
}

// ---- Start-up, window lifetime and exit ----

QCoro::Task<> Form1::Form_Load()
{
    co_await modyul::open_db(list);
    DataGrid1->setDataSource(&rs);
    DataGrid1->keepLayout(list.target());
    show_rec();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void Form1::cmdexit_Click()
{
    emit ended(0);
}

// ---- Record display ----

void Form1::show_rec()
{
    if (!rs.isOpen() || rs.bof() || rs.eof()) {
        clear_txt();
        return;
    }
    show_row(rs.current());
}

void Form1::show_row(const CustomerRow& row)
{
    shown_ = row;
    const auto boxes = recordBoxes();
    for (int i = 0; i < boxes.size(); ++i)
        write_box(boxes[i], box_text(row, kRecordBoxes[i].column));
    show_position();
}

void Form1::clear_txt()
{
    shown_.reset();
    for (QLineEdit* box : recordBoxes())
        write_box(box, QString());
    show_position();
}

// Writing the E-mail box runs its change handler, also when the text stays
// the same, so that the lockout follows every refresh of the display.
void Form1::write_box(QLineEdit* box, const QString& text)
{
    {
        const QSignalBlocker quiet(box);
        box->setText(text);
        box->setCursorPosition(0);  // show the beginning of long texts
    }
    if (box == text5)
        text5_Change();
}

CustomerRow Form1::typed_row() const
{
    // Boxes left empty store "", never NULL.
    CustomerRow row = edited_.value_or(CustomerRow{});
    const auto boxes = recordBoxes();
    for (int i = 1; i < boxes.size(); ++i)
        set_column_value(row, kRecordBoxes[i].column, boxes[i]->text().isNull() ? QStringLiteral("") : boxes[i]->text());
    return row;
}

void Form1::txt_lock()
{
    for (QLineEdit* box : recordBoxes())
        box->setReadOnly(true);
}

void Form1::txt_unlock()
{
    for (QLineEdit* box : recordBoxes())
        box->setReadOnly(false);
}

// ---- Navigation and button groups ----

void Form1::nav_lock()
{
    set_enabled({cmdprev, cmdfirst, cmdnext, cmdlast}, false);
}

void Form1::nav_unlock()
{
    set_enabled({cmdprev, cmdfirst, cmdnext, cmdlast}, true);
}

// Exit is left enabled: the window refuses the close box, so Exit must
// always be there to end the program.
void Form1::ctrl_lock()
{
    nav_lock();
    set_enabled({cmdadd, cmdedit, cmddel}, false);
}

void Form1::ctrl_unlock()
{
    nav_unlock();
    set_enabled({cmdadd, cmdedit, cmddel, cmdexit}, true);
}

void Form1::browse_lock()
{
    set_enabled({DataGrid1, Text9, fname, lname}, false);
}

void Form1::browse_unlock()
{
    set_enabled({DataGrid1, Text9, fname, lname}, true);
}

QCoro::Task<> Form1::cmdfirst_Click()
{
    const bool moved = co_await trap(rs.moveFirst());
    if (moved)
        show_rec();
}

QCoro::Task<> Form1::cmdlast_Click()
{
    const bool moved = co_await trap(rs.moveLast());
    if (moved)
        show_rec();
}

QCoro::Task<> Form1::cmdnext_Click()
{
    const bool moved = co_await trap(rs.moveNext());
    if (moved)
        show_rec();
}

QCoro::Task<> Form1::cmdprev_Click()
{
    const bool moved = co_await trap(rs.movePrevious());
    if (moved)
        show_rec();
}

// The user chose the row at position in the grid; past the last row, the
// last.
QCoro::Task<> Form1::DataGrid1_RowColChange(qint64 position)
{
    bool moved = false;
    if (position >= rs.knownCount())
        moved = co_await trap(rs.moveLast());
    else
        moved = co_await trap(rs.moveTo(position));
    if (moved)
        show_rec();
}

// ---- Name filter and empty-result lockout ----

// An empty box lists every row, also those without a name.
QCoro::Task<> Form1::Text9_Change()
{
    const auto column = fname->isChecked() ? RowSource::Column::Fname : RowSource::Column::Lname;
    co_await list.filter(Text9->text(), column);
    if (rs.hasRows())
        show_rec();
    else
        clear_txt();
}

QCoro::Task<> Form1::sort_Click(int section, bool descending)
{
    // The grid's columns are the table's: each a column of the customer
    // row, or one the program does not know, which is not sorted by.
    const auto at = column_positions(rs.headings());
    const auto by = std::find(at.begin(), at.end(), section);
    if (section >= 0 && by == at.end()) {
        show_sort();
        co_return;
    }
    const auto sorted = qScopeGuard([this] { show_sort(); });
    const qint64 shown = rs.hasRows() && !rs.bof() && !rs.eof() ? rs.current().cusnum : 0;
    const std::optional<CustomerList::Keep> keep =
        shown ? std::optional(CustomerList::Keep{shown, rs.position()}) : std::nullopt;
    const int column = section < 0 ? -1 : int(by - at.begin());
    co_await list.sort(column, descending, keep);
    if (rs.hasRows())
        show_rec();
    else
        clear_txt();
}

void Form1::show_sort()
{
    const auto [column, descending] = list.sorting();
    const int section = column < 0 ? -1 : column_positions(rs.headings())[column];
    DataGrid1->showSort(section, descending);
    show_position();
}

QCoro::Task<> Form1::fname_Click()
{
    Text9->setFocus();
    co_await Text9_Change();
}

QCoro::Task<> Form1::lname_Click()
{
    Text9->setFocus();
    co_await Text9_Change();
}

void Form1::text5_Change()
{
    if (mode_ != Mode::Browse)
        return;  // the add or edit keeps its own button states
    if (rs.hasRows()) {
        ctrl_unlock();
    } else {
        ctrl_lock();
        // An empty table, not an empty filter result: Add starts it.
        if (Text9->text().isEmpty())
            cmdadd->setEnabled(true);
    }
}

// ---- Add, edit and save ----

QCoro::Task<> Form1::cmdadd_Click()
{
    if (mode_ != Mode::Add) {
        // The last row becomes current when it can be read; the add
        // itself needs nothing from the database.
        if (rs.hasRows()) {
            std::optional<DbError> error;
            try {
                co_await rs.moveLast();
            } catch (const DbError& e) {
                error = e;
            }
            if (error && !error->passing())
                throw *error;
        }
        mode_ = Mode::Add;
        edited_.reset();
        nav_lock();
        txt_unlock();
        // The keyboard goes to the first box before the controls it may
        // be in are disabled.
        Text2->setFocus();
        cmdsave->setEnabled(true);
        browse_lock();
        clear_txt();
        cmdadd->setText(tr(kCancel));
        cmdedit->setEnabled(false);
        cmddel->setEnabled(false);
        // The new row's key is read while the user types, so that the
        // Save asks the database only once.
        keyRead_ = read_new_key(list);
        co_return;
    }
    mode_ = Mode::Browse;
    keyRead_.reset();
    nav_unlock();
    txt_lock();
    clear_txt();
    cmdsave->setEnabled(false);
    cmdadd->setText(tr(kAdd));
    cmdedit->setEnabled(true);
    cmddel->setEnabled(true);
    browse_unlock();
    std::optional<DbError> error;
    try {
        co_await list.refresh();
    } catch (const DbError& e) {
        error = e;
    }
    show_rec();
    if (error)
        co_await unlisted(tr("The add was cancelled."), *error);
}

void Form1::cmdedit_Click()
{
    mode_ = Mode::Edit;
    edited_ = shown_;
    nav_lock();
    txt_unlock();
    key = Text1->text();
    // The keyboard goes to the first box before the controls it may be in
    // are disabled: one Space must not reach Exit and end the edit.
    Text2->setFocus();
    cmdsave->setEnabled(true);
    cmdedit->setEnabled(false);
    cmdadd->setEnabled(false);
    cmddel->setEnabled(false);
    browse_lock();
    show_position();
}

QCoro::Task<> Form1::cmdsave_Click()
{
    const bool adding = mode_ == Mode::Add;
    // What was typed before the click is what is saved.
    CustomerRow typed = typed_row();
    // A text longer than the table may hold is refused before any
    // statement; the texts stay in their boxes.
    if (const auto column = overlong_column(typed)) {
        const auto box = std::find_if(kRecordBoxes.begin(), kRecordBoxes.end(),
                                      [&](const RecordBox& b) { return b.column == *column; });
        co_await report_too_long(this, recordBoxes()[int(box - kRecordBoxes.begin())]->accessibleName(),
                                 column_value(typed, *column).toString().size(), max_length(*column));
        co_return;
    }
    // What was typed stays as sent until the outcome is known.
    txt_lock();
    CustomerList::Change change;
    std::optional<DbError> error;
    try {
        const ChangeOut out;
        if (adding) {
            if (keyRead_)
                deptID = co_await std::move(*std::exchange(keyRead_, std::nullopt));
            change = co_await list.add(typed, deptID);
            deptID = change.key;
            typed.cusnum = change.key;
        } else if (edited_) {
            // The row must still hold what was shown at Edit: another
            // program's change is not overwritten, and the user is told.
            change = co_await list.update(*edited_, typed);
        } else {
            change.outcome = CustomerTable::Outcome::Gone;
        }
    } catch (const DbError& e) {
        error = e;
    }
    if (error) {
        if (error->cancelled())
            co_return;
        // Nothing was written: the texts stay in their boxes to try again.
        txt_unlock();
        co_await report_refusal(this, tr("The record was not saved."), *error);
        co_return;
    }
    const QString done = change.outcome == CustomerTable::Outcome::Done ? tr("The record was saved.") : tr("The record was not saved.");
    if (change.outcome == CustomerTable::Outcome::Done)
        record_step(adding ? std::nullopt : edited_, typed);
    if (change.outcome == CustomerTable::Outcome::Changed)
        co_await report_notice(this, tr("Another program changed this record after it was shown. Your changes were not saved; the record as it is now is shown."));
    if (change.outcome == CustomerTable::Outcome::Gone)
        co_await report_notice(this, tr("Another program deleted this record after it was shown. Your changes were not saved."));
    mode_ = Mode::Browse;
    txt_lock();
    cmdsave->setEnabled(false);
    cmdedit->setEnabled(true);
    cmdadd->setEnabled(true);
    if (adding)
        cmdadd->setText(tr(kAdd));
    nav_unlock();
    browse_unlock();
    cmddel->setEnabled(true);
    if (change.unlisted) {
        show_row(typed);
        co_await unlisted(done, *change.unlisted);
        co_return;
    }
    DataGrid1->Refresh();
    show_rec();
}

// ---- Delete ----

QCoro::Task<> Form1::cmddel_Click()
{
    // The customer the boxes show is the one deleted, whatever happens
    // while the question is open.
    const std::optional<CustomerRow> target = shown_;
    auto* box = new QMessageBox(QMessageBox::NoIcon, tr("Comfirm Delete?"), tr("Do you really want to delete this record?"),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::Yes);
    const int answered = co_await answer(box);
    if (answered != QMessageBox::Yes || !target)
        co_return;
    CustomerList::Change change;
    std::optional<DbError> error;
    try {
        const ChangeOut out;
        change = co_await list.remove(target->cusnum);
    } catch (const DbError& e) {
        error = e;
    }
    if (error) {
        if (!error->cancelled())
            co_await report_refusal(this, tr("The record was not deleted."), *error);
        co_return;
    }
    if (change.outcome == CustomerTable::Outcome::Gone) {
        co_await report_notice(this, tr("Another program deleted this record already."));
    } else {
        record_step(target, std::nullopt);
    }
    if (change.unlisted) {
        clear_txt();
        co_await unlisted(tr("The record was deleted."), *change.unlisted);
        co_return;
    }
    show_rec();
}

// ---- Where am I ----

// Says which customer the boxes show among how many the list holds, and
// what the list holds, or what is being typed. It reads only what the
// record set knows already; setting the accessible name tells screen
// readers of each change.
void Form1::show_position()
{
    QString line;
    const qint64 count = rs.knownCount();
    // Until the rows are counted, the line says so rather than guess.
    const QString of = !rs.counted() ? tr("at least %1 (counting)").arg(count) : QString::number(count);
    const qint64 position = rs.position();
    const RowSource source = rs.source();
    if (mode_ == Mode::Add) {
        line = tr("New customer");
    } else if (mode_ == Mode::Edit) {
        line = tr("Editing customer %1").arg(position + 1);
    } else if (count == 0) {
        line = source.column == RowSource::Column::None ? tr("No customers yet")
                                                         : tr("No customer matches");
    } else if (!rs.placed()) {
        // A list sorted anew: the customer's place in it is being counted.
        line = tr("Customer %1 of %2").arg(QStringLiteral("…"), of);
    } else if (position < 0 || position >= count) {
        // Counting goes on only past thousands of rows: those are many.
        line = rs.counted() ? tr("%n customers", nullptr, int(count)) : tr("%1 customers").arg(of);
    } else {
        line = tr("Customer %1 of %2").arg(position + 1).arg(of);
        if (source.column != RowSource::Column::None)
            line += tr(" whose %1 begins with \"%2\"")
                        .arg(source.column == RowSource::Column::Fname ? tr("first name")
                                                                       : tr("last name"),
                             source.text);
    }
    if (const auto [column, descending] = list.sorting(); column >= 0 && count > 0 && mode_ == Mode::Browse) {
        const QString heading = rs.headings().value(column_positions(rs.headings())[column]);
        line += descending ? tr(", sorted by %1 descending").arg(heading) : tr(", sorted by %1 ascending").arg(heading);
    }
    if (mode_ == Mode::Browse && !note_.isEmpty())
        line += QStringLiteral(" · ") + note_;
    if (lblposition->text() == line)
        return;
    lblposition->setText(line);
    lblposition->setAccessibleName(line);
}
