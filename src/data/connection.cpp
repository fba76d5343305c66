#include "connection.h"

#include <QCoreApplication>

Connection::Connection() = default;

Connection::~Connection()
{
    close();
}

void Connection::close()
{
    if (session_)
        session_->disconnect();
}

void Connection::open(const QString& target)
{
    close();
    target_ = target;
    dialect_ = &Dialect::for_target(target);
    databaseName_ = dialect_->name(target);
    session_ = DbSession::for_target(target);
    try {
        session_->connect(target_, password_, kAnswerWaitMs);
    } catch (const DbError&) {
        close();
        throw;
    }
}

void Connection::reconnect()
{
    close();
    try {
        session_->connect(target_, password_, kAnswerWaitMs);
    } catch (const DbError& e) {
        close();
        const QString opening = openFailure(DbError(0, {})).message();
        const QString why = e.message().startsWith(opening) ? e.message().mid(opening.size()) : e.message();
        throw DbError(e.number(), QCoreApplication::translate("Connection", "The database %1 cannot be reached: %2").arg(databaseName_, why),
                      DbError::Kind::Lost);
    }
}

DbError Connection::openFailure(const DbError& cause) const
{
    return cause.prefixed(QCoreApplication::translate("Connection", "Cannot open the database %1: ").arg(databaseName_));
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
            dialect_->check_values(s.params, databaseName_);
        return session_->run_together(statements, answerWait_);
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
    session_->check_writable();
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
    if (!session_ || !session_->is_open())
        return;
    try {
        session_->run(QStringLiteral("ROLLBACK"), {}, answerWait_);
    } catch (const DbError&) {
    }
}

void Connection::requireOpen() const
{
    // A connection closed when the server was lost is opened again by the
    // caller, as a lost one is.
    if (!session_ || !session_->is_open())
        throw DbError(DbError::RecordSetClosed, QCoreApplication::translate("Connection", "The database connection is not open."),
                      session_ ? DbError::Kind::Lost : DbError::Kind::Failed);
}

Rows Connection::run(const QString& sql, const QVariantList& params, int wait_ms, bool quick)
{
    requireOpen();
    dialect_->check_values(params, databaseName_);
    return session_->run(sql, params, wait_ms, quick);
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params)
{
    Rows r = query(sql, params);
    return r.next() ? r.value(0) : QVariant();
}

qint64 Connection::execute(const QString& sql, const QVariantList& params, QVariant* returned)
{
    session_->check_writable();
    Rows r = run(sql, params, answerWait_);
    if (returned)
        *returned = r.next() ? r.value(0) : QVariant();
    ++generation_;
    return r.changed;
}

QStringList Connection::columns(const QString& table)
{
    requireOpen();
    return session_->columns(table, answerWait_);
}

void Connection::prepare_table(const QString& table)
{
    requireOpen();
    session_->prepare_table(table, answerWait_);
}

void Connection::insert_rows(const QString& table, const QStringList& columns, const QVariantList& values)
{
    requireOpen();
    session_->insert_rows(table, columns, values, longAnswerWait_);
}

std::optional<qint64> Connection::change_count()
{
    // Asked of a connection lost too: a server's notifications need no
    // statement, and what was missed meanwhile counts as a change.
    return session_->change_count();
}

int Connection::lock_wait()
{
    return session_->lock_wait();
}

void Connection::set_lock_wait(int ms)
{
    session_->set_lock_wait(ms, answerWait_);
}
