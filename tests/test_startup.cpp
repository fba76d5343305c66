// Start-up, the window's controls and its lifetime.

#include "support/test_support.h"

#include "app/program.h"
#include "data/modyul.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QStyle>
#include <QTest>
#include <QScopeGuard>
#include <QTranslator>
#include <QUrl>

using namespace test;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void firstRowShownAndEveryRowListed();
    void nullColumnsShowAsEmptyText();
    void emptyTableOpensWithBlankBoxes();
    void missingFileIsReportedAndNotCreated();
    void fileThatIsNotADatabaseIsReported();
    void databaseWithoutDeptIsReported();
    void pathIsProgramDirSlashDb40();
    void closeBoxIsRefused();
    void exitEndsTheProgram();
    void altXEndsAndAltSDoesNothingWhileSaveIsDisabled();
    void controlsHaveTheirGeometryCaptionsAndStates_data();
    void controlsHaveTheirGeometryCaptionsAndStates();
    void fontsAreSansSerifAtTheirSizes();
    void tabOrderVisitsControlsInOrder();
    void captionsFitTheirControls_data();
    void captionsFitTheirControls();
    void untrappedErrorIsShownAndEndsTheProgram();
};

void StartupTest::firstRowShownAndEveryRowListed()
{
    TempDb db(TempDb::sample(), QStringLiteral("Prøgram files with spaces"));
    Window w(db);
    QCOMPARE(w.boxes(), (QStringList{"1", "Maria", "Santos", "addr", "e@x", "555", "Sales", "100"}));
    QCOMPARE(w->DataGrid1->model()->rowCount(), 7);
    QCOMPARE(w->DataGrid1->model()->columnCount(), 10);
    QCOMPARE(w->DataGrid1->model()->index(4, 2).data().toString(), QStringLiteral("Ødegaard"));
    QCOMPARE(w->DataGrid1->currentIndex().row(), 0);
    QVERIFY(w->cmdnext->isEnabled());
    QVERIFY(!w->cmdsave->isEnabled());
    QVERIFY(w->Text2->hasFocus());
}

void StartupTest::nullColumnsShowAsEmptyText()
{
    TempDb db({row(1, "Ann", QVariant(), "addr", QVariant(), QVariant(), "9", QVariant())});
    Window w(db);
    QCOMPARE(w.boxes(), (QStringList{"1", "Ann", "", "addr", "", "", "", "9"}));
}

void StartupTest::emptyTableOpensWithBlankBoxes()
{
    TempDb db;
    Window w(db);
    QCOMPARE(w.boxes(), QStringList(8, QString()));
    QVERIFY(!w->cmdnext->isEnabled());
    QVERIFY(!w->cmddel->isEnabled());
    QVERIFY(!w->cmdedit->isEnabled());
    QVERIFY(w->cmdadd->isEnabled());  // an empty table can be filled
    QVERIFY(w->cmdexit->isEnabled());
}

namespace {
// Loads the window on a database (a file or a server URL) and returns the
// message of the error that stopped it, or "" when it loaded.
QString load_failure(const QString& target)
{
    QString message;
    {
        CustomerList list(target);
        Form1 form(list);
        try {
            test::await(form.Form_Load());
        } catch (const DbError& e) {
            message = e.message();
        }
    }
    return message;
}
}  // namespace

void StartupTest::missingFileIsReportedAndNotCreated()
{
    SKIP_ON_SERVER("a missing file");
    QTemporaryDir dir;
    const QString message = load_failure(modyul::db_path(dir.path()));
    QVERIFY2(message.contains(dir.path() + "/db40.mdb"), qPrintable(message));
    QVERIFY(message.contains("does not exist"));
    QVERIFY(!QFile::exists(dir.path() + "/db40.mdb"));
}

void StartupTest::fileThatIsNotADatabaseIsReported()
{
    SKIP_ON_SERVER("a file that is not a database");
    QTemporaryDir dir;
    QFile f(dir.path() + "/db40.mdb");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    const QString message = load_failure(modyul::db_path(dir.path()));
    QVERIFY2(message.contains("not a database"), qPrintable(message));
    QVERIFY(message.contains(dir.path()));
    QCOMPARE(QFileInfo(f).size(), 4096);
}

void StartupTest::databaseWithoutDeptIsReported()
{
    TempDb db;
    db.exec("DROP TABLE dept");
    const QString message = load_failure(db.target());
    QVERIFY2(message.contains("no table dept"), qPrintable(message));
    // The database is named: the file, or the server's database.
    QVERIFY(message.contains(on_server() ? '"' + QUrl(db.target()).path().mid(1) + '"' : db.path()));
}

