#include "store/db/filewriter.h"

#include "store/db/paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

namespace {

// The system's own text of an error, in the language the program runs in.
QString SystemText(int err)
{
    char buffer[256] = {};
    // The GNU strerror_r returns its text, the POSIX one fills the buffer: either is taken.
    const auto text = [&](auto result) -> const char * {
        if constexpr (std::is_same_v<decltype(result), int>)
            return result == 0 ? buffer : nullptr;
        else
            return result;
    };
    const char *said = text(::strerror_r(err, buffer, sizeof buffer));
    return said && *said ? QString::fromLocal8Bit(said) : QString::number(err);
}

} // namespace

QString ErrnoReason(int err, const QString &path)
{
    switch (err) {
    case 0:
        return QStringLiteral("文件未能完整写入。");
    case ENOSPC:
        return QStringLiteral("磁盘空间不足。");
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额。");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限。");
    case EROFS:
        return QStringLiteral("磁盘是只读的。");
    case EISDIR:
        return QStringLiteral("这个位置是一个文件夹。");
    case ENOENT:
    case ENOTDIR:
        // The same error comes from a file system that makes no files (as /proc): the folder
        // is called missing only when it is missing now.
        if (!path.isEmpty() && !QFileInfo(QFileInfo(path).absolutePath()).isDir())
            return QStringLiteral("文件夹不存在。");
        break;
    default:
        break;
    }
    return QStringLiteral("系统报告的错误：%1（错误号 %2）。").arg(SystemText(err)).arg(err);
}

