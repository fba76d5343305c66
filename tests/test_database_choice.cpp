// Which database the program opens, the question before it creates one,
// and the copy of an Access database in its place.

#include "support/test_support.h"

#include "app/database_choice.h"
#include "app/startup.h"
#include "support/jet4_writer.h"
#include "ui/datagrid.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace test;

namespace {
// A statement run on a started program's connection, and its first value.
QVariant program_scalar(Started& program, const QString& sql)
{
    return await(program.list->connection().ask([sql](Database& db) { return db.scalar(sql); }));
}

// Every row of dept as the started program's connection reads it.
QVector<test::Row> program_rows(Started& program)
{
    return await(program.list->connection().ask([](Database& db) { return test::dept_rows(db); }));
}

const QString kServers = QStringLiteral("postgresql://ann@h1:5432,h2:5432/shop?target_session_attrs=read-write&sslmode=verify-full");

// The choice of a program in root/prog started in root/cwd, with HOME
// root/home and the variables vars ("NAME=value", $ROOT for root).
DatabaseChoice choose(const QString& root, const QString& commandLine, const QStringList& vars = {})
{
    QProcessEnvironment env;
    env.insert("HOME", root + "/home");
    for (QString var : vars)
        env.insert(var.section(u'=', 0, 0), var.section(u'=', 1).replace("$ROOT", root));
    return choose_database(commandLine, env, folders_for(env, root + "/prog", root + "/cwd"));
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
}

// Every file of a folder with its bytes.
QMap<QString, QByteArray> contents(const QString& dir)
{
    QMap<QString, QByteArray> out;
    for (const QString& name : entries(dir)) {
        QFile f(dir + u'/' + name);
        out[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    return out;
}

void write_file(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QList<QStringList> texts(const QList<QVariantList>& rows)
{
    QList<QStringList> out;
    for (const QVariantList& r : rows)
        out << as_texts(Row(r.begin(), r.end()));
    return out;
}
}  // namespace

class DatabaseChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void commandLine();
    void plantedPasswordNeverInSight();
    void explicitMissingFileIsAnErrorNotAQuestion();
    void cancelWritesNothingAndEndsWith1();
    void createMakesAnEmptyDatabaseThatOpens();
    void accessDatabaseIsCopiedInItsPlace();
    void accessDatabaseThatCannotBeCopiedIsLeftAsItIs_data();
    void accessDatabaseThatCannotBeCopiedIsLeftAsItIs();
};

void DatabaseChoiceTest::choice_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QStringList>("files");  // "path" or "path|content", under the root
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expected");   // the target, or for Refused a part of the error
    QTest::addColumn<QString>("reason");

    const QStringList everything{"prog/tallyhouse.ini|database=ini.mdb", "prog/db40.mdb", "home/.local/share/Tallyhouse/db40.mdb"};
    const int open = DatabaseChoice::Open;
    QTest::newRow("command line first, relative to the current folder, need not exist")
        << "sub/../x.mdb" << QStringList{"TALLYHOUSE_DATABASE=/e.mdb"} << everything << open << "$ROOT/cwd/x.mdb" << "--database";
    QTest::newRow("command line URL as written") << kServers << QStringList() << everything << open << kServers << "--database";
    QTest::newRow("environment second") << "" << QStringList{"TALLYHOUSE_DATABASE=../e.mdb"} << everything << open << "$ROOT/e.mdb" << "TALLYHOUSE_DATABASE";
    QTest::newRow("settings beside the program before ~/.config, relative to the file; empty variable unset")
        << "" << QStringList{"TALLYHOUSE_DATABASE="} << (QStringList(everything) << "home/.config/Tallyhouse/tallyhouse.ini|database=/c.mdb")
        << open << "$ROOT/prog/ini.mdb" << "$ROOT/prog/tallyhouse.ini";
    QTest::newRow("settings in ~/.config: sections, comment, CRLF, quotes, several hosts")
        << "" << QStringList()
        << QStringList{"home/.config/Tallyhouse/tallyhouse.ini|; hosts\r\n[Other]\r\ndatabase=/wrong\r\n[General]\r\ndatabase = \"" + kServers + "\"\r\n",
                       "prog/db40.mdb"}
        << open << kServers << "$ROOT/home/.config/Tallyhouse/tallyhouse.ini";
    QTest::newRow("XDG_CONFIG_HOME replaces ~/.config")
        << "" << QStringList{"XDG_CONFIG_HOME=$ROOT/xc"}
        << QStringList{"xc/Tallyhouse/tallyhouse.ini|database=postgres://h1,h2/shop", "home/.config/Tallyhouse/tallyhouse.ini|database=/c.mdb"}
        << open << "postgres://h1,h2/shop" << "$ROOT/xc/Tallyhouse/tallyhouse.ini";
    QTest::newRow("the first settings file counts, even without a database line")
        << "" << QStringList()
        << QStringList{"prog/tallyhouse.ini|[General]\nother=1", "home/.config/Tallyhouse/tallyhouse.ini|database=/c.mdb", "prog/db40.mdb",
                       "home/.local/share/Tallyhouse/db40.mdb"}
        << open << "$ROOT/prog/db40.mdb" << "beside the program";
    QTest::newRow("XDG_DATA_HOME replaces ~/.local/share")
        << "" << QStringList{"XDG_DATA_HOME=$ROOT/xd"} << QStringList{"xd/Tallyhouse/db40.mdb", "home/.local/share/Tallyhouse/db40.mdb"}
        << open << "$ROOT/xd/Tallyhouse/db40.mdb" << "data folder";
    QTest::newRow("nothing found: create in the data folder, relative XDG_DATA_HOME ignored")
        << "" << QStringList{"XDG_DATA_HOME=xd"} << QStringList() << int(DatabaseChoice::Create) << "$ROOT/home/.local/share/Tallyhouse/db40.mdb" << "created";
    QTest::newRow("password in the settings file's URL")
        << "" << QStringList() << QStringList{"prog/tallyhouse.ini|database=postgresql://ann:s3cret@h1,h2/shop", "prog/db40.mdb"}
        << int(DatabaseChoice::Refused) << "settings file $ROOT/prog/tallyhouse.ini names a server database together with its password" << "";
    QTest::newRow("password as a parameter of the settings file's URL")
        << "" << QStringList() << QStringList{"home/.config/Tallyhouse/tallyhouse.ini|database=postgres://h/shop?sslmode=require&password=s3cret"}
        << int(DatabaseChoice::Refused) << "together with its password" << "";
    QTest::newRow("libpq connection string in the settings file, as written")
        << "" << QStringList() << QStringList{"prog/tallyhouse.ini|database=host=127.0.0.1 port=5432 dbname=shop user=ann"}
        << open << "host=127.0.0.1 port=5432 dbname=shop user=ann" << "$ROOT/prog/tallyhouse.ini";
    QTest::newRow("password in a libpq connection string of the settings file")
        << "" << QStringList() << QStringList{"prog/tallyhouse.ini|database=host=127.0.0.1 dbname=shop user=ann password=s3cret"}
        << int(DatabaseChoice::Refused) << "names a server database together with its password" << "";
    QTest::newRow("password in the --database URL")
        << "postgresql://ann:s3cret@h1/shop" << QStringList() << everything
        << int(DatabaseChoice::Refused) << "The --database option names a server database together with its password. "
                                           "A password must never be written there: take it out, and keep it in ~/.pgpass, "
                                           "in PGPASSWORD or in a PostgreSQL service file" << "";
    QTest::newRow("password in a libpq connection string of TALLYHOUSE_DATABASE")
        << "" << QStringList{"TALLYHOUSE_DATABASE=dbname=shop password='s3cret x'"} << everything
        << int(DatabaseChoice::Refused) << "The environment variable TALLYHOUSE_DATABASE names a server database together with its password" << "";
}

void DatabaseChoiceTest::choice()
{
    QFETCH(QString, commandLine);
    QFETCH(QStringList, env);
    QFETCH(QStringList, files);
    QFETCH(int, kind);
    QFETCH(QString, expected);
    QFETCH(QString, reason);
    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (const QString& file : files) {
        QFile f(root + u'/' + file.section(u'|', 0, 0));
        QVERIFY(QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly));
        f.write(file.section(u'|', 1).toUtf8());
    }

