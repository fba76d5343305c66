// Tallyhouse: keeps a table of customer records.

#include "data/engines/target.h"
#include "data/modyul.h"
#include "database_choice.h"
#include "program.h"
#include "startup.h"
#include "ui/app_icon.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <QTimer>
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
        if (i > 0 && (target::holds_password(arg) || target::holds_password(value)))
            std::memset(argv[i], '*', std::strlen(argv[i]));
    }
    return given;
}
// Starts the program and shows its window; without one, the program ends
// with the status the start gave. Exit ends it through the event loop,
// whatever is out.
QCoro::Task<> run(Started& program, DatabaseChoice choice)
{
    program = co_await start(std::move(choice));
    if (!program.form) {
        QCoreApplication::exit(program.status);
        co_return;
    }
    QObject::connect(program.form.get(), &Form1::ended, qApp, [](int status) { QCoreApplication::exit(status); });
    program.form->show();
}
}  // namespace

int main(int argc, char** argv)
{
    // A password on the command line is wiped before anything else runs.
    const QHash<const char*, QString> given = wipe_passwords(argc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << given.value(argv[i]);

    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QStringList languages = user_languages(env);
    // The command line is read before the window's application object,
    // which needs a display: --help, --version and a wrong option are
    // answered without one, in the user's language.
    CommandLine cmd;
    {
        QCoreApplication early(argc, argv);
        install_translations(early, languages, translation_folders());
        cmd = parse_command_line(arguments);
        if (cmd.action != CommandLine::Run)
            return answer(cmd);
    }

    QApplication app(argc, argv);  // takes Qt's own options, such as -platform
    install_translations(app, languages, translation_folders());
    QApplication::setApplicationName(QStringLiteral("Tallyhouse"));
    QApplication::setApplicationVersion(QStringLiteral(TALLYHOUSE_VERSION));
    // Desktops find the menu entry of the window by this name, on Wayland too.
    QGuiApplication::setDesktopFileName(QStringLiteral(TALLYHOUSE_APP_ID));
    QApplication::setWindowIcon(app_icon());

    const Folders folders = folders_for(env, modyul::program_dir(), QDir::currentPath());
    Started program;
    // The start goes on in the event loop: its questions to the user and to
    // the database are answered there.
    QTimer::singleShot(0, &app, [&program, choice = choose_database(cmd.database, env, folders)] { run(program, choice); });
    const int status = app.exec();
    // Whatever is still out ends with the window, then the database closes.
    program.form.reset();
    program.list.reset();
    return status;
}
