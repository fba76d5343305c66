// Faults of the database file while the program runs or starts: made
// read-only, deleted, replaced, a full disk, damage. Each is told to the
// user, and a second connection shows nothing lost or half-written.

#include "random_user/session.h"

#include "data/transfer/customer_export.h"
#include "data/modyul.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <cstdio>
#include <unistd.h>

using namespace test;

namespace {

QByteArray bytes_of(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The immutable attribute makes a file read-only even for root, also
// through descriptors opened before; chmod does neither.
struct ReadOnly {
    explicit ReadOnly(QString path) : path(std::move(path))
    {
        ok = QProcess::execute(QStringLiteral("chattr"), {"+i", this->path}) == 0;
    }
    ~ReadOnly() { lift(); }
    void lift()
    {
        if (ok)
            QProcess::execute(QStringLiteral("chattr"), {"-i", path});
        ok = false;
    }
    QString path;
    bool ok = false;
};

// The program's directory on a small file system of its own, to fill up:
// a tmpfs is mounted over it and the database copied onto it. Unmounting
// brings back the directory as it was.
struct SmallDisk {
    SmallDisk(const TempDb& db, int kib) : dir(db.dir())
    {
        const QByteArray bytes = bytes_of(db.path());
        ok = QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(kib), "tmpfs", dir}) == 0;
        QFile f(db.path());
        ok = ok && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    ~SmallDisk() { QProcess::execute(QStringLiteral("umount"), {dir}); }
    // Writes a file until the disk is full, then gives back `spare` bytes.
    void fill(qint64 spare)
    {
        QFile filler(dir + QStringLiteral("/filler"));
        filler.open(QIODevice::WriteOnly | QIODevice::Truncate);
        const QByteArray chunk(4096, 'f');
        while (filler.write(chunk) == chunk.size() && filler.flush()) {}
        filler.close();
        filler.resize(std::max<qint64>(0, filler.size() - spare));
    }
    void make_room() { QFile::remove(dir + QStringLiteral("/filler")); }
    QString dir;
    bool ok = false;
};

void start_add(Window& w, const QString& first)
{
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    w.settle();
    type(w->Text2, first);
    type(w->Text3, "Lee");
    type(w->Text8, "900");
}

// Clicks Save, or Delete answered Yes, and returns the message shown once
// the window has answered the click.
QString click_answering(QPushButton* button)
{
    random_user::BoxGuard guard;
    guard.expect_confirmation(true);
    QTest::mouseClick(button, Qt::LeftButton);
    if (!wait_idle(*qobject_cast<Form1*>(button->window())))
        qWarning("the window is still busy after 30 s");
    return guard.messages.join(u'\n');
}

// The program kept the add going: texts in place, Save there to retry.
void verify_add_kept(Window& w, const QString& first)
{
    QVERIFY(w.ended.isEmpty());
    QCOMPARE(w->cmdadd->text(), QStringLiteral("&Cancel"));
    QVERIFY(w->cmdsave->isEnabled());
    QVERIFY(!w->Text2->isReadOnly());
    QCOMPARE(w->Text2->text(), first);
    QCOMPARE(w->Text8->text(), QStringLiteral("900"));
}

}  // namespace

class FileFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void readOnlyWhileRunning();
    void readOnlyAtStartUp();
    void deletedWhileRunning();
    void replacedWhileRunning();
    void diskFullDuringSave();
    void exportOntoAFullDiskTellsTheSystemsReason();
    void damagedFileAtStartUp_data();
    void damagedFileAtStartUp();
};

void FileFaultsTest::readOnlyWhileRunning()
{
    TempDb db(TempDb::sample());
    Window w(db);
    start_add(w, "Ann");
    ReadOnly ro(db.path());
    if (!ro.ok)
        QSKIP("chattr +i is not available here (needs root on ext2/3/4 or a like file system)");

    QString message = click_answering(w->cmdsave);
    QVERIFY2(message.contains("not saved") && message.contains("read-only") && message.contains(db.path()), qPrintable(message));
    verify_add_kept(w, "Ann");
    QCOMPARE(db.rows(), TempDb::sample());
    QVERIFY(!QFile::exists(db.path() + "-journal"));  // nothing left to roll back

    ro.lift();
    QCOMPARE(click_answering(w->cmdsave), QString());
    QCOMPARE(db.rows("WHERE Fname = 'Ann'").size(), 1);

    // A Delete on the read-only file leaves the row, and the program runs.
    ReadOnly again(db.path());
    QTest::mouseClick(w->cmdfirst, Qt::LeftButton);
    w.settle();
    message = click_answering(w->cmddel);
    QVERIFY2(message.contains("not deleted") && message.contains("read-only"), qPrintable(message));
    QCOMPARE(db.count(), 8);
    QCOMPARE(w->Text2->text(), QStringLiteral("Maria"));
    QVERIFY(w.ended.isEmpty());
    QCOMPARE(db.integrity(), QStringLiteral("ok"));
    again.lift();
    QCOMPARE(click_answering(w->cmddel), QString());
    QCOMPARE(db.rows("WHERE cusnum = 1").size(), 0);
}

