#include "scenario.h"

#include "data/customer_list.h"
#include "data/engines/pg_session.h"
#include "data/engines/sqlite_session.h"
#include "form/form1.h"
#include "pg_floor.h"
#include "sqlite_floor.h"
#include "support/await.h"
#include "support/link_relay.h"
#include "ui/datagrid.h"
#include "ui/history_dialogs.h"
#include "ui/transfer.h"

#include <QApplication>
#include <QGraphicsView>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <libpq-fe.h>
#include <memory>
#include <stdexcept>
#include <sys/resource.h>

namespace bench {

namespace {

double msSince(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

// Counts the paints of the grid that show a first row read from the
// database (a row not yet read has no key), to know that start-up's result
// reached the screen.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(const QAbstractItemView* grid) : grid_(grid) {}
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && grid_->model()->index(0, 0).data().toLongLong() > 0)
            ++paints;
        return false;
    }

private:
    const QAbstractItemView* grid_;
};

// Notes, for each paint of the widgets it watches, what the window was
// about to show: whether the grid's first row was the one expected and
// whether the count (the number of rows listed and the scroll bar's range)
// was final. A filter's first rows can reach the screen before its count.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(DataGrid* grid) : grid_(grid) {}

    // What a filter step is to show.
    void expect(qint64 firstKey, qint64 count)
    {
        firstKey_ = firstKey;
        count_ = count;
        rowsPainted = countPainted = false;
    }
    bool rowsPainted = false;   // the grid painted the expected first row
    bool countPainted = false;  // a watched widget painted with the count final

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::Paint)
            return false;
        const qint64 shown = grid_->listedRows();
        if (watched == grid_->viewport() && shown > 0 && grid_->model()->index(0, 0).data().toLongLong() == firstKey_)
            rowsPainted = true;
        const QScrollBar* bar = grid_->rowScrollBar();
        if (shown == count_ && bar->maximum() == std::max<qint64>(0, count_ - bar->pageStep()))
            countPainted = true;
        return false;
    }

private:
    DataGrid* grid_;
    qint64 firstKey_ = 0;
    qint64 count_ = -1;
};

// The longest time the window's thread did not turn its event loop: a
// timer on that thread ticks every millisecond whenever the loop runs, and
// the longest gap between two ticks (or since the last one) is the longest
// the window could not paint, take a key or answer a screen reader.
class LoopMeter {
public:
    LoopMeter()
    {
        clock_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        timer_.start(1);
        restart();
    }
    void restart()
    {
        last_ = clock_.nsecsElapsed();
        longest_ = 0;
    }
    double longestMs() const { return std::max(longest_, clock_.nsecsElapsed() - last_) / 1e6; }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// What a step cost besides its time: the round trips through the relay
// (-1 without one) and the longest stall of the window's event loop.
struct Probe {
    qint64 trips = -1;
    double stallMs = 0;
};

// A floor that runs on the window's own connection, on that connection's
// thread, between the window's own questions: SQLite's, which shares the
// window's handle and its page cache.
class OnConnection : public Floor {
public:
    OnConnection(Connection& cn, std::unique_ptr<Floor> floor) : cn_(cn), floor_(std::move(floor)) {}
    Answer countAndRead(const QString& typed, int n) override
    {
        return there([&] { return floor_->countAndRead(typed, n); });
    }
    Answer rowsAt(qint64 position, qint64 count, int n) override
    {
        return there([&] { return floor_->rowsAt(position, count, n); });
    }
    Answer changeAndRead(const QString& sql, const QVariantList& params, int n, bool fromEnd) override
    {
        return there([&] { return floor_->changeAndRead(sql, params, n, fromEnd); });
    }
    Answer sortedRows(const QString& order, int n, bool count) override
    {
        return there([&] { return floor_->sortedRows(order, n, count); });
    }
    void exec(const QString& sql, const QVariantList& params) override
    {
        there([&] {
            floor_->exec(sql, params);
            return Answer();
        });
    }

private:
    template <class Question>
    Answer there(Question question)
    {
        return await(cn_.ask([&](Database&) { return question(); }));
    }

