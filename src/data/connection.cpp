#include "data/connection.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <thread>

namespace {
// How long the window's thread waits for an answer before it takes events
// meanwhile: a quick answer (a file on a local disk) costs no round of the
// event loop, and a slow one holds the window up no longer than this.
constexpr auto kQuickAnswer = std::chrono::milliseconds(5);

// Whether the calling thread is the application's own, whose events (the
// window's) go on while it waits.
bool takes_events()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// What the caller of a question waits for: the answer is in, and the loop
// that takes events meanwhile, if one runs.
struct Answer {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    QEventLoop* loop = nullptr;
};
}  // namespace

// The connection's thread: it runs the jobs posted to it, in order.
struct Connection::Thread {
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::function<void()>> jobs;
    bool stop = false;
    std::thread thread{[this] { serve(); }};

    ~Thread()
    {
        {
            std::lock_guard lock(m);
            stop = true;
        }
        cv.notify_all();
        thread.join();
    }
    void post(std::function<void()> job)
    {
        {
            std::lock_guard lock(m);
            jobs.push_back(std::move(job));
        }
        cv.notify_all();
    }
    void serve()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m);
                cv.wait(lock, [this] { return stop || !jobs.empty(); });
                if (jobs.empty())
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            job();
        }
    }
};

template <class Work>
auto Connection::ask(Work work) -> decltype(work())
{
    using Result = decltype(work());
    if (std::this_thread::get_id() == thread_->thread.get_id())
        return work();
    if (asking_)
        throw DbError(DbError::GivenUp, QCoreApplication::translate("Connection", "Another question to the database is still out."),
                      DbError::Kind::Cancelled);
    asking_ = true;
    // The job refers to this frame, which waits for it to end in any case.
    Answer answer;
    std::exception_ptr failure;
    std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> result{};
    thread_->post([&] {
        try {
            if constexpr (std::is_void_v<Result>)
                work();
            else
                result.emplace(work());
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(answer.m);
        answer.done = true;
        answer.cv.notify_all();
        if (answer.loop)
            QMetaObject::invokeMethod(answer.loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    bool tookEvents = false;
    {
        std::unique_lock lock(answer.m);
        if (!answer.cv.wait_for(lock, kQuickAnswer, [&] { return answer.done; }) && takes_events()) {
            QEventLoop loop;
            answer.loop = &loop;
            lock.unlock();
            loop.exec();  // returns at once while the application ends
            lock.lock();
            answer.loop = nullptr;
            tookEvents = true;
        }
        answer.cv.wait(lock, [&] { return answer.done; });
    }
    asking_ = false;
    if (tookEvents)
        emit answered();
    // Whatever came back, an answer given up is not wanted.
    if (std::exchange(cancelled_, false))
        throw DbError(DbError::GivenUp, QCoreApplication::translate("Connection", "The question was given up."), DbError::Kind::Cancelled);
    if (failure)
        std::rethrow_exception(failure);
    if constexpr (!std::is_void_v<Result>)
        return std::move(*result);
}

Connection::Connection() : thread_(std::make_unique<Thread>()) {}

Connection::~Connection()
{
    ask([this] { close(); });
    thread_.reset();
}

void Connection::cancel()
{
    if (!asking_)
        return;
    cancelled_ = true;
    std::lock_guard lock(sessionLock_);
    if (session_)
        session_->cancel();
}

void Connection::close()
{
    if (session_)
        session_->disconnect();
}

void Connection::open(const QString& target)
{
    ask([&] {
        close();
        target_ = target;
        dialect_ = &Dialect::for_target(target);
        databaseName_ = dialect_->name(target);
        {
            auto session = DbSession::for_target(target);
            std::lock_guard lock(sessionLock_);
            session_ = std::move(session);
        }
        try {
            session_->connect(target_, password_, kAnswerWaitMs);
        } catch (const DbError&) {
            close();
            throw;
        }
    });
}

void Connection::reconnect()
{
    ask([this] { connectAgain(); });
}

void Connection::connectAgain()
{
    close();
    try {
        session_->connect(target_, password_, kAnswerWaitMs);
    } catch (const DbError& e) {
        close();
        const QString opening = openFailure(DbError(0, {})).message();
        const QString why = e.message().startsWith(opening) ? e.message().mid(opening.size()) : e.message();
        throw DbError(e.number(), QCoreApplication::translate("Connection", "The database %1 cannot be reached: %2").arg(databaseName_, why),
                      DbError::Kind::Lost);
    }
}

DbError Connection::openFailure(const DbError& cause) const
{
    return cause.prefixed(QCoreApplication::translate("Connection", "Cannot open the database %1: ").arg(databaseName_));
}

Rows Connection::read(const QString& sql, const QVariantList& params)
{
    try {
        Rows r = run(sql, params, answerWait_, quick_);
        quick_ = false;
        return r;
    } catch (const DbError& e) {
        if (e.busy())
            quick_ = true;
        throw;
    }
}

Rows Connection::query(const QString& sql, const QVariantList& params)
{
    return ask([&] {
        try {
            return read(sql, params);
        } catch (const DbError& e) {
            if (!e.lost() || e.number() == DbError::NoAnswer || inTransaction_)
                throw;
        }
        connectAgain();
        return read(sql, params);
    });
}

QList<Rows> Connection::queries(const QList<Statement>& statements)
{
    auto once = [&] {
        requireOpen();
        for (const Statement& s : statements)
            dialect_->check_values(s.params, databaseName_);
        return session_->run_together(statements, answerWait_);
    };
    return ask([&] {
        try {
            return once();
        } catch (const DbError& e) {
            if (!e.lost() || e.number() == DbError::NoAnswer || inTransaction_)
                throw;
        }
        connectAgain();
        return once();
    });
}

void Connection::begin(const QStringList& statements)
{
    ask([&] { beginHere(statements); });
}

void Connection::beginHere(const QStringList& statements)
{
    session_->check_writable();
    // Nothing is done before the first statement: a connection found lost
    // there is opened again, as query() does.
    try {
        run(statements.value(0), {}, answerWait_);
    } catch (const DbError& e) {
        if (!e.lost() || e.number() == DbError::NoAnswer)
            throw;
        connectAgain();
        run(statements.value(0), {}, answerWait_);
    }
    inTransaction_ = true;
    try {
        for (const QString& sql : statements.mid(1))
            run(sql, {}, answerWait_);
    } catch (const DbError&) {
        rollback();
        throw;
    }
}

void Connection::commit()
{
    ask([this] {
        // A transaction that added many rows may take long to commit.
        run(QStringLiteral("COMMIT"), {}, longAnswerWait_);
        inTransaction_ = false;
        ++generation_;
    });
}

void Connection::rollback() noexcept
{
    try {
        ask([this] {
            if (!inTransaction_)
                return;
            inTransaction_ = false;
            ++generation_;
            if (session_ && session_->is_open())
                session_->run(QStringLiteral("ROLLBACK"), {}, answerWait_);
        });
    } catch (const DbError&) {
    }
}

void Connection::requireOpen() const
{
    // A connection closed when the server was lost is opened again by the
    // caller, as a lost one is.
    if (!session_ || !session_->is_open())
        throw DbError(DbError::RecordSetClosed, QCoreApplication::translate("Connection", "The database connection is not open."),
                      session_ ? DbError::Kind::Lost : DbError::Kind::Failed);
}

Rows Connection::run(const QString& sql, const QVariantList& params, int wait_ms, bool quick)
{
    requireOpen();
    dialect_->check_values(params, databaseName_);
    return session_->run(sql, params, wait_ms, quick);
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params)
{
    Rows r = query(sql, params);
    return r.next() ? r.value(0) : QVariant();
}

qint64 Connection::execute(const QString& sql, const QVariantList& params, QVariant* returned)
{
    return ask([&] {
        session_->check_writable();
        Rows r = run(sql, params, answerWait_);
        if (returned)
            *returned = r.next() ? r.value(0) : QVariant();
        ++generation_;
        return r.changed;
    });
}

QStringList Connection::columns(const QString& table)
{
    return ask([&] {
        requireOpen();
        return session_->columns(table, answerWait_);
    });
}

void Connection::prepare_table(const QString& table)
{
    ask([&] {
        requireOpen();
        session_->prepare_table(table, answerWait_);
    });
}

std::optional<qint64> Connection::change_count()
{
    // Asked of a connection lost too: a server's notifications need no
    // statement, and what was missed meanwhile counts as a change.
    return ask([this] { return session_->change_count(); });
}

void Connection::insert_rows(const QString& table, const QStringList& columns, const QVariantList& values)
{
    ask([&] {
        requireOpen();
        session_->insert_rows(table, columns, values, longAnswerWait_);
    });
}

int Connection::lock_wait()
{
    return ask([this] { return session_->lock_wait(); });
}

void Connection::set_lock_wait(int ms)
{
    ask([&] { session_->set_lock_wait(ms, answerWait_); });
}

QList<Rows> Connection::change_and_read(const Statement& change, const QList<Statement>& reads)
{
    return ask([&] {
        session_->check_writable();
        if (reads.isEmpty() || !dialect_->sends_together()) {
            QList<Rows> out{run(change.sql, change.params, answerWait_)};
            ++generation_;
            return out;
        }
        requireOpen();
        QList<Statement> statements{change};
        statements += reads;
        for (const Statement& s : statements)
            dialect_->check_values(s.params, databaseName_);
        QList<Rows> out = session_->run_together(statements, answerWait_);
        ++generation_;
        return out;
    });
}
