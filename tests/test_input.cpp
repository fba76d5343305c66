// The user's keys and clicks while the window waits for the database: what
// was typed before Save is what is saved and nothing after, every key goes
// where the window showed the keyboard to be, and no key is lost. Keys are
// pressed as a hurried user presses them, without waiting for the window.

#include "support/test_support.h"

#include "support/link_relay.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

using namespace test;

namespace {
// A key pressed where the keyboard is, as a keyboard would send it.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

QVector<Row> many_rows(int n)
{
    QVector<Row> rows;
    for (int i = 1; i <= n; ++i)
        rows << row(i, QStringLiteral("First%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Last%1").arg(i));
    return rows;
}
}  // namespace

class InputTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        const QStringList seen = std::exchange(boxes_.seen, {});
        QVERIFY2(seen.isEmpty(), qPrintable(QStringLiteral("unexpected message box: ") + seen.join(u'\n')));
    }

    void whatWasTypedBeforeSaveIsSavedAndTheKeysAfterItFollow_data();
    void whatWasTypedBeforeSaveIsSavedAndTheKeysAfterItFollow();
    void accessKeysOfDisabledButtonsTypeNothing();
    void escapeDuringTheSaveOfANewCustomerChangesNothing();
    void exitRightAfterAMessageEndsTheProgram();
    void addOrEditPutsTheKeyboardInTheFirstBox_data();
    void addOrEditPutsTheKeyboardInTheFirstBox();
    void fastMovesAreAllMade();
    void fastMovesOverASlowLinkAreAllMade();
    void exitWhileTheServerDoesNotAnswerEndsTheProgram();

private:
    MessageBoxWatch boxes_;
};

void InputTest::whatWasTypedBeforeSaveIsSavedAndTheKeysAfterItFollow_data()
{
    QTest::addColumn<bool>("thenNext");  // Alt+N after Alt+S; else Ctrl+F and "zz"
    QTest::newRow("Alt+S, Alt+N") << true;
    QTest::newRow("Alt+S, Ctrl+F, zz") << false;
}

// Edit, type, Alt+S and the next keys at once: the Save takes what was
// typed before it, and the keys after it do what they say once it is done.
void InputTest::whatWasTypedBeforeSaveIsSavedAndTheKeysAfterItFollow()
{
    QFETCH(bool, thenNext);
    TempDb db(TempDb::sample());
    Window w(db);
    w.alt(Qt::Key_E);
    QCOMPARE(w.state(), state::editing);
    press(Qt::Key_End);
    QTest::keyClicks(QApplication::focusWidget(), "Fast");
    press(Qt::Key_S, Qt::AltModifier);
    if (thenNext) {
        press(Qt::Key_N, Qt::AltModifier);
    } else {
        press(Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "zz");
    }
    w.settle();
    QVERIFY(w->Text2->isReadOnly() && !w->cmdsave->isEnabled());  // the edit is over
    QCOMPARE(db.rows("WHERE cusnum = 1").value(0).value(1).toString(), QStringLiteral("MariaFast"));
    if (thenNext) {
        QCOMPARE(w.boxes().value(0), QStringLiteral("2"));
    } else {
        QCOMPARE(w->Text9->text(), QStringLiteral("zz"));
        QCOMPARE(w->DataGrid1->listedRows(), 0);
    }
}

// In an edit the navigation buttons are disabled: their access keys do
// nothing, and type nothing into the box either.
void InputTest::accessKeysOfDisabledButtonsTypeNothing()
{
    TempDb db(TempDb::sample());
    Window w(db);
    w.alt(Qt::Key_E);
    w->Text2->selectAll();
    QTest::keyClicks(w->Text2, "Abc");
    for (Qt::Key key : {Qt::Key_N, Qt::Key_P, Qt::Key_L, Qt::Key_F})
        press(key, Qt::AltModifier);
    QCOMPARE(w.state(), state::editing);
    QCOMPARE(w->Text2->text(), QStringLiteral("Abc"));
    QCOMPARE(w.boxes().value(0), QStringLiteral("1"));
}

// Escape pressed while a new customer is being saved comes too late to
// cancel it: the customer is saved, and nothing is said.
void InputTest::escapeDuringTheSaveOfANewCustomerChangesNothing()
{
    TempDb db(TempDb::sample());
    Window w(db);
    w.alt(Qt::Key_A);
    QTest::keyClicks(w->Text2, "Eve");
    press(Qt::Key_S, Qt::AltModifier);
    press(Qt::Key_Escape);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(db.rows("WHERE Fname = 'Eve'").size(), 1);
    QCOMPARE(w->Text2->text(), QStringLiteral("Eve"));
}

