// tallyhouse-pgfloor: PostgreSQL's own times for the questions the window
// asks, on a throwaway server and a generated table.
//
//   tallyhouse-pgfloor [--rows 1000000] [--reps 7] [--shown 25] [--url URL]
//                      [--options "-c plan_cache_mode=force_custom_plan -c max_parallel_workers_per_gather=0"]
//
// Starts a server (scripts/pg-scratch), or uses the empty database at URL,
// makes table dept as the program does and fills it with the rows of
// tallyhouse-mkdb --rows N --seed 1, and prints the time to fill it and a
// Markdown table of the median and worst times of each question over reps
// runs, reading `shown` rows where the window reads a screenful.

#include "data/database.h"
#include "data/engines/pg_dialect.h"
#include "pg_floor.h"
#include "support/pg_scratch.h"
#include "tools/sample_rows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <libpq-fe.h>
#include <memory>
#include <stdexcept>

namespace {

struct Options {
    qint64 rows = 1000000;
    int reps = 7;
    int shown = 25;
    QString url;  // an empty database to use instead of a throwaway server
    // Settings of the measuring connection: a generic plan of a name search
    // cannot use the index, and on two cores parallel workers slow a count.
    QString options = kProgramSettings;
};

Options parse(const QStringList& args)
{
    Options o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString& name = args[i];
        const QString& value = args[i + 1];
        bool ok = true;
        if (name == QLatin1String("--rows"))
            o.rows = value.toLongLong(&ok);
        else if (name == QLatin1String("--reps"))
            o.reps = value.toInt(&ok);
        else if (name == QLatin1String("--shown"))
            o.shown = value.toInt(&ok);
        else if (name == QLatin1String("--url"))
            o.url = value;
        else if (name == QLatin1String("--options"))
            o.options = value;
        else
            ok = false;
        if (!ok)
            throw std::runtime_error(QStringLiteral("bad argument %1 %2").arg(name, value).toStdString());
    }
    if (args.size() % 2 == 0 || o.rows < 2 || o.reps < 1 || o.shown < 1)
        throw std::runtime_error("usage: tallyhouse-pgfloor [--rows N] [--reps R] [--shown N] [--url URL] [--options O]");
    return o;
}

