#pragma once
// Compaction of the database file: a backup copy "backup.mdb" beside it, a compacted copy
// "Temp/TEMP.mdb" in the program folder (the same file system, so the swap is one atomic rename),
// then the swap. A failure at any step leaves the database file complete and usable. Both copies
// keep the database's owner and permissions; a database path that is a symbolic link is
// compacted at the file it names (copies beside that file), and the link stays.

#include <QString>

namespace store {

// Where the copies go for a database at dbPath.
QString CompactBackupPath(const QString &dbPath);
QString CompactWorkPath(const QString &dbPath);

// Compacts the database at path with the progress window. Messages: "没有找到要压缩的数据库文件！"
// for a missing file, "数据库压缩失败（<number><description>）！" for any failure. A path that is
// the open process connection is closed for the swap and opened again.
bool CompactDB(const QString &path, bool backup);
// CompactDB on the program's own "DATA.mdb" with a backup.
bool CompactMainDB();

} // namespace store
