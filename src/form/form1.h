#pragma once

#include "ui/form1_controls.h"

#include <QVariant>

class QCloseEvent;

// The behaviour of the main window: its event handlers and procedures.
// Every handler runs to completion on the one user-interface thread.
class Form1 : public Form1Controls {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    // Form variables of the add/edit workflow.
    QString key;       // the key of the row being edited, taken at Edit
    qint64 deptID = 0; // the key of the row being added

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

signals:
    // The program is to end with this exit status.
    void ended(int status);

protected:
    // Form_Unload: the window refuses to close; Exit is the way out.
    void closeEvent(QCloseEvent* event) override;

private:
    void nav_lock();
    void nav_unlock();
    void write_box(QLineEdit* box, const QString& text);
    // While an add or edit is in progress nothing may replace the texts
    // being typed: the grid, the filter and its options are locked.
    void browse_lock();
    void browse_unlock();
    bool editing() const;
    qint64 insert_row(const QVariantList& texts);
    qint64 update_row(const QVariantList& texts);
    // Makes the row with this customer number current, or leaves the
    // first row current when the record set does not hold it, and shows it.
    void show_key(qint64 cusnum);

    // Runs a handler; an error it does not trap is reported and ends the program.
    template <class Handler>
    void run(Handler handler);
    // Runs a navigation handler: a failing step ends it silently.
    template <class Handler>
    void trap(Handler handler);

    QVariantList original_;  // the row as shown when Edit was clicked
};
