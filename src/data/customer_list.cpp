#include "data/customer_list.h"

#include "data/engines/engine.h"

#include <QFile>
#include <QSaveFile>

namespace {
// How often the list looks for other programs' changes, and how long it
// waits before it tries again to read a list it could not read.
constexpr int kLookMs = 400;
constexpr int kRetryMs = 1000;

// The list read again after a change whose statements went alone, or
// where reading it went with the change; why not, when it could not be.
std::optional<DbError> read_after(CustomerTable& table, CustomerTable::Reread& reread)
{
    if (reread.answer)
        return std::nullopt;
    try {
        table.ask(reread);
        return std::nullopt;
    } catch (const DbError& e) {
        return e;
    }
}
}  // namespace

CustomerList::CustomerList(QString target, QObject* parent)
    : QObject(parent), target_(std::move(target)), table_(cn_.database()), rs_(cn_, table_)
{
    timer_.setInterval(kLookMs);
    connect(&timer_, &QTimer::timeout, this, &CustomerList::tick);
}

CustomerList::~CustomerList()
{
    close();
}

QString CustomerList::name() const
{
    return Database::name_of(target_);
}

void CustomerList::close()
{
    timer_.stop();
    cn_.close();
    if (counter_)
        counter_->close();
}

void CustomerList::openCounter()
{
    // Connecting costs round trips of its own: it goes on meanwhile, and a
    // count opens the connection itself when this could not (a password
    // asked for later).
    auto opened = [this] {
        return [target = target_, password = password_](Database& db) {
            if (db.is_open())
                return;
            db.setAnswerWaits(Database::kLongAnswerWaitMs, Database::kLongAnswerWaitMs);
            db.open(target, password);
        };
    };
    counter_ = std::make_unique<Connection>();
    counter_->ask(opened());
    rs_.setCounter([this, opened](Statement count) {
        return counter_->ask([open = opened(), count](Database& db) {
            open(db);
            Rows q = db.query(count.sql, count.params);
            return q.rows.value(0);
        });
    });
}

QCoro::Task<> CustomerList::open()
{
    if (dialect_for(target_).counts_slowly() && !counter_)
        openCounter();
    CustomerTable& table = table_;
    // The first rows come in the same round trip as the table's columns.
    auto asked = cn_.ask([&table, target = target_, password = password_, reread = rs_.reread()](Database& db) mutable {
        db.open(target, password);
        try {
            table.open(&reread);
        } catch (const DbError& e) {
            // A damaged file often shows only when its rows are first read.
            if (e.number() == DbError::NoDeptTable)
                throw;
            throw db.openFailure(e);
        }
        return std::pair{table.headings(), reread};
    });
    auto [headings, first] = co_await asked;
    rs_.setHeadings(headings);
    rs_.install(RowSource::all(), first);
    timer_.start();
}

void CustomerList::cancelRead()
{
    if (reading_)
        cn_.cancel(std::exchange(reading_, nullptr));
}

void CustomerList::fellBehind(const RowSource& source, std::optional<Keep> keep)
{
    behind_ = Wanted{source, keep};
    sinceFailed_.start();
}

QCoro::Task<> CustomerList::filter(const QString& text, RowSource::Column column, std::optional<Keep> keep)
{
    const RowSource source = text.isEmpty() ? RowSource::all() : RowSource::names_beginning(column, text);
    co_await read(source.sorted(sort_.first, sort_.second), keep);
}

QCoro::Task<> CustomerList::sort(int column, bool descending, std::optional<Keep> keep)
{
    sort_ = {column, column >= 0 && descending};
    // The rows wanted last, when they could not be read yet.
    const RowSource rows = behind_ ? behind_->source : rs_.source();
    co_await read(rows.sorted(sort_.first, sort_.second), keep);
}

QCoro::Task<> CustomerList::read(RowSource source, std::optional<Keep> keep)
{
    cancelRead();
    CustomerTable& table = table_;
    auto answer = cn_.ask([&table, source, r = rs_.reread(keep ? std::optional(keep->cusnum) : std::nullopt)](Database&) mutable {
        r.listing = table.listing(source);
        table.ask(r);
        return r;
    });
    reading_ = answer.ticket();
    ++reads_;
    const auto ended = qScopeGuard([this] {
        if (--reads_ == 0)
            emit readEnded();
    });
    CustomerTable::Reread reread;
    try {
        reread = co_await answer;
    } catch (const DbError& e) {
        if (e.passing() && !e.cancelled())
            fellBehind(source, keep);
        throw;
    }
    behind_.reset();
    const qint64 target = rs_.install(source, reread, keep ? keep->near : 0);
    try {
        co_await rs_.moveTo(target);
    } catch (const DbError&) {
        // The first row stays current.
    }
}

