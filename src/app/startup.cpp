#include "startup.h"

#include <QCoreApplication>
#include "data/db_error.h"
#include "ui/messages.h"

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

    out.data = std::make_unique<modyul::Data>(choice.target);
    out.form = std::make_unique<Form1>(*out.data);
    for (;;) {
        try {
            out.form->Form_Load();
            return out;
        } catch (const DbError& e) {
            // The server asks for a password: ask the user, and try again.
            if (e.kind() == DbError::Kind::Password) {
                const QString password = ask_password(nullptr, out.data->cn.engine().name(), e.message());
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
