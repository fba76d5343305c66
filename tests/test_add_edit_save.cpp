// Adding, editing and saving rows through the window: the states the
// window moves through, and what reaches the database file.

#include "data/customer_history.h"
#include "support/test_support.h"

#include "data/modyul.h"
#include "ui/datagrid.h"

#include <QTest>
#include <chrono>
#include <future>
#include <thread>

using namespace test;

namespace {
// Waits until the window reaches a state; says which it is in otherwise.
bool reaches(Window& w, const QString& state)
{
    if (QTest::qWaitFor([&] { return w.state() == state; }))
        return true;
    qWarning("the window stays in \"%s\", not \"%s\"", qPrintable(w.state()), qPrintable(state));
    return false;
}

// Starts an add (Alt+A) or an edit (Alt+E).
bool start(Window& w, bool adding)
{
    w.alt(adding ? Qt::Key_A : Qt::Key_E);
    return reaches(w, adding ? state::adding : state::editing);
}

// Saves with Alt+S, expecting the window back in the browse state.
bool save(Window& w)
{
    w.alt(Qt::Key_S);
    return reaches(w, state::browse);
}

// The data rows of a test run once in an add and once in an edit.
void add_or_edit()
{
    QTest::addColumn<bool>("adding");
    QTest::newRow("add") << true;
    QTest::newRow("edit") << false;
}

// Replaces a box's text by typing, as a user would.
void retype(QLineEdit* box, const QString& text)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    type(box, text);
}

// Puts a text into a box as a paste does: for texts no keyboard types.
void paste(QLineEdit* box, const QString& text)
{
    box->selectAll();
    box->insert(text);
}

// Types the texts into Text2 to Text8: first and last name, address,
// e-mail, phone, department name, credit limit.
void fill(Window& w, const QStringList& texts)
{
    const auto boxes = w->recordBoxes().mid(1);
    for (int i = 0; i < boxes.size(); ++i)
        retype(boxes[i], texts.value(i));
}

// The row as the table holds it: key, the seven texts with the credit limit
// before the department name, and the two numbers.
QStringList stored(qint64 key, const QStringList& typed)
{
    return QStringList{QString::number(key)} + typed.mid(0, 5) + QStringList{typed[6], typed[5], "0", "0"};
}

QStringList stored_row(const TempDb& db, qint64 key)
{
    return as_texts(db.rows(QStringLiteral("WHERE cusnum = %1").arg(key)).value(0));
}

const QStringList kZoe{"Zoë", "Lindqvist", "12 Harbour Rd", "zoe@example.org", "555-0199", "Research", "2500"};
}  // namespace

class AddEditSaveTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        const QStringList seen = std::exchange(boxes_.seen, {});
        QVERIFY2(seen.isEmpty(), qPrintable(QStringLiteral("unexpected message box: ") + seen.join(u'\n')));
    }

    // The state table.
    void addThenCancelOrAddAgainWritesNothingAndShowsTheFirstRow();
    void addThenSaveInsertsEachBoxIntoItsOwnColumn();
    void editThenSaveUpdatesOneRowKeepingItsKey();
    void editOfARowWithEmptyColumnsSaves();
    void exitDuringAddOrEditEndsWithoutWriting_data();
    void exitDuringAddOrEditEndsWithoutWriting();

    // What reaches the database.
    void hostileTextsRoundTripThroughInsertAndUpdate_data();
    void hostileTextsRoundTripThroughInsertAndUpdate();
    void overlongNameIsRefusedNamingItsBox();
    void newKeyIsOneMoreThanTheLargestWhateverTheFilterAndOrder();
    void newKeyStartsAtOneAndPasses32767();
    void savedRowBeyondTheFirstPageIsShownWhereTheListHoldsIt();
    void rowAddedByAnotherProgramDuringAnAddIsNotDuplicated();
    void editAndDeleteRightAfterSavingANewRowActOnIt();
    void deleteRightAfterAnEditRemovesTheEditedRow();
    void gridFilterAndEmailBoxCannotDisturbAnAddOrEdit_data();
    void gridFilterAndEmailBoxCannotDisturbAnAddOrEdit();
    void updateOfARowChangedOrDeletedMeanwhileTellsTheUser();
    void changeOfLetterCaseMeanwhileIsNoticed();
    void insertWorksWhateverTheTwoNumbersAreCalled();

    // Refused saves.
    void lockedSaveIsRefusedThenRetried_data();
    void lockedSaveIsRefusedThenRetried();
    void saveWaitsOutABriefLock();
    void readOnlySaveIsRefused_data();
    void readOnlySaveIsRefused();
    void constraintRefusalShowsTheDatabasesMessage();
    void undoAndRedoOfAnEditAndAnAddNeverOverwriteAnotherProgram();

