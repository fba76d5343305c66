// tallyhouse-bench: times the real window on large generated databases.
//
//   tallyhouse-bench [--engine sqlite|postgresql|both] [--sizes 10000,100000,1000000]
//                    [--reps 7] [--startups 9] [--data DIR] [--rtt 0,2,20]
//
// On SQLite, a database is generated once per size into
// DIR/rows-SIZE/db40.mdb (DIR defaults to bench-data beside this program)
// and reused afterwards. On PostgreSQL, a throwaway server
// (scripts/pg-scratch) gets one database per size, made as the program
// makes it and filled by COPY with the same rows, for this run only.
// Each start-up runs in a fresh process; one more process per size (on a
// copy of the SQLite file) runs the session (filter, navigation, grid,
// save, delete) and reports its peak resident memory. Prints one Markdown
// table per engine and size.
//
// With --rtt, each measuring process on PostgreSQL talks to the server
// through a LinkRelay of its own that behaves like a link of that
// round-trip time (ms; several, comma-separated, measure the same
// databases once per round-trip time): the window, its second connection
// and the floor alike. The tables then also show the round trips each step
// cost, and judge the steps by the targets for a server over a network.
// Export and import are not timed then. Every table shows the longest time
// the window's thread did not turn its event loop during each step.

#include "data/engines/pg_dialect.h"
#include "pg_floor.h"
#include "report.h"
#include "scenario.h"
#include "support/pg_scratch.h"
#include "transfer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <libpq-fe.h>
#include <memory>

namespace {

using bench::EngineKind;

struct Options {
    QList<EngineKind> engines{EngineKind::Sqlite, EngineKind::Postgresql};
    QList<qint64> sizes{10000, 100000, 1000000};
    int reps = 7;
    int startups = 9;
    QString data;
    QList<int> rtts;  // round-trip times of the relay; none: no relay
};

[[noreturn]] void die(const QString& message)
{
    std::fprintf(stderr, "tallyhouse-bench: %s\n", qPrintable(message));
    std::exit(1);
}

Options parse(const QStringList& args)
{
    Options o;
    o.data = QCoreApplication::applicationDirPath() + QStringLiteral("/bench-data");
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString value = args.value(i + 1);
        bool ok = true;
        if (a == QLatin1String("--engine")) {
            if (value == QLatin1String("sqlite"))
                o.engines = {EngineKind::Sqlite};
            else if (value == QLatin1String("postgresql"))
                o.engines = {EngineKind::Postgresql};
            else
                ok = value == QLatin1String("both");
        } else if (a == QLatin1String("--sizes")) {
            o.sizes.clear();
            for (const QString& s : value.split(u','))
                if (ok)
                    o.sizes << s.toLongLong(&ok);
        } else if (a == QLatin1String("--reps")) {
            o.reps = value.toInt(&ok);
        } else if (a == QLatin1String("--startups")) {
            o.startups = value.toInt(&ok);
        } else if (a == QLatin1String("--rtt")) {
            for (const QString& s : value.split(u','))
                if (ok)
                    o.rtts << s.toInt(&ok);
            ok = ok && *std::min_element(o.rtts.begin(), o.rtts.end()) >= 0;
        } else if (a == QLatin1String("--data")) {
            o.data = value;
        } else {
            die(QStringLiteral("unknown argument %1").arg(a));
        }
        if (!ok || value.isEmpty())
            die(QStringLiteral("%1 needs a value").arg(a));
        ++i;
    }
    if (o.sizes.isEmpty() || o.reps < 1 || o.startups < 1)
        die(QStringLiteral("nothing to measure"));
    return o;
}

// The SQLite file of this size, generated on first use.
QString sqliteDatabase(const Options& o, qint64 size)
{
    const QString dir = QStringLiteral("%1/rows-%2").arg(o.data).arg(size);
    const QString db = dir + QStringLiteral("/db40.mdb");
    if (QFile::exists(db))
        return db;
    QDir().mkpath(dir);
    const QString part = db + QStringLiteral(".part");
    QFile::remove(part);
    std::fprintf(stderr, "generating %lld rows into %s\n", size, qPrintable(db));
    const int rc = QProcess::execute(QCoreApplication::applicationDirPath() + QStringLiteral("/tallyhouse-mkdb"),
                                     {part, QStringLiteral("--rows"), QString::number(size), QStringLiteral("--seed"), QStringLiteral("1")});
    if (rc != 0 || !QFile::rename(part, db))
        die(QStringLiteral("cannot generate %1").arg(db));
    return db;
}

