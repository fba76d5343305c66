// tallyhouse-mkdb: creates a new dept database, imports customers into one,
// or prints its customers to a PDF file.
//
//   tallyhouse-mkdb TARGET                     the sample customers
//   tallyhouse-mkdb TARGET --rows N [--seed S] N generated customers
//   tallyhouse-mkdb TARGET --empty             the table without rows
//   tallyhouse-mkdb TARGET --copy-from SOURCE  every customer of another database (or of an
//                                              Access file), keys and all
//   tallyhouse-mkdb --import FILE.csv TARGET   adds the customers of a CSV file to a database
//   tallyhouse-mkdb --export-history FILE.csv TARGET
//                                              writes every version of every customer as CSV
//   tallyhouse-mkdb --forget-history-before DATE TARGET
//                                              forgets the versions older than DATE
//   tallyhouse-mkdb --print-pdf FILE.pdf [--labels SHEET]
//                   [--first-name-prefix TEXT | --last-name-prefix TEXT] TARGET
//                                              the list of customers, or their address
//                                              labels, as a PDF file
//
// A TARGET (and a SOURCE) is a file path, a PostgreSQL URL or libpq
// connection string, never with a password. Creating
// never touches an existing file, nor a server database that has a table
// dept already; a database gets its table and rows in one transaction.
// Messages name a server database without its password.

#include "data/engines/target.h"
#include "data/transfer/access_file.h"
#include "data/customer_history.h"
#include "data/database.h"
#include "app/program.h"
#include "data/transfer/customer_import.h"
#include "data/transfer/customer_export.h"
#include "print/customer_print.h"
#include "sample_rows.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <memory>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

// The first lines of --help, and what a wrong command line is told.
QString usage()
{
    return QCoreApplication::translate("Mkdb",
        "Usage: tallyhouse-mkdb TARGET [--rows N [--seed S] | --empty | --copy-from SOURCE]\n"
        "  or:  tallyhouse-mkdb --import FILE.csv TARGET\n"
        "  or:  tallyhouse-mkdb --export-history FILE.csv TARGET\n"
        "  or:  tallyhouse-mkdb --forget-history-before DATE TARGET\n"
        "  or:  tallyhouse-mkdb --print-pdf FILE.pdf [--labels SHEET]\n"
        "                       [--first-name-prefix TEXT | --last-name-prefix TEXT] TARGET\n");
}

QString help()
{
    return usage() + QCoreApplication::translate("Mkdb",
        "\n"
        "Makes a new customer database, adds the customers of a CSV file to one, or\n"
        "prints its customers to a PDF file.\n"
        "TARGET and SOURCE are database files, PostgreSQL URLs or libpq connection\n"
        "strings (host=db1 dbname=shop), never with a password: ~/.pgpass, PGPASSWORD\n"
        "or a PostgreSQL service file gives it. SOURCE may also be a Microsoft Access\n"
        "file, whose customers are copied; Tallyhouse never writes one.\n"
        "\n"
        "  --rows N            N generated customers instead of the sample ones\n"
        "  --seed S            the seed of the generated customers (default 1)\n"
        "  --empty             the table dept without customers\n"
        "  --copy-from SOURCE  every customer of another database, keys and all\n"
        "  --import FILE.csv   adds the customers of a CSV file to an existing database\n"
        "  --export-history FILE.csv\n"
        "                      writes every version of every customer, oldest first,\n"
        "                      to a CSV file (times in UTC)\n"
        "  --forget-history-before DATE\n"
        "                      forgets the versions older than DATE (YYYY-MM-DD, from\n"
        "                      midnight local time), in one transaction\n"
        "  --print-pdf FILE.pdf  writes the list of customers to a PDF file, as the\n"
        "                      window prints it: every text whole, \"Page N of M\" at\n"
        "                      the foot, on A4 or US Letter as the locale's paper is\n"
        "                      (LC_PAPER), in landscape when the columns need it\n"
        "  --labels SHEET      address labels instead, one a customer, on sheets of\n"
        "                      a4-3x8 (70 x 37 mm), a4-3x7 (63.5 x 38.1 mm) or\n"
        "                      letter-3x10 (2 5/8 x 1 in)\n"
        "  --first-name-prefix TEXT, --last-name-prefix TEXT\n"
        "                      only the customers whose first (last) name begins with\n"
        "                      TEXT, in name order, as the window's filter lists them\n"
        "  --help              show this text and end\n"
        "  --version           show the version and end\n"
        "\n"
        "Creating never touches an existing file, nor a server database that has a\n"
        "table dept already; the table and its customers are made in one transaction.\n"
        "An import adds all the customers of the file or none. A PDF file is written\n"
        "whole or not at all.\n"
        "\n"
        "The database keeps every version of every customer in the table dept_history:\n"
        "each insert, update and delete of dept, by any program, with its time and\n"
        "its author.\n");
}

