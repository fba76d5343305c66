// A table far larger than the grid: the grid shows a screenful of rows and
// scrolls over all of them, keys and buttons reach every row, and the grid
// and the boxes agree wherever the current row is.

#include "support/test_support.h"

#include "data/connection.h"
#include "data/modyul.h"
#include "data/recordset.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace test;

namespace {

constexpr int kRows = 300;

// Keys with gaps, so that positions and keys differ; every seventh first
// name begins with "Zoe".
qint64 keyAt(int position)
{
    return 3 * position + 10;
}

QVector<Row> rows()
{
    QVector<Row> out;
    for (int i = 0; i < kRows; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 3, 10, QChar(u'0'));
        out << row(keyAt(i), (i % 7 == 0 ? "Zoe" : "Ann") + n, "Last" + n);
    }
    return out;
}

// The record-set position of the grid's current row, -1 without one.
qint64 gridPosition(Window& w)
{
    const QModelIndex current = w->DataGrid1->currentIndex();
    return current.isValid() ? w->DataGrid1->firstShown() + current.row() : -1;
}

// The current row is where the record set is, on screen, and in the boxes.
void checkCurrent(Window& w, qint64 position, qint64 key)
{
    w.settle();
    QCOMPARE(w.rs().position(), position);
    QCOMPARE(gridPosition(w), position);
    QVERIFY(w.gridAgreesWithBoxes());
    QCOMPARE(w->Text1->text(), QString::number(key));
}

}  // namespace

class LargeTableTest : public QObject {
    Q_OBJECT
private slots:
    void gridShowsAScreenfulAndScrollsOverEveryRow();
    void keysReachEveryRowAndTheGridFollows();
    void buttonsBringTheCurrentRowIntoView();
    void choosingAScrolledRowShowsIt();
    void filterNarrowsTheScrollRange();
    void columnWidthsSurviveTheFilter();
    void rowsReadAgainShowTheirNewTexts();
    void positionOfARowIsFoundFromEitherEnd();
    void rowsAreReadAtAnyPositionWithOrWithoutGapsInTheKeys();
    void savedRowStaysCurrentWhereverItIs();
};

void LargeTableTest::gridShowsAScreenfulAndScrollsOverEveryRow()
{
    TempDb db(rows());
    Window w(db);
    DataGrid* grid = w->DataGrid1;
    QScrollBar* bar = grid->rowScrollBar();
    const int shown = grid->model()->rowCount();
    QVERIFY2(shown >= 10 && shown < kRows, qPrintable(QString::number(shown)));
    QVERIFY(bar->isVisible());
    QCOMPARE(grid->listedRows(), kRows);
    QCOMPARE(bar->maximum(), kRows - shown);
    QCOMPARE(bar->pageStep(), shown);
    checkCurrent(w, 0, keyAt(0));

    // Scrolling moves the rows shown, not the current row.
    bar->setValue(100);
    w.settle();
    QCOMPARE(grid->firstShown(), 100);
    QCOMPARE(grid->model()->index(0, 0).data().toLongLong(), keyAt(100));
    QVERIFY(!grid->currentIndex().isValid());
    QCOMPARE(w->Text1->text(), QString::number(keyAt(0)));

    bar->setValue(bar->maximum());
    w.settle();
    QCOMPARE(grid->model()->index(shown - 1, 0).data().toLongLong(), keyAt(kRows - 1));

    // The wheel turns the same bar.
    bar->setValue(0);
    const QPointF at = grid->viewport()->rect().center();
    QWheelEvent wheel(at, grid->viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &wheel);
    w.settle();
    QVERIFY(grid->firstShown() > 0);
    QCOMPARE(grid->model()->index(0, 0).data().toLongLong(), keyAt(int(grid->firstShown())));
}

