// Tallyhouse: keeps a table of customer records.

#include "database_choice.h"
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
    // --help and --version need no display: they are answered before the
    // application object, which does.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    if (const CommandLine early = parse_command_line(raw); early.action == CommandLine::Help || early.action == CommandLine::Version)
        return answer(early);

    QApplication app(argc, argv);  // takes Qt's own options, such as -platform
    QApplication::setApplicationName(QStringLiteral("Tallyhouse"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    // Desktops find the menu entry of the window by this name, on Wayland too.
    QGuiApplication::setDesktopFileName(QStringLiteral(TALLYHOUSE_APP_ID));
    QApplication::setWindowIcon(app_icon());
    const CommandLine cmd = parse_command_line(QApplication::arguments());
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
