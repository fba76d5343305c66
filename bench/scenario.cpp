#include "scenario.h"

#include "data/modyul.h"
#include "data/sqlite_engine.h"
#include "form/form1.h"
#include "sqlite_floor.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <sys/resource.h>

namespace bench {

namespace {

double msSince(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

// Counts the paints of a widget, to know that a result reached the screen.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class Session {
public:
    Session(const QString& programDir, const QElapsedTimer& sinceMain);

    void filter(int reps);
    void navigate(int reps);
    void grid(int reps);
    void changes(int reps);

    double startupMs = 0;  // from main() to the first row painted
    double loadMs = 0;     // from Form1's construction to that paint
    SqliteFloor::Answer startupFloor;

private:
    void sample(const char* op, double ms, const SqliteFloor::Answer& floor);
    // Runs f, then lets Qt paint what changed; the time of both.
    template <class F>
    double timed(F f)
    {
        QElapsedTimer t;
        t.start();
        f();
        settle();
        return msSince(t);
    }
    void settle();
    void check(bool ok, const QString& what) const;
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    qint64 shownKey() const { return form_->Text1->text().toLongLong(); }
    // The key the grid shows for the row at a record-set position.
    qint64 gridKey(qint64 position) const
    {
        return grid()->model()->index(int(position - grid()->firstShown()), 0).data().toLongLong();
    }
    DataGrid* grid() const { return form_->DataGrid1; }
    // The shown row and the grid's rows must be the ones SQLite read.
    void checkShown(const SqliteFloor::Answer& floor, qint64 firstRow, const QString& what) const;
    // The grid's current row is the record set's and shows the boxes' row.
    void checkGridAgrees(const QString& what) const;

    std::unique_ptr<modyul::Data> data_;
    std::unique_ptr<Form1> form_;
    std::unique_ptr<SqliteFloor> floor_;
    PaintCounter painted_;
    QTimer watchdog_;
    bool expectingBox_ = false;
    int visible_ = 0;  // rows the grid shows at once
};

Session::Session(const QString& programDir, const QElapsedTimer& sinceMain)
{
    QElapsedTimer load;
    load.start();
    data_ = std::make_unique<modyul::Data>(modyul::db_path(programDir));
    form_ = std::make_unique<Form1>(*data_);
    form_->Form_Load();
    grid()->viewport()->installEventFilter(&painted_);
    form_->show();
    while (painted_.paints == 0) {
        QCoreApplication::processEvents();
        if (load.elapsed() > 60000)
            throw std::runtime_error("the window was never painted");
    }
    startupMs = msSince(sinceMain);
    loadMs = msSince(load);
    check(!form_->Text1->text().isEmpty(), QStringLiteral("a first row is shown"));

    visible_ = grid()->rowScrollBar()->pageStep();
    floor_ = std::make_unique<SqliteFloor>(SqliteEngine::handle(data_->cn));
    startupFloor = SqliteFloor::openCountRead(data_->target, visible_);
    checkShown(startupFloor, 0, QStringLiteral("start-up"));

    // A message box nobody answers would stop the benchmark for good.
    QObject::connect(&watchdog_, &QTimer::timeout, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && !expectingBox_) {
            std::fprintf(stderr, "unexpected message box: %s\n", qPrintable(box->text()));
            std::_Exit(3);
        }
    });
    watchdog_.start(500);
    QApplication::setActiveWindow(form_.get());
}

