#include "error_report.h"

#include "data/db_error.h"

#include <QMessageBox>

namespace {
const QString kTitle = QStringLiteral("Tallyhouse");
}

void report_runtime_error(QWidget* parent, const DbError& error)
{
    QMessageBox::critical(parent, kTitle,
                          QStringLiteral("Run-time error '%1':\n\n%2").arg(error.number()).arg(error.message()));
}

void report_refusal(QWidget* parent, const QString& what, const DbError& error)
{
    QMessageBox::warning(parent, kTitle,
                         QStringLiteral("%1\n\n%2 (error %3)").arg(what, error.message()).arg(error.number()));
}

void report_notice(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, kTitle, text);
}
