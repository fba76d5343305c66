#include "ui/history_dialogs.h"

#include "data/db_error.h"
#include "data/engines/dialect.h"
#include "ui/cell_delegate.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QLayout>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace {
// A cell shows at most this much of a text; the version keeps all of it.
constexpr qsizetype kShownLength = 300;
// No column is made wider than this to fit its texts.
constexpr int kWidestColumn = 260;
// The longest texts of a column measured to fit it.
constexpr qsizetype kMeasuredTexts = 3;

// The text columns in the order of the window's record boxes, the key left out.
QList<int> field_columns()
{
    QList<int> out;
    for (const RecordBox& box : kRecordBoxes)
        if (kCustomerColumns[box.column].kind == CustomerColumn::Text)
            out << box.column;
    return out;
}

QString text_of(const CustomerRow& row, int column)
{
    const QVariant v = column_value(row, column);
    return v.isNull() ? QString() : v.toString();
}

bool same_texts(const CustomerRow& a, const CustomerRow& b)
{
    for (int column : field_columns())
        if (column_value(a, column) != column_value(b, column))
            return false;
    return true;
}

// When, in the user's time zone and with seconds: changes come quickly.
QString local_time(const QDateTime& time)
{
    const QDateTime local = time.toLocalTime();
    return QLocale().toString(local.date(), QLocale::ShortFormat) + u' ' + local.time().toString(QStringLiteral("HH:mm:ss"));
}

QString author_of(const CustomerVersion& version)
{
    return version.author == QLatin1String(Dialect::kAnotherProgram)
        ? QCoreApplication::translate("VersionsDialog", "another program")
        : version.author;
}
}  // namespace

// The rows of the table of versions: the texts of each version listed and
// which of them it changed, shown in bold and named so to screen readers.
// The view asks for the cells it paints; no object is made a cell.
class VersionsModel : public QAbstractTableModel {
public:
    struct Row {
        QStringList texts;
        QList<bool> changed;
    };

    VersionsModel(const QStringList& headings, QObject* parent) : QAbstractTableModel(parent), headings_(headings)
    {
        bold_.setBold(true);
    }

