#include "store/db/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace store {

QString AppDataDir()
{
    QString dir = qEnvironmentVariable("QUORVAN_HOME");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    dir = QDir::cleanPath(QDir(dir).absolutePath());
    QDir().mkpath(dir);
    return dir;
}

QString DataFilePath()
{
    return AppDataDir() + QStringLiteral("/DATA.mdb");
}

QString GetTempDir()
{
    QString dir = QDir::tempPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

bool MakeAppSubDir(const QString &name)
{
    if (name.trimmed().isEmpty())
        return false;
    const QString path = AppDataDir() + u'/' + name;
    QDir().mkpath(path);
    return QFileInfo(path).isDir();
}

} // namespace store