    Connection& cn_;
    std::unique_ptr<Floor> floor_;
};

class Session {
public:
    // relay, when not null, is the one target (its URL) goes through.
    Session(const QString& target, const QElapsedTimer& sinceMain, const LinkRelay* relay);

    void filter(int reps);
    void navigate(int reps);
    void grid(int reps);
    // A click on each heading, then Last on the list so sorted.
    void sort(int reps);
    void changes(int reps);
    void history(int reps);

    double startupMs = 0;  // from main() to the first row painted
    double loadMs = 0;     // from Form1's construction to that paint
    FloorAnswer startupFloor;
    Probe startupProbe;

    // One line of the report; floor ms < 0 when the step has no floor.
    static void sample(const QString& op, double ms, double floorMs, const Probe& probe);

private:
    // A step's line, with what the last timed step cost.
    void sample(const char* op, double ms, const FloorAnswer& floor)
    {
        sample(QString::fromLatin1(op), ms, floor.ms, stepProbe_);
    }
    // A step begins: its round trips and stalls count from now.
    void beginStep()
    {
        meter_.restart();
        tripsBefore_ = relay_ ? relay_->roundTrips() : 0;
    }
    Probe probe() const { return {relay_ ? relay_->roundTrips() - tripsBefore_ : -1, meter_.longestMs()}; }
    // Makes the floor of the window's engine, on the window's database.
    void makeFloor();
    // Runs f, waits until done() holds (the window may answer after the
    // click that asked has returned), then lets Qt paint what changed; the
    // time of all. What the step cost besides is left in stepProbe_.
    template <class F, class Done>
    double timed(F f, Done done, const char* what)
    {
        beginStep();
        QElapsedTimer t;
        t.start();
        f();
        waitFor(done, what);
        const double ms = msSince(t);
        stepProbe_ = probe();
        return ms;
    }
    // Handles events until done() holds, then lets Qt paint. done() only
    // looks: asking the record set for its count would count, on the
    // window's thread, what the window may still be counting elsewhere.
    template <class Done>
    void waitFor(Done done, const char* what)
    {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);  // the loop meter's ticks wake it
            if (!fault_.isEmpty())
                throw std::runtime_error(fault_.toStdString());
            if (t.elapsed() > 60000)
                throw std::runtime_error(std::string(what) + ": the window never showed the result");
        }
        settle();
    }
    // The window browses: the record boxes are read-only, the grid takes input.
    bool browsing() const { return form_->Text2->isReadOnly() && grid()->isEnabled(); }
    // The grid's current row is the record set's and shows the boxes' row.
    bool gridAgrees() const
    {
        const qint64 position = list_->records().position();
        return shownKey() > 0 && grid()->firstShown() + grid()->currentIndex().row() == position
            && gridKey(position) == shownKey();
    }
    void settle();
    // The number of rows listed, once the window has counted them (aside,
    // on a server, after the first rows are shown).
    qint64 exactCount()
    {
        waitFor([&] { return list_->records().counted(); }, "the count");
        return list_->records().knownCount();
    }
    // The floor's own changes reach the window as another program's, which
    // it follows by reading the list again: the next step begins once it
    // has, so that no step counts that re-read.
    void followFloor();
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
    void checkShown(const FloorAnswer& floor, qint64 firstRow, const QString& what) const;
    // The grid's current row is the record set's and shows the boxes' row.
    void checkGridAgrees(const QString& what) const;

    const LinkRelay* relay_;
    LoopMeter meter_;
    qint64 tripsBefore_ = 0;
    Probe stepProbe_;
    std::unique_ptr<CustomerList> list_;
    std::unique_ptr<Form1> form_;
    std::unique_ptr<PGconn, decltype(&PQfinish)> pgFloorConn_{nullptr, &PQfinish};
    std::unique_ptr<Floor> floor_;
    std::unique_ptr<PaintCounter> painted_;
    std::unique_ptr<PaintWatch> watch_;
    QTimer watchdog_;
    bool expectingBox_ = false;
    QString fault_;  // what went wrong inside an event, ends the wait
    int visible_ = 0;  // rows the grid shows at once
};