void FileFaultsTest::readOnlyAtStartUp()
{
    TempDb db(TempDb::sample());
    ReadOnly ro(db.path());
    if (!ro.ok)
        QSKIP("chattr +i is not available here");
    Window w(db);
    QCOMPARE(w->Text2->text(), QStringLiteral("Maria"));
    start_add(w, "Ann");
    const QString message = click_answering(w->cmdsave);
    QVERIFY2(message.contains("read-only"), qPrintable(message));
    verify_add_kept(w, "Ann");
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);  // Cancel
    w.settle();
    QVERIFY(w.ended.isEmpty());
    QCOMPARE(w->Text2->text(), QStringLiteral("Maria"));
    QCOMPARE(db.rows(), TempDb::sample());
}

void FileFaultsTest::deletedWhileRunning()
{
    TempDb db(TempDb::sample());
    Window w(db);
    const QString kept = db.dir() + "/kept.mdb";
    QCOMPARE(::link(qPrintable(db.path()), qPrintable(kept)), 0);  // the file lives on under another name
    QVERIFY(QFile::remove(db.path()));

    start_add(w, "Ann");
    QString message = click_answering(w->cmdsave);
    QVERIFY2(message.contains("not saved") && message.contains("deleted or moved") && message.contains(db.path()), qPrintable(message));
    verify_add_kept(w, "Ann");
    QVERIFY(!QFile::exists(db.path()));  // nothing created in its place
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);  // Cancel: the rows read before are still shown
    w.settle();
    QCOMPARE(w->Text2->text(), QStringLiteral("Maria"));
    message = click_answering(w->cmddel);
    QVERIFY2(message.contains("not deleted") && message.contains("deleted or moved"), qPrintable(message));
    QVERIFY(w.ended.isEmpty());

    // The same file back in its place: saving works again.
    QCOMPARE(::link(qPrintable(kept), qPrintable(db.path())), 0);
    start_add(w, "Ann");
    QCOMPARE(click_answering(w->cmdsave), QString());
    QCOMPARE(db.count(), 8);
    QCOMPARE(db.integrity(), QStringLiteral("ok"));
}

void FileFaultsTest::replacedWhileRunning()
{
    TempDb db(TempDb::sample());
    TempDb other({row(1, "Other", "File")});
    Window w(db);
    const QString kept = db.dir() + "/kept.mdb";
    QCOMPARE(::link(qPrintable(db.path()), qPrintable(kept)), 0);
    QCOMPARE(std::rename(qPrintable(other.path()), qPrintable(db.path())), 0);

    QTest::mouseClick(w->cmdedit, Qt::LeftButton);
    QTest::keyClick(w->Text2, Qt::Key_End);
    type(w->Text2, "X");
    const QString message = click_answering(w->cmdsave);
    QVERIFY2(message.contains("replaced by another file"), qPrintable(message));
    QVERIFY(w.ended.isEmpty());
    QCOMPARE(w->Text2->text(), QStringLiteral("MariaX"));
    QVERIFY(w->cmdsave->isEnabled());
    // Neither the new file nor the one the program opened was changed.
    QCOMPARE(db.rows(), (QVector<Row>{row(1, "Other", "File")}));
    QFile::remove(db.path());
    QVERIFY(QFile::rename(kept, db.path()));
    QCOMPARE(db.rows(), TempDb::sample());
}

