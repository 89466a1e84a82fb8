#include "print/jpeg.h"

#include "store/db/filewriter.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <cerrno>
#include <unistd.h>

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
    // An old file that cannot be written itself (read-only, a folder or a device in its place)
    // is not replaced, whatever its folder allows.
    if (existed) {
        QString why;
        if (before.isDir())
            why = store::ErrnoReason(EISDIR, fileName);
        else if (!before.isFile())
            why = QStringLiteral("这个位置不是普通文件。");
        else if (::access(QFile::encodeName(fileName).constData(), W_OK) != 0)
            why = store::ErrnoReason(errno, fileName);
        if (!why.isEmpty()) {
            if (error)
                *error = store::WriteFailedText(fileName) + u'\n' + why;
            return false;
        }
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
