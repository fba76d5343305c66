#include "transfer.h"

#include "data/connection.h"
#include "support/await.h"
#include "data/customer_table.h"
#include "data/transfer/customer_export.h"
#include "data/transfer/customer_import.h"
#include "support/jet4_writer.h"
#include "support/pg_scratch.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <stdexcept>

namespace bench {

namespace {

// A database opened as the window opens it: a connection with the
// customer table on its own thread, where the export and the import run.
struct Opened {
    Connection cn;
    CustomerTable table{cn.database()};
    explicit Opened(const QString& target)
    {
        await(cn.ask([this, target](Database& db) {
            db.open(target);
            table.open();
        }));
    }
};

// One timed step of a table.
struct Step {
    QString name;
    double ms = 0;
    qint64 rows = 0;
};

QString table(const QString& title, const QList<Step>& steps)
{
    const QLocale c(QLocale::English);
    QString out = QStringLiteral("#### %1\n\n| step | ms | rows per second |\n|---|---:|---:|\n").arg(title);
    for (const Step& s : steps)
        out += QStringLiteral("| %1 | %2 | %3 |\n").arg(s.name, c.toString(s.ms, 'f', 0), c.toString(qint64(s.rows * 1000.0 / s.ms)));
    return out;
}

double msSince(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

// Exports every customer of target to a CSV file in workDir, then imports
// the file into emptyTarget: the two steps, and the rows exported.
QList<Step> exportAndImport(const QString& target, const QString& emptyTarget, const QString& workDir, qint64& rows)
{
    const QString csvPath = workDir + QStringLiteral("/customers.csv");
    QElapsedTimer t;
    try {
        Opened from(target);
        t.start();
        const ExportResult exported = await(from.cn.ask([&](Database&) {
            QFile out(csvPath);
            if (!out.open(QIODevice::WriteOnly))
                throw std::runtime_error(out.errorString().toStdString());
            return export_customers(from.table, RowSource::all(), &out);
        }));
        const double exportMs = msSince(t);
        if (exported.outcome != ExportResult::Done)
            throw std::runtime_error(exported.error.toStdString());

        Opened into(emptyTarget);
        t.restart();
        const ImportResult imported = await(into.cn.ask([&](Database&) {
            QFile in(csvPath);
            if (!in.open(QIODevice::ReadOnly))
                throw std::runtime_error(in.errorString().toStdString());
            CsvCustomerSource source(&in);
            return import_customers(into.table, source);
        }));
        const double importMs = msSince(t);
        if (imported.outcome != ImportResult::Done || imported.added != exported.rows)
            throw std::runtime_error(QStringLiteral("the import added %1 of %2 rows: %3")
                                         .arg(imported.added).arg(exported.rows).arg(imported.refusal).toStdString());
        rows = exported.rows;
        const QLocale c(QLocale::English);
        return {{QStringLiteral("export to CSV (%1 MB)").arg(c.toString(QFile(csvPath).size() / 1e6, 'f', 0)), exportMs, rows},
                {QStringLiteral("import into an empty database"), importMs, rows}};
    } catch (const DbError& e) {
        throw std::runtime_error(e.message().toStdString());
    }
}

void mkdb(const QStringList& args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tallyhouse-mkdb"), args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("tallyhouse-mkdb failed");
}

// Writes an Access (Jet 4) file of rows customers in workDir, then times
// tallyhouse-mkdb --copy-from it into a new SQLite file.
Step copyFromAccess(const QString& workDir, int rows)
{
    const QString access = workDir + QStringLiteral("/access.mdb");
    QFile out(access);
    if (!out.open(QIODevice::WriteOnly) || out.write(jet4::file({{QStringLiteral("dept"), jet4::dept_columns(), jet4::customers(rows)}})) < 0)
        throw std::runtime_error(out.errorString().toStdString());
    out.close();
    QElapsedTimer t;
    t.start();
    mkdb({workDir + QStringLiteral("/from-access.mdb"), QStringLiteral("--copy-from"), access});
    const QLocale c(QLocale::English);
    return {QStringLiteral("tallyhouse-mkdb --copy-from an Access file of %1 customers (%2 MB)")
                .arg(c.toString(rows), c.toString(QFileInfo(access).size() / 1e6, 'f', 0)),
            msSince(t), rows};
}

QString title(const QString& engine, qint64 rows)
{
    return QStringLiteral("Export and import of %1 customers (%2)").arg(QLocale(QLocale::English).toString(rows), engine);
}

}  // namespace

QString transferTableSqlite(const QString& dbFile, const QString& workParent)
{
    QTemporaryDir work(workParent + QStringLiteral("/transfer-XXXXXX"));
    const QString empty = work.path() + QStringLiteral("/empty.mdb");
    mkdb({empty, QStringLiteral("--empty")});
    qint64 rows = 0;
    QList<Step> steps = exportAndImport(dbFile, empty, work.path(), rows);
    steps << copyFromAccess(work.path(), 100000);
    return table(title(QStringLiteral("SQLite"), rows), steps);
}

QString transferTablePostgres(const QString& dbFile, const QString& workParent)
{
    PgScratch server;
    const QString from = server.createDatabase();
    const QString into = server.createDatabase();
    QElapsedTimer t;
    t.start();
    mkdb({from, QStringLiteral("--copy-from"), dbFile});
    const double copyMs = msSince(t);
    mkdb({into, QStringLiteral("--empty")});
    QTemporaryDir work(workParent + QStringLiteral("/transfer-XXXXXX"));
    qint64 rows = 0;
    QList<Step> steps = exportAndImport(from, into, work.path(), rows);
    steps.prepend({QStringLiteral("tallyhouse-mkdb --copy-from the file"), copyMs, rows});
    return table(title(QStringLiteral("PostgreSQL"), rows), steps);
}

}  // namespace bench
