#pragma once

#include "data/modyul.h"
#include "ui/form1_controls.h"
#include "ui/transfer.h"

#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

class QCloseEvent;

// The behaviour of the main window: its event handlers and procedures.
// Every handler runs to completion on the one user-interface thread.
class Form1 : public Form1Controls {
    Q_OBJECT
public:
    // The window on the program's data objects, which outlive it.
    explicit Form1(modyul::Data& data, QWidget* parent = nullptr);

    // Form variables of the add/edit workflow.
    QString key;        // the key of the row being edited, taken at Edit
    // The key of the new row: read at Add, the one taken at Save; none
    // when it could not be read at Add, and Save reads it then.
    std::optional<qint64> deptID;

    // Start-up: opens the database and shows the first row. A DbError when
    // the database cannot be used; the window must not be shown then.
    void Form_Load();

    // Record display.
    void show_rec();
    void clear_txt();
    void txt_lock();
    void txt_unlock();
    // Button groups.
    void ctrl_lock();
    void ctrl_unlock();

    // Event handlers.
    void cmdfirst_Click();
    void cmdprev_Click();
    void cmdnext_Click();
    void cmdlast_Click();
    void DataGrid1_RowColChange();
    void cmdadd_Click();
    void cmdedit_Click();
    void cmdsave_Click();
    void cmddel_Click();
    void cmdexit_Click();
    void Text9_Change();
    void fname_Click();
    void lname_Click();
    void text5_Change();

    // Customers in and out, from the grid's menu and keys while browsing
    // (form1_transfer.cpp): every listed customer to a CSV file, the
    // current one to the clipboard, the customers of a CSV file added.
    void export_Click();
    void copy_Click();
    void import_Click();
    TransferMenu* transferMenu() const { return transfer_; }

    // True when no question to the database is out and no click or key
    // waits for one to be answered.
    bool idle() const { return !cn.asking() && deferred_.isEmpty(); }
    // Asks for the CSV file to write or read: the file dialog, unless
    // replaced (tests answer it themselves).
    std::function<QString(CsvFileUse)> ask_csv_file_name;

signals:
    // The program is to end with this exit status.
    void ended(int status);

protected:
    // Form_Unload: the window refuses to close; Exit is the way out.
    void closeEvent(QCloseEvent* event) override;

private:
    // Browsing, or an add or an edit in progress, or an export or import.
    // While an add or an edit is in progress nothing may replace the texts
    // being typed; while an import is, nothing else reads the database.
    enum class Mode { Browse, Add, Edit, Transfer };

    void nav_lock();
    void nav_unlock();
    void browse_lock();
    void browse_unlock();
    void show_row(const CustomerRow& row);
    void write_box(QLineEdit* box, const QString& text);
    // The customer as the record boxes hold it now.
    CustomerRow typed_row() const;
    // The customer to show after the list is read again, and the position
    // to show when the list no longer holds it.
    struct Keep {
        qint64 cusnum = 0;
        qint64 near = 0;
    };
    // Makes the kept customer's row current, or the row nearest to where
    // it was when the record set no longer lists it, and shows it.
    void show_key(const Keep& keep);

    // The list read again on the filter box's text, showing the customer
    // to keep (when still listed) or the first row. Until it succeeds the
    // list is behind: another program's lock or a lost server kept it from
    // being read, and it is tried again every second while browsing.
    void read_list(std::optional<Keep> keep = std::nullopt);
    // Runs read (a re-query and what shows its result) after a change.
    // When the list cannot be read now, instead runs, the user is told
    // what was done, and the list is read again as soon as it can be,
    // showing the customer to keep.
    void after_change(const QString& done, std::optional<Keep> keep, const std::function<void()>& read,
                      const std::function<void()>& instead);
    void retry_list();
    // Other programs' changes, shown while browsing: the list is read again
    // and the same customer stays shown.
    void follow_changes();

    // Runs a handler of a control now; but while a question to the
    // database is out, once it is answered (in the order the user acted),
    // if the control still takes input then. A new filter text cancels the
    // list read for an older one, whose answer is no longer wanted.
    void handle(QWidget* from, std::function<void()> handler);
    void run_deferred();
    // Runs a handler; an error it does not trap is reported and ends the
    // program, but another program's lock only makes it tell the user.
    template <class Handler>
    void run(Handler handler);
    // Runs a navigation handler: a failing step ends it silently, unless
    // another program's lock caused it.
    template <class Handler>
    void trap(Handler handler);
    void fail(const DbError& error);
    // Sets up the grid's menu of customers in and out.
    void setup_transfer();
    // Runs an export, a copy or an import in Mode::Transfer; a DbError is
    // reported with what was not done, the program goes on, and it returns
    // false.
    template <class Work>
    bool transfer(const QString& notDone, Work work);
    // Writes the line under the grid from the mode and the record set.
    void show_position();

    modyul::Data& data;
    Connection& cn;
    CustomerTable& table;
    RecordSet& rs;

    Mode mode_ = Mode::Browse;
    std::optional<CustomerRow> shown_;   // the customer the boxes show
    std::optional<CustomerRow> edited_;  // the customer as shown when Edit was clicked
    bool behind_ = false;                // the list does not follow the filter box yet
    bool readingList_ = false;           // the question out reads the list for the filter box
    bool changing_ = false;              // the question out is a Save's or a Delete's change
    struct Deferred {
        QPointer<QWidget> from;
        std::function<void()> handler;
    };
    QList<Deferred> deferred_;  // what the user did while a question was out
    std::optional<Keep> keep_;           // the customer to show once it does
    QTimer retry_;
    QTimer watch_;  // looks for other programs' changes
    TransferMenu* transfer_ = nullptr;
};
