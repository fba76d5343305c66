#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// What a database target names: a PostgreSQL server database (a URL, or
// libpq's "keyword=value" connection string) or a database file, and the
// rule that a password never stands in one.
namespace target {

// Whether a target names a PostgreSQL database rather than a file: a URL
// (in either spelling libpq takes) or libpq's "keyword=value" connection
// string, as libpq reads them.
bool is_server(const QString& target);
// The settings of a server target by libpq's own names; none when it is
// not one libpq can read.
std::optional<QList<QPair<QString, QString>>> server_settings(const QString& target);
// Whether a server target holds a password (user:secret@ or a password
// setting), which must never be written where others see it.
bool holds_password(const QString& target);
// Why such a target is refused, where names the place it was written:
// "The --database option names a server database together with its
// password. ..."
QString password_refusal(const QString& where);

}  // namespace target
