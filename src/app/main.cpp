// Tallyhouse: keeps a table of customer records.

#include "data/engines/target.h"
#include "database_choice.h"
#include "program.h"
#include "startup.h"
#include "ui/app_icon.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <cstdio>
#include <cstdlib>
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
    Started program = start(choose_database(cmd.database, env, folders));
    if (!program.form)
        return program.status;
    QObject::connect(program.form.get(), &Form1::ended, &app, [&program](int status) {
        // Exit works at once, also while a question is out (a server that
        // does not answer): the program ends without waiting for it. The
        // database undoes a change left unfinished when its connection
        // ends (a server) or when it is next opened (a file's journal).
        if (program.data->cn.asking()) {
            std::fflush(nullptr);
            std::_Exit(status);
        }
        QCoreApplication::exit(status);
    });
    program.form->show();
    return app.exec();
}