private:
    MessageBoxWatch boxes_;
};

// ---- The state table ----

void AddEditSaveTest::addThenCancelOrAddAgainWritesNothingAndShowsTheFirstRow()
{
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE(w.state(), state::browse);

    QVERIFY(start(w, true));
    QCOMPARE(w.boxes(), QStringList(8, QString()));
    QCOMPARE(w.rs().position(), w.rs().knownCount() - 1);  // the last row is current
    type(w->Text2, "Half typed");

    w.alt(Qt::Key_C);
    QTRY_COMPARE(w.state(), state::browse);
    QCOMPARE(w.boxes(), (QStringList{"1", "Maria", "Santos", "addr", "e@x", "555", "Sales", "100"}));
    QCOMPARE(w.rs().position(), qint64(0));
    QVERIFY(w.gridAgreesWithBoxes());

    // Clicking Add twice starts an add and abandons it.
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    QCOMPARE(w.state(), state::adding);
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(w.boxes().value(0), QStringLiteral("1"));

    // Escape abandons an add as Cancel does, from any box; during an edit it does nothing.
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QVERIFY(start(w, true));
    type(w->Text4, "Half typed");
    QTest::keyClick(w->Text4, Qt::Key_Escape);
    QTRY_COMPARE(w.state(), state::browse);
    QCOMPARE(w.boxes().value(0), QStringLiteral("1"));
    QVERIFY(w.gridAgreesWithBoxes());
    QTest::mouseClick(w->cmdedit, Qt::LeftButton);
    QTest::keyClick(w->Text2, Qt::Key_Escape);
    QCOMPARE(w.state(), state::editing);
    QVERIFY(db.rows() == before);
}

void AddEditSaveTest::addThenSaveInsertsEachBoxIntoItsOwnColumn()
{
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QVERIFY(start(w, true));
    fill(w, kZoe);
    QVERIFY(save(w));

    QCOMPARE(db.count(), 8);
    QVERIFY(db.rows().mid(0, 7) == before);
    QCOMPARE(stored_row(db, 8), stored(8, kZoe));
    // Dept. Name and Credit Limit each reach the column of their name.
    QCOMPARE(db.rows("WHERE deptname = 'Research' AND credlimit = '2500'").size(), 1);

    // The saved row is the current row, shown in the boxes it was typed in.
    QCOMPARE(w.boxes(), QStringList{"8"} + kZoe);
    QCOMPARE(w->DataGrid1->listedRows(), qint64(8));
    QCOMPARE(w.rs().position(), qint64(7));
    QVERIFY(w.gridAgreesWithBoxes());
}

void AddEditSaveTest::editThenSaveUpdatesOneRowKeepingItsKey()
{
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    const QStringList shown = w.boxes();

    QVERIFY(start(w, false));
    QCOMPARE(w.boxes(), shown);
    retype(w->Text3, "Martínez-Ruiz");
    retype(w->Text7, "Legal");
    retype(w->Text8, "900");
    QVERIFY(save(w));

    const QStringList edited{"Mark", "Martínez-Ruiz", "addr", "e@x", "555", "Legal", "900"};
    QCOMPARE(db.count(), 7);
    QCOMPARE(stored_row(db, 2), stored(2, edited));
    auto rows = db.rows();
    rows.removeAt(1);
    auto others = before;
    others.removeAt(1);
    QVERIFY(rows == others);
    QCOMPARE(w.boxes(), QStringList{"2"} + edited);
    QCOMPARE(w.rs().position(), qint64(1));
    QVERIFY(w.gridAgreesWithBoxes());
}

