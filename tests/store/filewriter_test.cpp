#include "store_fixture.h"

#include "../common/readonlyfolder.h"
#include "../common/smalldisk.h"
#include "store/db/filewriter.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace store;

namespace {

QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

mode_t ModeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class FileWriterTest : public ::testing::Test
{
protected:
    storetest::TempHome home;
    QString P(const QString &name) const { return home.Path() + "/" + name; }
};

} // namespace

// Every way of writing on a disk with a few KB left: each reports the failure with the file's
// name, the old file keeps every byte, and nothing is left beside it.
TEST_F(FileWriterTest, FullDiskLeavesTheOldFileAndNoTemporary)
{
    SmallDisk disk(P("small"), "256k");
    if (!disk.mounted())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    const QString target = disk.path() + "/导出.csv";
    const QByteArray old = QByteArray("旧的内容\r\n").repeated(100);
    ASSERT_TRUE(WriteFileBytes(target, old));
    const QString source = P("big.jpg");
    const QByteArray big(200 * 1024, 'b');
    ASSERT_TRUE(WriteFileBytes(source, big));
    disk.fill(8192);

    QString error;
    EXPECT_FALSE(WriteFileBytes(target, big, &error));
    EXPECT_TRUE(error.startsWith(QString("无法写入文件“%1”！\n").arg(target)))
        << error.toStdString();
    EXPECT_TRUE(error.contains("磁盘空间不足")) << error.toStdString();
    EXPECT_EQ(Bytes(target), old);
    EXPECT_EQ(disk.names(), QStringList{"导出.csv"});

    error.clear();
    EXPECT_FALSE(CopyFileOver(source, target, &error));
    EXPECT_TRUE(error.contains(target)) << error.toStdString();
    EXPECT_EQ(Bytes(target), old);
    EXPECT_EQ(disk.names(), QStringList{"导出.csv"});

    // A stream written piece by piece as it arrives.
    QBuffer stream;
    stream.setData(big);
    ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
    {
        FileWriter w(target);
        ASSERT_TRUE(w.Open());
        EXPECT_FALSE(w.WriteAvailable(stream));
        EXPECT_FALSE(w.Commit());
        EXPECT_TRUE(w.ErrorText().contains(target));
    }
    EXPECT_EQ(Bytes(target), old);
    EXPECT_EQ(disk.names(), QStringList{"导出.csv"});

    // A small file still fits.
    EXPECT_TRUE(WriteFileBytes(target, "新"));
    EXPECT_EQ(Bytes(target), QByteArray("新"));
    EXPECT_EQ(disk.names(), QStringList{"导出.csv"});
}

// A refused write names what refused it, each found the way it happens: a folder that is not
// there, a file system that makes no files (its error is the same as a missing folder's), a
// read-only folder, a full disk. The old file keeps every byte and nothing is left beside it.
TEST_F(FileWriterTest, RefusedWritesNameTheirTrueReason)
{
    const auto reason = [](const QString &error) { return error.section(u'\n', 1); };
    QString error;
    EXPECT_FALSE(WriteFileBytes(P("nofolder/x.cqf"), "x", &error));
    EXPECT_EQ(error, QString("无法写入文件“%1”！\n文件夹不存在。").arg(P("nofolder/x.cqf")));

    // /proc is there, but makes no files: the system's own words, not a missing folder.
    error.clear();
    EXPECT_FALSE(WriteFileBytes("/proc/x.cqf", "x", &error));
    EXPECT_TRUE(error.startsWith("无法写入文件“/proc/x.cqf”！\n")) << error.toStdString();
    EXPECT_FALSE(error.contains("文件夹不存在")) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOENT))))
        << error.toStdString();
    EXPECT_EQ(ErrnoReason(ENOENT, "/proc/x.cqf"), reason(error));
    EXPECT_EQ(ErrnoReason(ENOTDIR, P("nofolder/x.cqf")), QString("文件夹不存在。"));
    EXPECT_FALSE(ErrnoReason(EIO, P("x")).contains("磁盘空间")) << ErrnoReason(EIO).toStdString();

    // A folder the write may not change: every writer is refused with the reason.
    ReadOnlyFolder locked(P("locked"));
    const QString old = locked.path() + "/旧.csv";
    ASSERT_TRUE(WriteFileBytes(old, "旧的内容"));
    const QString source = P("source.jpg");
    ASSERT_TRUE(WriteFileBytes(source, "新图片"));
    if (!locked.Lock())
        GTEST_SKIP() << "the folder cannot be made read-only here (root without mount)";
    for (int way = 0; way < 3; ++way) {
        error.clear();
        bool ok = true;
        if (way == 0) {
            ok = WriteFileBytes(old, "新的内容", &error);
        } else if (way == 1) {
            ok = CopyFileOver(source, old, &error);
        } else {
            FileWriter w(locked.path() + "/新.xlsx");
            ok = w.Open() && w.Write("x") && w.Commit();
            error = w.ErrorText();
        }
        EXPECT_FALSE(ok) << way;
        EXPECT_EQ(reason(error), locked.Reason()) << way << error.toStdString();
        EXPECT_EQ(Bytes(old), QByteArray("旧的内容"));
        EXPECT_EQ(QDir(locked.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"旧.csv"});
    }
}

