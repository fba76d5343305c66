// tallyhouse-driver: the program's window, headless, driven by commands on
// standard input, so that tests can run it as a separate process; and a
// holder of database locks, as another program would hold them.
//
//   tallyhouse-driver window TARGET
//       Opens the window on TARGET (a file or a server URL) and answers one
//       line per command:
//       click NAME [yes|no]   a mouse click on a button (Delete answered)
//       paste NAME TEXT       TEXT replaces what the box holds
//       row N                 a click on row N of the grid
//       show                  nothing; the reply shows the state
//       save-loop SEED FIRST [COUNT [SECONDS]]
//                             COUNT adds, edits and deletes (endless when
//                             COUNT is 0 or absent; none begun after
//                             SECONDS) whose texts all carry one token "tN"
//                             (N from FIRST on). Prints "deleting KEY"
//                             before a Delete, a line "message ..." for
//                             each box shown, and when each has returned:
//                             "saved KEY tN START END" when the customer
//                             KEY now holds the texts of tN,
//                             "deleted KEY tN START END" when the Delete
//                             was done, or "failed tN" when tN's texts
//                             were not saved (a refused Delete prints
//                             nothing more). START and END are the
//                             machine's monotonic clock in microseconds
//                             just before the click and once the window
//                             has answered it.
//     Each command is answered once the window has answered it (it is
//     idle): a line "message TITLE TEXT" for each message box shown, then
//     "ok" and the eight record boxes, or "ended STATUS". TEXT and the
//     boxes are percent-encoded.
//   tallyhouse-driver lock FILE reserved|exclusive [MS]
//       Takes the lock, prints "locked", holds it MS milliseconds or until
//       a line arrives on standard input, then prints "released".

#include "protocol.h"
#include "random_user/session.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <random>
#include <sqlite3.h>
#include <string>

using random_user::Action;

