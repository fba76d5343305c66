// The name filter, typed key by key into the filter box, its two option
// buttons, and the lockout of the buttons while no row is left.

#include "support/test_support.h"

#include "data/modyul.h"
#include "ui/datagrid.h"

#include <QTest>

using namespace test;

namespace {
const QStringList kAllButtons{"cmdfirst", "cmdprev", "cmdnext", "cmdlast", "cmdadd", "cmdedit", "cmddel", "cmdexit"};
const QStringList kLocked{"cmdexit"};
constexpr int kFirstName = 1;
constexpr int kLastName = 2;

// Row 1 has no e-mail, so the E-mail box is already empty when a filter
// that matches nothing blanks it.
QVector<Row> customers()
{
    return {
        row(1, "Albert", "Zimmer", "1 Elm", QVariant()),
        row(2, "anne", "Robertson"),
        row(3, "ALICE", "Jonsson"),
        row(4, "Zara", "Sonnen"),
        row(5, "Ångström", "Peña"),
        row(6, "Bob", "Ødegaard"),
        row(7, QVariant(), "O'Brien"),
        row(8, "Marta", QVariant()),
        row(9, "Éclair", "Straße"),
        row(10, "éclair", "STRAẞE"),
        row(11, "\"Quoted\"", "\\slash"),
        row(12, "x'; drop table dept; --", "It's"),
        row(13, "Peter", "Peterson"),
    };
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Clicks into the filter box and types, as the user does.
void typeFilter(Window& w, const QString& text)
{
    QTest::mouseClick(w->Text9, Qt::LeftButton);
    type(w->Text9, text);
    QCOMPARE(w->Text9->text().right(text.size()), text);
}

// Deletes the last letters of the filter box, key by key, and waits until
// the window has answered them.
void backspace(Window& w, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(w->Text9, Qt::Key_Backspace);
    w.settle();
}
}  // namespace

class FilterTest : public QObject {
    Q_OBJECT
private slots:
    void letterListsNamesBeginningWithItInEitherCase();
    void noMatchLocksAndDeletingBackUnlocks();
    void lastNameRerunsTheFilterAndKeepsTheFocus();
    void percentAndUnderscoreAreWildcards();
    void quotesAndLettersBeyondAToZ_data();
    void quotesAndLettersBeyondAToZ();
    void emptyingTheBoxListsEveryRowWithNullNames();
    void requeryRunsTheFilterAgain();
    void emptyTableKeepsAddUntilAFilterIsTyped();
    void filterIsOutOfReachDuringAnEdit();
    void cancelledQuestionLeavesTheConnectionUsable();
};

void FilterTest::letterListsNamesBeginningWithItInEitherCase()
{
    TempDb db(customers());
    Window w(db);
    RecordSet* bound = w->DataGrid1->dataSource();
    typeFilter(w, "a");
    QCOMPARE(w.gridColumn(kFirstName), (QStringList{"Albert", "ALICE", "anne"}));
    QCOMPARE(w.boxes(), (QStringList{"1", "Albert", "Zimmer", "1 Elm", "", "555", "Sales", "100"}));
    QCOMPARE(w->DataGrid1->currentIndex().row(), 0);
    QCOMPARE(w.enabledButtons(), kAllButtons);
    QVERIFY(w->Text9->hasFocus());
    QCOMPARE(w->DataGrid1->dataSource(), bound);  // the grid follows, not bound again

    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->Text2->text(), QStringLiteral("ALICE"));
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->Text2->text(), QStringLiteral("anne"));
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->Text2->text(), QStringLiteral("anne"));
    QVERIFY(w.gridAgreesWithBoxes());
    w.clickGridRow(1);
    QCOMPARE(w->Text2->text(), QStringLiteral("ALICE"));
}

