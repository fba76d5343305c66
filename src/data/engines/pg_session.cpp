#include "data/engines/pg_session.h"

#include "data/customer_row.h"
#include "data/engines/pg_dialect.h"
#include "data/engines/target.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QSet>
#include <QRegularExpression>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <libpq-fe.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

bool is_lost(const QString& state)
{
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01")
        || state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

QString no_answer_within(int seconds)
{
    return QCoreApplication::translate("PgSession", "no answer within %n seconds", nullptr, seconds);
}

}  // namespace

PgSession::PgSession() : wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

PgSession::~PgSession()
{
    disconnect();
    if (wake_ >= 0)
        ::close(wake_);
}

void PgSession::disconnect()
{
    {
        std::lock_guard lock(cancels_->lock);
        cancels_->canceller.reset();
    }
    if (conn_ && PQstatus(conn_) == CONNECTION_BAD)
        abandon();
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
}

// A connection cut off from its server: the server may not have noticed
// yet and may still be running, or committing, what was sent last.
void PgSession::abandon()
{
    abandoned_ = serverProcess_;
    abandonedName_ = sessionName_;
}

void PgSession::abort()
{
    aborted_ = true;
    const quint64 one = 1;
    if (wake_ >= 0)
        [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
}

DbError PgSession::aborted() const
{
    return DbError(DbError::GivenUp, QCoreApplication::translate("PgSession", "The connection to the database %1 was closed.").arg(name_),
                   DbError::Kind::Cancelled);
}

bool PgSession::wait_for(int socket, short events, qint64 deadline)
{
    for (;;) {
        if (aborted_)
            throw aborted();
        pollfd p[2]{{socket, events, 0}, {wake_, POLLIN, 0}};
        const qint64 left = deadline - QDateTime::currentMSecsSinceEpoch();
        if (left <= 0)
            return false;
        const int ready = ::poll(p, 2, int(std::min<qint64>(left, INT_MAX)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (aborted_)
            throw aborted();
        return ready != 0;
    }
}

PGconn* PgSession::connect_once(const QList<QByteArray>& keys, const QList<QByteArray>& values, QString& why)
{
    std::vector<const char*> k, v;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        k.push_back(keys[i].constData());
        v.push_back(values[i].constData());
    }
    k.push_back(nullptr);
    v.push_back(nullptr);
    PGconn* conn = PQconnectStartParams(k.data(), v.data(), 0);
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + kConnectWaitMs;
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    try {
        while (conn && PQstatus(conn) != CONNECTION_BAD && status != PGRES_POLLING_OK && status != PGRES_POLLING_FAILED) {
            if (!wait_for(PQsocket(conn), status == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline)) {
                why = no_answer_within(kConnectWaitMs / 1000);
                PQfinish(conn);
                return nullptr;
            }
            status = PQconnectPoll(conn);
        }
    } catch (const DbError&) {
        PQfinish(conn);
        throw;
    }
    if (conn && PQstatus(conn) == CONNECTION_OK)
        return conn;
    why = conn ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : QStringLiteral("out of memory");
    PQfinish(conn);
    return nullptr;
}

void PgSession::connect(const QString& url, const QString& password, int wait_ms)
{
    disconnect();
    name_ = PgDialect().name(url);
    const QString where = QCoreApplication::translate("PgSession", "Cannot open the database %1: ").arg(name_);
    const auto settings = target::server_settings(url).value_or(QList<QPair<QString, QString>>());
    if (settings.isEmpty())
        throw DbError(DbError::NotADatabase, where + QCoreApplication::translate("PgSession", "the URL cannot be read."));
    // The program's settings first: the URL's own, then a password given
    // apart, take their place.
    // Each connection names itself apart ("Tallyhouse 5f3a09c2"), so that
    // the process of one given up is told from any other that has its
    // number later, on this server or another of a list.
    const QByteArray session = "Tallyhouse " + QByteArray::number(QRandomGenerator::system()->generate(), 16);
    QList<QPair<QByteArray, QByteArray>> given{{"keepalives", "1"},        {"keepalives_idle", "5"},
                                               {"keepalives_interval", "2"}, {"keepalives_count", "2"},
                                               {"tcp_user_timeout", "5000"}, {"application_name", session},
                                               {"options", kSessionSettings}};
    auto set = [&](const QByteArray& key, const QByteArray& value) {
        for (auto& g : given)
            if (g.first == key) {
                g.second = value;
                return;
            }
        given.append({key, value});
    };
    QStringList hosts, addresses, ports;
    for (const auto& [key, value] : settings) {
        if (key == QLatin1String("host"))
            hosts = value.split(u',');
        else if (key == QLatin1String("hostaddr"))
            addresses = value.split(u',');
        else if (key == QLatin1String("port"))
            ports = value.split(u',');
        else
            set(key.toUtf8(), value.toUtf8());
    }
    if (!password.isEmpty())
        set("password", password.toUtf8());
    // Each host in turn, as libpq would, but with a wait of our own for
    // each that the program's end cuts short.
    const qsizetype count = std::max<qsizetype>({1, hosts.size(), addresses.size()});
    QStringList whys;
    PGconn* conn = nullptr;
    for (qsizetype i = 0; i < count && !conn; ++i) {
        QList<QByteArray> keys, values;
        for (const auto& [key, value] : given) {
            keys << key;
            values << value;
        }
        auto add = [&](const char* key, const QStringList& list) {
            if (list.isEmpty())
                return;
            keys << key;
            values << list.value(list.size() == 1 ? 0 : i).toUtf8();
        };
        add("host", hosts);
        add("hostaddr", addresses);
        add("port", ports);
        QString why;
        conn = connect_once(keys, values, why);
        if (!conn)
            whys << why;
    }
    if (!conn) {
        const QString text = whys.join(u'\n');
        const bool needsPassword = text.contains(QLatin1String("no password supplied"))
            || text.contains(QLatin1String("password authentication failed"));
        throw DbError(DbError::NotADatabase, where + text,
                      needsPassword ? DbError::Kind::Password : DbError::Kind::Failed);
    }
    PQsetnonblocking(conn, 1);
    // Kept now: libpq no longer tells them once the connection is lost.
    serverProcess_ = PQbackendPID(conn);
    sessionName_ = QString::fromUtf8(PQparameterStatus(conn, "application_name"));
    // The server's notices and warnings are not the user's: nothing goes
    // to standard error.
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    conn_ = conn;
    {
        std::lock_guard lock(cancels_->lock);
        cancels_->canceller.reset(PQgetCancel(conn), PQfreeCancel);
    }
    // Whatever happened while the connection was gone is unknown.
    ++notified_;
    // A connection given up may still have its statement running on the
    // server: it is ended first (waiting up to 2 s for it to go), so that
    // a change it carried is either done or never done when the caller
    // checks.
    try {
        if (abandoned_)
            run(QStringLiteral("SELECT pg_terminate_backend(pid, 2000) FROM pg_stat_activity "
                               "WHERE pid = ? AND application_name = ?"),
                {abandoned_, abandonedName_}, wait_ms);
    } catch (const DbError& e) {
        if (!conn_ || e.lost() || e.cancelled())
            throw DbError(e.number(), where + e.message(), e.kind());
        // Not ours to end, or ended already.
    }
    abandoned_ = 0;
    // A connection opened again listens again, and waits for locks as long
    // as it was told to; a new one listens once its table is opened
    // (table_statements), in the same round trip as the first rows.
    try {
        if (listening_)
            run(QStringLiteral("LISTEN %1").arg(QLatin1String(PgDialect::kChannel)), {}, wait_ms);
        if (lockWait_ != kLockWaitMs)
            run(QStringLiteral("SET lock_timeout = %1").arg(std::max(1, lockWait_)), {}, wait_ms);
    } catch (const DbError& e) {
        disconnect();
        throw DbError(e.number(), where + e.message(), e.kind());
    }
}

namespace {

QByteArray param_text(const QVariant& v, Oid& type)
{
    // Untyped, as a quoted literal: the server takes the type the statement
    // needs. A fraction goes as one, rounded where a whole number is stored.
    type = 0;
    switch (v.typeId()) {
    case QMetaType::Bool:
        type = 16;
        return v.toBool() ? "t" : "f";
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QByteArray::number(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        type = 701;
        return QByteArray::number(v.toDouble(), 'g', 17);
    default:
        return v.toString().toUtf8();
    }
}

QVariant value_of(const PGresult* r, int row, int column)
{
    const Oid type = PQftype(r, column);
    QMetaType meta;
    switch (type) {
    case 16: meta = QMetaType(QMetaType::Bool); break;
    case 20: case 21: case 23: case 26: meta = QMetaType(QMetaType::LongLong); break;
    case 700: case 701: case 1700: meta = QMetaType(QMetaType::Double); break;
    default: meta = QMetaType(QMetaType::QString);
    }
    if (PQgetisnull(r, row, column))
        return QVariant(meta);
    const char* text = PQgetvalue(r, row, column);
    switch (meta.id()) {
    case QMetaType::Bool: return QVariant(text[0] == 't');
    case QMetaType::LongLong: return QVariant(qlonglong(std::strtoll(text, nullptr, 10)));
    case QMetaType::Double: return QVariant(std::strtod(text, nullptr));
    default: return QVariant(QString::fromUtf8(text, PQgetlength(r, row, column)));
    }
}

}  // namespace

const QByteArray& PgSession::numbered(const QString& sql)
{
    auto it = texts_.find(sql);
    if (it != texts_.end())
        return *it;
    // Quoted texts and names, and $$ bodies, keep their question marks.
    QString out;
    int n = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype end = sql.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? sql.size() : end + 1;
            out += QStringView(sql).mid(i, stop - i);
            i = stop - 1;
        } else if (c == u'$' && sql.mid(i, 2) == QLatin1String("$$")) {
            const qsizetype end = sql.indexOf(QLatin1String("$$"), i + 2);
            const qsizetype stop = end < 0 ? sql.size() : end + 2;
            out += QStringView(sql).mid(i, stop - i);
            i = stop - 1;
        } else if (c == u'?') {
            out += u'$' + QString::number(++n);
        } else {
            out += c;
        }
    }
    if (texts_.size() > 500)
        texts_.clear();
    return *texts_.insert(sql, out.toUtf8());
}

void PgSession::send(const QString& sql, const QVariantList& params)
{
    std::vector<QByteArray> texts(params.size());
    std::vector<const char*> values(params.size());
    std::vector<Oid> types(params.size());
    for (qsizetype i = 0; i < params.size(); ++i) {
        if (params[i].isNull())
            continue;
        texts[i] = param_text(params[i], types[i]);
        values[i] = texts[i].constData();
    }
    if (!PQsendQueryParams(conn_, numbered(sql).constData(), int(params.size()), types.data(), values.data(), nullptr,
                           nullptr, 0))
        throw error(QString(), QString::fromUtf8(PQerrorMessage(conn_)));
}

DbError PgSession::give_up()
{
    abandon();
    disconnect();
    return DbError(DbError::NoAnswer, QCoreApplication::translate("PgSession", "The database %1 does not answer.").arg(name_), DbError::Kind::Lost);
}

PGresult* PgSession::next_result(qint64 deadline)
{
    for (;;) {
        const int unsent = PQflush(conn_);
        if (unsent < 0)
            break;
        if (unsent == 0 && !PQisBusy(conn_))
            break;
        if (!wait_for(PQsocket(conn_), short(POLLIN | (unsent ? POLLOUT : 0)), deadline))
            throw give_up();
        if (!PQconsumeInput(conn_))
            break;
    }
    return PQgetResult(conn_);
}

DbError PgSession::error_of(const PGresult* result) const
{
    QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_)).trimmed();
    const QString state = QString::fromUtf8(result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr);
    if (text.isEmpty())
        text = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
    return error(state, text);
}

