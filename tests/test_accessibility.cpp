// What screen readers read of the window, through Qt's accessibility
// interfaces, and the line under the grid that says which customer is shown.

#include "support/test_support.h"

#include "ui/datagrid.h"

#include <QAccessible>
#include <QTest>

using namespace test;

namespace {
QAccessibleInterface* accessible(QObject* o)
{
    return QAccessible::queryAccessibleInterface(o);
}

QString name_of(QObject* o)
{
    return accessible(o)->text(QAccessible::Name);
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAreNamedByTheirCaptionsAndMessagesAreAlerts();
    void gridReportsEveryRowOfTheRecordSet();
    void positionLineFollowsBrowsingAndFiltering();
    void positionLineFollowsAddEditSaveAndDelete();
};

void AccessibilityTest::controlsAreNamedByTheirCaptionsAndMessagesAreAlerts()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QStringList boxes;
    for (QLineEdit* box : w->recordBoxes().mid(1))
        boxes << name_of(box);
    QCOMPARE(boxes, (QStringList{"First Name", "Last Name", "Address", "E-Mail", "Phone #", "Dept. Name", "Credit Limit"}));
    QCOMPARE(name_of(w->Text9), QStringLiteral("Filter"));
    QStringList buttons;
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             w->cmdadd, w->cmdedit, w->cmdsave, w->cmddel, w->cmdexit, w->cmdfirst, w->cmdprev, w->cmdnext,
             w->cmdlast, w->fname, w->lname})
        buttons << name_of(b);
    QCOMPARE(buttons, (QStringList{"Add", "Edit", "Save", "Delete", "Exit", "First", "Previous", "Next", "Last",
                                   "First Name", "Last Name"}));
    QCOMPARE(accessible(w->DataGrid1)->role(), QAccessible::Table);
    QCOMPARE(name_of(w->DataGrid1), QStringLiteral("Customers"));
    QCOMPARE(w->lblposition->focusPolicy(), Qt::NoFocus);

    // Add reads Cancel while it cancels an add.
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    w.settle();
    QCOMPARE(name_of(w->cmdadd), QStringLiteral("Cancel"));
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);

    auto confirm = answer_next_message_box(QMessageBox::No);
    QTest::mouseClick(w->cmddel, Qt::LeftButton);
    QTRY_VERIFY(confirm->seen);
    QCOMPARE(confirm->role, QAccessible::AlertMessage);
    auto notice = answer_next_message_box(QMessageBox::Ok);
    db.exec("DELETE FROM dept WHERE cusnum = 1");
    w->cmdedit->click();
    w->cmdsave->click();
    QTRY_VERIFY(notice->seen);
    QVERIFY2(notice->text.contains("deleted"), qPrintable(notice->text));
    QCOMPARE(notice->role, QAccessible::AlertMessage);
}