namespace {

QByteArray Encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// The file a path names: a symbolic link is written through to the file it points at, as an
// editor does, instead of being replaced by a plain file.
QString ResolvedTarget(const QString &path)
{
    const QFileInfo fi(path);
    if (fi.isSymLink()) {
        const QString to = fi.canonicalFilePath();
        if (!to.isEmpty())
            return to;
    }
    return fi.absoluteFilePath();
}

// Makes the rename itself durable: the folder's entry is synced too (failures here leave the new
// file in place and are not reported; the content itself is already on the disk).
void SyncFolderOf(const QString &path)
{
    const int dfd = ::open(Encoded(QFileInfo(path).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// Gives fd the permission bits of an existing target (a new target keeps those made with the
// umask).
void KeepModeOf(const QString &target, int fd)
{
    struct stat st;
    if (::stat(Encoded(target).constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & 07777);
}

// Each unfinished temporary is noted in a small file of its own in this folder, holding its path:
// the note is written whole under a name of its own and then renamed into place, so a kill at any
// moment leaves either a whole note or none (and no temporary yet, which is made only after its
// note). Writers on other threads never share a note.
QString NotesDir()
{
    return AppDataDir() + QStringLiteral("/Temp/unfinished");
}

QString NotePath(const QString &path)
{
    return NotesDir() + u'/' +
           QString::fromLatin1(
               QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex());
}

// The lists of earlier builds, one list rewritten in place for all temporaries.
QStringList OldListPaths()
{
    return {AppDataDir() + QStringLiteral("/Temp/unfinished-files.txt"),
            AppDataDir() + QStringLiteral("/Temp/unfinished-pdf.txt")};
}

QStringList ReadList(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// Writes the whole note, then renames it into place. A note that cannot be written is given up:
// the temporary is then removed only by its own writer.
void WriteNote(const QString &note, const QString &path)
{
    const QByteArray bytes = path.toUtf8() + '\n';
    const QByteArray part = Encoded(note + QStringLiteral(".new"));
    int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 && errno == ENOENT && QDir().mkpath(NotesDir()))
        fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool whole = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    if (!whole || ::rename(part.constData(), Encoded(note).constData()) != 0)
        ::unlink(part.constData());
}

bool IsTemporaryName(const QString &path)
{
    return path.endsWith(QStringLiteral(".part")) && QFileInfo(path).isAbsolute();
}

} // namespace

QString WriteFailedText(const QString &path)
{
    return QStringLiteral("无法写入文件“%1”！").arg(Native(path));
}

void NoteUnfinishedFile(const QString &path)
{
    if (!IsTemporaryName(path) || path.contains(u'\n'))
        return;
    WriteNote(NotePath(path), path);
}

void ForgetUnfinishedFile(const QString &path)
{
    if (IsTemporaryName(path))
        ::unlink(Encoded(NotePath(path)).constData());
}

void RemoveUnfinishedFiles()
{
    const QDir notes(NotesDir());
    for (const QString &name : notes.entryList(QDir::Files | QDir::Hidden)) {
        const QString note = notes.filePath(name);
        // A note cut short by a kill was never followed by its temporary.
        if (!name.endsWith(QStringLiteral(".new"))) {
            for (const QString &path : ReadList(note))
                if (IsTemporaryName(path))
                    QFile::remove(path);
        }
        QFile::remove(note);
    }
    for (const QString &list : OldListPaths()) {
        if (!QFileInfo::exists(list))
            continue;
        for (const QString &path : ReadList(list))
            if (IsTemporaryName(path))
                QFile::remove(path);
        QFile::remove(list);
    }
}

FileWriter::FileWriter(const QString &target) : m_target(ResolvedTarget(target)) {}

FileWriter::~FileWriter()
{
    if (!m_committed)
        Discard();
}

QString FileWriter::ErrorText() const
{
    if (m_error.isEmpty())
        return QString();
    return WriteFailedText(m_target) + u'\n' + m_error;
}

void FileWriter::Fail(const QString &reason)
{
    if (m_error.isEmpty())
        m_error = reason.isEmpty() ? QStringLiteral("写入未能完成。") : reason;
}

void FileWriter::FailErrno(const char *what, int err)
{
    Q_UNUSED(what);
    // The temporary lies beside the target: the target's folder is the one that tells.
    Fail(ErrnoReason(err, m_target));
}

bool FileWriter::Open()
{
    if (m_fd >= 0 || !m_temp.isEmpty())
        return !Failed();
    const QFileInfo target(m_target);
    if (target.isDir()) {
        FailErrno("target", EISDIR);
        return false;
    }
    const QString dir = target.absolutePath();
    if (!QFileInfo(dir).isDir()) {
        FailErrno("folder", ENOENT);
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString suffix =
            QString::number(QRandomGenerator::global()->generate() % 0x1000000, 36);
        const QString temp = dir + QStringLiteral("/.") + target.fileName() + u'.' + suffix +
                             QStringLiteral(".part");
        NoteUnfinishedFile(temp);
        // 0666 less the umask, as any program's new file.
        const int fd =
            ::open(Encoded(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = temp;
            KeepModeOf(m_target, m_fd);
            return true;
        }
        const int err = errno;
        ForgetUnfinishedFile(temp);
        if (err != EEXIST) {
            FailErrno("create", err);
            return false;
        }
    }
    FailErrno("create", EEXIST);
    return false;
}

bool FileWriter::Write(const char *data, qint64 size)
{
    if (Failed() || m_fd < 0) {
        Fail(QString());
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing on a regular file means the disk is full.
            FailErrno("write", n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        size -= n;
        m_written += n;
    }
    return true;
}

bool FileWriter::Write(const QByteArray &bytes)
{
    return Write(bytes.constData(), bytes.size());
}

bool FileWriter::WriteAvailable(QIODevice &in, qint64 limit, bool *overLimit)
{
    if (overLimit)
        *overLimit = false;
    char buffer[65536];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        // A stream (a network reply) says -1 once it has nothing more to give; whether it ended
        // well is for its owner to tell. A file says -1 only on a read error.
        if (n < 0 && in.isSequential())
            return !Failed();
        if (n < 0) {
            Fail(in.errorString());
            return false;
        }
        if (n == 0)
            return !Failed();
        if (limit >= 0 && m_written + n > limit) {
            if (overLimit)
                *overLimit = true;
            Fail(QStringLiteral("文件超过了允许的大小。"));
            return false;
        }
        if (!Write(buffer, n))
            return false;
    }
}

bool FileWriter::WriteFile(const QString &from)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        Fail(QStringLiteral("无法读取文件“%1”：").arg(Native(from)) + in.errorString());
        return false;
    }
    if (!WriteAvailable(in))
        return false;
    if (in.error() != QFileDevice::NoError) {
        Fail(QStringLiteral("无法读取文件“%1”：").arg(Native(from)) + in.errorString());
        return false;
    }
    return true;
}

bool FileWriter::Finish()
{
    if (m_finished)
        return true;
    if (m_temp.isEmpty() && !Failed())
        Open();
    if (Failed()) {
        Discard();
        return false;
    }
    if (::fsync(m_fd) != 0) {
        FailErrno("fsync", errno);
        Discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        FailErrno("close", errno);
        Discard();
        return false;
    }
    m_finished = true;
    return true;
}

bool FileWriter::Commit()
{
    if (m_committed)
        return true;
    if (!Finish())
        return false;
    if (::rename(Encoded(m_temp).constData(), Encoded(m_target).constData()) != 0) {
        FailErrno("rename", errno);
        Discard();
        return false;
    }
    SyncFolderOf(m_target);
    ForgetUnfinishedFile(m_temp);
    m_committed = true;
    return true;
}

void FileWriter::Cancel()
{
    Discard();
}

void FileWriter::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(Encoded(m_temp).constData());
        ForgetUnfinishedFile(m_temp);
        m_temp.clear();
    }
    m_finished = false;
}

bool WriteFileBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    FileWriter w(path);
    const bool ok = w.Open() && w.Write(bytes) && w.Commit();
    if (!ok && error)
        *error = w.ErrorText();
    return ok;
}

