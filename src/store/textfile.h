#pragma once
// Whole-file text for the format files exchanged with Windows users: GBK text (written as
// GB18030, which is byte-identical for GBK characters), written through a temporary file that
// replaces the old one only once the new text is complete.

#include <QString>

namespace store {

// Writes the text as GB18030. 1 on success; -3 when the file cannot be created, -6 when the
// text cannot be written, -7 when the new file cannot replace the old one. On failure the old
// file (if any) is untouched and no partial file stays behind.
int WriteTextFile(const QString &text, const QString &path);

// WriteTextFile with up to 31 tries on the same path, waiting intervalMs between tries while
// events run. True when written.
bool WriteTextFileRetry(const QString &text, const QString &path, int intervalMs = 50);

// Reads a whole text file: UTF-8 when it starts with a UTF-8 byte-order mark or its bytes are
// valid UTF-8, else GB18030. False when it cannot be opened or read.
bool ReadTextFile(const QString &path, QString *text);

// Reads the file, retrying up to 100 times intervalMs apart while events run (an empty file counts
// as not ready and waits ten intervals more). Deletes the file after reading when asked. After the
// last try shows "无法打开下载文档：" CR LF path and returns "".
QString ReadTextFileRetry(const QString &path, bool deleteAfter, int intervalMs = 50);

// Text as GBK/GB18030 bytes and back.
QByteArray ToGbk(const QString &text);
QString FromGbk(const QByteArray &bytes);

} // namespace store