// A command line that cannot be followed: status 2.
int wrong(const QString& message)
{
    std::fprintf(stderr, "tallyhouse-mkdb: %s\n%s", qPrintable(message), qPrintable(usage()));
    return 2;
}

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
}

int fail(const QString& message)
{
    std::fprintf(stderr, "tallyhouse-mkdb: %s\n", qPrintable(message));
    return 1;
}

// The sample customers (rows < 0) or rows generated ones, as an import's source.
class SampleSource : public CustomerSource {
public:
    SampleSource(qint64 rows, quint64 seed) : rows_(rows), seed_(seed)
    {
        if (rows_ < 0)
            fixed_ = sample::fixed_rows();
    }
    void rewind() override { at_ = 0; }
    bool next(ImportedCustomer& customer) override
    {
        if (at_ >= (rows_ < 0 ? fixed_.size() : rows_))
            return false;
        const sample::Row row = rows_ < 0 ? fixed_[at_] : sample::generated_row(at_ + 1, seed_);
        for (int i = 0; i < row.size(); ++i)
            set_column_value(customer.row, i, row[i]);
        customer.hasKey = true;
        customer.line = ++at_;
        return true;
    }
    QString unit() const override { return QCoreApplication::translate("Mkdb", "row"); }
    bool keys_stay() const override { return true; }

private:
    qint64 rows_;
    quint64 seed_;
    QVector<sample::Row> fixed_;
    qint64 at_ = 0;
};

// Creates table dept in target and fills it from source, all or nothing
// (create_filled_database). done, when given, is told how many customers
// were added to the database of which name.
using Done = std::function<void(qint64 added, const QString& name)>;
int create_filled(const QString& target, CustomerSource& source, const Done& done = {})
{
    try {
        QString name;
        const ImportResult result = create_filled_database(target, source, &name);
        if (result.outcome != ImportResult::Done)
            return fail(result.refusal + QCoreApplication::translate("Mkdb", "; nothing was created"));
        if (done)
            done(result.added, name);
        return 0;
    } catch (const DbError& e) {
        return fail(e.message());
    }
}

// Every customer of source, a database file or URL, or an Access file,
// into a new target.
int copy(const QString& target, const QString& from)
{
    const auto told = [](const QString& source) {
        return [source](qint64 added, const QString& name) {
            say(QCoreApplication::translate("Mkdb", "Copied %n customers from %1 into %2.", nullptr, int(added)).arg(source, name));
        };
    };
    try {
        if (!target::is_server(from) && is_access_file(from)) {
            AccessCustomerSource rows(from);
            return create_filled(target, rows, told(rows.name()));
        }
        Database source;
        source.open(from);
        CustomerTable table(source);
        table.open_for_reading();
        TableCustomerSource rows(table);
        return create_filled(target, rows, told(source.name()));
    } catch (const DbError& e) {
        return fail(e.message());
    }
}

// Adds the customers of a CSV file to the table of an existing database.
int import(const QString& csvPath, const QString& target)
{
    if (is_access_file(csvPath))
        return fail(QCoreApplication::translate("Mkdb", "%1 is a Microsoft Access database, not a CSV file: to bring its customers over, "
                                                        "copy them into a new database with --copy-from %1").arg(csvPath));
    QFile csv(csvPath);
    if (!csv.open(QIODevice::ReadOnly))
        return fail(QCoreApplication::translate("Mkdb", "cannot read %1: %2").arg(csvPath, csv.errorString()));
    Database cn;
    try {
        cn.open(target);
        CustomerTable table(cn);
        table.open();
        CsvCustomerSource source(&csv);
        const ImportResult result = import_customers(table, source);
        if (source.windows1252())
            say(QCoreApplication::translate("Mkdb", "%1 is not UTF-8: it was read as Windows-1252.").arg(csvPath));
        if (result.outcome != ImportResult::Done)
            return fail(QCoreApplication::translate("Mkdb", "%1: %2; nothing was imported").arg(csvPath, result.refusal));
        say(QCoreApplication::translate("Mkdb", "Imported %n customers into %1.", nullptr, int(result.added)).arg(cn.name()));
        if (result.renumbered > 0)
            say(QCoreApplication::translate("Mkdb", "%1 of them got new numbers: theirs belonged to other customers.").arg(result.renumbered));
        return 0;
    } catch (const DbError& e) {
        return fail(e.message() + QCoreApplication::translate("Mkdb", "; nothing was imported"));
    }
}

