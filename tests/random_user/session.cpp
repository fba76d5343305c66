#include "session.h"

#include "data/modyul.h"
#include "ui/datagrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <atomic>

namespace random_user {

namespace {

const QString kConfirmTitle = QStringLiteral("Comfirm Delete?");
// The column each of Text2 to Text8 shows.
constexpr int kColumnOfBox[] = {1, 2, 3, 4, 5, 7, 6};

// A few rows whose names share first letters, with nulls and numbers;
// paged, many more of the like.
QVector<test::Row> start_rows(bool paged)
{
    QVector<test::Row> rows{
        test::row(1, "Ann", "Lee"),
        test::row(2, "anna", "O'Brien", "1 Main St", "anna@x", QVariant(), "500", "Sales"),
        test::row(3, "Bob", QString::fromUtf8("Ødegaard")),
        test::row(4, QString::fromUtf8("Øyvind"), QVariant(), "addr", QVariant(), "555", "0", QVariant()),
        test::row(5, QString::fromUtf8("Zoë"), "Smith"),
        test::row(6, QVariant(), "Adams"),
    };
    rows[0][8] = 3;
    rows[0][9] = 250;
    rows[4][9] = -7;
    for (int i = 0; paged && i < 150; ++i) {
        const test::Row& like = rows[i % 6];
        rows << test::row(7 + i, like[1].isNull() ? like[1] : like[1].toString() + QString::number(i),
                          like[2].isNull() ? like[2] : QString::number(i % 3) + like[2].toString());
    }
    return rows;
}

QString text_of(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}

bool same(const test::Row& a, const test::Row& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].isNull() != b[i].isNull() || text_of(a[i]) != text_of(b[i]))
            return false;
    return true;
}

QString show(const test::Row& r)
{
    QStringList parts;
    for (const QVariant& v : r)
        parts << (v.isNull() ? QStringLiteral("NULL") : quoted(v.toString()));
    return u'(' + parts.join(QStringLiteral(", ")) + u')';
}

QString kind_name(Action::Kind kind)
{
    switch (kind) {
    case Action::ClickDisabled: return QStringLiteral("disabled button clicked");
    case Action::Type: return QStringLiteral("typed");
    case Action::Paste: return QStringLiteral("pasted");
    case Action::Erase: return QStringLiteral("erased");
    case Action::Option: return QStringLiteral("option clicked");
    case Action::GridRow: return QStringLiteral("grid row clicked");
    case Action::GridKey: return QStringLiteral("grid key");
    case Action::Heading: return QStringLiteral("heading clicked");
    case Action::CloseBox: return QStringLiteral("close box");
    default: return QStringLiteral("button");
    }
}

QString category(const QString& message)
{
    return message.section(u':', 0, 0);
}

}  // namespace

// ---- message boxes ----

BoxGuard::BoxGuard()
{
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout, this, &BoxGuard::poll);
    timer_.start();
}

void BoxGuard::expect_confirmation(bool yes)
{
    answer_ = yes ? QMessageBox::Yes : QMessageBox::No;
}

void BoxGuard::reset()
{
    answer_.reset();
    confirmation_seen = false;
    messages.clear();
}

void BoxGuard::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    QAbstractButton* button = nullptr;
    if (box->windowTitle() == kConfirmTitle && answer_) {
        confirmation_seen = true;
        button = box->button(*answer_);
        answer_.reset();
    } else {
        messages << box->windowTitle() + QStringLiteral(": ") + box->text();
        button = box->defaultButton() ? box->defaultButton() : box->buttons().value(0);
    }
    if (button)
        button->click();
    else
        box->reject();
}

// ---- the session ----

Session::Session(bool paged) : start_(start_rows(paged).size()), db_(start_rows(paged))
{
    for (const test::Row& r : start_rows(paged))
        model_[r[0].toLongLong()] = r;
    restart();
}

Session::~Session() = default;

