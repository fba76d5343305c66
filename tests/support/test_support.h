#pragma once

#include "data/customer_list.h"
#include "support/await.h"
#include "data/database.h"
#include "form/form1.h"

#include <QAccessible>
#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

struct sqlite3;

namespace test {

using Row = QVector<QVariant>;  // the ten columns of dept

// A row with the given key and texts; the two numbers are 0. Pass a null
// QVariant for a NULL column.
Row row(qint64 key, QVariant first, QVariant last, QVariant address = "addr", QVariant email = "e@x",
        QVariant phone = "555", QVariant credit = "100", QVariant dept = "Sales");

// The columns of a row as texts, NULL as "NULL", for readable comparisons.
QStringList as_texts(const Row& r);

// Debian's own reader of Access files: the tables mdb-tables lists, and
// the rows mdb-export prints of one (header line first), each field as
// text; NULL and "" both print as an empty field.
QStringList mdb_tables(const QString& path);
QList<QStringList> mdb_export(const QString& path, const QString& table);

// The engine the tests run on: SQLite files, or PostgreSQL when the
// environment variable TALLYHOUSE_TEST_ENGINE is "postgresql" (then a
// throwaway server of this test process holds the databases).
bool on_server();
// Skips the test where it checks what only a file has.
#define SKIP_ON_SERVER(why)                  \
    do {                                     \
        if (test::on_server())               \
            QSKIP("only for a file: " why); \
    } while (false)

// Every row of dept, or those a WHERE clause leaves, in key order.
QVector<Row> dept_rows(Database& db, const QString& where = {});

using ::await;

// A temporary database with table dept and the given rows: db40.mdb in a
// temporary program directory, whose name may hold spaces and non-ASCII
// letters, or a new database on the test server.
class TempDb {
public:
    explicit TempDb(const QVector<Row>& rows = {}, const QString& dirName = QStringLiteral("program dir"));
    // The sample customers the program ships with.
    static QVector<Row> sample();

    // What the program opens: the file's path or the server database's URL.
    QString target() const { return target_; }
    QString dir() const { return dir_; }
    QString path() const { return dir_ + QStringLiteral("/db40.mdb"); }
    // A database that does not exist yet, of the same engine: a file path
    // in the same folder, or a new server database without tables.
    QString newTarget() const;

    // Reads and changes the file through a second connection, as another
    // program would.
    QVector<Row> rows(const QString& where = {}) const;
    qint64 count() const;
    void exec(const QString& sql, const QVariantList& params = {}) const;
    QString integrity() const;  // PRAGMA integrity_check

    ~TempDb();

private:
    // Runs fn on a second connection, as another program would.
    template <class Fn>
    auto other(Fn fn) const;

    QTemporaryDir tmp_;
    QString dir_;
    QString target_;
    mutable std::unique_ptr<Database> other_;  // kept for a server database
};

// Takes the history of dept (its table and triggers) out of a database,
// which is then as a database made before the history was kept.
void drop_history(Database& db);

// Another program holding a lock on the database file while it lives:
// Immediate lets others read but not write, Exclusive lets them do neither,
// Reading lets them write but not commit.
class DbLock {
public:
    enum Kind { Immediate, Exclusive, Reading };
    DbLock(const TempDb& db, Kind kind);
    ~DbLock();
    DbLock(const DbLock&) = delete;
    DbLock& operator=(const DbLock&) = delete;

private:
    sqlite3* handle_ = nullptr;
};

// Takes the write permission off the database file, so that the window
// opens it read-only.
void make_read_only(const TempDb& db);

// The real main window on a database: its customer list is made for the
// program directory, Form_Load runs (a DbError when it fails) and the
// window is shown and active. A file
// without write permission stays read-only for the program also where the
// permission does not bind (tests running as root): the program's
// connection is then switched to query_only, which refuses writes with
// SQLite's same "readonly database" error.
class Window {
public:
    explicit Window(const TempDb& db);
    // The window on a database: a file path or a server URL.
    explicit Window(const QString& target);
    ~Window();
    Form1& operator*() { return *form_; }
    Form1* operator->() { return form_.get(); }
    Form1* get() { return form_.get(); }
    // The window's customer list, its record set and its connection.
    CustomerList& list() { return *list_; }
    RecordSet& rs() { return list_->records(); }
    Connection& cn() { return list_->connection(); }
    // Runs work(Database&) on the window's connection, and waits for it.
    template <class Work>
    auto ask(Work work)
    {
        return await(cn().ask(std::move(work)));
    }