// A new database of this size on the server, made as the program makes
// table dept and filled with tallyhouse-mkdb's rows; its URL.
QString serverDatabase(PgScratch& server, qint64 size)
{
    const QString url = server.createDatabase();
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(url.toUtf8().constData()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        die(QString::fromUtf8(PQerrorMessage(conn.get())));
    const FillTimes fill = fillDept(conn.get(), PgDialect().create_statements(QStringLiteral("dept")), size, 1);
    std::fprintf(stderr, "filled %lld rows into %s in %.1f s\n", size, qPrintable(url),
                 (fill.copy + fill.indexes + fill.vacuum) / 1000);
    return url;
}

// Runs this program again in one of its measuring modes; its output.
QString child(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        die(QStringLiteral("measuring run %1 failed").arg(args.join(u' ')));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Measures every size on one engine, through a relay of rtt ms (none when
// negative). The start-ups of all sizes take turns, so that a busy moment
// of the machine does not fall on one size only and skew the ratio between
// them.
QList<bench::Results> measure(const Options& o, const QStringList& targets, int rtt)
{
    QList<bench::Results> results(o.sizes.size());
    auto run = [&](int k, QStringList args) {
        results[k].rtt = rtt;
        results[k].load << bench::loadAverage();
        results[k].add(child(args << QString::number(rtt)));
    };
    for (int i = 0; i < o.startups; ++i)
        for (int k = 0; k < targets.size(); ++k)
            run(k, {QStringLiteral("--measure-startup"), targets[k], QStringLiteral("1")});
    for (int k = 0; k < targets.size(); ++k) {
        const QString reps = QString::number(o.reps);
        if (!targets[k].endsWith(QLatin1String(".mdb"))) {
            // The session undoes its changes; the start-ups are done.
            run(k, {QStringLiteral("--measure-session"), targets[k], reps});
            continue;
        }
        // The session changes the file: it runs on a copy.
        QTemporaryDir tmp(o.data + QStringLiteral("/session-XXXXXX"));
        const QString copy = tmp.path() + QStringLiteral("/db40.mdb");
        if (!tmp.isValid() || !QFile::copy(targets[k], copy))
            die(QStringLiteral("cannot copy the database of %1 rows").arg(o.sizes[k]));
        run(k, {QStringLiteral("--measure-session"), copy, reps});
    }
    for (bench::Results& r : results)
        r.load << bench::loadAverage();
    return results;
}

// Printing every customer of each size's file: the preview's first page
// and the PDF, each in a process of its own for its peak memory. The
// customers are read as on any engine (a page at a time), so a file
// stands for both.
QString printingTable(const Options& o)
{
    const QLocale c(QLocale::English);
    QString out = QStringLiteral("#### Printing every customer (SQLite file)\n\nLoad average (1 min) before: %1.\n\n"
                                 "| customers | preview: first page, median ms | worst ms | PDF ms | longest stall ms | peak resident memory | target |\n"
                                 "|---:|---:|---:|---:|---:|---:|---|\n")
                      .arg(bench::loadAverage(), 0, 'f', 2);
    for (qint64 size : o.sizes) {
        QList<double> preview;
        double pdfMs = 0, stall = 0, rssKb = 0;
        for (const QString& line : child({QStringLiteral("--measure-print"), sqliteDatabase(o, size), QString::number(o.reps),
                                          QStringLiteral("-1")}).split(u'\n')) {
            const QStringList f = line.split(u'\t');
            if (f.value(0) == QLatin1String("print") && f.value(1) == QLatin1String("preview"))
                preview << f.value(2).toDouble();
            if (f.value(0) == QLatin1String("print") && f.value(1) == QLatin1String("pdf")) {
                pdfMs = f.value(2).toDouble();
                stall = f.value(3).toDouble();
            }
            if (f.value(0) == QLatin1String("rss"))
                rssKb = f.value(1).toDouble();
        }
        std::sort(preview.begin(), preview.end());
        const double median = preview.value(preview.size() / 2), worst = preview.isEmpty() ? 0 : preview.back();
        QStringList judged{QStringLiteral("preview ≤ 300 ms: %1").arg(worst <= 300 ? "met" : "**missed**"),
                           QStringLiteral("memory ≤ 100 MB: %1").arg(rssKb / 1024 <= 100 ? "met" : "**missed**")};
        if (size == 10000 || size == 100000) {
            const double most = size == 10000 ? 3000 : 30000;
            judged.prepend(QStringLiteral("PDF ≤ %1 s: %2").arg(most / 1000).arg(pdfMs <= most ? "met" : "**missed**"));
        }
        out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 MB | %7 |\n")
                   .arg(c.toString(size), c.toString(median, 'f', 1), c.toString(worst, 'f', 1), c.toString(pdfMs, 'f', 0),
                        c.toString(stall, 'f', 1), c.toString(rssKb / 1024, 'f', 1), judged.join(QStringLiteral("; ")));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    // Read before QApplication, which takes some arguments for itself.
    // The measuring modes: MODE TARGET REPS RTT (no relay when RTT < 0).
    const QString mode = argc >= 5 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("--measure-print")) {
        QApplication app(argc, argv);
        return bench::measurePrint(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    }
    if (mode == QLatin1String("--measure-startup") || mode == QLatin1String("--measure-session")) {
        const QString target = QString::fromLocal8Bit(argv[2]);
        const int reps = std::atoi(argv[3]);
        const int rtt = std::atoi(argv[4]);
        QApplication app(argc, argv);
        if (mode == QLatin1String("--measure-startup"))
            return bench::measureStartup(target, rtt, sinceMain);
        return bench::measureSession(target, reps, rtt, sinceMain);
    }

    QCoreApplication app(argc, argv);
    const Options o = parse(app.arguments());
    // The throwaway server has no SSL. With libpq's default (sslmode=prefer)
    // every connection would first ask it for SSL and be told no: a round
    // trip that is the server's set-up, not the program's. The measuring
    // processes inherit the setting; PGSSLMODE=prefer measures that trip too.
    if (qEnvironmentVariableIsEmpty("PGSSLMODE"))
        qputenv("PGSSLMODE", "disable");
    std::printf("Tallyhouse benchmark on %s, %d cores: %d start-ups and %d repetitions of each step per size.\n"
                "Times in ms; targets are judged on 1,000,000 rows. PostgreSQL connections: sslmode=%s.\n",
                qPrintable(QSysInfo::prettyProductName()), QThread::idealThreadCount(), o.startups, o.reps,
                qgetenv("PGSSLMODE").constData());
    std::fflush(stdout);
    // Printing reads as every engine reads; it is timed on files.
    if (o.rtts.isEmpty() && o.engines.contains(EngineKind::Sqlite)) {
        std::printf("\n%s", qPrintable(printingTable(o)));
        std::fflush(stdout);
    }
    for (EngineKind engine : o.engines) {
        try {
            std::unique_ptr<PgScratch> server;
            QStringList targets;
            if (engine == EngineKind::Postgresql)
                server = std::make_unique<PgScratch>();
            for (qint64 size : o.sizes)
                targets << (server ? serverDatabase(*server, size) : sqliteDatabase(o, size));
            // A relay stands for a network to a server; a file has none.
            const QList<int> rtts = server && !o.rtts.isEmpty() ? o.rtts : QList<int>{-1};
            QList<bench::Results> atZero;  // through a relay of RTT 0, when measured
            for (int rtt : rtts) {
                const QList<bench::Results> results = measure(o, targets, rtt);
                if (rtt == 0)
                    atZero = results;
                for (int k = 0; k < results.size(); ++k)
                    std::printf("\n%s", qPrintable(bench::table(engine, o.sizes[k], results[k], o.sizes.front(), results.front(),
                                                                atZero.isEmpty() ? nullptr : &atZero[k])));
                std::fflush(stdout);
            }
            // Export and import of the largest size's customers; they do
            // not go through a relay, and are left out when timing one.
            if (!o.rtts.isEmpty())
                continue;
            const QString largest = sqliteDatabase(o, o.sizes.back());
            const QString transfer = engine == EngineKind::Sqlite ? bench::transferTableSqlite(largest, o.data)
                                                                  : bench::transferTablePostgres(largest, o.data);
            std::printf("\n%s", qPrintable(transfer));
            std::fflush(stdout);
        } catch (const std::exception& e) {
            die(QString::fromUtf8(e.what()));
        }
    }
    return 0;
}
