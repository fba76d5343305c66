#pragma once

#include "action.h"
#include "support/test_support.h"

#include <QMap>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace random_user {

// Answers every message box that opens: the delete confirmation with the
// answer chosen beforehand; any other box is recorded and closed with its
// default button.
class BoxGuard : public QObject {
public:
    BoxGuard();
    void expect_confirmation(bool yes);
    void reset();

    bool confirmation_seen = false;
    QStringList messages;  // "title: text" of every other box

private:
    void poll();

    QTimer timer_;
    std::optional<QMessageBox::StandardButton> answer_;
};

// The program under a random user: a small database, the real window on
// it, and a plain model of what the user expects the database to hold.
class Session {
public:
    // A handful of rows, or with `paged` more rows than the record set
    // reads at once, so that moves and filters cross its pages.
    explicit Session(bool paged);
    ~Session();

    Form1& form() { return **window_; }
    bool crowded() const { return model_.size() > start_ + 25; }

    // Does the action when the user can do it now, then checks every
    // invariant. Returns what is wrong, as "what: details", or "".
    QString step(const Action& action);
    // How often each kind of thing was done, for the log.
    QString tally() const;

private:
    enum class Mode { Browse, Adding, Editing };
    struct Expected {
        std::optional<qint64> position;  // the current row afterwards
        std::optional<qint64> saved;     // the key just saved
        bool confirmation = false;       // Delete must ask
        QString refusal;                 // a message box must say this
    };

    void count(const Action& action);
    void expect(const Action& action, Expected& e);
    QString check(const Expected& e);
    QString check_controls();
    QString check_boxes();
    QString check_record_set(const Expected& e);
    QString check_database();
    void restart();

    qsizetype start_;
    test::TempDb db_;
    std::unique_ptr<test::Window> window_;
    BoxGuard guard_;

    // What the user expects.
    Mode mode_ = Mode::Browse;
    QMap<qint64, test::Row> model_;
    QStringList typed_;  // Text2 to Text8 during an add or an edit
    qint64 edit_key_ = 0;
    QString filter_;
    bool by_first_name_ = true;

    QMap<QString, int> tally_;
};

// The actions every session of this process has begun so far, for a
// watchdog that tells a run that hangs from one that is only long.
quint64 steps_taken();

struct Failure {
    quint64 seed = 0;
    bool paged = false;
    int at = 0;  // the failing action of the full run, counted from 1
    QString message;
    std::vector<Action> trace;  // shortest found that still fails
};

// Runs `count` random actions from `seed`, on the paged table for even
// seeds. On a failure the trace is shrunk by replaying shorter traces on
// fresh databases.
// `summary` receives the tally of what was done.
std::optional<Failure> run(quint64 seed, int count, QString* summary = nullptr);
QString report(const Failure& failure);

}  // namespace random_user