void Session::restart()
{
    window_.reset();
    window_ = std::make_unique<test::Window>(db_);
    mode_ = Mode::Browse;
    filter_.clear();
    by_first_name_ = true;
    typed_.clear();
}

namespace {
std::atomic<quint64> stepsTaken{0};
}  // namespace

quint64 steps_taken()
{
    return stepsTaken.load();
}

QString Session::step(const Action& a)
{
    ++stepsTaken;
    if (!applicable(a, form()))
        return {};
    guard_.reset();
    const bool button = a.kind == Action::Click || a.kind == Action::AccessKey;
    if (button && a.target == "cmddel")
        guard_.expect_confirmation(a.yes);

    count(a);
    Expected e;
    expect(a, e);
    perform(a, form());
    if (!test::wait_idle(form()))
        return QStringLiteral("the window did not answer within 30 s");

    if (button && a.target == "cmdexit") {
        // The program ends, whatever was being typed is dropped unsaved.
        if (window_->ended != QList<int>{0})
            return QStringLiteral("exit: the program did not end with status 0");
        if (QString db = check_database(); !db.isEmpty())
            return db;
        restart();
    }
    return check(e);
}

void Session::count(const Action& a)
{
    const bool button = a.kind == Action::Click || a.kind == Action::AccessKey;
    if (button && a.target == "cmdsave")
        ++tally_[mode_ == Mode::Adding ? "saved adds" : "saved edits"];
    else if (button && a.target == "cmdadd")
        ++tally_[mode_ == Mode::Adding ? "cancels" : "adds"];
    else if (button && a.target == "cmddel")
        ++tally_[a.yes ? "deletes" : "deletes answered No"];
    else if (button)
        ++tally_[a.target.mid(3) + (a.kind == Action::AccessKey ? " by access key" : "")];
    else
        ++tally_[kind_name(a.kind) + (a.target == "Text9" ? " in filter" : "")];
}

QString Session::tally() const
{
    QStringList parts;
    for (auto it = tally_.cbegin(); it != tally_.cend(); ++it)
        parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    return parts.join(QStringLiteral(", "));
}

// Updates the model with what the user expects this action to do.
void Session::expect(const Action& a, Expected& e)
{
    RecordSet& rs = window_->rs();
    const qint64 count = rs.knownCount();
    const qint64 at = rs.isOpen() ? rs.position() : -1;
    const bool button = a.kind == Action::Click || a.kind == Action::AccessKey;
    const QString& t = a.target;

    if (button && t == "cmdadd") {
        if (mode_ == Mode::Browse) {
            mode_ = Mode::Adding;
            typed_ = QStringList(7, QString());
        } else {
            mode_ = Mode::Browse;
            e.position = 0;
        }
    } else if (button && t == "cmdedit") {
        mode_ = Mode::Editing;
        edit_key_ = form().Text1->text().toLongLong();
        typed_.clear();
        for (const QString& name : editable_boxes())
            typed_ << form().findChild<QLineEdit*>(name)->text();
    } else if (button && t == "cmdsave" && (typed_[0].size() > kMaxNameLength || typed_[1].size() > kMaxNameLength)) {
        e.refusal = QStringLiteral("The record was not saved.");  // a name longer than any may be
    } else if (button && t == "cmdsave") {
        qint64 key = edit_key_;
        if (mode_ == Mode::Adding) {
            key = model_.isEmpty() ? 1 : model_.lastKey() + 1;
            model_[key] = test::row(key, {}, {});
        }
        for (int i = 0; i < 7; ++i)
            model_[key][kColumnOfBox[i]] = typed_[i];
        mode_ = Mode::Browse;
        e.saved = key;
    } else if (button && t == "cmddel") {
        e.confirmation = true;
        if (a.yes) {
            model_.remove(form().Text1->text().toLongLong());
            e.position = 0;
        } else {
            e.position = at;
        }
    } else if (button && t == "cmdfirst") {
        e.position = 0;
    } else if (button && t == "cmdlast") {
        e.position = count - 1;
    } else if (button && t == "cmdnext") {
        e.position = std::min(at + 1, count - 1);
    } else if (button && t == "cmdprev") {
        e.position = std::max<qint64>(at - 1, 0);
    } else if (a.kind == Action::Type || a.kind == Action::Paste || a.kind == Action::Erase) {
        QString& text = t == "Text9" ? filter_ : typed_[editable_boxes().indexOf(t)];
        const QString before = text;
        if (a.kind == Action::Erase)
            text = a.count == 0 ? QString() : text.chopped(a.count);
        else
            text = (a.replace ? QString() : text) + a.text;
        if (t == "Text9" && text != before)  // each change runs the filter
            e.position = 0;
    } else if (a.kind == Action::Option) {
        by_first_name_ = t == "fname";
        e.position = 0;
    } else if (a.kind == Action::GridRow) {
        e.position = a.count;
    } else if (a.kind == Action::Heading && !form().Text1->text().isEmpty()) {
        e.saved = form().Text1->text().toLongLong();  // the customer shown stays, wherever the sort puts it
    }
}

