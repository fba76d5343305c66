#include "data/database.h"

#include "data/engines/engine.h"

#include <QCoreApplication>

Database::Database() = default;

Database::~Database()
{
    close();
}

QString Database::name_of(const QString& target)
{
    return dialect_for(target).name(target);
}

void Database::close()
{
    if (session_)
        session_->disconnect();
    inTransaction_ = false;
}

void Database::open(const QString& target, const QString& password)
{
    close();
    target_ = target;
    password_ = password;
    Engine engine = engine_for(target);
    dialect_ = &engine.dialect;
    name_ = dialect_->name(target);
    {
        std::lock_guard lock(sessionLock_);
        session_ = std::move(engine.session);
        if (aborted_)
            session_->abort();
    }
    try {
        session_->connect(target_, password_, answerWait_);
    } catch (const DbError&) {
        close();
        throw;
    }
}

void Database::reconnect()
{
    close();
    try {
        session_->connect(target_, password_, answerWait_);
    } catch (const DbError& e) {
        close();
        if (e.cancelled())
            throw;
        const QString opening = openFailure(DbError(0, {})).message();
        const QString why = e.message().startsWith(opening) ? e.message().mid(opening.size()) : e.message();
        throw DbError(e.number(), QCoreApplication::translate("Connection", "The database %1 cannot be reached: %2").arg(name_, why),
                      DbError::Kind::Lost);
    }
}

DbError Database::openFailure(const DbError& cause) const
{
    return cause.prefixed(QCoreApplication::translate("Connection", "Cannot open the database %1: ").arg(name_));
}

void Database::cancel()
{
    std::lock_guard lock(sessionLock_);
    if (session_)
        session_->cancel();
}

void Database::uncancel()
{
    if (session_)
        session_->uncancel();
}

void Database::abort()
{
    aborted_ = true;
    std::lock_guard lock(sessionLock_);
    if (session_)
        session_->abort();
}

template <class Work>
auto Database::once_more_if_lost(Work work) -> decltype(work())
{
    try {
        return work();
    } catch (const DbError& e) {
        if (!e.lost() || e.number() == DbError::NoAnswer || inTransaction_)
            throw;
    }
    reconnect();
    return work();
}

void Database::requireOpen() const
{
    // A connection closed when the server was lost is opened again by the
    // caller, as a lost one is.
    if (!session_ || !session_->is_open())
        throw DbError(DbError::RecordSetClosed, QCoreApplication::translate("Connection", "The database connection is not open."),
                      session_ ? DbError::Kind::Lost : DbError::Kind::Failed);
}

void Database::checkValues(const QList<Statement>& statements) const
{
    for (const Statement& s : statements)
        dialect_->check_values(s.params, name_);
}

Rows Database::run(const QString& sql, const QVariantList& params, int wait_ms, bool quick)
{
    requireOpen();
    dialect_->check_values(params, name_);
    return session_->run(sql, params, wait_ms, quick);
}

Rows Database::read(const QString& sql, const QVariantList& params)
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

Rows Database::query(const QString& sql, const QVariantList& params)
{
    return once_more_if_lost([&] { return read(sql, params); });
}

QVariant Database::scalar(const QString& sql, const QVariantList& params)
{
    Rows r = query(sql, params);
    return r.next() ? r.value(0) : QVariant();
}

QList<Rows> Database::queries(const QList<Statement>& statements)
{
    return once_more_if_lost([&] {
        requireOpen();
        checkValues(statements);
        return session_->run_together(statements, answerWait_);
    });
}

qint64 Database::execute(const QString& sql, const QVariantList& params, QVariant* returned)
{
    requireOpen();
    session_->check_writable();
    Rows r = run(sql, params, answerWait_);
    if (returned)
        *returned = r.next() ? r.value(0) : QVariant();
    ++generation_;
    return r.changed;
}

QList<Rows> Database::change_and_read(const Statement& change, const QList<Statement>& reads)
{
    requireOpen();
    session_->check_writable();
    if (reads.isEmpty() || !dialect_->sends_together()) {
        QList<Rows> out{run(change.sql, change.params, answerWait_)};
        ++generation_;
        return out;
    }
    QList<Statement> statements{change};
    statements += reads;
    checkValues(statements);
    QList<Rows> out = session_->run_together(statements, answerWait_);
    ++generation_;
    return out;
}

void Database::begin(const QStringList& statements)
{
    requireOpen();
    session_->check_writable();
    // Nothing is done before the first statement: a connection found lost
    // there is opened again, as query() does.
    once_more_if_lost([&] { return run(statements.value(0), {}, answerWait_); });
    inTransaction_ = true;
    try {
        for (const QString& sql : statements.mid(1))
            run(sql, {}, answerWait_);
    } catch (const DbError&) {
        rollback();
        throw;
    }
}

void Database::commit()
{
    // A transaction that added many rows may take long to commit.
    run(QStringLiteral("COMMIT"), {}, longAnswerWait_);
    inTransaction_ = false;
    ++generation_;
}

void Database::rollback() noexcept
{
    if (!inTransaction_)
        return;
    inTransaction_ = false;
    ++generation_;
    try {
        if (session_ && session_->is_open())
            session_->run(QStringLiteral("ROLLBACK"), {}, answerWait_);
    } catch (const DbError&) {
    }
}

QStringList Database::columns(const QString& table)
{
    requireOpen();
    return session_->columns(table, answerWait_);
}

std::optional<qint64> Database::change_count()
{
    // Asked of a connection lost too: a server's notifications need no
    // statement, and what was missed meanwhile counts as a change.
    return session_ ? session_->change_count() : std::nullopt;
}

void Database::insert_rows(const QString& table, const QStringList& columns, const QVariantList& values)
{
    requireOpen();
    session_->insert_rows(table, columns, values, longAnswerWait_);
}

int Database::lock_wait()
{
    return session_->lock_wait();
}

void Database::set_lock_wait(int ms)
{
    session_->set_lock_wait(ms, answerWait_);
}