void AddEditSaveTest::editOfARowWithEmptyColumnsSaves()
{
    // NULL columns must not look like another program's change.
    TempDb db({row(4, "Ann", QVariant(), "addr", QVariant(), QVariant(), "9", QVariant())});
    Window w(db);
    QVERIFY(start(w, false));
    retype(w->Text2, "Anne");
    QVERIFY(save(w));
    QCOMPARE(stored_row(db, 4).value(1), QStringLiteral("Anne"));
    QCOMPARE(w.boxes().mid(0, 2), (QStringList{"4", "Anne"}));
}

void AddEditSaveTest::exitDuringAddOrEditEndsWithoutWriting_data()
{
    add_or_edit();
}

void AddEditSaveTest::exitDuringAddOrEditEndsWithoutWriting()
{
    QFETCH(bool, adding);
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QVERIFY(start(w, adding));
    retype(w->Text2, "Never saved");
    QVERIFY(w->cmdexit->isEnabled());
    QTest::mouseClick(w->cmdexit, Qt::LeftButton);
    QCOMPARE(w.ended, QList<int>{0});
    QVERIFY(db.rows() == before);
}

// ---- What reaches the database ----

void AddEditSaveTest::hostileTextsRoundTripThroughInsertAndUpdate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("typed");  // else pasted
    QString longText;
    while (longText.size() < 10000)
        longText += QStringLiteral("Ab'c\"d\\e%f_g;h é\nŁ ");
    longText.truncate(10000);

    QTest::newRow("apostrophes") << QStringLiteral("O'Brien's 'x'") << true;
    QTest::newRow("double quotes") << QStringLiteral("She said \"hi\"") << true;
    QTest::newRow("backslashes") << QStringLiteral("C:\\new\\table\\\\") << true;
    QTest::newRow("percent, underscore") << QStringLiteral("100% _done_ %") << true;
    QTest::newRow("semicolon, SQL") << QStringLiteral("x'); DELETE FROM dept; --") << true;
    QTest::newRow("non-ASCII") << QStringLiteral("Ødegaard Łódź Straße Ελλάδα 日本語") << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("blanks around") << QStringLiteral("  two  blanks  ") << true;
    QTest::newRow("line breaks") << QStringLiteral("first\nsecond\r\nthird\rfourth") << false;
    QTest::newRow("emoji, tab") << QStringLiteral("smile 🙂\tthere") << false;
    QTest::newRow("10,000 characters") << longText << false;
}

void AddEditSaveTest::hostileTextsRoundTripThroughInsertAndUpdate()
{
    QFETCH(QString, text);
    QFETCH(bool, typed);
    // The text in every box, as long as a name may be in the two names.
    auto seven = [](const QString& t) {
        QStringList texts(7, t);
        texts[0] = texts[1] = t.left(kMaxNameLength);
        return texts;
    };
    auto put = [&](Window& w, const QString& t) {
        const auto boxes = w->recordBoxes().mid(1);
        for (int i = 0; i < boxes.size(); ++i) {
            if (typed)
                retype(boxes[i], seven(t)[i]);
            else
                paste(boxes[i], seven(t)[i]);
            QCOMPARE(boxes[i]->text(), seven(t)[i]);
        }
    };
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);

    QVERIFY(start(w, true));
    put(w, text);
    QVERIFY(save(w));
    QCOMPARE(stored_row(db, 8), stored(8, seven(text)));
    QCOMPARE(w.boxes(), QStringList{"8"} + seven(text));

    const QString edited = QStringLiteral("edited ") + text;
    QVERIFY(start(w, false));
    put(w, edited);
    QVERIFY(save(w));
    QCOMPARE(stored_row(db, 8), stored(8, seven(edited)));
    QCOMPARE(w.boxes(), QStringList{"8"} + seven(edited));

    QCOMPARE(db.count(), 8);
    QVERIFY(db.rows().mid(0, 7) == before);
    QCOMPARE(db.integrity(), QStringLiteral("ok"));
}

