#include "datagrid.h"

#include "data/recordset.h"
#include "datagrid_accessible.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>
#include <climits>

void RecordSetModel::setRecordSet(RecordSet* rs)
{
    beginResetModel();
    rs_ = rs;
    top_ = 0;
    shown_ = 0;
    names_.clear();
    endResetModel();
}

void RecordSetModel::setWindow(qint64 top, int rows)
{
    const bool open = rs_ && rs_->isOpen();
    const int shown = open ? int(std::clamp<qint64>(rs_->knownCount() - top, 0, rows)) : 0;
    const QStringList names = rs_ ? rs_->headings() : QStringList();
    // Rows of the same shape are only read again: a reset would make the
    // view lay out its headers and scroll bars anew, and repaint the bars.
    if (shown == shown_ && names == names_) {
        top_ = top;
        if (shown_ > 0)
            emit dataChanged(index(0, 0), index(shown_ - 1, int(names_.size()) - 1));
        return;
    }
    beginResetModel();
    top_ = top;
    shown_ = shown;
    names_ = names;
    endResetModel();
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown_;
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(names_.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !rs_ || !rs_->isOpen())
        return {};
    const RecordSet::Row* row = rs_->cachedRow(top_ + index.row());
    if (!row)
        return {};  // a row not read yet shows empty
    return cellText(row->value(index.column()));
}

QString RecordSetModel::cellText(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString().replace(u'\n', u' ');
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return names_.value(section);
}

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), bar_(new QScrollBar(Qt::Vertical, this))
{
    DataGridAccessible::install();
    setModel(&model_);
    setItemDelegate(&cells_);
    // A text wider than its column is cut off at the edge, as the rows
    // scroll under it, rather than ended with an ellipsis.
    setTextElideMode(Qt::ElideNone);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setVisible(false);
    // The view's own vertical bar would only ever scroll the window; the
    // grid's bar takes its place beside the rows.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The bar across stays too, so that the rows shown do not change with
    // the columns' widths.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->hide();
    addScrollBarWidget(bar_, Qt::AlignTop);
    bar_->setSingleStep(1);
    connect(bar_, &QScrollBar::valueChanged, this, [this](int value) { showFrom(value, true); });
    retry_.setInterval(1000);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, [this] { readShown(std::nullopt); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &DataGrid::onCurrentChanged);

    // The headings: a click sorts ascending, descending, then not at all;
    // their menu, a drag, and a double-click on an edge (fits the column,
    // QTableView's own) change the layout, which is kept.
    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicatorClearable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    // A heading pressed sorts; it does not choose a column's cells, which
    // would make the top row current.
    disconnect(header, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(header, &QHeaderView::sectionEntered, this, nullptr);
    connect(header, &QHeaderView::sortIndicatorChanged, this,
            [this](int section, Qt::SortOrder order) { emit sortAsked(section, order == Qt::DescendingOrder); });
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        fillColumnsMenu(menu, header->logicalIndexAt(at));
        menu->popup(header->mapToGlobal(at));
    });
    save_.setInterval(500);
    save_.setSingleShot(true);
    connect(&save_, &QTimer::timeout, this, &DataGrid::saveLayout);
    auto changed = [this] {
        if (!laying_ && !layoutKey_.isEmpty())
            save_.start();
    };
    connect(header, &QHeaderView::sectionResized, this, changed);
    connect(header, &QHeaderView::sectionMoved, this, changed);
}

DataGrid::~DataGrid()
{
    if (save_.isActive())
        saveLayout();
}

namespace {

// The user's settings of the grid: $XDG_CONFIG_HOME/Tallyhouse/grid.ini.
QSettings grid_settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tallyhouse"), QStringLiteral("grid"));
}

// A database's key in them: its target, which holds "/" and ":".
QString layout_setting(const QString& key)
{
    return QStringLiteral("columns/") + QString::fromLatin1(key.toUtf8().toPercentEncoding());
}

}  // namespace

void DataGrid::keepLayout(const QString& key)
{
    layoutKey_ = key;
    const QByteArray kept = grid_settings().value(layout_setting(key)).toByteArray();
    laying_ = true;
    const bool restored = !kept.isEmpty() && horizontalHeader()->restoreState(kept);
    laying_ = false;
    // The rows come in their own order at start: the sort is not kept.
    showSort(-1, false);
    // The default layout fits the rows on screen: once they are.
    fitPending_ = !restored;
    if (fitPending_ && isVisible())
        fitColumns();
}

void DataGrid::saveLayout()
{
    save_.stop();
    if (!layoutKey_.isEmpty())
        grid_settings().setValue(layout_setting(layoutKey_), horizontalHeader()->saveState());
}

