#include "form1.h"

#include "ui/datagrid.h"
#include "ui/messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QShortcut>

namespace {
const char* const kAdd = QT_TRANSLATE_NOOP("Form1", "&Add");
const char* const kCancel = QT_TRANSLATE_NOOP("Form1", "&Cancel");
const char* const kTryAgain = QT_TRANSLATE_NOOP("Form1", "Nothing was changed: try again in a moment.");
const char* const kListLater = QT_TRANSLATE_NOOP("Form1", "The list still shows the rows it showed before; it follows the filter box as soon as the database is free.");
// How often a list that could not be read is tried again, and how often
// other programs' changes are looked for.
constexpr int kRetryMs = 1000;
constexpr int kWatchMs = 400;

// Sets the controls one at a time, in the order given.
void set_enabled(std::initializer_list<QWidget*> controls, bool enabled)
{
    for (QWidget* c : controls)
        c->setEnabled(enabled);
}

// While a change is out: the busy cursor, the button that sent it cannot
// send it again, and changing tells the window's handlers so.
class ChangeOut {
public:
    ChangeOut(QPushButton* button, bool& changing) : button_(button), changing_(changing, true)
    {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        button_->setEnabled(false);
    }
    ~ChangeOut()
    {
        button_->setEnabled(true);
        QApplication::restoreOverrideCursor();
    }
    ChangeOut(const ChangeOut&) = delete;
    ChangeOut& operator=(const ChangeOut&) = delete;

private:
    QPushButton* button_;
    QScopedValueRollback<bool> changing_;
};

// The text a record box shows for a column of a customer.
QString box_text(const CustomerRow& row, int column)
{
    const QVariant v = column_value(row, column);
    return v.isNull() ? QString() : v.toString();
}
}  // namespace

void Form1::handle(QWidget* from, std::function<void()> handler)
{
    if (!cn.asking())
        return run(handler);
    const bool filter = from == Text9 || from == fname || from == lname;
    // A click meant for the window as it is now: once a change's outcome
    // is in, the buttons may mean something else (Add's Cancel is Add again).
    if (changing_ && !filter)
        return;
    if (filter) {
        if (readingList_)
            cn.cancel();
        deferred_.removeIf([&](const Deferred& d) { return d.from == Text9 || d.from == fname || d.from == lname; });
    }
    deferred_.append({from, std::move(handler)});
}

void Form1::run_deferred()
{
    while (!deferred_.isEmpty() && !cn.asking()) {
        const Deferred next = deferred_.takeFirst();
        if (next.from && next.from->isEnabled())
            run(next.handler);
    }
}

template <class Handler>
void Form1::run(Handler handler)
{
    try {
        handler();
    } catch (const DbError& e) {
        if (e.cancelled())
            return;  // given up for a newer question
        if (!e.passing())
            return fail(e);
        report_unavailable(this, e, tr(behind_ ? kListLater : kTryAgain));
        if (behind_)
            retry_.start();
    }
}

void Form1::fail(const DbError& error)
{
    setEnabled(false);
    report_runtime_error(this, error);
    emit ended(1);
}

template <class Handler>
void Form1::trap(Handler handler)
{
    try {
        handler();
    } catch (const DbError& e) {
        // The move or display failed: skip the rest, say nothing; but a
        // lock held by another program or a lost server is the user's to
        // know.
        if (e.passing())
            throw;
    }
}

