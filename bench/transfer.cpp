#include "transfer.h"

#include "data/connection.h"
#include "data/customer_export.h"
#include "data/customer_import.h"
#include "data/sqlite_engine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <stdexcept>

namespace bench {

namespace {

struct Opened {
    Connection cn;
    CustomerTable table{cn};
    explicit Opened(const QString& target)
    {
        cn.open(target);
        table.open();
    }
};

QString row(const QString& step, double ms, qint64 rows)
{
    const QLocale c(QLocale::English);
    return QStringLiteral("| %1 | %2 | %3 |\n").arg(step, c.toString(ms, 'f', 0), c.toString(qint64(rows * 1000.0 / ms)));
}

}  // namespace

QString transferTable(const QString& engine, const QString& target, const QString& emptyTarget, const QString& workDir)
{
    const QString csvPath = workDir + QStringLiteral("/customers.csv");
    QElapsedTimer t;
    try {
        Opened from(target);
        QFile out(csvPath);
        if (!out.open(QIODevice::WriteOnly))
            throw std::runtime_error(out.errorString().toStdString());
        t.start();
        const ExportResult exported = export_customers(from.table, RowSource::all(), &out);
        out.close();
        const double exportMs = t.nsecsElapsed() / 1e6;
        if (exported.outcome != ExportResult::Done)
            throw std::runtime_error(exported.error.toStdString());

        Opened into(emptyTarget);
        QFile in(csvPath);
        if (!in.open(QIODevice::ReadOnly))
            throw std::runtime_error(in.errorString().toStdString());
        CsvCustomerSource source(&in);
        t.restart();
        const ImportResult imported = import_customers(into.table, source);
        const double importMs = t.nsecsElapsed() / 1e6;
        if (imported.outcome != ImportResult::Done || imported.added != exported.rows)
            throw std::runtime_error(QStringLiteral("the import added %1 of %2 rows: %3")
                                         .arg(imported.added).arg(exported.rows).arg(imported.refusal).toStdString());

        const QLocale c(QLocale::English);
        return QStringLiteral("#### Export and import of %1 customers (%2)\n\n"
                              "| step | ms | rows per second |\n|---|---:|---:|\n")
                   .arg(c.toString(exported.rows), engine)
            + row(QStringLiteral("export to CSV (%1 MB)").arg(c.toString(QFile(csvPath).size() / 1e6, 'f', 0)), exportMs, exported.rows)
            + row(QStringLiteral("import into an empty database"), importMs, imported.added);
    } catch (const DbError& e) {
        throw std::runtime_error(e.message().toStdString());
    }
}

QString transferTableSqlite(const QString& dbFile, const QString& workParent)
{
    QTemporaryDir work(workParent + QStringLiteral("/transfer-XXXXXX"));
    const QString empty = work.path() + QStringLiteral("/empty.mdb");
    try {
        SqliteEngine::create_database(empty);
    } catch (const DbError& e) {
        throw std::runtime_error(e.message().toStdString());
    }
    return transferTable(QStringLiteral("SQLite"), dbFile, empty, work.path());
}

}  // namespace bench
