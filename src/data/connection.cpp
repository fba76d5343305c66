#include "connection.h"

#include <QCoreApplication>
#include <QSqlError>
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

DbError Connection::errorOf(const QSqlError& e) const
{
    return engine_->error(e);
}

DbError Connection::openFailure(const DbError& cause) const
{
    return cause.prefixed(QCoreApplication::translate("Connection", "Cannot open the database %1: ").arg(engine_->name()));
}

QSqlQuery Connection::query(const QString& sql, const QVariantList& params)
{
    try {
        return run(sql, params);
    } catch (const DbError& e) {
        if (!e.lost() || inTransaction_)
            throw;
    }
    reconnect();
    return run(sql, params);
}

void Connection::begin(const QStringList& statements)
{
    engine_->check_writable(*this);
    // Nothing is done before the first statement: a connection found lost
    // there is opened again, as query() does.
    try {
        run(statements.value(0), {});
    } catch (const DbError& e) {
        if (!e.lost())
            throw;
        reconnect();
        run(statements.value(0), {});
    }
    inTransaction_ = true;
    try {
        for (const QString& sql : statements.mid(1))
            run(sql, {});
    } catch (const DbError&) {
        rollback();
        throw;
    }
}

void Connection::commit()
{
    run(QStringLiteral("COMMIT"), {});
    inTransaction_ = false;
    ++generation_;
}

void Connection::rollback() noexcept
{
    if (!inTransaction_)
        return;
    inTransaction_ = false;
    ++generation_;
    if (!db_.isOpen())
        return;
    QSqlQuery q(db_);
    q.exec(QStringLiteral("ROLLBACK"));
}

QSqlQuery Connection::run(const QString& sql, const QVariantList& params)
{
    // A connection closed when the server was lost is opened again by the
    // caller, as a lost one is.
    if (!db_.isOpen())
        throw DbError(DbError::RecordSetClosed, QCoreApplication::translate("Connection", "The database connection is not open."),
                      engine_ ? DbError::Kind::Lost : DbError::Kind::Failed);
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    // A statement without values runs as it is: servers prepare only
    // queries and changes, not the statements that make tables.
    if (params.isEmpty()) {
        if (!q.exec(sql))
            throw errorOf(q.lastError());
        return q;
    }
    engine_->check_values(params);
    if (!q.prepare(sql))
        throw errorOf(q.lastError());
    for (const QVariant& p : params)
        q.addBindValue(p);
    if (!q.exec())
        throw errorOf(q.lastError());
    return q;
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params)
{
    QSqlQuery q = query(sql, params);
    if (!q.next()) {
        if (q.lastError().isValid())
            throw errorOf(q.lastError());
        return {};
    }
    return q.value(0);
}

qint64 Connection::execute(const QString& sql, const QVariantList& params, QVariant* returned)
{
    engine_->check_writable(*this);
    QSqlQuery q = run(sql, params);
    const qint64 changed = q.numRowsAffected();
    if (returned) {
        *returned = q.next() ? q.value(0) : QVariant();
        // The change commits only when the statement has run to its end:
        // step there, so that a refused commit is an error here and not
        // lost in the reset.
        while (q.next()) {
        }
        if (q.lastError().isValid())
            throw errorOf(q.lastError());
    }
    q.finish();
    ++generation_;
    return changed;
}

Connection::NoWait::NoWait(Connection& cn) : cn_(cn), saved_(cn.engine().lock_wait(cn))
{
    cn_.engine().set_lock_wait(cn_, 0);
}

Connection::NoWait::~NoWait()
{
    cn_.engine().set_lock_wait(cn_, saved_);
}
