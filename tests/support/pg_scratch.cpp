#include "pg_scratch.h"

#include <QProcess>
#include <QStringList>
#include <cstdlib>
#include <fcntl.h>
#include <libpq-fe.h>
#include <stdexcept>
#include <unistd.h>

namespace {
[[noreturn]] void fail(const QString& what)
{
    throw std::runtime_error(("PgScratch: " + what).toStdString());
}
}  // namespace

PgScratch::PgScratch()
{
    QByteArray dir = "/tmp/tallyhouse-pg-XXXXXX";
    if (!mkdtemp(dir.data()))
        fail(QStringLiteral("cannot make a folder under /tmp"));
    dir_ = QString::fromLocal8Bit(dir);
    // The script's watcher reads the pipe until its end, which comes when
    // this process closes the write end or dies. The write end is closed
    // on exec, so that no other program keeps the pipe open.
    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0)
        fail(QStringLiteral("cannot make a pipe"));
    watchFd_ = pipe[1];
    try {
        url_ = run({QStringLiteral("start"), dir_, QStringLiteral("--watch-stdin")}, pipe[0]);
    } catch (...) {
        ::close(pipe[0]);
        stop();
        ::rmdir(dir.constData());  // when the script failed before using it
        throw;
    }
    ::close(pipe[0]);
}

PgScratch::~PgScratch()
{
    stop();
}

void PgScratch::stop() noexcept
{
    try {
        run({QStringLiteral("stop"), dir_});
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
    }
    // Closed after the stop: the watcher then finds nothing left to do.
    ::close(watchFd_);
}

QString PgScratch::run(const QStringList& args, int watchFd) const
{
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (watchFd >= 0)
        script.setChildProcessModifier([watchFd] { ::dup2(watchFd, STDIN_FILENO); });
    script.start(QStringLiteral(TALLYHOUSE_PG_SCRATCH), args);
    // What went wrong, told apart: a script still running at the limit
    // (a machine too busy, or a server that hangs) is no failed script.
    const QString what = QStringLiteral("pg-scratch %1").arg(args.join(u' '));
    constexpr int kLimitS = 120;
    if (!script.waitForStarted())
        fail(what + QStringLiteral(" could not be started: ") + script.errorString());
    if (!script.waitForFinished(kLimitS * 1000)) {
        script.kill();
        script.waitForFinished();
        fail(what + QStringLiteral(" was still running after %1 s, and was stopped").arg(kLimitS));
    }
    if (script.exitStatus() != QProcess::NormalExit)
        fail(what + QStringLiteral(" crashed"));
    if (script.exitCode() != 0)
        fail(what + QStringLiteral(" failed with exit status %1").arg(script.exitCode()));
    return QString::fromUtf8(script.readAllStandardOutput()).trimmed();
}

QString PgScratch::createDatabase()
{
    const QString name = QStringLiteral("db%1").arg(++databases_);
    PGconn* conn = PQconnectdb(url_.toUtf8().constData());
    PGresult* res = PQexec(conn, ("CREATE DATABASE " + name).toUtf8().constData());
    const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
    const QString error = QString::fromUtf8(PQerrorMessage(conn));
    PQclear(res);
    PQfinish(conn);
    if (!ok)
        fail(QStringLiteral("CREATE DATABASE %1: %2").arg(name, error));
    return url_.left(url_.lastIndexOf(u'/') + 1) + name;
}

void PgScratch::halt(Halt how)
{
    run({QStringLiteral("halt"), dir_, how == Halt::Fast ? QStringLiteral("fast") : QStringLiteral("immediate")});
}

void PgScratch::start()
{
    run({QStringLiteral("start"), dir_});
}
