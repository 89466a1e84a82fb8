#include "../common/smalldisk.h"
#include "page/backpic.h"
#include "page/pageview.h"
#include "store/db/reporter.h"
#include "view_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

using namespace page;

namespace {

QString writeJpeg(const QString &path, QColor color, QSize size = QSize(40, 20))
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(color);
    EXPECT_TRUE(img.save(path, "JPG"));
    return path;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

using BackPic = ViewHome;

TEST_F(BackPic, FileNameReplacesTheNineCharacters)
{
    EXPECT_EQ(GetBackPicFile(QStringLiteral("A*B?C<D>E/F\\G:H|I\"J")),
              home() + "/A0B1C2D3E4F5G6H7I8J.jpg");
    EXPECT_EQ(GetBackPicFile(QStringLiteral("工商银行支票")), home() + "/工商银行支票.jpg");
    // Names that differ only by a replaced character share the file.
    EXPECT_EQ(GetBackPicFile(QStringLiteral("A:B")), GetBackPicFile(QStringLiteral("A6B")));
}

TEST_F(BackPic, ShowLoadsOrClears)
{
    PageView pg;
    writeJpeg(GetBackPicFile(QStringLiteral("有图支票")), Qt::red);
    ShowBackPic(QStringLiteral("有图支票"), pg);
    EXPECT_FALSE(pg.backPicture().isNull());
    ShowBackPic(QStringLiteral("无图支票"), pg);
    EXPECT_TRUE(pg.backPicture().isNull());
}

TEST_F(BackPic, ImportAcceptsOnlyExistingJpegFiles)
{
    store::ScopedRecordingReporter rec;
    PageView pg;
    int redraws = 0;
    auto redraw = [&] { ++redraws; };
    const QString target = GetBackPicFile(QStringLiteral("进账单"));

    const QString upper = writeJpeg(home() + "/p.JPG", Qt::green);
    QFile::copy(upper, home() + "/p.jpeg");
    for (const QString &chosen : {QString(), home() + "/p.jpeg", home() + "/missing.jpg"}) {
        EXPECT_FALSE(ImportFmtBackPic(
            QStringLiteral("进账单"), pg, [&](const QString &) { return chosen; }, redraw));
    }
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(rec->messages.isEmpty());

    QString filterSeen;
    EXPECT_TRUE(ImportFmtBackPic(
        QStringLiteral("进账单"), pg,
        [&](const QString &f) {
            filterSeen = f;
            return upper;
        },
        redraw));
    EXPECT_EQ(filterSeen, "JPEG格式(*.jpg)|*.jpg");
    EXPECT_EQ(bytesOf(target), bytesOf(upper));
    EXPECT_FALSE(pg.backPicture().isNull());
    EXPECT_EQ(redraws, 1);
    EXPECT_TRUE(rec->messages.isEmpty()); // no picture before: no question
}

TEST_F(BackPic, ReplacingAsksFirst)
{
    store::ScopedRecordingReporter rec;
    PageView pg;
    const QString target = writeJpeg(GetBackPicFile(QStringLiteral("转账支票")), Qt::red);
    const QByteArray old = bytesOf(target);
    const QString other = writeJpeg(home() + "/new.jpg", Qt::blue, QSize(60, 30));

    rec->answer = false;
    EXPECT_FALSE(ImportFmtBackPic(QStringLiteral("转账支票"), pg,
                                  [&](const QString &) { return other; }, {}));
    EXPECT_EQ(rec->messages, QStringList{"当前格式已有底图，是否要替换？"});
    EXPECT_EQ(bytesOf(target), old);
    EXPECT_TRUE(pg.backPicture().isNull());

    rec->answer = true;
    EXPECT_TRUE(ImportFmtBackPic(QStringLiteral("转账支票"), pg,
                                 [&](const QString &) { return other; }, {}));
    EXPECT_EQ(bytesOf(target), bytesOf(other));
    EXPECT_EQ(pg.backPicture().size(), QSize(60, 30));

    // Choosing the format's own picture keeps it (the original deleted it before copying).
    EXPECT_TRUE(ImportFmtBackPic(QStringLiteral("转账支票"), pg,
                                 [&](const QString &) { return target; }, {}));
    EXPECT_EQ(bytesOf(target), bytesOf(other));
    EXPECT_FALSE(QFile::exists(target + ".tmp"));
}

// A copy the disk refuses leaves the format's picture as it was, with nothing beside it.
TEST_F(BackPic, AFailedReplacementKeepsTheOldPicture)
{
    SmallDisk disk(home() + "/disk");
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    qputenv("QUORVAN_HOME", disk.path().toUtf8());
    store::ScopedRecordingReporter rec;
    rec->answer = true;
    PageView pg;
    const QString target = writeJpeg(GetBackPicFile(QStringLiteral("转账支票")), Qt::red);
    const QByteArray old = bytesOf(target);
    QImage noise(900, 900, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, seed = seed * 1664525u + 1013904223u);
    const QString big = home() + "/big.jpg";
    ASSERT_TRUE(noise.save(big, "JPG", 100));
    disk.fill(16 * 1024);

    EXPECT_FALSE(
        ImportFmtBackPic(QStringLiteral("转账支票"), pg, [&](const QString &) { return big; }, {}));
    EXPECT_EQ(bytesOf(target), old);
    QStringList left = disk.names();
    left.removeAll(QStringLiteral("Temp"));
    EXPECT_EQ(left, QStringList{QFileInfo(target).fileName()});
    ASSERT_EQ(rec->messages.size(), 2);
    EXPECT_TRUE(rec->messages.last().startsWith(QStringLiteral("无法复制背景图文件：")));
    EXPECT_TRUE(rec->messages.last().contains(QStringLiteral("转账支票.jpg")))
        << rec->messages.last().toStdString();
}

TEST_F(BackPic, ClearAsksAndDeletes)
{
    store::ScopedRecordingReporter rec;
    PageView pg;
    const QString target = writeJpeg(GetBackPicFile(QStringLiteral("转账支票")), Qt::red);
    ShowBackPic(QStringLiteral("转账支票"), pg);
    int redraws = 0;

    rec->answer = false;
    EXPECT_FALSE(ClearBackPic(QStringLiteral("转账支票"), pg, [&] { ++redraws; }));
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_FALSE(pg.backPicture().isNull());

    rec->answer = true;
    EXPECT_TRUE(ClearBackPic(QStringLiteral("转账支票"), pg, [&] { ++redraws; }));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(pg.backPicture().isNull());
    EXPECT_EQ(redraws, 1);

    // No picture: the question is still asked, then nothing happens.
    rec->messages.clear();
    EXPECT_FALSE(ClearBackPic(QStringLiteral("转账支票"), pg, [&] { ++redraws; }));
    EXPECT_EQ(rec->messages, QStringList{"您确定要清除背景图？"});
    EXPECT_EQ(redraws, 1);
}

TEST_F(BackPic, ClearThatCannotDeleteKeepsThePicture)
{
    store::ScopedRecordingReporter rec;
    PageView pg;
    pg.setBackPicture(QImage(10, 10, QImage::Format_RGB32));
    // Something no file removal can delete stands where the picture should be.
    const QString target = GetBackPicFile(QStringLiteral("转账支票"));
    ASSERT_TRUE(QDir().mkpath(target + "/inside"));
    EXPECT_FALSE(ClearBackPic(QStringLiteral("转账支票"), pg, {}));
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_FALSE(pg.backPicture().isNull());
    ASSERT_EQ(rec->messages.size(), 2);
    EXPECT_EQ(rec->messages[1], "无法删除背景图文件：" + target);
}