QCoro::Task<> CustomerList::refresh()
{
    // Nothing was written since the rows were read: only back to the first.
    bool outdated = behind_.has_value();
    if (!outdated)
        outdated = co_await rs_.outdated();
    if (!outdated) {
        if (rs_.hasRows())
            co_await rs_.moveFirst();
        co_return;
    }
    co_await read(rs_.source(), std::nullopt);
}

QCoro::Task<qint64> CustomerList::new_key()
{
    CustomerTable& table = table_;
    auto asked = cn_.ask([&table](Database&) { return table.new_key(); });
    co_return co_await asked;
}

QCoro::Task<> CustomerList::show(const RowSource& source, const CustomerTable::Reread& reread, std::optional<qint64> cusnum,
                                 Change& change)
{
    if (!reread.answer) {
        fellBehind(source, cusnum ? std::optional(Keep{*cusnum, 0}) : std::nullopt);
        co_return;
    }
    behind_.reset();
    const qint64 target = rs_.install(source, reread);
    try {
        co_await rs_.moveTo(target);
    } catch (const DbError& e) {
        // The first row stays current.
        if (!change.unlisted && e.passing() && !e.cancelled())
            change.unlisted = e;
    }
}

QCoro::Task<CustomerList::Change> CustomerList::change(Changer work, bool showChanged, std::optional<qint64> near)
{
    const auto busy = changing();
    const RowSource source = rs_.source();
    CustomerTable& table = table_;
    auto asked = cn_.ask([&table, work, source, r = rs_.reread(near)](Database&) mutable {
        r.listing = table.listing(source);
        Change c = work(table, r);
        c.unlisted = read_after(table, r);
        return std::pair{c, r};
    });
    auto [changed, reread] = co_await asked;
    const std::optional<qint64> shown = showChanged ? std::optional(changed.key) : std::nullopt;
    co_await show(source, reread, shown, changed);
    co_return changed;
}

QCoro::Task<CustomerList::Change> CustomerList::add(CustomerRow typed, std::optional<qint64> key)
{
    const Changer insert = [typed, key](CustomerTable& table, CustomerTable::Reread& reread) {
        Change c;
        c.key = table.insert(typed, &reread, key);
        return c;
    };
    co_return co_await change(insert, true);
}

QCoro::Task<CustomerList::Change> CustomerList::change_one(qint64 cusnum, OneChanger work, bool showChanged)
{
    const Changer changer = [cusnum, work](CustomerTable& table, CustomerTable::Reread& reread) {
        Change c;
        c.key = cusnum;
        c.outcome = work(table, reread);
        return c;
    };
    const std::optional<qint64> near = showChanged ? std::optional(cusnum) : std::nullopt;
    co_return co_await change(changer, showChanged, near);
}

QCoro::Task<CustomerList::Change> CustomerList::update(CustomerRow shown, CustomerRow typed)
{
    const OneChanger update = [shown, typed](CustomerTable& table, CustomerTable::Reread& reread) { return table.update(shown, typed, &reread); };
    co_return co_await change_one(shown.cusnum, update, true);
}

// The list read again from its first row.
QCoro::Task<CustomerList::Change> CustomerList::remove(qint64 cusnum)
{
    const OneChanger remove = [cusnum](CustomerTable& table, CustomerTable::Reread& reread) { return table.remove(cusnum, &reread); };
    co_return co_await change_one(cusnum, remove, false);
}

QCoro::Task<CustomerList::Change> CustomerList::remove_same(CustomerRow row)
{
    const OneChanger remove = [row](CustomerTable& table, CustomerTable::Reread& reread) { return table.remove_same(row, &reread); };
    co_return co_await change_one(row.cusnum, remove, false);
}

QCoro::Task<CustomerList::Change> CustomerList::restore(CustomerRow row)
{
    const OneChanger restore = [row](CustomerTable& table, CustomerTable::Reread& reread) { return table.restore(row, &reread); };
    co_return co_await change_one(row.cusnum, restore, true);
}

