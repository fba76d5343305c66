// Printing, read back from the PDF files with Debian's pdftotext and
// pdfinfo: the list from the window (Ctrl+P) and from tallyhouse-mkdb holds
// exactly the customers listed, in order, each text whole, with "Page N of
// M" right on every page and the locale's paper; labels give one label a
// customer, in order, on the sheet chosen; a cancelled PDF leaves nothing.
// The customers are read as the window lists them on either engine
// (ListingCursor), so SQLite files alone are used here.

// Mouse clicks go through the window system, as a user's do: a right click
// raises a context-menu event only there.
#define QTEST_QPA_MOUSE_HANDLING

#include "support/test_support.h"

#include "ui/datagrid.h"

#include <QDir>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace test;

namespace {

// The listed customers: first names Ma001 to Ma120, their keys in the
// other order, so that the list's order (by name) is not the keys'; the
// second has an address of 2,000 characters, w000 to w332; their e-mail
// addresses are long enough that the columns need landscape. Customers
// named Zed are not listed.
constexpr int kListed = 120;
QString long_address()
{
    QStringList words;
    for (int i = 0; i < 333; ++i)
        words << QStringLiteral("w%1").arg(i, 3, 10, QLatin1Char('0'));
    return words.join(u' ').leftJustified(2000, u'.');
}
QVector<Row> customers()
{
    QVector<Row> rows;
    for (int i = 1; i <= kListed; ++i)
        rows << row(1000 - i, QStringLiteral("Ma%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Last%1").arg(i),
                    i == 2 ? long_address() : QStringLiteral("%1 Main St").arg(i),
                    QStringLiteral("customer.number.%1@example.com").arg(i));
    for (int i = 1; i <= 30; ++i)
        rows << row(i, QStringLiteral("Zed%1").arg(i), QStringLiteral("Other"));
    return rows;
}

QString run(const QString& program, const QStringList& args, const QStringList& env = {})
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : env)
        e.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    p.setProcessEnvironment(e);
    p.start(program, args);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A page of the PDF as text, laid out as printed; 0: every page.
QString pdf_text(const QString& path, int page = 0)
{
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    return run(QStringLiteral("pdftotext"), args << path << QStringLiteral("-"));
}

// What pdfinfo says of a field: "Pages", "Page size".
QString pdf_info(const QString& path, const QString& field)
{
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(field), QRegularExpression::MultilineOption);
    return line.match(run(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
}

// The words of a text that match a pattern, in order.
QStringList words(const QString& text, const QString& pattern)
{
    QStringList out;
    for (const QRegularExpressionMatch& m : QRegularExpression(pattern).globalMatch(text))
        out << m.captured();
    return out;
}

QStringList numbered(const QString& prefix, int from, int to, int width)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << prefix + QStringLiteral("%1").arg(i, width, 10, QLatin1Char('0'));
    return out;
}

// The print dialog answered: the PDF file at path, and the sheet.
void answer_printer(Window& w, const QString& path, const char* sheetId = nullptr)
{
    w->ask_print = [path, sheetId](QPrinter& printer, Printout, print::LabelSheet& sheet) -> QCoro::Task<bool> {
        printer.setOutputFileName(path);
        if (sheetId)
            sheet = *print::label_sheet(QString::fromLatin1(sheetId));
        co_return true;
    };
}

