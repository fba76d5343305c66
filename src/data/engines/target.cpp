#include "data/engines/target.h"

#include <QCoreApplication>
#include <algorithm>
#include <libpq-fe.h>

namespace target {

std::optional<QList<QPair<QString, QString>>> server_settings(const QString& target)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(target.toUtf8().constData(), &error);
    if (!options) {
        PQfreemem(error);
        return std::nullopt;
    }
    QList<QPair<QString, QString>> out;
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (o->val)
            out.append({QString::fromUtf8(o->keyword), QString::fromUtf8(o->val)});
    PQconninfoFree(options);
    return out;
}

bool is_server(const QString& target)
{
    if (target.startsWith(QLatin1String("postgresql://")) || target.startsWith(QLatin1String("postgres://")))
        return true;
    // libpq's "keyword=value ..." form: every keyword one that libpq
    // knows, as it reads a database name holding "=".
    return target.contains(u'=') && server_settings(target).has_value();
}

bool holds_password(const QString& target)
{
    if (!is_server(target))
        return false;
    const auto settings = server_settings(target);
    return settings && std::any_of(settings->begin(), settings->end(),
                                   [](const auto& s) { return s.first == QLatin1String("password"); });
}

QString password_refusal(const QString& where)
{
    return QCoreApplication::translate("Dialect",
                                       "The %1 names a server database together with its password. "
                                       "A password must never be written there: take it out, "
                                       "and keep it in ~/.pgpass, in PGPASSWORD or in a PostgreSQL service file; "
                                       "the program asks for it when the server wants one.")
        .arg(where);
}

}  // namespace target
