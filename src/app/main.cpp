// Tallyhouse: keeps the customer table of db40.mdb beside the program.

#include "data/db_error.h"
#include "data/modyul.h"
#include "form/form1.h"
#include "ui/app_icon.h"
#include "ui/messages.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyhouse"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setWindowIcon(app_icon());

    modyul::Data data(modyul::db_path());
    Form1 form(data);
    QObject::connect(&form, &Form1::ended, &app, [](int status) { QCoreApplication::exit(status); });
    for (;;) {
        try {
            form.Form_Load();
            break;
        } catch (const DbError& e) {
            // Another program's lock passes; anything else ends the program.
            if (e.busy() && ask_retry_busy(nullptr, e))
                continue;
            if (!e.busy())
                report_runtime_error(nullptr, e);
            return 1;
        }
    }
    form.show();
    return app.exec();
}
