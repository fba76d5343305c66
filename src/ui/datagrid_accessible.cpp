#include "datagrid_accessible.h"

#include "data/recordset.h"
#include "datagrid.h"

#include <QHeaderView>
#include <QPointer>
#include <algorithm>
#include <climits>

namespace {

// Cell interfaces kept at most: a few screenfuls.
constexpr std::size_t kMaxCells = 1024;

RecordSet* open_records(const DataGrid* grid)
{
    RecordSet* rs = grid ? grid->dataSource() : nullptr;
    return rs && rs->isOpen() ? rs : nullptr;
}

int columns_of(const DataGrid* grid)
{
    return grid ? grid->model()->columnCount() : 0;
}

// The rows the grid lists, as many as child indexes can number.
int rows_of(const DataGrid* grid)
{
    const qint64 most = INT_MAX / std::max(1, columns_of(grid)) - 1;
    return grid ? int(std::min(grid->listedRows(), most)) : 0;
}

// Reads the row at position, and tells assistive technology once it is
// in; a row that cannot be read now stays unread.
QCoro::Task<> read_row(QPointer<DataGrid> grid, RecordSet* rs, qint64 position)
{
    try {
        const bool same = co_await rs->prefetch(position, 1);
        if (!same || !grid)
            co_return;
    } catch (const DbError&) {
        co_return;
    }
    QAccessibleEvent event(grid.data(), QAccessible::VisibleDataChanged);
    QAccessible::updateAccessibility(&event);
}

// The text of a cell as the grid shows it. A row not at hand reads as ""
// while it is read through the record set.
QString cell_text(DataGrid* grid, int row, int column)
{
    RecordSet* rs = open_records(grid);
    if (!rs || row >= rs->knownCount())
        return {};
    if (const RecordSet::Row* values = rs->cachedRow(row))
        return RecordSetModel::cellText(values->value(column));
    read_row(grid, rs, row);
    return {};
}

// One cell of the grid, or with row -1 one column heading.
class GridCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    GridCell(DataGrid* grid, int row, int column) : grid_(grid), row_(row), column_(column) {}

    bool isValid() const override { return grid_ && row_ < rows_of(grid_) && column_ < columns_of(grid_); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(grid_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        // A heading tells whether the rows are sorted by its column.
        if (t == QAccessible::Description && row_ < 0 && grid_->horizontalHeader()->sortIndicatorSection() == column_)
            return DataGrid::sortWords(grid_->horizontalHeader()->sortIndicatorOrder() == Qt::DescendingOrder);
        if (t != QAccessible::Name)
            return {};
        if (row_ < 0)
            return grid_->model()->headerData(column_, Qt::Horizontal).toString();
        return cell_text(grid_, row_, column_);
    }

    // Where the cell is on screen; empty when its row is not shown.
    QRect rect() const override
    {
        if (!isValid())
            return {};
        if (row_ < 0) {
            const QHeaderView* header = grid_->horizontalHeader();
            const QRect r(header->sectionViewportPosition(column_), 0, header->sectionSize(column_), header->height());
            return QRect(header->viewport()->mapToGlobal(r.topLeft()), r.size());
        }
        const qint64 shown = row_ - grid_->firstShown();
        if (shown < 0 || shown >= grid_->model()->rowCount())
            return {};
        const QRect r = grid_->visualRect(grid_->model()->index(int(shown), column_)) & grid_->viewport()->rect();
        return r.isEmpty() ? QRect() : QRect(grid_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.disabled = !grid_->isEnabled();
        s.offscreen = rect().isEmpty();
        if (row_ < 0)
            return s;
        s.selectable = s.focusable = true;
        s.selected = isSelected();
        s.focused = s.selected && column_ == grid_->currentColumn() && grid_->hasFocus();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }

    bool isSelected() const override
    {
        const RecordSet* rs = open_records(grid_);
        return row_ >= 0 && rs && rs->position() == row_;
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        QAccessibleTableInterface* t = table() ? table()->tableInterface() : nullptr;
        QAccessibleInterface* heading = t && row_ >= 0 ? t->cellAt(-1, column_) : nullptr;
        return heading ? QList<QAccessibleInterface*>{heading} : QList<QAccessibleInterface*>{};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    int row() const { return row_; }
    const DataGrid* grid() const { return grid_; }

private:
    QPointer<DataGrid> grid_;
    int row_;
    int column_;
};

}  // namespace

DataGridAccessible::DataGridAccessible(DataGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

void DataGridAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
            if (className == QLatin1String(DataGrid::staticMetaObject.className()))
                return new DataGridAccessible(static_cast<DataGrid*>(object));
            return nullptr;
        });
        return true;
    }();
    Q_UNUSED(installed);
}