// A name longer than the name indexes take is refused before any
// statement, in the same words on both engines; the longest one allowed,
// in characters that take the most bytes, is saved.
void AddEditSaveTest::overlongNameIsRefusedNamingItsBox()
{
    QString name;
    quint32 seed = 18;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245 + 12345;
        name += QChar(char16_t(0x4E00 + (seed >> 8) % 0x5000));  // three bytes each in UTF-8, no case
    }
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    for (const bool adding : {true, false}) {
        const auto was = db.rows();
        QVERIFY(start(w, adding));
        paste(w->Text2, name);
        const auto answer = answer_next_message_box(QMessageBox::Ok);
        w.alt(Qt::Key_S);
        QTRY_VERIFY(answer->seen);
        QCOMPARE(answer->text, QStringLiteral("The record was not saved.\n\nThe First Name box holds 3000 characters; it may "
                                              "hold at most 400. Nothing you typed is lost: shorten the text and save again."));
        QCOMPARE(w.state(), adding ? state::adding : state::editing);
        QCOMPARE(w->Text2->text(), name);
        QVERIFY(db.rows() == was);

        paste(w->Text2, name.left(kMaxNameLength));
        QVERIFY(save(w));
        QCOMPARE(w->Text2->text(), name.left(kMaxNameLength));
    }
    QCOMPARE(db.count(), before.size() + 1);
}

void AddEditSaveTest::newKeyIsOneMoreThanTheLargestWhateverTheFilterAndOrder()
{
    // In name order the filter keeps Maria (9), Mark (2), Martin (5): its
    // last row's key plus one would be Ann's key.
    TempDb db({row(5, "Martin", "A"), row(9, "Maria", "B"), row(2, "Mark", "C"), row(6, "Ann", "D"),
               row(1, "Zed", "E")});
    Window w(db);
    type(w->Text9, "Mar");
    QCOMPARE(w->DataGrid1->listedRows(), qint64(3));
    QCOMPARE(w->Text1->text(), QStringLiteral("9"));

    const QStringList marvin{"Marvin", "Gaye", "1 Soul St", "m@g", "1", "Music", "7"};
    QVERIFY(start(w, true));
    fill(w, marvin);
    QVERIFY(save(w));
    QCOMPARE(stored_row(db, 10), stored(10, marvin));
    QCOMPARE(stored_row(db, 6), as_texts(row(6, "Ann", "D")));
    // The filter keeps the new row: it is current, after Martin.
    QCOMPARE(w.boxes(), QStringList{"10"} + marvin);
    QCOMPARE(w.rs().position(), qint64(3));
    QVERIFY(w.gridAgreesWithBoxes());

    // A row the filter leaves out is saved; the first row is shown.
    const QStringList bob{"Bob", "Dylan", "2 Road", "b@d", "2", "Music", "8"};
    QVERIFY(start(w, true));
    fill(w, bob);
    QVERIFY(save(w));
    QCOMPARE(stored_row(db, 11), stored(11, bob));
    QCOMPARE(w->Text1->text(), QStringLiteral("9"));
    QCOMPARE(w.rs().position(), qint64(0));
    QVERIFY(w.gridAgreesWithBoxes());
    QCOMPARE(db.count(), 7);
}

void AddEditSaveTest::newKeyStartsAtOneAndPasses32767()
{
    {
        TempDb db;
        Window w(db);
        QCOMPARE(w.state(), state::empty);
        QVERIFY(start(w, true));
        fill(w, kZoe);
        QVERIFY(save(w));
        QCOMPARE(stored_row(db, 1), stored(1, kZoe));
        QCOMPARE(w.boxes(), QStringList{"1"} + kZoe);
    }
    {
        TempDb db({row(32767, "Last", "Short")});
        Window w(db);
        QVERIFY(start(w, true));
        fill(w, kZoe);
        QVERIFY(save(w));
        QCOMPARE(stored_row(db, 32768), stored(32768, kZoe));
        QCOMPARE(db.count(), 2);
    }
}

