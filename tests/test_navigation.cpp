// Moving through the rows: First, Previous, Next, Last (buttons and access
// keys), choosing a row in the grid, and the buttons while no row is left.

#include "support/test_support.h"

#include "ui/datagrid.h"

#include <QTest>

using namespace test;

namespace {
const QStringList kAllButtons{"cmdfirst", "cmdprev", "cmdnext", "cmdlast", "cmdadd", "cmdedit", "cmddel", "cmdexit"};

// Every column differs from row to row, so a box left with the previous
// row's text shows. Row 3 has null columns before and after the E-mail box.
QVector<Row> rows()
{
    QVector<Row> out;
    for (int k = 1; k <= 5; ++k) {
        const QString n = QString::number(k);
        out << row(k, "First" + n, "Last" + n, "addr " + n, "e" + n + "@x", "phone " + n, "credit " + n, "dept " + n);
    }
    out[2] = row(3, QVariant(), "Last3", QVariant(), "e3@x", QVariant(), QVariant(), QVariant());
    return out;
}

// The texts the eight boxes show for a row: credit limit and department
// name are swapped on screen, nulls show as empty text.
QStringList shown(const Row& r)
{
    QStringList out;
    for (int column : {0, 1, 2, 3, 4, 5, 7, 6})
        out << (r[column].isNull() ? QString() : r[column].toString());
    return out;
}
}  // namespace

class NavigationTest : public QObject {
    Q_OBJECT
private slots:
    void nextAndPreviousWalkAndStopAtTheEnds();
    void firstAndLastJump();
    void firstAndLastOnOneRow();
    void accessKeysMove();
    void navigationWithoutRowsChangesNothing();
    void choosingAGridRowShowsIt();
    void rowWithNullColumnsIsShownWhole();
};

void NavigationTest::nextAndPreviousWalkAndStopAtTheEnds()
{
    const QVector<Row> data = rows();
    TempDb db(data);
    Window w(db);
    MessageBoxWatch boxes;
    QCOMPARE(w.boxes(), shown(data[0]));

    for (int i = 1; i < data.size(); ++i) {
        QTest::mouseClick(w->cmdnext, Qt::LeftButton);
        QCOMPARE(w.boxes(), shown(data[i]));
        QCOMPARE(w->DataGrid1->currentIndex().row(), i);
        QCOMPARE(w.enabledButtons(), kAllButtons);
    }
    // Next on the last row shows it again.
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data.last()));
    QVERIFY(w.gridAgreesWithBoxes());

    for (int i = data.size() - 2; i >= 0; --i) {
        QTest::mouseClick(w->cmdprev, Qt::LeftButton);
        QCOMPARE(w.boxes(), shown(data[i]));
        QVERIFY(w.gridAgreesWithBoxes());
    }
    // Previous on the first row shows it again, and Next still works after.
    QTest::mouseClick(w->cmdprev, Qt::LeftButton);
    QTest::mouseClick(w->cmdprev, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data[0]));
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data[1]));

    QCOMPARE(boxes.seen, QStringList());
    QCOMPARE(w.ended, QList<int>());
    QCOMPARE(w.enabledButtons(), kAllButtons);
}

void NavigationTest::firstAndLastJump()
{
    const QVector<Row> data = rows();
    TempDb db(data);
    Window w(db);
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data.last()));
    QCOMPARE(w->DataGrid1->currentIndex().row(), data.size() - 1);
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data.last()));
    QTest::mouseClick(w->cmdfirst, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data[0]));
    QCOMPARE(w->DataGrid1->currentIndex().row(), 0);
    QTest::mouseClick(w->cmdfirst, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data[0]));
    QCOMPARE(w.enabledButtons(), kAllButtons);
}

void NavigationTest::firstAndLastOnOneRow()
{
    const Row only = row(42, "Only", "One", "addr", "o@x", "1", "2", "Ops");
    TempDb db({only});
    Window w(db);
    MessageBoxWatch boxes;
    for (QPushButton* b : {w->cmdlast, w->cmdfirst, w->cmdnext, w->cmdprev, w->cmdlast}) {
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(w.boxes(), shown(only));
        QCOMPARE(w->DataGrid1->currentIndex().row(), 0);
        QCOMPARE(w.enabledButtons(), kAllButtons);
    }
    QCOMPARE(boxes.seen, QStringList());
}

