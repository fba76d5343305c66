#include "database_choice.h"

#include "data/engines/target.h"
#include "data/modyul.h"
#include "data/engines/sqlite_session.h"
#include "program.h"

#include <QCoreApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

const QString kVariable = QStringLiteral("TALLYHOUSE_DATABASE");
const QString kSettingsFile = QStringLiteral("tallyhouse.ini");
const QString kOwnFolder = QStringLiteral("Tallyhouse");

const char* const kUsage = QT_TRANSLATE_NOOP("DatabaseChoice", R"(Usage: tallyhouse [--database TARGET]

Keeps the customer table of a database.

  --database TARGET  the database: a file path (relative to the current
                     folder) or a PostgreSQL URL, for example
                     postgresql://ann@db1:5432,db2:5432/shop?target_session_attrs=read-write
  --help             show this text and end
  --version          show the version and end

The database is the first of:
  1.  the --database option;
  2.  the environment variable TALLYHOUSE_DATABASE (a path or URL as above);
  3.  a line database=TARGET in the settings file tallyhouse.ini, beside the
      program, else in $XDG_CONFIG_HOME/Tallyhouse (~/.config/Tallyhouse);
      a relative path there starts at the settings file's folder;
  4.  db40.mdb beside the program, when it exists;
  5.  db40.mdb in $XDG_DATA_HOME/Tallyhouse (~/.local/share/Tallyhouse),
      when it exists;
  6.  else the program offers to create a new, empty database as in 5.
A database named by 1 to 3 that does not exist is an error.

A TARGET may also be a libpq connection string (host=db1 dbname=shop).
A TARGET never holds a password: one with a password is refused wherever it
is written. The PostgreSQL client takes the password from ~/.pgpass,
PGPASSWORD or a PostgreSQL service file, or the program asks for it when the
server wants one.
)");

// The options Qt's application object takes for itself (-platform offscreen,
// -style fusion, -reverse, ...): the command line is read before that object
// exists, so they are set aside here and left to it.
QStringList without_qt_options(const QStringList& arguments)
{
    static const QStringList withValue{"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                       "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style",
                                       "stylesheet", "name", "title", "visual", "qmljsdebugger"};
    static const QStringList alone{"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i > 0 && a.startsWith(u'-') && a != QLatin1String("--")) {
            const QString option = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
            if (alone.contains(option) || (withValue.contains(option) && a.contains(u'=')))
                continue;
            if (withValue.contains(option) && i + 1 < arguments.size()) {
                ++i;
                continue;
            }
        }
        out << a;
    }
    return out;
}

DatabaseChoice open(const QString& target, const QString& reason)
{
    return {DatabaseChoice::Open, target, reason, {}};
}

DatabaseChoice refused(const QString& error)
{
    return {DatabaseChoice::Refused, {}, {}, error};
}

// A server URL as written; a file path made absolute from base.
QString resolved(const QString& target, const QString& base)
{
    if (target::is_server(target))
        return target;
    return QDir::cleanPath(QDir(base).absoluteFilePath(target));
}

// The value of the line database=... in a settings file, outside any
// section or in [General]; the last such line counts. The file is read
// line by line rather than through QSettings, which splits values at
// commas and takes backslashes and quotes as escapes: a URL must arrive as
// written. One pair of double quotes around the value is taken off.
struct SettingsLine {
    bool found = false;
    QString value;
    QString error;
};

SettingsLine read_database_line(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {false, {}, QCoreApplication::translate("DatabaseChoice", "Cannot read the settings file %1: %2.").arg(path, file.errorString())};
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);  // a byte order mark, as some editors write it
    SettingsLine out;
    bool general = true;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            general = line.compare(QLatin1String("[General]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!general || eq < 0 || line.left(eq).trimmed() != QLatin1String("database"))
            continue;
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        out = {true, value, {}};
    }
    return out;
}

}  // namespace