void AccessibilityTest::gridReportsEveryRowOfTheRecordSet()
{
    QVector<Row> rows;
    for (int i = 1; i <= 300; ++i)
        rows << row(i, QStringLiteral("First%1").arg(i), QStringLiteral("Last%1").arg(i));
    TempDb db(rows);
    Window w(db);
    DataGrid* grid = w->DataGrid1;
    QAccessibleInterface* iface = accessible(grid);
    QAccessibleTableInterface* table = iface->tableInterface();
    QVERIFY(table);
    QVERIFY(grid->model()->rowCount() < 100);  // the grid itself holds a screenful
    QCOMPARE(table->rowCount(), 300);
    QCOMPARE(table->columnCount(), 10);

    // Ctrl+End in the grid: the current cell is on the last row.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    w.settle();
    QCOMPARE(w->Text1->text(), QStringLiteral("300"));
    QCOMPARE(table->selectedRows(), QList<int>{299});
    QAccessibleInterface* current = iface->focusChild();
    QVERIFY(current);
    QCOMPARE(current->tableCellInterface()->rowIndex(), 299);
    QCOMPARE(current->text(QAccessible::Name), QStringLiteral("300"));
    QVERIFY(current->state().selected && current->state().focused);
    QCOMPARE(iface->child(iface->indexOfChild(current)), current);
    QCOMPARE(current->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
             QStringLiteral("cusnum"));

    // Rows far from those on screen are read when asked for: a row not at
    // hand reads as empty until it is in.
    QTRY_COMPARE(table->cellAt(0, 2)->text(QAccessible::Name), QStringLiteral("Last1"));
    QTRY_COMPARE(table->cellAt(150, 1)->text(QAccessible::Name), QStringLiteral("First151"));
    QVERIFY(table->cellAt(150, 1)->state().offscreen);
    QVERIFY(!table->cellAt(150, 1)->state().selected);
    QCOMPARE(table->cellAt(300, 0), nullptr);

    // The table follows the filter; a row that another program's lock
    // keeps from being read reads as empty, at once.
    type(w->Text9, "First1");  // First1, First10 to First19, First100 to First199
    QCOMPARE(table->rowCount(), 111);
    QCOMPARE(table->selectedRows(), QList<int>{0});
    if (!on_server()) {  // another program's lock on the file
        auto lock = std::make_unique<DbLock>(db, DbLock::Exclusive);
        QCOMPARE(table->cellAt(110, 1)->text(QAccessible::Name), QString());
    }
    QTRY_COMPARE(table->cellAt(110, 1)->text(QAccessible::Name), QStringLiteral("First199"));
}

void AccessibilityTest::positionLineFollowsBrowsingAndFiltering()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 1 of 7"));
    w.alt(Qt::Key_N);
    QTRY_COMPARE(w->lblposition->text(), QStringLiteral("Customer 2 of 7"));
    w.alt(Qt::Key_L);
    QTRY_COMPARE(w->lblposition->text(), QStringLiteral("Customer 7 of 7"));
    w.clickGridRow(3);
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 4 of 7"));
    QCOMPARE(name_of(w->lblposition), QStringLiteral("Customer 4 of 7"));

    type(w->Text9, "mAr");  // Maria, Mark, Marta, Martin
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 1 of 4 whose first name begins with \"mAr\""));
    w.alt(Qt::Key_L);
    QTRY_COMPARE(w->lblposition->text(), QStringLiteral("Customer 4 of 4 whose first name begins with \"mAr\""));
    QTest::mouseClick(w->lname, Qt::LeftButton);  // Martinez
    w.settle();
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 1 of 1 whose last name begins with \"mAr\""));
    type(w->Text9, "z");
    QCOMPARE(w->lblposition->text(), QStringLiteral("No customer matches"));
    w->Text9->clear();
    w.settle();
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 1 of 7"));
}

void AccessibilityTest::positionLineFollowsAddEditSaveAndDelete()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->lblposition->text(), QStringLiteral("New customer"));
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);  // Cancel
    w.settle();
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 1 of 7"));

    w.alt(Qt::Key_N);
    QTRY_COMPARE(w->lblposition->text(), QStringLiteral("Customer 2 of 7"));
    w.alt(Qt::Key_N);
    QTRY_COMPARE(w->lblposition->text(), QStringLiteral("Customer 3 of 7"));
    QTest::mouseClick(w->cmdedit, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->lblposition->text(), QStringLiteral("Editing customer 3"));
    type(w->Text3, "x");
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 3 of 7"));

    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    type(w->Text2, "Zed");
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 8 of 8"));

    auto yes = answer_next_message_box(QMessageBox::Yes);
    QTest::mouseClick(w->cmddel, Qt::LeftButton);
    QTRY_VERIFY(yes->seen);
    w.settle();
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 1 of 7 · Deleted customer 8, Zed: Ctrl+Z brings it back."));

    TempDb empty;
    Window blank(empty);
    QCOMPARE(blank->lblposition->text(), QStringLiteral("No customers yet"));
    QTest::mouseClick(blank->cmdadd, Qt::LeftButton);
    type(blank->Text2, "Ann");
    QTest::mouseClick(blank->cmdsave, Qt::LeftButton);
    blank.settle();
    QCOMPARE(blank->lblposition->text(), QStringLiteral("Customer 1 of 1"));
}

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
