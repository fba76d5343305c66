// The throwaway PostgreSQL server of the tests and benchmarks, and Qt's
// driver on it: texts survive the round trip through bound values, a
// connection does not survive a restart of the server while a new one
// works, and the server dies with a test process that is killed.

#include "support/pg_scratch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <cstdio>
#include <libpq-fe.h>
#include <unistd.h>

namespace {

// With this variable set, the program only starts a server, prints its
// folder and URL and waits to be killed.
constexpr char kServeAndWait[] = "TALLYHOUSE_PG_SERVE_AND_WAIT";

// Qt's driver quotes the database name into a "key='value'" string, in
// which libpq does not expand a URI (it then tries the default server's
// socket): the URL's parts go separately.
QSqlDatabase connectTo(const QString& name, const QString& url)
{
    const QUrl parts(url);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(parts.host());
    db.setPort(parts.port());
    db.setUserName(parts.userName());
    db.setDatabaseName(parts.path().mid(1));
    return db;
}

// The processes whose working folder lies in dir: a running server's
// processes all work in its data folder.
QStringList processesIn(const QString& dir)
{
    QStringList found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QString cwd = QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).symLinkTarget();
        if (cwd.startsWith(dir + u'/'))
            found << pid;
    }
    return found;
}

}  // namespace

class TestPgScratch : public QObject {
    Q_OBJECT
private slots:
    void qtDriverAcrossRestarts();
    void serverDiesWithKilledProcess();
};

void TestPgScratch::qtDriverAcrossRestarts()
{
    PgScratch pg;
    const QString url = pg.createDatabase();
    QSqlDatabase old = connectTo(QStringLiteral("old"), url);
    QVERIFY2(old.open(), qPrintable(old.lastError().text()));
    {
        QSqlQuery q(old);
        QVERIFY(q.exec(QStringLiteral("SELECT current_database(), inet_server_port()")) && q.next());
        QCOMPARE(q.value(0).toString(), QUrl(url).path().mid(1));
        QCOMPARE(q.value(1).toInt(), QUrl(url).port());

        // Quotes, backslashes and letters beyond ASCII reach the server and
        // come back unchanged, and lower() folds them (the cluster's locale
        // is UTF-8).
        const QString hostile = QStringLiteral("O'Brien \"Bob\" \\' ''; -- back\\slash\\ %_ \t Ødegård Σίσυφος 😀 ");
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE dept (cusnum bigint PRIMARY KEY, fname text)")));
        QVERIFY(q.prepare(QStringLiteral("INSERT INTO dept VALUES (?, ?)")));
        q.addBindValue(1);
        q.addBindValue(hostile);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        QVERIFY(q.prepare(QStringLiteral("SELECT fname, lower(fname) FROM dept WHERE fname = ?")));
        q.addBindValue(hostile);
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toString(), hostile);
        QCOMPARE(q.value(1).toString(), hostile.toLower());
    }
    // The rows of dept through a connection; -1 when the query fails.
    auto rows = [](const QSqlDatabase& db) {
        QSqlQuery q(db);
        return q.exec(QStringLiteral("SELECT count(*) FROM dept")) && q.next() ? q.value(0).toInt() : -1;
    };

    // After a clean restart the old connection fails, also once the server
    // is back; a new one finds the committed row; closing and opening the
    // old one brings it back.
    pg.halt();
    QCOMPARE(rows(old), -1);
    pg.start();
    QCOMPARE(rows(old), -1);
    {
        QSqlDatabase fresh = connectTo(QStringLiteral("fresh"), url);
        QVERIFY2(fresh.open(), qPrintable(fresh.lastError().text()));
        QCOMPARE(rows(fresh), 1);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fresh"));
    old.close();
    QVERIFY(old.open());
    QCOMPARE(rows(old), 1);

    // After a crash the server recovers on its next start.
    pg.halt(PgScratch::Halt::Crash);
    QCOMPARE(rows(old), -1);
    pg.start();
    old.close();
    QVERIFY2(old.open(), qPrintable(old.lastError().text()));
    QCOMPARE(rows(old), 1);
    old = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
}

void TestPgScratch::serverDiesWithKilledProcess()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kServeAndWait), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QStringList lines;
    while (lines.size() < 2 && child.waitForReadyRead(120000))
        lines = QString::fromUtf8(child.peek(4096)).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    const QString dir = lines[0];
    const QByteArray url = lines[1].toUtf8();
    QCOMPARE(PQping(url.constData()), PQPING_OK);
    QVERIFY(!processesIn(dir).isEmpty());

    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(dir), 60000);
    QCOMPARE(processesIn(dir), QStringList());
    QCOMPARE(PQping(url.constData()), PQPING_NO_RESPONSE);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kServeAndWait)) {
        PgScratch pg;
        std::printf("%s\n%s\n", qPrintable(pg.dir()), qPrintable(pg.url()));
        std::fflush(stdout);
        for (;;)
            pause();
    }
    TestPgScratch test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_pg_scratch.moc"