    const DatabaseChoice choice = choose(root, commandLine, env);
    QCOMPARE(int(choice.kind), kind);
    expected.replace("$ROOT", root);
    if (kind == DatabaseChoice::Refused) {
        QVERIFY2(choice.error.contains(expected), qPrintable(choice.error));
        QVERIFY2(!choice.error.contains("s3cret"), qPrintable(choice.error));
    } else {
        QCOMPARE(choice.target, expected);
        QVERIFY2(choice.reason.contains(reason.replace("$ROOT", root)), qPrintable(choice.reason));
    }
}

void DatabaseChoiceTest::commandLine()
{
    auto parse = [](QStringList args) {
        args.prepend("tallyhouse");
        return parse_command_line(args);
    };
    QCOMPARE(parse({"--database", kServers}).database, kServers);
    const QList<QPair<QStringList, QString>> wrong{
        {{"--bogus"}, "Unknown option 'bogus'"}, {{"db40.mdb"}, "'db40.mdb'"}, {{"--database"}, "Missing value"}, {{"--database="}, "--database needs"}};
    for (const auto& [args, message] : wrong) {
        const CommandLine cmd = parse(args);
        QCOMPARE(cmd.action, CommandLine::Wrong);
        QVERIFY2(cmd.text.contains(message), qPrintable(cmd.text));
    }

    // The real program: --help needs no display; a wrong option ends with 2.
    auto run = [](const QStringList& args, const QString& platform) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", platform);
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            env.remove(v);
        env.insert("LANG", "C.UTF-8");
        p->setProcessEnvironment(env);
        p->start(TALLYHOUSE_PROGRAM, args);
        p->waitForFinished();
        return p;
    };
    auto help = run({"--help"}, "xcb");
    QCOMPARE(help->exitCode(), 0);
    QVERIFY(help->readAllStandardOutput().startsWith("Usage: tallyhouse"));
    // Qt's own options are left to Qt; a wrong option is told before anything needs a display.
    auto bogus = run({"-platform", "xcb", "--bogus"}, "xcb");
    QCOMPARE(bogus->exitCode(), 2);
    QVERIFY(bogus->readAllStandardError().contains("Unknown option 'bogus'"));
}

