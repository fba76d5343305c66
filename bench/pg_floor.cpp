#include "pg_floor.h"

#include "tools/sample_rows.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QUrl>
#include <cstdlib>
#include <libpq-fe.h>
#include <memory>
#include <stdexcept>

namespace {

double msSince(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// The result, or an exception with the server's message.
Result check(PGconn* conn, PGresult* res, const QString& what)
{
    Result r(res, &PQclear);
    const ExecStatusType status = PQresultStatus(res);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_COPY_IN)
        throw std::runtime_error(QStringLiteral("PostgreSQL: %1: %2").arg(QString::fromUtf8(PQerrorMessage(conn)), what).toStdString());
    return r;
}

void exec(PGconn* conn, const QString& sql)
{
    check(conn, PQexec(conn, sql.toUtf8().constData()), sql);
}

const QString countAll = QStringLiteral("SELECT count(*) FROM dept");
const QString firstByKey = QStringLiteral("SELECT * FROM dept ORDER BY cusnum LIMIT $1");
const QString nameMatch = QStringLiteral("lower(fname) COLLATE \"C\" LIKE lower($1) || '%' ESCAPE ''");

}  // namespace

QString withSettings(const QString& url, const QString& settings)
{
    return url + (url.contains(u'?') ? u'&' : u'?') + QStringLiteral("options=")
        + QString::fromLatin1(QUrl::toPercentEncoding(settings));
}

// Runs one prepared statement, touches every column of every row it
// returns, and notes the first column: a count for count(*), else the row's
// cusnum.
PgFloor::Answer PgFloor::run(const QString& sql, const QVariantList& params, Answer answer)
{
    QByteArray name = prepared_.value(sql);
    if (name.isEmpty()) {
        name = "floor_" + QByteArray::number(prepared_.size());
        check(conn_, PQprepare(conn_, name.constData(), sql.toUtf8().constData(), 0, nullptr), sql);
        prepared_.insert(sql, name);
    }
    QList<QByteArray> texts;
    for (const QVariant& p : params)
        texts << p.toString().toUtf8();
    QList<const char*> values;
    for (int i = 0; i < params.size(); ++i)
        values << (params[i].isNull() ? nullptr : texts[i].constData());
    const Result r = check(conn_, PQexecPrepared(conn_, name.constData(), int(values.size()), values.constData(), nullptr, nullptr, 0), sql);
    const bool counting = sql.startsWith(QLatin1String("SELECT count(*)"));
    for (int row = 0; row < PQntuples(r.get()); ++row) {
        for (int c = 1; c < PQnfields(r.get()); ++c)
            PQgetvalue(r.get(), row, c);
        const qint64 value = std::strtoll(PQgetvalue(r.get(), row, 0), nullptr, 10);
        if (counting)
            answer.count = value;
        else
            answer.keys << value;
    }
    return answer;
}