    // Statuses with which the form asked the program to end.
    QList<int> ended;

    // The texts of Text1 to Text8 in display order.
    QStringList boxes() const;
    // The names of the enabled buttons among cmdfirst, cmdprev, cmdnext,
    // cmdlast, cmdadd, cmdedit, cmddel, cmdexit, cmdsave, in that order.
    QStringList enabledButtons() const;
    // The texts of one column in the rows the grid shows, top to bottom
    // (every row when they all fit on screen).
    QStringList gridColumn(int column) const;
    // Clicks a cell of this row of the grid's screenful, as the user
    // chooses a row, and waits until the window has answered.
    void clickGridRow(int row);
    // The grid's current row and the row number in Text1 agree.
    bool gridAgreesWithBoxes() const;

    // Presses Alt with an access key once the window has the keyboard (a
    // message box may just have closed), and waits until the window has
    // answered.
    void alt(Qt::Key key);
    // The same for any key with modifiers (Ctrl+Z).
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers);
    // Waits until the window has answered what the test did (wait_idle).
    // The accessors above wait so before they look.
    void settle() const;

    // The window state on one line: the nine buttons in the order Add,
    // Edit, Save, Delete, Exit, First, Previous, Next, Last, each its name
    // when enabled and "-" when not; Add's caption; whether the record
    // boxes are editable; whether the grid and the filter take input. The
    // browse state reads
    // "add edit - del exit first prev next last | &Add | read-only | grid filter".
    QString state() const;

private:
    std::unique_ptr<CustomerList> list_;
    std::unique_ptr<Form1> form_;
};

// The states of the window as Window::state() reads them.
namespace state {
inline const QString browse = QStringLiteral("add edit - del exit first prev next last | &Add | read-only | grid filter");
inline const QString adding = QStringLiteral("add - save - exit - - - - | &Cancel | editable | -");
inline const QString editing = QStringLiteral("- - save - exit - - - - | &Add | editable | -");
// No row left in the whole table: Add and Exit only.
inline const QString empty = QStringLiteral("add - - - exit - - - - | &Add | read-only | grid filter");
}  // namespace state

// Answers the next message box that opens with this button, and records
// its title and text. Used around a call that opens a modal box.
struct MessageBoxAnswer {
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QStringList buttonTexts;  // as shown, in the box's order
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QAccessible::Role role = QAccessible::NoRole;  // as screen readers are told
    bool seen = false;
};
// Several answers armed at once take the boxes in turn. The window behind
// the box gets the keyboard back soon after the answer: wait for it to be
// active before the next key stroke.
std::shared_ptr<MessageBoxAnswer> answer_next_message_box(QMessageBox::StandardButton button);

// While it lives, answers every message box that no answer took within
// half a second with its first button and records the box's text; a test
// checks that none opened.
class MessageBoxWatch {
public:
    MessageBoxWatch();
    QStringList seen;

private:
    QTimer timer_;
    QPointer<QMessageBox> box_;  // the box open at the last look
    QElapsedTimer open_;         // since when
};

// Waits, taking events, until the window has no question to the database
// out and nothing waiting for one (Form1::idle): a click or key that came
// while a question was out runs once it is answered. False after 30 s.
bool wait_idle(Form1& form);

// Makes the window wait at most ms for another program's lock.
void set_lock_wait(Window& w, int ms);

// Types text into a widget key by key, as a user would; letters beyond
// ASCII arrive as the text of a key stroke, as from a keyboard layout. The
// widget gets the keyboard first; in the main window, the test waits until
// the window has answered the keys.
void type(QWidget* w, const QString& text);

}  // namespace test
