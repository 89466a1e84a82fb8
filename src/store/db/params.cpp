#include "store/db/params.h"

#include "store/db/db.h"
#include "store/db/filewriter.h"
#include "store/db/paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace store {

namespace {

// The values read while a ParaSnapshot lives; null when none does.
QHash<QString, QString> *g_snapshot = nullptr;

} // namespace

ParaSnapshot::ParaSnapshot() : m_owner(g_snapshot == nullptr)
{
    if (m_owner)
        g_snapshot = new QHash<QString, QString>;
}

ParaSnapshot::~ParaSnapshot()
{
    if (m_owner) {
        delete g_snapshot;
        g_snapshot = nullptr;
    }
}

QString GetPara(const QString &key)
{
    if (g_snapshot) {
        if (const auto it = g_snapshot->constFind(key); it != g_snapshot->constEnd())
            return *it;
    }
    const QVariant v = GetFieldWhere(QStringLiteral("参数"), QStringLiteral("Var=? ORDER BY ID"),
                                     QStringLiteral("Con"), {key});
    const QString value = v.isNull() ? QString() : v.toString();
    if (g_snapshot)
        g_snapshot->insert(key, value);
    return value;
}

bool SetPara(const QString &key, const QString &value)
{
    if (g_snapshot)
        g_snapshot->remove(key);
    Transaction tx;
    if (!tx.Ok())
        return false;
    Recordset rs;
    if (!Db::Main().OpenRs(rs, QStringLiteral("SELECT ID FROM 参数 WHERE Var=? ORDER BY ID"), {key}))
        return false;
    if (rs.RecordCount() == 0) {
        if (!ExecSQL(QStringLiteral("INSERT INTO 参数(Var, Con) VALUES(?, ?)"), {key, value}))
            return false;
    } else {
        const QVariant first = rs.Value(0, 0);
        if (!ExecSQL(QStringLiteral("UPDATE 参数 SET Con=? WHERE ID=?"), {value, first}))
            return false;
        if (rs.RecordCount() > 1
            && !ExecSQL(QStringLiteral("DELETE FROM 参数 WHERE Var=? AND ID<>?"), {key, first}))
            return false;
    }
    return tx.Commit();
}

QString SettingsFilePath()
{
    QString dir = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir::cleanPath(dir) + QStringLiteral("/KVRTM.ini");
}

namespace {

QString RegKey(const QString &root, const QString &section, const QString &name)
{
    // The root is part of the file name (KVRTM.ini); other roots get a group of their own.
    QString key = section + u'/' + name;
    if (root != QLatin1String("KVRTM"))
        key = root + u'/' + key;
    return key;
}

} // namespace

QString GetRegStr(const QString &root, const QString &section, const QString &name,
                  const QString &def)
{
    QSettings s(SettingsFilePath(), QSettings::IniFormat);
    const QString v = s.value(RegKey(root, section, name)).toString();
    return v.isEmpty() ? def : v;
}

bool SaveRegStr(const QString &root, const QString &section, const QString &name,
                const QString &value)
{
    const QString path = SettingsFilePath();
    const QString key = RegKey(root, section, name);
    QHash<QString, QVariant> wanted;
    QDateTime modified;
    {
        QSettings current(path, QSettings::IniFormat);
        if (current.contains(key) && current.value(key).toString() == value)
            return true;
        for (const QString &k : current.allKeys())
            wanted.insert(k, current.value(k));
        modified = QFileInfo(path).lastModified();
    }
    wanted.insert(key, value);

    // The settings' own INI writer makes the new file as a draft in the temporary folder; the
    // draft is read back whole before it replaces the file through the checked writer, so a
    // draft cut short never takes the place of the settings.
    QTemporaryDir scratch(GetTempDir() + QStringLiteral("kvrtm-XXXXXX"));
    if (!scratch.isValid())
        return false;
    const QString draft = scratch.filePath(QStringLiteral("KVRTM.ini"));
    {
        QSettings d(draft, QSettings::IniFormat);
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
            d.setValue(it.key(), it.value());
        d.sync();
        if (d.status() != QSettings::NoError)
            return false;
    }
    {
        QSettings check(draft, QSettings::IniFormat);
        if (check.status() != QSettings::NoError || check.allKeys().size() != wanted.size())
            return false;
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
            if (check.value(it.key()) != it.value())
                return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!CopyFileOver(draft, path))
        return false;
    // Settings read in this process are kept and read again only when the file's size or time
    // changed: a new file of the same size gets a time of its own.
    const QFileInfo written(path);
    if (modified.isValid() && written.lastModified() <= modified) {
        QFile f(path);
        if (f.open(QIODevice::ReadWrite))
            f.setFileTime(modified.addMSecs(1), QFileDevice::FileModificationTime);
    }
    return true;
}

} // namespace store
