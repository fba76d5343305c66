#include "ui/print_dialogs.h"

#include "ui/messages.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QPaintEngine>
#include <QPrintDialog>
#include <QPrinter>

QCoro::Task<bool> ask_printer(QWidget* parent, QPrinter* printer, Printout what, print::LabelSheet* sheet)
{
    auto* dialog = new QPrintDialog(printer, parent);
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange
                       | QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies);
    switch (what) {
    case Printout::List: dialog->setWindowTitle(QCoreApplication::translate("Print", "Print the listed customers")); break;
    case Printout::Customer: dialog->setWindowTitle(QCoreApplication::translate("Print", "Print this customer")); break;
    case Printout::Labels: dialog->setWindowTitle(QCoreApplication::translate("Print", "Print address labels")); break;
    }
    int chosen = 0;
    if (what == Printout::Labels) {
        auto* tab = new QWidget;
        tab->setWindowTitle(QCoreApplication::translate("Print", "Labels"));
        auto* sheets = new QComboBox(tab);
        sheets->setObjectName(QStringLiteral("labelSheet"));
        sheets->setAccessibleName(QCoreApplication::translate("Print", "Label sheet"));
        for (const print::LabelSheet& s : print::label_sheets()) {
            sheets->addItem(QCoreApplication::translate("Print", s.name));
            if (QLatin1String(s.id) == QLatin1String(sheet->id))
                chosen = sheets->count() - 1;
        }
        sheets->setCurrentIndex(chosen);
        auto* form = new QFormLayout(tab);
        form->addRow(QCoreApplication::translate("Print", "&Sheet:"), sheets);
        dialog->setOptionTabs({tab});
        QObject::connect(sheets, &QComboBox::currentIndexChanged, dialog, [&chosen](int index) { chosen = index; });
    }
    const int answered = co_await answer(dialog);
    if (answered != QDialog::Accepted)
        co_return false;
    if (what == Printout::Labels)
        *sheet = print::label_sheets().value(chosen, *sheet);
    co_return true;
}

std::shared_ptr<QPrinter> printer_like(const QPrinter& other)
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    // A file name set chooses the PDF format, an empty one the printer.
    printer->setOutputFileName(other.outputFileName());
    printer->setOutputFormat(other.outputFormat());
    if (other.outputFormat() == QPrinter::NativeFormat)
        printer->setPrinterName(other.printerName());
    printer->setPageLayout(other.pageLayout());
    printer->setFullPage(other.fullPage());
    printer->setCopyCount(other.copyCount());
    printer->setCollateCopies(other.collateCopies());
    printer->setDuplex(other.duplex());
    printer->setColorMode(other.colorMode());
    printer->setDocName(other.docName());
    printer->setPrintRange(other.printRange());
    printer->setFromTo(other.fromPage(), other.toPage());
    return printer;
}

bool previewing(QPrinter* printer)
{
    // A preview's printer paints pictures of its pages.
    return printer->paintEngine() && printer->paintEngine()->type() == QPaintEngine::Picture;
}