Session::Session(const QString& target, const QElapsedTimer& sinceMain, const LinkRelay* relay) : relay_(relay)
{
    QElapsedTimer load;
    load.start();
    list_ = std::make_unique<CustomerList>(target);
    form_ = std::make_unique<Form1>(*list_);
    await(form_->Form_Load());
    painted_ = std::make_unique<PaintCounter>(grid());
    grid()->viewport()->installEventFilter(painted_.get());
    form_->show();
    while (painted_->paints == 0) {
        QCoreApplication::processEvents();
        if (load.elapsed() > 60000)
            throw std::runtime_error("the window was never painted");
    }
    startupMs = msSince(sinceMain);
    loadMs = msSince(load);
    startupProbe = probe();  // round trips since the relay started, stalls since the meter did
    check(!form_->Text1->text().isEmpty(), QStringLiteral("a first row is shown"));

    visible_ = grid()->rowScrollBar()->pageStep();
    makeFloor();
    checkShown(startupFloor, 0, QStringLiteral("start-up"));
    watch_ = std::make_unique<PaintWatch>(grid());
    for (QWidget* w : {static_cast<QWidget*>(grid()->viewport()), static_cast<QWidget*>(grid()->rowScrollBar()),
                       static_cast<QWidget*>(form_->lblposition)})
        w->installEventFilter(watch_.get());

    // A message box nobody answers would stop the benchmark for good.
    QObject::connect(&watchdog_, &QTimer::timeout, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && !expectingBox_) {
            fault_ = QStringLiteral("unexpected message box: ") + box->text();
            box->reject();
        }
    });
    watchdog_.start(500);
    QApplication::setActiveWindow(form_.get());
}

void Session::makeFloor()
{
    // SQLite's floor runs on the window's own handle, on its thread.
    DbSession* session = await(list_->connection().ask([](Database& db) { return &db.session(); }));
    if (auto* sqlite = dynamic_cast<SqliteSession*>(session)) {
        floor_ = std::make_unique<OnConnection>(list_->connection(), std::make_unique<SqliteFloor>(sqlite->handle()));
        startupFloor = SqliteFloor::openCountRead(list_->target(), visible_);
        return;
    }
    if (!dynamic_cast<PgSession*>(session))
        throw std::runtime_error("no floor for this database engine");
    // A connection of its own beside the window's, with the same settings.
    const QString url = withSettings(list_->target());
    pgFloorConn_.reset(PQconnectdb(url.toUtf8().constData()));
    if (PQstatus(pgFloorConn_.get()) != CONNECTION_OK)
        throw std::runtime_error(PQerrorMessage(pgFloorConn_.get()));
    floor_ = std::make_unique<PgFloor>(pgFloorConn_.get());
    startupFloor = PgFloor::openCountRead(url, visible_);
}

