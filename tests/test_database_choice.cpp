// Which database the program opens, and the question before it creates one.

#include "support/test_support.h"

#include "app/database_choice.h"
#include "app/startup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace test;

namespace {
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
    return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
}
}  // namespace

class DatabaseChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void commandLine();
    void explicitMissingFileIsAnErrorNotAQuestion();
    void cancelWritesNothingAndEndsWith1();
    void createMakesAnEmptyDatabaseThatOpens();
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
        << int(DatabaseChoice::Refused) << "$ROOT/prog/tallyhouse.ini names a database URL that holds a password" << "";
    QTest::newRow("password as a parameter of the settings file's URL")
        << "" << QStringList() << QStringList{"home/.config/Tallyhouse/tallyhouse.ini|database=postgres://h/shop?sslmode=require&password=s3cret"}
        << int(DatabaseChoice::Refused) << "holds a password" << "";
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

void DatabaseChoiceTest::explicitMissingFileIsAnErrorNotAQuestion()
{
    QTemporaryDir tmp;
    auto box = answer_next_message_box(QMessageBox::Ok);
    const Started program = start(choose(tmp.path(), {}, {"TALLYHOUSE_DATABASE=missing.mdb"}));
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
    const Started program = start(choose(tmp.path(), {}));
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
    Started program = start(choose(tmp.path(), {}, {"XDG_DATA_HOME=$ROOT/new/data"}));
    QVERIFY(box->seen);
    QVERIFY(program.form);
    QCOMPARE(program.data->target, path);
    for (QLineEdit* text : program.form->recordBoxes())
        QCOMPARE(text->text(), QString());
    QCOMPARE(program.data->cn.scalar("SELECT count(*) FROM dept").toInt(), 0);
    QCOMPARE(program.data->cn.scalar("SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master ORDER BY name)").toString(),
             QStringLiteral("dept dept_fname dept_lname"));
    // The folders the program made are the user's only.
    QCOMPARE(QFileInfo(tmp.path() + "/new").permissions(),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);

    // A second creation leaves the file as it is.
    program.data->cn.execute("INSERT INTO dept (cusnum, Fname) VALUES (1, 'Ann')");
    try {
        create_empty_database(path);
        QFAIL("an existing database was created again");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), int(DbError::FileExists));
    }
    QCOMPARE(program.data->cn.scalar("SELECT Fname FROM dept").toString(), QStringLiteral("Ann"));
}

QTEST_MAIN(DatabaseChoiceTest)
#include "test_database_choice.moc"
