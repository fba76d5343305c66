#include "startup.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/engines/target.h"
#include "data/transfer/access_file.h"
#include "ui/messages.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
// The database is an Access file: asks, then puts a copy of its customers
// in its place. False when the program ends: the user cancelled, or the
// file cannot be copied (told, and nothing written). The file is read and
// the copy written on a thread of their own, as the database's work is.
QCoro::Task<bool> bring_over_access_file(QString path)
{
    Connection worker;
    std::shared_ptr<AccessCustomerSource> source;
    ImportResult result;
    QString failure;
    try {
        // Read through before asking: a row the copy would refuse is told
        // at once.
        auto asked = worker.ask([path](Database&) {
            auto opened = std::make_shared<AccessCustomerSource>(path);
            return std::pair{opened, check_customers(*opened)};
        });
        std::tie(source, result) = co_await asked;
        if (result.outcome == ImportResult::Done) {
            const bool copy = co_await ask_copy_access_file(nullptr, QFileInfo(path).fileName(), source->count());
            if (!copy)
                co_return false;
            auto asked = worker.ask([path, source](Database&) { return replace_with_copy(path, *source); });
            result = co_await asked;
        }
        if (result.outcome != ImportResult::Done)
            failure = QCoreApplication::translate("Startup", "The Access database %1 cannot be copied: %2. Nothing was written.")
                          .arg(source->name(), result.refusal);
    } catch (const DbError& e) {
        failure = e.message();
    }
    if (!failure.isEmpty())
        co_await report_cannot_start(nullptr, failure);
    co_return failure.isEmpty();
}
}  // namespace

QCoro::Task<Started> start(DatabaseChoice choice)
{
    Started out;
    if (choice.kind == DatabaseChoice::Refused) {
        co_await report_cannot_start(nullptr, choice.error);
        co_return out;
    }
    if (choice.kind == DatabaseChoice::Create) {
        const bool create = co_await ask_create_database(nullptr, choice.target);
        if (!create)
            co_return out;
        std::optional<DbError> error;
        try {
            create_empty_database(choice.target);
        } catch (const DbError& e) {
            error = e;
        }
        if (error) {
            co_await report_runtime_error(nullptr, *error);
            co_return out;
        }
    }

    if (!target::is_server(choice.target) && is_access_file(choice.target)) {
        const bool copied = co_await bring_over_access_file(choice.target);
        if (!copied)
            co_return out;
    }

    out.list = std::make_unique<CustomerList>(choice.target);
    out.form = std::make_unique<Form1>(*out.list);
    for (;;) {
        std::optional<DbError> error;
        try {
            co_await out.form->Form_Load();
            co_return out;
        } catch (const DbError& e) {
            error = e;
        }
        // The server asks for a password: ask the user, and try again.
        if (error->kind() == DbError::Kind::Password) {
            const QString password = co_await ask_password(nullptr, out.list->name(), error->message());
            if (!password.isEmpty()) {
                out.list->setPassword(password);
                continue;
            }
        }
        // Another program's lock passes; anything else ends the program.
        if (error->busy()) {
            const bool again = co_await ask_retry_busy(nullptr, *error);
            if (again)
                continue;
        } else {
            const DbError told(error->number(), QCoreApplication::translate("Startup", "%1\n\nThe database was %2.").arg(error->message(), choice.reason));
            co_await report_runtime_error(nullptr, told);
        }
        out.form.reset();
        out.list.reset();
        co_return out;
    }
}
