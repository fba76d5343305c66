#include "connection.h"

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
QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tallyhouse-%1").arg(++counter);
}

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

Connection::Connection() : thread_(std::make_unique<Thread>()), name_(nextConnectionName()) {}

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
    std::lock_guard lock(engineLock_);
    if (engine_)
        engine_->cancel();
}

void Connection::close()
{
    if (engine_)
        engine_->disconnect();
    db_.close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(name_))
        QSqlDatabase::removeDatabase(name_);
}

void Connection::open(const QString& target)
{
    ask([&] {
        close();
        target_ = target;
        {
            auto engine = Engine::for_target(target);
            std::lock_guard lock(engineLock_);
            engine_ = std::move(engine);
        }
        try {
            db_ = engine_->connect(name_, target_, password_);
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
        db_ = engine_->connect(name_, target_, password_);
    } catch (const DbError& e) {
        close();
        const QString opening = openFailure(DbError(0, {})).message();
        const QString why = e.message().startsWith(opening) ? e.message().mid(opening.size()) : e.message();
        throw DbError(e.number(), QCoreApplication::translate("Connection", "The database %1 cannot be reached: %2").arg(engine_->name(), why),
                      DbError::Kind::Lost);
    }
}

DbError Connection::openFailure(const DbError& cause) const
{
    return cause.prefixed(QCoreApplication::translate("Connection", "Cannot open the database %1: ").arg(engine_->name()));
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
            engine_->check_values(s.params);
        return engine_->run_together(*this, statements, answerWait_);
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
    engine_->check_writable(*this);
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
            if (engine_ && engine_->is_open(*this))
                engine_->run(*this, QStringLiteral("ROLLBACK"), {}, answerWait_);
        });
    } catch (const DbError&) {
    }
}

void Connection::requireOpen() const
{
    // A connection closed when the server was lost is opened again by the
    // caller, as a lost one is.
    if (!engine_ || !engine_->is_open(const_cast<Connection&>(*this)))
        throw DbError(DbError::RecordSetClosed, QCoreApplication::translate("Connection", "The database connection is not open."),
                      engine_ ? DbError::Kind::Lost : DbError::Kind::Failed);
}

Rows Connection::run(const QString& sql, const QVariantList& params, int wait_ms, bool quick)
{
    requireOpen();
    engine_->check_values(params);
    return engine_->run(*this, sql, params, wait_ms, quick);
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params)
{
    Rows r = query(sql, params);
    return r.next() ? r.value(0) : QVariant();
}

qint64 Connection::execute(const QString& sql, const QVariantList& params, QVariant* returned)
{
    return ask([&] {
        engine_->check_writable(*this);
        Rows r = run(sql, params, answerWait_);
        if (returned)
            *returned = r.next() ? r.value(0) : QVariant();
        ++generation_;
        return r.changed;
    });
}

QStringList Connection::columns(const QString& table)
{
    return ask([&] { return engine_->columns(*this, table); });
}

void Connection::prepare_table(const QString& table)
{
    ask([&] { engine_->prepare_table(*this, table); });
}

std::optional<qint64> Connection::change_count()
{
    return ask([this] { return engine_->change_count(*this); });
}

void Connection::insert_rows(const QString& table, const QStringList& columns, const QVariantList& values)
{
    ask([&] { engine_->insert_rows(*this, table, columns, values); });
}

int Connection::lock_wait()
{
    return ask([this] { return engine_->lock_wait(*this); });
}

void Connection::set_lock_wait(int ms)
{
    ask([&] { engine_->set_lock_wait(*this, ms); });
}

QList<Rows> Connection::change_and_read(const Statement& change, const QList<Statement>& reads)
{
    return ask([&] {
        engine_->check_writable(*this);
        if (reads.isEmpty() || !engine_->sends_together()) {
            QList<Rows> out{run(change.sql, change.params, answerWait_)};
            ++generation_;
            return out;
        }
        requireOpen();
        QList<Statement> statements{change};
        statements += reads;
        for (const Statement& s : statements)
            engine_->check_values(s.params);
        QList<Rows> out = engine_->run_together(*this, statements, answerWait_);
        ++generation_;
        return out;
    });
}
