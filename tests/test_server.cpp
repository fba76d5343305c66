// The program on a PostgreSQL server that several clerks share, and the
// server going away: what only a server has. Each test starts servers of
// its own.

#include "support/link_relay.h"
#include "support/pg_scratch.h"
#include "support/test_support.h"

#include "data/db_error.h"
#include "data/modyul.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>

#include <QSqlQuery>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <libpq-fe.h>
#include <optional>
#include <thread>

using namespace test;

namespace {

// Another clerk's session in a thread of its own: it runs its statements
// inside a transaction, holds the transaction open for a while, then ends
// it with end ("COMMIT" or "ROLLBACK").
class OtherClerk {
public:
    OtherClerk(const QString& url, const QStringList& statements, int holdMs, const char* end)
    {
        thread_ = std::thread([=, this] {
            PGconn* conn = PQconnectdb(url.toUtf8().constData());
            PQclear(PQexec(conn, "BEGIN"));
            for (const QString& sql : statements)
                PQclear(PQexec(conn, sql.toUtf8().constData()));
            started_ = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            PQclear(PQexec(conn, end));
            PQfinish(conn);
        });
        QTRY_VERIFY(started_);
    }
    ~OtherClerk() { thread_.join(); }

private:
    std::atomic<bool> started_ = false;
    std::thread thread_;
};

// A new database on server with table dept and rows, and its URL.
QString database_on(PgScratch& server, const QVector<Row>& rows)
{
    const QString url = server.createDatabase();
    Database cn;
    cn.open(url);
    for (const QString& sql : cn.dialect().create_statements(QStringLiteral("dept")))
        cn.execute(sql);
    for (const Row& r : rows)
        cn.execute(QStringLiteral("INSERT INTO dept VALUES (?,?,?,?,?,?,?,?,?,?)"), QVariantList(r.begin(), r.end()));
    return url;
}

QVector<Row> rows_at(const QString& url, const QString& where = {})
{
    Database cn;
    cn.open(url);
    return dept_rows(cn, where);
}

void click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

class ServerTest : public QObject {
    Q_OBJECT
private slots:
    void twoClerksAddingAtOnceGetDifferentKeys();
    void rowLockedByAnotherClerkIsWaitedForThenTold();
    void serverStoppedAndStartedAgain();
    void writeCutOffDuringItsCommitIsNotDoneTwice();
    void serverThatStopsAnsweringIsGivenUp();
    void fastTypingOverASlowLinkListsTheLastText();
    void saveClickedTwiceWhileOutSavesOnce();
    void failoverToASecondHost();
    void readOnlyRoleBrowsesButCannotChange();
    void largeListingShowsItsRowsBeforeItsCount();
    void startUpFailuresNameWhatFailed_data();
    void startUpFailuresNameWhatFailed();