Rows PgSession::take(qint64 deadline)
{
    Rows out;
    std::optional<DbError> failed;
    while (PGresult* r = next_result(deadline)) {
        switch (PQresultStatus(r)) {
        case PGRES_TUPLES_OK:
        case PGRES_COMMAND_OK: {
            const int rows = PQntuples(r), columns = PQnfields(r);
            out.rows.reserve(out.rows.size() + rows);
            for (int row = 0; row < rows; ++row) {
                QVariantList values;
                values.reserve(columns);
                for (int c = 0; c < columns; ++c)
                    values << value_of(r, row, c);
                out.rows << std::move(values);
            }
            out.changed = std::strtoll(PQcmdTuples(r), nullptr, 10);
            break;
        }
        case PGRES_PIPELINE_ABORTED:
            if (!failed)
                failed = DbError(1, QCoreApplication::translate("PgSession", "The statement was not run after an earlier one failed."));
            break;
        default:
            if (!failed)
                failed = error_of(r);
        }
        PQclear(r);
        if (!conn_ || PQstatus(conn_) == CONNECTION_BAD)
            break;
    }
    if (!failed && (!conn_ || PQstatus(conn_) == CONNECTION_BAD))
        failed = error(QString(), QString::fromUtf8(conn_ ? PQerrorMessage(conn_) : "").trimmed());
    if (failed)
        throw *failed;
    return out;
}