void Session::settle()
{
    // Widgets post their repaints; two rounds paint them and whatever the
    // first round's painting posted in turn.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void Session::check(bool ok, const QString& what) const
{
    if (!ok)
        throw std::runtime_error(("the window disagrees with SQLite: " + what).toStdString());
}

void Session::checkShown(const SqliteFloor::Answer& floor, qint64 firstRow, const QString& what) const
{
    check(!floor.keys.isEmpty() && shownKey() == floor.keys.front(),
          what + QStringLiteral(": shown %1, SQLite read %2").arg(shownKey()).arg(floor.keys.value(0)));
    check(grid()->firstShown() + grid()->currentIndex().row() == firstRow, what + QStringLiteral(": grid's current row"));
    for (int i = 0; i < floor.keys.size(); ++i)
        check(gridKey(firstRow + i) == floor.keys[i], what + QStringLiteral(": grid row %1").arg(firstRow + i));
}

void Session::checkGridAgrees(const QString& what) const
{
    const qint64 position = data_->rs.position();
    check(grid()->firstShown() + grid()->currentIndex().row() == position && gridKey(position) == shownKey(),
          what + QStringLiteral(": grid and boxes"));
}

void Session::sample(const char* op, double ms, const SqliteFloor::Answer& floor)
{
    std::printf("sample\t%s\t%.3f\t%.3f\n", op, ms, floor.ms);
}

void Session::filter(int reps)
{
    static const char* const typed[] = {"type \"m\"", "type \"ma\"", "type \"mar\"", "type \"mart\""};
    static const char* const deleted[] = {"delete to \"mar\"", "delete to \"ma\"", "delete to \"m\"", "delete to empty"};
    QLineEdit* box = form_->Text9;
    const QString name = QStringLiteral("mart");
    for (int rep = 0; rep < reps; ++rep) {
        for (int i = 0; i < 8; ++i) {
            const bool typing = i < 4;
            const double ms = timed([&] {
                if (typing)
                    QTest::keyClick(box, name[i].toLatin1());
                else
                    QTest::keyClick(box, Qt::Key_Backspace);
            });
            const QString text = box->text();
            const auto floor = floor_->countAndRead(text.isEmpty() ? QString() : text + u'%', visible_);
            check(data_->rs.recordCount() == floor.count, QStringLiteral("count for \"%1\"").arg(text));
            checkShown(floor, 0, QStringLiteral("filter \"%1\"").arg(text));
            sample(typing ? typed[i] : deleted[i - 4], ms, floor);
        }
    }
}

void Session::navigate(int reps)
{
    const qint64 count = data_->rs.recordCount();
    struct Step {
        const char* op;
        QPushButton* button;
        qint64 position;
    };
    const Step steps[] = {{"Last", form_->cmdlast, count - 1},
                          {"Previous", form_->cmdprev, count - 2},
                          {"First", form_->cmdfirst, 0},
                          {"Next", form_->cmdnext, 1}};
    for (int rep = 0; rep < reps; ++rep) {
        for (const Step& s : steps) {
            const double ms = timed([&] { click(s.button); });
            const auto floor = floor_->rowsAt(s.position, count, 1);
            checkShown(floor, s.position, QString::fromLatin1(s.op));
            sample(s.op, ms, floor);
        }
    }
}

void Session::grid(int reps)
{
    const qint64 count = data_->rs.recordCount();
    QScrollBar* bar = grid()->rowScrollBar();
    QWidget* viewport = grid()->viewport();
    auto choose = [&](const char* op, int row) {
        const qint64 position = grid()->firstShown() + row;
        const QRect cell = grid()->visualRect(grid()->model()->index(row, 1));
        const double ms = timed([&] { QTest::mouseClick(viewport, Qt::LeftButton, {}, cell.center()); });
        const auto floor = floor_->rowsAt(position, count, 1);
        checkShown(floor, position, QString::fromLatin1(op));
        sample(op, ms, floor);
    };
    for (int rep = 0; rep < reps; ++rep) {
        // A different part of the middle each time, so no repetition finds
        // its rows already read.
        const int middle = int(std::min<qint64>(count / 2 + rep * 1000, bar->maximum()));
        double ms = timed([&] { bar->setValue(middle); });
        auto floor = floor_->rowsAt(middle, count, visible_);
        check(gridKey(middle) == floor.keys.value(0), QStringLiteral("grid row %1 in the middle: %2, SQLite %3").arg(middle).arg(gridKey(middle)).arg(floor.keys.value(0)));
        sample("scroll grid to the middle", ms, floor);
        choose("choose a row in the middle", visible_ / 2);

        ms = timed([&] { bar->setValue(bar->maximum()); });
        floor = floor_->rowsAt(count - visible_, count, visible_);
        check(gridKey(count - 1) == floor.keys.value(floor.keys.size() - 1), QStringLiteral("grid's last row"));
        sample("scroll grid to the end", ms, floor);
        choose("choose the last row", grid()->model()->rowCount() - 1);

        click(form_->cmdfirst);
        settle();
    }
}

void Session::changes(int reps)
{
    const qint64 count = data_->rs.recordCount();
    const QStringList texts{"Zacharias", "Quist", "1 Bench Road", "zq@example.com", "555-0000", "Bench", "900"};
    for (int rep = 0; rep < reps; ++rep) {
        click(form_->cmdadd);
        settle();
        const QList<QLineEdit*> boxes = form_->recordBoxes().mid(1);
        for (int i = 0; i < boxes.size(); ++i)
            boxes[i]->setText(texts[i]);
        double ms = timed([&] { click(form_->cmdsave); });
        const qint64 key = shownKey();
        check(form_->Text2->text() == texts[0] && data_->rs.recordCount() == count + 1, QStringLiteral("saved new row"));
        checkGridAgrees(QStringLiteral("saved new row"));
        const QString insert = QStringLiteral("INSERT INTO dept (cusnum, Fname, Lname) VALUES (?, ?, ?)");
        auto floor = floor_->changeAndRead(insert, {key + 1, texts[0], texts[1]}, visible_, true);
        floor_->exec(QStringLiteral("DELETE FROM dept WHERE cusnum = ?"), {key + 1});
        sample("Save a new row", ms, floor);

        click(form_->cmdedit);
        settle();
        form_->Text3->setText(QStringLiteral("Edited"));
        ms = timed([&] { click(form_->cmdsave); });
        check(shownKey() == key && form_->Text3->text() == QLatin1String("Edited"), QStringLiteral("saved edited row"));
        checkGridAgrees(QStringLiteral("saved edited row"));
        floor = floor_->changeAndRead(QStringLiteral("UPDATE dept SET Lname = ? WHERE cusnum = ?"), {QStringLiteral("Edited"), key},
                                      visible_, true);
        sample("Save an edited row", ms, floor);

        // Timed from the click on Yes: the user reading the question is not
        // the program's time.
        QElapsedTimer sinceYes;
        expectingBox_ = true;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                std::fprintf(stderr, "Delete did not ask for confirmation\n");
                std::_Exit(3);
            }
            sinceYes.start();
            box->button(QMessageBox::Yes)->click();
        });
        click(form_->cmddel);
        settle();
        ms = msSince(sinceYes);
        expectingBox_ = false;
        check(data_->rs.recordCount() == count, QStringLiteral("row deleted"));
        floor_->exec(insert, {key, texts[0], texts[1]});
        floor = floor_->changeAndRead(QStringLiteral("DELETE FROM dept WHERE cusnum = ?"), {key}, visible_, false);
        checkShown(floor, 0, QStringLiteral("after Delete"));
        sample("Delete a row", ms, floor);
    }
}

void printPeakMemory()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("rss\t%ld\n", usage.ru_maxrss);
}

template <class Body>
int guarded(Body body)
{
    try {
        body();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tallyhouse-bench: %s\n", e.what());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace

int measureStartup(const QString& programDir, const QElapsedTimer& sinceMain)
{
    return guarded([&] {
        Session s(programDir, sinceMain);
        SqliteFloor::Answer floor = s.startupFloor;
        std::printf("sample\tstart-up to first row shown\t%.3f\t%.3f\n", s.startupMs, floor.ms);
        std::printf("sample\t  of which Form_Load and first paint\t%.3f\t%.3f\n", s.loadMs, floor.ms);
    });
}

int measureSession(const QString& programDir, int reps, const QElapsedTimer& sinceMain)
{
    return guarded([&] {
        Session s(programDir, sinceMain);
        s.filter(reps);
        s.navigate(reps);
        s.grid(reps);
        s.changes(reps);
        printPeakMemory();
    });
}

}  // namespace bench
