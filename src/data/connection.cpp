#include "connection.h"

#include <QCoreApplication>
#include <atomic>

namespace {
QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tallyhouse-%1").arg(++counter);
}
}  // namespace

Connection::Connection() : name_(nextConnectionName()) {}

Connection::~Connection()
{
    close();
}

void Connection::close()
{
    if (engine_)
        engine_->disconnect();
    db_.close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(name_))
        QSqlDatabase::removeDatabase(name_);
}

void Connection::open(const QString& target)
{
    close();
    target_ = target;
    engine_ = Engine::for_target(target);
    try {
        db_ = engine_->connect(name_, target_, password_);
    } catch (const DbError&) {
        close();
        throw;
    }
}

void Connection::reconnect()
{
    close();
    try {
        db_ = engine_->connect(name_, target_, password_);
    } catch (const DbError& e) {
        close();
        const QString opening = openFailure(DbError(0, {})).message();
        const QString why = e.message().startsWith(opening) ? e.message().mid(opening.size()) : e.message();
        throw DbError(e.number(), QCoreApplication::translate("Connection", "The database %1 cannot be reached: %2").arg(engine_->name(), why),
                      DbError::Kind::Lost);
    }
}

DbError Connection::openFailure(const DbError& cause) const
{
    return cause.prefixed(QCoreApplication::translate("Connection", "Cannot open the database %1: ").arg(engine_->name()));
}

Rows Connection::read(const QString& sql, const QVariantList& params)
{
    try {
        Rows r = run(sql, params, answerWait_, quick_);
        quick_ = false;
        return r;
    } catch (const DbError& e) {
        if (e.busy())
            quick_ = true;
        throw;
    }
}

Rows Connection::query(const QString& sql, const QVariantList& params)
{
    try {
        return read(sql, params);
    } catch (const DbError& e) {
        if (!e.lost() || e.number() == DbError::NoAnswer || inTransaction_)
            throw;
    }
    reconnect();
    return read(sql, params);
}

QList<Rows> Connection::queries(const QList<Statement>& statements)
{
    auto once = [&] {
        requireOpen();
        for (const Statement& s : statements)
            engine_->check_values(s.params);
        return engine_->run_together(*this, statements, answerWait_);
    };
    try {
        return once();
    } catch (const DbError& e) {
        if (!e.lost() || e.number() == DbError::NoAnswer || inTransaction_)
            throw;
    }
    reconnect();
    return once();
}

void Connection::begin(const QStringList& statements)
{
    engine_->check_writable(*this);
    // Nothing is done before the first statement: a connection found lost
    // there is opened again, as query() does.
    try {
        run(statements.value(0), {}, answerWait_);
    } catch (const DbError& e) {
        if (!e.lost() || e.number() == DbError::NoAnswer)
            throw;
        reconnect();
        run(statements.value(0), {}, answerWait_);
    }
    inTransaction_ = true;
    try {
        for (const QString& sql : statements.mid(1))
            run(sql, {}, answerWait_);
    } catch (const DbError&) {
        rollback();
        throw;
    }
}

void Connection::commit()
{
    // A transaction that added many rows may take long to commit.
    run(QStringLiteral("COMMIT"), {}, longAnswerWait_);
    inTransaction_ = false;
    ++generation_;
}

void Connection::rollback() noexcept
{
    if (!inTransaction_)
        return;
    inTransaction_ = false;
    ++generation_;
    if (!engine_ || !engine_->is_open(*this))
        return;
    try {
        engine_->run(*this, QStringLiteral("ROLLBACK"), {}, answerWait_);
    } catch (const DbError&) {
    }
}

void Connection::requireOpen() const
{
    // A connection closed when the server was lost is opened again by the
    // caller, as a lost one is.
    if (!engine_ || !engine_->is_open(const_cast<Connection&>(*this)))
        throw DbError(DbError::RecordSetClosed, QCoreApplication::translate("Connection", "The database connection is not open."),
                      engine_ ? DbError::Kind::Lost : DbError::Kind::Failed);
}

Rows Connection::run(const QString& sql, const QVariantList& params, int wait_ms, bool quick)
{
    requireOpen();
    engine_->check_values(params);
    return engine_->run(*this, sql, params, wait_ms, quick);
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params)
{
    Rows r = query(sql, params);
    return r.next() ? r.value(0) : QVariant();
}

qint64 Connection::execute(const QString& sql, const QVariantList& params, QVariant* returned)
{
    engine_->check_writable(*this);
    Rows r = run(sql, params, answerWait_);
    if (returned)
        *returned = r.next() ? r.value(0) : QVariant();
    ++generation_;
    return r.changed;
}

QList<Rows> Connection::change_and_read(const Statement& change, const QList<Statement>& reads)
{
    if (reads.isEmpty() || !engine_->sends_together()) {
        engine_->check_writable(*this);
        QList<Rows> out{run(change.sql, change.params, answerWait_)};
        ++generation_;
        return out;
    }
    engine_->check_writable(*this);
    requireOpen();
    QList<Statement> statements{change};
    statements += reads;
    for (const Statement& s : statements)
        engine_->check_values(s.params);
    QList<Rows> out = engine_->run_together(*this, statements, answerWait_);
    ++generation_;
    return out;
}
