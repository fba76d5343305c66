// tallyhouse-mkdb: creates a new dept database.
//
//   tallyhouse-mkdb FILE                 the sample customers
//   tallyhouse-mkdb FILE --rows N [--seed S]   N generated customers
//   tallyhouse-mkdb FILE --empty         the table without rows
//
// An existing file is never overwritten.

#include "data/sqlite_engine.h"
#include "sample_rows.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <sqlite3.h>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "tallyhouse-mkdb: %s\n", qPrintable(message));
    return 1;
}

bool bind(sqlite3_stmt* st, int index, const QVariant& v)
{
    if (v.isNull())
        return sqlite3_bind_null(st, index) == SQLITE_OK;
    if (v.typeId() == QMetaType::QString) {
        const QByteArray text = v.toString().toUtf8();
        return sqlite3_bind_text(st, index, text.constData(), text.size(), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    return sqlite3_bind_int64(st, index, v.toLongLong()) == SQLITE_OK;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return fail(QStringLiteral("usage: tallyhouse-mkdb FILE [--rows N [--seed S] | --empty]"));
    const QString path = args.takeFirst();
    qint64 rows = -1;
    quint64 seed = 1;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows") && i + 1 < args.size())
            rows = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--seed") && i + 1 < args.size())
            seed = args[++i].toULongLong();
        else if (args[i] == QLatin1String("--empty"))
            rows = 0;
        else
            return fail(QStringLiteral("unknown argument %1").arg(args[i]));
    }
    if (QFileInfo::exists(path))
        return fail(QStringLiteral("%1 exists already; it is left as it is").arg(path));

    try {
        SqliteEngine::create_database(path, [&](sqlite3* db) {
            sqlite3_stmt* insert = nullptr;
            bool ok = sqlite3_prepare_v2(db, "INSERT INTO dept VALUES (?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr) == SQLITE_OK;
            auto put = [&](const sample::Row& row) {
                for (int c = 0; c < row.size(); ++c)
                    ok = ok && bind(insert, c + 1, row[c]);
                ok = ok && sqlite3_step(insert) == SQLITE_DONE;
                sqlite3_reset(insert);
            };
            if (rows < 0) {
                for (const auto& row : sample::fixed_rows())
                    put(row);
            } else {
                for (qint64 i = 1; i <= rows && ok; ++i)
                    put(sample::generated_row(i, seed));
            }
            sqlite3_finalize(insert);
            return ok;
        });
    } catch (const DbError& e) {
        return fail(e.message());
    }
    return 0;
}
