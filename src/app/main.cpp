// Tallyhouse: keeps a table of customer records.

#include "database_choice.h"
#include "program.h"
#include "startup.h"
#include "ui/app_icon.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

namespace {
// Prints what the command line asked for, or what is wrong with it, and
// returns the program's status.
int answer(const CommandLine& cmd)
{
    const bool wrong = cmd.action == CommandLine::Wrong;
    std::fputs(cmd.text.toLocal8Bit().constData(), wrong ? stderr : stdout);
    return wrong ? 2 : 0;
}
}  // namespace

int main(int argc, char** argv)
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QStringList languages = user_languages(env);
    // The command line is read before the window's application object,
    // which needs a display: --help, --version and a wrong option are
    // answered without one, in the user's language.
    CommandLine cmd;
    {
        QCoreApplication early(argc, argv);
        install_translations(early, languages, translation_folders());
        cmd = parse_command_line(QCoreApplication::arguments());
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
    QObject::connect(program.form.get(), &Form1::ended, &app, [](int status) { QCoreApplication::exit(status); });
    program.form->show();
    return app.exec();
}
