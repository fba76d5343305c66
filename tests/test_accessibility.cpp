// What screen readers read of the window, through Qt's accessibility
// interfaces.

#include "support/test_support.h"

#include <QAccessible>
#include <QTest>

using namespace test;

namespace {
QAccessibleInterface* accessible(QObject* o)
{
    return QAccessible::queryAccessibleInterface(o);
}

QString name_of(QObject* o)
{
    return accessible(o)->text(QAccessible::Name);
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAreNamedByTheirCaptionsAndMessagesAreAlerts();
};

void AccessibilityTest::controlsAreNamedByTheirCaptionsAndMessagesAreAlerts()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QStringList boxes;
    for (QLineEdit* box : w->recordBoxes().mid(1))
        boxes << name_of(box);
    QCOMPARE(boxes, (QStringList{"First Name", "Last Name", "Address", "E-Mail", "Phone #", "Dept. Name", "Credit Limit"}));
    QCOMPARE(name_of(w->Text9), QStringLiteral("Filter"));
    QStringList buttons;
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             w->cmdadd, w->cmdedit, w->cmdsave, w->cmddel, w->cmdexit, w->cmdfirst, w->cmdprev, w->cmdnext,
             w->cmdlast, w->fname, w->lname})
        buttons << name_of(b);
    QCOMPARE(buttons, (QStringList{"Add", "Edit", "Save", "Delete", "Exit", "First", "Previous", "Next", "Last",
                                   "First Name", "Last Name"}));
    QCOMPARE(accessible(w->DataGrid1)->role(), QAccessible::Table);
    QCOMPARE(name_of(w->DataGrid1), QStringLiteral("Customers"));

    // Add reads Cancel while it cancels an add.
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);
    QCOMPARE(name_of(w->cmdadd), QStringLiteral("Cancel"));
    QTest::mouseClick(w->cmdadd, Qt::LeftButton);

    auto confirm = answer_next_message_box(QMessageBox::No);
    QTest::mouseClick(w->cmddel, Qt::LeftButton);
    QVERIFY(confirm->seen);
    QCOMPARE(confirm->role, QAccessible::AlertMessage);
    auto notice = answer_next_message_box(QMessageBox::Ok);
    db.exec("DELETE FROM dept WHERE cusnum = 1");
    w->cmdedit->click();
    w->cmdsave->click();
    QVERIFY(notice->seen);
    QVERIFY2(notice->text.contains("deleted"), qPrintable(notice->text));
    QCOMPARE(notice->role, QAccessible::AlertMessage);
}

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
