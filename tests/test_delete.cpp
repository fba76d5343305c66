// Deleting the current row through the window: the confirmation, which row
// goes, what is shown afterwards, and refused deletes.

#include "support/test_support.h"

#include "data/modyul.h"
#include "ui/datagrid.h"
#include "ui/history_dialogs.h"

#include <QApplication>
#include <QMenu>
#include <QTableView>
#include <QTest>

using namespace test;

namespace {
// What Delete asked: the confirmation, and the box that followed it.
struct Asked {
    std::shared_ptr<MessageBoxAnswer> confirm;
    std::shared_ptr<MessageBoxAnswer> then;
};

// Presses Alt+D, answers the confirmation and, when given, the box that
// follows it, and waits until the window has answered.
Asked delete_current(Window& w, QMessageBox::StandardButton answer,
                     QMessageBox::StandardButton then = QMessageBox::NoButton)
{
    Asked asked{answer_next_message_box(answer), nullptr};
    if (then != QMessageBox::NoButton)
        asked.then = answer_next_message_box(then);
    w.alt(Qt::Key_D);
    const auto& last = asked.then ? asked.then : asked.confirm;
    if (!QTest::qWaitFor([&] { return last->seen; }))
        qWarning("Delete asked less than expected");
    // The delete goes on once the box is answered.
    w.settle();
    return asked;
}

QString stored_fname(const TempDb& db, const QString& key)
{
    return db.rows(QStringLiteral("WHERE cusnum = %1").arg(key)).value(0).value(1).toString();
}

QStringList keys(const TempDb& db)
{
    QStringList out;
    for (const Row& r : db.rows())
        out << r.value(0).toString();
    return out;
}

// Opens the grid's menu with the Menu key, chooses the entry by its
// access key, and returns the dialog of this kind that it opened (waiting
// for it).
template <class Dialog>
Dialog* open_from_menu(Window& w, QAction* entry, Qt::Key accessKey)
{
    // The window has the keyboard back once a box over it has closed.
    w.settle();
    if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == w.get(); }))
        return nullptr;
    w->DataGrid1->setFocus();
    QTest::keyClick(w->DataGrid1, Qt::Key_Menu);
    QMenu* menu = w->transferMenu()->menu();
    if (!QTest::qWaitFor([&] { return menu->isVisible(); }) || !entry->isEnabled())
        return nullptr;
    QTest::keyClick(menu, accessKey);
    // A dialog closed before may be there still, hidden, until deleted.
    Dialog* dialog = nullptr;
    const bool opened = QTest::qWaitFor([&] {
        for (Dialog* d : w->findChildren<Dialog*>())
            if (d->isVisible())
                dialog = d;
        return dialog != nullptr;
    });
    return opened ? dialog : nullptr;
}

// Presses a key in a dialog's table (Enter acts, Escape closes), gives
// the window the keyboard back as a desktop does once the dialog has
// closed (the headless platform does not), and waits until the window has
// answered.
void press_in(Window& w, VersionsDialog* dialog, Qt::Key key)
{
    QTest::keyClick(dialog->table(), key);
    if (!QTest::qWaitFor([&] { return !dialog->isVisible(); }))
        return;
    if (!QApplication::activeModalWidget())
        QApplication::setActiveWindow(w.get());
    w.settle();
}

// A cell of a dialog's table.
QModelIndex cell(QTableView* table, int row, int column)
{
    return table->model()->index(row, column);
}

bool bold(QTableView* table, int row, int column)
{
    return cell(table, row, column).data(Qt::FontRole).value<QFont>().bold();
}

// The texts of a row of a dialog's table.
QStringList table_row(QTableView* table, int row)
{
    QStringList out;
    for (int column = 0; column < table->model()->columnCount(); ++column)
        out << cell(table, row, column).data().toString();
    return out;
}

// Replaces a box's text by typing, as a user would.
void retype(QLineEdit* box, const QString& text)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    type(box, text);
}