void Session::settle()
{
    // Widgets post their repaints; two rounds paint them and whatever the
    // first round's painting posted in turn.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void Session::followFloor()
{
    // Their notice comes back through the relay, a round trip at most.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < (relay_ ? relay_->rttMs() : 0) + 50)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    waitFor([&] { return form_->idle() && !await(list_->records().outdated()); }, "following the floor's change");
}

void Session::check(bool ok, const QString& what) const
{
    if (!ok)
        throw std::runtime_error(("the window disagrees with the database: " + what).toStdString());
}

void Session::checkShown(const FloorAnswer& floor, qint64 firstRow, const QString& what) const
{
    check(!floor.keys.isEmpty() && shownKey() == floor.keys.front(),
          what + QStringLiteral(": shown %1, the database read %2").arg(shownKey()).arg(floor.keys.value(0)));
    check(grid()->firstShown() + grid()->currentIndex().row() == firstRow, what + QStringLiteral(": grid's current row"));
    for (int i = 0; i < floor.keys.size(); ++i)
        check(gridKey(firstRow + i) == floor.keys[i], what + QStringLiteral(": grid row %1").arg(firstRow + i));
}

void Session::checkGridAgrees(const QString& what) const
{
    check(gridAgrees(), what + QStringLiteral(": grid and boxes"));
}

void Session::sample(const QString& op, double ms, double floorMs, const Probe& probe)
{
    std::printf("sample\t%s\t%.3f\t%.3f\t%lld\t%.3f\n", qPrintable(op), ms, floorMs, probe.trips, probe.stallMs);
}

// Each keystroke is timed twice: until the grid has painted the first
// rows of the new list, and until the count and the scroll bar are final
// and painted too. The answers are known before the keystroke (an untimed
// question to the floor), so that the window's paints can be recognised.
void Session::filter(int reps)
{
    static const char* const typed[] = {"type \"m\"", "type \"ma\"", "type \"mar\"", "type \"mart\""};
    static const char* const deleted[] = {"delete to \"mar\"", "delete to \"ma\"", "delete to \"m\"", "delete to empty"};
    QLineEdit* box = form_->Text9;
    const QString name = QStringLiteral("mart");
    QHash<QString, FloorAnswer> expected;
    for (int i = 0; i <= name.size(); ++i)
        expected[name.left(i)] = floor_->countAndRead(name.left(i), visible_);
    for (int rep = 0; rep < reps; ++rep) {
        for (int i = 0; i < 8; ++i) {
            const bool typing = i < 4;
            const QString op = QString::fromLatin1(typing ? typed[i] : deleted[i - 4]);
            const QString next = typing ? name.left(i + 1) : name.left(7 - i);
            watch_->expect(expected[next].keys.value(0), expected[next].count);
            beginStep();
            QElapsedTimer t;
            t.start();
            if (typing)
                QTest::keyClick(box, name[i].toLatin1());
            else
                QTest::keyClick(box, Qt::Key_Backspace);
            double rowsMs = -1, countMs = -1;
            Probe rows, all;
            while (rowsMs < 0 || countMs < 0) {
                // Returns once the events at hand are handled; waits for
                // more only when there were none.
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                if (rowsMs < 0 && watch_->rowsPainted) {
                    rowsMs = msSince(t);
                    rows = probe();
                }
                if (countMs < 0 && watch_->countPainted) {
                    countMs = msSince(t);
                    all = probe();
                }
                if (t.elapsed() > 60000)
                    throw std::runtime_error(qPrintable(op + QStringLiteral(": the list was never painted")));
            }
            settle();
            const QString text = box->text();
            check(text == next, QStringLiteral("filter box holds \"%1\"").arg(text));
            const auto floor = floor_->countAndRead(text, visible_);
            check(exactCount() == floor.count, QStringLiteral("count for \"%1\"").arg(text));
            checkShown(floor, 0, QStringLiteral("filter \"%1\"").arg(text));
            sample(op, countMs, floor.ms, all);
            sample(QStringLiteral("  %1: first rows painted").arg(op), rowsMs, -1, rows);
        }
    }
}

void Session::navigate(int reps)
{
    const qint64 count = exactCount();
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
            const qint64 before = shownKey();
            const double ms = timed([&] { click(s.button); }, [&] { return shownKey() != before && gridAgrees(); }, s.op);
            const auto floor = floor_->rowsAt(s.position, count, 1);
            checkShown(floor, s.position, QString::fromLatin1(s.op));
            sample(s.op, ms, floor);
        }
    }
}

