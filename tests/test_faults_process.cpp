// Other programs at the database file: one holding a lock while the user
// saves or deletes, and the program itself killed while it saves.

#include "driver/client.h"
#include "driver/protocol.h"
#include "random_user/session.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <random>

using namespace test;

namespace {

QString click_answering(QPushButton* button, qint64* took = nullptr)
{
    random_user::BoxGuard guard;
    guard.expect_confirmation(true);
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(button, Qt::LeftButton);
    if (took)
        *took = t.elapsed();
    return guard.messages.join(u'\n');
}

}  // namespace

class ProcessFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void lockHeldDuringSaveAndDelete_data();
    void lockHeldDuringSaveAndDelete();
    void lockReleasedWhileWaiting();
    void killedWhileSaving();
};

void ProcessFaultsTest::lockHeldDuringSaveAndDelete_data()
{
    QTest::addColumn<QString>("lock");
    QTest::newRow("write lock") << "reserved";  // others may still read
    QTest::newRow("exclusive lock") << "exclusive";
}

void ProcessFaultsTest::lockHeldDuringSaveAndDelete()
{
    QFETCH(QString, lock);
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::mouseClick(w->cmdedit, Qt::LeftButton);
    QTest::keyClick(w->Text3, Qt::Key_End);
    type(w->Text3, "-Cruz");

    auto holder = std::make_unique<DriverProcess>(QStringList{"lock", db.path(), lock});
    QCOMPARE(holder->read_line(), QStringLiteral("locked"));
    // Save waits a short while for the lock, then says why it did not save.
    qint64 took = 0;
    QString message = click_answering(w->cmdsave, &took);
    QVERIFY2(message.contains("not saved") && message.contains("locked"), qPrintable(message));
    QVERIFY2(took >= 2500 && took < 10000, qPrintable(QString::number(took)));
    QVERIFY(w.ended.isEmpty());
    QCOMPARE(w->Text3->text(), QStringLiteral("Santos-Cruz"));
    QVERIFY(w->cmdsave->isEnabled());
    QVERIFY(!w->Text3->isReadOnly());
    holder->write_line("release");
    QCOMPARE(holder->read_line(), QStringLiteral("released"));
    QCOMPARE(db.rows(), TempDb::sample());  // read after the lock: nothing half-written

    QCOMPARE(click_answering(w->cmdsave), QString());
    QCOMPARE(db.rows("WHERE cusnum = 1").value(0).value(2).toString(), QStringLiteral("Santos-Cruz"));

    // Delete the same way: refused while locked, the row stays; then done.
    holder = std::make_unique<DriverProcess>(QStringList{"lock", db.path(), lock});
    QCOMPARE(holder->read_line(), QStringLiteral("locked"));
    message = click_answering(w->cmddel);
    QVERIFY2(message.contains("not deleted") && message.contains("locked"), qPrintable(message));
    QVERIFY(w.ended.isEmpty());
    QCOMPARE(w->Text1->text(), QStringLiteral("1"));
    holder->write_line("release");
    QCOMPARE(holder->read_line(), QStringLiteral("released"));
    QCOMPARE(db.count(), 7);
    QCOMPARE(click_answering(w->cmddel), QString());
    QCOMPARE(db.rows("WHERE cusnum = 1").size(), 0);
    QCOMPARE(db.count(), 6);
    QCOMPARE(db.integrity(), QStringLiteral("ok"));
}

void ProcessFaultsTest::lockReleasedWhileWaiting()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    type(w->Text2, "Ann");
    DriverProcess holder({"lock", db.path(), "reserved", "1500"});
    QCOMPARE(holder.read_line(), QStringLiteral("locked"));
    qint64 took = 0;
    QCOMPARE(click_answering(w->cmdsave, &took), QString());
    QVERIFY2(took >= 200, qPrintable(QString::number(took)));  // it did wait
    QCOMPARE(db.rows("WHERE Fname = 'Ann'").size(), 1);
}

