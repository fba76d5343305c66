#pragma once

#include "data/customer_list.h"
#include "ui/form1_controls.h"
#include "ui/input_gate.h"
#include "ui/print_dialogs.h"
#include "ui/transfer.h"

#include <QApplication>
#include <QCoro/QCoroTask>
#include <functional>
#include <optional>

class QCloseEvent;
class QPrinter;
class QUndoStack;

// The behaviour of the main window: its event handlers and procedures.
// Everything runs on the one user-interface thread. A handler that needs
// the database or the user's answer to a box awaits it (co_await) and goes
// on once it is in; meanwhile the window paints and answers, and the
// user's next keys and clicks wait for it (InputGate), so that each means
// what the user meant.
class Form1 : public Form1Controls {
    Q_OBJECT
public:
    // The window on the program's customer list, which outlives it.
    explicit Form1(CustomerList& list, QWidget* parent = nullptr);
    // Ends what is out first: its handlers go on to their end while the
    // window is still whole.
    ~Form1() override;

    // Form variables of the add/edit workflow.
    QString key;  // the key of the row being edited, taken at Edit
    // The key of the new row: read at Add, the one taken at Save; none
    // when it could not be read at Add, and Save reads it then.
    std::optional<qint64> deptID;

    // Start-up: opens the database and shows the first row. A DbError when
    // the database cannot be used; the window must not be shown then.
    QCoro::Task<> Form_Load();

    // Record display.
    void show_rec();
    void clear_txt();
    void txt_lock();
    void txt_unlock();
    // Button groups.
    void ctrl_lock();
    void ctrl_unlock();

    // Event handlers.
    QCoro::Task<> cmdfirst_Click();
    QCoro::Task<> cmdprev_Click();
    QCoro::Task<> cmdnext_Click();
    QCoro::Task<> cmdlast_Click();
    QCoro::Task<> DataGrid1_RowColChange(qint64 position);
    QCoro::Task<> cmdadd_Click();
    void cmdedit_Click();
    QCoro::Task<> cmdsave_Click();
    QCoro::Task<> cmddel_Click();
    void cmdexit_Click();
    QCoro::Task<> Text9_Change();
    // A heading clicked, or the heading's menu: the list sorted by the
    // grid's column section (-1: its own order), the customer shown kept.
    QCoro::Task<> sort_Click(int section, bool descending);
    QCoro::Task<> fname_Click();
    QCoro::Task<> lname_Click();
    void text5_Change();

    // Customers in and out, from the grid's menu and keys while browsing
    // (form1_transfer.cpp): every listed customer to a CSV file, the
    // current one to the clipboard, the customers of a CSV file added.
    QCoro::Task<> export_Click();
    void copy_Click();
    QCoro::Task<> import_Click();
    TransferMenu* transferMenu() const { return transfer_; }

    // The history, from the grid's menu (form1_history.cpp): the deleted
    // customers, one of which can be brought back under its own number,
    // and every version of the current customer, one of which can be saved
    // over it. Each is a step that Ctrl+Z undoes.
    QCoro::Task<> deleted_Click();
    QCoro::Task<> history_Click();

    // Printing, from the grid's menu and Ctrl+P while browsing
    // (form1_print.cpp): the listed customers, in list order, as a list or
    // as address labels, laid out on the connection's thread as they are
    // read, to a printer or a PDF file written whole or not at all; the
    // current customer as a card; a preview of the list's first pages.
    QCoro::Task<> print_Click(Printout what);
    QCoro::Task<> preview_Click();

    // True when nothing is out (no question to the database, no box
    // awaiting an answer) and no key or click waits.
    bool idle() const;
    // Asks for the CSV file to write or read: the file dialog, unless
    // replaced (tests answer it themselves).
    std::function<QCoro::Task<QString>(CsvFileUse)> ask_csv_file_name;
    // Asks for the printer or the PDF file, and the label sheet: the print
    // dialog, unless replaced (tests answer it themselves). false when the
    // user cancels.
    std::function<QCoro::Task<bool>(QPrinter&, Printout, print::LabelSheet&)> ask_print;

signals:
    // The program is to end with this exit status.
    void ended(int status);

protected:
    // Form_Unload: the window refuses to close; Exit is the way out.
    void closeEvent(QCloseEvent* event) override;

private:
    // Browsing, or an add or an edit in progress: while one is, nothing
    // may replace the texts being typed.
    enum class Mode { Browse, Add, Edit };

