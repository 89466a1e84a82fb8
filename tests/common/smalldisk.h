#pragma once
// A small tmpfs mounted over a folder for the life of the object (root only), for the tests of
// what a full disk does to a write.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <unistd.h>

class SmallDisk
{
public:
    explicit SmallDisk(const QString &path, const QString &size = QStringLiteral("512k"))
        : m_path(path)
    {
        QDir().mkpath(path);
        if (::geteuid() == 0)
            m_mounted =
                QProcess::execute(QStringLiteral("mount"),
                                  {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", path}) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_path});
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_path; }
    // Fills the disk up, leaving about `left` bytes free.
    void fill(qint64 left)
    {
        QList<QString> pieces;
        const QByteArray block(4096, 'x');
        for (int i = 0;; ++i) {
            const QString piece = m_path + QStringLiteral("/fill%1").arg(i);
            QFile f(piece);
            if (!f.open(QIODevice::WriteOnly) || f.write(block) != block.size() || !f.flush()) {
                f.close();
                QFile::remove(piece);
                break;
            }
            pieces << piece;
        }
        for (qint64 freed = 0; freed < left && !pieces.isEmpty(); freed += 4096)
            QFile::remove(pieces.takeLast());
    }
    // The names in the folder other than the filler pieces.
    QStringList names() const
    {
        QStringList out;
        for (const QString &n :
             QDir(m_path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            if (!n.startsWith(QStringLiteral("fill")))
                out << n;
        return out;
    }

private:
    QString m_path;
    bool m_mounted = false;
};
