#include "store/params.h"

#include "store/db.h"

#include <QDir>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>

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
    QSettings s(SettingsFilePath(), QSettings::IniFormat);
    s.setValue(RegKey(root, section, name), value);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace store