void PgSession::cancel()
{
    std::shared_ptr<PGcancel> canceller;
    {
        std::lock_guard lock(cancels_->lock);
        canceller = cancels_->canceller;
        if (!canceller)
            return;
        ++cancels_->out;
    }
    // PQcancel connects to the server and waits for it, without a bound.
    std::thread([cancels = cancels_, canceller] {
        char why[256];
        PQcancel(canceller.get(), why, sizeof why);
        std::lock_guard lock(cancels->lock);
        --cancels->out;
        cancels->done.notify_all();
    }).detach();
}

void PgSession::require_ready(int wait_ms)
{
    if (aborted_)
        throw aborted();
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK)
        throw error(QString(), QCoreApplication::translate("PgSession", "the connection was lost"));
    std::unique_lock lock(cancels_->lock);
    cancels_->done.wait_for(lock, std::chrono::milliseconds(wait_ms), [this] { return cancels_->out == 0; });
}

// A server's lock wait is lock_timeout, the same for every statement:
// quick is a file's.
Rows PgSession::run(const QString& sql, const QVariantList& params, int wait_ms, bool)
{
    require_ready(wait_ms);
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + wait_ms;
    send(sql, params);
    return take(deadline);
}

QList<Rows> PgSession::run_together(const QList<Statement>& statements, int wait_ms)
{
    if (statements.size() < 2)
        return DbSession::run_together(statements, wait_ms);
    require_ready(wait_ms);
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + wait_ms;
    if (!PQenterPipelineMode(conn_))
        throw error(QString(), QString::fromUtf8(PQerrorMessage(conn_)));
    QList<Rows> out;
    std::optional<DbError> failed;
    try {
        for (const Statement& s : statements)
            send(s.sql, s.params);
        if (!PQpipelineSync(conn_))
            throw error(QString(), QString::fromUtf8(PQerrorMessage(conn_)));
        for (qsizetype i = 0; i < statements.size(); ++i) {
            try {
                out << take(deadline);
            } catch (const DbError& e) {
                if (!conn_ || e.lost())
                    throw;
                if (!failed)
                    failed = e;
                out << Rows();
            }
        }
        // The end of the pipeline.
        while (PGresult* r = next_result(deadline)) {
            const bool synced = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
            PQclear(r);
            if (synced)
                break;
        }
    } catch (const DbError&) {
        if (conn_)
            PQexitPipelineMode(conn_);
        throw;
    }
    PQexitPipelineMode(conn_);
    if (failed)
        throw *failed;
    return out;
}