// The lockout after the last row a filter keeps is gone: Add waits for
// the filter to change; Exit always stays.
const QString kNoMatch = QStringLiteral("- - - - exit - - - - | &Add | read-only | grid filter");
}  // namespace

class DeleteTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        const QStringList seen = std::exchange(boxes_.seen, {});
        QVERIFY2(seen.isEmpty(), qPrintable(QStringLiteral("unexpected message box: ") + seen.join(u'\n')));
    }

    void confirmationAnsweredNoChangesNothing();
    void yesRemovesExactlyThatRowAndShowsTheFirst();
    void withAFilterTheFirstMatchingRowIsShown();
    void deletingTheLastRowLeavesBlankBoxesAndTheLockout();
    void deletingTheLastMatchingRowLocksUntilTheFilterChanges();
    void rowAnotherProgramRemovedIsReported();
    void lockedDeleteIsRefusedThenRetried_data();
    void lockedDeleteIsRefusedThenRetried();
    void readOnlyDeleteIsRefused();
    void ctrlZBringsTheDeletedCustomerBackUnderItsKey();
    void historyBringsBackADeletedCustomerAndRestoresAVersion();

private:
    MessageBoxWatch boxes_;
};

void DeleteTest::confirmationAnsweredNoChangesNothing()
{
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    const QStringList shown = w.boxes();

    auto confirm = delete_current(w, QMessageBox::No).confirm;
    QCOMPARE(confirm->title, QStringLiteral("Comfirm Delete?"));
    QCOMPARE(confirm->text, QStringLiteral("Do you really want to delete this record?"));
    QCOMPARE(confirm->buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(confirm->defaultButton, QMessageBox::Yes);

    QVERIFY(db.rows() == before);
    QCOMPARE(w.boxes(), shown);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(w.rs().position(), qint64(2));
    QVERIFY(w.gridAgreesWithBoxes());
}

void DeleteTest::yesRemovesExactlyThatRowAndShowsTheFirst()
{
    // Keys that share digits: only the equal key goes.
    TempDb db({row(1, "One", "A"), row(10, "Ten", "B"), row(11, "Eleven", "C"), row(100, "Hundred", "D")});
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w->Text1->text(), QStringLiteral("10"));

    delete_current(w, QMessageBox::Yes);
    QCOMPARE(keys(db), (QStringList{"1", "11", "100"}));
    QCOMPARE(w.boxes().mid(0, 2), (QStringList{"1", "One"}));
    QCOMPARE(w->DataGrid1->listedRows(), qint64(3));
    QCOMPARE(w.rs().position(), qint64(0));
    QVERIFY(w.gridAgreesWithBoxes());
    QCOMPARE(w.state(), state::browse);

    QTest::mouseClick(w->cmdfirst, Qt::LeftButton);
    delete_current(w, QMessageBox::Yes);
    QCOMPARE(keys(db), (QStringList{"11", "100"}));
    QCOMPARE(w.boxes().mid(0, 2), (QStringList{"11", "Eleven"}));
}

void DeleteTest::withAFilterTheFirstMatchingRowIsShown()
{
    TempDb db(TempDb::sample());
    Window w(db);
    type(w->Text9, "Mar");  // Maria, Mark, Marta, Martin
    QCOMPARE(w->DataGrid1->listedRows(), qint64(4));
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w.boxes().value(1), QStringLiteral("Mark"));

    delete_current(w, QMessageBox::Yes);
    QCOMPARE(keys(db), (QStringList{"1", "3", "4", "5", "6", "7"}));
    QCOMPARE(w.boxes().mid(0, 2), (QStringList{"1", "Maria"}));
    QCOMPARE(w->DataGrid1->listedRows(), qint64(3));
    QCOMPARE(w.state(), state::browse);
}

