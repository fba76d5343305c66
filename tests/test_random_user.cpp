// A seeded random user drives the real window through thousands of actions
// and checks after each one that nothing was lost or shown wrongly.
//
// TALLYHOUSE_ACTIONS (total actions, default 2500), TALLYHOUSE_SEEDS (how
// many seeds share them, default 5) and TALLYHOUSE_SEED (the first seed,
// default 1) set the run; `make soak` runs 100,000 actions. A seed may run
// for as long as its actions take; one whose next action does not begin
// within two minutes ends the run.

#include "random_user/session.h"

#include <QTest>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <thread>

namespace {
quint64 env(const char* name, quint64 fallback)
{
    bool ok = false;
    const quint64 v = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? v : fallback;
}

// A seed runs as long as its actions take, which on a busy machine is
// longer than Qt Test's limit for a test function (5 minutes): that limit
// is lifted before Qt Test reads it, unless set by hand, and the watchdog
// below ends a run that truly hangs.
const bool kNoFunctionLimit = [] {
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(std::numeric_limits<int>::max()));
    return true;
}();

// Ends the process when no action has begun for this long: one action
// takes well under a second, and waits at most a few seconds for a lock.
constexpr auto kHang = std::chrono::seconds(120);

class Watchdog {
public:
    Watchdog()
        : thread_([this] {
              std::unique_lock lock(mutex_);
              quint64 seen = random_user::steps_taken();
              auto since = std::chrono::steady_clock::now();
              while (!stop_) {
                  stopped_.wait_for(lock, std::chrono::seconds(1));
                  const quint64 now = random_user::steps_taken();
                  if (now != seen) {
                      seen = now;
                      since = std::chrono::steady_clock::now();
                  } else if (std::chrono::steady_clock::now() - since > kHang) {
                      std::fprintf(stderr, "FAIL: no action began for %lld s: the run hangs (its seed is printed above)\n",
                                   static_cast<long long>(kHang.count()));
                      std::fflush(stderr);
                      std::abort();
                  }
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        stopped_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stop_ = false;
    std::thread thread_;  // last: starts once the rest is made
};
}  // namespace

class RandomUserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nothingLostUnderRandomUse_data();
    void nothingLostUnderRandomUse();
};

// The offscreen platform notes each message box it shows; thousands of
// those notes would reach Qt Test's cap on messages and silence the seeds.
void RandomUserTest::initTestCase()
{
    static QtMessageHandler next = nullptr;
    next = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (!message.contains(QLatin1String("propagateSizeHints")))
            next(type, context, message);
    });
}

void RandomUserTest::nothingLostUnderRandomUse_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<int>("actions");
    const quint64 total = env("TALLYHOUSE_ACTIONS", 2500);
    const quint64 seeds = std::max<quint64>(1, env("TALLYHOUSE_SEEDS", 5));
    const quint64 first = env("TALLYHOUSE_SEED", 1);
    for (quint64 s = first; s < first + seeds; ++s)
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(s))) << s << int((total + seeds - 1) / seeds);
}

void RandomUserTest::nothingLostUnderRandomUse()
{
    QFETCH(quint64, seed);
    QFETCH(int, actions);
    // Printed first, so that even a crash names the seed to run again.
    qInfo("seed %llu: %d actions (TALLYHOUSE_SEED=%llu TALLYHOUSE_SEEDS=1 TALLYHOUSE_ACTIONS=%d repeats it)",
          seed, actions, seed, actions);
    QString done;
    const Watchdog watchdog;
    const auto failure = random_user::run(seed, actions, &done);
    qInfo("done: %s", qPrintable(done));
    if (failure)
        QFAIL(qPrintable(random_user::report(*failure)));
}

QTEST_MAIN(RandomUserTest)
#include "test_random_user.moc"