DataGridAccessible::~DataGridAccessible()
{
    for (const QAccessible::Id id : std::as_const(cells_))
        QAccessible::deleteAccessibleInterface(id);
}

int DataGridAccessible::childIndex(qint64 row, int column, int columns)
{
    return int((row + 1) * columns + column);
}

DataGrid* DataGridAccessible::grid() const
{
    return static_cast<DataGrid*>(widget());
}

qint64 DataGridAccessible::currentRow() const
{
    const RecordSet* rs = open_records(grid());
    return rs && rs->position() < rows_of(grid()) ? rs->position() : -1;
}

void* DataGridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* DataGridAccessible::cell(int row, int column) const
{
    const std::pair key{row, column};
    if (const auto it = cells_.constFind(key); it != cells_.cend())
        return QAccessible::accessibleInterface(*it);
    if (made_.size() >= kMaxCells) {
        QAccessible::deleteAccessibleInterface(cells_.take(made_.front()));
        made_.pop_front();
    }
    auto* made = new GridCell(grid(), row, column);
    cells_.insert(key, QAccessible::registerAccessibleInterface(made));
    made_.push_back(key);
    return made;
}

int DataGridAccessible::rowCount() const
{
    return rows_of(grid());
}

int DataGridAccessible::columnCount() const
{
    return columns_of(grid());
}

int DataGridAccessible::childCount() const
{
    return (rowCount() + 1) * columnCount();
}

QAccessibleInterface* DataGridAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || index >= childCount())
        return nullptr;
    return cell(index / columns - 1, index % columns);
}

int DataGridAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* c = dynamic_cast<const GridCell*>(child);
    if (!c || c->grid() != grid() || !c->isValid())
        return -1;
    return childIndex(c->row(), c->columnIndex(), columnCount());
}

QAccessibleInterface* DataGridAccessible::cellAt(int row, int column) const
{
    if (row < -1 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return cell(row, column);
}

QAccessibleInterface* DataGridAccessible::childAt(int x, int y) const
{
    const DataGrid* g = grid();
    const QPoint inView = g->viewport()->mapFromGlobal(QPoint(x, y));
    const QModelIndex index = g->indexAt(inView);
    if (g->viewport()->rect().contains(inView) && index.isValid())
        return cellAt(int(g->firstShown() + index.row()), index.column());
    const QHeaderView* header = g->horizontalHeader();
    const QPoint inHeader = header->viewport()->mapFromGlobal(QPoint(x, y));
    if (header->viewport()->rect().contains(inHeader))
        return cellAt(-1, header->logicalIndexAt(inHeader));
    return nullptr;
}

QAccessibleInterface* DataGridAccessible::focusChild() const
{
    const qint64 row = currentRow();
    return row < 0 ? nullptr : cellAt(int(row), std::min(grid()->currentColumn(), columnCount() - 1));
}

int DataGridAccessible::selectedCellCount() const
{
    return currentRow() < 0 ? 0 : columnCount();
}

QList<QAccessibleInterface*> DataGridAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> selected;
    if (const qint64 row = currentRow(); row >= 0)
        for (int column = 0; column < columnCount(); ++column)
            selected << cell(int(row), column);
    return selected;
}

QString DataGridAccessible::columnDescription(int column) const
{
    return grid()->model()->headerData(column, Qt::Horizontal).toString();
}

int DataGridAccessible::selectedRowCount() const
{
    return currentRow() < 0 ? 0 : 1;
}

QList<int> DataGridAccessible::selectedRows() const
{
    const qint64 row = currentRow();
    return row < 0 ? QList<int>{} : QList<int>{int(row)};
}

bool DataGridAccessible::isRowSelected(int row) const
{
    return row >= 0 && row == currentRow();
}
