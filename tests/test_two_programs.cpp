// Two instances of the program on one db40.mdb, each a separate process
// driven like a user: both keep working, and neither overwrites a row the
// other changed after it was shown.

#include "data/customer_history.h"
#include "driver/client.h"
#include "driver/protocol.h"
#include "support/test_support.h"
#include "ui/datagrid.h"

#include <QProcess>
#include <QSet>
#include <QTest>
#include <pwd.h>
#include <unistd.h>

using namespace test;

namespace {

struct Program {
    explicit Program(const TempDb& db) : process({"window", db.target()}) { start = process.reply(); }
    DriverProcess::Reply operator()(const QString& command) { return process.command(command); }
    DriverProcess process;
    DriverProcess::Reply start;
};

QString first_name(const DriverProcess::Reply& r)
{
    return r.boxes.value(1);
}

// Runs one statement in the engine's own shell, sqlite3 or psql, with
// nothing of Tallyhouse loaded; its output, and whether it succeeded.
bool shell(const TempDb& db, const QString& sql, QString* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (on_server())
        p.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"),
                                         db.target(), QStringLiteral("-c"), sql});
    else
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), db.path(), sql});
    const bool done = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return done;
}

// Who the history names as the author of a change this test process makes
// through Tallyhouse, and of one made by the shell.
QString own_author()
{
    if (on_server())
        return QStringLiteral("postgres");  // the role of the test server's URLs
    const passwd* user = getpwuid(geteuid());
    return QString::fromLocal8Bit(user->pw_name);
}
QString shell_author()
{
    return on_server() ? QStringLiteral("postgres") : QStringLiteral("another program");
}

}  // namespace

class TwoProgramsTest : public QObject {
    Q_OBJECT
private slots:
    void bothAddWithoutSharingAKey();
    void editOfARowTheOtherChangedIsRefused();
    void editOfARowTheOtherDeletedIsRefused();
    void deleteOfARowTheOtherDeletedIsReported();
    void bothSavingAtOnceKeepWorking();
    void otherProgramsChangesAppearWhileBrowsing();
    void everyProgramsChangesAreKeptInTheHistory();
};

void TwoProgramsTest::bothAddWithoutSharingAKey()
{
    TempDb db(TempDb::sample());
    Program a(db), b(db);
    a("click cmdadd");
    b("click cmdadd");
    a("paste Text2 " + word("From A"));
    b("paste Text2 " + word("From B"));
    auto ra = a("click cmdsave");
    auto rb = b("click cmdsave");
    QCOMPARE(ra.messages, QStringList());
    QCOMPARE(rb.messages, QStringList());
    QCOMPARE(ra.boxes.value(0), QStringLiteral("8"));
    QCOMPARE(rb.boxes.value(0), QStringLiteral("9"));
    QCOMPARE(first_name(rb), QStringLiteral("From B"));
    QCOMPARE(db.rows("WHERE cusnum = 8").value(0).value(1).toString(), QStringLiteral("From A"));
    QCOMPARE(db.rows("WHERE cusnum = 9").value(0).value(1).toString(), QStringLiteral("From B"));
    // Each sees the other's row once it reads again: here by a filter.
    QCOMPARE(first_name(a("paste Text9 " + word("From B"))), QStringLiteral("From B"));
    QCOMPARE(a("click cmdexit").ended, 0);
    QCOMPARE(b("click cmdexit").ended, 0);
    QCOMPARE(db.integrity(), QStringLiteral("ok"));
}

