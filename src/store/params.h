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

// Registry stand-in: root\section\name. An empty stored value counts as missing, so GetRegStr
// then returns def.
QString GetRegStr(const QString &root, const QString &section, const QString &name,
                  const QString &def = QString());
bool SaveRegStr(const QString &root, const QString &section, const QString &name,
                const QString &value);
// The INI file that holds the settings ($XDG_CONFIG_HOME/KVRTM.ini or ~/.config/KVRTM.ini).
QString SettingsFilePath();

} // namespace store
