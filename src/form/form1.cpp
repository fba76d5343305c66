#include "form1.h"

#include "app/error_report.h"
#include "data/modyul.h"
#include "data/schema.h"
#include "ui/datagrid.h"

#include <QCloseEvent>
#include <QMessageBox>

namespace {
const QString kAdd = QStringLiteral("&Add");
const QString kCancel = QStringLiteral("&Cancel");

// Sets the controls one at a time, in the order given.
void set_enabled(std::initializer_list<QWidget*> controls, bool enabled)
{
    for (QWidget* c : controls)
        c->setEnabled(enabled);
}

QString as_text(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}
}  // namespace

template <class Handler>
void Form1::run(Handler handler)
{
    try {
        handler();
    } catch (const DbError& e) {
        setEnabled(false);
        report_runtime_error(this, e);
        emit ended(1);
    }
}

template <class Handler>
void Form1::trap(Handler handler)
{
    try {
        handler();
    } catch (const DbError&) {
        // The move or display failed: skip the rest, say nothing.
    }
}

Form1::Form1(QWidget* parent) : Form1Controls(parent)
{
    auto on = [this](QPushButton* b, void (Form1::*handler)()) {
        connect(b, &QPushButton::clicked, this, [this, handler] { run([&] { (this->*handler)(); }); });
    };
    on(cmdfirst, &Form1::cmdfirst_Click);
    on(cmdprev, &Form1::cmdprev_Click);
    on(cmdnext, &Form1::cmdnext_Click);
    on(cmdlast, &Form1::cmdlast_Click);
    on(cmdadd, &Form1::cmdadd_Click);
    on(cmdedit, &Form1::cmdedit_Click);
    on(cmdsave, &Form1::cmdsave_Click);
    on(cmddel, &Form1::cmddel_Click);
    on(cmdexit, &Form1::cmdexit_Click);
    connect(fname, &QRadioButton::clicked, this, [this] { run([&] { fname_Click(); }); });
    connect(lname, &QRadioButton::clicked, this, [this] { run([&] { lname_Click(); }); });
    connect(Text9, &QLineEdit::textChanged, this, [this] { run([&] { Text9_Change(); }); });
    connect(text5, &QLineEdit::textChanged, this, [this] { run([&] { text5_Change(); }); });
    connect(DataGrid1, &DataGrid::RowColChange, this, [this] { run([&] { DataGrid1_RowColChange(); }); });
}

// ---- Start-up, window lifetime and exit ----