PgFloor::Answer PgFloor::openCountRead(const QString& url, int n)
{
    QElapsedTimer t;
    t.start();
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(url.toUtf8().constData()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw std::runtime_error(QStringLiteral("PostgreSQL: %1").arg(QString::fromUtf8(PQerrorMessage(conn.get()))).toStdString());
    PgFloor floor(conn.get());
    Answer a = floor.run(countAll, {}, {});
    a = floor.run(firstByKey, {n}, a);
    conn.reset();
    a.ms = msSince(t);
    return a;
}

PgFloor::Answer PgFloor::countAndRead(const QString& typed, int n)
{
    QElapsedTimer t;
    t.start();
    Answer a;
    if (typed.isEmpty()) {
        a = run(countAll, {}, a);
        a = run(firstByKey, {n}, a);
    } else {
        a = run(QStringLiteral("SELECT count(*) FROM dept WHERE ") + nameMatch, {typed}, a);
        a = run(QStringLiteral("SELECT * FROM dept WHERE %1 ORDER BY lower(fname) COLLATE \"C\", cusnum LIMIT $2").arg(nameMatch),
                {typed, n}, a);
    }
    a.ms = msSince(t);
    return a;
}

PgFloor::Answer PgFloor::rowsAt(qint64 position, qint64 count, int n)
{
    QElapsedTimer t;
    t.start();
    n = int(std::min<qint64>(n, count - position));
    const qint64 fromEnd = count - position - n;
    // Skipping keys costs a walk of the key index only (an index-only scan
    // while the visibility map is fresh); rows are read for the n kept.
    const QString sql = QStringLiteral("SELECT d.* FROM (SELECT cusnum FROM dept ORDER BY cusnum %1 LIMIT $1 OFFSET $2) k "
                                       "JOIN dept d USING (cusnum) ORDER BY d.cusnum");
    Answer a = position <= fromEnd ? run(sql.arg(QString()), {n, position}, {})
                                   : run(sql.arg(QStringLiteral("DESC")), {n, fromEnd}, {});
    a.ms = msSince(t);
    return a;
}

PgFloor::Answer PgFloor::sortedRows(const QString& order, int n, bool count)
{
    QElapsedTimer t;
    t.start();
    Answer a;
    if (count)
        a = run(countAll, {}, a);
    a = run(QStringLiteral("SELECT * FROM dept ORDER BY %1 LIMIT $1").arg(order), {n}, a);
    a.ms = msSince(t);
    return a;
}

PgFloor::Answer PgFloor::changeAndRead(const QString& sql, const QVariantList& params, int n, bool fromEnd)
{
    QElapsedTimer t;
    t.start();
    Answer a = run(sql, params, {});
    a = run(countAll, {}, a);
    a = run(fromEnd ? QStringLiteral("SELECT * FROM dept ORDER BY cusnum DESC LIMIT $1") : firstByKey, {n}, a);
    a.ms = msSince(t);
    return a;
}

void PgFloor::exec(const QString& sql, const QVariantList& params)
{
    run(sql, params, {});
}

FillTimes fillDept(PGconn* conn, const QStringList& create, qint64 rows, quint64 seed)
{
    FillTimes times;
    QElapsedTimer t;
    t.start();
    // Commits wait for their WAL here: VACUUM may mark a page all-visible
    // only once the commits of its rows are flushed, and on a server with
    // asynchronous commits it would otherwise leave pages it reads in the
    // first moments unmarked, and index-only counts slower.
    exec(conn, QStringLiteral("SET synchronous_commit = on"));
    const QStringList tables = create.filter(QRegularExpression(QStringLiteral("^CREATE TABLE "), QRegularExpression::CaseInsensitiveOption));
    if (tables.isEmpty())
        throw std::runtime_error("no CREATE TABLE among the statements that make dept");
    for (const QString& sql : tables)
        exec(conn, sql);
    check(conn, PQexec(conn, "COPY dept FROM STDIN"), QStringLiteral("COPY"));
    // COPY's text format: tab between columns, \N for NULL, and a
    // backslash before any backslash, tab or line break in a value.
    QByteArray chunk;
    auto send = [&] {
        if (PQputCopyData(conn, chunk.constData(), int(chunk.size())) != 1)
            check(conn, nullptr, QStringLiteral("COPY"));
        chunk.clear();
    };
    for (qint64 i = 1; i <= rows; ++i) {
        const sample::Row row = sample::generated_row(i, seed);
        for (int c = 0; c < row.size(); ++c) {
            if (c > 0)
                chunk += '\t';
            if (row[c].isNull()) {
                chunk += "\\N";
                continue;
            }
            for (char ch : row[c].toString().toUtf8()) {
                if (ch == '\\' || ch == '\t' || ch == '\n' || ch == '\r')
                    chunk += '\\';
                chunk += ch == '\t' ? 't' : ch == '\n' ? 'n' : ch == '\r' ? 'r' : ch;
            }
        }
        chunk += '\n';
        if (chunk.size() > (1 << 18))
            send();
    }
    send();
    if (PQputCopyEnd(conn, nullptr) != 1)
        check(conn, nullptr, QStringLiteral("COPY"));
    check(conn, PQgetResult(conn), QStringLiteral("COPY"));
    times.copy = msSince(t);

    t.restart();
    exec(conn, QStringLiteral("SET maintenance_work_mem = '256MB'"));
    for (const QString& sql : create)
        if (!tables.contains(sql))
            exec(conn, sql);
    times.indexes = msSince(t);

    t.restart();
    exec(conn, QStringLiteral("VACUUM ANALYZE dept"));
    times.vacuum = msSince(t);
    return times;
}
