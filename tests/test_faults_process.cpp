// Other programs at the database file: one holding a lock while the user
// works, and the program itself killed while it saves.

#include "driver/client.h"
#include "driver/protocol.h"
#include "data/db_error.h"
#include "random_user/session.h"
#include "ui/datagrid.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <random>

using namespace test;

namespace {

// Clicks Save, or Delete answered Yes, and returns the message shown once
// the window has answered the click; took is how long that took.
QString click_answering(QPushButton* button, qint64* took = nullptr)
{
    random_user::BoxGuard guard;
    guard.expect_confirmation(true);
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(button, Qt::LeftButton);
    if (!wait_idle(*qobject_cast<Form1*>(button->window())))
        qWarning("the window is still busy after 30 s");
    if (took)
        *took = t.elapsed();
    return guard.messages.join(u'\n');
}

// Another program holding the file with an exclusive lock, so that the
// window can neither read nor write it, until release().
class HeldLock {
public:
    explicit HeldLock(const TempDb& db) : holder_({"lock", db.path(), "exclusive"})
    {
        if (holder_.read_line() != QLatin1String("locked"))
            qFatal("the lock was not taken");
    }
    ~HeldLock() { release(); }
    void release()
    {
        if (std::exchange(held_, false)) {
            holder_.write_line("release");
            holder_.read_line();
        }
    }

private:
    DriverProcess holder_;
    bool held_ = true;
};

// 300 customers, more than the record set reads at once: Ann, Bob or Cy,
// with last names Brown, Cole or Dunn.
QVector<Row> many_rows()
{
    static const char* const first[] = {"Ann", "Bob", "Cy"};
    static const char* const last[] = {"Cole", "Dunn", "Brown"};
    QVector<Row> rows;
    for (int i = 1; i <= 300; ++i)
        rows << row(i, QStringLiteral("%1 %2").arg(first[i % 3]).arg(i), QStringLiteral("%1 %2").arg(last[i % 3]).arg(i));
    return rows;
}

// What the user sees: the window's state, the boxes, the filter box, the
// rows listed and which of them is current.
QString seen(Window& w)
{
    return QStringList{w.state(), w.boxes().join(u'|'), w->Text9->text(), w.gridColumn(1).join(u','),
                       QString::number(w.rs().position())}
        .join(u'\n');
}

// Runs act while another program holds the database locked: the window
// waits, says the database is in use, keeps running and shows what it
// showed before. Then the lock goes.
void refused_while_locked(Window& w, const TempDb& db, const std::function<void()>& act)
{
    const QString before = seen(w);
    HeldLock lock(db);
    random_user::BoxGuard guard;
    act();
    QTRY_VERIFY(!guard.messages.isEmpty());
    QVERIFY2(guard.messages.join(u'\n').contains("in use by another program"), qPrintable(guard.messages.join(u'\n')));
    QVERIFY(w.ended.isEmpty());
    QCOMPARE(seen(w), before);
}

}  // namespace

class ProcessFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void lockHeldDuringSaveAndDelete_data();
    void lockHeldDuringSaveAndDelete();
    void lockReleasedWhileWaiting();
    void lockAtStartUpIsWaitedOut();
    void browsingUnderALockKeepsTheWindow();
    void filterUnderALockFollowsOnceTheDatabaseIsFree();
    void addNeedsNoDatabaseAndCancelCatchesUp();
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
    w.settle();
    type(w->Text2, "Ann");
    DriverProcess holder({"lock", db.path(), "reserved", "1500"});
    QCOMPARE(holder.read_line(), QStringLiteral("locked"));
    qint64 took = 0;
    QCOMPARE(click_answering(w->cmdsave, &took), QString());
    QVERIFY2(took >= 200, qPrintable(QString::number(took)));  // it did wait
    QCOMPARE(db.rows("WHERE Fname = 'Ann'").size(), 1);
}

