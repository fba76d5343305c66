#include "messages.h"

#include "data/db_error.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
const QString kTitle = QStringLiteral("Tallyhouse");

QString in_use(const DbError& error)
{
    return QCoreApplication::translate("Messages", "The database is in use by another program, which holds it locked (%1).").arg(error.message());
}
}  // namespace

void report_runtime_error(QWidget* parent, const DbError& error)
{
    QMessageBox::critical(parent, kTitle,
                          QCoreApplication::translate("Messages", "Run-time error '%1':\n\n%2").arg(error.number()).arg(error.message()));
}

void report_refusal(QWidget* parent, const QString& what, const DbError& error)
{
    if (error.passing()) {
        report_unavailable(parent, error, what + QCoreApplication::translate("Messages", " Nothing you typed is lost: try again in a moment."));
        return;
    }
    QMessageBox::warning(parent, kTitle,
                         QCoreApplication::translate("Messages", "%1\n\n%2 (error %3)").arg(what, error.message()).arg(error.number()));
}

void report_unavailable(QWidget* parent, const DbError& error, const QString& next)
{
    // A question the program gave up itself is nothing to tell.
    if (error.cancelled())
        return;
    // A lost server's message names the database and why it cannot be reached.
    const QString why = error.lost() ? error.message() : in_use(error);
    QMessageBox::warning(parent, kTitle, why + QStringLiteral("\n\n") + next);
}

bool ask_retry_busy(QWidget* parent, const DbError& error)
{
    QMessageBox box(QMessageBox::Warning, kTitle,
                    in_use(error) + QCoreApplication::translate("Messages", "\n\nTry again, or cancel to end the program."),
                    QMessageBox::Retry | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Retry);
    return box.exec() == QMessageBox::Retry;
}

bool ask_create_database(QWidget* parent, const QString& path)
{
    QMessageBox box(QMessageBox::Question, kTitle,
                    QCoreApplication::translate("Messages", "No customer database was found. Create a new, empty one at %1?").arg(path),
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("Messages", "&Create"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

bool ask_copy_access_file(QWidget* parent, const QString& fileName, qint64 count)
{
    QMessageBox box(QMessageBox::Question, kTitle,
                    (count == 1 ? QCoreApplication::translate("Messages", "%1 was made by Microsoft Access. Tallyhouse can copy its %2 customer into a new "
                                                                   "database and work on that; the Access file stays as it is. Copy them?")
                                : QCoreApplication::translate("Messages", "%1 was made by Microsoft Access. Tallyhouse can copy its %2 customers into a new "
                                                                   "database and work on that; the Access file stays as it is. Copy them?"))
                        .arg(fileName)
                        .arg(count),
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("Messages", "&Copy"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void report_cannot_start(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, kTitle, text);
}

void report_not_done(QWidget* parent, const QString& what, const DbError& error)
{
    if (error.passing())
        report_unavailable(parent, error, what + QCoreApplication::translate("Messages", " Try again in a moment."));
    else
        report_not_done(parent, what, QCoreApplication::translate("Messages", "%1 (error %2)").arg(error.message()).arg(error.number()));
}

void report_not_done(QWidget* parent, const QString& what, const QString& why)
{
    QMessageBox::warning(parent, kTitle, what + QStringLiteral("\n\n") + why);
}

void report_too_long(QWidget* parent, const QString& box, qsizetype length, qsizetype most)
{
    QMessageBox::warning(parent, kTitle,
                         QCoreApplication::translate("Messages", "The record was not saved.\n\nThe %1 box holds %2 characters; it may hold at most %3. "
                                                                    "Nothing you typed is lost: shorten the text and save again.")
                             .arg(box)
                             .arg(length)
                             .arg(most));
}

void report_notice(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, kTitle, text);
}

QString ask_password(QWidget* parent, const QString& database, const QString& why)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(kTitle);
    dialog.setLabelText(QCoreApplication::translate("Messages", "%1\n\nPassword for the database %2:").arg(why, database));
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}