void LargeTableTest::keysReachEveryRowAndTheGridFollows()
{
    TempDb db(rows());
    Window w(db);
    DataGrid* grid = w->DataGrid1;
    const int shown = grid->model()->rowCount();
    grid->setFocus();

    // Down past the bottom row scrolls by one row.
    for (int i = 0; i < shown; ++i)
        QTest::keyClick(grid, Qt::Key_Down);
    checkCurrent(w, shown, keyAt(shown));
    QCOMPARE(grid->firstShown(), 1);

    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    checkCurrent(w, kRows - 1, keyAt(kRows - 1));
    QCOMPARE(grid->firstShown(), kRows - shown);
    QTest::keyClick(grid, Qt::Key_Down);  // past the last row: stays
    checkCurrent(w, kRows - 1, keyAt(kRows - 1));

    QTest::keyClick(grid, Qt::Key_Up);
    checkCurrent(w, kRows - 2, keyAt(kRows - 2));
    QTest::keyClick(grid, Qt::Key_PageUp);
    checkCurrent(w, kRows - 2 - shown, keyAt(kRows - 2 - shown));
    QTest::keyClick(grid, Qt::Key_PageDown);
    checkCurrent(w, kRows - 2, keyAt(kRows - 2));

    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    checkCurrent(w, 0, keyAt(0));
    QCOMPARE(grid->firstShown(), 0);
    QTest::keyClick(grid, Qt::Key_Up);  // before the first row: stays
    checkCurrent(w, 0, keyAt(0));

    // Left and right move across the columns of the same row.
    QTest::keyClick(grid, Qt::Key_Right);
    w.settle();
    QCOMPARE(grid->currentIndex().column(), 1);
    checkCurrent(w, 0, keyAt(0));
}

void LargeTableTest::buttonsBringTheCurrentRowIntoView()
{
    TempDb db(rows());
    Window w(db);
    DataGrid* grid = w->DataGrid1;
    const int shown = grid->model()->rowCount();

    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    checkCurrent(w, kRows - 1, keyAt(kRows - 1));
    QCOMPARE(grid->firstShown(), kRows - shown);
    QTest::mouseClick(w->cmdprev, Qt::LeftButton);
    checkCurrent(w, kRows - 2, keyAt(kRows - 2));
    QCOMPARE(grid->firstShown(), kRows - shown);  // still on screen: no scroll

    // Scrolled away, the current row comes back into view when it moves.
    grid->rowScrollBar()->setValue(0);
    w.settle();
    QVERIFY(!grid->currentIndex().isValid());
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    checkCurrent(w, kRows - 1, keyAt(kRows - 1));

    QTest::mouseClick(w->cmdfirst, Qt::LeftButton);
    checkCurrent(w, 0, keyAt(0));
    QCOMPARE(grid->firstShown(), 0);
}

void LargeTableTest::choosingAScrolledRowShowsIt()
{
    TempDb db(rows());
    Window w(db);
    w->DataGrid1->rowScrollBar()->setValue(150);
    w.settle();
    w.clickGridRow(5);
    checkCurrent(w, 155, keyAt(155));
    QCOMPARE(w.boxes()[1], QStringLiteral("Ann155"));

    // The next row follows the chosen one, not the row at the top.
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    checkCurrent(w, 156, keyAt(156));
}

void LargeTableTest::filterNarrowsTheScrollRange()
{
    TempDb db(rows());
    Window w(db);
    DataGrid* grid = w->DataGrid1;
    const int shown = grid->model()->rowCount();
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);

    type(w->Text9, "zoe");
    const int zoes = (kRows + 6) / 7;
    QCOMPARE(w.rs().knownCount(), zoes);
    QCOMPARE(grid->listedRows(), zoes);
    QCOMPARE(grid->rowScrollBar()->maximum(), zoes - shown);
    QCOMPARE(grid->firstShown(), 0);
    checkCurrent(w, 0, keyAt(0));
    QCOMPARE(grid->model()->index(1, 1).data().toString(), QStringLiteral("Zoe007"));

    type(w->Text9, "1");  // Zoe1..: 105, 112, ... 196
    QCOMPARE(grid->model()->rowCount(), int(w.rs().knownCount()));
    QCOMPARE(grid->rowScrollBar()->maximum(), 0);

    for (int i = 0; i < 4; ++i)
        QTest::keyClick(w->Text9, Qt::Key_Backspace);
    w.settle();
    QCOMPARE(grid->rowScrollBar()->maximum(), kRows - shown);
    checkCurrent(w, 0, keyAt(0));
}