void ProcessFaultsTest::lockAtStartUpIsWaitedOut()
{
    TempDb db(TempDb::sample());
    CustomerList list(db.path());
    Form1 form(list);
    {
        HeldLock lock(db);
        try {
            await(form.Form_Load());
            QFAIL("the window loaded on a locked database");
        } catch (const DbError& e) {
            QVERIFY2(e.busy() && e.message().contains(db.path()), qPrintable(e.message()));
        }
    }
    await(form.Form_Load());  // tried again once the lock is gone
    QCOMPARE(form.Text2->text(), QStringLiteral("Maria"));
    QCOMPARE(form.DataGrid1->listedRows(), 7);
}

void ProcessFaultsTest::browsingUnderALockKeepsTheWindow()
{
    TempDb db(many_rows());
    Window w(db);
    set_lock_wait(w, 300);  // keeps this test short
    refused_while_locked(w, db, [&] { QTest::mouseClick(w->cmdlast, Qt::LeftButton); });
    QTest::mouseClick(w->cmdlast, Qt::LeftButton);
    w.settle();
    QCOMPARE(w->Text1->text(), QStringLiteral("300"));

    // Scrolling the grid to rows not read yet.
    QScrollBar* bar = w->DataGrid1->rowScrollBar();
    refused_while_locked(w, db, [&] { bar->setValue(150); });
    bar->setValue(150);
    QCOMPARE(w.gridColumn(0).value(0), QStringLiteral("151"));
    w.clickGridRow(1);
    QCOMPARE(w->Text1->text(), QStringLiteral("152"));
    QVERIFY(w.gridAgreesWithBoxes());
}

// A filter run that could not read its rows is run again as soon as the
// database is free, without another keystroke.
void ProcessFaultsTest::filterUnderALockFollowsOnceTheDatabaseIsFree()
{
    TempDb db(many_rows());
    Window w(db);
    set_lock_wait(w, 300);
    const QString before = seen(w);
    {
        HeldLock lock(db);
        random_user::BoxGuard guard;
        type(w->Text9, "B");
        QTRY_VERIFY(!guard.messages.isEmpty());
        QVERIFY(guard.messages.join(u'\n').contains("in use by another program"));
        QCOMPARE(seen(w), before.section(u'\n', 0, 1) + "\nB\n" + before.section(u'\n', 3));
    }
    QTRY_COMPARE(w.rs().knownCount(), 100);
    QCOMPARE(w->Text2->text(), QStringLiteral("Bob 1"));
    QVERIFY(w.gridAgreesWithBoxes());

    refused_while_locked(w, db, [&] { QTest::mouseClick(w->lname, Qt::LeftButton); });
    QTRY_COMPARE(w->Text3->text(), QStringLiteral("Brown 101"));  // the column chosen, once free
    QCOMPARE(w.rs().knownCount(), 100);
}

void ProcessFaultsTest::addNeedsNoDatabaseAndCancelCatchesUp()
{
    TempDb db(many_rows());
    Window w(db);
    set_lock_wait(w, 300);
    db.exec("UPDATE dept SET Fname = 'Changed' WHERE cusnum = 1");  // shows once the list is read again
    {
        HeldLock lock(db);
        random_user::BoxGuard guard;
        QTest::mouseClick(w->cmdadd, Qt::LeftButton);
        QCOMPARE(w.state(), state::adding);
        type(w->Text2, "Dora");
        QTest::mouseClick(w->cmdadd, Qt::LeftButton);  // Cancel
        QTRY_VERIFY(!guard.messages.isEmpty());
        QVERIFY(guard.messages.join(u'\n').contains("in use by another program"));
        QCOMPARE(w.state(), state::browse);
    }
    QTRY_COMPARE(w->Text2->text(), QStringLiteral("Changed"));
    QCOMPARE(w.rs().position(), 0);
    QCOMPARE(db.count(), 300);
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
        DriverProcess program({"window", db.target()});
        QVERIFY(program.read_line().startsWith("ok "));
        const qint64 first = next;
        program.write_line(QStringLiteral("save-loop %1 %2").arg(rng()).arg(first));
        QElapsedTimer t;
        t.start();
        const qint64 kill_after = 30 + qint64(rng() % 300);
        static const QRegularExpression line("^(saved|deleted) (\\d+) t(\\d+)( |$)");
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
