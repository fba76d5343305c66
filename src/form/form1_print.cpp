// Printing: the handlers of the grid's print entries and of Ctrl+P. The
// list and the labels are read and laid out on the connection's thread, a
// page of customers at a time, so that a list of any length prints with
// the window answering and memory flat.

#include "form/form1.h"

#include "data/transfer/customer_export.h"
#include "ui/messages.h"

#include <QAction>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {
// A preview shows the list's first customers, at most this many: it
// holds its pages as pictures.
constexpr int kPreviewRows = 500;
}  // namespace

void Form1::setup_print()
{
    ask_print = [this](QPrinter& printer, Printout what, print::LabelSheet& sheet) {
        return ask_printer(this, &printer, what, &sheet);
    };
    connect(transfer_->print, &QAction::triggered, this, [this] { handle(print_Click(Printout::List)); });
    connect(transfer_->printCustomer, &QAction::triggered, this, [this] { handle(print_Click(Printout::Customer)); });
    connect(transfer_->printLabels, &QAction::triggered, this, [this] { handle(print_Click(Printout::Labels)); });
    connect(transfer_->printPreview, &QAction::triggered, this, [this] { handle(preview_Click()); });
}

QCoro::Task<> Form1::print_Click(Printout what)
{
    if (mode_ != Mode::Browse || !rs.isOpen() || (what == Printout::Customer && !shown_))
        co_return;
    const QPageSize::PageSizeId paper = print::paper_for(print::paper_locale());
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    auto layout = std::make_shared<print::ListLayout>(print::filter_text(rs.source()));
    print::LabelSheet sheet = print::label_sheet_for(paper);
    switch (what) {
    case Printout::List: {
        // The columns fit the first customers, which say the orientation.
        auto fitting = read_for_print([layout](CustomerTable& table, const RowSource& source) {
            ListingCursor cursor(table, source);
            layout->fit(print::first_rows(cursor));
        });
        const std::optional<DbError> error = co_await std::move(fitting);
        if (error)
            co_return co_await not_printed(*error);
        printer->setPageLayout(print::page_layout(paper, layout->orientation(paper)));
        break;
    }
    case Printout::Customer: printer->setPageLayout(print::page_layout(paper)); break;
    case Printout::Labels: printer->setPageLayout(print::label_page(sheet)); break;
    }
    const CustomerRow customer = shown_.value_or(CustomerRow());
    const bool chosen = co_await ask_print(*printer, what, sheet);
    if (!chosen)
        co_return;
    if (what != Printout::Customer)
        co_return co_await print_listed(printer, what, layout, sheet);

    if (printer->outputFormat() != QPrinter::PdfFormat) {
        print::paint_card(printer.get(), customer);
        co_return;
    }
    const QString path = printer->outputFileName();
    const print::Written written = print::write_pdf(path, printer->pageLayout(), named(customer), [&](QPagedPaintDevice* device) {
        print::paint_card(device, customer);
        return true;
    });
    if (written.outcome == print::Written::Failed)
        co_await not_printed(tr("%1 cannot be written: %2.").arg(QDir::toNativeSeparators(path), written.error));
}

QCoro::Task<std::optional<DbError>> Form1::read_for_print(std::function<void(CustomerTable&, const RowSource&)> work)
{
    try {
        auto read = list.read_listed(std::move(work));
        co_await std::move(read);
    } catch (const DbError& e) {
        co_return e;
    }
    co_return std::nullopt;
}

QCoro::Task<> Form1::not_printed(DbError error)
{
    if (!error.cancelled())
        co_await report_not_done(this, tr("Nothing was printed."), error);
}

QCoro::Task<> Form1::not_printed(QString why)
{
    co_await report_not_done(this, tr("Nothing was printed."), why);
}

