#include "store_fixture.h"

#include "store/textfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>

using namespace store;

namespace {

class TextFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScopedRecordingReporter messages;
    QString P(const QString &name) const { return dir.path() + "/" + name; }
};

QByteArray Iconv(const QByteArray &bytes, const char *from, const char *to)
{
    QProcess p;
    p.start("iconv", {"-f", from, "-t", to});
    p.write(bytes);
    p.closeWriteChannel();
    p.waitForFinished();
    return p.readAllStandardOutput();
}

} // namespace

TEST_F(TextFiles, WritesGbkBytesThroughATemporaryFile)
{
    const QString p = P("a.cqf");
    EXPECT_EQ(WriteTextFile("甲\r\n乙", p), 1);
    EXPECT_EQ(storetest::FileBytes(p), QByteArray("\xBC\xD7\r\n\xD2\xD2"));
    EXPECT_EQ(Iconv(storetest::FileBytes(p), "GBK", "UTF-8"), QString("甲\r\n乙").toUtf8());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"a.cqf"}));
    EXPECT_FALSE(QFile::exists(p + ".TMP"));
}

TEST_F(TextFiles, FailedWriteLeavesTheOldFileAndNoOtherNames)
{
    const QString p = P("old.cqf");
    ASSERT_EQ(WriteTextFile("旧内容", p), 1);
    // A folder that cannot take the new file: the write fails before any rename.
    const QString missing = P("nofolder/x.cqf");
    EXPECT_LT(WriteTextFile("新", missing), 0);
    EXPECT_FALSE(WriteTextFileRetry("新", missing, 0));
    EXPECT_FALSE(QFile::exists(missing + "1"));
    EXPECT_FALSE(QFile::exists(missing + "11"));
    EXPECT_FALSE(QFileInfo::exists(P("nofolder")));
    EXPECT_EQ(FromGbk(storetest::FileBytes(p)), "旧内容");
    // A target that is a folder cannot be replaced: the folder stays, nothing else appears.
    QDir().mkpath(P("dir.cqf"));
    EXPECT_FALSE(WriteTextFileRetry("新", P("dir.cqf"), 0));
    EXPECT_TRUE(QFileInfo(P("dir.cqf")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"old.cqf"}));
}

TEST_F(TextFiles, ReadsGbkAndUtf8AndDeletesWhenAsked)
{
    const QString p = P("r.cqf");
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Iconv(QString("工行支票").toUtf8(), "UTF-8", "GBK"));
    f.close();
    EXPECT_EQ(ReadTextFileRetry(p, false, 0), "工行支票");
    EXPECT_TRUE(QFile::exists(p));
    EXPECT_EQ(ReadTextFileRetry(p, true, 0), "工行支票");
    EXPECT_FALSE(QFile::exists(p));

    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF");
    f.write(QString("建行€").toUtf8());
    f.close();
    QString text;
    ASSERT_TRUE(ReadTextFile(p, &text));
    EXPECT_EQ(text, "建行€");

    // A sheet saved on this desktop: UTF-8 without a mark. GBK of a single character that
    // happens to be valid UTF-8 would not be; a short GBK text still reads as GBK.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QString("收款人,小写金额\n试印单位,12.50\n").toUtf8());
    f.close();
    ASSERT_TRUE(ReadTextFile(p, &text));
    EXPECT_EQ(text, "收款人,小写金额\n试印单位,12.50\n");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Iconv(QString("你好,用途").toUtf8(), "UTF-8", "GBK"));
    f.close();
    ASSERT_TRUE(ReadTextFile(p, &text));
    EXPECT_EQ(text, "你好,用途");
    EXPECT_TRUE(messages->messages.isEmpty());
}

TEST_F(TextFiles, MissingFileEndsInTheMessage)
{
    const QString p = P("none.cqf");
    EXPECT_EQ(ReadTextFileRetry(p, true, 0), "");
    ASSERT_EQ(messages->messages.size(), 1);
    EXPECT_EQ(messages->messages[0], "无法打开下载文档：\r\n" + p);
}

TEST_F(TextFiles, FileAppearingLaterIsReadAtTheFirstReadableRound)
{
    const QString p = P("late.cqf");
    bool written = false;
    QTimer::singleShot(30, [&] {
        written = WriteTextFile("下载完成", p) == 1;
    });
    EXPECT_EQ(ReadTextFileRetry(p, false, 5), "下载完成");
    EXPECT_TRUE(written);
    EXPECT_TRUE(messages->messages.isEmpty());
}