QCoro::Task<CustomerList::Change> CustomerList::remove_added(CustomerTable::Added added)
{
    const Changer remove = [added](CustomerTable& table, CustomerTable::Reread&) {
        Change c;
        c.outcome = table.remove_added(added);
        return c;
    };
    co_return co_await change(remove, false);
}

QCoro::Task<CustomerList::Change> CustomerList::add_again(CustomerTable::Added& added)
{
    auto again = std::make_shared<CustomerTable::Added>(added);
    const Changer add = [again](CustomerTable& table, CustomerTable::Reread&) {
        Change c;
        c.outcome = table.add_again(*again);
        return c;
    };
    Change c = co_await change(add, false);
    added = *again;
    co_return c;
}

QCoro::Task<ExportResult> CustomerList::export_csv(QString path, std::shared_ptr<Progress> progress)
{
    const auto busy = changing();
    CustomerTable& table = table_;
    // The rows are read a page at a time as they are written to a
    // temporary file beside the one chosen, which takes its place only
    // when all of them are written: a cancel or a failure leaves no file,
    // and an existing file as it was.
    auto asked = cn_.ask([&table, path, progress, source = rs_.source()](Database&) {
        ExportResult result;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            result.outcome = ExportResult::WriteFailed;
            result.error = file.errorString();
            return result;
        }
        result = export_customers(table, source, &file, [&](qint64 done) {
            if (progress->told)
                progress->told(done, 0);
            return !progress->cancelled;
        });
        if (result.outcome == ExportResult::Done && !file.commit()) {
            result.outcome = ExportResult::WriteFailed;
            result.error = file.errorString();
        }
        return result;
    });
    co_return co_await asked;
}

QCoro::Task<> CustomerList::read_listed(std::function<void(CustomerTable&, const RowSource&)> work)
{
    const auto busy = changing();
    CustomerTable& table = table_;
    auto asked = cn_.ask([&table, work = std::move(work), source = rs_.source()](Database&) { work(table, source); });
    co_await asked;
}

QCoro::Task<CustomerList::Imported> CustomerList::import_csv(QString path, std::shared_ptr<Progress> progress)
{
    CustomerTable& table = table_;
    Imported imported;
    {
        const auto busy = changing();
        auto asked = cn_.ask([&table, path, progress](Database&) {
            Imported out;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                out.result.outcome = ImportResult::Refused;
                out.result.refusal = file.errorString();
                out.fileError = true;
                return out;
            }
            CsvCustomerSource source(&file);
            out.result = import_customers(table, source, [&](qint64 done, qint64 total) {
                if (progress->told)
                    progress->told(done, total);
                return !progress->cancelled;
            });
            out.windows1252 = source.windows1252();
            return out;
        });
        imported = co_await asked;
    }
    if (imported.result.outcome != ImportResult::Done)
        co_return imported;
    // The list is read again as the filter says, at the first customer
    // imported when it lists it.
    const std::optional<Keep> first = imported.result.firstKey ? std::optional(Keep{*imported.result.firstKey, 0}) : std::nullopt;
    try {
        co_await read(rs_.source(), first);
    } catch (const DbError& e) {
        if (!e.passing() || e.cancelled())
            throw;
        imported.unlisted = e;
    }
    co_return imported;
}

void CustomerList::tick()
{
    if (following_ || reads_ > 0 || changing_ || !rs_.isOpen() || !mayReadAlone || !mayReadAlone())
        return;
    if (behind_ && sinceFailed_.isValid() && sinceFailed_.elapsed() < kRetryMs)
        return;
    follow();
}

// While the window waits for the user: a change another program committed
// shows within about a second, on the same customer (or the row where it
// stood, when it was deleted). A list that could not be read is read again.
QCoro::Task<> CustomerList::follow()
{
    following_ = true;
    const auto done = qScopeGuard([this] { following_ = false; });
    try {
        std::optional<Wanted> wanted = behind_;
        if (!wanted) {
            const bool outdated = co_await rs_.outdated();
            if (!outdated)
                co_return;
            // The user began something meanwhile: looked at again later.
            if (reads_ > 0 || changing_ || !mayReadAlone())
                co_return;
            std::optional<Keep> keep;
            if (!rs_.bof() && !rs_.eof())
                keep = Keep{rs_.current().cusnum, rs_.position()};
            wanted = Wanted{rs_.source(), keep};
        }
        co_await read(wanted->source, wanted->keep);
        emit listed();
    } catch (const DbError& e) {
        // Locked or out of reach: tried again at a later tick.
        if (!e.passing())
            emit failed(e);
    }
}