    void init() { boxes_.seen.clear(); }

private:
    MessageBoxWatch boxes_;
};

// The other clerk's new row takes key 8 a moment before this one's Save:
// the Save takes the next key, and nobody is told.
void ServerTest::twoClerksAddingAtOnceGetDifferentKeys()
{
    PgScratch server;
    const QString url = database_on(server, TempDb::sample());
    Window w(url);
    click(w->cmdadd);
    type(w->Text2, "Mine");
    {
        OtherClerk other(url, {"INSERT INTO dept (cusnum, fname) VALUES (8, 'Theirs')"}, 500, "COMMIT");
        click(w->cmdsave);  // waits for the other's key, then takes the next
    }
    w.settle();
    QCOMPARE(boxes_.seen, QStringList());
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(w->Text1->text(), QStringLiteral("9"));
    QCOMPARE(rows_at(url, "WHERE cusnum >= 8").size(), 2);
    QCOMPARE(rows_at(url, "WHERE cusnum = 9").value(0).value(1).toString(), QStringLiteral("Mine"));
}

void ServerTest::rowLockedByAnotherClerkIsWaitedForThenTold()
{
    PgScratch server;
    const QString url = database_on(server, TempDb::sample());
    Window w(url);
    set_lock_wait(w, 300);
    click(w->cmdedit);
    QTest::keyClick(w->Text3, Qt::Key_End);
    type(w->Text3, "-Cruz");
    {
        OtherClerk other(url, {"UPDATE dept SET address = 'theirs' WHERE cusnum = 1"}, 1500, "ROLLBACK");
        auto refusal = answer_next_message_box(QMessageBox::Ok);
        click(w->cmdsave);
        QTRY_VERIFY(refusal->seen);
        QVERIFY2(refusal->text.contains("not saved") && refusal->text.contains("in use by another program"),
                 qPrintable(refusal->text));
        // In the server's one line, without the statement or its context.
        QVERIFY2(refusal->text.contains("(canceling statement due to lock timeout).") && !refusal->text.contains("ERROR")
                     && !refusal->text.contains("tuple"),
                 qPrintable(refusal->text));
        QCOMPARE(w.state(), state::editing);
        QCOMPARE(w->Text3->text(), QStringLiteral("Santos-Cruz"));
    }
    click(w->cmdsave);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(rows_at(url, "WHERE cusnum = 1").value(0).value(2).toString(), QStringLiteral("Santos-Cruz"));
}

// The user is told in plain words, nothing typed is lost, and the next
// action after the server is back finds it by itself.
void ServerTest::serverStoppedAndStartedAgain()
{
    PgScratch server;
    const QString url = database_on(server, TempDb::sample());
    Window w(url);
    click(w->cmdedit);
    QTest::keyClick(w->Text2, Qt::Key_End);
    type(w->Text2, "-Luisa");
    server.halt();

    auto told = answer_next_message_box(QMessageBox::Ok);
    click(w->cmdsave);
    QTRY_VERIFY(told->seen);
    const QUrl parts(url);
    QVERIFY2(told->text.contains("cannot be reached") && told->text.contains(parts.path().mid(1))
                 && told->text.contains(QStringLiteral("127.0.0.1:%1").arg(parts.port())),
             qPrintable(told->text));
    QCOMPARE(w.state(), state::editing);
    QCOMPARE(w->Text2->text(), QStringLiteral("Maria-Luisa"));
    QVERIFY(w.ended.isEmpty());
    // While browsing, the window looks for changes every 400 ms: on the
    // connection closed with the server, quietly.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QSqlQuery")));
    w.ask([](Database& db) { return db.change_count(); });

    server.start();
    click(w->cmdsave);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(rows_at(url, "WHERE cusnum = 1").value(0).value(1).toString(), QStringLiteral("Maria-Luisa"));
    click(w->cmdlast);
    w.settle();
    QCOMPARE(w->Text1->text(), QStringLiteral("7"));
    QCOMPARE(boxes_.seen, QStringList());
}

// The answer to a new row's insert never comes back: the program checks
// whether the row got there before it tries again, and it is there once.
void ServerTest::writeCutOffDuringItsCommitIsNotDoneTwice()
{
    PgScratch server;
    const QString url = database_on(server, TempDb::sample());
    LinkRelay relay(QUrl(url).port());
    Window w(relay.through(url));
    click(w->cmdadd);
    type(w->Text2, "Once");
    relay.cutAfter("Once");  // the message carrying the insert's values
    click(w->cmdsave);
    w.settle();
    QVERIFY(relay.cut());
    QCOMPARE(boxes_.seen, QStringList());
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(rows_at(url, "WHERE fname = 'Once'").size(), 1);
    QCOMPARE(w->Text2->text(), QStringLiteral("Once"));
}

// The link hangs (the connection stays open, nothing passes) while a new
// row's insert commits on the server, during a keystroke, and during an
// import, before and after its commit: each is given up within the bound
// and told, naming the server; nothing typed is lost and Exit works at
// once; once the link is back, the Save again finds the row there and does
// not add it twice, the list follows the filter by itself, and the import
// is not said to be undone when it was made.
void ServerTest::serverThatStopsAnsweringIsGivenUp()
{
    PgScratch server;
    const QString url = database_on(server, TempDb::sample());
    LinkRelay relay(QUrl(url).port());
    Window w(relay.through(url));
    w.ask([](Database& db) { db.setAnswerWaits(1000, 1000); });  // keeps this test short
    const QString named = QStringLiteral("on 127.0.0.1:%1 does not answer").arg(relay.port());

    click(w->cmdadd);
    type(w->Text2, "Once");
    relay.stallAfter("Once");  // the insert reaches the server; its answer does not come back
    auto told = answer_next_message_box(QMessageBox::Ok);
    click(w->cmdsave);
    QTRY_VERIFY(told->seen);
    QVERIFY2(told->text.contains(named) && told->text.contains("Nothing you typed is lost"), qPrintable(told->text));
    QCOMPARE(w.state(), state::adding);
    QCOMPARE(w->Text2->text(), QStringLiteral("Once"));
    relay.resume();
    click(w->cmdsave);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(rows_at(url, "WHERE fname = 'Once'").size(), 1);
    QCOMPARE(w->Text2->text(), QStringLiteral("Once"));

    // Exit, clicked while the keystroke's list is out, ends the program
    // at once.
    relay.stall();
    bool askingAtExit = false;
    QTimer::singleShot(100, w.get(), [&] {
        click(w->cmdexit);
        askingAtExit = w.cn().out() > 0;
        QCOMPARE(w.ended, QList<int>{0});
    });
    told = answer_next_message_box(QMessageBox::Ok);
    type(w->Text9, "M");
    QVERIFY(askingAtExit);
    QTRY_VERIFY(told->seen);
    QVERIFY2(told->text.contains(named), qPrintable(told->text));
    QCOMPARE(w->Text9->text(), QStringLiteral("M"));
    relay.resume();
    QTRY_COMPARE(w->Text2->text(), QStringLiteral("Maria"));
    QCOMPARE(w.rs().knownCount(), 4);

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("new.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("cusnum,fname,lname\n,Stalled,Import\n");
    file.close();
    w->ask_csv_file_name = [csv](CsvFileUse) -> QCoro::Task<QString> { co_return csv; };
    relay.stall();
    told = answer_next_message_box(QMessageBox::Ok);
    w->transferMenu()->import->trigger();
    QTRY_VERIFY(told->seen);
    QVERIFY2(told->text.contains("Nothing was imported") && told->text.contains(named), qPrintable(told->text));
    relay.resume();
    type(w->Text9, "a");
    QVERIFY(wait_idle(*w));
    QCOMPARE(w->Text2->text(), QStringLiteral("Maria"));
    QCOMPARE(rows_at(url, "WHERE fname = 'Stalled'").size(), 0);

    // The link hangs once the commit has reached the server: the import
    // is made, and the window does not say that nothing was.
    relay.stallAfter("COMMIT");
    told = answer_next_message_box(QMessageBox::Ok);
    w->transferMenu()->import->trigger();
    QTRY_VERIFY(told->seen);
    QVERIFY2(told->text.contains("may have been imported"), qPrintable(told->text));
    relay.resume();
    QCOMPARE(rows_at(url, "WHERE fname = 'Stalled'").size(), 1);
    QCOMPARE(boxes_.seen, QStringList());
}

// Over a slow link, with another clerk's lock holding the first list read
// up: every key typed meanwhile reaches the filter box at once, the read for
// the older text is given up without a word to the user, the list follows
// the last text, and the connection answers the next keystroke.
void ServerTest::fastTypingOverASlowLinkListsTheLastText()
{
    PgScratch server;
    const QString url = database_on(server, {row(1, "Maria", "A"), row(2, "Mark", "B"), row(3, "Martin", "C"),
                                             row(4, "Martha", "D"), row(5, "Anne", "E")});
    LinkRelay relay(QUrl(url).port(), 150);
    Window w(relay.through(url));
    bool takenWhileAsking = false;
    connect(w->Text9, &QLineEdit::textChanged, this, [&](const QString& text) {
        if (text == QLatin1String("mart"))
            takenWhileAsking = w.cn().out() > 0;
    });
    QStringList listed;  // the filters whose rows the window listed
    connect(&w.rs(), &RecordSet::rowsReset, this, [&] {
        if (!listed.contains(w.rs().source().text))
            listed << w.rs().source().text;
    });
    {
        OtherClerk clerk(url, {QStringLiteral("LOCK TABLE dept IN ACCESS EXCLUSIVE MODE")}, 1500, "COMMIT");
        for (const QChar c : QStringLiteral("mart")) {
            QCoreApplication::postEvent(w->Text9, new QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, c));
            QCoreApplication::postEvent(w->Text9, new QKeyEvent(QEvent::KeyRelease, 0, Qt::NoModifier, c));
        }
        QTRY_COMPARE(w->Text9->text(), QStringLiteral("mart"));
        QVERIFY(wait_idle(*w));
    }
    QVERIFY(takenWhileAsking);
    QCOMPARE(listed, QStringList{"mart"});
    QCOMPARE(w.rs().knownCount(), 2);
    QCOMPARE(w->Text2->text(), QStringLiteral("Martha"));
    type(w->Text9, "i");
    QCOMPARE(w.rs().knownCount(), 1);
    QCOMPARE(w->Text2->text(), QStringLiteral("Martin"));
    QCOMPARE(boxes_.seen, QStringList());
}

// Save clicked again while the first one's insert is on its way: the busy
// cursor shows, the second click sends nothing, and the customer is stored
// once.
void ServerTest::saveClickedTwiceWhileOutSavesOnce()
{
    PgScratch server;
    const QString url = database_on(server, TempDb::sample());
    LinkRelay relay(QUrl(url).port(), 400);
    Window w(relay.through(url));
    click(w->cmdadd);
    type(w->Text2, "Twice");
    bool busy = false;
    QTimer::singleShot(50, w.get(), [&] {
        busy = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        click(w->cmdsave);
    });
    click(w->cmdsave);
    QVERIFY(wait_idle(*w));
    QVERIFY(busy);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(w->Text2->text(), QStringLiteral("Twice"));
    QCOMPARE(rows_at(url, "WHERE fname = 'Twice'").size(), 1);
    QCOMPARE(boxes_.seen, QStringList());
}

void ServerTest::failoverToASecondHost()
{
    PgScratch first, second;
    const QString url = database_on(first, TempDb::sample());
    const QString standby = database_on(second, {row(1, "Standby", "Row")});
    QCOMPARE(QUrl(standby).path(), QUrl(url).path());
    const QString both = QStringLiteral("postgresql://postgres@127.0.0.1:%1,127.0.0.1:%2%3?target_session_attrs=read-write")
                             .arg(QUrl(url).port()).arg(QUrl(standby).port()).arg(QUrl(url).path());
    Window w(both);
    QCOMPARE(w->Text2->text(), QStringLiteral("Maria"));
    first.halt();
    type(w->Text9, "S");  // the filter reads again, from the host that answers
    QCOMPARE(w->Text2->text(), QStringLiteral("Standby"));
    QCOMPARE(w.rs().knownCount(), 1);
    QCOMPARE(boxes_.seen, QStringList());
}

void ServerTest::readOnlyRoleBrowsesButCannotChange()
{
    PgScratch server;
    const QString url = database_on(server, TempDb::sample());
    {
        Database admin;
        admin.open(url);
        admin.execute(QStringLiteral("CREATE ROLE reader LOGIN"));
        admin.execute(QStringLiteral("GRANT SELECT ON dept TO reader"));
        // A database made before the history was kept: the reader opens
        // it without the history, which it may not make.
        drop_history(admin);
    }
    QUrl asReader(url);
    asReader.setUserName(QStringLiteral("reader"));
    Window w(asReader.toString());
    type(w->Text9, "Mar");
    QCOMPARE(w.rs().knownCount(), 4);

    click(w->cmdedit);
    type(w->Text4, "new address");
    auto refusal = answer_next_message_box(QMessageBox::Ok);
    click(w->cmdsave);
    QTRY_VERIFY(refusal->seen);
    QVERIFY2(refusal->text.contains("not saved") && refusal->text.contains("permission denied"), qPrintable(refusal->text));
    QCOMPARE(w.state(), state::editing);
    QVERIFY(w->Text4->text().startsWith("new address"));
    // A text the server cannot store is refused before it is sent.
    w->Text4->insert(QString(QChar(0)));
    refusal = answer_next_message_box(QMessageBox::Ok);
    click(w->cmdsave);
    QTRY_VERIFY(refusal->seen);
    QVERIFY2(refusal->text.contains("NUL"), qPrintable(refusal->text));
    QCOMPARE(rows_at(url), TempDb::sample());

    // The owner's program gives the database its history when it opens it.
    Database admin;
    admin.open(url);
    QVERIFY(admin.scalar(QStringLiteral("SELECT to_regclass('dept_history')")).isNull());
    CustomerTable(admin).open();
    admin.execute(QStringLiteral("UPDATE dept SET lname = 'Kept' WHERE cusnum = 2"));
    QCOMPARE(admin.scalar(QStringLiteral("SELECT old_lname || ' ' || new_lname || ' ' || author FROM dept_history")).toString(),
             QStringLiteral("Martinez Kept postgres"));
}

// A listing of many rows shows its first rows at once; the count, the
// scroll bar and the line under the grid follow, and are never wrong.
void ServerTest::largeListingShowsItsRowsBeforeItsCount()
{
    PgScratch server;
    const QString url = database_on(server, {});
    {
        Database cn;
        cn.open(url);
        cn.execute(QStringLiteral("INSERT INTO dept (cusnum, fname, lname) SELECT g, 'Name' || g, 'Last' FROM generate_series(1, 20000) g"));
    }
    Window w(url);
    QTRY_VERIFY(w.rs().counted());
    QCOMPARE(w.rs().knownCount(), 20000);
    // What the window shows once the first rows of a listing are shown:
    // looked at right after the answer that brought them, before the
    // answer of the count, which is asked only as they come, can be in.
    struct Shown {
        bool counted = true;
        QString line;
        QString first;
    };
    std::optional<Shown> shown;
    QString listing;  // the filter text whose rows are awaited
    const QObject looking;  // a look still queued ends with it
    connect(
        &w.rs(), &RecordSet::rowsReset, &looking,
        [&] {
            if (!shown && w.rs().source().text == listing)
                shown = Shown{w.rs().counted(), w->lblposition->text(), w->Text2->text()};
        },
        Qt::QueuedConnection);
    listing = QStringLiteral("Name1");
    w->Text9->setText(listing);  // 11,111 names begin so
    QTRY_VERIFY(shown);
    QVERIFY(!shown->counted);
    QVERIFY2(shown->line.contains("counting"), qPrintable(shown->line));
    QCOMPARE(shown->first, QStringLiteral("Name1"));
    QTRY_VERIFY(w.rs().counted());
    QCOMPARE(w.rs().knownCount(), 11111);
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 1 of 11111 whose first name begins with \"Name1\""));
    QCOMPARE(w->DataGrid1->rowScrollBar()->maximum() + w->DataGrid1->rowScrollBar()->pageStep(), 11111);

    shown.reset();
    listing = QStringLiteral("Name");
    w->Text9->setText(listing);  // Last before the count: it counts first
    click(w->cmdlast);
    QTRY_VERIFY(shown);
    QVERIFY(!shown->counted);
    w.settle();
    QCOMPARE(w.rs().position(), 19999);
    QCOMPARE(w->Text2->text(), QStringLiteral("Name9999"));

    // The line settles on the exact number once the filter is cleared, and
    // after a Save and a Delete, each of which reads the list again.
    w->Text9->setFocus();
    QTest::keyClick(w->Text9, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w->Text9, Qt::Key_Delete);
    QTRY_COMPARE(w->lblposition->text(), QStringLiteral("Customer 1 of 20000"));
    w.alt(Qt::Key_A);
    type(w->Text2, "Zed");
    w.alt(Qt::Key_S);
    QTRY_COMPARE(w->lblposition->text(), QStringLiteral("Customer 20001 of 20001"));
    auto confirm = answer_next_message_box(QMessageBox::Yes);
    w.alt(Qt::Key_D);
    QTRY_VERIFY(confirm->seen);
    QTRY_VERIFY(w->lblposition->text().startsWith(QStringLiteral("Customer 1 of 20000 · Deleted")));
}