// The Save is refused while another program holds the file; right after
// the message, Exit still ends the program.
void InputTest::exitRightAfterAMessageEndsTheProgram()
{
    SKIP_ON_SERVER("another program's lock on the file");
    TempDb db(TempDb::sample());
    Window w(db);
    set_lock_wait(w, 200);
    w.alt(Qt::Key_E);
    QTest::keyClicks(w->Text2, "x");
    auto told = answer_next_message_box(QMessageBox::Ok);
    {
        const DbLock lock(db, DbLock::Exclusive);
        press(Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(told->seen);
    }
    QTRY_COMPARE(QApplication::activeWindow(), w.get());
    press(Qt::Key_X, Qt::AltModifier);
    QTRY_COMPARE(w.ended, QList<int>{0});
    boxes_.seen.clear();
}

void InputTest::addOrEditPutsTheKeyboardInTheFirstBox_data()
{
    QTest::addColumn<bool>("adding");
    QTest::addColumn<bool>("fromGrid");  // the keyboard in the grid before, else in the filter box
    QTest::newRow("add from the filter box") << true << false;
    QTest::newRow("add from the grid") << true << true;
    QTest::newRow("edit from the filter box") << false << false;
    QTest::newRow("edit from the grid") << false << true;
}

// Add and Edit disable the grid and the filter box: the keyboard goes to
// the first record box, and a Space typed next is typed there.
void InputTest::addOrEditPutsTheKeyboardInTheFirstBox()
{
    QFETCH(bool, adding);
    QFETCH(bool, fromGrid);
    TempDb db(TempDb::sample());
    Window w(db);
    (fromGrid ? static_cast<QWidget*>(w->DataGrid1) : w->Text9)->setFocus();
    press(adding ? Qt::Key_A : Qt::Key_E, Qt::AltModifier);
    press(Qt::Key_Space);
    QCOMPARE(w.state(), adding ? state::adding : state::editing);
    QCOMPARE(QApplication::focusWidget(), w->Text2);
    QVERIFY(w->Text2->text().contains(u' '));
    QVERIFY(w.ended.isEmpty());
}

// Presses of Next and of the arrow keys faster than the window answers
// are all made.
void InputTest::fastMovesAreAllMade()
{
    TempDb db(many_rows(300));
    Window w(db);
    for (int i = 0; i < 100; ++i) {
        press(Qt::Key_N, Qt::AltModifier);
        QTest::qWait(5);
    }
    QCOMPARE(w.boxes().value(0), QStringLiteral("101"));
    w->DataGrid1->setFocus();
    for (int i = 0; i < 150; ++i)
        press(Qt::Key_Down);
    QCOMPARE(w.boxes().value(0), QStringLiteral("251"));
    for (int i = 0; i < 2; ++i)
        press(Qt::Key_PageUp);
    const qint64 page = w->DataGrid1->rowScrollBar()->pageStep();
    QCOMPARE(w.boxes().value(0), QString::number(251 - 2 * page));
    QVERIFY(w.gridAgreesWithBoxes());
}

// Behind a link of 300 ms round trip, the arrow and page keys pressed every
// 15 ms move as far as they say, however many rows must be read first.
void InputTest::fastMovesOverASlowLinkAreAllMade()
{
    if (!on_server())
        QSKIP("only behind a link to a server");
    TempDb db(many_rows(600));
    LinkRelay relay(QUrl(db.target()).port(), 300);
    Window w(relay.through(db.target()));
    w.clickGridRow(2);
    QCOMPARE(w.boxes().value(0), QStringLiteral("3"));
    w->DataGrid1->setFocus();
    for (int i = 0; i < 150; ++i) {
        press(Qt::Key_Down);
        QTest::qWait(15);
    }
    QCOMPARE(w.boxes().value(0), QStringLiteral("153"));
    const int page = w->DataGrid1->rowScrollBar()->pageStep();
    for (int i = 0; i < 20; ++i) {
        press(Qt::Key_PageDown);
        QTest::qWait(15);
    }
    QCOMPARE(w.boxes().value(0), QString::number(153 + 20 * page));
    QVERIFY(w.gridAgreesWithBoxes());
}

// A Save the server does not answer is told once its wait is over; Exit
// pressed right after the message ends the program, the Save untold.
void InputTest::exitWhileTheServerDoesNotAnswerEndsTheProgram()
{
    if (!on_server())
        QSKIP("only behind a link to a server");
    TempDb db(TempDb::sample());
    LinkRelay relay(QUrl(db.target()).port());
    Window w(relay.through(db.target()));
    w.ask([](Database& d) { d.setAnswerWaits(1000, 1000); });  // keeps this test short
    w.alt(Qt::Key_E);
    QTest::keyClicks(w->Text2, "x");
    relay.stall();
    auto told = answer_next_message_box(QMessageBox::Ok);
    press(Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(told->seen);
    QVERIFY2(told->text.contains("does not answer"), qPrintable(told->text));
    QTRY_COMPARE(QApplication::activeWindow(), w.get());
    press(Qt::Key_X, Qt::AltModifier);
    QTRY_COMPARE(w.ended, QList<int>{0});
    relay.resume();
    boxes_.seen.clear();
}

QTEST_MAIN(InputTest)
#include "test_input.moc"