void Session::grid(int reps)
{
    const qint64 count = exactCount();
    QScrollBar* bar = grid()->rowScrollBar();
    QWidget* viewport = grid()->viewport();
    auto choose = [&](const char* op, int row) {
        const qint64 position = grid()->firstShown() + row;
        const QRect cell = grid()->visualRect(grid()->model()->index(row, 1));
        const qint64 chosen = gridKey(position);
        const double ms = timed([&] { QTest::mouseClick(viewport, Qt::LeftButton, {}, cell.center()); },
                                [&] { return shownKey() == chosen && gridAgrees(); }, op);
        const auto floor = floor_->rowsAt(position, count, 1);
        checkShown(floor, position, QString::fromLatin1(op));
        sample(op, ms, floor);
    };
    for (int rep = 0; rep < reps; ++rep) {
        // A different part of the middle each time, so no repetition finds
        // its rows already read.
        const int middle = int(std::min<qint64>(count / 2 + rep * 1000, bar->maximum()));
        // Until every row on screen is read: the rows read first may be
        // only some of them.
        const qint64 lastShown = std::min<qint64>(middle + visible_, count) - 1;
        double ms = timed([&] { bar->setValue(middle); }, [&] { return gridKey(middle) > 0 && gridKey(lastShown) > 0; },
                          "scroll to the middle");
        auto floor = floor_->rowsAt(middle, count, visible_);
        check(gridKey(middle) == floor.keys.value(0), QStringLiteral("grid row %1 in the middle: %2, SQLite %3").arg(middle).arg(gridKey(middle)).arg(floor.keys.value(0)));
        sample("scroll grid to the middle", ms, floor);
        choose("choose a row in the middle", visible_ / 2);

        ms = timed([&] { bar->setValue(bar->maximum()); }, [&] { return gridKey(count - 1) > 0; }, "scroll to the end");
        floor = floor_->rowsAt(count - visible_, count, visible_);
        check(gridKey(count - 1) == floor.keys.value(floor.keys.size() - 1), QStringLiteral("grid's last row"));
        sample("scroll grid to the end", ms, floor);
        choose("choose the last row", grid()->model()->rowCount() - 1);

        click(form_->cmdfirst);
        waitFor([&] { return list_->records().position() == 0 && gridAgrees(); }, "First");
    }
}

void Session::sort(int reps)
{
    const qint64 count = exactCount();
    const Dialect* dialect = await(list_->connection().ask([](Database& db) { return &db.dialect(); }));
    const QStringList headings = list_->records().headings();
    const auto at = column_positions(headings);
    QHeaderView* header = grid()->horizontalHeader();
    for (int rep = 0; rep < reps; ++rep) {
        for (int column = 1; column < int(kCustomerColumns.size()); ++column) {
            const int section = at[column];
            if (section < 0)
                continue;
            // The customer shown (the first of the order before) stays
            // current, wherever the new order puts it.
            const QPoint heading(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
            const qint64 before = shownKey();
            const QString op = QStringLiteral("sort by ") + headings[section];
            // Timed until the customer is current among the rows around it,
            // painted, and again until its place in the order is counted
            // (the position line and the scroll bar final).
            beginStep();
            QElapsedTimer t;
            t.start();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);
            waitFor([&] { return list_->sorting().first == column && !list_->reading() && shownKey() == before && gridAgrees(); },
                    qPrintable(op));
            double ms = msSince(t);
            const Probe rows = probe();
            waitFor([&] { return form_->idle() && shownKey() == before && gridAgrees(); }, qPrintable(op));
            const double placedMs = msSince(t);
            const Probe placed = probe();
            // The benchmark's tables spell their columns as the program makes them.
            const QString by = dialect->sort_expression(column, Dialect::quoted(QString::fromLatin1(kCustomerColumns[column].name).toLower()));
            const QString key = dialect->row_key();
            auto floor = floor_->sortedRows(QStringLiteral("%1, %2").arg(by, key), visible_, true);
            stepProbe_ = rows;
            sample(qPrintable(op), ms, floor);
            sample(QStringLiteral("  %1: placed").arg(op), placedMs, -1, placed);

            // The sorted list from its first row and from its last.
            click(form_->cmdfirst);
            waitFor([&] { return list_->records().position() == 0 && gridAgrees(); }, "First on a sorted list");
            checkShown(floor, 0, op);
            ms = timed([&] { click(form_->cmdlast); }, [&] { return list_->records().position() == count - 1 && gridAgrees(); },
                       "Last on a sorted list");
            floor = floor_->sortedRows(QStringLiteral("%1 DESC, %2 DESC").arg(by, key), visible_, false);
            std::reverse(floor.keys.begin(), floor.keys.end());
            check(gridKey(count - 1) == floor.keys.value(floor.keys.size() - 1), op + QStringLiteral(": the last row"));
            sample("Last on a sorted list", ms, floor);
            click(form_->cmdfirst);
            waitFor([&] { return list_->records().position() == 0 && gridAgrees(); }, "First");
        }
        // Descending, then the key order again.
        for (int i = 0; i < 2; ++i) {
            const int section = header->sortIndicatorSection();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2));
            waitFor([&] { return form_->idle() && gridAgrees(); }, "a heading clicked");
        }
        check(list_->sorting().first < 0, QStringLiteral("back in key order"));
        click(form_->cmdfirst);
        waitFor([&] { return list_->records().position() == 0 && gridAgrees(); }, "First");
    }
}

