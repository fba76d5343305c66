#pragma once

#include "data/database.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <coroutine>
#include <exception>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

namespace detail {
// A question out: what the asking thread knows of it. Only givenUp is
// touched by the connection's thread.
struct Question {
    virtual ~Question() = default;
    std::atomic<bool> givenUp = false;
    bool done = false;
    std::exception_ptr error;
    std::coroutine_handle<> waiter;
};
template <class T>
struct QuestionOf : Question {
    std::optional<T> value;
};
template <>
struct QuestionOf<void> : Question {};
}  // namespace detail

// What Connection::cancel() gives up.
using Ticket = std::shared_ptr<detail::Question>;

// The answer to a question asked of a connection: co_await it, and the
// coroutine goes on once the answer is in (as an event, on the thread that
// asked), with the value, or the DbError the question raised. A question
// given up or cut off by the connection's close answers with a DbError
// (cancelled).
template <class T>
class Answer {
public:
    explicit Answer(std::shared_ptr<detail::QuestionOf<T>> q) : q_(std::move(q)) {}
    bool await_ready() const noexcept { return q_->done; }
    void await_suspend(std::coroutine_handle<> waiter) { q_->waiter = waiter; }
    T await_resume()
    {
        if (q_->error)
            std::rethrow_exception(q_->error);
        if constexpr (!std::is_void_v<T>)
            return std::move(*q_->value);
    }
    Ticket ticket() const { return q_; }

private:
    std::shared_ptr<detail::QuestionOf<T>> q_;
};

// The database connection as the window's thread has it: a Database on a
// thread of its own. Every question runs there, in the order asked; its
// answer comes back to the asking thread as an event, where the coroutine
// that awaits it goes on. The asking thread never waits on the database.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    // Closes first.
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs work(Database&) on the connection's thread. work holds only
    // values (or what outlives the answer), and touches nothing of the
    // asking thread's. Ask first and await the answer in a statement of its
    // own: GCC 12 destroys a lambda that captures twice when it stands in
    // the same expression as co_await.
    template <class Work>
    auto ask(Work&& work) -> Answer<std::invoke_result_t<std::decay_t<Work>&, Database&>>;

    // Gives up a question whose answer is no longer wanted (the list for
    // an older filter text): not begun, it never runs; running, the engine
    // stops it where it can; its awaiter gets a DbError (cancelled) as the
    // next event, whatever the database says. The connection stays usable.
    void cancel(const Ticket& question);
    // Ends the connection, as the program ends: every question out is
    // answered at once with a DbError (cancelled), the statement running
    // is cut short, the database is closed on its thread and the thread
    // ended. Questions asked afterwards are answered so too.
    void close();
    // The questions out.
    int out() const { return int(out_.size()); }
    // The database, for what is made once to work on it in questions (a
    // CustomerTable): touched on the connection's thread only.
    Database& database() { return db_; }

private:
    void post(std::function<void()> job);
    // On the connection's thread: false when the question was given up
    // before it began; else it is the one running until finished().
    bool begin(detail::Question* q);
    void finished();
    // On the asking thread: the question is answered; its awaiter goes on.
    void answer(const Ticket& q);
    static DbError closedError();

    QThread thread_;
    QObject* worker_;  // lives on thread_: runs the questions
    Database db_;      // used on thread_ only
    std::mutex lock_;  // guards running_
    detail::Question* running_ = nullptr;
    std::list<Ticket> out_;  // the questions out, in the order asked
    bool closed_ = false;
};

template <class Work>
auto Connection::ask(Work&& work) -> Answer<std::invoke_result_t<std::decay_t<Work>&, Database&>>
{
    using T = std::invoke_result_t<std::decay_t<Work>&, Database&>;
    auto q = std::make_shared<detail::QuestionOf<T>>();
    if (closed_) {
        q->done = true;
        q->error = std::make_exception_ptr(closedError());
        return Answer<T>(q);
    }
    out_.push_back(q);
    post([this, q, work = std::decay_t<Work>(std::forward<Work>(work))]() mutable {
        if (!begin(q.get()))
            return;
        std::exception_ptr error;
        auto value = std::make_shared<std::optional<std::conditional_t<std::is_void_v<T>, bool, T>>>();
        try {
            if constexpr (std::is_void_v<T>)
                work(db_);
            else
                value->emplace(work(db_));
        } catch (...) {
            error = std::current_exception();
        }
        finished();
        QMetaObject::invokeMethod(
            this,
            [this, q, value, error] {
                if (q->done)
                    return;
                q->error = error;
                if constexpr (!std::is_void_v<T>)
                    if (!error)
                        q->value = std::move(**value);
                answer(q);
            },
            Qt::QueuedConnection);
    });
    return Answer<T>(q);
}
