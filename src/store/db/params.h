#pragma once
// Parameters kept in the database table 参数 (Var, Con), and the per-user registry settings
// (sections and names under the root "KVRTM") kept in the INI file KVRTM.ini in the user's
// config folder.

#include <QString>

namespace store {

// The value of the parameter, "" when missing or NULL.
QString GetPara(const QString &key);
// Stores the value under the key, leaving exactly one row for it. False on a database failure.
bool SetPara(const QString &key, const QString &value);

// While one lives, GetPara reads each parameter from the table once and answers from memory
// afterwards; SetPara keeps the remembered value in step. A long run (a batch print) takes one, so
// that a parameter is not queried once per record. Only the outermost one counts.
class ParaSnapshot
{
public:
    ParaSnapshot();
    ~ParaSnapshot();
    ParaSnapshot(const ParaSnapshot &) = delete;
    ParaSnapshot &operator=(const ParaSnapshot &) = delete;

private:
    bool m_owner = false;
};

// Registry stand-in: root\section\name. An empty stored value counts as missing, so GetRegStr
// then returns def.
QString GetRegStr(const QString &root, const QString &section, const QString &name,
                  const QString &def = QString());
bool SaveRegStr(const QString &root, const QString &section, const QString &name,
                const QString &value);
// The INI file that holds the settings ($XDG_CONFIG_HOME/KVRTM.ini or ~/.config/KVRTM.ini).
QString SettingsFilePath();

} // namespace store
