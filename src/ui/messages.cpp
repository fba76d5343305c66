#include "ui/messages.h"

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

// Goes on when the dialog is answered, or when it is gone unanswered.
class Answered {
public:
    explicit Answered(QDialog* dialog) : dialog_(dialog) {}
    bool await_ready() const noexcept { return !dialog_; }
    void await_suspend(std::coroutine_handle<> waiter)
    {
        auto go_on = [this, waiter](int result) {
            result_ = result;
            QObject::disconnect(finished_);
            QObject::disconnect(destroyed_);
            waiter.resume();
        };
        finished_ = QObject::connect(dialog_, &QDialog::finished, go_on);
        destroyed_ = QObject::connect(dialog_, &QObject::destroyed, [go_on] { go_on(QDialog::Rejected); });
        if (dialog_->parentWidget()) {
            dialog_->open();
        } else {
            dialog_->setWindowModality(Qt::ApplicationModal);
            dialog_->show();
        }
    }
    int await_resume() const noexcept { return result_; }

private:
    QPointer<QDialog> dialog_;
    int result_ = QDialog::Rejected;
    QMetaObject::Connection finished_;
    QMetaObject::Connection destroyed_;
};

QCoro::Task<int> box(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    co_return co_await answer(new QMessageBox(icon, kTitle, text, QMessageBox::Ok, parent));
}
}  // namespace

QCoro::Task<int> answer(QDialog* dialog)
{
    const QPointer<QDialog> shown = dialog;
    const int result = co_await Answered(dialog);
    if (shown)
        shown->deleteLater();
    co_return result;
}

QCoro::Task<> report_runtime_error(QWidget* parent, const DbError& error)
{
    co_await box(parent, QMessageBox::Critical,
                 QCoreApplication::translate("Messages", "Run-time error '%1':\n\n%2").arg(error.number()).arg(error.message()));
}

QCoro::Task<> report_refusal(QWidget* parent, const QString& what, const DbError& error)
{
    if (error.passing()) {
        co_await report_unavailable(parent, error, what + QCoreApplication::translate("Messages", " Nothing you typed is lost: try again in a moment."));
        co_return;
    }
    co_await box(parent, QMessageBox::Warning,
                 QCoreApplication::translate("Messages", "%1\n\n%2 (error %3)").arg(what, error.message()).arg(error.number()));
}

QCoro::Task<> report_unavailable(QWidget* parent, const DbError& error, const QString& next)
{
    // A question the program gave up itself is nothing to tell.
    if (error.cancelled())
        co_return;
    // A lost server's message names the database and why it cannot be reached.
    const QString why = error.lost() ? error.message() : in_use(error);
    co_await box(parent, QMessageBox::Warning, why + QStringLiteral("\n\n") + next);
}

QCoro::Task<bool> ask_retry_busy(QWidget* parent, const DbError& error)
{
    auto* box = new QMessageBox(QMessageBox::Warning, kTitle,
                                in_use(error) + QCoreApplication::translate("Messages", "\n\nTry again, or cancel to end the program."),
                                QMessageBox::Retry | QMessageBox::Cancel, parent);
    box->setDefaultButton(QMessageBox::Retry);
    co_return co_await answer(box) == QMessageBox::Retry;
}

QCoro::Task<bool> ask_create_database(QWidget* parent, const QString& path)
{
    auto* box = new QMessageBox(QMessageBox::Question, kTitle,
                                QCoreApplication::translate("Messages", "No customer database was found. Create a new, empty one at %1?").arg(path),
                                QMessageBox::Ok | QMessageBox::Cancel, parent);
    box->button(QMessageBox::Ok)->setText(QCoreApplication::translate("Messages", "&Create"));
    box->setDefaultButton(QMessageBox::Ok);
    co_return co_await answer(box) == QMessageBox::Ok;
}

QCoro::Task<bool> ask_copy_access_file(QWidget* parent, const QString& fileName, qint64 count)
{
    auto* box = new QMessageBox(QMessageBox::Question, kTitle,
                                QCoreApplication::translate("Messages", "%1 was made by Microsoft Access. Tallyhouse can copy its %n customers into a new "
                                                                        "database and work on that; the Access file stays as it is. Copy them?",
                                                            nullptr, int(count))
                                    .arg(fileName),
                                QMessageBox::Ok | QMessageBox::Cancel, parent);
    box->button(QMessageBox::Ok)->setText(QCoreApplication::translate("Messages", "&Copy"));
    box->setDefaultButton(QMessageBox::Ok);
    co_return co_await answer(box) == QMessageBox::Ok;
}

QCoro::Task<> report_cannot_start(QWidget* parent, const QString& text)
{
    co_await box(parent, QMessageBox::Critical, text);
}

QCoro::Task<> report_not_done(QWidget* parent, const QString& what, const DbError& error)
{
    if (error.passing())
        co_await report_unavailable(parent, error, what + QCoreApplication::translate("Messages", " Try again in a moment."));
    else
        co_await report_not_done(parent, what, QCoreApplication::translate("Messages", "%1 (error %2)").arg(error.message()).arg(error.number()));
}

QCoro::Task<> report_not_done(QWidget* parent, const QString& what, const QString& why)
{
    co_await box(parent, QMessageBox::Warning, what + QStringLiteral("\n\n") + why);
}

QCoro::Task<> report_too_long(QWidget* parent, const QString& box_name, qsizetype length, qsizetype most)
{
    co_await box(parent, QMessageBox::Warning,
                 QCoreApplication::translate("Messages", "The record was not saved.\n\nThe %1 box holds %2 characters; it may hold at most %3. "
                                                         "Nothing you typed is lost: shorten the text and save again.")
                     .arg(box_name)
                     .arg(length)
                     .arg(most));
}

QCoro::Task<> report_notice(QWidget* parent, const QString& text)
{
    co_await box(parent, QMessageBox::Information, text);
}

QCoro::Task<QString> ask_password(QWidget* parent, const QString& database, const QString& why)
{
    auto* dialog = new QInputDialog(parent);
    dialog->setWindowTitle(kTitle);
    dialog->setLabelText(QCoreApplication::translate("Messages", "%1\n\nPassword for the database %2:").arg(why, database));
    dialog->setTextEchoMode(QLineEdit::Password);
    dialog->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    // The text is read before the dialog goes.
    QString password;
    QObject::connect(dialog, &QInputDialog::textValueSelected, dialog, [&password](const QString& text) { password = text; });
    const int result = co_await answer(dialog);
    co_return result == QDialog::Accepted ? password : QString();
}
