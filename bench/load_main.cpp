// tallyhouse-load: several programs saving at once on one PostgreSQL
// server, and an account of every row afterwards.
//
//   tallyhouse-load [--programs 8] [--seconds 60] [--rows 100]
//
// Starts a throwaway server (scripts/pg-scratch), makes table dept as the
// program does with `rows` generated customers, and runs `programs`
// separate tallyhouse-driver processes on it, each running the real window's
// save loop (random adds, edits and deletes) for `seconds`. Then reads the
// table and accounts for every row against what the programs reported
// (load_check.h), and prints the throughput and the conflicts seen: the
// programs' notices and refusals, and the server's count of unique-key
// collisions (retried by the program without a word), lock timeouts and
// deadlocks, from its log. Exits 1 when a row is unaccounted for or a
// program failed.

#include "data/engines/pg_dialect.h"
#include "load_check.h"
#include "pg_floor.h"
#include "support/pg_scratch.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <libpq-fe.h>
#include <memory>
#include <stdexcept>

namespace {

struct Options {
    int programs = 8;
    int seconds = 60;
    qint64 rows = 100;
};

Options parse(const QStringList& args)
{
    Options o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        bool ok = false;
        const int value = args[i + 1].toInt(&ok);
        if (args[i] == QLatin1String("--programs"))
            o.programs = value;
        else if (args[i] == QLatin1String("--seconds"))
            o.seconds = value;
        else if (args[i] == QLatin1String("--rows"))
            o.rows = value;
        else
            ok = false;
        if (!ok)
            throw std::runtime_error(QStringLiteral("bad argument %1 %2").arg(args[i], args[i + 1]).toStdString());
    }
    if (args.size() % 2 == 0 || o.programs < 1 || o.seconds < 1 || o.rows < 1)
        throw std::runtime_error("usage: tallyhouse-load [--programs N] [--seconds S] [--rows N]");
    return o;
}

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;