// Opens target's table as the program does (which gives a database made
// before the history its history) and runs work on its history.
template <class Work>
int with_history(const QString& target, Work work)
{
    Database cn;
    try {
        cn.open(target);
        CustomerTable table(cn);
        table.open();
        CustomerHistory history(cn);
        return work(cn, history);
    } catch (const DbError& e) {
        return fail(e.message());
    }
}

int export_history(const QString& csvPath, const QString& target)
{
    return with_history(target, [&](Database& cn, CustomerHistory& history) {
        QFile csv(csvPath);
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(QCoreApplication::translate("Mkdb", "cannot write %1: %2").arg(csvPath, csv.errorString()));
        const ExportResult result = history.export_csv(&csv);
        if (result.outcome != ExportResult::Done)
            return fail(QCoreApplication::translate("Mkdb", "cannot write %1: %2").arg(csvPath, result.error));
        say(QCoreApplication::translate("Mkdb", "Wrote %n versions of the customers of %1 to %2.", nullptr, int(result.rows))
                .arg(cn.name(), csvPath));
        return 0;
    });
}

int forget_history(const QDate& date, const QString& target)
{
    return with_history(target, [&](Database&, CustomerHistory& history) {
        const qint64 forgotten = history.forget_before(QDateTime(date, QTime(0, 0)));
        say(QCoreApplication::translate("Mkdb", "Forgot %n versions older than %1.", nullptr, int(forgotten))
                .arg(date.toString(Qt::ISODate)));
        return 0;
    });
}