// A password planted on the command line is refused, and is seen neither
// in /proc/PID/cmdline while the program tells why, nor in the message
// and its title, nor on standard error.
void DatabaseChoiceTest::plantedPasswordNeverInSight()
{
    const QString planted = QStringLiteral("Pl4nted-S3cret");
    const QString url = "postgresql://ann:" + planted + "@127.0.0.1:1/shop";

    QTemporaryDir tmp;
    auto box = answer_next_message_box(QMessageBox::Ok);
    const Started started = await(start(choose(tmp.path(), url)));
    QVERIFY(!started.form);
    QVERIFY2(box->seen && box->text.contains("~/.pgpass"), qPrintable(box->text));
    QVERIFY(!box->text.contains(planted) && !box->title.contains(planted));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(TALLYHOUSE_PROGRAM, {"--database", url});
    QVERIFY(program.waitForStarted());
    auto cmdline = [&] {
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(program.processId()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // The argument is wiped at once, and stays so while the refusal shows.
    const QByteArray wiped = QByteArray("--database\0", 11) + QByteArray(url.size(), '*');
    QTRY_VERIFY2(cmdline().contains(wiped), cmdline().constData());
    QVERIFY(program.state() == QProcess::Running);
    QVERIFY(!cmdline().contains(planted.toUtf8()));
    program.kill();
    program.waitForFinished();
    const QByteArray errors = program.readAllStandardError();
    QVERIFY2(!errors.contains(planted.toUtf8()), errors.constData());
}

void DatabaseChoiceTest::explicitMissingFileIsAnErrorNotAQuestion()
{
    QTemporaryDir tmp;
    auto box = answer_next_message_box(QMessageBox::Ok);
    const Started program = await(start(choose(tmp.path(), {}, {"TALLYHOUSE_DATABASE=missing.mdb"})));
    QVERIFY(!program.form);
    QCOMPARE(program.status, 1);
    QVERIFY2(box->text.contains(tmp.path() + "/cwd/missing.mdb\": the file does not exist"), qPrintable(box->text));
    QVERIFY2(box->text.contains("TALLYHOUSE_DATABASE"), qPrintable(box->text));
    QCOMPARE(entries(tmp.path()), QStringList());
}

void DatabaseChoiceTest::cancelWritesNothingAndEndsWith1()
{
    QTemporaryDir tmp;
    auto box = answer_next_message_box(QMessageBox::Cancel);
    const Started program = await(start(choose(tmp.path(), {})));
    QCOMPARE(box->text, "No customer database was found. Create a new, empty one at " + tmp.path() + "/home/.local/share/Tallyhouse/db40.mdb?");
    QStringList buttons = box->buttonTexts.replaceInStrings("&", "");
    buttons.sort();
    QCOMPARE(buttons, (QStringList{"Cancel", "Create"}));
    QVERIFY(!program.form);
    QCOMPARE(program.status, 1);
    QCOMPARE(entries(tmp.path()), QStringList());
}

void DatabaseChoiceTest::createMakesAnEmptyDatabaseThatOpens()
{
    QTemporaryDir tmp;
    const QString path = tmp.path() + "/new/data/Tallyhouse/db40.mdb";
    auto box = answer_next_message_box(QMessageBox::Ok);
    Started program = await(start(choose(tmp.path(), {}, {"XDG_DATA_HOME=$ROOT/new/data"})));
    QTRY_VERIFY(box->seen);
    QVERIFY(program.form);
    QCOMPARE(program.list->target(), path);
    for (QLineEdit* text : program.form->recordBoxes())
        QCOMPARE(text->text(), QString());
    QCOMPARE(program_scalar(program, "SELECT count(*) FROM dept").toInt(), 0);
    QCOMPARE(program_scalar(program, "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master ORDER BY name)").toString(),
             QStringLiteral("dept dept_fname dept_history dept_history_cusnum dept_history_delete dept_history_deleted "
                            "dept_history_deleted_fname dept_history_deleted_lname dept_history_insert dept_history_rekey "
                            "dept_history_update dept_lname dept_sort_address dept_sort_balance dept_sort_credlimit "
                            "dept_sort_deptname dept_sort_emaddress dept_sort_fname dept_sort_lname dept_sort_ordercount "
                            "dept_sort_phonenum"));
    // The folders the program made are the user's only.
    QCOMPARE(QFileInfo(tmp.path() + "/new").permissions(),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);

    // A second creation leaves the file as it is.
    await(program.list->connection().ask([](Database& db) { db.execute("INSERT INTO dept (cusnum, Fname) VALUES (1, 'Ann')"); }));
    try {
        create_empty_database(path);
        QFAIL("an existing database was created again");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), int(DbError::FileExists));
    }
    QCOMPARE(program_scalar(program, "SELECT Fname FROM dept").toString(), QStringLiteral("Ann"));
}