// Row 1 shows an empty E-mail box; blanking it again must still lock.
void FilterTest::noMatchLocksAndDeletingBackUnlocks()
{
    TempDb db(customers());
    Window w(db);
    MessageBoxWatch boxes;
    typeFilter(w, "a");
    QCOMPARE(w->text5->text(), QString());
    type(w->Text9, "x");
    QCOMPARE(w.boxes(), QStringList(8, QString()));
    QCOMPARE(w.enabledButtons(), kLocked);  // Save keeps its state: disabled
    QCOMPARE(w->DataGrid1->model()->rowCount(), 0);
    QVERIFY(w->Text9->hasFocus());
    QVERIFY(!w->close());

    backspace(w);
    QCOMPARE(w->Text2->text(), QStringLiteral("Albert"));
    QCOMPARE(w.enabledButtons(), kAllButtons);

    type(w->Text9, "liq");
    QCOMPARE(w.boxes(), QStringList(8, QString()));
    QCOMPARE(w.enabledButtons(), kLocked);
    backspace(w);
    QCOMPARE(w->Text2->text(), QStringLiteral("ALICE"));
    QCOMPARE(w.enabledButtons(), kAllButtons);

    // Exit still ends the program while nothing matches.
    type(w->Text9, "q");
    QCOMPARE(w.enabledButtons(), kLocked);
    QCOMPARE(boxes.seen, QStringList());
    QTest::mouseClick(w->cmdexit, Qt::LeftButton);
    QCOMPARE(w.ended, QList<int>{0});
}

void FilterTest::lastNameRerunsTheFilterAndKeepsTheFocus()
{
    TempDb db(customers());
    Window w(db);
    typeFilter(w, "Z");
    QCOMPARE(w.gridColumn(kFirstName), QStringList{"Zara"});
    QCOMPARE(w->Text1->text(), QStringLiteral("4"));

    QTest::mouseClick(w->lname, Qt::LeftButton);
    QVERIFY(w->lname->isChecked());
    QCOMPARE(w->Text9->text(), QStringLiteral("Z"));
    QCOMPARE(w.gridColumn(kLastName), QStringList{"Zimmer"});
    QCOMPARE(w->Text1->text(), QStringLiteral("1"));
    QVERIFY(w->Text9->hasFocus());
    QCOMPARE(w.enabledButtons(), kAllButtons);

    // Typing on goes on filtering last names; First Name brings an empty result.
    type(w->Text9, "i");
    QCOMPARE(w->Text3->text(), QStringLiteral("Zimmer"));
    QTest::mouseClick(w->fname, Qt::LeftButton);
    QVERIFY(w->fname->isChecked());
    QCOMPARE(w.boxes(), QStringList(8, QString()));
    QCOMPARE(w.enabledButtons(), kLocked);
    QVERIFY(w->Text9->hasFocus());
    QTest::mouseClick(w->lname, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->Text3->text(), QStringLiteral("Zimmer"));
    QCOMPARE(w.enabledButtons(), kAllButtons);
    QVERIFY(w->Text9->hasFocus());

    // Ctrl+F from a record box brings the keyboard back with the text selected.
    w->Text2->setFocus();
    QTest::keyClick(w->Text2, Qt::Key_F, Qt::ControlModifier);
    w.settle();
    QVERIFY(w->Text9->hasFocus());
    QCOMPARE(w->Text9->selectedText(), QStringLiteral("Zi"));
    type(w->Text9, "M");
    QCOMPARE(w->Text9->text(), QStringLiteral("M"));
}

void FilterTest::percentAndUnderscoreAreWildcards()
{
    TempDb db(customers());
    Window w(db);
    QTest::mouseClick(w->lname, Qt::LeftButton);
    typeFilter(w, "%son");
    QCOMPARE(sorted(w.gridColumn(kLastName)), (QStringList{"Jonsson", "Peterson", "Robertson", "Sonnen"}));
    QVERIFY(w.gridAgreesWithBoxes());

    QTest::mouseClick(w->fname, Qt::LeftButton);
    w->Text9->clear();
    type(w->Text9, "_l");
    QCOMPARE(sorted(w.gridColumn(kFirstName)), (QStringList{"ALICE", "Albert"}));
}