void StartupTest::pathIsProgramDirSlashDb40()
{
    QCOMPARE(modyul::db_path("/opt/tally house"), QStringLiteral("/opt/tally house/db40.mdb"));
    QCOMPARE(modyul::db_path("/"), QStringLiteral("/db40.mdb"));
}

void StartupTest::closeBoxIsRefused()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    QVERIFY(w.ended.isEmpty());
}

void StartupTest::exitEndsTheProgram()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::mouseClick(w->cmdexit, Qt::LeftButton);
    QCOMPARE(w.ended, QList<int>{0});
}

void StartupTest::altXEndsAndAltSDoesNothingWhileSaveIsDisabled()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::keyClick(w.get(), Qt::Key_S, Qt::AltModifier);
    QTest::qWait(200);
    QVERIFY(w.ended.isEmpty());
    QCOMPARE(w->cmdadd->text(), QStringLiteral("&Add"));
    QTest::keyClick(w.get(), Qt::Key_X, Qt::AltModifier);
    QTRY_COMPARE(w.ended, QList<int>{0});
}

void StartupTest::controlsHaveTheirGeometryCaptionsAndStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    auto add = [](const char* name, const char* parent, QRect r, const char* caption, bool enabled = true) {
        QTest::newRow(name) << QString(name) << QString(parent) << r << QString::fromUtf8(caption) << enabled;
    };
    add("Frame1", "Form1", {240, 120, 7095, 2655}, "Customer Information");
    add("Frame2", "Form1", {840, 2640, 6015, 1215}, "");
    add("Frame3", "Form1", {7440, 600, 2895, 1215}, "Filter:");
    add("DataGrid1", "Form1", {120, 3960, 14895, 5415}, "");
    add("Text1", "Form1", {8400, 10560, 1935, 375}, "");
    add("Text4", "Frame1", {1200, 840, 5055, 375}, "");
    add("Text8", "Frame1", {4320, 1800, 1935, 375}, "");
    add("Label6", "Frame1", {3360, 1920, 975, 255}, "Credit Limit:");
    add("Label8", "Frame1", {3360, 1440, 975, 255}, "Phone #");
    add("cmdadd", "Frame2", {240, 240, 1095, 375}, "&Add");
    add("cmdsave", "Frame2", {2400, 240, 1095, 375}, "&Save", false);
    add("cmdexit", "Frame2", {4560, 240, 1095, 375}, "E&xit");
    add("cmdlast", "Frame2", {3960, 720, 1095, 375}, "&Last");
    add("fname", "Frame3", {240, 360, 1095, 195}, "First Name");
    add("lname", "Frame3", {1440, 360, 1335, 255}, "Last Name");
    add("Text9", "Frame3", {240, 720, 2415, 375}, "");
    add("lblposition", "Form1", {120, 9480, 14895, 255}, "Customer 1 of 7");  // under the grid
}

void StartupTest::controlsHaveTheirGeometryCaptionsAndStates()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    TempDb db(TempDb::sample());
    Window w(db);
    auto* c = w->findChild<QWidget*>(name);
    QVERIFY(c);
    QCOMPARE(c->parentWidget()->objectName(), parent);
    QCOMPARE(c->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    QCOMPARE(c->isEnabled(), enabled);
    if (auto* b = qobject_cast<QAbstractButton*>(c))
        QCOMPARE(b->text(), caption);
    else if (auto* g = qobject_cast<QGroupBox*>(c))
        QCOMPARE(g->title(), caption);
    else if (auto* l = qobject_cast<QLabel*>(c))
        QCOMPARE(l->text(), caption);
}

