#pragma once
// The start-up version check: the maker's server names the newest version; a newer one hands
// over to the updater "update.exe" in the program folder, and the program ends.

#include <QString>

namespace library {

// Asks the server (up to five tries, all within the time allowance, 4 s unless set). Newer than
// version: says "本软件已升级，启动自动升级...", starts the updater and, when it started, asks the
// program to end (UpdaterStarted); returns "" then. Otherwise the server's version text ("9.1"), or
// "" when nothing readable came back or no server is set.
QString CheckNewVersion(int product, const QString &version);

// True once CheckNewVersion has handed over to the updater: the program must end.
bool UpdaterStarted();

// The time allowance of the whole check in seconds.
void SetVersionCheckTimeout(double seconds);

} // namespace library