void LargeTableTest::columnWidthsSurviveTheFilter()
{
    TempDb db(rows());
    Window w(db);
    QHeaderView* header = w->DataGrid1->horizontalHeader();
    header->resizeSection(1, 173);
    type(w->Text9, "zo");
    QTest::keyClick(w->Text9, Qt::Key_Backspace);
    w.settle();
    QCOMPARE(header->sectionSize(1), 173);
    QCOMPARE(w->DataGrid1->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Fname"));
}

void LargeTableTest::rowsReadAgainShowTheirNewTexts()
{
    TempDb db(rows());
    Window w(db);
    DataGrid* grid = w->DataGrid1;
    grid->rowScrollBar()->setValue(50);
    w.settle();
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("Ann050"));

    // Another program renames rows; the same number of rows is read again
    // when the filter runs, and the grid shows the new names from the top.
    db.exec(QStringLiteral("UPDATE dept SET Fname = 'New' || Fname"));
    type(w->Text9, "n");
    QTest::keyClick(w->Text9, Qt::Key_Backspace);
    w.settle();
    QCOMPARE(grid->firstShown(), 0);
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("NewZoe000"));
    QCOMPARE(grid->model()->index(1, 1).data().toString(), QStringLiteral("NewAnn001"));
    checkCurrent(w, 0, keyAt(0));
    QCOMPARE(w.boxes()[1], QStringLiteral("NewZoe000"));
}

void LargeTableTest::positionOfARowIsFoundFromEitherEnd()
{
    TempDb db(rows());
    CustomerList list(db.target());
    await(list.open());
    RecordSet& rs = list.records();
    auto keep = [&](qint64 key, qint64 near = 0) {
        await(list.filter(list.records().source().text, list.records().source().column, CustomerList::Keep{key, near}));
        return rs.position();
    };
    for (int position : {0, 1, 149, 150, 151, kRows - 2, kRows - 1}) {
        QCOMPARE(keep(keyAt(position)), position);
        QCOMPARE(rs.current().cusnum, keyAt(position));
    }
    QCOMPARE(keep(keyAt(10) + 1, 7), 7);  // no such row: the row near where it stood

    // In name order the rows are counted the same way.
    await(list.filter(QStringLiteral("zoe"), RowSource::Column::Fname));
    QCOMPARE(keep(keyAt(7 * 30)), 30);
    QCOMPARE(keep(keyAt(8)), 0);  // not among the rows listed
}

// Between two rows read, keys as far apart as the rows are read by a seek;
// elsewhere the rows are counted off. Either way each position holds its row.
void LargeTableTest::rowsAreReadAtAnyPositionWithOrWithoutGapsInTheKeys()
{
    const QList<int> order{200, 100, 160, 10, 299, 149, 150, 250, 0, 64, 63, 191, 192};
    for (qint64 gapAt : {150, 0}) {
        // Keys 1 to 300, with a jump of 850 after the first gapAt rows.
        auto key = [gapAt](int position) { return position + 1 + (gapAt > 0 && position >= gapAt ? 850 : 0); };
        QVector<Row> table;
        for (int i = 0; i < kRows; ++i)
            table << row(key(i), "First", "Last");
        TempDb db(table);
        CustomerList list(db.target());
        await(list.open());
        RecordSet& rs = list.records();
        for (int position : order) {
            await(rs.moveTo(position));
            QCOMPARE(rs.current().cusnum, key(position));
        }
    }
}

void LargeTableTest::savedRowStaysCurrentWhereverItIs()
{
    TempDb db(rows());
    Window w(db);
    for (int position : {kRows - 3, 40}) {
        w->DataGrid1->rowScrollBar()->setValue(position);
        w.clickGridRow(int(position - w->DataGrid1->firstShown()));
        QTest::mouseClick(w->cmdedit, Qt::LeftButton);
        w.settle();
        w->Text3->setText(QStringLiteral("Edited"));
        QTest::mouseClick(w->cmdsave, Qt::LeftButton);
        checkCurrent(w, position, keyAt(position));
        QCOMPARE(w.boxes()[2], QStringLiteral("Edited"));
    }

    // A row added last is current after Save, at the end of the grid.
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    w.settle();  // Add makes the last row current first, then empties the boxes
    w->Text2->setText(QStringLiteral("Newest"));
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    w.settle();
    QCOMPARE(w.rs().knownCount(), kRows + 1);
    checkCurrent(w, kRows, keyAt(kRows - 1) + 1);
    QCOMPARE(w.boxes()[1], QStringLiteral("Newest"));
}

QTEST_MAIN(LargeTableTest)
#include "test_large_table.moc"