QCoro::Task<> Form1::print_listed(std::shared_ptr<QPrinter> printer, Printout what,
                                  std::shared_ptr<const print::ListLayout> layout, print::LabelSheet sheet)
{
    const bool toFile = printer->outputFormat() == QPrinter::PdfFormat;
    const QString path = printer->outputFileName();
    const QString title = what == Printout::Labels ? QCoreApplication::translate("Print", "Address labels")
                                                    : QCoreApplication::translate("Print", "Customers");
    if (what == Printout::Labels) {
        // A sheet of labels is placed from the paper's corner.
        printer->setPageLayout(print::label_page(sheet));
        printer->setFullPage(true);
    }
    // Shared with the work on the connection's thread, which may outlive
    // this handler when the window closes.
    auto written = std::make_shared<print::Written>();
    auto changed = std::make_shared<bool>(false);
    std::optional<DbError> error;
    {
        TransferProgress dialog(this, tr("Printing the listed customers..."));
        const auto progress = progress_of(&dialog);
        // The pages chosen in the print dialog; all when none were.
        const print::PageRange range{printer->fromPage(), printer->toPage()};
        auto printing = read_for_print([=](CustomerTable& table, const RowSource& source) {
            // A list is read twice: to count its pages, then to print them.
            const qint64 steps = (what == Printout::List ? 2 : 1) * table.count(table.listing(source));
            ListingCursor cursor(table, source);
            const print::Progress told = [&](qint64 done) {
                if (progress->told)
                    progress->told(done, steps);
                if (!progress->cancelled)
                    return true;
                // A printer's job is dropped while its pages are painted:
                // once its painter ends, what was painted goes to the printer.
                if (!toFile)
                    printer->abort();
                return false;
            };
            const std::optional<print::LabelSheet> labels = what == Printout::Labels ? std::optional(sheet) : std::nullopt;
            const auto paint = [&](QPagedPaintDevice* device) {
                const print::Printed printed = print::print_customers(device, cursor, *layout, labels, told, range);
                *changed = printed.outcome == print::Printed::Changed;
                return printed.outcome == print::Printed::Done;
            };
            if (toFile) {
                *written = print::write_pdf(path, printer->pageLayout(), title, paint);
            } else if (!paint(printer.get())) {
                written->outcome = print::Written::Cancelled;
            }
        });
        error = co_await std::move(printing);
    }
    if (error)
        co_return co_await not_printed(*error);
    if (*changed)
        co_return co_await not_printed(tr("The customers changed while they were printed, so that the pages would be "
                                          "numbered wrong. Print them again."));
    if (written->outcome == print::Written::Failed)
        co_await not_printed(tr("%1 cannot be written: %2.").arg(QDir::toNativeSeparators(path), written->error));
}

QCoro::Task<> Form1::preview_Click()
{
    if (mode_ != Mode::Browse || !rs.isOpen())
        co_return;
    // The first customers, read at once; one more tells whether there are more.
    auto first = std::make_shared<QVector<CustomerRow>>();
    auto reading = read_for_print([first](CustomerTable& table, const RowSource& source) {
        ListingCursor cursor(table, source, kPreviewRows + 1);
        *first = print::first_rows(cursor, kPreviewRows + 1);
    });
    const std::optional<DbError> error = co_await std::move(reading);
    if (error)
        co_return co_await not_printed(*error);
    const bool whole = first->size() <= kPreviewRows;
    if (!whole)
        first->removeLast();
    auto layout = std::make_shared<print::ListLayout>(print::filter_text(rs.source()));
    layout->fit(first->mid(0, 200));
    const QPageSize::PageSizeId paper = print::paper_for(print::paper_locale());
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(print::page_layout(paper, layout->orientation(paper)));

    auto* dialog = new QPrintPreviewDialog(printer.get(), this);
    // The printer lives as long as the dialog on it.
    connect(dialog, &QObject::destroyed, this, [printer] {});
    dialog->setObjectName(QStringLiteral("printPreview"));
    dialog->setWindowTitle(whole ? tr("Print preview") : tr("Print preview of the first %n customers", nullptr, kPreviewRows));
    dialog->setAccessibleName(dialog->windowTitle());
    // The preview's pages are painted from the customers read; printing
    // from it prints the whole list as Print does, once it is closed.
    bool printAsked = false;
    connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [&printAsked, first, layout, whole](QPrinter* device) {
        if (!previewing(device)) {
            printAsked = true;
            return;
        }
        qsizetype at = 0;
        const print::NextRow next = [&](CustomerRow& row) {
            if (at == first->size())
                return false;
            row = (*first)[at++];
            return true;
        };
        const qint64 pages = whole ? layout->count(device, next) : 0;
        at = 0;
        layout->paint(device, next, pages);
    });
    const int answered = co_await answer(dialog);
    if (answered != QDialog::Accepted || !printAsked)
        co_return;
    co_await print_listed(printer_like(*printer), Printout::List, layout, print::label_sheet_for(paper));
}
