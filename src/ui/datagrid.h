#pragma once

#include <QAbstractTableModel>
#include <QTableView>

class RecordSet;

// Shows the rows of a record set, reading only the rows on screen.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSetModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void setRecordSet(RecordSet* rs);
    void reset();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    RecordSet* rs_ = nullptr;
};

// The data grid: bound once to a record set, one column per field. Its
// current row is the record set's current row: choosing a row moves the
// record set there and raises RowColChange; moving the record set moves the
// grid without raising it.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    void setDataSource(RecordSet* rs);
    RecordSet* dataSource() const { return rs_; }
    void Refresh();

signals:
    void RowColChange();

private:
    void onRowsReset();
    void onCurrentMoved(qint64 position);
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);

    RecordSet* rs_ = nullptr;
    RecordSetModel model_;
    bool following_ = false;  // true while the grid follows the record set
};