namespace {

Action make(Action::Kind kind, const QString& target, const QString& text = {}, int count = 0)
{
    Action a;
    a.kind = kind;
    a.target = target;
    a.text = text;
    a.count = count;
    a.replace = true;
    return a;
}

void say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

int hold_lock(const QString& file, const QString& kind, int ms)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(qPrintable(file), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 2;
    sqlite3_busy_timeout(db, 10000);
    const char* begin = kind == "exclusive" ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE";
    if (sqlite3_exec(db, begin, nullptr, nullptr, nullptr) != SQLITE_OK) {
        say(QStringLiteral("failed %1").arg(sqlite3_errmsg(db)));
        return 3;
    }
    say(QStringLiteral("locked"));
    if (ms > 0) {
        QThread::msleep(ms);
    } else {
        std::string line;
        std::getline(std::cin, line);
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    say(QStringLiteral("released"));
    return 0;
}

class Driver {
public:
    explicit Driver(const QString& target) : window_(target) {}

    // Runs one command; false once the program has ended.
    bool command(const QStringList& words)
    {
        guard_.reset();
        const QString verb = words.value(0);
        if (verb == "click") {
            Action a = make(Action::Click, words.value(1));
            a.yes = words.value(2) == "yes";
            if (a.target == "cmddel")
                guard_.expect_confirmation(a.yes);
            act(a);
        } else if (verb == "paste") {
            act(make(Action::Paste, words.value(1), driver::decode(words.value(2))));
        } else if (verb == "row") {
            act(make(Action::GridRow, {}, {}, words.value(1).toInt()));
        } else if (verb == "save-loop") {
            save_loop(words.value(1).toULongLong(), words.value(2).toLongLong(), words.value(3).toLongLong(),
                      words.value(4).toLongLong());
        }
        return reply();
    }

private:
    // Does it when the user can, and waits until the window has answered
    // it (a message box it opened included), as a user waits to see.
    void act(const Action& a)
    {
        if (!random_user::applicable(a, *window_))
            return;
        random_user::perform(a, *window_);
        window_.settle();
    }

    bool reply()
    {
        for (const QString& m : guard_.messages)
            say(QStringLiteral("message ") + driver::encode(m));
        if (!window_.ended.isEmpty()) {
            say(QStringLiteral("ended %1").arg(window_.ended.first()));
            return false;
        }
        QStringList boxes;
        for (const QString& text : window_.boxes())
            boxes << driver::encode(text);
        say(QStringLiteral("ok ") + boxes.join(u' '));
        return true;
    }

    void fill(const QString& token)
    {
        for (const QString& box : random_user::editable_boxes())
            act(make(Action::Paste, box, driver::field_text(token, box)));
    }

    // Says each message box shown since the last look; true when one of
    // them holds any of the words.
    bool report_messages(std::initializer_list<const char*> words)
    {
        bool found = false;
        for (const QString& m : guard_.messages) {
            say(QStringLiteral("message ") + driver::encode(m));
            for (const char* w : words)
                found = found || m.contains(QLatin1String(w));
        }
        guard_.reset();
        return found;
    }

    static qint64 now_us()
    {
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    void save_loop(quint64 seed, qint64 n, qint64 count, qint64 seconds)
    {
        std::mt19937_64 rng(seed);
        Form1& f = *window_;
        QElapsedTimer running;
        running.start();
        for (const qint64 end = n + count; count <= 0 || n < end; ++n) {
            if (!window_.ended.isEmpty() || (seconds > 0 && running.elapsed() >= seconds * 1000))
                return;
            const QString token = QStringLiteral("t%1").arg(n);
            const int what = int(rng() % 10);
            const int rows = int(f.DataGrid1->listedRows());
            if (what < 5 || rows == 0) {
                act(make(Action::Click, "cmdadd"));
                fill(token);
            } else if (what < 9) {
                act(make(Action::GridRow, {}, {}, int(rng() % rows)));
                act(make(Action::Click, "cmdedit"));
                fill(token);
            } else {
                act(make(Action::GridRow, {}, {}, int(rng() % rows)));
                const QString key = f.Text1->text();
                if (!f.cmddel->isEnabled())
                    continue;  // an edit whose Save was refused is still open
                say(QStringLiteral("deleting %1").arg(key));
                guard_.expect_confirmation(true);
                const qint64 start = now_us();
                act(make(Action::Click, "cmddel"));
                const qint64 done = now_us();
                // Done unless a box says otherwise; a box saying only that
                // the list will be read again follows a Delete that was done.
                const bool confirmed = guard_.confirmation_seen;
                if (!report_messages({"not deleted", "deleted this record already"}) && confirmed)
                    say(QStringLiteral("deleted %1 %2 %3 %4").arg(key, token).arg(start).arg(done));
                continue;
            }
            // A refused Save is tried again a few times, as a user would.
            // Saved unless a box says it was not; the key is the one the
            // add took or the edit began on, whatever row is shown after.
            bool saved = false;
            for (int tries = 0; f.cmdsave->isEnabled() && tries < 5 && !saved; ++tries) {
                const bool adding = f.cmdadd->text() == "&Cancel";
                const qint64 start = now_us();
                act(make(Action::Click, "cmdsave"));
                const qint64 done = now_us();
                const bool refused = report_messages({"not saved"});
                saved = !refused && !f.cmdsave->isEnabled();
                if (saved)
                    say(QStringLiteral("saved %1 %2 %3 %4").arg(adding ? QString::number(f.deptID.value_or(0)) : f.key, token).arg(start).arg(done));
                if (refused && !f.cmdsave->isEnabled())
                    break;  // another program's change came first
            }
            if (!saved)
                say(QStringLiteral("failed %1").arg(token));
            if (f.cmdsave->isEnabled() && f.cmdadd->text() == "&Cancel")
                act(make(Action::Click, "cmdadd"));
        }
    }

    test::Window window_;
    random_user::BoxGuard guard_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == "lock")
        return hold_lock(args.value(2), args.value(3), args.value(4).toInt());
    if (args.value(1) != "window")
        return 2;
    Driver driver(args.value(2));
    if (!driver.command({}))
        return 1;
    std::string line;
    while (std::getline(std::cin, line))
        if (!driver.command(QString::fromStdString(line).split(u' ')))
            break;
    return 0;
}
