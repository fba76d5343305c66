// Tallyhouse: keeps the customer table of db40.mdb beside the program.

#include "app/error_report.h"
#include "data/db_error.h"
#include "form/form1.h"
#include "ui/app_icon.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyhouse"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setWindowIcon(app_icon());

    Form1 form;
    QObject::connect(&form, &Form1::ended, &app, [](int status) { QCoreApplication::exit(status); });
    try {
        form.Form_Load();
    } catch (const DbError& e) {
        report_runtime_error(nullptr, e);
        return 1;
    }
    form.show();
    return app.exec();
}