Form1::Form1(modyul::Data& data, QWidget* parent)
    : Form1Controls(parent), data(data), cn(data.cn), table(data.table), rs(data.rs)
{
    auto on = [this](auto* control, auto signal, void (Form1::*handler)()) {
        connect(control, signal, this, [this, control, handler] { handle(control, [this, handler] { (this->*handler)(); }); });
    };
    on(cmdfirst, &QPushButton::clicked, &Form1::cmdfirst_Click);
    on(cmdprev, &QPushButton::clicked, &Form1::cmdprev_Click);
    on(cmdnext, &QPushButton::clicked, &Form1::cmdnext_Click);
    on(cmdlast, &QPushButton::clicked, &Form1::cmdlast_Click);
    on(cmdadd, &QPushButton::clicked, &Form1::cmdadd_Click);
    on(cmdedit, &QPushButton::clicked, &Form1::cmdedit_Click);
    on(cmdsave, &QPushButton::clicked, &Form1::cmdsave_Click);
    on(cmddel, &QPushButton::clicked, &Form1::cmddel_Click);
    on(fname, &QRadioButton::clicked, &Form1::fname_Click);
    on(lname, &QRadioButton::clicked, &Form1::lname_Click);
    on(Text9, &QLineEdit::textChanged, &Form1::Text9_Change);
    on(DataGrid1, &DataGrid::RowColChange, &Form1::DataGrid1_RowColChange);
    // Exit works at once, whatever is out; the E-mail box's lockout reads
    // nothing from the database.
    connect(cmdexit, &QPushButton::clicked, this, [this] { run([&] { cmdexit_Click(); }); });
    connect(text5, &QLineEdit::textChanged, this, [this] { run([&] { text5_Change(); }); });
    connect(&cn, &Connection::answered, this, &Form1::run_deferred, Qt::QueuedConnection);
    // The grid could not read the rows the user scrolled or moved to.
    connect(DataGrid1, &DataGrid::unavailable, this, [this](const QString& message, bool lost) {
        report_unavailable(this, DbError(0, message, lost ? DbError::Kind::Lost : DbError::Kind::Busy), tr(kTryAgain));
    }, Qt::QueuedConnection);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &Form1::retry_list);
    connect(&rs, &RecordSet::rowsCounted, this, &Form1::show_position);
    watch_.setInterval(kWatchMs);
    connect(&watch_, &QTimer::timeout, this, &Form1::follow_changes);
    setup_transfer();
    // Escape during an add abandons it, as its Cancel button does.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, [this] {
        if (mode_ == Mode::Add && cmdadd->isEnabled())
            cmdadd->click();
    });
}

// ---- Start-up, window lifetime and exit ----

