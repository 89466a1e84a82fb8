#include "store/params.h"

#include "store/db.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace store {

QString GetPara(const QString &key)
{
    const QVariant v = GetFieldWhere(QStringLiteral("参数"), QStringLiteral("Var=? ORDER BY ID"),
                                     QStringLiteral("Con"), {key});
    return v.isNull() ? QString() : v.toString();
}

bool SetPara(const QString &key, const QString &value)
{
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
