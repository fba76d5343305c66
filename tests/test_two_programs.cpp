// Two instances of the program on one db40.mdb, each a separate process
// driven like a user: both keep working, and neither overwrites a row the
// other changed after it was shown.

#include "driver/client.h"
#include "driver/protocol.h"
#include "support/test_support.h"
#include "ui/datagrid.h"

#include <QSet>
#include <QTest>

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

QTEST_MAIN(TwoProgramsTest)
#include "test_two_programs.moc"
