// The accounting of tallyhouse-load: every kind of row it must refuse to
// account for, and the later changes that do account for a missing one.

#include "load_check.h"

#include <QTest>

using load::Report;

namespace {

Report saved(int program, qint64 key, const char* token, qint64 start, qint64 end)
{
    return {Report::Saved, program, key, QString::fromLatin1(token), start, end};
}

Report deleted(int program, qint64 key, qint64 start, qint64 end)
{
    return {Report::Deleted, program, key, QStringLiteral("t999"), start, end};
}

Report failed(int program, const char* token)
{
    return {Report::Failed, program, 0, QString::fromLatin1(token), 0, 0};
}

}  // namespace

class LoadCheckTest : public QObject {
    Q_OBJECT
private slots:
    void account_data();
    void account();
};

void LoadCheckTest::account_data()
{
    QTest::addColumn<QList<Report>>("reports");
    QTest::addColumn<load::Rows>("rows");
    QTest::addColumn<QString>("fault");  // a word of the one fault, or "" for none

    const QStringList start{"Maria", "Santos", "a", "e", "p", "c", "d"};
    QTest::newRow("saved, found") << QList<Report>{saved(1, 5, "t10", 0, 10)} << load::Rows{{5, load::textsOf("t10")}, {1, start}}
                                  << "";
    QTest::newRow("saved, missing") << QList<Report>{saved(1, 5, "t10", 0, 10)} << load::Rows{} << "not in the table";
    QTest::newRow("saved, replaced by a later edit")
        << QList<Report>{saved(1, 5, "t10", 0, 10), saved(2, 5, "t20", 12, 20)} << load::Rows{{5, load::textsOf("t20")}} << "";
    QTest::newRow("saved, deleted later") << QList<Report>{saved(1, 5, "t10", 0, 10), deleted(2, 5, 15, 20)} << load::Rows{}
                                          << "";
    QTest::newRow("saved, only an earlier delete")
        << QList<Report>{deleted(2, 5, 0, 4), saved(1, 5, "t10", 5, 10)} << load::Rows{} << "not in the table";
    QTest::newRow("saved under another key") << QList<Report>{saved(1, 5, "t10", 0, 10)} << load::Rows{{6, load::textsOf("t10")}}
                                             << "customer 6 holds it";
    QTest::newRow("saved twice") << QList<Report>{saved(1, 5, "t10", 0, 10)}
                                 << load::Rows{{5, load::textsOf("t10")}, {6, load::textsOf("t10")}} << "2 times";
    QStringList mixed = load::textsOf("t10");
    mixed[3] = load::textsOf("t11")[3];
    QTest::newRow("texts of two saves") << QList<Report>{saved(1, 5, "t10", 0, 10)} << load::Rows{{5, mixed}} << "no Save wrote";
    QTest::newRow("not saved, yet there") << QList<Report>{failed(1, "t10")} << load::Rows{{5, load::textsOf("t10")}}
                                          << "not saved";
    QTest::newRow("never reported") << QList<Report>{} << load::Rows{{5, load::textsOf("t10")}} << "no program reported";
    QTest::newRow("deleted, still there") << QList<Report>{deleted(1, 1, 0, 10)} << load::Rows{{1, start}} << "still there";
    QTest::newRow("deleted, key taken again")
        << QList<Report>{deleted(1, 5, 0, 10), saved(2, 5, "t20", 11, 20)} << load::Rows{{5, load::textsOf("t20")}} << "";
}

void LoadCheckTest::account()
{
    QFETCH(QList<Report>, reports);
    QFETCH(load::Rows, rows);
    QFETCH(QString, fault);
    const QStringList faults = load::account(reports, rows);
    if (fault.isEmpty()) {
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    } else {
        QCOMPARE(faults.size(), 1);
        QVERIFY2(faults[0].contains(fault), qPrintable(faults[0]));
    }
}

QTEST_APPLESS_MAIN(LoadCheckTest)
#include "test_load_check.moc"
