#pragma once
// The program folder and the files in it.

#include <QString>

namespace store {

// The program folder: $QUORVAN_HOME when set, else the user's data folder
// (QStandardPaths::AppDataLocation). Created when missing. No trailing "/".
QString AppDataDir();
// AppDataDir() + "/DATA.mdb".
QString DataFilePath();
// The system temporary folder, ending in "/".
QString GetTempDir();
// Makes the sub-folder of the program folder; true only when it is a folder afterwards.
// A blank name is refused.
bool MakeAppSubDir(const QString &name);

} // namespace store
