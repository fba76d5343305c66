#include "data/modyul.h"

#include <QCoreApplication>
#include <QDir>

namespace modyul {

QString program_dir()
{
    return QCoreApplication::applicationDirPath();
}

QString db_path(const QString& dir)
{
    QString path = QDir::cleanPath(dir);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + QStringLiteral("db40.mdb");
}

QCoro::Task<> open_db(CustomerList& list)
{
    co_await list.open();
}

}  // namespace modyul
