// Customers in and out: the handlers of the grid's menu and keys.

#include "form/form1.h"

#include "ui/datagrid.h"
#include "ui/messages.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

std::shared_ptr<CustomerList::Progress> Form1::progress_of(TransferProgress* dialog)
{
    auto progress = std::make_shared<CustomerList::Progress>();
    progress->told = [dialog](qint64 done, qint64 total) {
        QMetaObject::invokeMethod(dialog, [dialog, done, total] { dialog->update(done, total); });
    };
    QObject::connect(dialog, &TransferProgress::canceled, dialog, [progress] { progress->cancelled = true; });
    return progress;
}

void Form1::setup_transfer()
{
    transfer_ = new TransferMenu(DataGrid1);
    // During an add or an edit the grid is disabled, and the entries with it.
    transfer_->available = [this] { return mode_ == Mode::Browse; };
    ask_csv_file_name = [this](CsvFileUse use) { return ask_csv_file(this, use); };
    connect(transfer_->exportListed, &QAction::triggered, this, [this] { handle(export_Click()); });
    connect(transfer_->copy, &QAction::triggered, this, &Form1::copy_Click);
    connect(transfer_->import, &QAction::triggered, this, [this] { handle(import_Click()); });
}

QCoro::Task<> Form1::export_Click()
{
    if (mode_ != Mode::Browse || !rs.isOpen())
        co_return;
    const QString path = co_await ask_csv_file_name(CsvFileUse::Export);
    if (path.isEmpty())
        co_return;
    const QString notDone = tr("The customers were not exported.");
    const QString shown = QDir::toNativeSeparators(path);
    std::optional<DbError> error;
    ExportResult result;
    try {
        const qint64 total = co_await rs.recordCount();
        TransferProgress dialog(this, tr("Exporting %n customers to %1...", nullptr, int(total)).arg(shown));
        result = co_await list.export_csv(path, progress_of(&dialog));
    } catch (const DbError& e) {
        error = e;
    }
    if (error) {
        if (!error->cancelled())
            co_await report_not_done(this, notDone, *error);
        co_return;
    }
    if (result.outcome == ExportResult::WriteFailed)
        co_await report_not_done(this, notDone, tr("%1 cannot be written: %2.").arg(shown, result.error));
}

void Form1::copy_Click()
{
    if (mode_ != Mode::Browse || rs.bof() || rs.eof())
        return;
    QGuiApplication::clipboard()->setText(customers_as_tab_separated({rs.current()}));
}

QCoro::Task<> Form1::import_Click()
{
    if (mode_ != Mode::Browse)
        co_return;
    const QString path = co_await ask_csv_file_name(CsvFileUse::Import);
    if (path.isEmpty())
        co_return;
    const QString notDone = tr("Nothing was imported.");
    const QString name = QFileInfo(path).fileName();
    std::optional<DbError> error;
    CustomerList::Imported imported;
    try {
        TransferProgress dialog(this, tr("Importing customers from %1...").arg(name));
        imported = co_await list.import_csv(path, progress_of(&dialog));
    } catch (const DbError& e) {
        error = e;
    }
    if (error) {
        // An import whose commit got no answer may have been made.
        const QString what = error->number() == DbError::Unsettled
            ? tr("The customers may have been imported: look for them in the list before you import the file again.")
            : notDone;
        if (!error->cancelled())
            co_await report_not_done(this, what, *error);
        co_return;
    }
    const ImportResult& result = imported.result;
    if (result.outcome == ImportResult::Cancelled)
        co_return;
    if (imported.fileError)
        co_return co_await report_not_done(this, notDone, tr("%1 cannot be read: %2.").arg(QDir::toNativeSeparators(path), result.refusal));
    const QString encoding = imported.windows1252 ? tr("\n\n%1 is not UTF-8: it was read as Windows-1252.").arg(name) : QString();
    if (result.outcome == ImportResult::Refused)
        co_return co_await report_not_done(this, notDone, QStringLiteral("%1, %2.").arg(name, result.refusal) + encoding);

    // The list was read again as the filter box says, at the first
    // customer imported when it lists it. Another program's lock or a
    // server out of reach puts that off, as after a Save.
    if (result.versions && result.added > 0)
        record_import(name, {result.versions->first, result.versions->second, result.added});
    QString done = tr("%n customers were imported from %1.", nullptr, int(result.added)).arg(name);
    if (result.renumbered > 0)
        done += (result.renumbered == result.added ? tr(" All of them") : tr(" %1 of them").arg(result.renumbered))
            + tr(" got new numbers: theirs belonged to other customers.");
    if (imported.unlisted)
        co_return co_await unlisted(done, *imported.unlisted);
    show_rec();
    co_await report_notice(this, done + encoding);
}
