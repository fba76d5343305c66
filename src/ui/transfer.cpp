#include "ui/transfer.h"

#include "ui/messages.h"

#include <QCoreApplication>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

TransferMenu::TransferMenu(QAbstractItemView* grid) : QObject(grid), grid_(grid), menu_(new QMenu(grid))
{
    menu_->setObjectName(QStringLiteral("transferMenu"));
    auto entry = [&](const QString& text, const QKeySequence& keys) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);  // only while the grid has the focus
        grid_->addAction(action);
        menu_->addAction(action);
        return action;
    };
    exportListed = entry(QCoreApplication::translate("Transfer", "&Export listed customers..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    copy = entry(QCoreApplication::translate("Transfer", "&Copy"), QKeySequence::Copy);
    menu_->addSeparator();
    import = entry(QCoreApplication::translate("Transfer", "&Import customers..."), QKeySequence());
    menu_->addSeparator();
    deletedCustomers = entry(QCoreApplication::translate("Transfer", "&Deleted customers..."), QKeySequence());
    customerHistory = entry(QCoreApplication::translate("Transfer", "&History of this customer..."), QKeySequence());
    menu_->addSeparator();
    print = entry(QCoreApplication::translate("Transfer", "&Print..."), QKeySequence::Print);
    print->setShortcutContext(Qt::WindowShortcut);
    printPreview = entry(QCoreApplication::translate("Transfer", "Print pre&view..."), QKeySequence());
    printCustomer = entry(QCoreApplication::translate("Transfer", "Print this c&ustomer..."), QKeySequence());
    printLabels = entry(QCoreApplication::translate("Transfer", "Print address &labels..."), QKeySequence());
    // Right clicks arrive at the rows' viewport, keys at the grid itself.
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
}

void TransferMenu::update()
{
    const bool on = grid_->isEnabled() && available();
    for (QAction* a : {exportListed, copy, import, deletedCustomers, print, printPreview, printLabels})
        a->setEnabled(on);
    for (QAction* a : {customerHistory, printCustomer})
        a->setEnabled(on && customerShown());
}

bool TransferMenu::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (watched == grid_)
            update();
        break;
    case QEvent::ContextMenu: {
        // A platform that turns the Menu key into a context-menu event of
        // its own finds the menu open already.
        auto* e = static_cast<QContextMenuEvent*>(event);
        if (!menu_->isVisible()) {
            const QPoint at = watched == grid_->viewport() ? e->pos() : grid_->viewport()->mapFrom(grid_, e->pos());
            open(e->reason() == QContextMenuEvent::Mouse ? &at : nullptr);
        }
        return true;
    }
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        const bool menuKey = e->key() == Qt::Key_Menu && e->modifiers() == Qt::NoModifier;
        const bool shiftF10 = e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier;
        if (watched == grid_ && (menuKey || shiftF10)) {
            open(nullptr);
            return true;
        }
        break;
    }
    default: break;
    }
    return false;
}

void TransferMenu::open(const QPoint* at)
{
    update();
    QPoint where;
    if (at) {
        where = *at;
    } else if (const QModelIndex current = grid_->currentIndex(); current.isValid()) {
        where = grid_->visualRect(current).bottomLeft();
    }
    menu_->popup(grid_->viewport()->mapToGlobal(where));
}

QCoro::Task<QString> ask_csv_file(QWidget* parent, CsvFileUse use)
{
    const bool exporting = use == CsvFileUse::Export;
    auto* dialog = new QFileDialog(parent, exporting ? QCoreApplication::translate("Transfer", "Export listed customers") : QCoreApplication::translate("Transfer", "Import customers"));
    dialog->setNameFilters({QCoreApplication::translate("Transfer", "CSV files (*.csv)"), QCoreApplication::translate("Transfer", "All files (*)")});
    dialog->setAcceptMode(exporting ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(exporting ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (exporting) {
        dialog->setDefaultSuffix(QStringLiteral("csv"));
        dialog->selectFile(QStringLiteral("customers.csv"));
    }
    // The file is read before the dialog goes.
    QString chosen;
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [&chosen](const QString& file) { chosen = file; });
    const int answered = co_await answer(dialog);
    if (answered != QDialog::Accepted)
        co_return QString();
    co_return chosen;
}

TransferProgress::TransferProgress(QWidget* parent, const QString& label)
    : QDialog(parent), label_(new QLabel(label, this)), bar_(new QProgressBar(this))
{
    setObjectName(QStringLiteral("transferProgress"));
    setWindowTitle(QStringLiteral("Tallyhouse"));
    setWindowModality(Qt::WindowModal);
    auto* cancel = new QPushButton(QCoreApplication::translate("Transfer", "Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &TransferProgress::cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    // Busy until the total is known.
    bar_->setRange(0, 0);
    show_.setSingleShot(true);
    connect(&show_, &QTimer::timeout, this, [this] {
        if (!canceled_)
            open();
    });
    show_.start(500);
}

void TransferProgress::update(qint64 done, qint64 total)
{
    // QProgressBar counts in int: per mille of the total.
    if (total > 0) {
        bar_->setRange(0, 1000);
        bar_->setValue(int(std::min(done, total) * 1000 / total));
    }
}

void TransferProgress::cancel()
{
    if (std::exchange(canceled_, true))
        return;
    emit canceled();
}