void TwoProgramsTest::editOfARowTheOtherChangedIsRefused()
{
    TempDb db(TempDb::sample());
    Program a(db), b(db);
    a("row 2");
    a("click cmdedit");
    a("paste Text3 " + word("Changed by A"));
    b("row 2");
    b("click cmdedit");
    b("paste Text4 " + word("New address by B"));
    QCOMPARE(b("click cmdsave").messages, QStringList());

    const auto ra = a("click cmdsave");
    QCOMPARE(ra.messages.size(), 1);
    QVERIFY2(ra.messages[0].contains("changed this record"), qPrintable(ra.messages[0]));
    // A is shown the row as it is now, and B's change stands.
    QCOMPARE(ra.boxes.mid(0, 4), (QStringList{"3", "Martin", "Sanders", "New address by B"}));
    const Row stored = db.rows("WHERE cusnum = 3").value(0);
    QCOMPARE(stored[2].toString(), QStringLiteral("Sanders"));
    QCOMPARE(stored[3].toString(), QStringLiteral("New address by B"));

    // A goes on working: the edit again, now on the current values.
    a("click cmdedit");
    a("paste Text3 " + word("Changed by A"));
    QCOMPARE(a("click cmdsave").messages, QStringList());
    QCOMPARE(db.rows("WHERE cusnum = 3").value(0).value(2).toString(), QStringLiteral("Changed by A"));
    QCOMPARE(db.rows("WHERE cusnum = 3").value(0).value(3).toString(), QStringLiteral("New address by B"));
    QCOMPARE(b("click cmdfirst").ended, -1);
}

void TwoProgramsTest::editOfARowTheOtherDeletedIsRefused()
{
    TempDb db(TempDb::sample());
    Program a(db), b(db);
    a("row 3");
    a("click cmdedit");
    a("paste Text2 " + word("Too late"));
    b("row 3");
    QCOMPARE(b("click cmddel yes").messages, QStringList());

    const auto ra = a("click cmdsave");
    QCOMPARE(ra.messages.size(), 1);
    QVERIFY2(ra.messages[0].contains("deleted this record"), qPrintable(ra.messages[0]));
    QCOMPARE(db.rows("WHERE cusnum = 4").size(), 0);
    QCOMPARE(db.rows("WHERE Fname = 'Too late'").size(), 0);
    QCOMPARE(db.count(), 6);
    QCOMPARE(a("click cmdnext").ended, -1);
}

void TwoProgramsTest::deleteOfARowTheOtherDeletedIsReported()
{
    TempDb db(TempDb::sample());
    Program a(db), b(db);
    a("row 4");
    b("row 4");
    QCOMPARE(a("click cmddel yes").messages, QStringList());
    const auto rb = b("click cmddel yes");
    QCOMPARE(rb.messages.size(), 1);
    QVERIFY2(rb.messages[0].contains("deleted this record already"), qPrintable(rb.messages[0]));
    QCOMPARE(db.count(), 6);
    QCOMPARE(first_name(rb), QStringLiteral("Maria"));  // B shows its first row again
    QCOMPARE(b("click cmdexit").ended, 0);
}

// Both run adds, edits and deletes as fast as they can on the same rows.
// Each may be told that the other changed or deleted a row, or held the
// file a moment too long; neither ends, and every row is whole.
void TwoProgramsTest::bothSavingAtOnceKeepWorking()
{
    TempDb db(TempDb::sample());
    Program a(db), b(db);
    a.process.write_line("save-loop 1 1 60");
    b.process.write_line("save-loop 2 100000 60");
    int saved = 0;
    QStringList told;
    for (Program* p : {&a, &b}) {
        for (QString line = p->process.read_line(); !line.startsWith("ok"); line = p->process.read_line()) {
            QVERIFY2(!line.isEmpty() && !line.startsWith("ended"), qPrintable(line));
            if (line.startsWith("message "))
                told << driver::decode(line.mid(8));
            saved += line.startsWith("saved ") || line.startsWith("deleted ");
        }
    }
    qInfo("%d saves and deletes done; told: %s", saved, qPrintable(told.join(" | ")));
    for (const QString& m : told)
        QVERIFY2(m.contains("Another program") || m.contains("locked"), qPrintable(m));
    QVERIFY(saved >= 60);
    QCOMPARE(db.integrity(), QStringLiteral("ok"));
    QSet<QString> tokens;
    for (const Row& r : db.rows()) {
        if (!r[1].toString().startsWith(u't'))
            continue;  // a start row neither program saved
        const QString token = r[1].toString().section(u' ', 0, 0);
        QVERIFY2(!tokens.contains(token), qPrintable(token + " saved twice"));
        tokens << token;
        QCOMPARE(r[2].toString(), driver::field_text(token, "Text3"));
        QCOMPARE(r[6].toString(), driver::field_text(token, "Text8"));
        QCOMPARE(r[7].toString(), driver::field_text(token, "Text7"));
    }
    QCOMPARE(a("click cmdexit").ended, 0);
    QCOMPARE(b("click cmdexit").ended, 0);
}

