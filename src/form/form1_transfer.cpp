// Customers in and out: the handlers of the grid's menu and keys.

#include "form1.h"

#include "data/transfer/customer_import.h"
#include "ui/datagrid.h"
#include "ui/messages.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>

void Form1::setup_transfer()
{
    transfer_ = new TransferMenu(DataGrid1);
    // During an add or an edit the grid is disabled, and the entries with it.
    transfer_->available = [this] { return mode_ == Mode::Browse; };
    ask_csv_file_name = [this](CsvFileUse use) { return ask_csv_file(this, use); };
    // Each handler reports its own errors.
    connect(transfer_->exportListed, &QAction::triggered, this, &Form1::export_Click);
    connect(transfer_->copy, &QAction::triggered, this, &Form1::copy_Click);
    connect(transfer_->import, &QAction::triggered, this, &Form1::import_Click);
}

template <class Work>
bool Form1::transfer(const QString& notDone, Work work)
{
    mode_ = Mode::Transfer;
    try {
        work();
    } catch (const DbError& e) {
        mode_ = Mode::Browse;
        // An import whose commit got no answer may have been made.
        report_not_done(this,
                        e.number() == DbError::Unsettled
                            ? tr("The customers may have been imported: look for them in the list before you import the file again.")
                            : notDone,
                        e);
        return false;
    }
    mode_ = Mode::Browse;
    return true;
}

// The listed customers are read a page at a time as they are written to a
// temporary file beside the one chosen, which takes its place only when
// all of them are written: a cancel or a failure leaves no file, and an
// existing file as it was.
void Form1::export_Click()
{
    if (mode_ != Mode::Browse || !rs.isOpen())
        return;
    const QString path = ask_csv_file_name(CsvFileUse::Export);
    if (path.isEmpty())
        return;
    const QString notDone = tr("The customers were not exported.");
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return report_not_done(this, notDone, tr("%1 cannot be written: %2.").arg(shown, file.errorString()));
    const qint64 total = rs.recordCount();
    ExportResult result;
    const bool read = transfer(notDone, [&] {
        TransferProgress progress(this, tr("Exporting %1 customers to %2...").arg(total).arg(shown));
        result = export_customers(table, rs.source(), &file, [&](qint64 done) { return progress.update(done, total); });
    });
    if (!read || result.outcome == ExportResult::Cancelled)
        return;  // the temporary file goes with file
    if (result.outcome == ExportResult::WriteFailed || !file.commit())
        report_not_done(this, notDone,
                        tr("%1 cannot be written: %2.")
                            .arg(shown, result.error.isEmpty() ? file.errorString() : result.error));
}

void Form1::copy_Click()
{
    if (mode_ != Mode::Browse || !rs.isOpen() || rs.bof() || rs.eof())
        return;
    transfer(tr("Nothing was copied."), [&] {
        QGuiApplication::clipboard()->setText(customers_as_tab_separated({rs.current()}));
    });
}

void Form1::import_Click()
{
    if (mode_ != Mode::Browse)
        return;
    const QString path = ask_csv_file_name(CsvFileUse::Import);
    if (path.isEmpty())
        return;
    const QString notDone = tr("Nothing was imported.");
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return report_not_done(this, notDone,
                               tr("%1 cannot be read: %2.").arg(QDir::toNativeSeparators(path), file.errorString()));
    CsvCustomerSource source(&file);
    ImportResult result;
    const bool done = transfer(notDone, [&] {
        TransferProgress progress(this, tr("Importing customers from %1...").arg(name));
        result = import_customers(table, source, [&](qint64 done, qint64 total) { return progress.update(done, total); });
    });
    if (!done || result.outcome == ImportResult::Cancelled)
        return;
    const QString encoding = source.windows1252()
        ? tr("\n\n%1 is not UTF-8: it was read as Windows-1252.").arg(name)
        : QString();
    if (result.outcome == ImportResult::Refused)
        return report_not_done(this, notDone, QStringLiteral("%1, %2.").arg(name, result.refusal) + encoding);

    // The list is read again as the filter box says, at the first customer
    // imported when it lists it. Another program's lock or a server out of
    // reach puts that off, as after a Save.
    QString imported = tr("%1 customers were imported from %2.").arg(result.added).arg(name);
    if (result.renumbered > 0)
        imported += (result.renumbered == result.added ? tr(" All of them")
                                                        : tr(" %1 of them").arg(result.renumbered))
            + tr(" got new numbers: theirs belonged to other customers.");
    const std::optional<Keep> first =
        result.firstKey ? std::optional(Keep{*result.firstKey, 0}) : std::nullopt;
    try {
        after_change(imported, first, [&] { read_list(first); }, [] {});
    } catch (const DbError& e) {
        return fail(e);
    }
    if (!behind_)
        report_notice(this, imported + encoding);
}