CommandLine parse_command_line(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);  // -database works too
    const QCommandLineOption database(QStringLiteral("database"), {}, QStringLiteral("TARGET"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({database, help, version});
    const bool parsed = parser.parse(without_qt_options(arguments));
    // --help and --version are answered whatever else the line holds.
    if (parser.isSet(help))
        return {CommandLine::Help, {}, QCoreApplication::translate("DatabaseChoice", kUsage)};
    if (parser.isSet(version))
        return {CommandLine::Version, {}, version_text(QStringLiteral("Tallyhouse"))};
    const QString tryHelp = QCoreApplication::translate("DatabaseChoice", "\nTry 'tallyhouse --help' for more information.\n");
    if (!parsed)
        return {CommandLine::Wrong, {}, parser.errorText() + tryHelp};
    if (!parser.positionalArguments().isEmpty())
        return {CommandLine::Wrong, {},
                QCoreApplication::translate("DatabaseChoice", "Unexpected argument '%1': name a database with --database.").arg(parser.positionalArguments().first()) + tryHelp};
    const QString target = parser.value(database);
    if (parser.isSet(database) && target.isEmpty())
        return {CommandLine::Wrong, {}, QCoreApplication::translate("DatabaseChoice", "--database needs a file path or a PostgreSQL URL.") + tryHelp};
    return {CommandLine::Run, target, {}};
}

Folders folders_for(const QProcessEnvironment& env, const QString& programDir, const QString& currentDir)
{
    const QString home = env.value(QStringLiteral("HOME"));
    auto xdg = [&](const QString& variable, const QString& underHome) {
        const QString dir = env.value(variable);
        if (QDir::isAbsolutePath(dir))
            return QDir::cleanPath(dir);
        return home.isEmpty() ? QString() : QDir::cleanPath(home + u'/' + underHome);
    };
    return {QDir::cleanPath(currentDir), QDir::cleanPath(programDir),
            xdg(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral(".config")),
            xdg(QStringLiteral("XDG_DATA_HOME"), QStringLiteral(".local/share"))};
}

namespace {
// A target named with its password is refused wherever it is written: a
// command line is seen by every user of the machine, an environment and a
// settings file by other programs.
DatabaseChoice open_unless_password(const QString& target, const QString& base, const QString& where)
{
    if (target::holds_password(target))
        return refused(target::password_refusal(where));
    return open(resolved(target, base), QCoreApplication::translate("DatabaseChoice", "named by the %1").arg(where));
}
}  // namespace

DatabaseChoice choose_database(const QString& commandLineTarget, const QProcessEnvironment& env, const Folders& folders)
{
    if (!commandLineTarget.isEmpty())
        return open_unless_password(commandLineTarget, folders.current, QCoreApplication::translate("DatabaseChoice", "--database option"));
    const QString fromEnvironment = env.value(kVariable);
    if (!fromEnvironment.isEmpty())
        return open_unless_password(fromEnvironment, folders.current, QCoreApplication::translate("DatabaseChoice", "environment variable %1").arg(kVariable));

    // The first settings file that exists is the one that counts.
    for (const QString& dir : {folders.program, folders.config.isEmpty() ? QString() : folders.config + u'/' + kOwnFolder}) {
        const QString path = dir + u'/' + kSettingsFile;
        if (dir.isEmpty() || !QFileInfo::exists(path))
            continue;
        const SettingsLine line = read_database_line(path);
        if (!line.error.isEmpty())
            return refused(line.error);
        if (!line.found || line.value.isEmpty())
            break;
        return open_unless_password(line.value, dir, QCoreApplication::translate("DatabaseChoice", "settings file %1").arg(path));
    }

    const QString beside = modyul::db_path(folders.program);
    if (QFileInfo::exists(beside))
        return open(beside, QCoreApplication::translate("DatabaseChoice", "found beside the program"));
    if (folders.data.isEmpty())
        return refused(QCoreApplication::translate("DatabaseChoice", "No customer database was found beside the program, and there is no data folder "
                                      "to look in: neither XDG_DATA_HOME nor HOME is set."));
    const QString inData = modyul::db_path(folders.data + u'/' + kOwnFolder);
    if (QFileInfo::exists(inData))
        return open(inData, QCoreApplication::translate("DatabaseChoice", "found in the data folder"));
    return {DatabaseChoice::Create, inData, QCoreApplication::translate("DatabaseChoice", "created in the data folder"), {}};
}

namespace {
// Makes folder and whichever of its parents are missing, readable by the
// user only, as the XDG rules ask of folders a program makes there.
bool make_folder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).absolutePath();
    return parent != folder && make_folder(parent)
           && (QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) || QFileInfo(folder).isDir());
}
}  // namespace

void create_empty_database(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!make_folder(folder))
        throw DbError(SQLITE_CANTOPEN, QCoreApplication::translate("DatabaseChoice", "Cannot create the database \"%1\": the folder %2 cannot be made.").arg(path, folder));
    SqliteSession::create_database(path);
}
