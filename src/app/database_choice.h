#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// How the program chooses its database, first match wins:
//   1. --database TARGET on the command line;
//   2. the environment variable TALLYHOUSE_DATABASE;
//   3. a line database=TARGET in tallyhouse.ini, beside the program or else
//      in $XDG_CONFIG_HOME/Tallyhouse;
//   4. db40.mdb beside the program, when it exists;
//   5. db40.mdb in $XDG_DATA_HOME/Tallyhouse, when it exists;
//   6. a new, empty db40.mdb there, after asking the user.
// A TARGET is a file path or a PostgreSQL URL (postgresql:// or
// postgres://), which is passed on as it is written. Nothing here opens a
// database or shows a window.

// What the command line asks for.
struct CommandLine {
    enum Action { Run, Help, Version, Wrong };
    Action action = Run;
    QString database;  // Run: the TARGET of --database, or "" when not given
    QString text;      // Help, Version: what to print; Wrong: what is wrong
};

// Reads the program's arguments, the program's own name first.
CommandLine parse_command_line(const QStringList& arguments);

// The folders the choice looks in.
struct Folders {
    QString current;  // relative paths on the command line and in the environment start here
    QString program;  // the folder that holds the program
    QString config;   // the user's settings folder, $XDG_CONFIG_HOME or ~/.config
    QString data;     // the user's data folder, $XDG_DATA_HOME or ~/.local/share
};

// The folders of a program in programDir started in currentDir, with the
// user's folders as the environment names them. A relative or empty XDG
// variable counts as unset; without HOME the user's folders are "".
Folders folders_for(const QProcessEnvironment& env, const QString& programDir, const QString& currentDir);

// What to open, and why.
struct DatabaseChoice {
    enum Kind {
        Open,     // open target
        Create,   // nothing found: ask, then create target and open it
        Refused,  // nothing is opened: error says why
    };
    Kind kind = Refused;
    QString target;  // a file path, made absolute, or a server URL as written
    QString reason;  // where the choice came from, as a message names it
    QString error;
};

// The database for a program whose command line named commandLineTarget
// ("" when it named none).
DatabaseChoice choose_database(const QString& commandLineTarget, const QProcessEnvironment& env, const Folders& folders);

// Creates the folder of path as needed (readable by the user only) and a
// new, empty database at path; a DbError when it cannot.
void create_empty_database(const QString& path);