void DatabaseChoiceTest::accessDatabaseIsCopiedInItsPlace()
{
    QTemporaryDir tmp;
    const QString prog = tmp.path() + "/prog";
    const QList<QVariantList> customers = jet4::customers(300, true);
    const QByteArray access = jet4::file({{"dept", jet4::dept_columns(), customers}});
    write_file(prog + "/db40.mdb", access);
    write_file(prog + "/db40.access.mdb", "another file of that name");
    QCOMPARE(mdb_tables(prog + "/db40.mdb"), QStringList{"dept"});
    const auto before = contents(prog);

    // Cancel changes nothing and ends the program with 1.
    {
        auto box = answer_next_message_box(QMessageBox::Cancel);
        const Started program = await(start(choose(tmp.path(), {})));
        QCOMPARE(box->text, "db40.mdb was made by Microsoft Access. Tallyhouse can copy its 300 customers into a new database "
                            "and work on that; the Access file stays as it is. Copy them?");
        QStringList buttons = box->buttonTexts.replaceInStrings("&", "");
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Cancel", "Copy"}));
        QVERIFY(!program.form);
        QCOMPARE(program.status, 1);
        QCOMPARE(contents(prog), before);
    }

    // Copy: the window opens on a new database under the old name, with
    // every customer and text; the Access file is kept, byte for byte,
    // under a name no other file has.
    auto box = answer_next_message_box(QMessageBox::Ok);
    Started program = await(start(choose(tmp.path(), {})));
    QTRY_VERIFY(box->seen);
    QVERIFY(program.form);
    QCOMPARE(program.list->target(), prog + "/db40.mdb");
    QCOMPARE(entries(prog), (QStringList{"db40.access-2.mdb", "db40.access.mdb", "db40.mdb"}));
    QCOMPARE(contents(prog).value("db40.access-2.mdb"), access);
    QCOMPARE(contents(prog).value("db40.access.mdb"), before.value("db40.access.mdb"));
    QCOMPARE(texts(program_rows(program)), texts(customers));
    QCOMPARE(program.form->DataGrid1->listedRows(), 300);
    QCOMPARE(program.form->recordBoxes().value(1)->text(), customers[0][1].toString());
}

