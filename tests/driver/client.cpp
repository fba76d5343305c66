#include "client.h"

#include "protocol.h"

#include <QDeadlineTimer>

namespace test {

DriverProcess::DriverProcess(const QStringList& args)
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(TALLYHOUSE_DRIVER), args);
    if (!process_.waitForStarted())
        qFatal("cannot start %s", TALLYHOUSE_DRIVER);
}

DriverProcess::~DriverProcess()
{
    kill();
}

QString DriverProcess::read_line(int timeout_ms)
{
    QDeadlineTimer deadline(timeout_ms);
    for (;;) {
        pending_ += process_.readAllStandardOutput();
        const qsizetype eol = pending_.indexOf('\n');
        if (eol >= 0) {
            const QString line = QString::fromUtf8(pending_.left(eol));
            pending_.remove(0, eol + 1);
            return line;
        }
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
            return {};
        process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

void DriverProcess::write_line(const QString& line)
{
    process_.write((line + u'\n').toUtf8());
    process_.waitForBytesWritten();
}

DriverProcess::Reply DriverProcess::command(const QString& line)
{
    write_line(line);
    return reply();
}

DriverProcess::Reply DriverProcess::reply()
{
    Reply reply;
    for (;;) {
        const QString got = read_line();
        if (got.startsWith(QLatin1String("message ")))
            reply.messages << driver::decode(got.mid(8));
        else if (got.startsWith(QLatin1String("ended ")))
            reply.ended = got.mid(6).toInt();
        else if (got.startsWith(QLatin1String("ok")))
            for (const QString& w : got.mid(3).split(u' '))
                reply.boxes << driver::decode(w);
        else
            qFatal("the driver answered \"%s\"", qPrintable(got));
        if (!got.startsWith(QLatin1String("message ")))
            return reply;
    }
}

void DriverProcess::kill()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished();
    }
}

bool DriverProcess::finished(int timeout_ms)
{
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(timeout_ms);
}

QString word(const QString& text)
{
    return driver::encode(text);
}

}  // namespace test