void NavigationTest::accessKeysMove()
{
    const QVector<Row> data = rows();
    TempDb db(data);
    Window w(db);
    QTest::keyClick(w.get(), Qt::Key_L, Qt::AltModifier);
    QTRY_COMPARE(w.boxes(), shown(data.last()));
    QTest::keyClick(w.get(), Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(w.boxes(), shown(data[data.size() - 2]));
    QTest::keyClick(w.get(), Qt::Key_F, Qt::AltModifier);
    QTRY_COMPARE(w.boxes(), shown(data[0]));
    QTest::keyClick(w.get(), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(w.boxes(), shown(data[1]));
    QVERIFY(w.gridAgreesWithBoxes());
}

// With no row to show, every way of moving leaves the window as it was:
// on an empty table (Add stays, to fill it) and on a filter that matches
// nothing (Add goes too). Exit stays in both.
void NavigationTest::navigationWithoutRowsChangesNothing()
{
    const QVector<Row> data = rows();
    TempDb emptyDb;
    TempDb fullDb(data);
    for (const TempDb* db : {&emptyDb, &fullDb}) {
        Window w(*db);
        MessageBoxWatch boxes;
        QStringList expectedButtons{"cmdadd", "cmdexit"};
        if (db == &fullDb) {
            w->Text9->setFocus();
            type(w->Text9, "zz");
            expectedButtons = {"cmdexit"};
        }
        QCOMPARE(w.boxes(), QStringList(8, QString()));
        QCOMPARE(w.enabledButtons(), expectedButtons);

        for (QPushButton* b : {w->cmdfirst, w->cmdprev, w->cmdnext, w->cmdlast})
            QTest::mouseClick(b, Qt::LeftButton);
        for (Qt::Key k : {Qt::Key_F, Qt::Key_P, Qt::Key_N, Qt::Key_L})
            QTest::keyClick(w.get(), k, Qt::AltModifier);
        QTest::qWait(200);
        // The handlers themselves, should anything reach them.
        await(w->cmdfirst_Click());
        await(w->cmdprev_Click());
        await(w->cmdnext_Click());
        await(w->cmdlast_Click());
        await(w->DataGrid1_RowColChange(0));

        QCOMPARE(w.boxes(), QStringList(8, QString()));
        QCOMPARE(w.enabledButtons(), expectedButtons);
        QCOMPARE(w->DataGrid1->model()->rowCount(), 0);
        QCOMPARE(boxes.seen, QStringList());
        QCOMPARE(w.ended, QList<int>());
    }
}

void NavigationTest::choosingAGridRowShowsIt()
{
    const QVector<Row> data = rows();
    TempDb db(data);
    Window w(db);
    MessageBoxWatch boxes;
    w.clickGridRow(3);
    QCOMPARE(w.boxes(), shown(data[3]));
    QCOMPARE(w->DataGrid1->currentIndex().row(), 3);

    // The keyboard in the grid.
    QVERIFY(w->DataGrid1->hasFocus());
    QTest::keyClick(w->DataGrid1, Qt::Key_Down);
    QCOMPARE(w.boxes(), shown(data[4]));
    QTest::keyClick(w->DataGrid1, Qt::Key_Down);  // past the last row
    QCOMPARE(w.boxes(), shown(data[4]));
    QTest::keyClick(w->DataGrid1, Qt::Key_Up);
    QCOMPARE(w.boxes(), shown(data[3]));

    // The buttons carry on from the row chosen in the grid.
    w.clickGridRow(0);
    QCOMPARE(w.boxes(), shown(data[0]));
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data[1]));
    QVERIFY(w.gridAgreesWithBoxes());
    QCOMPARE(w.enabledButtons(), kAllButtons);
    QCOMPARE(boxes.seen, QStringList());
}

// Null columns show as empty boxes, before and after the E-mail box; no
// box keeps the previous row's text and nothing stops.
void NavigationTest::rowWithNullColumnsIsShownWhole()
{
    const QVector<Row> data = rows();
    TempDb db(data);
    Window w(db);
    MessageBoxWatch boxes;
    const QStringList third{"3", "", "Last3", "", "e3@x", "", "", ""};
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w.boxes(), third);
    QCOMPARE(w.enabledButtons(), kAllButtons);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w.boxes(), shown(data[3]));
    QTest::mouseClick(w->cmdprev, Qt::LeftButton);
    QCOMPARE(w.boxes(), third);
    w.clickGridRow(4);
    w.clickGridRow(2);
    QCOMPARE(w.boxes(), third);
    QCOMPARE(boxes.seen, QStringList());
    QCOMPARE(w.ended, QList<int>());
}

QTEST_MAIN(NavigationTest)
#include "test_navigation.moc"