void Session::changes(int reps)
{
    const qint64 count = exactCount();
    const qint64 firstKey = startupFloor.keys.value(0);
    const QStringList texts{"Zacharias", "Quist", "1 Bench Road", "zq@example.com", "555-0000", "Bench", "900"};
    for (int rep = 0; rep < reps; ++rep) {
        click(form_->cmdadd);
        // The new row's key is read while the user types: typing takes longer.
        waitFor([&] { return !form_->Text2->isReadOnly() && form_->idle(); }, "Add");
        const QList<QLineEdit*> boxes = form_->recordBoxes().mid(1);
        for (int i = 0; i < boxes.size(); ++i)
            boxes[i]->setText(texts[i]);
        double ms = timed([&] { click(form_->cmdsave); },
                          [&] { return browsing() && gridAgrees(); }, "Save a new row");
        const qint64 key = shownKey();
        check(form_->Text2->text() == texts[0] && exactCount() == count + 1, QStringLiteral("saved new row"));
        checkGridAgrees(QStringLiteral("saved new row"));
        const QString insert = QStringLiteral("INSERT INTO dept (cusnum, Fname, Lname) VALUES ($1, $2, $3)");
        auto floor = floor_->changeAndRead(insert, {key + 1, texts[0], texts[1]}, visible_, true);
        floor_->exec(QStringLiteral("DELETE FROM dept WHERE cusnum = $1"), {key + 1});
        sample("Save a new row", ms, floor);
        followFloor();

        click(form_->cmdedit);
        waitFor([&] { return !form_->Text2->isReadOnly(); }, "Edit");
        form_->Text3->setText(QStringLiteral("Edited"));
        ms = timed([&] { click(form_->cmdsave); }, [&] { return browsing() && gridAgrees(); }, "Save an edited row");
        check(shownKey() == key && form_->Text3->text() == QLatin1String("Edited"), QStringLiteral("saved edited row"));
        checkGridAgrees(QStringLiteral("saved edited row"));
        floor = floor_->changeAndRead(QStringLiteral("UPDATE dept SET Lname = $1 WHERE cusnum = $2"), {QStringLiteral("Edited"), key},
                                      visible_, true);
        sample("Save an edited row", ms, floor);
        followFloor();

        // Timed from the click on Yes: the user reading the question is not
        // the program's time.
        QElapsedTimer sinceYes;
        expectingBox_ = true;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                fault_ = QStringLiteral("Delete did not ask for confirmation");
                return;
            }
            beginStep();
            sinceYes.start();
            box->button(QMessageBox::Yes)->click();
        });
        click(form_->cmddel);
        waitFor([&] { return browsing() && shownKey() == firstKey && gridAgrees(); }, "Delete a row");
        ms = msSince(sinceYes);
        stepProbe_ = probe();
        expectingBox_ = false;
        check(exactCount() == count, QStringLiteral("row deleted"));
        floor_->exec(insert, {key, texts[0], texts[1]});
        floor = floor_->changeAndRead(QStringLiteral("DELETE FROM dept WHERE cusnum = $1"), {key}, visible_, false);
        checkShown(floor, 0, QStringLiteral("after Delete"));
        sample("Delete a row", ms, floor);
        followFloor();

        // Ctrl+Z brings the customer back, one guarded insert; Ctrl+Y
        // deletes it again, one guarded delete. The floor of the first is
        // a statement on that customer with the list read showing it. The
        // keys reach the window once the question's box has given it the
        // keyboard back.
        form_->activateWindow();
        check(QTest::qWaitForWindowActive(form_.get()), QStringLiteral("the window is active after Delete"));
        ms = timed([&] { QTest::keyClick(form_.get(), Qt::Key_Z, Qt::ControlModifier); },
                   [&] { return browsing() && shownKey() == key && gridAgrees(); }, "Undo a Delete");
        check(exactCount() == count + 1, QStringLiteral("delete undone"));
        floor = floor_->changeAndRead(QStringLiteral("UPDATE dept SET Fname = Fname WHERE cusnum = $1"), {key}, visible_, true);
        sample("Undo a Delete", ms, floor);
        followFloor();
        ms = timed([&] { QTest::keyClick(form_.get(), Qt::Key_Y, Qt::ControlModifier); },
                   [&] { return browsing() && shownKey() == firstKey && gridAgrees(); }, "Redo a Delete");
        check(exactCount() == count, QStringLiteral("delete done again"));
        floor_->exec(insert, {key, texts[0], texts[1]});
        floor = floor_->changeAndRead(QStringLiteral("DELETE FROM dept WHERE cusnum = $1"), {key}, visible_, false);
        sample("Redo a Delete", ms, floor);
        followFloor();
    }
}