void ServerTest::startUpFailuresNameWhatFailed_data()
{
    QTest::addColumn<QString>("change");  // what is wrong with a working URL
    QTest::addColumn<QString>("named");   // what the message must name
    QTest::newRow("server not running") << "port" << "Connection refused";
    QTest::newRow("no such database") << "database" << "does not exist";
    QTest::newRow("login refused") << "user" << "\"nobody_here\" does not exist";
    QTest::newRow("no table dept") << "table" << "no table dept";
    QTest::newRow("TLS required") << "tls" << "SSL";
}

// The start-up fails with a message naming the database, its host and the
// cause, never the password.
void ServerTest::startUpFailuresNameWhatFailed()
{
    QFETCH(QString, change);
    QFETCH(QString, named);
    PgScratch server;
    QUrl url(database_on(server, TempDb::sample()));
    url.setPassword(QStringLiteral("s3cret"));
    if (change == "port") {
        server.halt();
    } else if (change == "database") {
        url.setPath(QStringLiteral("/no_such_db"));
    } else if (change == "user") {
        url.setUserName(QStringLiteral("nobody_here"));
    } else if (change == "table") {
        Database cn;
        cn.open(url.toString());
        cn.execute(QStringLiteral("DROP TABLE dept"));
    } else {
        url.setQuery(QStringLiteral("sslmode=require"));
    }
    CustomerList list(url.toString());
    Form1 form(list);
    QString message;
    try {
        await(form.Form_Load());
    } catch (const DbError& e) {
        message = e.message();
    }
    QVERIFY2(message.contains(named), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("\"%1\" on 127.0.0.1:%2").arg(url.path().mid(1)).arg(url.port())), qPrintable(message));
    QVERIFY2(!message.contains("s3cret"), qPrintable(message));
}

QTEST_MAIN(ServerTest)
#include "test_server.moc"
