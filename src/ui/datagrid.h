#pragma once

#include "ui/cell_delegate.h"

#include <QAbstractTableModel>
#include <QCoro/QCoroTask>
#include <QTableView>
#include <QTimer>
#include <optional>

class QMenu;
class QScrollBar;
class RecordSet;

// The rows of a record set that the grid shows: a window of rows from
// position top on, as far as they have been read (the grid reads them
// before it shows them; painting never waits for the database). A table view keeps a header entry for every row of its
// model, so a model of a million rows would cost time and memory on every
// re-query; the window keeps the model as small as the screen.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSetModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void setRecordSet(RecordSet* rs);
    // Shows up to rows rows from position top on; the rows are read again.
    void setWindow(qint64 top, int rows);
    qint64 top() const { return top_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A value as a cell shows it: NULL as "", each line of a text on one grid line.
    static QString cellText(const QVariant& value);

private:
    RecordSet* rs_ = nullptr;
    qint64 top_ = 0;
    int shown_ = 0;      // rows in the window
    QStringList names_;  // the column headings
};

// The data grid: bound once to a record set, one column per field. Its
// current row is the record set's current row: choosing a row (a click, the
// arrow and page keys) asks for the record set to move there (moveAsked),
// and the grid follows the record set wherever it moves.
//
// The table view shows only the rows that fit on screen (its model row r is
// the record set's row top + r); its own scroll bar, beside the rows, runs
// over the whole record set, and the arrow and page keys, Ctrl+Home and
// Ctrl+End move through all of it.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    // Writes a layout changed just before.
    ~DataGrid() override;

    void setDataSource(RecordSet* rs);
    RecordSet* dataSource() const { return rs_; }
    void Refresh();

    // The number of rows the grid lists, on screen or not.
    qint64 listedRows() const;
    // The record-set position of the first row shown, and the scroll bar
    // that moves it.
    qint64 firstShown() const { return model_.top(); }
    QScrollBar* rowScrollBar() const { return bar_; }
    // The current column, kept while the current row is not on screen.
    int currentColumn() const { return column_; }

    // The columns' layout (widths, order, hidden columns) is kept under
    // key (the database's) in the user's settings across restarts: shows
    // the layout kept there, else the default one (fit). Call once the
    // columns and the first rows are in.
    void keepLayout(const QString& key);
    // The default layout: every column shown, in the table's order, each
    // as wide as its heading and the texts of the rows on screen, within a
    // bound.
    void fitColumns();
    // Shows by which column (-1: none) the rows are sorted, with Qt's
    // sort indicator, without asking for a sort.
    void showSort(int section, bool descending);
    // Fills the heading's menu for a column: sort ascending, descending or
    // not at all, every column with a check mark for shown, and Reset
    // columns. The grid's own menu offers it for the current column (the
    // keyboard).
    void fillColumnsMenu(QMenu* menu, int section);
    // The words that tell the sort: "sorted ascending" or "sorted descending".
    static QString sortWords(bool descending);

signals:
    // A click on a heading (ascending, descending, then none) or the
    // heading's menu asks for the rows sorted by a column; -1 for none.
    void sortAsked(int section, bool descending);
    // The user chose the row at position; past the last row, the last.
    void moveAsked(qint64 position);
    // The rows the user scrolled to could not be read now: another program
    // holds the database locked, or the server is lost. The message is the
    // database's.
    void unavailable(const QString& message, bool lost);

protected:
    // Assistive technology numbers the grid's cells over the whole record
    // set (DataGridAccessible), not over the rows on screen as QTableView
    // would tell it: the grid tells it of the current cell itself.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void focusInEvent(QFocusEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool viewportEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void onRowsReset();
    void onCurrentMoved(qint64 position);
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    // Rows that fit whole on screen.
    int rowsShown() const;
    // Shows rows from top on (kept within the record set) and marks the
    // current row when it is among them. Rows not read yet show empty and
    // fill in once read; rows that cannot be read now are read again
    // shortly. Rows the user scrolled to (byUser) that cannot be read now
    // give way to those shown before, and the user is told why.
    void showFrom(qint64 top, bool byUser = false);
    // Reads the rows on screen that are not at hand; when they cannot be
    // read, shows the rows from back on again, if given.
    QCoro::Task<> readShown(std::optional<qint64> back);
    // Scrolls as little as needed to show the row at position.
    void showPosition(qint64 position);
    void markCurrent();
    // Tells assistive technology which cell is current, while the grid has the keyboard.
    void announceCurrent();

    // Writes the layout to the user's settings (keepLayout).
    void saveLayout();

    RecordSet* rs_ = nullptr;
    RecordSetModel model_;
    QString layoutKey_;  // where the layout is kept; "" while none is
    QTimer save_;        // writes the layout shortly after the user changed it
    bool laying_ = false;  // the grid itself lays the columns out
    bool fitPending_ = false;  // the default layout, once the rows are on screen
    QTimer retry_;  // reads rows on screen that could not be read
    CellDelegate cells_;
    QScrollBar* bar_;
    int column_ = 0;          // the current column, kept while the row scrolls away
    bool following_ = false;  // true while the grid follows the record set
};
