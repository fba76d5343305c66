#include "schema.h"

#include "connection.h"

#include <QSqlQuery>

namespace schema {

namespace {
const QStringList& index_statements()
{
    static const QStringList sql{
        "CREATE INDEX IF NOT EXISTS dept_fname ON dept (Fname COLLATE NOCASE)",
        "CREATE INDEX IF NOT EXISTS dept_lname ON dept (Lname COLLATE NOCASE)",
    };
    return sql;
}

// True when cusnum is the table's INTEGER PRIMARY KEY, and so the row key.
bool key_is_rowid(Connection& cn)
{
    QSqlQuery q = cn.query(QStringLiteral("PRAGMA table_info(dept)"));
    int keyColumns = 0;
    bool cusnumIsKey = false;
    while (q.next()) {
        if (q.value(5).toInt() > 0) {
            ++keyColumns;
            cusnumIsKey = q.value(1).toString().compare(QLatin1String("cusnum"), Qt::CaseInsensitive) == 0
                          && q.value(2).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        }
    }
    return keyColumns == 1 && cusnumIsKey;
}
}  // namespace

QStringList create_statements()
{
    QStringList sql{
        "CREATE TABLE dept ("
        " cusnum INTEGER PRIMARY KEY,"
        " Fname TEXT COLLATE NOCASE,"
        " Lname TEXT COLLATE NOCASE,"
        " Address TEXT,"
        " emaddress TEXT,"
        " phonenum TEXT,"
        " credlimit TEXT,"
        " deptname TEXT,"
        " ordercount INTEGER DEFAULT 0,"
        " balance INTEGER DEFAULT 0)",
    };
    sql << index_statements();
    return sql;
}

void ensure_indexes(Connection& cn)
{
    QStringList wanted = index_statements();
    if (!key_is_rowid(cn))
        wanted << QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS dept_cusnum ON dept (cusnum)");
    for (const QString& sql : wanted) {
        try {
            cn.execute(sql);
        } catch (const DbError&) {
            // Read-only file, or duplicate keys already stored: the program
            // still works, only slower or without the guard.
        }
    }
}

}  // namespace schema