void DataGrid::fitColumns()
{
    QHeaderView* header = horizontalHeader();
    fitPending_ = false;
    laying_ = true;
    // A column wider than this would push the others out of sight.
    const int most = std::max(header->defaultSectionSize(), width() * 2 / 5);
    for (int column = 0; column < header->count(); ++column) {
        header->setSectionHidden(column, false);
        header->moveSection(header->visualIndex(column), column);
        resizeColumnToContents(column);
        header->resizeSection(column, std::min(header->sectionSize(column), most));
    }
    laying_ = false;
}

QString DataGrid::sortWords(bool descending)
{
    return descending ? tr("sorted descending") : tr("sorted ascending");
}

void DataGrid::showSort(int section, bool descending)
{
    QHeaderView* header = horizontalHeader();
    {
        const QSignalBlocker quiet(header);
        header->setSortIndicator(section, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    header->viewport()->update();
    // Screen readers hear it as the grid's description.
    setAccessibleDescription(section < 0 ? QString()
                                         : model_.headerData(section, Qt::Horizontal).toString() + QStringLiteral(", ")
                                               + sortWords(descending));
}

void DataGrid::fillColumnsMenu(QMenu* menu, int section)
{
    menu->clear();
    QHeaderView* header = horizontalHeader();
    const QString name = model_.headerData(section, Qt::Horizontal).toString();
    if (section >= 0 && section < header->count()) {
        const bool sorted = header->sortIndicatorSection() == section;
        const bool down = header->sortIndicatorOrder() == Qt::DescendingOrder;
        auto sortEntry = [&](const QString& text, int by, bool descending, bool checked) {
            QAction* a = menu->addAction(text, this, [this, by, descending] { emit sortAsked(by, descending); });
            a->setCheckable(true);
            a->setChecked(checked);
        };
        sortEntry(tr("Sort by %1, &ascending").arg(name), section, false, sorted && !down);
        sortEntry(tr("Sort by %1, &descending").arg(name), section, true, sorted && down);
        sortEntry(tr("&Unsorted"), -1, false, header->sortIndicatorSection() < 0);
        menu->addSeparator();
    }
    int shown = 0;
    for (int column = 0; column < header->count(); ++column)
        shown += header->isSectionHidden(column) ? 0 : 1;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        QAction* a = menu->addAction(model_.headerData(column, Qt::Horizontal).toString());
        a->setCheckable(true);
        a->setChecked(!header->isSectionHidden(column));
        // The last column shown stays.
        a->setEnabled(header->isSectionHidden(column) || shown > 1);
        connect(a, &QAction::toggled, this, [this, column](bool on) {
            horizontalHeader()->setSectionHidden(column, !on);
            if (on && horizontalHeader()->sectionSize(column) == 0)
                resizeColumnToContents(column);
            saveLayout();
        });
    }
    menu->addSeparator();
    menu->addAction(tr("&Reset columns"), this, [this] {
        fitColumns();
        if (!layoutKey_.isEmpty())
            grid_settings().remove(layout_setting(layoutKey_));
    });
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
        // The scroll bar reaches the last row once the rows are counted.
        connect(rs_, &RecordSet::rowsCounted, this, [this] { showFrom(model_.top()); });
        // Placed, the same rows stay on screen where they were.
        connect(rs_, &RecordSet::rowsPlaced, this, [this](qint64 shift) { showFrom(model_.top() + shift); });
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

qint64 DataGrid::listedRows() const
{
    return rs_ && rs_->isOpen() ? rs_->knownCount() : 0;
}

int DataGrid::rowsShown() const
{
    return std::max(1, viewport()->height() / verticalHeader()->defaultSectionSize());
}

void DataGrid::showFrom(qint64 top, bool byUser)
{
    const qint64 was = model_.top();
    const int rows = rowsShown();
    const qint64 last = std::max<qint64>(0, listedRows() - rows);
    top = std::clamp<qint64>(top, 0, last);
    {
        const QSignalBlocker quiet(bar_);
        bar_->setRange(0, int(std::min<qint64>(last, INT_MAX)));
        bar_->setPageStep(rows);
        bar_->setValue(int(std::min<qint64>(top, INT_MAX)));
    }
    following_ = true;
    model_.setWindow(top, rows);
    following_ = false;
    markCurrent();
    readShown(byUser ? std::optional(was) : std::nullopt);
}

QCoro::Task<> DataGrid::readShown(std::optional<qint64> back)
{
    if (!rs_ || !rs_->isOpen())
        co_return;
    const qint64 top = model_.top();
    const int rows = rowsShown();
    bool unread = false;
    for (qint64 r = top; r < std::min(top + rows, rs_->knownCount()) && !unread; ++r)
        unread = !rs_->cachedRow(r);
    if (!unread)
        co_return;
    // After a failed read the next tries fail at once: the data layer
    // does not wait on the lock again until a read gets through.
    const bool again = retry_.isActive();
    bool failed = false;
    try {
        const bool same = co_await rs_->prefetch(top, rows);
        if (!same)
            co_return;  // the rows were replaced meanwhile: shown anew already
    } catch (const DbError& e) {
        // Rows the user scrolled to that cannot be read now: the rows
        // shown before stay, and the user is told why. Others show empty,
        // and those another program's lock keeps are read again shortly.
        if (e.passing() && !e.cancelled()) {
            if (back && !again)
                emit unavailable(e.message(), e.lost());
            retry_.start();
        }
        failed = true;
    }
    if (failed) {
        if (back && model_.top() == top)
            showFrom(*back);
        co_return;
    }
    retry_.stop();
    // The rows read fill in, if the same rows are still on screen.
    if (model_.top() == top)
        model_.setWindow(top, rowsShown());
}

void DataGrid::showPosition(qint64 position)
{
    const qint64 top = model_.top();
    const int rows = rowsShown();
    if (position < top)
        showFrom(position);
    else if (position >= top + rows)
        showFrom(position - rows + 1);
    else
        markCurrent();
}

void DataGrid::markCurrent()
{
    following_ = true;
    const qint64 row = rs_ && rs_->isOpen() ? rs_->position() - model_.top() : -1;
    if (row >= 0 && row < model_.rowCount()) {
        const QModelIndex index = model_.index(int(row), std::min(column_, model_.columnCount() - 1));
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::Rows | QItemSelectionModel::ClearAndSelect);
        scrollTo(index);  // across, to the current column
    } else {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
    }
    following_ = false;
}

void DataGrid::onRowsReset()
{
    // The first row is current when the rows are replaced.
    showFrom(rs_ ? rs_->position() : 0);
}

void DataGrid::onCurrentMoved(qint64 position)
{
    showPosition(position);
}

void DataGrid::onCurrentChanged(const QModelIndex& current, const QModelIndex&)
{
    if (following_ || !rs_ || !current.isValid())
        return;
    column_ = current.column();
    const qint64 asked = model_.top() + current.row();
    emit moveAsked(asked);
    // A row already read is current when the signal returns; otherwise the
    // mark goes back to the record set's current row until it moves.
    if (!rs_ || rs_->position() != asked)
        markCurrent();
}

// Up and down move through the whole record set, scrolling the rows shown;
// left and right stay with the table view. The record set moves first; the
// grid follows it, and the view finds its current index already where the
// key leads (or still where it was, while the row is being read).
QModelIndex DataGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    if (listedRows() == 0)
        return {};
    const qint64 position = rs_->position();
    const bool ctrl = modifiers & Qt::ControlModifier;
    qint64 target;
    switch (action) {
    case MoveUp: target = position - 1; break;
    case MoveDown: target = position + 1; break;
    case MovePageUp: target = position - rowsShown(); break;
    case MovePageDown: target = position + rowsShown(); break;
    case MoveHome:
        if (!ctrl)
            return QTableView::moveCursor(action, modifiers);
        target = rs_->placed() ? 0 : LLONG_MIN / 2;
        break;
    case MoveEnd:
        if (!ctrl)
            return QTableView::moveCursor(action, modifiers);
        target = LLONG_MAX;
        break;
    default: return QTableView::moveCursor(action, modifiers);
    }
    // Rows not placed yet may have rows before them (RecordSet::moveTo).
    if (rs_->placed())
        target = std::max<qint64>(target, 0);
    if (target != position)
        emit moveAsked(target);
    return currentIndex();
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QAbstractItemView::currentChanged(current, previous);  // not QTableView's notice
    announceCurrent();
}

void DataGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);  // not QTableView's notice
}

void DataGrid::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    // After the notice of the grid's own focus, which follows this event.
    QMetaObject::invokeMethod(this, &DataGrid::announceCurrent, Qt::QueuedConnection);
}

void DataGrid::announceCurrent()
{
    const QModelIndex current = currentIndex();
    if (!QAccessible::isActive() || !hasFocus() || !current.isValid())
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(DataGridAccessible::childIndex(model_.top() + current.row(), current.column(), model_.columnCount()));
    QAccessible::updateAccessibility(&event);
}

// The rows shown follow the height of the rows' area; the default layout
// is fitted once that area has its size and the rows are on screen.
bool DataGrid::viewportEvent(QEvent* event)
{
    const bool done = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize && bar_->pageStep() != rowsShown())
        showFrom(model_.top());
    if (event->type() == QEvent::Resize && fitPending_ && isVisible())
        fitColumns();
    return done;
}

void DataGrid::wheelEvent(QWheelEvent* event)
{
    if (event->angleDelta().y() != 0)
        QApplication::sendEvent(bar_, event);
    else
        QTableView::wheelEvent(event);
}
