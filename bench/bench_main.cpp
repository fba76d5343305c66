// tallyhouse-bench: times the real window on large generated databases.
//
//   tallyhouse-bench [--sizes 10000,100000,1000000] [--reps 7] [--startups 9]
//                    [--data DIR]
//
// For each size a database is generated once into DIR/rows-SIZE/db40.mdb
// (DIR defaults to bench-data beside this program) and reused afterwards.
// Each start-up runs in a fresh process; one more process per size, on a
// copy of the database, runs the session (filter, navigation, grid, save,
// delete) and reports its peak resident memory. Prints one Markdown table
// per size.

#include "report.h"
#include "scenario.h"
#include "transfer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

struct Options {
    QList<qint64> sizes{10000, 100000, 1000000};
    int reps = 7;
    int startups = 9;
    QString data;
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
        if (a == QLatin1String("--sizes")) {
            o.sizes.clear();
            for (const QString& s : value.split(u','))
                if (ok)
                    o.sizes << s.toLongLong(&ok);
        } else if (a == QLatin1String("--reps")) {
            o.reps = value.toInt(&ok);
        } else if (a == QLatin1String("--startups")) {
            o.startups = value.toInt(&ok);
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

// The directory holding the generated database of this size, made on first use.
QString database(const Options& o, qint64 size)
{
    const QString dir = QStringLiteral("%1/rows-%2").arg(o.data).arg(size);
    const QString db = dir + QStringLiteral("/db40.mdb");
    if (QFile::exists(db))
        return dir;
    QDir().mkpath(dir);
    const QString part = db + QStringLiteral(".part");
    QFile::remove(part);
    std::fprintf(stderr, "generating %lld rows into %s\n", size, qPrintable(db));
    const int rc = QProcess::execute(QCoreApplication::applicationDirPath() + QStringLiteral("/tallyhouse-mkdb"),
                                     {part, QStringLiteral("--rows"), QString::number(size), QStringLiteral("--seed"), QStringLiteral("1")});
    if (rc != 0 || !QFile::rename(part, db))
        die(QStringLiteral("cannot generate %1").arg(db));
    return dir;
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

// Measures every size. The start-ups of all sizes take turns, so that a
// busy moment of the machine does not fall on one size only and skew the
// ratio between them.
QList<bench::Results> measure(const Options& o)
{
    QStringList dirs;
    for (qint64 size : o.sizes)
        dirs << database(o, size);
    QList<bench::Results> results(o.sizes.size());
    for (int i = 0; i < o.startups; ++i)
        for (int k = 0; k < dirs.size(); ++k)
            results[k].add(child({QStringLiteral("--measure-startup"), dirs[k]}));
    for (int k = 0; k < dirs.size(); ++k) {
        // The session changes the database: it runs on a copy.
        QTemporaryDir tmp(o.data + QStringLiteral("/session-XXXXXX"));
        if (!tmp.isValid() || !QFile::copy(dirs[k] + QStringLiteral("/db40.mdb"), tmp.path() + QStringLiteral("/db40.mdb")))
            die(QStringLiteral("cannot copy the database of %1 rows").arg(o.sizes[k]));
        results[k].add(child({QStringLiteral("--measure-session"), tmp.path(), QString::number(o.reps)}));
    }
    return results;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    // Read before QApplication, which takes some arguments for itself.
    const QString mode = argc >= 3 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("--measure-startup") || mode == QLatin1String("--measure-session")) {
        const QString dir = QString::fromLocal8Bit(argv[2]);
        const int reps = argc >= 4 ? std::atoi(argv[3]) : 1;
        QApplication app(argc, argv);
        if (mode == QLatin1String("--measure-startup"))
            return bench::measureStartup(dir, sinceMain);
        return bench::measureSession(dir, reps, sinceMain);
    }

    QCoreApplication app(argc, argv);
    const Options o = parse(app.arguments());
    std::printf("Tallyhouse benchmark on %s, %d cores: %d start-ups and %d repetitions of each step per size.\n"
                "Times in ms; targets are judged on 1,000,000 rows.\n",
                qPrintable(QSysInfo::prettyProductName()), QThread::idealThreadCount(), o.startups, o.reps);
    const QList<bench::Results> results = measure(o);
    for (int k = 0; k < results.size(); ++k)
        std::printf("\n%s", qPrintable(bench::table(o.sizes[k], results[k], o.sizes.front(), results.front())));
    try {
        const QString largest = database(o, o.sizes.back()) + QStringLiteral("/db40.mdb");
        std::printf("\n%s", qPrintable(bench::transferTableSqlite(largest, o.data)));
        std::printf("\n%s", qPrintable(bench::transferTablePostgres(largest, o.data)));
    } catch (const std::exception& e) {
        die(QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
