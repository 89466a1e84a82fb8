#pragma once
// Pictures saved as JPEG files. An existing file is replaced only once the new one is complete,
// and keeps its permissions and times.

#include <QImage>
#include <QString>

namespace print {

// Writes the image as a 24-bit JPEG of the given quality (0..100). False when the file could not
// be written (error, when given, then holds the message naming the file); a file that was there
// before is then left as it was. A target the user cannot write to is refused and kept.
bool SaveJPG(const QImage &image, const QString &fileName, int quality, QString *error = nullptr);

// The file name as saved: ".jpg" appended unless it already ends in ".jpg" (any letter case).
QString JpegFileName(const QString &chosen);

} // namespace print
