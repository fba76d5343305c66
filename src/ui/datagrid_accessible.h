#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <deque>
#include <utility>

class DataGrid;

// The data grid as assistive technology reads it: a table of every row of
// the record set, not only of the rows on screen. The selected row is the
// record set's current row and the focused cell is in it, at the grid's
// current column.
//
// Children are numbered as Qt numbers a table's: the column headings
// first, then the cells row by row. A cell reads its row through the
// record set only when asked for its text (one page of rows at most,
// without waiting on another program's lock); nothing here reads all rows.
// No query lets an error of the data layer through: a row that cannot be
// read now reads as empty.
class DataGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit DataGridAccessible(DataGrid* grid);
    ~DataGridAccessible() override;

    // Makes Qt give every DataGrid this interface; later calls do nothing.
    static void install();

    // The child index of the cell at (row, column) among columns columns;
    // row -1 is the column headings.
    static int childIndex(qint64 row, int column, int columns);

    void* interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    // The row is chosen in the grid itself, as the record boxes follow it.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    // Cells stand for positions of the record set, whatever rows are on
    // screen: nothing to follow.
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    DataGrid* grid() const;
    // The record set's current row, or -1.
    qint64 currentRow() const;
    // The interface of a cell, made when first asked for and kept; the
    // oldest are let go beyond a bound.
    QAccessibleInterface* cell(int row, int column) const;

    mutable QHash<std::pair<int, int>, QAccessible::Id> cells_;
    mutable std::deque<std::pair<int, int>> made_;  // oldest first
};
