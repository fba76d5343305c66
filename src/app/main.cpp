// Tallyhouse: keeps a table of customer records.

#include "data/engine.h"
#include "database_choice.h"
#include "startup.h"
#include "ui/app_icon.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <cstdio>
#include <cstring>

namespace {
// Prints what the command line asked for, or what is wrong with it, and
// returns the program's status.
int answer(const CommandLine& cmd)
{
    const bool wrong = cmd.action == CommandLine::Wrong;
    std::fputs(cmd.text.toLocal8Bit().constData(), wrong ? stderr : stdout);
    return wrong ? 2 : 0;
}

// A password on the command line is seen by every user of the machine
// (ps, /proc/PID/cmdline) for as long as the program runs: the program
// refuses such a target, and until it ends the argument is wiped from the
// memory those show. Returns each argument's text as given.
QHash<const char*, QString> wipe_passwords(int argc, char** argv)
{
    QHash<const char*, QString> given;
    for (int i = 0; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        given.insert(argv[i], arg);
        const QString value = arg.startsWith(u'-') ? arg.section(u'=', 1) : arg;
        if (i > 0 && (Engine::holds_password(arg) || Engine::holds_password(value)))
            std::memset(argv[i], '*', std::strlen(argv[i]));
    }
    return given;
}
}  // namespace

int main(int argc, char** argv)
{
    // --help and --version need no display: they are answered before the
    // application object, which does.
    const QHash<const char*, QString> given = wipe_passwords(argc, argv);
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << given.value(argv[i]);
    if (const CommandLine early = parse_command_line(raw); early.action == CommandLine::Help || early.action == CommandLine::Version)
        return answer(early);

    QApplication app(argc, argv);  // takes Qt's own options, such as -platform, out of argv
    QApplication::setApplicationName(QStringLiteral("Tallyhouse"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    // Desktops find the menu entry of the window by this name, on Wayland too.
    QGuiApplication::setDesktopFileName(QStringLiteral(TALLYHOUSE_APP_ID));
    QApplication::setWindowIcon(app_icon());
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << given.value(argv[i]);
    const CommandLine cmd = parse_command_line(arguments);
    if (cmd.action != CommandLine::Run)
        return answer(cmd);

    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const Folders folders = folders_for(env, modyul::program_dir(), QDir::currentPath());
    Started program = start(choose_database(cmd.database, env, folders));
    if (!program.form)
        return program.status;
    QObject::connect(program.form.get(), &Form1::ended, &app, [](int status) { QCoreApplication::exit(status); });
    program.form->show();
    return app.exec();
}