// The window of this kind that is open: one closed before stays until
// the event loop deletes it.
template <class Dialog>
Dialog* open_dialog(QWidget* parent)
{
    for (Dialog* dialog : parent->findChildren<Dialog*>())
        if (dialog->isVisible())
            return dialog;
    return nullptr;
}

void Session::history(int reps)
{
    // Five versions a customer, as a table changed for years holds them,
    // one in fifty of them a delete: 5,000,000 versions for a million
    // customers.
    const qint64 count = exactCount();
    floor_->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $1) "
                                "INSERT INTO dept_history (kind, author, cusnum, old_fname, old_lname, new_fname, new_lname) "
                                "SELECT CASE WHEN i % 50 = 0 THEN 'delete' ELSE 'update' END, 'bench', i % $2 + 1, 'Old', 'Version', "
                                "CASE WHEN i % 50 = 0 THEN NULL ELSE 'New' END, CASE WHEN i % 50 = 0 THEN NULL ELSE 'Version' END FROM n"),
                 {5 * count, count});
    // As the database's own upkeep leaves a table grown over years: on a
    // server vacuumed too, or its autovacuum would take a core from the
    // window while the steps are timed.
    const bool server = list_->target().startsWith(QLatin1String("postgres"));
    floor_->exec(server ? QStringLiteral("VACUUM ANALYZE dept_history") : QStringLiteral("ANALYZE dept_history"));
    // From the menu's choice to the window showing its first rows.
    const auto shown = [](VersionsDialog* dialog) { return dialog && dialog->table()->model()->rowCount() > 0; };
    const auto close = [this](QDialog* dialog, const char* what) {
        dialog->reject();
        waitFor([&] { return form_->idle(); }, what);
        // The program's event loop deletes the closed window as it turns;
        // the benchmark runs none (it handles events itself), so the window
        // is deleted here. Kept, each closed window would be told of every
        // window opened after it, and make the next ones slower to open.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    for (int rep = 0; rep < reps; ++rep) {
        form_->transferMenu()->update();  // as the menu does when it opens
        double ms = timed([&] { form_->transferMenu()->customerHistory->trigger(); },
                          [&] { return shown(open_dialog<CustomerHistoryDialog>(form_.get())); }, "History of a customer");
        sample(QStringLiteral("History of a customer"), ms, -1, stepProbe_);
        close(open_dialog<CustomerHistoryDialog>(form_.get()), "History closed");
        form_->transferMenu()->update();
        ms = timed([&] { form_->transferMenu()->deletedCustomers->trigger(); },
                   [&] { return shown(open_dialog<DeletedCustomersDialog>(form_.get())); }, "Deleted customers");
        sample(QStringLiteral("Deleted customers"), ms, -1, stepProbe_);
        close(open_dialog<DeletedCustomersDialog>(form_.get()), "Deleted customers closed");
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

// The relay a server's target goes through, when rtt >= 0.
std::unique_ptr<LinkRelay> relayFor(const QString& target, int rtt)
{
    if (rtt < 0)
        return nullptr;
    if (!target.startsWith(QLatin1String("postgres")))
        throw std::runtime_error("a relay stands between the window and a server only");
    return std::make_unique<LinkRelay>(QUrl(target).port(), rtt);
}

}  // namespace

