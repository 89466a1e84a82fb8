#include "print/jpeg.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace print {

QString JpegFileName(const QString &chosen)
{
    if (chosen.isEmpty() || chosen.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive))
        return chosen;
    return chosen + QStringLiteral(".jpg");
}

bool SaveJPG(const QImage &image, const QString &fileName, int quality)
{
    if (image.isNull() || fileName.isEmpty())
        return false;
    const QFileInfo before(fileName);
    const bool existed = before.exists();
    if (existed && (!before.isFile() || !before.isWritable()))
        return false;
    QFile::Permissions permissions;
    QDateTime modified, accessed;
    if (existed) {
        permissions = before.permissions();
        modified = before.fileTime(QFileDevice::FileModificationTime);
        accessed = before.fileTime(QFileDevice::FileAccessTime);
    }

    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&out, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit())
        return false;

    if (existed) {
        // The birth time of a file cannot be set on Linux; the others are put back.
        QFile saved(fileName);
        saved.setPermissions(permissions);
        if (saved.open(QIODevice::ReadWrite)) {
            saved.setFileTime(modified, QFileDevice::FileModificationTime);
            saved.setFileTime(accessed, QFileDevice::FileAccessTime);
        }
    }
    return true;
}

} // namespace print