bool CopyFileOver(const QString &from, const QString &to, QString *error)
{
    if (QFileInfo::exists(to) &&
        QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        return true;
    FileWriter w(to);
    const bool ok = w.Open() && w.WriteFile(from) && w.Commit();
    if (!ok && error)
        *error = w.ErrorText();
    return ok;
}

bool CommitWrittenFile(const QString &written, const QString &target, QString *error)
{
    const QString resolved = ResolvedTarget(target);
    int err = 0;
    const int fd = ::open(Encoded(written).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
    } else {
        KeepModeOf(resolved, fd);
        if (::fsync(fd) != 0)
            err = errno;
        ::close(fd);
    }
    if (!err && ::rename(Encoded(written).constData(), Encoded(resolved).constData()) != 0)
        err = errno;
    if (err) {
        if (error)
            *error = WriteFailedText(target) + u'\n' + ErrnoReason(err, resolved);
        return false;
    }
    SyncFolderOf(resolved);
    ForgetUnfinishedFile(written);
    return true;
}

int FolderWriteError(const QString &path)
{
    QByteArray probe = Encoded(QFileInfo(path).absolutePath() + QStringLiteral("/.probe-XXXXXX"));
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return errno;
    constexpr off_t kRoom = 64 * 1024;
    int err = ::posix_fallocate(fd, 0, kRoom);
    if (err == EOPNOTSUPP || err == EINVAL) {
        // A file system that cannot reserve room is written to instead.
        const QByteArray zeros(4096, '\0');
        err = 0;
        for (off_t done = 0; done < kRoom && !err; done += zeros.size())
            if (::write(fd, zeros.constData(), size_t(zeros.size())) != zeros.size())
                err = errno ? errno : ENOSPC;
        if (!err && ::fsync(fd) != 0)
            err = errno;
    }
    ::close(fd);
    ::unlink(probe.constData());
    return err;
}

QString WrittenFileFailedText(const QString &written, const QString &target)
{
    return WriteFailedText(target) + u'\n' + ErrnoReason(FolderWriteError(written), written);
}

} // namespace store