QString Session::check(const Expected& e)
{
    if (!window_->ended.isEmpty())
        return QStringLiteral("ended: the program ended with status %1").arg(window_->ended.first());
    if (!e.refusal.isEmpty()) {
        if (guard_.messages.size() != 1 || !guard_.messages[0].contains(e.refusal))
            return QStringLiteral("message: one box saying \"%1\" expected, seen: %2").arg(e.refusal, guard_.messages.join(QStringLiteral(" | ")));
        guard_.messages.clear();
    }
    if (!guard_.messages.isEmpty())
        return QStringLiteral("message: an unexpected message box: ") + guard_.messages.join(QStringLiteral(" | "));
    if (e.confirmation && !guard_.confirmation_seen)
        return QStringLiteral("confirmation: Delete did not ask");
    for (const QString& problem : {check_controls(), check_boxes(), check_record_set(e), check_database()})
        if (!problem.isEmpty())
            return problem;
    return {};
}

QString Session::check_controls()
{
    Form1& f = form();
    const qint64 count = window_->rs().knownCount();
    const bool browse = mode_ == Mode::Browse;
    struct Want {
        QWidget* w;
        bool enabled;
    };
    QVector<Want> wants{
        {f.cmdsave, !browse},
        {f.cmdadd, mode_ == Mode::Adding || (browse && count > 0)},
        {f.cmdedit, browse && count > 0},
        {f.cmddel, browse && count > 0},
        {f.cmdexit, true},
        {f.DataGrid1, browse},
        {f.Text9, browse},
        {f.fname, browse},
        {f.lname, browse},
    };
    for (QPushButton* nav : {f.cmdfirst, f.cmdprev, f.cmdnext, f.cmdlast})
        wants.push_back({nav, browse && count > 0});
    for (const Want& want : wants) {
        // An empty table can be filled: Add may stay enabled without rows.
        if (want.w == f.cmdadd && browse && count == 0)
            continue;
        if (want.w->isEnabled() != want.enabled)
            return QStringLiteral("controls: %1 is %2").arg(want.w->objectName(), want.enabled ? "disabled" : "enabled");
    }
    const QString caption = mode_ == Mode::Adding ? QStringLiteral("&Cancel") : QStringLiteral("&Add");
    if (f.cmdadd->text() != caption)
        return QStringLiteral("controls: cmdadd reads %1").arg(f.cmdadd->text());
    for (QLineEdit* box : f.recordBoxes())
        if (box->isReadOnly() != browse)
            return QStringLiteral("controls: %1 is %2").arg(box->objectName(), browse ? "editable" : "read-only");
    if (f.Text9->text() != filter_)
        return QStringLiteral("controls: the filter box holds %1, typed was %2").arg(quoted(f.Text9->text()), quoted(filter_));
    if (f.fname->isChecked() != by_first_name_)
        return QStringLiteral("controls: the wrong filter option is selected");
    return {};
}

