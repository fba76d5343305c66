#pragma once

#include "print/customer_print.h"

#include <QCoro/QCoroTask>
#include <memory>

class QPrinter;
class QWidget;

// What the grid's menu prints.
enum class Printout { List, Customer, Labels };

// Asks in Qt's print dialog for the printer, or the PDF file, to print
// what on: false when the user cancels. For labels, the dialog's tab
// "Labels" chooses the sheet, which the printer's paper then follows.
QCoro::Task<bool> ask_printer(QWidget* parent, QPrinter* printer, Printout what, print::LabelSheet* sheet);

// A printer with the settings of another (a preview's, which goes with
// its dialog).
std::shared_ptr<QPrinter> printer_like(const QPrinter& other);

// Whether a painting is for a print preview's pages.
bool previewing(QPrinter* printer);
