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
#include <QMenu>
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
    void headingClicksSortAndMovesFollow();
    void sortStaysThroughFilterAndSave();
    void columnLayoutStaysWithTheDatabase();
};

namespace {

// Last names out of key order: mixed case, ties, NULLs.
QVector<Row> unsortedRows()
{
    QVector<Row> out;
    for (int i = 0; i < kRows; ++i) {
        const int n = (i * 37) % 101;
        QVariant last = (n % 2 ? "m" : "M") + QStringLiteral("%1").arg(n, 3, 10, QChar(u'0'));
        if (i % 50 == 7)
            last = QVariant();
        out << row(keyAt(i), (i % 7 == 0 ? "Zoe" : "Ann") + QString::number(i), last);
    }
    return out;
}

// The keys of rows in the order sorted by the last name without regard
// to case (NULL as ""), ties in key order.
QStringList keysByLastName(QVector<Row> rows, bool descending)
{
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        const int c = a[2].toString().compare(b[2].toString(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a[0].toLongLong() < b[0].toLongLong();
    });
    if (descending)
        std::reverse(rows.begin(), rows.end());
    QStringList out;
    for (const Row& r : rows)
        out << r[0].toString();
    return out;
}

// Clicks the heading of a column, and waits for the list so sorted unless
// told not to.
void clickHeading(Window& w, int column, bool settle = true)
{
    QHeaderView* header = w->DataGrid1->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
    if (settle)
        w.settle();
}

// First, Next, Last, Previous and the scroll bar go in this order of keys.
void checkOrder(Window& w, const QStringList& keys)
{
    QTest::mouseClick(w->cmdfirst, Qt::LeftButton);
    QCOMPARE(w.boxes()[0], keys[0]);
    for (int i = 1; i < 4; ++i) {
        QTest::mouseClick(w->cmdnext, Qt::LeftButton);
        QCOMPARE(w.boxes()[0], keys[i]);
    }
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    QCOMPARE(w.boxes()[0], keys.last());
    QTest::mouseClick(w->cmdprev, Qt::LeftButton);
    QCOMPARE(w.boxes()[0], keys[keys.size() - 2]);
    QVERIFY(w.gridAgreesWithBoxes());
    for (const qsizetype top : {keys.size() / 2, keys.size() / 3}) {
        w->DataGrid1->rowScrollBar()->setValue(int(top));
        const QStringList shown = w.gridColumn(0);
        QCOMPARE(shown, keys.mid(w->DataGrid1->firstShown(), shown.size()));
    }
}

}  // namespace