DbError PgSession::error(const QString& state, const QString& text) const
{
    // Another program's lock is told in the server's one line, without
    // the statement and context libpq's message quotes after it.
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01") || state == QLatin1String("40001"))
        return DbError(5, text.section(u'\n', 0, 0).remove(QRegularExpression(QStringLiteral("^ERROR:\\s*"))),
                       DbError::Kind::Busy);
    if (state == QLatin1String("23505"))
        return DbError(23505, text, DbError::Kind::KeyTaken);
    if (state == QLatin1String("57014"))  // stopped by cancel()
        return DbError(57014, text, DbError::Kind::Cancelled);
    if (is_lost(state) || (state.isEmpty() && (!conn_ || PQstatus(conn_) == CONNECTION_BAD)))
        return DbError(8006, QCoreApplication::translate("PgSession", "The database %1 cannot be reached: %2").arg(name_, text), DbError::Kind::Lost);
    bool ok = false;
    const int number = state.toInt(&ok);
    return DbError(ok ? number : 1, state.isEmpty() ? text : QStringLiteral("%1 (SQLSTATE %2)").arg(text, state));
}

void PgSession::set_lock_wait(int ms, int wait_ms)
{
    lockWait_ = ms;
    // A connection lost and closed takes the wait when it is opened again.
    if (!conn_)
        return;
    // Zero would wait for ever: the shortest wait is one millisecond.
    run(QStringLiteral("SET lock_timeout = %1").arg(std::max(1, ms)), {}, wait_ms);
}