QString Session::check_boxes()
{
    Form1& f = form();
    const QList<QLineEdit*> boxes = f.recordBoxes();
    if (mode_ != Mode::Browse) {
        for (int i = 0; i < 7; ++i)
            if (boxes[i + 1]->text() != typed_[i])
                return QStringLiteral("boxes: %1 holds %2, the user typed %3")
                    .arg(boxes[i + 1]->objectName(), quoted(boxes[i + 1]->text()), quoted(typed_[i]));
        return {};
    }
    RecordSet& rs = window_->rs();
    if (!rs.isOpen())
        return QStringLiteral("boxes: the record set is closed");
    if (rs.bof() || rs.eof()) {
        for (QLineEdit* box : boxes)
            if (!box->text().isEmpty())
                return QStringLiteral("boxes: %1 shows %2 without a current row").arg(box->objectName(), quoted(box->text()));
        return rs.knownCount() == 0 ? QString() : QStringLiteral("boxes: no current row in a record set with rows");
    }
    constexpr int kColumn[] = {0, 1, 2, 3, 4, 5, 7, 6};
    const CustomerRow current = rs.current();
    for (int i = 0; i < 8; ++i) {
        const QString want = text_of(column_value(current, kColumn[i]));
        if (boxes[i]->text() != want)
            return QStringLiteral("boxes: %1 shows %2, the current row holds %3")
                .arg(boxes[i]->objectName(), quoted(boxes[i]->text()), quoted(want));
    }
    return {};
}

QString Session::check_record_set(const Expected& e)
{
    RecordSet& rs = window_->rs();
    DataGrid* grid = form().DataGrid1;
    if (!rs.isOpen())
        return QStringLiteral("record set: closed");
    const qint64 count = rs.knownCount();
    if (grid->listedRows() != count)
        return QStringLiteral("grid: lists %1 rows, the record set holds %2").arg(grid->listedRows()).arg(count);
    QList<qint64> keys;
    for (qint64 i = 0; i < count; ++i) {
        if (!rs.cachedRow(i))
            test::await(rs.prefetch(i, 1));
        const RecordSet::Row& r = *rs.cachedRow(i);
        const qint64 key = r.value(0).toLongLong();
        if (!model_.contains(key) || !same(test::Row(r.begin(), r.end()), model_[key]))
            return QStringLiteral("record set: row %1 is %2, the table holds %3")
                .arg(i).arg(show(test::Row(r.begin(), r.end())), model_.contains(key) ? show(model_[key]) : "nothing");
        keys << key;
    }
    // The rows the filter keeps: all without filter text, else those whose
    // name begins with it (checked where the text holds no wildcard).
    // Sorted by a column, the keys are checked as a set: each engine
    // orders texts its own way.
    QList<qint64> listed = keys;
    if (grid->horizontalHeader()->sortIndicatorSection() >= 0)
        std::sort(listed.begin(), listed.end());
    if (filter_.isEmpty()) {
        if (listed != model_.keys())
            return QStringLiteral("record set: lists keys %1 of %2").arg(count).arg(model_.size());
    } else if (!filter_.contains(u'%') && !filter_.contains(u'_') && !filter_.contains(u'\\')) {
        QList<qint64> want;
        const int column = by_first_name_ ? 1 : 2;
        for (auto it = model_.cbegin(); it != model_.cend(); ++it)
            if (!it.value()[column].isNull() && it.value()[column].toString().startsWith(filter_, Qt::CaseInsensitive))
                want << it.key();
        QList<qint64> kept = keys;
        std::sort(kept.begin(), kept.end());
        if (kept != want)
            return QStringLiteral("record set: the filter %1 keeps %2 rows, %3 begin with it").arg(quoted(filter_)).arg(kept.size()).arg(want.size());
    }
    const qint64 marked = grid->currentIndex().isValid() ? grid->firstShown() + grid->currentIndex().row() : -1;
    if (count > 0 && marked != rs.position())
        return QStringLiteral("grid: row %1 is current, the record set is at %2").arg(marked).arg(rs.position());
    std::optional<qint64> position = e.position;
    if (e.saved)  // the saved row is shown when the record set holds it
        position = std::max<qint64>(keys.indexOf(*e.saved), 0);
    if (position && count > 0 && rs.position() != std::clamp<qint64>(*position, 0, count - 1))
        return QStringLiteral("position: row %1 is current, the user expects %2").arg(rs.position()).arg(*position);
    return {};
}