// The program is killed at random moments of a run of adds, edits and
// deletes. Afterwards the file is intact, each row carries the texts of
// one save in every column, and every save the program had finished is
// there, unless a later one replaced or deleted it.
void ProcessFaultsTest::killedWhileSaving()
{
    TempDb db(TempDb::sample());
    constexpr int kKills = 40;
    std::mt19937_64 rng(20240607);
    QMap<qint64, qint64> done;  // key -> token of its last finished save; -1 deleted
    qint64 next = 1;
    int saves = 0;
    int journals = 0;  // kills that left a change half-done, for the file to roll back
    for (int run = 0; run < kKills; ++run) {
        DriverProcess program({"window", db.dir()});
        QVERIFY(program.read_line().startsWith("ok "));
        const qint64 first = next;
        program.write_line(QStringLiteral("save-loop %1 %2").arg(rng()).arg(first));
        QElapsedTimer t;
        t.start();
        const qint64 kill_after = 30 + qint64(rng() % 300);
        static const QRegularExpression line("^(saved|deleted) (\\d+) t(\\d+)$");
        qint64 deleting = -1;  // the key of a Delete not known to be done
        auto take = [&](const QString& got) {
            if (got.startsWith("deleting "))
                deleting = got.mid(9).toLongLong();
            const auto m = line.match(got);
            if (!m.hasMatch())
                return;
            done[m.captured(2).toLongLong()] = m.captured(1) == "saved" ? m.captured(3).toLongLong() : -1;
            deleting = -1;
            next = std::max(next, m.captured(3).toLongLong() + 1);
            ++saves;
        };
        while (t.elapsed() < kill_after)
            if (const QString got = program.read_line(int(std::max<qint64>(1, kill_after - t.elapsed()))); !got.isEmpty())
                take(got);
        program.kill();
        for (QString got = program.read_line(0); !got.isEmpty(); got = program.read_line(0))
            take(got);
        next += 1;  // the save in flight may have reached the file
        journals += QFile::exists(db.path() + "-journal");

        QCOMPARE(db.integrity(), QStringLiteral("ok"));
        QMap<qint64, Row> stored;
        for (const Row& r : db.rows())
            stored[r[0].toLongLong()] = r;
        for (const Row& r : stored) {
            if (r[0].toLongLong() <= 7 && !r[1].toString().startsWith(u't'))
                continue;  // a start row never saved
            const QString token = r[1].toString().section(u' ', 0, 0);
            const QStringList boxes = random_user::editable_boxes();
            constexpr int column[] = {1, 2, 3, 4, 5, 7, 6};
            for (int i = 0; i < 7; ++i)
                QCOMPARE(r[column[i]].toString(), driver::field_text(token, boxes[i]));
        }
        for (auto it = done.cbegin(); it != done.cend(); ++it) {
            const auto row = stored.find(it.key());
            if (it.value() < 0) {
                QVERIFY2(row == stored.end() || row->value(1).toString().mid(1).section(u' ', 0, 0).toLongLong() >= first,
                         qPrintable(QStringLiteral("key %1 was deleted").arg(it.key())));
                continue;
            }
            if (row == stored.end() && it.key() == deleting)
                continue;
            QVERIFY2(row != stored.end(), qPrintable(QStringLiteral("key %1 saved as t%2 is gone").arg(it.key()).arg(it.value())));
            const qint64 token = row->value(1).toString().mid(1).section(u' ', 0, 0).toLongLong();
            QVERIFY2(token >= it.value(), qPrintable(QStringLiteral("key %1 holds t%2, t%3 was saved").arg(it.key()).arg(token).arg(it.value())));
        }
        // The next run starts from what the file holds now, the change in
        // flight at the kill included when it got there.
        done.clear();
        for (const Row& r : stored)
            if (r[1].toString().startsWith(u't'))
                done[r[0].toLongLong()] = r[1].toString().mid(1).section(u' ', 0, 0).toLongLong();
    }
    qInfo("%d saves and deletes finished across %d kills, %d of which left a journal to roll back", saves, kKills, journals);
    QVERIFY(saves > 20);
}

QTEST_MAIN(ProcessFaultsTest)
#include "test_faults_process.moc"