void FilterTest::quotesAndLettersBeyondAToZ_data()
{
    QTest::addColumn<bool>("lastName");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("listed");
    auto add = [](const char* tag, bool lastName, const char* typed, QStringList listed) {
        QTest::newRow(tag) << lastName << QString::fromUtf8(typed) << listed;
    };
    add("apostrophe", true, "O'B", {"O'Brien"});
    add("apostrophe inside", true, "it'", {"It's"});
    add("apostrophe alone", false, "'", {});
    add("double quote", false, "\"q", {"\"Quoted\""});
    add("backslash", true, "\\S", {"\\slash"});
    add("statement text", false, "x'; DROP", {"x'; drop table dept; --"});
    add("pe finds n with tilde", true, "pe", {"Peterson", "Peña"});
    add("n with tilde, capitals", true, "PEÑ", {"Peña"});
    add("o with stroke", true, "ø", {"Ødegaard"});
    add("capital o with stroke", true, "Ø", {"Ødegaard"});
    add("e with acute", false, "é", {"Éclair", "éclair"});
    add("sharp s", true, "straß", {"STRAẞE", "Straße"});
    add("a with ring", false, "å", {"Ångström"});
}

void FilterTest::quotesAndLettersBeyondAToZ()
{
    QFETCH(bool, lastName);
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    TempDb db(customers());
    Window w(db);
    MessageBoxWatch boxes;
    QTest::mouseClick(lastName ? w->lname : w->fname, Qt::LeftButton);
    typeFilter(w, typed);
    const int column = lastName ? kLastName : kFirstName;
    QCOMPARE(sorted(w.gridColumn(column)), sorted(listed));
    QCOMPARE(w->recordBoxes()[column]->text(), listed.isEmpty() ? QString() : w.gridColumn(column).first());
    QCOMPARE(w.enabledButtons(), listed.isEmpty() ? kLocked : kAllButtons);
    QCOMPARE(boxes.seen, QStringList());
    QCOMPARE(w.ended, QList<int>());
    QCOMPARE(db.count(), customers().size());
}

void FilterTest::emptyingTheBoxListsEveryRowWithNullNames()
{
    TempDb db(customers());
    Window w(db);
    QStringList keys;
    for (const Row& r : customers())
        keys << r[0].toString();

    typeFilter(w, "ma");
    QCOMPARE(w.gridColumn(kFirstName), QStringList{"Marta"});
    backspace(w, 2);
    QCOMPARE(w.gridColumn(0), keys);
    QCOMPARE(w->Text1->text(), QStringLiteral("1"));
    QCOMPARE(w.enabledButtons(), kAllButtons);

    // The same on the last-name column, the box emptied in one step.
    QTest::mouseClick(w->lname, Qt::LeftButton);
    type(w->Text9, "o'");
    QCOMPARE(w.gridColumn(kLastName), QStringList{"O'Brien"});
    QTest::keyClick(w->Text9, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w->Text9, Qt::Key_Delete);
    w.settle();
    QCOMPARE(w->Text9->text(), QString());
    QCOMPARE(w.gridColumn(0), keys);

    // Rows without a name are reached like any other.
    w.clickGridRow(6);
    QCOMPARE(w.boxes().mid(0, 3), (QStringList{"7", "", "O'Brien"}));
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w.boxes().mid(0, 3), (QStringList{"8", "Marta", ""}));
}