void AddEditSaveTest::savedRowBeyondTheFirstPageIsShownWhereTheListHoldsIt()
{
    // Mara 001 to 300 under their own numbers, then 20 rows the filter
    // leaves out; the record set reads 64 rows a page.
    QVector<Row> rows;
    for (int i = 1; i <= 300; ++i)
        rows << row(i, QStringLiteral("Mara %1").arg(i, 3, 10, QLatin1Char('0')), "M");
    for (int i = 301; i <= 320; ++i)
        rows << row(i, "Zed", "Z");
    TempDb db(rows);
    Window w(db);
    // The saved row is current at position, and every row the grid shows
    // stands where the list holds it.
    auto shown = [&](qint64 key, qint64 position, const std::function<qint64(qint64)>& keyAt) {
        if (w->Text1->text() != QString::number(key) || w.rs().position() != position || !w.gridAgreesWithBoxes())
            return false;
        const QStringList keys = w.gridColumn(0);
        for (int r = 0; r < keys.size(); ++r)
            if (keys[r].toLongLong() != keyAt(w->DataGrid1->firstShown() + r))
                return false;
        return !keys.isEmpty();
    };

    type(w->Text9, "Ma");
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->Text1->text(), QStringLiteral("300"));
    QVERIFY(start(w, false));
    retype(w->Text2, "Mara 150x");
    QVERIFY(save(w));
    QVERIFY(shown(300, 150, [](qint64 p) { return p < 150 ? p + 1 : p == 150 ? 300 : p; }));
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 151 of 300 whose first name begins with \"Ma\""));

    QVERIFY(start(w, true));
    fill(w, {"Mara 075x", "M", "1 Road", "m@x", "1", "Sales", "5"});
    QVERIFY(save(w));
    QVERIFY(shown(321, 75, [](qint64 p) { return p < 75 ? p + 1 : p == 75 ? 321 : p <= 150 ? p : p == 151 ? 300 : p - 1; }));
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 76 of 301 whose first name begins with \"Ma\""));

    // In key order, a row on the second page.
    QTest::keyClick(w->Text9, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w->Text9, Qt::Key_Delete);
    for (int i = 0; i < 100; ++i)
        QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QVERIFY(start(w, false));
    retype(w->Text3, "Moved");
    QVERIFY(save(w));
    QVERIFY(shown(101, 100, [](qint64 p) { return p + 1; }));
    QCOMPARE(w->lblposition->text(), QStringLiteral("Customer 101 of 321"));
    QCOMPARE(stored_row(db, 101).value(2), QStringLiteral("Moved"));
}

void AddEditSaveTest::rowAddedByAnotherProgramDuringAnAddIsNotDuplicated()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QVERIFY(start(w, true));
    const Row theirs = row(8, "Other", "Program");
    db.exec("INSERT INTO dept VALUES (?,?,?,?,?,?,?,?,?,?)", QVariantList(theirs.begin(), theirs.end()));
    fill(w, kZoe);
    QVERIFY(save(w));
    QCOMPARE(stored_row(db, 8), as_texts(theirs));
    QCOMPARE(stored_row(db, 9), stored(9, kZoe));
    QCOMPARE(w.boxes(), QStringList{"9"} + kZoe);
}

void AddEditSaveTest::editAndDeleteRightAfterSavingANewRowActOnIt()
{
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QVERIFY(start(w, true));
    fill(w, kZoe);
    QVERIFY(save(w));

    QVERIFY(start(w, false));
    retype(w->Text4, "3 New Street");
    QVERIFY(save(w));
    QStringList moved = kZoe;
    moved[2] = "3 New Street";
    QCOMPARE(stored_row(db, 8), stored(8, moved));
    QVERIFY(db.rows().mid(0, 7) == before);

    auto confirm = answer_next_message_box(QMessageBox::Yes);
    w.alt(Qt::Key_D);
    QTRY_VERIFY(confirm->seen);
    QTRY_COMPARE(db.count(), 7);
    QVERIFY(db.rows() == before);
}

void AddEditSaveTest::deleteRightAfterAnEditRemovesTheEditedRow()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QVERIFY(start(w, false));
    retype(w->Text2, "Martina");
    QVERIFY(save(w));
    QCOMPARE(w.boxes().mid(0, 2), (QStringList{"3", "Martina"}));

    auto confirm = answer_next_message_box(QMessageBox::Yes);
    w.alt(Qt::Key_D);
    QTRY_VERIFY(confirm->seen);
    QTRY_COMPARE(db.count(), 6);
    QVERIFY(db.rows("WHERE cusnum = 3").isEmpty());
    QCOMPARE(stored_row(db, 1), as_texts(TempDb::sample()[0]));
}

void AddEditSaveTest::gridFilterAndEmailBoxCannotDisturbAnAddOrEdit_data()
{
    add_or_edit();
}

