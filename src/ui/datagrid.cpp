#include "datagrid.h"

#include "data/recordset.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <climits>

void RecordSetModel::setRecordSet(RecordSet* rs)
{
    beginResetModel();
    rs_ = rs;
    endResetModel();
}

void RecordSetModel::reset()
{
    beginResetModel();
    endResetModel();
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !rs_ || !rs_->isOpen())
        return 0;
    return int(std::min<qint64>(rs_->recordCount(), INT_MAX));
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !rs_ || !rs_->isOpen())
        return 0;
    return rs_->fieldCount();
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !rs_ || !rs_->isOpen())
        return {};
    try {
        const QVariant v = rs_->rowAt(index.row()).value(index.column());
        // Show each line of a text on one grid line.
        return v.isNull() ? QString() : v.toString().replace(u'\n', u' ');
    } catch (const std::exception&) {
        return {};  // a row that cannot be read shows empty
    }
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !rs_)
        return QAbstractTableModel::headerData(section, orientation, role);
    return rs_->fieldName(section);
}

DataGrid::DataGrid(QWidget* parent) : QTableView(parent)
{
    setModel(&model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setVisible(false);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &DataGrid::onCurrentChanged);
}

void DataGrid::setDataSource(RecordSet* rs)
{
    if (rs_)
        disconnect(rs_, nullptr, this, nullptr);
    rs_ = rs;
    model_.setRecordSet(rs);
    if (rs_) {
        connect(rs_, &RecordSet::rowsReset, this, &DataGrid::onRowsReset);
        connect(rs_, &RecordSet::currentMoved, this, &DataGrid::onCurrentMoved);
        connect(rs_, &QObject::destroyed, this, [this] {
            rs_ = nullptr;
            model_.setRecordSet(nullptr);
        });
    }
    onRowsReset();
}

void DataGrid::Refresh()
{
    viewport()->update();
}

void DataGrid::onRowsReset()
{
    following_ = true;
    model_.reset();
    following_ = false;
    if (rs_ && rs_->isOpen())
        onCurrentMoved(rs_->position());
}

void DataGrid::onCurrentMoved(qint64 position)
{
    following_ = true;
    if (position >= 0 && position < model_.rowCount()) {
        const int column = std::max(0, currentIndex().column());
        const QModelIndex index = model_.index(int(position), column);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    } else {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
    }
    following_ = false;
}

void DataGrid::onCurrentChanged(const QModelIndex& current, const QModelIndex&)
{
    if (following_ || !rs_ || !current.isValid())
        return;
    try {
        rs_->moveTo(current.row());
    } catch (const std::exception&) {
        return;
    }
    emit RowColChange();
}