TEST_F(FileWriterTest, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode)
{
    const mode_t before = ::umask(027);
    EXPECT_TRUE(WriteFileBytes(P("a.xlsx"), "a"));
    EXPECT_EQ(ModeOf(P("a.xlsx")), mode_t(0640));
    ::umask(022);
    EXPECT_TRUE(WriteFileBytes(P("b.xlsx"), "b"));
    EXPECT_EQ(ModeOf(P("b.xlsx")), mode_t(0644));
    ASSERT_EQ(::chmod(QFile::encodeName(P("b.xlsx")).constData(), 0600), 0);
    EXPECT_TRUE(WriteFileBytes(P("b.xlsx"), "bb"));
    EXPECT_EQ(ModeOf(P("b.xlsx")), mode_t(0600));
    ::umask(before);
    EXPECT_EQ(Bytes(P("b.xlsx")), QByteArray("bb"));

    // A link is written through: the file it names gets the content, the link stays a link.
    ASSERT_TRUE(QFile::link(P("b.xlsx"), P("link.xlsx")));
    EXPECT_TRUE(WriteFileBytes(P("link.xlsx"), "via link"));
    EXPECT_TRUE(QFileInfo(P("link.xlsx")).isSymLink());
    EXPECT_EQ(Bytes(P("b.xlsx")), QByteArray("via link"));

    // A folder in the way, or no folder at all: refused, nothing made.
    QDir().mkpath(P("dir.cqf"));
    QString error;
    EXPECT_FALSE(WriteFileBytes(P("dir.cqf"), "x", &error));
    EXPECT_TRUE(error.contains("dir.cqf"));
    EXPECT_FALSE(WriteFileBytes(P("nofolder/x.cqf"), "x"));
    EXPECT_FALSE(QFileInfo::exists(P("nofolder")));
}

TEST_F(FileWriterTest, TemporariesOfAKilledRunAreRemovedAtTheNextStart)
{
    const QString target = P("out.xlsx");
    ASSERT_TRUE(WriteFileBytes(target, "old"));
    // A writer that never ends, as in a program killed while it wrote.
    auto *lost = new FileWriter(target);
    ASSERT_TRUE(lost->Open());
    ASSERT_TRUE(lost->Write("half"));
    const QString temp = lost->TempPath();
    EXPECT_TRUE(QFileInfo(temp).isFile());
    EXPECT_TRUE(temp.endsWith(".part"));

    RemoveUnfinishedFiles();
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(Bytes(target), QByteArray("old"));
    EXPECT_EQ(QDir(home.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.xlsx"});
    // A finished write leaves nothing to remove, and the list never names a file of the user.
    ASSERT_TRUE(WriteFileBytes(target, "new"));
    RemoveUnfinishedFiles();
    EXPECT_EQ(Bytes(target), QByteArray("new"));
    delete lost;
}