// Opens the grid's menu with a right click and chooses the entry.
void choose(Window& w, QAction* entry)
{
    QTest::mouseClick(w->DataGrid1->viewport(), Qt::RightButton, {}, QPoint(30, 8));
    QMenu* menu = w->transferMenu()->menu();
    QVERIFY(QTest::qWaitFor([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
}

// Sets an environment variable while it lives.
class Env {
public:
    Env(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) { qputenv(name, value); }
    ~Env() { qputenv(name_, old_); }

private:
    const char* name_;
    QByteArray old_;
};

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void listHoldsTheListedCustomersWhole_data();
    void listHoldsTheListedCustomersWhole();
    void labelsOnePerCustomerOnTheSheetChosen_data();
    void labelsOnePerCustomerOnTheSheetChosen();
    void cancelledPdfLeavesNothing();
};

void PrintTest::listHoldsTheListedCustomersWhole_data()
{
    QTest::addColumn<bool>("fromWindow");
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("paper");
    QTest::newRow("window, German paper") << true << QByteArray("de_DE.UTF-8") << QStringLiteral("842 x 595 pts (A4)");
    QTest::newRow("mkdb, US paper") << false << QByteArray("en_US.UTF-8") << QStringLiteral("792 x 612 pts (letter)");
}

void PrintTest::listHoldsTheListedCustomersWhole()
{
    QFETCH(bool, fromWindow);
    QFETCH(QByteArray, locale);
    QFETCH(QString, paper);
    TempDb db(customers());
    const QString pdf = db.dir() + QStringLiteral("/list.pdf");
    if (fromWindow) {
        const Env paperLocale("LC_PAPER", locale);
        Window w(db);
        type(w->Text9, QStringLiteral("ma"));
        QTRY_COMPARE(w->DataGrid1->listedRows(), kListed);
        answer_printer(w, pdf);
        QTest::keyClick(w->Text9, Qt::Key_P, Qt::ControlModifier);
        w.settle();
    } else {
        run(QStringLiteral(TALLYHOUSE_MKDB), {QStringLiteral("--print-pdf"), pdf, QStringLiteral("--first-name-prefix"),
                                              QStringLiteral("ma"), db.target()},
            {QStringLiteral("LC_ALL="), QStringLiteral("LC_PAPER="), QStringLiteral("LANG=") + QString::fromLatin1(locale)});
    }
    QCOMPARE(pdf_info(pdf, QStringLiteral("Page size")), paper);  // landscape: the columns need it
    const int pages = pdf_info(pdf, QStringLiteral("Pages")).toInt();
    QVERIFY(pages >= 3);
    QString all;
    for (int page = 1; page <= pages; ++page) {
        const QString text = pdf_text(pdf, page);
        QCOMPARE(words(text, QStringLiteral("Page \\d+ of \\d+")), QStringList{QStringLiteral("Page %1 of %2").arg(page).arg(pages)});
        QVERIFY(text.contains(QStringLiteral("First name begins with \"ma\"")));
        all += text;
    }
    QCOMPARE(words(all, QStringLiteral("\\b(Ma|Zed)\\d+\\b")), numbered(QStringLiteral("Ma"), 1, kListed, 3));
    QCOMPARE(words(all, QStringLiteral("\\bw\\d{3}\\b")), numbered(QStringLiteral("w"), 0, 332, 3));
}

void PrintTest::labelsOnePerCustomerOnTheSheetChosen_data()
{
    QTest::addColumn<bool>("fromWindow");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("perSheet");
    QTest::addColumn<QString>("paper");
    QTest::newRow("window, A4 3 x 8") << true << QStringLiteral("a4-3x8") << 24 << QStringLiteral("595 x 842 pts (A4)");
    QTest::newRow("mkdb, Letter 3 x 10") << false << QStringLiteral("letter-3x10") << 30 << QStringLiteral("612 x 792 pts (letter)");
}

void PrintTest::labelsOnePerCustomerOnTheSheetChosen()
{
    QFETCH(bool, fromWindow);
    QFETCH(QString, sheet);
    QFETCH(int, perSheet);
    QFETCH(QString, paper);
    TempDb db(customers());
    const QString pdf = db.dir() + QStringLiteral("/labels.pdf");
    if (fromWindow) {
        Window w(db);
        type(w->Text9, QStringLiteral("ma"));
        QTRY_COMPARE(w->DataGrid1->listedRows(), kListed);
        const QByteArray id = sheet.toLatin1();
        answer_printer(w, pdf, id.constData());
        choose(w, w->transferMenu()->printLabels);
        w.settle();
    } else {
        run(QStringLiteral(TALLYHOUSE_MKDB), {QStringLiteral("--print-pdf"), pdf, QStringLiteral("--labels"), sheet,
                                              QStringLiteral("--first-name-prefix"), QStringLiteral("ma"), db.target()});
    }
    QCOMPARE(pdf_info(pdf, QStringLiteral("Page size")), paper);
    const int pages = pdf_info(pdf, QStringLiteral("Pages")).toInt();
    QCOMPARE(pages, (kListed + perSheet - 1) / perSheet);
    QStringList names;
    for (int page = 1; page <= pages; ++page) {
        const QStringList here = words(pdf_text(pdf, page), QStringLiteral("\\b(Ma|Zed)\\d+\\b"));
        QCOMPARE(here.size(), std::min(perSheet, kListed - (page - 1) * perSheet));
        names += here;
    }
    QCOMPARE(names, numbered(QStringLiteral("Ma"), 1, kListed, 3));
    // The address too long for its label ends in a sign that it goes on.
    QVERIFY(pdf_text(pdf, 1).contains(QStringLiteral("…")));
}

void PrintTest::cancelledPdfLeavesNothing()
{
    TempDb db(customers());
    const QString pdf = db.dir() + QStringLiteral("/list.pdf");
    {
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older list");
    }
    const QStringList before = QDir(db.dir()).entryList(QDir::Files);
    Window w(db);
    // Another program's lock keeps the print waiting once it is chosen,
    // while it is cancelled.
    std::unique_ptr<DbLock> lock;
    w->ask_print = [&](QPrinter& printer, Printout, print::LabelSheet&) -> QCoro::Task<bool> {
        printer.setOutputFileName(pdf);
        lock = std::make_unique<DbLock>(db, DbLock::Exclusive);
        co_return true;
    };
    choose(w, w->transferMenu()->print);
    TransferProgress* progress = nullptr;
    QTRY_VERIFY((progress = w->findChild<TransferProgress*>(QStringLiteral("transferProgress"))));
    progress->cancel();
    lock.reset();
    w.settle();
    QCOMPARE(QDir(db.dir()).entryList(QDir::Files), before);
    QFile old(pdf);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("an older list"));
}

QTEST_MAIN(PrintTest)
#include "test_print.moc"
