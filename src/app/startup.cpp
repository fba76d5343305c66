#include "startup.h"

#include "data/engines/target.h"
#include "data/transfer/access_file.h"
#include <QCoreApplication>
#include "data/db_error.h"
#include "ui/messages.h"

#include <QFileInfo>

namespace {
// The database is an Access file: asks, then puts a copy of its customers
// in its place. False when the program ends: the user cancelled, or the
// file cannot be copied (told, and nothing written).
bool bring_over_access_file(const QString& path)
{
    try {
        AccessCustomerSource source(path);
        // Read through before asking: a row the copy would refuse is told
        // at once.
        ImportResult result = check_customers(source);
        if (result.outcome == ImportResult::Done) {
            if (!ask_copy_access_file(nullptr, QFileInfo(path).fileName(), source.count()))
                return false;
            result = replace_with_copy(path, source);
        }
        if (result.outcome != ImportResult::Done)
            report_cannot_start(nullptr, QCoreApplication::translate("Startup", "The Access database %1 cannot be copied: %2. Nothing was written.")
                                             .arg(source.name(), result.refusal));
        return result.outcome == ImportResult::Done;
    } catch (const DbError& e) {
        report_cannot_start(nullptr, e.message());
        return false;
    }
}
}  // namespace

Started start(const DatabaseChoice& choice)
{
    Started out;
    if (choice.kind == DatabaseChoice::Refused) {
        report_cannot_start(nullptr, choice.error);
        return out;
    }
    if (choice.kind == DatabaseChoice::Create) {
        if (!ask_create_database(nullptr, choice.target))
            return out;
        try {
            create_empty_database(choice.target);
        } catch (const DbError& e) {
            report_runtime_error(nullptr, e);
            return out;
        }
    }

    if (!target::is_server(choice.target) && is_access_file(choice.target) && !bring_over_access_file(choice.target))
        return out;

    out.data = std::make_unique<modyul::Data>(choice.target);
    out.form = std::make_unique<Form1>(*out.data);
    for (;;) {
        try {
            out.form->Form_Load();
            return out;
        } catch (const DbError& e) {
            // The server asks for a password: ask the user, and try again.
            if (e.kind() == DbError::Kind::Password) {
                const QString password = ask_password(nullptr, out.data->cn.name(), e.message());
                if (!password.isEmpty()) {
                    out.data->cn.setPassword(password);
                    continue;
                }
            }
            // Another program's lock passes; anything else ends the program.
            if (e.busy() && ask_retry_busy(nullptr, e))
                continue;
            if (!e.busy())
                report_runtime_error(nullptr, DbError(e.number(), QCoreApplication::translate("Startup", "%1\n\nThe database was %2.").arg(e.message(), choice.reason)));
            out.form.reset();
            out.data.reset();
            return out;
        }
    }
}
