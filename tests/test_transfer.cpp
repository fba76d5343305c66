// Customers in and out, through the real window and through
// tallyhouse-mkdb: export then import gives back every text byte for byte,
// keys are kept when free and given when missing, a refusal or a cancel
// leaves the database and the files as they were, the grid's menu and keys
// act only while browsing, and a busy or lost database ends nothing.

// Mouse clicks go through the window system, as a user's do: a right click
// raises a context-menu event only there.
#define QTEST_QPA_MOUSE_HANDLING

#include "support/jet4_writer.h"
#include "support/test_support.h"

#include "data/connection.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace test;

namespace {

// Texts that CSV files and both engines must carry whole: non-ASCII,
// quotes, commas, line breaks of every kind, leading zeros, blanks at the
// ends, NULL beside "", and a text of 2 MB, quotes in it.
QVector<Row> hostile_rows()
{
    const QString longText = QString(1024 * 1024, u'x') + QString(512 * 1024, u'"') + QStringLiteral("é");
    return {
        Row{3, "Ødegård", "Peña", "12 \"Main\" St, Apt 4", "a,b@x", "007", "0100", "Zoë 日本 😀", 0, 0},
        Row{10, "", QVariant(), "line\nbreak", "crlf\r\nbreak", "cr\ronly", " lead", "trail ", QVariant(), 5},
        Row{11, "\"", "\"\"", ",", "\r\n", longText, "=1+1", "NULL", Q_INT64_C(123456789012), -1},
        Row{250, "Mark", "Martinez", "addr", "e@x", "555", "100", "Sales", 0, 0},
    };
}

// Every column of every row as text, NULL told apart from any text.
QList<QStringList> texts(const QVector<Row>& rows)
{
    QList<QStringList> out;
    for (const Row& r : rows) {
        QStringList t;
        for (const QVariant& v : r)
            t << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        out << t;
    }
    return out;
}

// The rows of a database that no TempDb made.
QVector<Row> rows_at(const QString& target)
{
    Database cn;
    cn.open(target);
    return dept_rows(cn);
}

bool has_dept(const QString& target)
{
    Database cn;
    cn.open(target);
    return !cn.columns(QStringLiteral("dept")).isEmpty();
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
}

void write_file(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Ran {
    int status = -1;
    QString output;  // standard output and error
};

Ran mkdb(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(TALLYHOUSE_MKDB), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

// The window's question for a file is answered with path; asked counts it.
void answer_file(Window& w, const QString& path, int* asked = nullptr)
{
    w->ask_csv_file_name = [path, asked](CsvFileUse) -> QCoro::Task<QString> {
        if (asked)
            ++*asked;
        co_return path;
    };
}

// Another program holds the database locked while this lives, so that an
// export or import waits for it: it can be cancelled meanwhile, before
// anything is read or written.
class Blocking {
public:
    explicit Blocking(const TempDb& db)
    {
        if (!on_server()) {
            lock_ = std::make_unique<DbLock>(db, DbLock::Exclusive);
            return;
        }
        other_.open(db.target());
        other_.begin({QStringLiteral("BEGIN"), QStringLiteral("LOCK TABLE dept IN ACCESS EXCLUSIVE MODE")});
    }
    ~Blocking()
    {
        if (on_server())
            other_.rollback();
    }

private:
    std::unique_ptr<DbLock> lock_;
    Database other_;
};

// Starts an export or import with start() while another program's lock
// keeps it waiting, cancels it in its progress dialog, then lets it go on.
template <class Start>
void cancelled(Window& w, const TempDb& db, Start start)
{
    {
        const Blocking blocking(db);
        start();
        auto* progress = w->findChild<TransferProgress*>(QStringLiteral("transferProgress"));
        QVERIFY(progress);
        progress->cancel();
    }
    w.settle();
}

// Starts an export with its key; the window answers afterwards.
void start_export(Window& w, const QString& path)
{
    answer_file(w, path);
    // The window has the keyboard back once a message box has closed.
    QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == w.get(); }));
    w->DataGrid1->setFocus();
    QTest::keyClick(w->DataGrid1, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
}

void export_by_key(Window& w, const QString& path)
{
    start_export(w, path);
    w.settle();
}

// Opens the grid's menu with a right click and chooses the entry.
void choose(Window& w, QAction* entry)
{
    QTest::mouseClick(w->DataGrid1->viewport(), Qt::RightButton, {}, QPoint(30, 8));
    QMenu* menu = w->transferMenu()->menu();
    QVERIFY(QTest::qWaitFor([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
}

// Imports a file through the menu; the text of the message box that follows.
QString import_by_menu(Window& w, const QString& path)
{
    answer_file(w, path);
    const auto answer = answer_next_message_box(QMessageBox::Ok);
    choose(w, w->transferMenu()->import);
    if (!QTest::qWaitFor([&] { return answer->seen; }))
        return QStringLiteral("<no message box>");
    return answer->text;
}

}  // namespace

class TransferTest : public QObject {
    Q_OBJECT
private slots:
    void roundTripGivesBackEveryText();
    void exportWritesWhatTheGridListsInItsOrder();
    void keysKeptWhenFreeAndNewOnesGiven();
    void refusalsLeaveTheDatabaseUntouched_data();
    void refusalsLeaveTheDatabaseUntouched();
    void cancelLeavesNoFileAndNoRows();
    void menuAndKeysOnlyWhileBrowsing();
    void busyOrLostDatabaseIsToldAndTheProgramGoesOn();
    void mkdbCreatesOnlyNewDatabasesInOneTransaction();
    void mkdbCopiesAnAccessDatabaseAsMdbExportReadsIt();
    void mkdbExportsAndForgetsTheHistory();
};

void TransferTest::roundTripGivesBackEveryText()
{
    TempDb source(hostile_rows());
    const QString first = source.dir() + QStringLiteral("/first.csv");
    const QString second = source.dir() + QStringLiteral("/second.csv");
    {
        Window w(source);
        export_by_key(w, first);
    }
    TempDb into;
    {
        Window w(into);
        const QString told = import_by_menu(w, first);
        QVERIFY2(told.startsWith(QStringLiteral("4 customers were imported from first.csv.")), qPrintable(told));
        QCOMPARE(w.boxes().value(0), QStringLiteral("3"));  // the first imported
        QCOMPARE(w->DataGrid1->listedRows(), 4);
        export_by_key(w, second);
    }
    QCOMPARE(texts(into.rows()), texts(source.rows()));
    QCOMPARE(contents(second), contents(first));

    TempDb imported;
    const Ran ran = mkdb({QStringLiteral("--import"), first, imported.target()});
    QCOMPARE(ran.status, 0);
    QVERIFY2(ran.output.startsWith(QStringLiteral("Imported 4 customers into ")), qPrintable(ran.output));
    QCOMPARE(texts(imported.rows()), texts(source.rows()));

    const QString copy = source.newTarget();
    const Ran copied = mkdb({copy, QStringLiteral("--copy-from"), source.target()});
    QCOMPARE(copied.status, 0);
    QVERIFY2(copied.output.startsWith(QStringLiteral("Copied 4 customers from ")), qPrintable(copied.output));
    QCOMPARE(texts(rows_at(copy)), texts(source.rows()));
}

void TransferTest::exportWritesWhatTheGridListsInItsOrder()
{
    TempDb db(TempDb::sample());
    Window w(db);
    type(w->Text9, QStringLiteral("ma"));
    QTRY_COMPARE(w->DataGrid1->listedRows(), 4);
    const QString path = db.dir() + QStringLiteral("/listed.csv");
    export_by_key(w, path);
    QStringList keys;
    for (const QByteArray& line : contents(path).split('\n').mid(1))
        if (!line.isEmpty())
            keys << QString::fromUtf8(line.left(line.indexOf(',')));
    QCOMPARE(keys, w.gridColumn(0));
}

void TransferTest::keysKeptWhenFreeAndNewOnesGiven()
{
    // Windows-1252: "Renée" with é as the one byte 0xE9.
    // Key 5 is the table's and 20 comes twice: both get new numbers.
    const QByteArray file = "cusnum,Fname,Lname\r\n,Ren\xE9" "e,New\r\n20,Keyed,Twenty\r\n,Second,New\r\n"
                            "5,Taken,Five\r\n20,Again,Twenty\r\n";
    // New numbers go in the file's order.
    const QList<QStringList> expected{{"20", "Keyed", "Twenty"}, {"21", "Renée", "New"}, {"22", "Second", "New"},
                                      {"23", "Taken", "Five"}, {"24", "Again", "Twenty"}};
    auto added = [](const TempDb& db) {
        QList<QStringList> out;
        for (const Row& r : db.rows(QStringLiteral("WHERE cusnum > 7")))
            out << QStringList{r[0].toString(), r[1].toString(), r[2].toString()};
        return out;
    };
    TempDb db(TempDb::sample());
    const auto before = db.rows();
    const QString path = db.dir() + QStringLiteral("/old program.csv");
    write_file(path, file);
    {
        Window w(db);
        const QString told = import_by_menu(w, path);
        QVERIFY2(told.contains(QStringLiteral("5 customers were imported")) && told.contains(QStringLiteral("2 of them got new numbers")) &&
                     told.contains(QStringLiteral("read as Windows-1252")),
                 qPrintable(told));
        QCOMPARE(w.boxes().mid(0, 3), (QStringList{"21", "Renée", "New"}));
        QVERIFY(w.gridAgreesWithBoxes());

        // Ctrl+Z takes exactly the customers imported away, Ctrl+Y brings
        // them back as they were.
        const auto imported = db.rows();
        w.press(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(db.rows() == before);
        w.press(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(db.rows() == imported);
        // One of them changed by another program since: told, none taken.
        db.exec(QStringLiteral("UPDATE dept SET Lname = 'Moved' WHERE cusnum = 22"));
        const auto notice = answer_next_message_box(QMessageBox::Ok);
        w.press(Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY(notice->seen);
        QVERIFY2(notice->text.contains(QStringLiteral("changed or deleted some of the 5 customers imported")), qPrintable(notice->text));
        QCOMPARE(db.count(), 12);
        db.exec(QStringLiteral("UPDATE dept SET Lname = 'New' WHERE cusnum = 22"));
    }
    QCOMPARE(added(db), expected);
    QCOMPARE(db.count(), 12);
    QCOMPARE(db.rows(QStringLiteral("WHERE cusnum = 5")).value(0).value(1).toString(), QStringLiteral("Anna"));

    TempDb other(TempDb::sample());
    const Ran ran = mkdb({QStringLiteral("--import"), path, other.target()});
    QCOMPARE(ran.status, 0);
    QVERIFY2(ran.output.contains(QStringLiteral("read as Windows-1252")), qPrintable(ran.output));
    QCOMPARE(added(other), expected);
}

void TransferTest::refusalsLeaveTheDatabaseUntouched_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("refusal");
    // Refused while storing, after whole statements: they are undone.
    QByteArray full = "cusnum,Fname\r\n9223372036854775807,Largest\r\n";
    for (int i = 0; i < 600; ++i)
        full += QByteArray::number(100 + i) + ",Stored\r\n";
    QTest::newRow("no new key left, after whole statements")
        << full + ",New\r\n" << "line 603: no new key is left above 9223372036854775807 for this customer";
    QTest::newRow("faulty CSV") << QByteArray("cusnum,Fname\r\n40,a\r\n41,Sm\"ith\r\n")
                                << "line 3: a double quote is out of place";
    QTest::newRow("key not a number") << QByteArray("cusnum,Fname\r\n1x,a\r\n") << "line 2: the key cusnum \"1x\" is not a whole number";
    QTest::newRow("unknown column") << QByteArray("cusnum,Nickname\r\n") << "line 1: unknown column \"Nickname\"";
    QTest::newRow("name too long") << "Fname,Lname\r\na,b\r\n" + QByteArray(401, 'n') + ",b\r\n"
                                   << "line 3: Fname holds 401 characters; a first or last name may hold at most 400";
}

void TransferTest::refusalsLeaveTheDatabaseUntouched()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, refusal);
    TempDb db(TempDb::sample());
    const QString path = db.dir() + QStringLiteral("/customers.csv");
    write_file(path, file);
    const auto before = texts(db.rows());
    {
        Window w(db);
        const QStringList boxes = w.boxes();
        const QString told = import_by_menu(w, path);
        QVERIFY2(told.startsWith(QStringLiteral("Nothing was imported.\n\ncustomers.csv, ") + refusal), qPrintable(told));
        QCOMPARE(w.boxes(), boxes);
        QVERIFY(w.ended.isEmpty());
    }
    QCOMPARE(texts(db.rows()), before);

    const Ran ran = mkdb({QStringLiteral("--import"), path, db.target()});
    QCOMPARE(ran.status, 1);
    QVERIFY2(ran.output.contains(refusal) && ran.output.contains(QStringLiteral("nothing was imported")), qPrintable(ran.output));
    QCOMPARE(texts(db.rows()), before);
}

void TransferTest::cancelLeavesNoFileAndNoRows()
{
    TempDb db(TempDb::sample());
    const QString existing = db.dir() + QStringLiteral("/existing.csv");
    const QString fresh = db.dir() + QStringLiteral("/fresh.csv");
    write_file(existing, "kept as it was\n");
    const QStringList filesBefore = QDir(db.dir()).entryList(QDir::Files);
    Window w(db);
    MessageBoxWatch watch;
    for (const QString& path : {existing, fresh})
        cancelled(w, db, [&] { start_export(w, path); });
    QCOMPARE(contents(existing), QByteArray("kept as it was\n"));
    QCOMPARE(QDir(db.dir()).entryList(QDir::Files), filesBefore);  // no temporary file left either

    // An import cancelled after its first rows are stored stores none; so
    // many rows that a file's sort indexes are made afresh for them, and
    // are there again after the cancel as after the import.
    QByteArray many = "cusnum,Fname\r\n";
    for (int i = 0; i < 10000; ++i)
        many += ",New\r\n";
    write_file(existing, many);
    answer_file(w, existing);
    cancelled(w, db, [&] { w->transferMenu()->import->trigger(); });
    QCOMPARE(db.count(), 7);
    QCOMPARE(w->DataGrid1->listedRows(), 7);
    QVERIFY(watch.seen.isEmpty());
    auto sortIndexes = [&] {
        return w.ask([](Database& cn) { return cn.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE 'dept_sort_%'")).toInt(); });
    };
    if (!on_server())
        QCOMPARE(sortIndexes(), 9);
    QVERIFY2(import_by_menu(w, existing).startsWith(QStringLiteral("10000 customers were imported")), "");
    QCOMPARE(db.count(), 10007);
    if (!on_server())
        QCOMPARE(sortIndexes(), 9);
}

void TransferTest::menuAndKeysOnlyWhileBrowsing()
{
    TempDb db(TempDb::sample());
    Window w(db);
    DataGrid* grid = w->DataGrid1;
    QMenu* menu = w->transferMenu()->menu();
    const QList<QAction*> entries{w->transferMenu()->exportListed, w->transferMenu()->copy, w->transferMenu()->import};
    auto opens = [&](auto open) {
        open();
        const bool shown = QTest::qWaitFor([&] { return menu->isVisible(); });
        menu->close();
        return shown;
    };
    grid->setFocus();
    QVERIFY(opens([&] { QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(30, 8)); }));
    QVERIFY(opens([&] { QTest::keyClick(grid, Qt::Key_Menu); }));
    QVERIFY(opens([&] { QTest::keyClick(grid, Qt::Key_F10, Qt::ShiftModifier); }));
    for (QAction* entry : entries)
        QVERIFY(entry->isEnabled());

    QApplication::clipboard()->clear();
    w.clickGridRow(1);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("cusnum\tFname\tLname\tAddress\temaddress\tphonenum\tcredlimit\tdeptname\tordercount\tbalance\n"
                            "2\tMark\tMartinez\taddr\te@x\t555\t100\tSales\t0\t0\n"));

    // During an edit the entries are disabled and the keys do nothing.
    QApplication::clipboard()->clear();
    int asked = 0;
    answer_file(w, db.dir() + QStringLiteral("/never.csv"), &asked);
    w.alt(Qt::Key_E);
    QTRY_COMPARE(w.state(), state::editing);
    for (QAction* entry : entries)
        QVERIFY(!entry->isEnabled());
    QTest::keyClick(grid, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    w->export_Click();
    w->transferMenu()->import->trigger();
    w.settle();
    QCOMPARE(asked, 0);
    QVERIFY(QApplication::clipboard()->text().isEmpty());
}

void TransferTest::busyOrLostDatabaseIsToldAndTheProgramGoesOn()
{
    TempDb db(TempDb::sample());
    const QString path = db.dir() + QStringLiteral("/customers.csv");
    QByteArray many = "cusnum,Fname\r\n";
    for (int i = 0; i < 700; ++i)
        many += QByteArray::number(1000 + i) + ",New\r\n";
    write_file(path, many);
    Window w(db);
    set_lock_wait(w, 200);
    {
        // Another program is writing.
        std::unique_ptr<DbLock> lock;
        Database other;
        if (on_server()) {
            other.open(db.target());
            other.begin({QStringLiteral("BEGIN"), QStringLiteral("LOCK TABLE dept IN EXCLUSIVE MODE")});
        } else {
            lock = std::make_unique<DbLock>(db, DbLock::Immediate);
        }
        const QString told = import_by_menu(w, path);
        QVERIFY2(told.contains(QStringLiteral("in use by another program")) && told.contains(QStringLiteral("Nothing was imported.")),
                 qPrintable(told));
        other.rollback();
    }
    QCOMPARE(db.count(), 7);

    if (on_server()) {
        // The connection is cut while the import is inside its transaction.
        // The import runs on the connection's own thread: another program's
        // lock holds it there, so that the cut comes neither before it
        // begins (a connection lost then is opened again) nor after its
        // commit.
        set_lock_wait(w, 60000);
        const qint64 pid = w.ask([](Database& db) { return db.scalar(QStringLiteral("SELECT pg_backend_pid()")).toLongLong(); });
        Database other;
        other.open(db.target());
        other.begin({QStringLiteral("BEGIN"), QStringLiteral("LOCK TABLE dept IN ROW EXCLUSIVE MODE")});
        const auto answer = answer_next_message_box(QMessageBox::Ok);
        answer_file(w, path);
        w->transferMenu()->import->trigger();
        Database look;
        look.open(db.target());
        QTRY_VERIFY(look.scalar(QStringLiteral("SELECT count(*) FROM pg_locks WHERE pid = ? AND NOT granted"), {pid}).toLongLong() > 0);
        db.exec(QStringLiteral("SELECT pg_terminate_backend(?)"), {pid});
        QTRY_VERIFY(answer->seen);
        other.rollback();
        w.settle();
        const QString told = answer->text;
        QVERIFY2(told.contains(QStringLiteral("cannot be reached")) && told.contains(QStringLiteral("Nothing was imported.")),
                 qPrintable(told));
        QCOMPARE(db.count(), 7);
        type(w->Text9, QStringLiteral("ma"));  // reads again on a new connection
        QTRY_COMPARE(w->DataGrid1->listedRows(), 4);
    }
    QVERIFY(w.ended.isEmpty());
}

void TransferTest::mkdbCreatesOnlyNewDatabasesInOneTransaction()
{
    TempDb db(TempDb::sample());
    const QString existing = db.target();
    for (const QStringList& args : {QStringList{existing}, QStringList{existing, QStringLiteral("--rows"), QStringLiteral("5")}}) {
        const Ran ran = mkdb(args);
        QCOMPARE(ran.status, 1);
        QVERIFY2(ran.output.contains(QStringLiteral("it is left as it is")), qPrintable(ran.output));
    }
    // A server URL with a password is refused, and no message shows it.
    if (on_server()) {
        const Ran ran = mkdb({QString(existing).replace(QStringLiteral("postgres@"), QStringLiteral("postgres:sekret@"))});
        QCOMPARE(ran.status, 1);
        QVERIFY2(ran.output.contains(QStringLiteral("together with its password")) && !ran.output.contains(QStringLiteral("sekret")),
                 qPrintable(ran.output));
    }
    QCOMPARE(db.count(), 7);

    const QString generated = db.newTarget();
    QCOMPARE(mkdb({generated, QStringLiteral("--rows"), QStringLiteral("30"), QStringLiteral("--seed"), QStringLiteral("2")}).status, 0);
    const QVector<Row> rows = rows_at(generated);
    QCOMPARE(rows.size(), 30);
    QCOMPARE(rows.last().value(0).toLongLong(), 30);

    // A source whose keys repeat (a file without a unique key): the copy
    // is refused, and the new database holds no table at all.
    const QString source = db.dir() + QStringLiteral("/no key.mdb");
    write_file(source, {});
    {
        Database cn;
        cn.open(source);
        cn.execute(QStringLiteral("CREATE TABLE dept (cusnum INTEGER, Fname TEXT, Lname TEXT)"));
        cn.execute(QStringLiteral("INSERT INTO dept VALUES (5, 'a', 'b'), (6, 'c', 'd'), (5, 'e', 'f')"));
    }
    const QString copy = db.newTarget();
    const Ran refused = mkdb({copy, QStringLiteral("--copy-from"), source});
    QCOMPARE(refused.status, 1);
    QVERIFY2(refused.output.contains(QStringLiteral("row 3: the key cusnum 5 is given twice (first on row 1)")), qPrintable(refused.output));
    if (on_server())
        QVERIFY(!has_dept(copy));
    else
        QVERIFY(!QFile::exists(copy));
    QCOMPARE(mkdb({copy, QStringLiteral("--empty")}).status, 0);
    QVERIFY(rows_at(copy).isEmpty());
}

void TransferTest::mkdbCopiesAnAccessDatabaseAsMdbExportReadsIt()
{
    TempDb db;
    const QString access = db.dir() + QStringLiteral("/old db40.mdb");
    const QList<QVariantList> customers = jet4::customers(300);
    write_file(access, jet4::file({{QStringLiteral("dept"), jet4::dept_columns(), customers},
                                   {QStringLiteral("empty"), jet4::dept_columns(), {}}}));
    QCOMPARE(mdb_tables(access), (QStringList{"dept", "empty"}));
    QCOMPARE(mdb_export(access, QStringLiteral("empty")).size(), 1);  // the header line only
    const QList<QStringList> exported = mdb_export(access, QStringLiteral("dept"));

    const QString copy = db.newTarget();
    const Ran ran = mkdb({copy, QStringLiteral("--copy-from"), access});
    QCOMPARE(ran.status, 0);
    QVERIFY2(ran.output.startsWith(QStringLiteral("Copied 300 customers from \"%1\" into ").arg(access)), qPrintable(ran.output));
    // As mdb-export prints them (NULL and "" alike), and exactly as written.
    QList<QStringList> copied{exported.first()};
    QList<QStringList> written;
    for (const Row& r : rows_at(copy)) {
        copied << as_texts(r).replaceInStrings(QRegularExpression(QStringLiteral("^NULL$")), QString());
        written << as_texts(r);
    }
    QCOMPARE(copied, exported);
    QList<QStringList> expected;
    for (const QVariantList& r : customers)
        expected << as_texts(Row(r.begin(), r.end()));
    QCOMPARE(written, expected);

    // A file that crashes libmdb is told as damaged, and nothing is made.
    QByteArray damaged = jet4::file({{QStringLiteral("dept"), jet4::dept_columns(), customers}});
    damaged[jet4::kCatalogPage * jet4::kPageSize + 55] = char(0xff);  // the catalog's usage map: a row that does not exist
    write_file(access, damaged);
    const QString none = db.newTarget();
    const Ran crashed = mkdb({none, QStringLiteral("--copy-from"), access});
    QCOMPARE(crashed.status, 1);
    QVERIFY2(crashed.output.contains(QStringLiteral("The Access database \"%1\" is damaged and cannot be read (libmdb crashed reading it: ").arg(access)),
             qPrintable(crashed.output));
    if (on_server())
        QVERIFY(!has_dept(none));
    else
        QVERIFY(!QFile::exists(none));

    // An Access file is no CSV file.
    const Ran refused = mkdb({QStringLiteral("--import"), access, db.target()});
    QCOMPARE(refused.status, 1);
    QVERIFY2(refused.output.contains(QStringLiteral("--copy-from")), qPrintable(refused.output));
    QCOMPARE(db.count(), 0);
}

// Every version, as the database keeps it, out as CSV; then forgotten
// up to a day, in one go.
void TransferTest::mkdbExportsAndForgetsTheHistory()
{
    TempDb db(TempDb::sample());
    db.exec(QStringLiteral("UPDATE dept SET Lname = 'Changed, once' WHERE cusnum = 2"));
    db.exec(QStringLiteral("DELETE FROM dept WHERE cusnum = 3"));
    const QString csv = db.dir() + QStringLiteral("/history.csv");
    Ran ran = mkdb({QStringLiteral("--export-history"), csv, db.target()});
    QCOMPARE(ran.status, 0);
    // The sample customers' inserts, then the two changes.
    QVERIFY2(ran.output.contains(QStringLiteral("Wrote 9 versions")), qPrintable(ran.output));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 10);
    QVERIFY2(lines[0].startsWith(QStringLiteral("id,changed_at,kind,author,cusnum,old_fname,old_lname,")), qPrintable(lines[0]));
    QVERIFY2(lines[1].contains(QStringLiteral(",insert,")) && lines[1].contains(QStringLiteral(",1,,,,,,,,,,Maria,Santos,addr,")),
             qPrintable(lines[1]));
    QVERIFY2(lines[8].contains(QStringLiteral(",update,")) && lines[8].contains(QStringLiteral(",2,Mark,Martinez,"))
                 && lines[8].contains(QStringLiteral(",Mark,\"Changed, once\",")),
             qPrintable(lines[8]));
    QVERIFY2(lines[9].contains(QStringLiteral(",delete,")) && lines[9].contains(QStringLiteral(",3,Martin,Sanders,")), qPrintable(lines[9]));

    QCOMPARE(mkdb({QStringLiteral("--forget-history-before"), QStringLiteral("yesterday"), db.target()}).status, 2);
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    ran = mkdb({QStringLiteral("--forget-history-before"), today, db.target()});
    QCOMPARE(ran.status, 0);
    QCOMPARE(ran.output.trimmed(), QStringLiteral("Forgot 0 versions older than %1.").arg(today));
    const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    ran = mkdb({QStringLiteral("--forget-history-before"), tomorrow, db.target()});
    QCOMPARE(ran.status, 0);
    QCOMPARE(ran.output.trimmed(), QStringLiteral("Forgot 9 versions older than %1.").arg(tomorrow));
    QVERIFY(mkdb({QStringLiteral("--export-history"), csv, db.target()}).output.contains(QStringLiteral("Wrote 0 versions")));
    QCOMPARE(db.count(), 6);
}

QTEST_MAIN(TransferTest)
#include "test_transfer.moc"