void DeleteTest::deletingTheLastRowLeavesBlankBoxesAndTheLockout()
{
    TempDb db({row(5, "Only", "Row")});
    Window w(db);
    delete_current(w, QMessageBox::Yes);
    QCOMPARE(db.count(), 0);
    QCOMPARE(w.boxes(), QStringList(8, QString()));
    QCOMPARE(w.state(), state::empty);
    QCOMPARE(w->DataGrid1->listedRows(), qint64(0));
    QVERIFY(w.ended.isEmpty());

    // Add fills the empty table again.
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    type(w->Text2, "Next");
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(keys(db), QStringList{"1"});
}

void DeleteTest::deletingTheLastMatchingRowLocksUntilTheFilterChanges()
{
    TempDb db(TempDb::sample());
    Window w(db);
    type(w->Text9, "Ell");
    QCOMPARE(w.boxes().value(1), QStringLiteral("Ellen"));
    delete_current(w, QMessageBox::Yes);
    QCOMPARE(db.count(), 6);
    QCOMPARE(w.boxes(), QStringList(8, QString()));
    QCOMPARE(w.state(), kNoMatch);
    QVERIFY(w.ended.isEmpty());

    QTest::keyClick(w->Text9, Qt::Key_Backspace);
    QTest::keyClick(w->Text9, Qt::Key_Backspace);
    QTest::keyClick(w->Text9, Qt::Key_Backspace);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(w.boxes().value(1), QStringLiteral("Maria"));
}

void DeleteTest::rowAnotherProgramRemovedIsReported()
{
    TempDb db(TempDb::sample());
    Window w(db);
    db.exec("DELETE FROM dept WHERE cusnum = 1");
    auto notice = delete_current(w, QMessageBox::Yes, QMessageBox::Ok).then;
    QTRY_VERIFY(notice->seen);
    QVERIFY2(notice->text.contains("deleted"), qPrintable(notice->text));
    QCOMPARE(db.count(), 6);
    QCOMPARE(w.boxes().mid(0, 2), (QStringList{"2", "Mark"}));
    QCOMPARE(w.state(), state::browse);
}

void DeleteTest::lockedDeleteIsRefusedThenRetried_data()
{
    QTest::addColumn<DbLock::Kind>("kind");
    QTest::newRow("write lock") << DbLock::Immediate;
    QTest::newRow("exclusive lock") << DbLock::Exclusive;
    QTest::newRow("another program reading") << DbLock::Reading;
}

void DeleteTest::lockedDeleteIsRefusedThenRetried()
{
    SKIP_ON_SERVER("another program's lock on the file");
    QFETCH(DbLock::Kind, kind);
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    set_lock_wait(w, 200);  // keeps this test short
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    const QStringList shown = w.boxes();

    auto lock = std::make_unique<DbLock>(db, kind);
    auto refusal = delete_current(w, QMessageBox::Yes, QMessageBox::Ok).then;
    QTRY_VERIFY(refusal->seen);
    QVERIFY2(refusal->text.contains("not deleted") && refusal->text.contains("locked"), qPrintable(refusal->text));
    QCOMPARE(w.boxes(), shown);
    QCOMPARE(w.state(), state::browse);
    QVERIFY(w.ended.isEmpty());
    lock.reset();
    QVERIFY(db.rows() == before);
    QCOMPARE(db.integrity(), QStringLiteral("ok"));

    delete_current(w, QMessageBox::Yes);
    QCOMPARE(keys(db), (QStringList{"1", "3", "4", "5", "6", "7"}));
    QCOMPARE(w.boxes().value(0), QStringLiteral("1"));
}

void DeleteTest::readOnlyDeleteIsRefused()
{
    SKIP_ON_SERVER("a read-only file");
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    make_read_only(db);
    Window w(db);
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    const QStringList shown = w.boxes();

    auto refusal = delete_current(w, QMessageBox::Yes, QMessageBox::Ok).then;
    QTRY_VERIFY(refusal->seen);
    QVERIFY2(refusal->text.contains("readonly") || refusal->text.contains("read-only"), qPrintable(refusal->text));
    QCOMPARE(w.boxes(), shown);
    QCOMPARE(w.state(), state::browse);
    QVERIFY(w.ended.isEmpty());
    QVERIFY(db.rows() == before);
}