    const Row& row(int r) const { return rows_[r]; }
    void append(const QList<Row>& rows)
    {
        if (rows.isEmpty())
            return;
        beginInsertRows({}, int(rows_.size()), int(rows_.size() + rows.size()) - 1);
        rows_ << rows;
        endInsertRows();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(headings_.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const Row& r = rows_[index.row()];
        const QString& text = r.texts.at(index.column());
        const bool changed = r.changed.value(index.column());
        switch (role) {
        case Qt::DisplayRole: return text;
        case Qt::FontRole: return changed ? QVariant(bold_) : QVariant();
        case Qt::AccessibleTextRole:
            return changed ? QVariant(QCoreApplication::translate("VersionsDialog", "%1 (changed)").arg(text)) : QVariant();
        default: return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return headings_.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    QStringList headings_;
    QList<Row> rows_;
    QFont bold_;  // only bold: the view's font otherwise
};

VersionsDialog::VersionsDialog(QWidget* parent, PageReader reader, const QString& act, const QStringList& headings)
    : QDialog(parent), reader_(std::move(reader)), heading_(new QLabel(this)), model_(new VersionsModel(headings, this)),
      table_(new QTableView(this)), status_(new QLabel(this)), more_(new QPushButton(tr("&More"), this)),
      act_(new QPushButton(act, this))
{
    table_->setModel(model_);
    table_->setItemDelegate(new CellDelegate(table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    heading_->setBuddy(table_);
    status_->setWordWrap(true);
    auto* close = new QPushButton(tr("Close"), this);
    close->setAutoDefault(false);
    more_->setAutoDefault(false);
    // Enter acts on the chosen version; Escape closes.
    act_->setDefault(true);
    more_->setAccessibleName(tr("More: read older versions"));
    close->setAccessibleName(tr("Close"));
    status_->setAccessibleName(tr("Reading"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(more_);
    buttons->addStretch();
    buttons->addWidget(act_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(more_, &QPushButton::clicked, this, &VersionsDialog::readMore);
    connect(act_, &QPushButton::clicked, this, [this] {
        const int row = currentRow();
        if (row < 0 || row >= versions_.size() || !actsOn(versions_[row]))
            return;
        emit picked(versions_[row]);
        accept();
    });
    // Enter is the default button's (the table passes it on); a double
    // click acts too.
    connect(table_, &QTableView::doubleClicked, act_, [this] {
        if (act_->isEnabled())
            act_->click();
    });
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this, &VersionsDialog::updateAct);
    // Scrolled to the end: the next page.
    connect(table_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (value > 0 && value == table_->verticalScrollBar()->maximum())
            readMore();
    });
    table_->setFocus();
}

void VersionsDialog::add(const QVector<CustomerVersion>& page)
{
    const bool first = versions_.isEmpty();
    QList<VersionsModel::Row> rows;
    rows.reserve(page.size());
    for (const CustomerVersion& version : page) {
        QStringList cells = texts(version);
        for (QString& text : cells)
            if (text.size() > kShownLength)
                text = text.left(kShownLength) + QChar(0x2026);
        rows.append({cells, changed(version)});
    }
    // The rows added at once: one by one, each would lay the table out again.
    versions_ << page;
    model_->append(rows);
    last_ = page.size() < (first ? kFirstPage : kPage);
    if (first) {
        fitColumns();
        // The window as wide as its columns, as far as the screen allows.
        const int needed = table_->horizontalHeader()->length() + table_->verticalHeader()->width() + 2 * table_->frameWidth()
                           + table_->verticalScrollBar()->sizeHint().width() + 2 * layout()->contentsMargins().left();
        if (needed > width())
            resize(std::min(needed, screen()->availableGeometry().width() * 9 / 10), height());
        if (!versions_.isEmpty())
            table_->setCurrentIndex(model_->index(0, 0));
    }
    more_->setEnabled(!last_);
    const QString shown = heading();
    heading_->setText(shown);
    table_->setAccessibleDescription(shown);
    updateAct();
}

void VersionsDialog::fitColumns()
{
    // The widest texts of a column are nearly always among its longest:
    // only those are measured, with the font's metrics (the view's own
    // fitting lays out every cell it measures). A cell needs the style's
    // margin either side of its text, and the grid's line.
    const QFontMetrics plain(table_->font());
    QFont boldFont = table_->font();
    boldFont.setBold(true);
    const QFontMetrics bold(boldFont);
    const int margins = 2 * (table_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table_) + 1)
                        + (table_->showGrid() ? 1 : 0);
    QHeaderView* header = table_->horizontalHeader();
    for (int column = 0; column < model_->columnCount(); ++column) {
        QList<std::pair<qsizetype, int>> lengths;  // of each row's text, in characters
        for (int row = 0; row < model_->rowCount(); ++row)
            lengths.append({model_->row(row).texts[column].size(), row});
        const auto measured = lengths.begin() + std::min<qsizetype>(lengths.size(), kMeasuredTexts);
        std::partial_sort(lengths.begin(), measured, lengths.end(), std::greater<>());
        int width = header->sectionSizeHint(column);
        for (auto it = lengths.begin(); it != measured; ++it) {
            const VersionsModel::Row& r = model_->row(it->second);
            width = std::max(width, (r.changed.value(column) ? bold : plain).horizontalAdvance(r.texts[column]) + margins);
        }
        table_->setColumnWidth(column, std::min(width, kWidestColumn));
    }
}

void VersionsDialog::readMore()
{
    if (reading_ || last_ || versions_.isEmpty())
        return;
    reading_ = true;
    more_->setEnabled(false);
    status_->setText(tr("Reading older versions..."));
    readPage(this, reader_, versions_.last().id);
}

QCoro::Task<> VersionsDialog::readPage(QPointer<VersionsDialog> dialog, PageReader reader, std::optional<qint64> older)
{
    QVector<CustomerVersion> page;
    QString error;
    try {
        auto asked = reader(older);
        page = co_await std::move(asked);
    } catch (const DbError& e) {
        if (e.cancelled())
            co_return;  // the program ends
        error = e.message();
    }
    if (dialog)
        dialog->took(page, error);
}

void VersionsDialog::took(const QVector<CustomerVersion>& page, const QString& error)
{
    reading_ = false;
    if (!error.isEmpty()) {
        status_->setText(tr("The older versions cannot be read now: %1 Try More again in a moment.").arg(error));
        status_->setAccessibleName(status_->text());
        more_->setEnabled(true);
        return;
    }
    status_->clear();
    status_->setAccessibleName(tr("Reading"));
    add(page);
}

int VersionsDialog::currentRow() const
{
    return table_->currentIndex().row();
}

void VersionsDialog::updateAct()
{
    const int row = currentRow();
    act_->setEnabled(row >= 0 && row < versions_.size() && actsOn(versions_[row]));
}

// ---- The deleted customers ----

namespace {
QStringList deleted_headings()
{
    return {QCoreApplication::translate("VersionsDialog", "Number"), column_heading(kFname), column_heading(kLname),
            QCoreApplication::translate("VersionsDialog", "Deleted"), QCoreApplication::translate("VersionsDialog", "Deleted by")};
}
}  // namespace

DeletedCustomersDialog::DeletedCustomersDialog(QWidget* parent, PageReader reader)
    : VersionsDialog(parent, std::move(reader), tr("&Bring back"), deleted_headings())
{
    setObjectName(QStringLiteral("deletedCustomers"));
    setWindowTitle(tr("Deleted customers"));
    setAccessibleName(tr("Deleted customers"));
    table()->setAccessibleName(tr("Deleted customers"));
    actButton()->setAccessibleName(tr("Bring back the chosen customer"));
    resize(720, 420);
}

QStringList DeletedCustomersDialog::texts(const CustomerVersion& version) const
{
    const CustomerRow row = version.before.value_or(CustomerRow{});
    return {QString::number(version.cusnum), row.fname, row.lname, local_time(version.time), author_of(version)};
}

QString DeletedCustomersDialog::heading() const
{
    if (versions().isEmpty())
        return tr("No deleted customer is listed.");
    const QString shown = tr("%n deleted customers, the latest deleted first.", nullptr, int(versions().size()));
    return !lastPageIn() ? shown + tr(" More follow.") : shown;
}

// ---- One customer's versions ----

namespace {
QStringList history_headings()
{
    QStringList out{QCoreApplication::translate("VersionsDialog", "When"), QCoreApplication::translate("VersionsDialog", "Who"),
                    QCoreApplication::translate("VersionsDialog", "Change")};
    for (int column : field_columns())
        out << column_heading(column);
    return out;
}
}  // namespace

CustomerHistoryDialog::CustomerHistoryDialog(QWidget* parent, const CustomerRow& current, PageReader reader)
    : VersionsDialog(parent, std::move(reader), tr("&Restore this version"), history_headings()), current_(current)
{
    setObjectName(QStringLiteral("customerHistory"));
    const QString title = tr("History of customer %1").arg(current.cusnum);
    setWindowTitle(title);
    setAccessibleName(title);
    table()->setAccessibleName(tr("Versions of customer %1").arg(current.cusnum));
    actButton()->setAccessibleName(tr("Restore the chosen version"));
    resize(980, 420);
}

CustomerRow CustomerHistoryDialog::row_of(const CustomerVersion& version)
{
    return version.after ? *version.after : version.before.value_or(CustomerRow{});
}

QStringList CustomerHistoryDialog::texts(const CustomerVersion& version) const
{
    QString kind;
    switch (version.kind) {
    case CustomerVersion::Kind::Insert: kind = tr("Added"); break;
    case CustomerVersion::Kind::Update: kind = tr("Changed"); break;
    case CustomerVersion::Kind::Delete: kind = tr("Deleted"); break;
    }
    QStringList out{local_time(version.time), author_of(version), kind};
    const CustomerRow row = row_of(version);
    for (int column : field_columns())
        out << text_of(row, column);
    return out;
}

QList<bool> CustomerHistoryDialog::changed(const CustomerVersion& version) const
{
    // Only an update has fields that changed; an add and a delete are the
    // whole customer.
    QList<bool> out{false, false, false};
    for (int column : field_columns())
        out << (version.before && version.after && column_value(*version.before, column) != column_value(*version.after, column));
    return out;
}

bool CustomerHistoryDialog::actsOn(const CustomerVersion& version) const
{
    // A version whose texts the customer holds now would change nothing.
    return !same_texts(row_of(version), current_);
}

QString CustomerHistoryDialog::heading() const
{
    const QString shown = tr("%n versions of customer %1, the latest first; the fields each change made are in bold.", nullptr,
                             int(versions().size()))
                              .arg(current_.cusnum);
    return !lastPageIn() ? shown + tr(" More follow.") : shown;
}