void StartupTest::fontsAreSansSerifAtTheirSizes()
{
    TempDb db(TempDb::sample());
    Window w(db);
    QCOMPARE(w->font().pointSizeF(), 8.25);
    QCOMPARE(w->Frame1->font().pointSizeF(), 13.5);
    QCOMPARE(w->Frame3->font().weight(), QFont::Bold);
    QCOMPARE(w->Label1->font().pointSizeF(), 8.25);  // not the frame's
    QCOMPARE(w->Text2->font().weight(), QFont::Normal);
    const QString family = QFontInfo(w->Label1->font()).family();
    const QStringList sansSerif{"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "Nimbus Sans", "DejaVu Sans"};
    QVERIFY2(sansSerif.contains(family), qPrintable(family));
    QCOMPARE(w->windowTitle().left(14), QStringLiteral("Tallyhouse  - "));
    QCOMPARE(w->size(), QSize(1016, 734));
}

void StartupTest::tabOrderVisitsControlsInOrder()
{
    TempDb db(TempDb::sample());
    Window w(db);
    const QStringList expected{"Text2", "Text3", "Text4", "text5", "Text6", "Text7", "Text8", "cmdadd",
                               "cmdedit", "cmddel", "cmdfirst", "cmdprev", "cmdnext", "cmdlast",
                               "DataGrid1", "Text9", "fname", "cmdexit", "Text2"};
    w->Text2->setFocus();
    QStringList seen{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, expected);
}

// The window in the user's language, as LANG names it, from the catalogues
// compiled into the program: its texts, those of a message box and of Qt's
// buttons on it, a count in the singular, and every caption fits.
void StartupTest::captionsFitTheirControls_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QStringList>("texts");
    // Frame, label, Add, Exit, option, position line; the delete box's title,
    // text and buttons; one customer counted.
    QTest::newRow("C") << "C.UTF-8"
                       << QStringList{"Customer Information", "First Name:", "&Add", "E&xit", "Last Name",
                                      "Customer 2 of 7", "Comfirm Delete?", "Do you really want to delete this record?",
                                      "&Yes|&No", "1 customer"};
    QTest::newRow("es") << "es_ES.UTF-8"
                        << QStringList{"Datos del cliente", "Nombre:", "&Añadir", "&Salir", "Apellido", "Cliente 2 de 7",
                                       "¿Confirmar la eliminación?", "¿Seguro que quiere eliminar este registro?", "&Sí|&No",
                                       "1 cliente"};
    QTest::newRow("de") << "de_DE.UTF-8"
                        << QStringList{"Kundendaten", "Vorname:", "&Hinzufügen", "B&eenden", "Nachname", "Kunde 2 von 7",
                                       "Löschen bestätigen?", "Möchten Sie diesen Datensatz wirklich löschen?", "&Ja|&Nein",
                                       "1 Kunde"};
}

void StartupTest::captionsFitTheirControls()
{
    QFETCH(QString, lang);
    QFETCH(QStringList, texts);
    QProcessEnvironment env;
    env.insert("LANG", lang);
    install_translations(*qApp, user_languages(env), {QStringLiteral(":/i18n")});
    const auto english = qScopeGuard([] { qDeleteAll(qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)); });
    TempDb db(TempDb::sample());
    Window w(db);
    QTest::mouseClick(w->cmdnext, Qt::LeftButton);
    QCOMPARE((QStringList{w->Frame1->title(), w->Label1->text(), w->cmdadd->text(), w->cmdexit->text(), w->lname->text(),
                          w->lblposition->text()}),
             texts.mid(0, 6));
    auto box = answer_next_message_box(QMessageBox::No);
    QTest::mouseClick(w->cmddel, Qt::LeftButton);
    QTRY_VERIFY(box->seen);
    QCOMPARE((QStringList{box->title, box->text, box->buttonTexts.join(u'|'),
                          QCoreApplication::translate("Form1", "%n customers", nullptr, 1)}),
             texts.mid(6));
    QCOMPARE(db.count(), 7);

    for (QLabel* l : w->findChildren<QLabel*>()) {
        // A label may run under the box beside it by 15 twips (one pixel).
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width() + 1, qPrintable(l->text()));
    }
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
        const QString caption = QString(b->text()).remove(u'&');
        if (caption.isEmpty())
            continue;  // the grid's corner button
        const int indicator = qobject_cast<QRadioButton*>(b)
            ? b->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) + b->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing)
            : 4;
        // The ink of the caption, not its advance, must fit.
        const int ink = b->fontMetrics().tightBoundingRect(caption).right() + 1;
        QVERIFY2(ink + indicator <= b->width(), qPrintable(QString("%1: %2 + %3 > %4").arg(caption).arg(ink).arg(indicator).arg(b->width())));
    }
}

void StartupTest::untrappedErrorIsShownAndEndsTheProgram()
{
    TempDb db(TempDb::sample());
    Window w(db);
    db.exec("DROP TABLE dept");
    auto box = answer_next_message_box(QMessageBox::Ok);
    QTest::keyClicks(w->Text9, "m");
    QTRY_VERIFY(box->seen);
    QVERIFY2(box->text.startsWith("Run-time error '"), qPrintable(box->text));
    QVERIFY2(box->text.contains("dept"), qPrintable(box->text));
    QCOMPARE(w.ended, QList<int>{1});
}

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