// A click on a heading sorts ascending, a second descending, a third goes
// back to the key order; the customer shown stays current, and every move
// and page read follows the grid's order.
void LargeTableTest::headingClicksSortAndMovesFollow()
{
    const QVector<Row> data = unsortedRows();
    TempDb db(data);
    Window w(db);
    QHeaderView* header = w->DataGrid1->horizontalHeader();
    // A customer in the middle of the order by last name ("M050"): the
    // rows around it show before its place in that order is counted.
    for (int i = 0; i < 15; ++i)
        QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    for (const bool descending : {false, true}) {
        const QString shown = w.boxes()[0];
        clickHeading(w, 2);
        const QStringList keys = keysByLastName(data, descending);
        QCOMPARE(w.boxes()[0], shown);
        QCOMPARE(w.rs().position(), keys.indexOf(shown));
        QVERIFY(w.gridAgreesWithBoxes());
        QCOMPARE(header->sortIndicatorSection(), 2);
        QCOMPARE(header->sortIndicatorOrder(), descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        const QString told = descending ? "sorted descending" : "sorted ascending";
        QVERIFY2(w->DataGrid1->accessibleDescription().endsWith(told), qPrintable(w->DataGrid1->accessibleDescription()));
        QVERIFY2(w->lblposition->text().endsWith(", sorted by Lname " + told.mid(7)), qPrintable(w->lblposition->text()));
        checkOrder(w, keys);
    }
    clickHeading(w, 2);
    QCOMPARE(header->sortIndicatorSection(), -1);
    QStringList keys;
    for (const Row& r : data)
        keys << r[0].toString();
    checkOrder(w, keys);

    // Ctrl+Home pressed at once reaches the first row of the new order,
    // also while the place of the customer in the middle is counted.
    for (int i = 0; i < 15; ++i)
        QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    clickHeading(w, 2, false);
    QTest::keyClick(w->DataGrid1, Qt::Key_Home, Qt::ControlModifier);
    w.settle();
    QCOMPARE(w.boxes()[0], keysByLastName(data, false).first());
    QCOMPARE(w.rs().position(), 0);
    QVERIFY(w.gridAgreesWithBoxes());
}

// The sort stays through the filter, a Save and an Add: the customer saved
// stands where the sort puts it, current.
void LargeTableTest::sortStaysThroughFilterAndSave()
{
    TempDb db(unsortedRows());
    Window w(db);
    clickHeading(w, 2);
    clickHeading(w, 2);
    w->fname->click();
    type(w->Text9, "zo");
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QTest::mouseClick(w->cmdedit, Qt::LeftButton);
    w.settle();
    w->Text3->setText(QStringLiteral("a000"));
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    w.settle();
    QStringList keys = keysByLastName(db.rows(QStringLiteral("WHERE Fname LIKE 'Zoe%'")), true);
    QCOMPARE(w.rs().knownCount(), keys.size());
    // Before the customer whose last name is NULL, at the end.
    QCOMPARE(w.rs().position(), keys.size() - 2);
    QCOMPARE(w.boxes()[2], QStringLiteral("a000"));
    QCOMPARE(w.boxes()[0], keys[keys.size() - 2]);
    QVERIFY(w.gridAgreesWithBoxes());

    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    w.settle();
    w->Text2->setText(QStringLiteral("Zoe new"));
    w->Text3->setText(QStringLiteral("M050"));
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    w.settle();
    keys = keysByLastName(db.rows(QStringLiteral("WHERE Fname LIKE 'Zoe%'")), true);
    QCOMPARE(w.boxes()[1], QStringLiteral("Zoe new"));
    QCOMPARE(w.rs().position(), keys.indexOf(w.boxes()[0]));
    QVERIFY(w.gridAgreesWithBoxes());
    checkOrder(w, keys);
}

// Widths and hidden columns are kept for each database across restarts;
// Reset columns brings the default back.
void LargeTableTest::columnLayoutStaysWithTheDatabase()
{
    TempDb db(rows());
    auto hide = [](Window& w, int column) {
        QMenu menu;
        w->DataGrid1->fillColumnsMenu(&menu, column);
        for (QAction* a : menu.actions())
            if (a->text() == w->DataGrid1->model()->headerData(column, Qt::Horizontal).toString())
                a->trigger();
    };
    int fitted = 0;
    {
        Window w(db);
        QHeaderView* header = w->DataGrid1->horizontalHeader();
        fitted = header->sectionSize(3);
        QVERIFY(fitted > 0);
        header->resizeSection(3, fitted + 77);
        hide(w, 4);
    }
    {
        Window w(db);
        QHeaderView* header = w->DataGrid1->horizontalHeader();
        QCOMPARE(header->sectionSize(3), fitted + 77);
        QVERIFY(header->isSectionHidden(4));
        // Another database has a layout of its own.
        TempDb other(rows());
        Window w2(other);
        QCOMPARE(w2->DataGrid1->horizontalHeader()->sectionSize(3), fitted);
        QVERIFY(!w2->DataGrid1->horizontalHeader()->isSectionHidden(4));

        QMenu menu;
        w->DataGrid1->fillColumnsMenu(&menu, 1);
        menu.actions().last()->trigger();  // Reset columns
        QCOMPARE(header->sectionSize(3), fitted);
        QVERIFY(!header->isSectionHidden(4));
    }
    Window w(db);
    QCOMPARE(w->DataGrid1->horizontalHeader()->sectionSize(3), fitted);
}

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