void AddEditSaveTest::gridFilterAndEmailBoxCannotDisturbAnAddOrEdit()
{
    QFETCH(bool, adding);
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QVERIFY(start(w, adding));
    const QString expected = w.state();
    retype(w->Text2, "Typed");

    // A click on another row of the grid.
    w.clickGridRow(4);
    QTest::keyClick(w->DataGrid1, Qt::Key_Down);
    // The filter box and its options.
    type(w->Text9, "Zz");
    QTest::mouseClick(w->lname, Qt::LeftButton);
    // A keystroke in the E-mail box, whose change handler runs the lockout.
    QTest::keyClick(w->text5, Qt::Key_End);
    type(w->text5, "x");
    // The access keys of the disabled buttons.
    for (Qt::Key key : {Qt::Key_N, Qt::Key_P, Qt::Key_F, Qt::Key_L, Qt::Key_D, Qt::Key_E})
        w.alt(key);

    QCOMPARE(w.state(), expected);
    QCOMPARE(w->Text9->text(), QString());
    QVERIFY(w->fname->isChecked());
    QCOMPARE(w.boxes().value(1), QStringLiteral("Typed"));
    QCOMPARE(w.rs().knownCount(), 7);

    QVERIFY(save(w));
    if (adding) {
        QCOMPARE(stored_row(db, 8), stored(8, {"Typed", "", "", "x", "", "", ""}));
        QVERIFY(db.rows().mid(0, 7) == before);
    } else {
        QCOMPARE(stored_row(db, 2), as_texts(row(2, "Typed", "Martinez", "addr", "e@xx")));
        auto rows = db.rows();
        rows.removeAt(1);
        auto others = before;
        others.removeAt(1);
        QVERIFY(rows == others);
    }
}

void AddEditSaveTest::updateOfARowChangedOrDeletedMeanwhileTellsTheUser()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);

    QVERIFY(start(w, false));
    retype(w->Text2, "Marcus");
    db.exec("UPDATE dept SET Address = 'Moved' WHERE cusnum = 2");
    auto notice = answer_next_message_box(QMessageBox::Ok);
    w.alt(Qt::Key_S);
    QTRY_VERIFY(notice->seen);
    QVERIFY2(notice->text.contains("changed"), qPrintable(notice->text));
    QTRY_COMPARE(w.state(), state::browse);
    // The other program's change stands; the row is shown as it is now.
    QCOMPARE(stored_row(db, 2), as_texts(row(2, "Mark", "Martinez", "Moved")));
    QCOMPARE(w.boxes().mid(0, 4), (QStringList{"2", "Mark", "Martinez", "Moved"}));

    QVERIFY(start(w, false));
    retype(w->Text2, "Marcus");
    db.exec("DELETE FROM dept WHERE cusnum = 2");
    notice = answer_next_message_box(QMessageBox::Ok);
    w.alt(Qt::Key_S);
    QTRY_VERIFY(notice->seen);
    QVERIFY2(notice->text.contains("deleted"), qPrintable(notice->text));
    QTRY_COMPARE(w.state(), state::browse);
    QCOMPARE(db.count(), 6);
    QVERIFY(db.rows("WHERE cusnum = 2 OR Fname = 'Marcus'").isEmpty());
    QCOMPARE(w.boxes().value(0), QStringLiteral("1"));
}

void AddEditSaveTest::changeOfLetterCaseMeanwhileIsNoticed()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QVERIFY(start(w, false));
    retype(w->Text4, "New address");
    db.exec("UPDATE dept SET Fname = 'MARIA' WHERE cusnum = 1");
    auto notice = answer_next_message_box(QMessageBox::Ok);
    w.alt(Qt::Key_S);
    QTRY_VERIFY(notice->seen);
    QVERIFY2(notice->text.contains("changed"), qPrintable(notice->text));
    QTRY_COMPARE(w.state(), state::browse);
    QCOMPARE(w.boxes().mid(0, 4), (QStringList{"1", "MARIA", "Santos", "addr"}));
}