void Form1::Form_Load()
{
    modyul::open_db(data);
    try {
        rs.open(RowSource::all());
        DataGrid1->setDataSource(&rs);
        show_rec();
        watch_.start();
    } catch (const DbError& e) {
        // A damaged file often shows only when its rows are first read.
        throw cn.openFailure(e);
    }
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

void Form1::cmdfirst_Click()
{
    trap([&] {
        rs.moveFirst();
        show_rec();
    });
}

void Form1::cmdlast_Click()
{
    trap([&] {
        rs.moveLast();
        show_rec();
    });
}

void Form1::cmdnext_Click()
{
    trap([&] {
        rs.moveNext();
        if (rs.eof())
            rs.moveLast();
        show_rec();
    });
}

void Form1::cmdprev_Click()
{
    trap([&] {
        rs.movePrevious();
        if (rs.bof())
            rs.moveFirst();
        show_rec();
    });
}

void Form1::DataGrid1_RowColChange()
{
    trap([&] { show_rec(); });
}

// ---- Name filter and empty-result lockout ----

void Form1::Text9_Change()
{
    read_list();
}

void Form1::read_list(std::optional<Keep> keep)
{
    behind_ = true;
    keep_ = keep;
    // An empty box lists every row, also those without a name.
    const QString text = Text9->text();
    const RowSource source = text.isEmpty()
        ? RowSource::all()
        : RowSource::name_like(fname->isChecked() ? RowSource::Column::Fname : RowSource::Column::Lname,
                               text + QStringLiteral("%"));
    // Opening replaces the rows only once the new ones are read.
    {
        const QScopedValueRollback reading(readingList_, true);
        rs.open(source);
        rs.requery();
    }
    behind_ = false;
    retry_.stop();
    if (keep_)
        show_key(*std::exchange(keep_, std::nullopt));
    else if (rs.hasRows())
        show_rec();
    else
        clear_txt();
}

void Form1::after_change(const QString& done, std::optional<Keep> keep, const std::function<void()>& read,
                         const std::function<void()>& instead)
{
    try {
        read();
    } catch (const DbError& e) {
        if (!e.passing())
            throw;
        instead();
        behind_ = true;
        keep_ = keep;
        retry_.start();
        report_unavailable(this, e, done + tr(" The list is read again as soon as the database can be read."));
    }
}

// A list that could not be read is tried again while browsing, without
// waiting on the lock: an add or edit in progress keeps its texts.
void Form1::retry_list()
{
    if (!behind_) {
        retry_.stop();
        return;
    }
    if (mode_ != Mode::Browse || cn.asking())
        return;
    try {
        read_list(keep_);
    } catch (const DbError& e) {
        if (!e.passing()) {
            retry_.stop();
            fail(e);
        }
    }
}

// Runs while the window waits for the user: a change another program
// committed shows within about a second, on the same customer (or the row
// where it stood, when it was deleted). An add or edit waits for Save or
// Cancel, which read the list anyway.
void Form1::follow_changes()
{
    if (mode_ != Mode::Browse || behind_ || !rs.isOpen() || !isEnabled() || cn.asking())
        return;
    try {
        if (!rs.outdated())
            return;
        read_list(shown_ ? std::optional(Keep{shown_->cusnum, rs.position()}) : std::nullopt);
    } catch (const DbError& e) {
        if (!e.passing())
            fail(e);
        // Locked or unreachable: looked at again at the next tick.
    }
}

void Form1::fname_Click()
{
    Text9_Change();
    Text9->setFocus();
}

void Form1::lname_Click()
{
    Text9_Change();
    Text9->setFocus();
}

void Form1::text5_Change()
{
    if (mode_ != Mode::Browse)
        return;  // the add or edit keeps its own button states
    if (rs.isOpen() && rs.hasRows()) {
        ctrl_unlock();
    } else {
        ctrl_lock();
        // An empty table, not an empty filter result: Add starts it.
        if (Text9->text().isEmpty())
            cmdadd->setEnabled(true);
    }
}

// ---- Add, edit and save ----

void Form1::cmdadd_Click()
{
    if (mode_ != Mode::Add) {
        // The last row becomes current when it can be read; the
        // add itself needs nothing from the database.
        if (rs.hasRows()) {
            try {
                rs.moveLast();
            } catch (const DbError& e) {
                if (!e.passing())
                    throw;
            }
        }
        mode_ = Mode::Add;
        edited_.reset();
        nav_lock();
        txt_unlock();
        cmdsave->setEnabled(true);
        browse_lock();
        clear_txt();
        cmdadd->setText(tr(kCancel));
        cmdedit->setEnabled(false);
        cmddel->setEnabled(false);
        // The new row's key is read while the user types, so that the
        // Save asks the database only once.
        try {
            deptID = table.new_key();
        } catch (const DbError&) {
            deptID.reset();
        }
    } else {
        mode_ = Mode::Browse;
        nav_unlock();
        txt_lock();
        clear_txt();
        cmdsave->setEnabled(false);
        cmdadd->setText(tr(kAdd));
        cmdedit->setEnabled(true);
        cmddel->setEnabled(true);
        browse_unlock();
        after_change(
            tr("The add was cancelled."), std::nullopt,
            [&] {
                rs.requery();
                show_rec();
            },
            [&] { show_rec(); });
    }
}

void Form1::cmdedit_Click()
{
    mode_ = Mode::Edit;
    edited_ = shown_;
    nav_lock();
    txt_unlock();
    key = Text1->text();
    cmdsave->setEnabled(true);
    cmdedit->setEnabled(false);
    cmdadd->setEnabled(false);
    cmddel->setEnabled(false);
    browse_lock();
    show_position();
}

void Form1::cmdsave_Click()
{
    const bool adding = mode_ == Mode::Add;
    CustomerRow typed = typed_row();
    // A text longer than the table may hold is refused before any
    // statement; the texts stay in their boxes.
    if (const auto column = overlong_column(typed)) {
        const auto box = std::find_if(kRecordBoxes.begin(), kRecordBoxes.end(),
                                      [&](const RecordBox& b) { return b.column == *column; });
        report_too_long(this, recordBoxes()[int(box - kRecordBoxes.begin())]->accessibleName(),
                        column_value(typed, *column).toString().size(), max_length(*column));
        return;
    }
    QString done = tr("The record was saved.");
    auto outcome = CustomerTable::Outcome::Done;
    // The list read again with the saved customer shown; a server is
    // asked it together with the change where it can be.
    CustomerTable::Reread reread = rs.reread();
    // What was typed stays as sent until the outcome is known.
    txt_lock();
    try {
        const ChangeOut out(cmdsave, changing_);
        if (adding) {
            deptID = table.insert(typed, &reread, deptID);
            typed.cusnum = *deptID;
        } else {
            // The row must still hold what was shown at Edit: another
            // program's change is not overwritten, and the user is told.
            outcome = edited_ ? table.update(*edited_, typed, &reread) : CustomerTable::Outcome::Gone;
        }
    } catch (const DbError& e) {
        // Nothing was written: the texts stay in their boxes to try again.
        txt_unlock();
        report_refusal(this, tr("The record was not saved."), e);
        return;
    }
    if (outcome != CustomerTable::Outcome::Done)
        done = tr("The record was not saved.");
    if (outcome == CustomerTable::Outcome::Changed)
        report_notice(this, tr("Another program changed this record after it was shown. Your changes were not saved; the record as it is now is shown."));
    if (outcome == CustomerTable::Outcome::Gone)
        report_notice(this, tr("Another program deleted this record after it was shown. Your changes were not saved."));
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
    after_change(
        done, Keep{typed.cusnum, 0},
        [&] {
            rs.requery(reread);
            DataGrid1->Refresh();
            show_rec();
        },
        [&] { show_row(typed); });
}

void Form1::show_key(const Keep& keep)
{
    if (const auto position = rs.find(keep.cusnum))
        rs.moveTo(*position);
    else if (rs.recordCount() > 0)
        rs.moveTo(std::clamp<qint64>(keep.near, 0, rs.recordCount() - 1));
    show_rec();
}

// ---- Delete ----

void Form1::cmddel_Click()
{
    // The customer the boxes show is the one deleted, whatever happens
    // while the question is open.
    const std::optional<CustomerRow> target = shown_;
    QMessageBox box(QMessageBox::NoIcon, tr("Comfirm Delete?"),
                    tr("Do you really want to delete this record?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes)
        return;
    if (!target)
        return;
    auto outcome = CustomerTable::Outcome::Done;
    // The list read again from its first row, asked with the delete
    // where it can be.
    CustomerTable::Reread reread = rs.reread();
    try {
        const ChangeOut out(cmddel, changing_);
        outcome = table.remove(target->cusnum, &reread);
    } catch (const DbError& e) {
        report_refusal(this, tr("The record was not deleted."), e);
        return;
    }
    if (outcome == CustomerTable::Outcome::Gone)
        report_notice(this, tr("Another program deleted this record already."));
    after_change(
        tr("The record was deleted."), std::nullopt,
        [&] {
            rs.requery(reread);
            show_rec();
        },
        [&] { clear_txt(); });
}

// ---- Where am I ----

// Says which customer the boxes show among how many the list holds, and
// what the list holds, or what is being typed. It reads only what the
// record set knows already; setting the accessible name tells screen
// readers of each change.
void Form1::show_position()
{
    QString line;
    const qint64 count = rs.isOpen() ? rs.knownCount() : 0;
    // Until the rows are counted, the line says so rather than guess.
    const QString of = rs.isOpen() && !rs.counted() ? tr("at least %1 (counting)").arg(count) : QString::number(count);
    const qint64 position = rs.position();
    const RowSource source = rs.source();
    if (mode_ == Mode::Add) {
        line = tr("New customer");
    } else if (mode_ == Mode::Edit) {
        line = tr("Editing customer %1").arg(position + 1);
    } else if (count == 0) {
        line = source.column == RowSource::Column::None ? tr("No customers yet")
                                                         : tr("No customer matches");
    } else if (position < 0 || position >= count) {
        line = tr("%1 customers").arg(of);
    } else {
        line = tr("Customer %1 of %2").arg(position + 1).arg(of);
        // The pattern is the filter box's text followed by "%" (read_list).
        if (source.column != RowSource::Column::None)
            line += tr(" whose %1 begins with \"%2\"")
                        .arg(source.column == RowSource::Column::Fname ? tr("first name")
                                                                       : tr("last name"),
                             source.pattern.chopped(1));
    }
    if (lblposition->text() == line)
        return;
    lblposition->setText(line);
    lblposition->setAccessibleName(line);
}