int measureStartup(const QString& target, int rtt, const QElapsedTimer& sinceMain)
{
    return guarded([&] {
        const auto relay = relayFor(target, rtt);
        Session s(relay ? relay->through(target) : target, sinceMain, relay.get());
        const double floorMs = s.startupFloor.ms;
        Session::sample(QStringLiteral("start-up to first row shown"), s.startupMs, floorMs, s.startupProbe);
        Session::sample(QStringLiteral("  of which Form_Load and first paint"), s.loadMs, floorMs, s.startupProbe);
    });
}

int measureSession(const QString& target, int reps, int rtt, const QElapsedTimer& sinceMain)
{
    return guarded([&] {
        const auto relay = relayFor(target, rtt);
        Session s(relay ? relay->through(target) : target, sinceMain, relay.get());
        s.filter(reps);
        s.navigate(reps);
        s.grid(reps);
        s.sort(reps);
        s.changes(reps);
        s.history(reps);
        printPeakMemory();
    });
}

int measurePrint(const QString& target, int reps)
{
    return guarded([&] {
        CustomerList list(target);
        Form1 form(list);
        await(form.Form_Load());
        form.show();
        // Runs until done() holds; the longest stall of the window meanwhile.
        LoopMeter meter;
        const auto waitFor = [&](auto done, const char* what) {
            QElapsedTimer t;
            t.start();
            meter.restart();
            while (!done()) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                if (t.elapsed() > 600000)
                    throw std::runtime_error(std::string(what) + ": never done");
            }
            return meter.longestMs();
        };

        // The preview, from the menu's choice until its first page is
        // painted (its view grabbed, which paints it at once).
        for (int i = 0; i < reps; ++i) {
            QElapsedTimer t;
            t.start();
            form.transferMenu()->printPreview->trigger();
            QPrintPreviewDialog* dialog = nullptr;
            const double stall = waitFor([&] {
                dialog = form.findChild<QPrintPreviewDialog*>();
                auto* preview = dialog ? dialog->findChild<QPrintPreviewWidget*>() : nullptr;
                return preview && dialog->isVisible() && preview->pageCount() > 0;
            }, "the preview");
            dialog->findChild<QGraphicsView*>()->viewport()->grab();
            std::printf("print\tpreview\t%.3f\t%.3f\n", msSince(t), stall);
            dialog->reject();
            waitFor([&] { return form.idle(); }, "the preview closed");
            // Gone before the next is looked for (processEvents outside
            // an event loop deletes nothing).
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }

        // The list to a PDF file, from the menu's choice until the file is
        // written.
        QTemporaryDir dir;
        const QString pdf = dir.path() + QStringLiteral("/customers.pdf");
        form.ask_print = [pdf](QPrinter& printer, Printout, print::LabelSheet&) -> QCoro::Task<bool> {
            printer.setOutputFileName(pdf);
            co_return true;
        };
        QElapsedTimer t;
        t.start();
        form.transferMenu()->print->trigger();
        const double stall = waitFor([&] { return form.idle() && QFile::exists(pdf); }, "the PDF");
        std::printf("print\tpdf\t%.3f\t%.3f\n", msSince(t), stall);
        printPeakMemory();
    });
}

}  // namespace bench