void AddEditSaveTest::insertWorksWhateverTheTwoNumbersAreCalled()
{
    TempDb db(TempDb::sample());
    db.exec("ALTER TABLE dept RENAME COLUMN ordercount TO \"visits \"\"2026\"\"\"");
    db.exec("ALTER TABLE dept RENAME COLUMN balance TO owed");
    Window w(db);
    QVERIFY(start(w, true));
    type(w->Text2, "Nora");
    w.alt(Qt::Key_S);
    QTRY_COMPARE(w.state(), state::browse);
    const auto saved = db.rows("WHERE cusnum = 8");
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved[0].value(1).toString(), QStringLiteral("Nora"));
    QCOMPARE(saved[0].value(8).toInt(), 0);
    QCOMPARE(saved[0].value(9).toInt(), 0);
    // The history's triggers find the columns renamed after they were made.
    const auto versions = w.ask([](Database& cn) { return CustomerHistory(cn).versions(8, 10); });
    QCOMPARE(versions.size(), 1);
    QCOMPARE(versions[0].after->fname, QStringLiteral("Nora"));
    QCOMPARE(versions[0].after->balance.toInt(), 0);
}

// ---- Refused saves ----

void AddEditSaveTest::lockedSaveIsRefusedThenRetried_data()
{
    QTest::addColumn<bool>("adding");
    QTest::addColumn<DbLock::Kind>("kind");
    QTest::newRow("add, write lock") << true << DbLock::Immediate;
    QTest::newRow("add, exclusive lock") << true << DbLock::Exclusive;
    QTest::newRow("edit, write lock") << false << DbLock::Immediate;
    QTest::newRow("edit, exclusive lock") << false << DbLock::Exclusive;
    // A reader lets the row be written but not committed.
    QTest::newRow("add, another program reading") << true << DbLock::Reading;
    QTest::newRow("edit, another program reading") << false << DbLock::Reading;
}

void AddEditSaveTest::lockedSaveIsRefusedThenRetried()
{
    SKIP_ON_SERVER("another program's lock on the file");
    QFETCH(bool, adding);
    QFETCH(DbLock::Kind, kind);
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QCOMPARE(w.ask([](Database& db) { return db.lock_wait(); }), 3000);  // how long the program waits
    set_lock_wait(w, 200);                     // keeps this test short
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QVERIFY(start(w, adding));
    fill(w, kZoe);
    const QString during = w.state();
    const QStringList typed = w.boxes();

    auto lock = std::make_unique<DbLock>(db, kind);
    auto refusal = answer_next_message_box(QMessageBox::Ok);
    w.alt(Qt::Key_S);
    QTRY_VERIFY(refusal->seen);
    QVERIFY2(refusal->text.contains("not saved") && refusal->text.contains("locked"), qPrintable(refusal->text));
    QCOMPARE(w.state(), during);
    QCOMPARE(w.boxes(), typed);
    QVERIFY(w.ended.isEmpty());
    lock.reset();
    QVERIFY(db.rows() == before);

    QVERIFY(save(w));
    const qint64 key = adding ? 8 : 2;
    QCOMPARE(stored_row(db, key), stored(key, kZoe));
    QCOMPARE(db.count(), adding ? 8 : 7);
    QCOMPARE(w.boxes(), QStringList{QString::number(key)} + kZoe);
}

