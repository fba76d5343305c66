#include "data/connection.h"

#include <QCoreApplication>

Connection::Connection(QObject* parent) : QObject(parent), worker_(new QObject)
{
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.setObjectName(QStringLiteral("connection"));
    thread_.start();
}

Connection::~Connection()
{
    close();
}

DbError Connection::closedError()
{
    return DbError(DbError::GivenUp, QCoreApplication::translate("Connection", "The connection to the database was closed."),
                   DbError::Kind::Cancelled);
}

void Connection::post(std::function<void()> job)
{
    QMetaObject::invokeMethod(worker_, std::move(job), Qt::QueuedConnection);
}

bool Connection::begin(detail::Question* q)
{
    std::lock_guard lock(lock_);
    if (q->givenUp)
        return false;
    running_ = q;
    return true;
}

void Connection::finished()
{
    std::lock_guard lock(lock_);
    running_ = nullptr;
    db_.uncancel();
}

void Connection::answer(const Ticket& q)
{
    q->done = true;
    out_.remove(q);
    if (q->waiter)
        std::exchange(q->waiter, nullptr).resume();
}

void Connection::cancel(const Ticket& q)
{
    if (!q || q->done || q->givenUp)
        return;
    q->givenUp = true;
    {
        std::lock_guard lock(lock_);
        if (running_ == q.get())
            db_.cancel();
    }
    QMetaObject::invokeMethod(
        this,
        [this, q] {
            if (q->done)
                return;
            q->error = std::make_exception_ptr(
                DbError(DbError::GivenUp, QCoreApplication::translate("Connection", "The question was given up."), DbError::Kind::Cancelled));
            answer(q);
        },
        Qt::QueuedConnection);
}

void Connection::close()
{
    if (closed_)
        return;
    closed_ = true;
    // The statement running ends at once; the database is closed on its
    // own thread, which then ends.
    db_.abort();
    post([this] {
        db_.close();
        thread_.quit();
    });
    thread_.wait();
    // Every question out is answered now, in the order asked: what awaits
    // them goes on (and ends) while everything it may touch is still there.
    const std::list<Ticket> out = std::exchange(out_, {});
    for (const Ticket& q : out) {
        if (q->done)
            continue;
        q->givenUp = true;
        q->error = std::make_exception_ptr(closedError());
        answer(q);
    }
}
