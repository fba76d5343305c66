#pragma once

#include <QProcess>
#include <QStringList>

namespace test {

// tallyhouse-driver run as another program (see driver/main.cpp).
class DriverProcess {
public:
    explicit DriverProcess(const QStringList& args);
    ~DriverProcess();
    DriverProcess(const DriverProcess&) = delete;
    DriverProcess& operator=(const DriverProcess&) = delete;

    // The next line it prints; empty when none comes within the time.
    QString read_line(int timeout_ms = 20000);
    void write_line(const QString& line);

    // One command of window mode and its reply.
    struct Reply {
        QStringList messages;  // "title: text" of each message box shown
        QStringList boxes;     // the eight record boxes
        int ended = -1;        // the exit status, when the program ended
    };
    Reply command(const QString& line);
    // The reply to the command sent last, or the first one at start.
    Reply reply();

    void kill();
    bool finished(int timeout_ms = 20000);
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
    QByteArray pending_;
};

// A command word for a text that may hold anything.
QString word(const QString& text);

}  // namespace test