void FileFaultsTest::diskFullDuringSave()
{
    const QString text = QString::fromUtf8("Ø").repeated(20000);  // a row over several pages
    // From no room at all to enough: the disk fills while the journal is
    // written, while the file grows, or not at all.
    int refused = 0;
    for (int spare = 0; spare <= 64 * 1024; spare += 8 * 1024) {
        TempDb db(TempDb::sample());
        SmallDisk disk(db, 512);
        if (!disk.ok)
            QSKIP("mounting a small tmpfs needs root");
        Window w(db);
        disk.fill(spare);
        QTest::mouseClick(w->cmdadd, Qt::LeftButton);
        w.settle();
        type(w->Text2, "Full");
        QApplication::clipboard()->setText(text);
        QTest::mouseClick(w->Text4, Qt::LeftButton);
        QTest::keyClick(w->Text4, Qt::Key_V, Qt::ControlModifier);

        const QString message = click_answering(w->cmdsave);
        if (!message.isEmpty()) {
            ++refused;
            QVERIFY2(message.contains("not saved") && message.contains("full"), qPrintable(message));
            QCOMPARE(w->Text4->text(), text);
            QVERIFY(w->cmdsave->isEnabled());
            QCOMPARE(db.rows(), TempDb::sample());
            QCOMPARE(db.integrity(), QStringLiteral("ok"));
            disk.make_room();
            QCOMPARE(click_answering(w->cmdsave), QString());
        }
        QVERIFY(w.ended.isEmpty());
        const QVector<Row> saved = db.rows("WHERE Fname = 'Full'");
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved[0][3].toString(), text);
        QCOMPARE(db.count(), 8);
        QCOMPARE(db.integrity(), QStringLiteral("ok"));
    }
    QVERIFY(refused > 0);
}

// The disk fills in the middle of a write: the reason is the system's,
// not "Unknown error".
void FileFaultsTest::exportOntoAFullDiskTellsTheSystemsReason()
{
    QVector<Row> rows;
    for (int key = 1; key <= 10; ++key)
        rows << row(key, "Long", "Row", QString(100000, u'x'));
    TempDb db(rows);
    SmallDisk disk(db, 1024);
    if (!disk.ok)
        QSKIP("mounting a small tmpfs needs root");
    disk.fill(64 * 1024);
    Window w(db);
    QFile file(db.dir() + QStringLiteral("/customers.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const ExportResult result = await(w.list().export_csv(file.fileName(), std::make_shared<CustomerList::Progress>()));
    QCOMPARE(result.outcome, ExportResult::WriteFailed);
    QCOMPARE(result.error, QStringLiteral("No space left on device"));
}

void FileFaultsTest::damagedFileAtStartUp_data()
{
    QTest::addColumn<QByteArray>("damaged");
    QVector<Row> rows;
    for (int i = 1; i <= 300; ++i)
        rows << row(i, QStringLiteral("Name%1").arg(i), QStringLiteral("Last%1").arg(i), QString(200, u'a'));
    TempDb good(rows);
    const QByteArray bytes = bytes_of(good.path());
    const int pages = int(bytes.size() / 4096);
    for (int cut : {0, 50, 100, 4096, 8192, int(bytes.size() / 2), int(bytes.size()) - 4096})
        QTest::newRow(qPrintable(QStringLiteral("cut at %1").arg(cut))) << bytes.left(cut);
    for (int page : {0, 1, 2, 3, pages / 2, pages - 1}) {
        QByteArray garbled = bytes;
        for (int i = 0; i < 256; ++i)
            garbled[page * 4096 + 100 * (page == 0) + i] = char(0xA5 ^ i);
        QTest::newRow(qPrintable(QStringLiteral("page %1 garbled").arg(page + 1))) << garbled;
    }
    QByteArray header = bytes;
    header.replace(0, 16, "Not a database!!");
    QTest::newRow("header") << header;
}

// A damaged file is reported naming the file, or opens and shows what it
// can; either way the program neither crashes nor writes to it.
void FileFaultsTest::damagedFileAtStartUp()
{
    QFETCH(QByteArray, damaged);
    TempDb db;
    {
        QFile f(db.path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(damaged);
    }
    {
        CustomerList list(db.path());
        Form1 form(list);
        try {
            await(form.Form_Load());
            form.show();
            random_user::BoxGuard guard;  // a failing read ends the program with a message
            for (int i = 0; i < 310; ++i)
                QTest::mouseClick(form.cmdnext, Qt::LeftButton);
            QTest::mouseClick(form.cmdlast, Qt::LeftButton);
            if (form.Text9->isEnabled())
                QTest::keyClicks(form.Text9, "Name2");
            QVERIFY(wait_idle(form));
            // Damage found later ends the program, with its message.
            QCOMPARE(!form.isEnabled(), !guard.messages.isEmpty());
            for (const QString& m : guard.messages)
                QVERIFY2(m.contains("malformed"), qPrintable(m));
        } catch (const DbError& e) {
            QVERIFY2(e.message().startsWith("Cannot open the database \"" + db.path() + "\": "), qPrintable(e.message()));
        }
    }
    QCOMPARE(bytes_of(db.path()), damaged);
    QVERIFY(!QFile::exists(db.path() + "-journal"));
}

QTEST_MAIN(FileFaultsTest)
#include "test_faults_file.moc"