    void nav_lock();
    void nav_unlock();
    void browse_lock();
    void browse_unlock();
    void show_row(const CustomerRow& row);
    void write_box(QLineEdit* box, const QString& text);
    // The customer as the record boxes hold it now.
    CustomerRow typed_row() const;

    // Sees a handler, just begun, to its end; the user's next keys and
    // clicks wait for it. An error it does not trap is reported and ends
    // the program; another program's lock or a lost server only tells the
    // user.
    void handle(QCoro::Task<> started);
    // The same for a handler that only reads the list (the filter): typing
    // into the filter goes on meanwhile, and gives its read up.
    void read(QCoro::Task<> started);
    QCoro::Task<> finish(QCoro::Task<> handler, bool held);
    // Awaits a move: a failing one ends the handler silently (false),
    // unless another program's lock or a lost server caused it.
    QCoro::Task<bool> trap(QCoro::Task<> move);
    // An error no handler traps: told, and the program ends unless it
    // passes; then the user is told next, what happens now.
    QCoro::Task<> failed(const DbError& error, const QString& next);
    // A change was made (done), but the list could not be read again.
    QCoro::Task<> unlisted(const QString& done, const DbError& error);
    // What the input gate must wait for now.
    InputGate::Wait waiting() const;
    // Sets up the grid's menu of customers in and out, and its entries of
    // the history.
    void setup_transfer();
    void setup_history();
    void setup_print();
    // What an export, an import or a print tells of its progress reaches
    // the dialog as an event; a cancel in the dialog reaches the work at
    // its next step.
    static std::shared_ptr<CustomerList::Progress> progress_of(TransferProgress* dialog);
    // Runs work on the listed customers (CustomerList::read_listed): the
    // error that kept them from being read, if any.
    QCoro::Task<std::optional<DbError>> read_for_print(std::function<void(CustomerTable&, const RowSource&)> work);
    // Tells why nothing was printed, unless the print was given up.
    QCoro::Task<> not_printed(DbError error);
    QCoro::Task<> not_printed(QString why);
    // Prints the listed customers on printer, as the list or as labels.
    QCoro::Task<> print_listed(std::shared_ptr<QPrinter> printer, Printout what,
                               std::shared_ptr<const print::ListLayout> layout, print::LabelSheet sheet);
    // Writes the line under the grid from the mode and the record set.
    void show_position();
    // Shows the list's sort in the grid's headings and the line under it.
    void show_sort();

    // Undo and Redo (form1_undo.cpp): the keys, a change just made as a
    // step, and a step undone (or done again) in the database.
    void setup_undo();
    void record_step(std::optional<CustomerRow> before, std::optional<CustomerRow> after);
    // The customer as messages name it: its number and name.
    static QString named(const CustomerRow& row);
    // An import of the file named, as one step.
    void record_import(const QString& file, const CustomerTable::Added& added);
    QCoro::Task<> step(bool undoing);
    QCoro::Task<> step_import(bool undoing, CustomerTable::Added& added);
    // Awaits a change of the list under the busy cursor: its outcome, or
    // none when it failed (told, unless given up; nothing was written).
    QCoro::Task<std::optional<CustomerList::Change>> attempt(QCoro::Task<CustomerList::Change> change, QString nothing);
    // Shows the list after a change, or says why it could not be read
    // again (done: what was done).
    QCoro::Task<> show_changed(const CustomerList::Change& change, QString done);

    // The busy cursor while a change is out.
    class ChangeOut {
    public:
        ChangeOut() { QApplication::setOverrideCursor(Qt::BusyCursor); }
        ~ChangeOut() { QApplication::restoreOverrideCursor(); }
        ChangeOut(const ChangeOut&) = delete;
        ChangeOut& operator=(const ChangeOut&) = delete;
    };

    CustomerList& list;
    RecordSet& rs;

    Mode mode_ = Mode::Browse;
    std::optional<CustomerRow> shown_;   // the customer the boxes show
    std::optional<CustomerRow> edited_;  // the customer as shown when Edit was clicked
    int holds_ = 0;                      // handlers out that the user's input waits for
    // The new row's key, while Add's read of it is out.
    std::optional<QCoro::Task<std::optional<qint64>>> keyRead_;
    InputGate* gate_ = nullptr;
    TransferMenu* transfer_ = nullptr;
    QUndoStack* undo_ = nullptr;
    QString note_;  // after the line under the grid: the customer just deleted
};
