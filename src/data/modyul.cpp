#include "modyul.h"

#include <QCoreApplication>
#include <QDir>
#include <memory>

namespace modyul {

namespace {
std::unique_ptr<Connection> connection;
std::unique_ptr<RecordSet> recordset;
QString dir_override;
}  // namespace

Connection& cn()
{
    if (!connection)
        connection = std::make_unique<Connection>();
    return *connection;
}

RecordSet& rs()
{
    if (!recordset)
        recordset = std::make_unique<RecordSet>();
    return *recordset;
}

QString program_dir()
{
    return dir_override.isEmpty() ? QCoreApplication::applicationDirPath() : dir_override;
}

void set_program_dir(const QString& dir)
{
    dir_override = dir;
}

QString db_path()
{
    QString dir = QDir::cleanPath(program_dir());
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir + QStringLiteral("db40.mdb");
}

void open_db()
{
    cn().setCursorLocation(Connection::adUseClient);
    cn().open(db_path());
}

void reset()
{
    recordset.reset();
    connection.reset();
}

}  // namespace modyul