void DatabaseChoiceTest::accessDatabaseThatCannotBeCopiedIsLeftAsItIs_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("told");  // after the file's path
    const QList<QVariantList> customers = jet4::customers(300);
    const QByteArray good = jet4::file({{"dept", jet4::dept_columns(), customers}});
    QTest::newRow("header only") << good.left(4096) << "\": the file is cut short: its 4096 bytes hold no list of tables.";
    QTest::newRow("cut short within a page") << good.left(good.size() - 100) << "\": the file is cut short";
    QTest::newRow("cut short at a page") << good.left(good.size() - 3 * 4096)
                                         << "\" cannot be copied: row 220: the file is damaged: its table dept holds 300 customers, "
                                            "and only 219 of them can be read. Nothing was written.";
    QTest::newRow("another table") << jet4::file({{"Customers", jet4::dept_columns(), customers}})
                                   << "\": it holds no table dept, only the table Customers, which Tallyhouse does not keep.";

    QList<jet4::Column> other = jet4::dept_columns();
    other.removeAt(9);
    other.removeAt(5);
    other << jet4::Column{"Notes", jet4::Type::Text};
    QTest::newRow("other columns") << jet4::file({{"dept", other, {}}})
                                   << "\" cannot be copied: its table dept has no column phonenum, balance; and a copy would leave "
                                      "behind its column Notes, which Tallyhouse does not keep.";

    QList<QVariantList> twice = customers.mid(0, 3);
    twice[2][0] = 2;
    QTest::newRow("key given twice") << jet4::file({{"dept", jet4::dept_columns(), twice}})
                                     << "\" cannot be copied: row 3: the key cusnum 2 is given twice (first on row 2). Nothing was written.";
    QList<jet4::Column> unknownType = jet4::dept_columns();
    unknownType[3].type = jet4::Type(0x0D);
    QTest::newRow("a column of a type Access does not know") << jet4::file({{"dept", unknownType, {}}})
                                                             << "\": the file is damaged: its column Address has a type (0x0D) that Access does not know.";
    QList<QVariantList> nul = customers.mid(0, 3);
    nul[1][1] = QString::fromUtf16(u"An\0na", 5);
    QTest::newRow("a text holding NUL") << jet4::file({{"dept", jet4::dept_columns(), nul}})
                                        << "\" cannot be copied: row 2: Fname of the customer cusnum 2 holds the character NUL (U+0000), "
                                           "which no text may hold. Nothing was written.";
    QList<jet4::Column> doubleKey = jet4::dept_columns();
    doubleKey[0].type = jet4::Type::Double;
    QList<QVariantList> fraction = customers.mid(0, 3);
    fraction[1][0] = 2.5;
    QTest::newRow("key not whole") << jet4::file({{"dept", doubleKey, fraction}})
                                   << "\" cannot be copied: row 2: the key cusnum \"2.5\" is not a whole number. Nothing was written.";

    // Damage that crashes libmdb, or makes it allocate without bound: a
    // usage map naming a row its page does not hold (dept's is checked
    // first; the catalog's crashes libmdb); a property block whose record
    // claims no length, which libmdb reads again and again.
    for (const int page : {jet4::kCatalogPage, jet4::kFirstTablePage}) {
        QByteArray noMap = good;
        noMap[page * jet4::kPageSize + 55] = char(0xff);
        QTest::newRow(page == jet4::kCatalogPage ? "the catalog's usage map damaged" : "dept's usage map damaged")
            << noMap << (page == jet4::kCatalogPage ? "\" is damaged and cannot be read (libmdb crashed reading it: "
                                                    : "\": the map of the pages of its table dept is damaged.");
    }
    jet4::Table endless{"dept", jet4::dept_columns(), customers, QByteArray::fromHex("4b4b4400" "0a000000800002004100"
                                                                                     "00000000" "00000f00000000000900000100000100" "01")};
    QTest::newRow("properties read without end") << jet4::file({endless})
                                                 << "\" is damaged and cannot be read (reading it takes more than the 1024 MB of memory allowed).";
    // Long values whose head does not hold together.
    const QList<std::pair<const char*, QByteArray>> memos{
        {"its long value points at page 2, which holds no long value", QByteArray::fromHex("090000400002000000000000")},
        {"its long value has flags (0xC0) that Access does not write", QByteArray::fromHex("090000c00000000000000000")},
        {"its long value holds 2 bytes where it declares 5", QByteArray::fromHex("0500008000000000000000006162")}};
    for (const auto& [why, head] : memos) {
        QList<QVariantList> rows = customers.mid(0, 3);
        rows[1][3] = head;
        QTest::newRow(why) << jet4::file({{"dept", jet4::dept_columns(), rows}})
                           << QStringLiteral("\" cannot be copied: row 2: Address of the customer cusnum 2 is damaged: %1. Nothing was written.").arg(why);
    }
}

void DatabaseChoiceTest::accessDatabaseThatCannotBeCopiedIsLeftAsItIs()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, told);
    QTemporaryDir tmp;
    const QString path = tmp.path() + "/prog/db40.mdb";
    write_file(path, file);
    const auto before = contents(tmp.path() + "/prog");
    auto box = answer_next_message_box(QMessageBox::Ok);
    const Started program = await(start(choose(tmp.path(), {})));
    QVERIFY2(box->text.contains(path + told), qPrintable(box->text));
    QVERIFY(!program.form);
    QCOMPARE(program.status, 1);
    QCOMPARE(contents(tmp.path() + "/prog"), before);
}

QTEST_MAIN(DatabaseChoiceTest)
#include "test_database_choice.moc"
