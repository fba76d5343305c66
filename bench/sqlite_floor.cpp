#include "sqlite_floor.h"

#include <QElapsedTimer>
#include <algorithm>
#include <sqlite3.h>
#include <stdexcept>

namespace {
double msSince(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

[[noreturn]] void fail(sqlite3* db, const QString& sql)
{
    throw std::runtime_error(QStringLiteral("SQLite: %1: %2").arg(QString::fromUtf8(sqlite3_errmsg(db)), sql).toStdString());
}
}  // namespace

// Runs one statement, reads every column of every row it returns (so the
// engine decodes what the window would show), and notes the first column:
// a count for count(*), else the row's cusnum.
SqliteFloor::Answer SqliteFloor::run(sqlite3* db, const QString& sql, const QVariantList& params, Answer answer)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
        fail(db, sql);
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& p = params[i];
        const QByteArray value = p.toString().toUtf8();
        const int rc = p.typeId() == QMetaType::QString
            ? sqlite3_bind_text(st, i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT)
            : sqlite3_bind_int64(st, i + 1, p.toLongLong());
        if (rc != SQLITE_OK)
            fail(db, sql);
    }
    const bool counting = sql.startsWith(QLatin1String("SELECT count(*)"));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int c = 1; c < sqlite3_column_count(st); ++c)
            sqlite3_column_text(st, c);
        if (counting)
            answer.count = sqlite3_column_int64(st, 0);
        else
            answer.keys << sqlite3_column_int64(st, 0);
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        fail(db, sql);
    return answer;
}

SqliteFloor::Answer SqliteFloor::openCountRead(const QString& path, int n)
{
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        fail(db, path);
    Answer a = run(db, QStringLiteral("SELECT count(*) FROM dept"), {}, {});
    a = run(db, QStringLiteral("SELECT * FROM dept ORDER BY rowid LIMIT ?"), {n}, a);
    sqlite3_close(db);
    a.ms = msSince(t);
    return a;
}

SqliteFloor::Answer SqliteFloor::countAndRead(const QString& typed, int n)
{
    QElapsedTimer t;
    t.start();
    const QString pattern = typed + u'%';
    Answer a;
    if (typed.isEmpty()) {
        a = run(db_, QStringLiteral("SELECT count(*) FROM dept"), {}, a);
        a = run(db_, QStringLiteral("SELECT * FROM dept ORDER BY rowid LIMIT ?"), {n}, a);
    } else {
        a = run(db_, QStringLiteral("SELECT count(*) FROM dept WHERE Fname LIKE ?"), {pattern}, a);
        a = run(db_, QStringLiteral("SELECT * FROM dept WHERE Fname LIKE ? ORDER BY Fname, rowid LIMIT ?"), {pattern, n}, a);
    }
    a.ms = msSince(t);
    return a;
}

SqliteFloor::Answer SqliteFloor::rowsAt(qint64 position, qint64 count, int n)
{
    QElapsedTimer t;
    t.start();
    n = int(std::min<qint64>(n, count - position));
    const qint64 fromEnd = count - position - n;
    Answer a;
    if (position <= fromEnd) {
        a = run(db_, QStringLiteral("SELECT * FROM dept ORDER BY rowid LIMIT ? OFFSET ?"), {n, position}, a);
    } else {
        a = run(db_, QStringLiteral("SELECT * FROM dept ORDER BY rowid DESC LIMIT ? OFFSET ?"),
                {n, fromEnd}, a);
        std::reverse(a.keys.begin(), a.keys.end());
    }
    a.ms = msSince(t);
    return a;
}

SqliteFloor::Answer SqliteFloor::sortedRows(const QString& order, int n, bool count)
{
    QElapsedTimer t;
    t.start();
    Answer a;
    if (count)
        a = run(db_, QStringLiteral("SELECT count(*) FROM dept"), {}, a);
    a = run(db_, QStringLiteral("SELECT * FROM dept ORDER BY %1 LIMIT ?").arg(order), {n}, a);
    a.ms = msSince(t);
    return a;
}

SqliteFloor::Answer SqliteFloor::changeAndRead(const QString& sql, const QVariantList& params, int n, bool fromEnd)
{
    QElapsedTimer t;
    t.start();
    Answer a = run(db_, sql, params, {});
    a = run(db_, QStringLiteral("SELECT count(*) FROM dept"), {}, a);
    a = run(db_, fromEnd ? QStringLiteral("SELECT * FROM dept ORDER BY rowid DESC LIMIT ?")
                         : QStringLiteral("SELECT * FROM dept ORDER BY rowid LIMIT ?"),
            {n}, a);
    a.ms = msSince(t);
    return a;
}

void SqliteFloor::exec(const QString& sql, const QVariantList& params)
{
    run(db_, sql, params, {});
}