// Notifications arrive with the answers to statements, or wait on the
// socket: reading them costs no query.
std::optional<qint64> PgSession::change_count()
{
    if (!notifying_)
        return std::nullopt;
    if (conn_ && PQconsumeInput(conn_)) {
        const int self = PQbackendPID(conn_);
        while (PGnotify* n = PQnotifies(conn_)) {
            if (n->be_pid != self)
                ++notified_;
            PQfreemem(n);
        }
    }
    return notified_;
}

namespace {
// The table as a regclass, from its name given as the statement's value.
const QString kInTable = QStringLiteral("to_regclass(current_schema() || '.' || ?)");

QString notifies(const QString& table)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM pg_trigger WHERE tgrelid = %1 AND tgname = '%2_changed')").arg(kInTable, table);
}
// Whether the table has its history and the three triggers that write it.
QString keeps_history(const QString& table)
{
    return QStringLiteral("(to_regclass(current_schema() || '.%1') IS NOT NULL AND (SELECT count(*) FROM pg_trigger "
                          "WHERE tgrelid = %2 AND tgname IN ('%3')) = 3)")
        .arg(Dialect::history_table(table), kInTable, PgDialect::history_triggers(table).join(QStringLiteral("', '")));
}
}  // namespace

QList<Statement> PgSession::table_statements(const QString& table) const
{
    // The catalogue itself: information_schema takes several times as long.
    // What the table has, in one statement: the two name indexes, a unique
    // key, the trigger that notifies; for a table that is missing, none.
    const QString index = QStringLiteral("EXISTS (SELECT 1 FROM pg_indexes WHERE schemaname = current_schema() "
                                         "AND tablename = ? AND indexname = '%1')");
    const QString key = QString::fromLatin1(kCustomerColumns[0].name);
    return {
        {QStringLiteral("LISTEN %1").arg(QLatin1String(PgDialect::kChannel)), {}},
        {QStringLiteral("SELECT attname FROM pg_attribute "
                        "WHERE attrelid = to_regclass(current_schema() || '.' || ?) "
                        "AND attnum > 0 AND NOT attisdropped ORDER BY attnum"),
         {table}},
        {QStringLiteral("SELECT %1, %2, EXISTS (SELECT 1 FROM pg_index i JOIN pg_attribute a "
                        "ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] WHERE i.indrelid = %3 "
                        "AND i.indisunique AND i.indnatts = 1 AND a.attname = '%4'), %5, %6 "
                        "WHERE %3 IS NOT NULL")
             .arg(index.arg(PgDialect::name_index(table, kFname)), index.arg(PgDialect::name_index(table, kLname)), kInTable,
                  key, notifies(table), keeps_history(table)),
         {table, table, table, table, table, table}},
        {QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema() AND tablename = ?"), {table}},
    };
}

QStringList PgSession::open_table(const QString& table, const QList<Rows>& answers, bool prepare, int wait_ms)
{
    listening_ = true;
    QStringList names;
    for (const QVariantList& row : answers.value(1).rows)
        names << row.value(0).toString();
    Rows has = answers.value(2);
    if (names.isEmpty() || !has.next())
        return names;
    notifying_ = has.value(3).toBool();
    if (!prepare)
        return names;
    QList<QStringList> missing;
    if (!has.value(0).toBool())
        missing << QStringList{PgDialect::name_index_statement(table, kFname)};
    if (!has.value(1).toBool())
        missing << QStringList{PgDialect::name_index_statement(table, kLname)};
    if (!has.value(2).toBool())
        missing << QStringList{QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS %1_%2 ON %1 (%2)").arg(table, QLatin1String(kCustomerColumns[0].name))};
    QSet<QString> indexes;
    for (const QVariantList& row : answers.value(3).rows)
        indexes.insert(row.value(0).toString());
    const auto at = column_positions(names);
    for (int i = 1; i < int(kCustomerColumns.size()); ++i)
        if (at[i] >= 0 && !indexes.contains(Dialect::sort_index_name(table, i)))
            missing << QStringList{PgDialect().sort_index_statement(table, i, Dialect::quoted(names[at[i]]))};
    if (!notifying_)
        missing << PgDialect::notify_statements(table);
    // The history, with all it needs, in one transaction.
    if (!has.value(4).toBool())
        missing << PgDialect().history_statements(table, names);
    // Only what is missing is written, without waiting for another
    // program's lock; a role that may only read leaves the table as it
    // is, and then changes are not told, nor kept in a history.
    for (const QStringList& statements : missing) {
        try {
            run(QStringLiteral("BEGIN"), {}, wait_ms);
            run(QStringLiteral("SET LOCAL lock_timeout = 1"), {}, wait_ms);
            for (const QString& sql : statements)
                run(sql, {}, wait_ms);
            run(QStringLiteral("COMMIT"), {}, wait_ms);
        } catch (const DbError& e) {
            if (e.cancelled())
                throw;
            try {
                if (conn_)
                    run(QStringLiteral("ROLLBACK"), {}, wait_ms);
            } catch (const DbError&) {
            }
        }
    }
    if (!notifying_) {
        Rows now = run(QStringLiteral("SELECT ") + notifies(table), {table}, wait_ms);
        notifying_ = now.next() && now.value(0).toBool();
    }
    return names;
}

namespace {

// A value in COPY's text format: \N for NULL, a backslash before a
// backslash, tab or line break. A fraction is rounded, as PostgreSQL
// rounds it into the table's whole-number columns on INSERT.
void append_copy_value(QByteArray& out, const QVariant& value)
{
    if (value.isNull()) {
        out += "\\N";
        return;
    }
    if (value.typeId() == QMetaType::Double) {
        out += QByteArray::number(qint64(std::llround(value.toDouble())));
        return;
    }
    for (const char c : value.toString().toUtf8()) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

}  // namespace

void PgSession::insert_rows(const QString& table, const QStringList& columns, const QVariantList& values, int wait_ms)
{
    if (values.isEmpty())
        return;
    QByteArray data;
    data.reserve(values.size() * 16);
    for (qsizetype i = 0; i < values.size(); ++i) {
        append_copy_value(data, values[i]);
        data += (i + 1) % columns.size() == 0 ? '\n' : '\t';
    }
    require_ready(wait_ms);
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + wait_ms;
    const QByteArray copy = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(QStringLiteral(", "))).toUtf8();
    if (!PQsendQuery(conn_, copy.constData()))
        throw error_of(nullptr);
    PGresult* result = next_result(deadline);
    if (PQresultStatus(result) != PGRES_COPY_IN) {
        const DbError e = error_of(result);
        PQclear(result);
        while (conn_ && (result = next_result(deadline)))
            PQclear(result);
        throw e;
    }
    PQclear(result);
    // The data goes out as the link takes it, the end when it has.
    auto put = [&](auto call) {
        for (;;) {
            const int done = call();
            if (done < 0)
                throw error_of(nullptr);
            if (done > 0)
                return;
            if (!wait_for(PQsocket(conn_), POLLOUT, deadline))
                throw give_up();
            if (PQflush(conn_) < 0)
                throw error_of(nullptr);
        }
    };
    put([&] { return PQputCopyData(conn_, data.constData(), int(data.size())); });
    put([&] { return PQputCopyEnd(conn_, nullptr); });
    take(deadline);
}