QString Session::check_database()
{
    const QVector<test::Row> stored = db_.rows();
    const QList<test::Row> want = model_.values();
    for (qsizetype i = 0; i < std::max(stored.size(), want.size()); ++i) {
        if (i >= stored.size() || i >= want.size() || !same(stored[i], want[i]))
            return QStringLiteral("database: holds %1, the user expects %2")
                .arg(i < stored.size() ? show(stored[i]) : "no more rows", i < want.size() ? show(want[i]) : "no more rows");
        if (i > 0 && stored[i][0] == stored[i - 1][0])
            return QStringLiteral("database: key %1 twice").arg(stored[i][0].toString());
    }
    const QString integrity = db_.integrity();
    if (integrity != "ok")
        return QStringLiteral("database: integrity_check says %1").arg(integrity);
    return {};
}

// ---- running and shrinking ----

namespace {

QString replay(const std::vector<Action>& trace, bool paged)
{
    Session s(paged);
    for (const Action& a : trace)
        if (QString problem = s.step(a); !problem.isEmpty())
            return problem;
    return {};
}

// Removes ever smaller runs of actions while the same kind of failure
// remains, within a time budget.
std::vector<Action> shrink(std::vector<Action> trace, const QString& message, bool paged)
{
    QElapsedTimer budget;
    budget.start();
    const QString kind = category(message);
    for (size_t chunk = trace.size() / 2; chunk >= 1 && budget.elapsed() < 120000; chunk /= 2) {
        for (size_t i = 0; i < trace.size() && budget.elapsed() < 120000;) {
            std::vector<Action> shorter(trace.begin(), trace.begin() + i);
            shorter.insert(shorter.end(), trace.begin() + std::min(trace.size(), i + chunk), trace.end());
            if (category(replay(shorter, paged)) == kind)
                trace = std::move(shorter);
            else
                i += chunk;
        }
    }
    return trace;
}

}  // namespace

std::optional<Failure> run(quint64 seed, int count, QString* summary)
{
    std::mt19937_64 rng(seed);
    std::vector<Action> trace;
    Failure failure;
    failure.paged = seed % 2 == 0;
    {
        Session s(failure.paged);
        for (int i = 0; i < count && failure.message.isEmpty(); ++i) {
            trace.push_back(choose(rng, s.form(), s.crowded()));
            failure.message = s.step(trace.back());
        }
        if (summary)
            *summary = s.tally();
    }
    if (failure.message.isEmpty())
        return std::nullopt;
    failure.seed = seed;
    failure.at = int(trace.size());
    failure.trace = shrink(trace, failure.message, failure.paged);
    if (QString again = replay(failure.trace, failure.paged); !again.isEmpty())
        failure.message = again;
    return failure;
}

QString report(const Failure& f)
{
    QString out = QStringLiteral("seed %1 failed at action %2: %3\nshortest trace found (%4 actions), from the %5 start rows:\n")
                      .arg(f.seed).arg(f.at).arg(f.message).arg(f.trace.size()).arg(f.paged ? "paged" : "few");
    int n = 0;
    for (const Action& a : f.trace)
        out += QStringLiteral("  %1. %2\n").arg(++n).arg(describe(a));
    return out;
}

}  // namespace random_user