void Form1::Form_Load()
{
    modyul::open_db();
    try {
        modyul::rs().open(RowSource::all(), modyul::cn());
        DataGrid1->setDataSource(&modyul::rs());
        show_rec();
    } catch (const DbError& e) {
        // A damaged file often shows only when its rows are first read.
        throw modyul::cn().openFailure(e);
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
    RecordSet& rs = modyul::rs();
    if (!rs.isOpen() || rs.bof() || rs.eof()) {
        clear_txt();
        return;
    }
    // The column behind each box, in display order; credit limit and
    // department name sit at positions 6 and 7.
    static constexpr int kColumn[] = {0, 1, 2, 3, 4, 5, 7, 6};
    QStringList texts;
    for (int column : kColumn)
        texts << as_text(rs.field(column));
    const auto boxes = recordBoxes();
    for (int i = 0; i < boxes.size(); ++i)
        write_box(boxes[i], texts[i]);
}

void Form1::clear_txt()
{
    for (QLineEdit* box : recordBoxes())
        write_box(box, QString());
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

// Save is enabled exactly while an add or an edit is in progress.
bool Form1::editing() const
{
    return cmdsave->isEnabled();
}

void Form1::cmdfirst_Click()
{
    trap([&] {
        modyul::rs().moveFirst();
        show_rec();
    });
}

void Form1::cmdlast_Click()
{
    trap([&] {
        modyul::rs().moveLast();
        show_rec();
    });
}

void Form1::cmdnext_Click()
{
    trap([&] {
        RecordSet& rs = modyul::rs();
        rs.moveNext();
        if (rs.eof())
            rs.moveLast();
        show_rec();
    });
}

void Form1::cmdprev_Click()
{
    trap([&] {
        RecordSet& rs = modyul::rs();
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
    RecordSet& rs = modyul::rs();
    rs.close();
    const QString text = Text9->text();
    // An empty box lists every row, also those without a name.
    const RowSource source = text.isEmpty()
        ? RowSource::all()
        : RowSource::name_like(fname->isChecked() ? RowSource::Column::Fname : RowSource::Column::Lname,
                               text + QStringLiteral("%"));
    rs.open(source, modyul::cn());
    rs.requery();
    if (rs.recordCount() != 0)
        show_rec();
    else
        clear_txt();
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
    if (editing())
        return;  // the add or edit keeps its own button states
    RecordSet& rs = modyul::rs();
    if (rs.isOpen() && rs.recordCount() != 0) {
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
    RecordSet& rs = modyul::rs();
    if (cmdadd->text() == kAdd) {
        nav_lock();
        txt_unlock();
        cmdsave->setEnabled(true);
        browse_lock();
        clear_txt();
        cmdadd->setText(kCancel);
        cmdedit->setEnabled(false);
        if (rs.recordCount() > 0)
            rs.moveLast();
        // One more than the largest key of the whole table, whatever the
        // filter shows; Save takes it afresh in case another program added.
        deptID = modyul::cn().scalar(QStringLiteral("SELECT coalesce(max(cusnum), 0) + 1 FROM dept")).toLongLong();
        cmddel->setEnabled(false);
    } else {
        nav_unlock();
        txt_lock();
        clear_txt();
        cmdsave->setEnabled(false);
        cmdadd->setText(kAdd);
        cmdedit->setEnabled(true);
        cmddel->setEnabled(true);
        browse_unlock();
        rs.requery();
        show_rec();
    }
}

void Form1::cmdedit_Click()
{
    RecordSet& rs = modyul::rs();
    nav_lock();
    txt_unlock();
    key = Text1->text();
    original_.clear();
    if (!rs.bof() && !rs.eof())
        for (int i = 1; i <= 7; ++i)
            original_ << rs.field(i);
    cmdsave->setEnabled(true);
    cmdedit->setEnabled(false);
    cmdadd->setEnabled(false);
    cmddel->setEnabled(false);
    browse_lock();
}

// Inserts the boxes' texts as a new row and returns its key: one more than
// the largest key of the whole table, taken in the same statement.
qint64 Form1::insert_row(const QVariantList& texts)
{
    // The two numbers after the texts start at 0, whatever the table calls them.
    RecordSet& rs = modyul::rs();
    QString numbers, zeros;
    for (int i = 8; i < 10 && i < rs.fieldCount(); ++i) {
        numbers += QStringLiteral(", \"%1\"").arg(rs.fieldName(i).replace(u'"', QStringLiteral("\"\"")));
        zeros += QStringLiteral(", 0");
    }
    QVariant newKey;
    modyul::cn().execute(
        QStringLiteral("Insert Into dept (cusnum, Fname, Lname, Address, emaddress, phonenum, deptname, credlimit%1) "
                       "values ((SELECT coalesce(max(cusnum), 0) + 1 FROM dept), ?, ?, ?, ?, ?, ?, ?%2 ) RETURNING cusnum")
            .arg(numbers, zeros),
        texts, &newKey);
    return deptID = newKey.toLongLong();
}

// Writes the boxes' texts over the row being edited, and returns its key.
// The row must still hold what was shown at Edit: another program's change
// is not overwritten, and the user is told.
qint64 Form1::update_row(const QVariantList& texts)
{
    bool ok = false;
    const qint64 cusnum = key.toLongLong(&ok);
    QVariantList params{texts[0], texts[1], texts[2], texts[4], texts[6], texts[3], texts[5], cusnum};
    QString unchanged;
    for (int i = 0; i < original_.size(); ++i) {
        unchanged += QStringLiteral(" and %1 IS ? COLLATE BINARY").arg(schema::columns()[i + 1]);
        params << original_[i];
    }
    const qint64 changed = !ok ? 0 : modyul::cn().execute(
        QStringLiteral("Update dept set Fname = ?, Lname = ?, Address = ?, phonenum = ?, credlimit = ?, "
                       "emaddress = ?, deptname = ? where cusnum = ?") + unchanged,
        params);
    if (changed == 0) {
        const bool exists = ok && modyul::cn().scalar(QStringLiteral("SELECT count(*) FROM dept WHERE cusnum = ?"), {cusnum}).toLongLong() > 0;
        report_notice(this, exists
            ? QStringLiteral("Another program changed this record after it was shown. Your changes were not saved; the record as it is now is shown.")
            : QStringLiteral("Another program deleted this record after it was shown. Your changes were not saved."));
    }
    return cusnum;
}

void Form1::cmdsave_Click()
{
    const bool insert = cmdadd->text() == kCancel;
    // Each box's text goes to its own column, bound as a parameter.
    const QVariantList texts{Text2->text(), Text3->text(), Text4->text(), text5->text(),
                             Text6->text(), Text7->text(), Text8->text()};
    qint64 saved = 0;
    try {
        saved = insert ? insert_row(texts) : update_row(texts);
    } catch (const DbError& e) {
        // Nothing was written: the texts stay in their boxes to try again.
        report_refusal(this, QStringLiteral("The record was not saved."), e);
        return;
    }
    txt_lock();
    modyul::rs().requery();
    cmdsave->setEnabled(false);
    cmdedit->setEnabled(true);
    cmdadd->setEnabled(true);
    if (insert)
        cmdadd->setText(kAdd);
    nav_unlock();
    browse_unlock();
    DataGrid1->Refresh();
    cmddel->setEnabled(true);
    show_key(saved);
}

void Form1::show_key(qint64 cusnum)
{
    RecordSet& rs = modyul::rs();
    const QVariant rowid = modyul::cn().scalar(QStringLiteral("SELECT rowid FROM dept WHERE cusnum = ?"), {cusnum});
    if (!rowid.isNull())
        if (const auto position = rs.find(rowid.toLongLong()))
            rs.moveTo(*position);
    show_rec();
}

// ---- Delete ----

void Form1::cmddel_Click()
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Comfirm Delete?"),
                    QStringLiteral("Do you really want to delete this record?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes)
        return;
    RecordSet& rs = modyul::rs();
    if (rs.bof() || rs.eof())
        return;
    const QVariant rowKey = rs.field(0);
    try {
        if (modyul::cn().execute(QStringLiteral("Delete from dept where cusnum = ?"), {rowKey}) == 0)
            report_notice(this, QStringLiteral("Another program deleted this record already."));
    } catch (const DbError& e) {
        report_refusal(this, QStringLiteral("The record was not deleted."), e);
        return;
    }
    rs.requery();
    show_rec();
}
