#pragma once
// Whole-file text for the files exchanged with Windows users (format files, CSV sheets): GBK text
// (written as GB18030, which is byte-identical for GBK characters) through the one file writer;
// read in whatever encoding the bytes show to be theirs.

#include <QString>

namespace store {

// Writes the text as GB18030. 1 on success; -3 when the file cannot be created, -6 when the
// text cannot be written, -7 when the new file cannot replace the old one. On failure the old
// file (if any) is untouched and no partial file stays behind.
int WriteTextFile(const QString &text, const QString &path);

// The text of bytes read from a file: as its byte-order mark says; else GB18030 for bytes that are
// not UTF-8; else UTF-8, in any script and with signs anywhere, unless the GB18030 reading is
// ordinary Chinese text and the UTF-8 reading no ordinary text of one script (short GBK texts are
// often valid UTF-8 by chance: "支票" reads "֧Ʊ", a Hebrew accent on nothing and a Latin letter).
QString DecodeText(const QByteArray &bytes);

// Reads a whole text file, decoded by DecodeText. False when it cannot be opened or read.
bool ReadTextFile(const QString &path, QString *text);

// Text as GBK/GB18030 bytes and back.
QByteArray ToGbk(const QString &text);
QString FromGbk(const QByteArray &bytes);

} // namespace store
