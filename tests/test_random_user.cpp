// A seeded random user drives the real window through thousands of actions
// and checks after each one that nothing was lost or shown wrongly.
//
// TALLYHOUSE_ACTIONS (total actions, default 2500), TALLYHOUSE_SEEDS (how
// many seeds share them, default 5) and TALLYHOUSE_SEED (the first seed,
// default 1) set the run; `make soak` runs 100,000 actions.

#include "random_user/session.h"

#include <QTest>

namespace {
quint64 env(const char* name, quint64 fallback)
{
    bool ok = false;
    const quint64 v = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? v : fallback;
}
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
    const auto failure = random_user::run(seed, actions, &done);
    qInfo("done: %s", qPrintable(done));
    if (failure)
        QFAIL(qPrintable(random_user::report(*failure)));
}

QTEST_MAIN(RandomUserTest)
#include "test_random_user.moc"