void AddEditSaveTest::saveWaitsOutABriefLock()
{
    SKIP_ON_SERVER("another program's lock on the file");
    TempDb db(TempDb::sample());
    Window w(db);
    QVERIFY(start(w, true));
    fill(w, kZoe);

    // Another program holds a write lock for a moment, well within the
    // program's wait.
    std::promise<void> locked;
    std::thread other([&] {
        DbLock lock(db, DbLock::Immediate);
        locked.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    locked.get_future().wait();
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    other.join();
    QCOMPARE(w.state(), state::browse);
    QCOMPARE(stored_row(db, 8), stored(8, kZoe));
}

void AddEditSaveTest::readOnlySaveIsRefused_data()
{
    add_or_edit();
}

void AddEditSaveTest::readOnlySaveIsRefused()
{
    SKIP_ON_SERVER("a read-only file");
    QFETCH(bool, adding);
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    make_read_only(db);
    Window w(db);
    QVERIFY(start(w, adding));
    fill(w, kZoe);
    const QString during = w.state();

    auto refusal = answer_next_message_box(QMessageBox::Ok);
    w.alt(Qt::Key_S);
    QTRY_VERIFY(refusal->seen);
    QVERIFY2(refusal->text.contains("readonly") || refusal->text.contains("read-only"), qPrintable(refusal->text));
    QCOMPARE(w.state(), during);
    QCOMPARE(w.boxes().mid(1), kZoe);
    QVERIFY(db.rows() == before);

    // The program goes on: an add can be abandoned, and Exit ends it.
    if (adding) {
        w.alt(Qt::Key_C);
        QTRY_COMPARE(w.state(), state::browse);
    }
    QTest::mouseClick(w->cmdexit, Qt::LeftButton);
    QCOMPARE(w.ended, QList<int>{0});
    QVERIFY(db.rows() == before);
}

void AddEditSaveTest::constraintRefusalShowsTheDatabasesMessage()
{
    TempDb db(TempDb::sample());
    if (on_server()) {
        db.exec("CREATE FUNCTION no_bad() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.fname = 'Bad' THEN "
                "RAISE EXCEPTION 'first name Bad is not allowed'; END IF; RETURN NEW; END $$");
        db.exec("CREATE TRIGGER no_bad BEFORE INSERT ON dept FOR EACH ROW EXECUTE FUNCTION no_bad()");
    } else {
        db.exec("CREATE TRIGGER no_bad BEFORE INSERT ON dept WHEN NEW.Fname = 'Bad' "
                "BEGIN SELECT RAISE(ABORT, 'first name Bad is not allowed'); END");
    }
    Window w(db);
    QVERIFY(start(w, true));
    QStringList bad = kZoe;
    bad[0] = "Bad";
    fill(w, bad);

    auto refusal = answer_next_message_box(QMessageBox::Ok);
    w.alt(Qt::Key_S);
    QTRY_VERIFY(refusal->seen);
    QVERIFY2(refusal->text.contains("first name Bad is not allowed"), qPrintable(refusal->text));
    QCOMPARE(w.state(), state::adding);
    QCOMPARE(w.boxes().mid(1), bad);
    QCOMPARE(db.count(), 7);

    retype(w->Text2, kZoe[0]);
    QVERIFY(save(w));
    QCOMPARE(stored_row(db, 8), stored(8, kZoe));
}

void AddEditSaveTest::undoAndRedoOfAnEditAndAnAddNeverOverwriteAnotherProgram()
{
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    const QStringList shown = w.boxes();
    QVERIFY(start(w, false));
    retype(w->Text3, "Martínez-Ruiz");
    QVERIFY(save(w));
    const auto edited = db.rows();

    // While a box is typed into, Ctrl+Z undoes the typing there only.
    QVERIFY(start(w, true));
    type(w->Text2, "Zed");
    QTest::keyClick(w->Text2, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(w->Text2->text() != "Zed");
    QCOMPARE(w.state(), state::adding);
    w.alt(Qt::Key_C);
    QVERIFY(reaches(w, state::browse));
    QVERIFY(db.rows() == edited);

    // Ctrl+Z undoes the Save, Ctrl+Shift+Z does it again.
    w.press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(db.rows() == before);
    QCOMPARE(w.boxes(), shown);
    w.press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(db.rows() == edited);

    // Another program changed the customer since: told, nothing written.
    db.exec("UPDATE dept SET Address = 'moved' WHERE cusnum = 2");
    const auto others = db.rows();
    const auto notice = answer_next_message_box(QMessageBox::Ok);
    w.press(Qt::Key_Z, Qt::ControlModifier);
    QTRY_VERIFY(notice->seen);
    QVERIFY2(notice->text.contains("Another program changed customer 2"), qPrintable(notice->text));
    QVERIFY(db.rows() == others);

    // An add undone removes exactly its customer; done again, under its key.
    QVERIFY(start(w, true));
    fill(w, kZoe);
    QVERIFY(save(w));
    const qint64 key = w->Text1->text().toLongLong();
    w.press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(db.rows() == others);
    w.press(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(stored_row(db, key), stored(key, kZoe));
    QCOMPARE(w.boxes(), QStringList{QString::number(key)} + kZoe);
}

QTEST_MAIN(AddEditSaveTest)
#include "test_add_edit_save.moc"
