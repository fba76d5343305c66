#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <type_traits>

// Runs the event loop until what is awaited (a coroutine's task, or an
// answer of a connection) is done: its result, or the exception it threw.
// Only tests and benchmarks wait so; the program never does.
template <class Awaited>
auto await(Awaited&& awaited)
{
    using T = QCoro::detail::awaitable_return_type_t<std::remove_reference_t<Awaited>>;
    std::conditional_t<std::is_void_v<T>, bool, std::optional<T>> result{};
    std::exception_ptr error;
    bool done = false;
    QEventLoop loop;
    auto run = [&]() -> QCoro::Task<> {
        try {
            if constexpr (std::is_void_v<T>)
                co_await std::forward<Awaited>(awaited);
            else
                result = co_await std::forward<Awaited>(awaited);
        } catch (...) {
            error = std::current_exception();
        }
        done = true;
        loop.quit();
    };
    run();
    if (!done) {
        QTimer::singleShot(300000, &loop, [] {
            std::fputs("await: still waiting after 300 s\n", stderr);
            std::abort();
        });
        loop.exec();
    }
    if (error)
        std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*result);
}