// Delete, Save and Cancel read the rows again through the filter, not the
// whole table.
void FilterTest::requeryRunsTheFilterAgain()
{
    TempDb db(customers());
    Window w(db);
    typeFilter(w, "a");
    QCOMPARE(w.gridColumn(kFirstName), (QStringList{"Albert", "ALICE", "anne"}));

    auto answer = answer_next_message_box(QMessageBox::Yes);
    QTest::mouseClick(w->cmddel, Qt::LeftButton);
    QTRY_VERIFY(answer->seen);
    QCOMPARE(w.gridColumn(kFirstName), (QStringList{"ALICE", "anne"}));
    QCOMPARE(w->Text2->text(), QStringLiteral("ALICE"));

    auto add = [&](const QString& first) {
        QTest::mouseClick(w->cmdadd, Qt::LeftButton);
        type(w->Text2, first);
        type(w->Text3, "New");
        QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    };
    add("Zed");
    QCOMPARE(w.gridColumn(kFirstName), (QStringList{"ALICE", "anne"}));
    QCOMPARE(db.rows("WHERE Fname = 'Zed'").size(), 1);
    add("Amy");
    QCOMPARE(w.gridColumn(kFirstName), (QStringList{"ALICE", "Amy", "anne"}));
    QCOMPARE(w->Text2->text(), QStringLiteral("Amy"));

    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);  // Cancel
    QCOMPARE(w.gridColumn(kFirstName), (QStringList{"ALICE", "Amy", "anne"}));
    QCOMPARE(w->Text9->text(), QStringLiteral("a"));
    QCOMPARE(w.enabledButtons(), kAllButtons);
}

void FilterTest::emptyTableKeepsAddUntilAFilterIsTyped()
{
    TempDb db;
    Window w(db);
    const QStringList canAdd{"cmdadd", "cmdexit"};
    QCOMPARE(w.enabledButtons(), canAdd);
    typeFilter(w, "x");
    QCOMPARE(w.enabledButtons(), kLocked);
    backspace(w);
    QCOMPARE(w.enabledButtons(), canAdd);
}

// An edit in progress keeps its texts and buttons: the filter, its options
// and the grid cannot be reached, and typing the e-mail changes no button.
void FilterTest::filterIsOutOfReachDuringAnEdit()
{
    TempDb db(customers());
    Window w(db);
    QTest::mouseClick(w->cmdedit, Qt::LeftButton);
    const QStringList editing{"cmdexit", "cmdsave"};
    QCOMPARE(w.enabledButtons(), editing);
    for (QWidget* c : {static_cast<QWidget*>(w->Text9), static_cast<QWidget*>(w->fname),
                       static_cast<QWidget*>(w->lname), static_cast<QWidget*>(w->DataGrid1)})
        QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    type(w->Text9, "zz");
    QTest::mouseClick(w->lname, Qt::LeftButton);
    QCOMPARE(w->Text9->text(), QString());
    QVERIFY(w->fname->isChecked());
    type(w->text5, "al@x");
    QCOMPARE(w->text5->text(), QStringLiteral("al@x"));
    QCOMPARE(w.enabledButtons(), editing);

    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    QCOMPARE(w.enabledButtons(), kAllButtons);
    QVERIFY(w->Text9->isEnabled());
    typeFilter(w, "al");
    QCOMPARE(w->text5->text(), QStringLiteral("al@x"));
}

// A question whose answer is no longer wanted (the list for an older filter
// text) is stopped in the database, alone or sent with others, and the
// next question on the same connection is answered as usual.
void FilterTest::cancelledQuestionLeavesTheConnectionUsable()
{
    TempDb db(customers());
    Window w(db);
    Connection& cn = w.cn();
    // A question that would run for ever, or half a minute.
    const QString endless = on_server()
        ? QStringLiteral("SELECT pg_sleep(30)")
        : QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c");
    const QList<QList<Statement>> asked{{{endless, {}}}, {{QStringLiteral("SELECT 1"), {}}, {endless, {}}}};
    for (const QList<Statement>& statements : asked) {
        auto answer = cn.ask([statements](Database& db) { return db.queries(statements); });
        QTimer::singleShot(100, &cn, [&] { cn.cancel(answer.ticket()); });
        try {
            await(answer);
            QFAIL("the question was not stopped");
        } catch (const DbError& e) {
            QVERIFY2(e.cancelled(), qPrintable(e.message()));
        }
        QCOMPARE(w.ask([](Database& db) { return db.scalar(QStringLiteral("SELECT count(*) FROM dept")).toInt(); }), 13);
    }
    typeFilter(w, "ma");
    QCOMPARE(w->Text2->text(), QStringLiteral("Marta"));
}

QTEST_MAIN(FilterTest)
#include "test_filter.moc"
