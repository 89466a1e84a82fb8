#include "print/jpeg.h"

#include "store/db/filewriter.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

namespace print {

QString JpegFileName(const QString &chosen)
{
    if (chosen.isEmpty() || chosen.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive))
        return chosen;
    return chosen + QStringLiteral(".jpg");
}

bool SaveJPG(const QImage &image, const QString &fileName, int quality, QString *error)
{
    if (image.isNull() || fileName.isEmpty())
        return false;
    const QFileInfo before(fileName);
    const bool existed = before.exists();
    if (existed && (!before.isFile() || !before.isWritable())) {
        if (error)
            *error = store::WriteFailedText(fileName) + QStringLiteral("\n没有写入权限。");
        return false;
    }
    QDateTime modified, accessed;
    if (existed) {
        modified = before.fileTime(QFileDevice::FileModificationTime);
        accessed = before.fileTime(QFileDevice::FileAccessTime);
    }

    // The picture is made in memory (the encoder does not tell of a short write) and then written
    // through the checked writer.
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QImageWriter writer(&encoded, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
        if (error)
            *error = store::WriteFailedText(fileName) + u'\n' + writer.errorString();
        return false;
    }
    if (!store::WriteFileBytes(fileName, encoded.data(), error))
        return false;

    if (existed) {
        // The birth time of a file cannot be set on Linux; the others are put back.
        QFile saved(fileName);
        if (saved.open(QIODevice::ReadWrite)) {
            saved.setFileTime(modified, QFileDevice::FileModificationTime);
            saved.setFileTime(accessed, QFileDevice::FileAccessTime);
        }
    }
    return true;
}

} // namespace print
