#include "print/jpeg.h"
#include "print/picoutput.h"

#include "../common/readonlyfolder.h"
#include "../common/smalldisk.h"
#include "store/db/reporter.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace print;

namespace {

QImage Picture(int w = 101, int h = 40)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::red);
    return img;
}

TEST(JpegTest, FileNameGetsItsExtension)
{
    EXPECT_EQ(JpegFileName("a"), "a.jpg");
    EXPECT_EQ(JpegFileName("a.JPG"), "a.JPG");
    EXPECT_EQ(JpegFileName("a.jpeg"), "a.jpeg.jpg");
    EXPECT_EQ(JpegFileName(""), "");
}

TEST(JpegTest, WritesAReadableJpeg)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("p.jpg");
    ASSERT_TRUE(SaveJPG(Picture(), file, 80));
    QImageReader reader(file);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage back = reader.read();
    EXPECT_EQ(back.size(), QSize(101, 40));
    EXPECT_GT(qRed(back.pixel(50, 20)), 200);
    // 24-bit rows of 101 pixels are padded to 304 bytes.
    EXPECT_EQ(Picture().convertToFormat(QImage::Format_RGB888).bytesPerLine(), 304);
}

TEST(JpegTest, ReplacingKeepsPermissionsAndTimes)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("p.jpg");
    ASSERT_TRUE(SaveJPG(Picture(10, 10), file, 80));
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(SaveJPG(Picture(), file, 80));
    const QFileInfo after(file);
    EXPECT_EQ(QImageReader(file).size(), QSize(101, 40));
    EXPECT_EQ(after.lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
    EXPECT_EQ(after.permissions() & (QFile::ReadGroup | QFile::WriteGroup), QFile::ReadGroup);
}

TEST(JpegTest, FailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("p.jpg");
    ASSERT_TRUE(SaveJPG(Picture(10, 10), file, 80));
    const QByteArray before = [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_FALSE(SaveJPG(QImage(), file, 80));
    QFile::setPermissions(file, QFile::ReadOwner);
    if (!QFileInfo(file).isWritable()) // root may write anyway
        EXPECT_FALSE(SaveJPG(Picture(), file, 80));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_FALSE(SaveJPG(Picture(), dir.filePath("missing/p.jpg"), 80));
}

// The picture of the page or of the chart that cannot be written names why: the old picture in a
// read-only folder stays, a new one cannot be made there, and a file system that makes no files
// is not called a missing folder.
TEST(PictureOutputTest, RefusedPictureNamesItsTrueReason)
{
    QTemporaryDir dir;
    ReadOnlyFolder locked(dir.filePath("locked"));
    const QString old = locked.path() + "/chart.jpg";
    ASSERT_TRUE(SaveJPG(Picture(10, 10), old, 80));
    if (!locked.Lock())
        GTEST_SKIP() << "the folder cannot be made read-only here (root without mount)";
    store::ScopedRecordingReporter rec;
    rec->answer = true;
    for (const QString &file : {old, locked.path() + "/new.jpg"}) {
        rec->messages.clear();
        EXPECT_FALSE(SavePictureAs(Picture(), file));
        EXPECT_EQ(rec->messages.last(), QStringLiteral("保存图片出错！\n无法写入文件“%1”！\n%2")
                                            .arg(file, locked.Reason()));
    }
    QImageReader back(old);
    EXPECT_EQ(back.size(), QSize(10, 10));
    QString error;
    EXPECT_FALSE(SaveJPG(Picture(), "/proc/chart.jpg", 80, &error));
    EXPECT_FALSE(error.contains(QStringLiteral("文件夹不存在"))) << error.toStdString();
    EXPECT_FALSE(SaveJPG(Picture(), dir.filePath("gone/chart.jpg"), 80, &error));
    EXPECT_TRUE(error.endsWith(QStringLiteral("\n文件夹不存在。"))) << error.toStdString();
}

TEST(PictureOutputTest, AsksBeforeReplacingAndReportsFailure)
{
    QTemporaryDir dir;
    QLabel pic(QStringLiteral("统计图"));
    pic.resize(120, 60);
    const QImage shot = CaptureWholeWindow(&pic);
    EXPECT_EQ(shot.size(), QSize(120, 60) * pic.devicePixelRatioF());

    store::ScopedRecordingReporter rec;
    EXPECT_TRUE(SavePictureAs(shot, dir.filePath("chart")));
    EXPECT_TRUE(QFile::exists(dir.filePath("chart.jpg")));
    rec->answer = false;
    EXPECT_FALSE(SavePictureAs(shot, dir.filePath("chart")));
    ASSERT_EQ(rec->messages.size(), 1);
    EXPECT_EQ(rec->messages[0],
              QStringLiteral("文件“%1”已存在，是否覆盖？").arg(dir.filePath("chart.jpg")));
    rec->messages.clear();
    EXPECT_FALSE(SavePictureAs(shot, dir.filePath("no/chart")));
    ASSERT_EQ(rec->messages.size(), 1);
    EXPECT_TRUE(rec->messages[0].startsWith(
        QStringLiteral("保存图片出错！\n无法写入文件“%1”！").arg(dir.filePath("no/chart.jpg"))))
        << rec->messages[0].toStdString();
}

TEST(PictureOutputTest, FullDiskKeepsTheOldPictureAndNamesTheFile)
{
    QTemporaryDir dir;
    SmallDisk disk(dir.filePath("small"), "256k");
    if (!disk.mounted())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    const QString file = disk.path() + "/page.jpg";
    ASSERT_TRUE(SaveJPG(Picture(10, 10), file, 80));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    disk.fill(4096);
    // A noisy picture that cannot shrink to a few KB.
    QImage noise(600, 400, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y,
                           qRgb((x * 7919 + y * 104729) % 256, (x * y * 31) % 256, (x ^ y) % 256));
    store::ScopedRecordingReporter rec;
    rec->answer = true;
    EXPECT_FALSE(SavePictureAs(noise, file));
    ASSERT_EQ(rec->messages.size(), 2); // the question to replace, then the failure
    EXPECT_TRUE(rec->messages[1].contains(QStringLiteral("无法写入文件“%1”！").arg(file)))
        << rec->messages[1].toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(disk.names(), QStringList{"page.jpg"});
}

} // namespace