// The customers source lists, as a list or as labels on sheet, to a PDF
// file. Only reads the database.
int print_pdf(const QString& pdfPath, const QString& target, const RowSource& source,
              const std::optional<print::LabelSheet>& sheet)
{
    Database cn;
    try {
        cn.open(target);
        CustomerTable table(cn);
        table.open_for_reading();
        ListingCursor cursor(table, source);
        print::ListLayout layout(print::filter_text(source));
        QPageLayout page;
        if (sheet) {
            page = print::label_page(*sheet);
        } else {
            layout.fit(print::first_rows(cursor));
            const QPageSize::PageSizeId paper = print::paper_for(print::paper_locale());
            page = print::page_layout(paper, layout.orientation(paper));
        }
        const QString title = sheet ? QCoreApplication::translate("Print", "Address labels") : QCoreApplication::translate("Print", "Customers");
        print::Printed printed;
        const print::Written written = print::write_pdf(pdfPath, page, title, [&](QPagedPaintDevice* device) {
            printed = print::print_customers(device, cursor, layout, sheet);
            return printed.outcome == print::Printed::Done;
        });
        if (printed.outcome == print::Printed::Changed)
            return fail(QCoreApplication::translate("Mkdb", "the customers changed while they were printed, so that the pages "
                                                            "would be numbered wrong; %1 was not written: print again").arg(pdfPath));
        if (written.outcome != print::Written::Done)
            return fail(QCoreApplication::translate("Mkdb", "cannot write %1: %2").arg(pdfPath, written.error));
        say(QCoreApplication::translate("Mkdb", "Printed %n customers of %1 to %2.", nullptr, int(printed.customers)).arg(cn.name(), pdfPath));
        return 0;
    } catch (const DbError& e) {
        return fail(e.message() + QCoreApplication::translate("Mkdb", "; %1 was not written").arg(pdfPath));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Printing lays text out, which takes a GUI application: one without
    // a display.
    std::unique_ptr<QCoreApplication> application;
    if (std::any_of(argv + 1, argv + argc, [](const char* a) { return std::strcmp(a, "--print-pdf") == 0; })) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    install_translations(app, user_languages(QProcessEnvironment::systemEnvironment()), translation_folders());
    const QStringList args = app.arguments().mid(1);
    QStringList targets;
    QString copyFrom, importFrom, exportHistory, printPdf;
    std::optional<print::LabelSheet> sheet;
    RowSource source;
    QDate forgetBefore;
    qint64 rows = -1;
    quint64 seed = 1;
    bool filled = false;  // --rows or --empty
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QLatin1String("--rows") && hasValue) {
            rows = args[++i].toLongLong(&ok);
            ok = ok && rows >= 0;
            filled = true;
        } else if (a == QLatin1String("--seed") && hasValue) {
            seed = args[++i].toULongLong(&ok);
        } else if (a == QLatin1String("--empty")) {
            rows = 0;
            filled = true;
        } else if (a == QLatin1String("--copy-from") && hasValue) {
            copyFrom = args[++i];
        } else if (a == QLatin1String("--import") && hasValue) {
            importFrom = args[++i];
        } else if (a == QLatin1String("--export-history") && hasValue) {
            exportHistory = args[++i];
        } else if (a == QLatin1String("--print-pdf") && hasValue) {
            printPdf = args[++i];
        } else if (a == QLatin1String("--labels") && hasValue) {
            sheet = print::label_sheet(args[++i]);
            if (!sheet)
                return wrong(QCoreApplication::translate("Mkdb", "%1 needs a4-3x8, a4-3x7 or letter-3x10, not \"%2\"").arg(a, args[i]));
        } else if ((a == QLatin1String("--first-name-prefix") || a == QLatin1String("--last-name-prefix")) && hasValue) {
            if (source.column != RowSource::Column::None)
                return wrong(QCoreApplication::translate("Mkdb", "--first-name-prefix and --last-name-prefix do not go together"));
            source = RowSource::names_beginning(a == QLatin1String("--first-name-prefix") ? RowSource::Column::Fname
                                                                                          : RowSource::Column::Lname,
                                                args[++i]);
        } else if (a == QLatin1String("--forget-history-before") && hasValue) {
            forgetBefore = QDate::fromString(args[++i], Qt::ISODate);
            if (!forgetBefore.isValid())
                return wrong(QCoreApplication::translate("Mkdb", "%1 needs a date as YYYY-MM-DD, not \"%2\"").arg(a, args[i]));
        } else if (QStringList{"--rows", "--seed", "--copy-from", "--import", "--export-history", "--forget-history-before",
                               "--print-pdf", "--labels", "--first-name-prefix", "--last-name-prefix"}.contains(a)) {
            return wrong(QCoreApplication::translate("Mkdb", "%1 needs a value").arg(a));
        } else if (a == QLatin1String("--help")) {
            std::fputs(qPrintable(help()), stdout);
            return 0;
        } else if (a == QLatin1String("--version")) {
            std::fputs(qPrintable(version_text(QStringLiteral("tallyhouse-mkdb (Tallyhouse)"))), stdout);
            return 0;
        } else if (a.startsWith(QLatin1String("-"))) {
            return wrong(QCoreApplication::translate("Mkdb", "unknown option %1").arg(a));
        } else {
            targets << a;
        }
        if (!ok)
            return wrong(QCoreApplication::translate("Mkdb", "%1 needs a whole number, not \"%2\"").arg(a, args[i]));
    }
    if (targets.size() != 1 || (!copyFrom.isEmpty() + !importFrom.isEmpty() + filled + !exportHistory.isEmpty() + forgetBefore.isValid()
                                + !printPdf.isEmpty()) > 1)
        return wrong(targets.size() != 1 ? QCoreApplication::translate("Mkdb", "name one database")
                                         : QCoreApplication::translate("Mkdb", "--rows, --empty, --copy-from, --import, --export-history, "
                                                                               "--forget-history-before and --print-pdf do not go together"));
    if (printPdf.isEmpty() && (sheet || source.column != RowSource::Column::None))
        return wrong(QCoreApplication::translate("Mkdb", "--labels, --first-name-prefix and --last-name-prefix go with --print-pdf"));
    const QString target = targets.first();
    for (const auto& [named, where] : {std::pair{target, QCoreApplication::translate("Mkdb", "target")},
                                  std::pair{copyFrom, QCoreApplication::translate("Mkdb", "--copy-from source")}})
        if (target::holds_password(named))
            return fail(target::password_refusal(where));

    try {
        if (!importFrom.isEmpty())
            return import(importFrom, target);
        if (!exportHistory.isEmpty())
            return export_history(exportHistory, target);
        if (forgetBefore.isValid())
            return forget_history(forgetBefore, target);
        if (!printPdf.isEmpty())
            return print_pdf(printPdf, target, source, sheet);
        if (!copyFrom.isEmpty())
            return copy(target, copyFrom);
        SampleSource source(rows, seed);
        return create_filled(target, source);
    } catch (const DbError& e) {
        return fail(e.message());
    }
}