// Runs a question reps times (rep 0, 1, ...) and prints a table row: the
// median and worst time, and the rows it counted.
void measure(const char* question, int reps, const std::function<FloorAnswer(int)>& ask)
{
    QList<double> ms;
    FloorAnswer last;
    for (int rep = 0; rep < reps; ++rep) {
        last = ask(rep);
        ms << last.ms;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("| %s | %.2f | %.2f | %s |\n", question, ms[ms.size() / 2], ms.back(),
                last.count < 0 ? "" : qPrintable(QString::number(last.count)));
    std::fflush(stdout);
}

// The keys first, first + 1, ... n of them.
QList<qint64> keys(qint64 first, int n)
{
    QList<qint64> list;
    for (int i = 0; i < n; ++i)
        list << first + i;
    return list;
}

QString lastName(PGconn* conn, qint64 key)
{
    const QByteArray text = QByteArray::number(key);
    const char* values[] = {text.constData()};
    PGresult* r = PQexecParams(conn, "SELECT lname FROM dept WHERE cusnum = $1", 1, nullptr, values, nullptr, nullptr, 0);
    const QString name = PQntuples(r) == 1 ? QString::fromUtf8(PQgetvalue(r, 0, 0)) : QString();
    PQclear(r);
    return name;
}

int run(const Options& o)
{
    std::unique_ptr<PgScratch> server;
    QString database = o.url;
    if (database.isEmpty()) {
        server = std::make_unique<PgScratch>();
        database = server->createDatabase();
    }
    const QString url = withSettings(database, o.options);
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(url.toUtf8().constData()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw std::runtime_error(PQerrorMessage(conn.get()));

    const quint64 seed = 1;
    const FillTimes fill = fillDept(conn.get(), PgDialect().create_statements(QStringLiteral("dept")), o.rows, seed);
    std::printf("PostgreSQL %d on %s: filled %lld rows in %.1f s (COPY %.1f s, name indexes and trigger %.1f s, VACUUM ANALYZE %.1f s).\n"
                "Connection options: %s. Times in ms over %d runs each, reading %d rows where the window reads a screenful.\n\n"
                "| question | median ms | worst ms | rows counted |\n|---|---:|---:|---:|\n",
                PQserverVersion(conn.get()) / 10000, qPrintable(database), o.rows,
                (fill.copy + fill.indexes + fill.vacuum) / 1000, fill.copy / 1000, fill.indexes / 1000, fill.vacuum / 1000,
                qPrintable(o.options), o.reps, o.shown);

    // Each answer is checked against what the generated table must give:
    // keys run from 1 to rows, and every change adds or removes one row.
    PgFloor floor(conn.get());
    const int n = o.shown;
    const qint64 count = o.rows;
    auto expect = [](const FloorAnswer& a, bool ok, const char* what) {
        if (!ok)
            throw std::runtime_error(std::string("wrong answer: ") + what);
        return a;
    };
    measure("start-up: connect, count, read", o.reps, [&](int) {
        const FloorAnswer a = PgFloor::openCountRead(url, n);
        return expect(a, a.count == count && a.keys == keys(1, n), "start-up");
    });
    qint64 previous = count;
    for (const char* prefix : {"m", "ma", "mar", "mart"}) {
        measure(qPrintable(QStringLiteral("names beginning \"%1\"").arg(QLatin1String(prefix))), o.reps, [&](int) {
            const FloorAnswer a = floor.countAndRead(QLatin1String(prefix), n);
            return expect(a, a.count > 0 && a.count <= previous && a.keys.size() == std::min<qint64>(n, a.count), prefix);
        });
        previous = floor.countAndRead(QLatin1String(prefix), n).count;
    }
    measure("the whole table", o.reps, [&](int) {
        const FloorAnswer a = floor.countAndRead(QString(), n);
        return expect(a, a.count == count && a.keys == keys(1, n), "whole table");
    });
    // A different part of the middle each time, as in tallyhouse-bench:
    // the row from the end of the key index, the screenful from its start.
    const qint64 step = std::max<qint64>(1, count / 1000);
    measure("a row in the middle", o.reps, [&](int rep) {
        const qint64 position = count / 2 + rep * step;
        const FloorAnswer a = floor.rowsAt(position, count, 1);
        return expect(a, a.keys == keys(position + 1, 1), "row in the middle");
    });
    measure("a screenful in the middle", o.reps, [&](int rep) {
        const qint64 position = std::max<qint64>(0, count / 2 - n - rep * step);
        const FloorAnswer a = floor.rowsAt(position, count, n);
        return expect(a, a.keys == keys(position + 1, n), "screenful in the middle");
    });

    // The three changes, each undone untimed before the next run.
    measure("insert with key max+1", o.reps, [&](int) {
        const FloorAnswer a = floor.changeAndRead(
            QStringLiteral("INSERT INTO dept (cusnum, fname, lname) SELECT max(cusnum) + 1, $1, $2 FROM dept"),
            {QStringLiteral("Zacharias"), QStringLiteral("Quist")}, n, true);
        floor.exec(QStringLiteral("DELETE FROM dept WHERE cusnum = $1"), {count + 1});
        return expect(a, a.count == count + 1 && a.keys.value(0) == count + 1, "insert");
    });
    const QString columns = QStringLiteral("fname, lname, address, emaddress, phonenum, credlimit, deptname");
    const QString update = QStringLiteral("UPDATE dept SET lname = $1 WHERE cusnum = $2 AND (%1) IS NOT DISTINCT FROM "
                                          "($3, $4, $5, $6, $7, $8, $9)").arg(columns);
    const qint64 key = count / 2;
    const sample::Row original = sample::generated_row(key, seed);
    measure("guarded update", o.reps, [&](int rep) {
        // Changes the last name back and forth; the guard holds the values
        // the row has before each run.
        sample::Row before = original;
        if (rep % 2)
            before[2] = QStringLiteral("Edited");
        QVariantList params{rep % 2 ? original[2] : QVariant(QStringLiteral("Edited")), key};
        params += before.mid(1, 7);
        const FloorAnswer a = floor.changeAndRead(update, params, n, true);
        return expect(a, a.count == count, "update");
    });
    if (lastName(conn.get(), key) != (o.reps % 2 ? QStringLiteral("Edited") : original[2].toString()))
        throw std::runtime_error("the guarded update did not change the row");
    measure("delete by key", o.reps, [&](int rep) {
        const qint64 victim = key + 1 + rep;
        const FloorAnswer a = floor.changeAndRead(QStringLiteral("DELETE FROM dept WHERE cusnum = $1"), {victim}, n, false);
        floor.exec(QStringLiteral("INSERT INTO dept VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)"),
                   sample::generated_row(victim, seed));
        return expect(a, a.count == count - 1 && a.keys == keys(1, n), "delete");
    });

    // What a statement costs beyond the server's work: one key lookup as
    // the program runs every statement with values (sent with its values
    // in one message), against the same statement prepared once.
    Database program;
    program.open(database);
    const QString lookup = QStringLiteral("SELECT cusnum FROM dept WHERE cusnum = %1");
    const int many = o.reps * 20;
    measure("a key lookup as the program runs it", many, [&](int rep) {
        QElapsedTimer t;
        t.start();
        FloorAnswer a;
        a.count = program.scalar(lookup.arg(QStringLiteral("?")), {key + rep % n}).isNull() ? 0 : 1;
        a.ms = t.nsecsElapsed() / 1e6;
        return expect(a, a.count == 1, "lookup as the program runs it");
    });
    measure("the same through libpq, prepared once", many, [&](int rep) {
        QElapsedTimer t;
        t.start();
        floor.exec(lookup.arg(QStringLiteral("$1")), {key + rep % n});
        FloorAnswer a;
        a.ms = t.nsecsElapsed() / 1e6;
        return a;
    });
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        return run(parse(app.arguments()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tallyhouse-pgfloor: %s\n", e.what());
        return 1;
    }
}
