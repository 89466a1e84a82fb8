#pragma once
// A folder nothing can be written in, for the tests of the reason a refused write names. As root
// (whom permission bits do not stop) a small tmpfs is mounted over it and remounted read-only: a
// read-only disk. Otherwise the folder loses its write permission. What the folder is to hold
// goes in before Lock().

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path)
    {
        QDir().mkpath(path);
        if (::geteuid() == 0)
            m_mounted = QProcess::execute(QStringLiteral("mount"),
                                          {"-t", "tmpfs", "-o", "size=1m", "tmpfs", path}) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_path});
        else if (m_locked)
            ::chmod(QFile::encodeName(m_path).constData(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    // False when the folder cannot be made read-only here (root without mount).
    bool Lock()
    {
        if (m_mounted)
            m_locked = QProcess::execute(QStringLiteral("mount"),
                                         {"-o", "remount,ro", m_path}) == 0;
        else if (::geteuid() != 0)
            m_locked = ::chmod(QFile::encodeName(m_path).constData(), 0555) == 0;
        return m_locked;
    }
    QString path() const { return m_path; }
    // The reason a write in the locked folder has to name.
    QString Reason() const
    {
        return m_mounted ? QStringLiteral("磁盘是只读的。") : QStringLiteral("没有写入权限。");
    }

private:
    QString m_path;
    bool m_mounted = false;
    bool m_locked = false;
};