void DeleteTest::ctrlZBringsTheDeletedCustomerBackUnderItsKey()
{
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    const QStringList shown = w.boxes();
    delete_current(w, QMessageBox::Yes);
    QCOMPARE(db.count(), 6);
    QVERIFY2(w->lblposition->text().contains(QStringLiteral("Deleted customer %1, %2 %3: Ctrl+Z brings it back.").arg(shown[0], shown[1], shown[2])),
             qPrintable(w->lblposition->text()));

    // Every column as it was, under its own key, and current again.
    w.press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(db.rows() == before);
    QCOMPARE(w.boxes(), shown);
    QVERIFY(w.gridAgreesWithBoxes());
    QCOMPARE(w.state(), state::browse);

    // Done again, and undone again; nothing more to do again.
    w.press(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(db.count(), 6);
    w.press(Qt::Key_Z, Qt::ControlModifier);
    w.press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    w.press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(db.count(), 6);
    w.press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(db.rows() == before);

    // Another program took the key meanwhile: told, and nothing changed.
    delete_current(w, QMessageBox::Yes);
    db.exec(QStringLiteral("INSERT INTO dept (cusnum, Fname) VALUES (%1, 'Other')").arg(shown[0]));
    const auto taken = answer_next_message_box(QMessageBox::Ok);
    w.press(Qt::Key_Z, Qt::ControlModifier);
    QTRY_VERIFY(taken->seen);
    QVERIFY2(taken->text.contains(QStringLiteral("under the number %1").arg(shown[0])), qPrintable(taken->text));
    QCOMPARE(stored_fname(db, shown[0]), QStringLiteral("Other"));
}

void DeleteTest::historyBringsBackADeletedCustomerAndRestoresAVersion()
{
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    const QStringList shown = w.boxes();
    const QString where = QStringLiteral("WHERE cusnum = %1").arg(shown[0]);
    const Row original = db.rows(where).value(0);
    delete_current(w, QMessageBox::Yes);
    QCOMPARE(db.count(), 6);
    QVERIFY(w.boxes() != shown);

    // The deleted customer is listed first, with when and by whom; Enter
    // brings it back under its own number, every text as it was, current.
    auto* deleted = open_from_menu<DeletedCustomersDialog>(w, w->transferMenu()->deletedCustomers, Qt::Key_D);
    QVERIFY(deleted);
    QVERIFY(!deleted->accessibleName().isEmpty());
    QVERIFY(!deleted->table()->accessibleName().isEmpty());
    QCOMPARE(deleted->table()->model()->rowCount(), 1);
    const QStringList listed = table_row(deleted->table(), 0);
    QCOMPARE(listed.mid(0, 3), shown.mid(0, 3));
    QVERIFY(!listed[3].isEmpty() && !listed[4].isEmpty());
    QVERIFY(deleted->actButton()->isEnabled());
    press_in(w, deleted, Qt::Key_Return);
    QVERIFY(db.rows() == before);
    QCOMPARE(w.boxes(), shown);
    QVERIFY(w.gridAgreesWithBoxes());
    QCOMPARE(w.state(), state::browse);

    // An edit, then its history: the edit first, its changed field marked
    // for eyes and for screen readers, then the customer brought back.
    w.alt(Qt::Key_E);
    retype(w->Text2, QStringLiteral("Edited"));
    w.alt(Qt::Key_S);
    QCOMPARE(db.rows(where).value(0).value(1).toString(), QStringLiteral("Edited"));
    auto* history = open_from_menu<CustomerHistoryDialog>(w, w->transferMenu()->customerHistory, Qt::Key_H);
    QVERIFY(history);
    QTableView* versions = history->table();
    QVERIFY(versions->model()->rowCount() >= 3);
    QCOMPARE(history->versions()[0].kind, CustomerVersion::Kind::Update);
    QCOMPARE(history->versions()[1].kind, CustomerVersion::Kind::Insert);
    QCOMPARE(history->versions()[2].kind, CustomerVersion::Kind::Delete);
    QCOMPARE(cell(versions, 0, 3).data().toString(), QStringLiteral("Edited"));
    QVERIFY(bold(versions, 0, 3));
    QVERIFY(cell(versions, 0, 3).data(Qt::AccessibleTextRole).toString().contains(QStringLiteral("changed")));
    QVERIFY(!bold(versions, 0, 4));
    QVERIFY(!bold(versions, 1, 3));
    // The newest version is what the customer holds: nothing to restore.
    QVERIFY(!history->actButton()->isEnabled());
    QTest::keyClick(versions, Qt::Key_Down);
    QVERIFY(history->actButton()->isEnabled());
    press_in(w, history, Qt::Key_Return);
    QVERIFY(db.rows(where).value(0) == original);
    QCOMPARE(w.boxes(), shown);
    QVERIFY(w.gridAgreesWithBoxes());

    // Ctrl+Z undoes the restore, and then the edit.
    w.press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(db.rows(where).value(0).value(1).toString(), QStringLiteral("Edited"));
    QCOMPARE(w.boxes()[1], QStringLiteral("Edited"));
    w.press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(db.rows() == before);

    // Another program changes the customer while its history is open:
    // restoring a version is refused and told, and its change stays.
    history = open_from_menu<CustomerHistoryDialog>(w, w->transferMenu()->customerHistory, Qt::Key_H);
    QVERIFY(history);
    db.exec(QStringLiteral("UPDATE dept SET Fname = 'Other' ") + where);
    const auto told = answer_next_message_box(QMessageBox::Ok);
    QTest::keyClick(history->table(), Qt::Key_Down);
    press_in(w, history, Qt::Key_Return);
    QTRY_VERIFY(told->seen);
    w.settle();
    QVERIFY2(told->text.contains(QStringLiteral("Another program changed")), qPrintable(told->text));
    QCOMPARE(db.rows(where).value(0).value(1).toString(), QStringLiteral("Other"));
    QCOMPARE(w.boxes()[1], QStringLiteral("Other"));

    // Escape closes the history, and the window goes on.
    history = open_from_menu<CustomerHistoryDialog>(w, w->transferMenu()->customerHistory, Qt::Key_H);
    QVERIFY(history);
    press_in(w, history, Qt::Key_Escape);
    QCOMPARE(w.state(), state::browse);

    // A long history comes a page at a time as the user scrolls to its
    // end: every version once, the newest first, none skipped where one
    // page meets the next.
    constexpr int kChanges = 250;
    for (int i = 0; i < kChanges; ++i)
        db.exec(QStringLiteral("UPDATE dept SET Lname = 'v%1' ").arg(i) + where);
    history = open_from_menu<CustomerHistoryDialog>(w, w->transferMenu()->customerHistory, Qt::Key_H);
    QVERIFY(history);
    QVERIFY(!history->lastPageIn());
    while (!history->lastPageIn()) {
        const int shown = history->table()->model()->rowCount();
        QTest::keyClick(history->table(), Qt::Key_End, Qt::ControlModifier);
        QTRY_VERIFY(history->table()->model()->rowCount() > shown);
    }
    const auto& all = history->versions();
    QCOMPARE(history->table()->model()->rowCount(), all.size());
    for (int i = 0; i < kChanges; ++i)
        QCOMPARE(all[i].after->lname, QStringLiteral("v%1").arg(kChanges - 1 - i));
    for (qsizetype i = 1; i < all.size(); ++i)
        QVERIFY(all[i].id < all[i - 1].id);
    QCOMPARE(all.last().kind, CustomerVersion::Kind::Insert);
    press_in(w, history, Qt::Key_Escape);
}

QTEST_MAIN(DeleteTest)
#include "test_delete.moc"