Connection connect(const QString& url)
{
    Connection conn(PQconnectdb(url.toUtf8().constData()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw std::runtime_error(PQerrorMessage(conn.get()));
    return conn;
}

// The rows of a query, each as texts.
QList<QStringList> select(PGconn* conn, const char* sql)
{
    std::unique_ptr<PGresult, decltype(&PQclear)> r(PQexec(conn, sql), &PQclear);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        throw std::runtime_error(PQerrorMessage(conn));
    QList<QStringList> rows;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        QStringList row;
        for (int c = 0; c < PQnfields(r.get()); ++c)
            row << QString::fromUtf8(PQgetvalue(r.get(), i, c));
        rows << row;
    }
    return rows;
}

// The conflicts a program was told of, by the words of the message.
struct Told {
    int changed = 0;  // another program changed the record after it was shown
    int deleted = 0;  // another program deleted it after it was shown, or already
    int busy = 0;     // the database was held locked
    QStringList other;
};

Told classify(const QStringList& messages)
{
    Told t;
    for (const QString& m : messages) {
        if (m.contains(QLatin1String("changed this record after it was shown")))
            ++t.changed;
        else if (m.contains(QLatin1String("deleted this record")))
            ++t.deleted;
        else if (m.contains(QLatin1String("in use by another program")))
            ++t.busy;
        else
            t.other << m;
    }
    return t;
}

int count(const QList<load::Report>& reports, load::Report::Kind kind)
{
    return int(std::count_if(reports.begin(), reports.end(), [&](const load::Report& r) { return r.kind == kind; }));
}

// Seconds from the first click to the last click's return.
double span(const QList<load::Report>& reports)
{
    qint64 first = LLONG_MAX, last = 0;
    for (const load::Report& r : reports)
        if (r.kind != load::Report::Failed) {
            first = std::min(first, r.start);
            last = std::max(last, r.end);
        }
    return last > first ? (last - first) / 1e6 : 0;
}

int countIn(const QString& text, const char* words)
{
    return int(text.count(QLatin1String(words)));
}

int run(const Options& o)
{
    PgScratch server;
    const QString url = server.createDatabase();
    Connection conn = connect(url);
    fillDept(conn.get(), PgDialect().create_statements(QStringLiteral("dept")), o.rows, 1);
    std::printf("%d programs for %d s each on one PostgreSQL server over loopback, table dept starting with %lld customers.\n",
                o.programs, o.seconds, o.rows);
    std::fflush(stdout);

    QTemporaryDir out;
    std::vector<std::unique_ptr<QProcess>> programs;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (int i = 1; i <= o.programs; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setStandardOutputFile(out.filePath(QStringLiteral("program-%1.out").arg(i)));
        p->setStandardErrorFile(out.filePath(QStringLiteral("program-%1.err").arg(i)));
        p->start(QStringLiteral(TALLYHOUSE_DRIVER), {QStringLiteral("window"), url});
        // Tokens t10000000 on for program 1, t20000000 on for program 2, ...
        p->write(QStringLiteral("save-loop %1 %2 0 %3\nclick cmdexit\n").arg(i).arg(i * 10000000LL).arg(o.seconds).toUtf8());
        // Written now: QProcess would write it only while waiting for
        // this very program, and the programs would run one after another.
        if (!p->waitForBytesWritten(30000))
            throw std::runtime_error("cannot start tallyhouse-driver");
        p->closeWriteChannel();
        programs.push_back(std::move(p));
    }

    QStringList faults;
    QList<load::Report> reports;
    QList<load::ProgramLog> logs;
    for (int i = 1; i <= o.programs; ++i) {
        QProcess& p = *programs[i - 1];
        if (!p.waitForFinished((o.seconds + 300) * 1000)) {
            p.kill();
            p.waitForFinished();
        }
        QFile file(out.filePath(QStringLiteral("program-%1.out").arg(i)));
        file.open(QIODevice::ReadOnly);
        const load::ProgramLog log = load::parse(i, QString::fromUtf8(file.readAll()));
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || log.ended != 0) {
            QFile err(out.filePath(QStringLiteral("program-%1.err").arg(i)));
            err.open(QIODevice::ReadOnly);
            faults << QStringLiteral("program %1 did not end with Exit (status %2): %3")
                          .arg(i).arg(log.ended).arg(QString::fromUtf8(err.readAll().right(500)));
        }
        reports += log.reports;
        logs << log;
    }

    load::Rows rows;
    for (const QStringList& r : select(conn.get(), "SELECT cusnum, fname, lname, address, emaddress, phonenum, credlimit, "
                                                   "deptname FROM dept"))
        rows.insert(r[0].toLongLong(), r.mid(1));
    faults += load::account(reports, rows);

    std::printf("\n| program | saves | saves/s | deletes | not saved | told: changed meanwhile | told: deleted meanwhile | told: database busy |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|\n");
    Told all;
    for (int i = 0; i < logs.size(); ++i) {
        const QList<load::Report>& r = logs[i].reports;
        const Told t = classify(logs[i].messages);
        const double seconds = span(r);
        std::printf("| %d | %d | %.1f | %d | %d | %d | %d | %d |\n", i + 1, count(r, load::Report::Saved),
                    seconds > 0 ? count(r, load::Report::Saved) / seconds : 0.0, count(r, load::Report::Deleted),
                    count(r, load::Report::Failed), t.changed, t.deleted, t.busy);
        all.changed += t.changed;
        all.deleted += t.deleted;
        all.busy += t.busy;
        all.other += t.other;
    }
    const double seconds = span(reports);
    std::printf("| all, over %.1f s | %d | %.1f | %d | %d | %d | %d | %d |\n", seconds, count(reports, load::Report::Saved),
                seconds > 0 ? count(reports, load::Report::Saved) / seconds : 0.0, count(reports, load::Report::Deleted),
                count(reports, load::Report::Failed), all.changed, all.deleted, all.busy);
    for (const QString& m : all.other)
        std::printf("Also told: %s\n", qPrintable(QString(m).replace(u'\n', u' ')));

    // The server's side: every refused statement is in its log.
    QFile logFile(server.dir() + QStringLiteral("/server.log"));
    logFile.open(QIODevice::ReadOnly);
    const QString log = QString::fromUtf8(logFile.readAll());
    const QList<QStringList> stats = select(conn.get(), "SELECT xact_commit, xact_rollback, deadlocks FROM pg_stat_database "
                                                        "WHERE datname = current_database()");
    std::printf("\nServer: %d unique-key collisions on insert (each retried with the next key), %d statements that gave up "
                "waiting for a lock, %d deadlocks; %s transactions committed, %s rolled back.\n",
                countIn(log, "duplicate key value violates unique constraint"), countIn(log, "canceling statement due to lock timeout"),
                countIn(log, "deadlock detected"), qPrintable(stats.value(0).value(0)), qPrintable(stats.value(0).value(1)));
    std::printf("Table at the end: %lld customers, %lld of them holding a program's save.\n", qint64(rows.size()),
                qint64(std::count_if(rows.begin(), rows.end(), [](const QStringList& t) { return t.value(0).startsWith(u't'); })));

    if (!faults.isEmpty()) {
        std::printf("\n%lld faults:\n", qint64(faults.size()));
        for (const QString& f : faults)
            std::printf("- %s\n", qPrintable(f));
        return 1;
    }
    std::printf("\nEvery row is accounted for.\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        return run(parse(app.arguments()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tallyhouse-load: %s\n", e.what());
        return 1;
    }
}