// Another program's committed changes appear within about a second while
// the user browses, on the same customer (or the row that took its place
// when it was deleted); an edit in progress keeps what the user typed.
void TwoProgramsTest::otherProgramsChangesAppearWhileBrowsing()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    QTest::mouseClick(w->cmdprev, Qt::LeftButton);  // Peter O'Brien, 6 of 7
    w.settle();
    db.exec("UPDATE dept SET Lname = 'Changed' WHERE cusnum = 6");
    db.exec("DELETE FROM dept WHERE cusnum = 1");  // the rows before it move up
    QTRY_COMPARE_WITH_TIMEOUT(w->Text3->text(), QStringLiteral("Changed"), 2000);
    QCOMPARE(w->Text1->text(), QStringLiteral("6"));
    QCOMPARE(w.rs().position(), 4);
    QVERIFY(w.gridAgreesWithBoxes());
    QVERIFY(w.gridColumn(2).contains("Changed"));

    db.exec("DELETE FROM dept WHERE cusnum = 6");
    QTRY_COMPARE_WITH_TIMEOUT(w->Text1->text(), QStringLiteral("7"), 2000);
    QVERIFY(w.gridAgreesWithBoxes());

    QTest::mouseClick(w->cmdedit, Qt::LeftButton);
    w.settle();
    QTest::keyClick(w->Text2, Qt::Key_End);
    type(w->Text2, "!");
    db.exec("UPDATE dept SET Address = 'Elsewhere' WHERE cusnum = 7");
    QTest::qWait(1200);
    QCOMPARE(w->Text2->text(), QStringLiteral("Ellen!"));
    QCOMPARE(w->Text4->text(), QStringLiteral("addr"));
    QCOMPARE(w.state(), state::editing);
}

