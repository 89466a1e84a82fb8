#pragma once
// The one way the program writes a file. The new content goes into a temporary file beside the
// target; every write is checked for its full count, the file is synced, and only then does it
// take the target's place in one rename. Whatever fails on the way (a full disk, a folder without
// write permission, a stream that breaks off), the old file stays byte for byte as it was, the
// temporary is removed, and the caller gets a message that names the file.
//
// A new file gets the permissions of the user's umask; a replaced file keeps its own. Each temporary
// file is noted in the program's Temp folder while it exists, so that the next start removes what
// a killed program left behind (RemoveUnfinishedFiles).

#include <QString>

class QIODevice;

namespace store {

class FileWriter
{
public:
    explicit FileWriter(const QString &target);
    ~FileWriter(); // an uncommitted writer removes its temporary
    FileWriter(const FileWriter &) = delete;
    FileWriter &operator=(const FileWriter &) = delete;

    // Creates the temporary beside the target. False (with ErrorText) when it cannot be made.
    bool Open();
    // Appends bytes; false once any write fell short (every later call fails too).
    bool Write(const char *data, qint64 size);
    bool Write(const QByteArray &bytes);
    // Appends what the device has to give now, stopping with a failure once more than limit bytes
    // (limit < 0: no limit) were written in all. *overLimit tells that case apart.
    bool WriteAvailable(QIODevice &in, qint64 limit = -1, bool *overLimit = nullptr);
    // Appends the whole content of another file, read in pieces.
    bool WriteFile(const QString &from);
    // Syncs and closes the temporary, without putting it in place yet: files that belong together
    // (a format file and its picture) are all finished before the first one is renamed.
    bool Finish();
    // Syncs the temporary (unless finished) and renames it over the target. False (target
    // untouched, temporary gone) when anything failed, now or before.
    bool Commit();
    // Drops the temporary; the target stays as it was.
    void Cancel();

    // The temporary, for a library that writes a file by name (open it after Open(); the writer
    // itself then writes nothing and Commit() syncs and renames what the library wrote).
    QString TempPath() const { return m_temp; }
    QString Target() const { return m_target; }
    qint64 Written() const { return m_written; }
    bool Failed() const { return !m_error.isEmpty(); }
    // "无法写入文件“<target>”！" followed by the reason on a line of its own; "" while all is well.
    QString ErrorText() const;
    // Marks the writer failed with a reason of the caller's (a stream that broke off).
    void Fail(const QString &reason);

private:
    void FailErrno(const char *what, int err);
    void Discard();

    QString m_target;
    QString m_temp;
    QString m_error;
    int m_fd = -1;
    qint64 m_written = 0;
    bool m_finished = false;
    bool m_committed = false;
};

// The whole content in one call. error (when given) receives the message naming the file.
bool WriteFileBytes(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// Replaces to with a copy of from (read in pieces, never whole in memory). Copying a file onto
// itself is a success that changes nothing.
bool CopyFileOver(const QString &from, const QString &to, QString *error = nullptr);
// Puts a complete file that something else wrote (a PDF, under its own temporary name) in the
// target's place: synced, given the permissions a new file or the old file has, renamed over
// the target. On failure the target is untouched and written stays for the caller to remove.
bool CommitWrittenFile(const QString &written, const QString &target, QString *error = nullptr);

// The message of a file that something else failed to write under the name written (a PDF
// writer that does not tell why): "无法写入文件“<target>”！" and, on a line of its own, why a file
// cannot be written in that folder now (no room, no permission, a read-only disk).
QString WrittenFileFailedText(const QString &written, const QString &target);

// What keeps a file from being written in the folder of path now: the error of creating a file
// there, else of giving it some room on the disk; 0 when both work.
int FolderWriteError(const QString &path);

// Why a system call on the file at path failed, in words for the user: a full disk, a quota, no
// permission, a read-only disk, a folder in the file's place; a missing folder only when the
// folder of path is missing now (the same error comes from file systems that make no files);
// any other error in the system's own text. Every road that writes a file tells its reason
// through this one function.
QString ErrnoReason(int err, const QString &path = QString());

// The message of a file that could not be written: "无法写入文件“<path>”！".
QString WriteFailedText(const QString &path);

// The unfinished temporaries: each noted (in a note of its own, written whole or not at all) before
// it is made, forgotten once it is gone or has become its target. Only names ending in ".part"
// are kept.
void NoteUnfinishedFile(const QString &path);
void ForgetUnfinishedFile(const QString &path);
// Removes the temporaries a previous run left behind (called once the program holds its
// instance lock, so another copy's files are never touched).
void RemoveUnfinishedFiles();

} // namespace store