// The database keeps the history itself: the engine's own shell changes
// the table as it always did and its changes are kept, as the window's
// are with their author. A database made before the history gains it
// when the window opens it.
void TwoProgramsTest::everyProgramsChangesAreKeptInTheHistory()
{
    TempDb db(TempDb::sample());
    {
        Database old;
        old.open(db.target());
        drop_history(old);
    }
    Window w(db);
    QCOMPARE(w->Text2->text(), QStringLiteral("Maria"));

    QString out;
    QVERIFY2(shell(db, QStringLiteral("UPDATE dept SET Lname = 'Shell' WHERE cusnum = 6"), &out), qPrintable(out));
    QVERIFY2(shell(db, QStringLiteral("DELETE FROM dept WHERE cusnum = 3"), &out), qPrintable(out));
    QVERIFY2(shell(db, QStringLiteral("INSERT INTO dept (cusnum, Fname, Lname) VALUES (20, 'Sam', 'Shell')"), &out), qPrintable(out));
    // A change of letter case alone makes a version; an update that
    // changes nothing makes none.
    QVERIFY2(shell(db, QStringLiteral("UPDATE dept SET Fname = 'ELLEN' WHERE cusnum = 7"), &out), qPrintable(out));
    QVERIFY2(shell(db, QStringLiteral("UPDATE dept SET Address = Address WHERE cusnum = 7"), &out), qPrintable(out));
    QCOMPARE(db.rows("WHERE cusnum = 6").value(0).value(2).toString(), QStringLiteral("Shell"));
    QCOMPARE(db.rows("WHERE cusnum = 3").size(), 0);
    QCOMPARE(db.rows("WHERE cusnum = 20").value(0).value(1).toString(), QStringLiteral("Sam"));

    // The window's own Save, of the customer the shell changed.
    QTRY_VERIFY_WITH_TIMEOUT(w.gridColumn(1).contains(QStringLiteral("Sam")), 5000);  // the shell's customer, read
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    QCOMPARE(w.boxes().mid(0, 2), (QStringList{"20", "Sam"}));
    QTest::mouseClick(w->cmdedit, Qt::LeftButton);
    w.settle();
    w->Text4->setText(QStringLiteral("1 Window Road"));
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    QCOMPARE(w.state(), state::browse);

    const auto versions = w.ask([](Database& cn) { return CustomerHistory(cn).versions(20, 10); });
    QCOMPARE(versions.size(), 2);
    QCOMPARE(versions[0].kind, CustomerVersion::Kind::Update);
    QCOMPARE(versions[0].author, own_author());
    QCOMPARE(versions[0].before->address, QString());
    QCOMPARE(versions[0].after->address, QStringLiteral("1 Window Road"));
    QCOMPARE(versions[0].after->fname, QStringLiteral("Sam"));
    QCOMPARE(versions[1].kind, CustomerVersion::Kind::Insert);
    QCOMPARE(versions[1].author, shell_author());
    QVERIFY(!versions[1].before);
    QCOMPARE(versions[1].after->lname, QStringLiteral("Shell"));
    QVERIFY(versions[1].id < versions[0].id);
    QVERIFY(qAbs(versions[0].time.secsTo(QDateTime::currentDateTimeUtc())) < 600);
    // A page older than the newest.
    const auto older = w.ask([id = versions[0].id](Database& cn) { return CustomerHistory(cn).versions(20, 10, id); });
    QCOMPARE(older.size(), 1);
    QCOMPARE(older[0].id, versions[1].id);

    const auto seven = w.ask([](Database& cn) { return CustomerHistory(cn).versions(7, 10); });
    QCOMPARE(seven.size(), 1);  // the case of a letter is a change; the same address is none
    QCOMPARE(seven[0].before->fname, QStringLiteral("Ellen"));
    QCOMPARE(seven[0].after->fname, QStringLiteral("ELLEN"));
    const auto six = w.ask([](Database& cn) { return CustomerHistory(cn).versions(6, 10); });
    QCOMPARE(six.size(), 1);
    QCOMPARE(six[0].author, shell_author());
    QCOMPARE(six[0].before->lname, QStringLiteral("O'Brien"));

    // The deleted customers, by the beginning of a name as the main list
    // filters; a Delete of the window's comes first.
    QTest::mouseClick(w->cmdfirst, Qt::LeftButton);  // Maria Santos
    auto yes = answer_next_message_box(QMessageBox::Yes);
    QTest::mouseClick(w->cmddel, Qt::LeftButton);
    QTRY_VERIFY(yes->seen);
    QCOMPARE(w.state(), state::browse);
    const auto deleted = w.ask([](Database& cn) { return CustomerHistory(cn).deleted(RowSource::all(), 10); });
    QCOMPARE(deleted.size(), 2);
    QCOMPARE(deleted[0].cusnum, 1);
    QCOMPARE(deleted[0].author, own_author());
    QCOMPARE(deleted[0].before->fname, QStringLiteral("Maria"));
    QVERIFY(!deleted[0].after);
    QCOMPARE(deleted[1].cusnum, 3);
    QCOMPARE(deleted[1].author, shell_author());
    for (const QString& prefix : {QStringLiteral("mart"), QStringLiteral("MARTí"), QStringLiteral("Sa")}) {
        const auto found = w.ask([prefix](Database& cn) {
            return CustomerHistory(cn).deleted(RowSource::names_beginning(RowSource::Column::Fname, prefix), 10);
        });
        const qint64 expected = prefix == QLatin1String("mart") ? 3 : 0;
        QCOMPARE(found.size(), expected ? 1 : 0);
        if (expected)
            QCOMPARE(found[0].cusnum, expected);
    }
    const auto santos = w.ask([](Database& cn) {
        return CustomerHistory(cn).deleted(RowSource::names_beginning(RowSource::Column::Lname, QStringLiteral("sAN")), 10);
    });
    QCOMPARE(santos.size(), 2);  // Santos and Sanders, newest first
    QCOMPARE(santos[0].cusnum, 1);
    QCOMPARE(santos[1].cusnum, 3);
    const auto page = w.ask([id = santos[0].id](Database& cn) {
        return CustomerHistory(cn).deleted(RowSource::names_beginning(RowSource::Column::Lname, QStringLiteral("san")), 1, id);
    });
    QCOMPARE(page.size(), 1);
    QCOMPARE(page[0].cusnum, 3);
}

QTEST_MAIN(TwoProgramsTest)
#include "test_two_programs.moc"
