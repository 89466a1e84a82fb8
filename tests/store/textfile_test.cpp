#include "store_fixture.h"

#include "store/db/textfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>

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
    EXPECT_FALSE(QFileInfo::exists(P("nofolder")));
    EXPECT_EQ(FromGbk(storetest::FileBytes(p)), "旧内容");
    // A target that is a folder cannot be replaced: the folder stays, nothing else appears.
    QDir().mkpath(P("dir.cqf"));
    EXPECT_LT(WriteTextFile("新", P("dir.cqf")), 0);
    EXPECT_TRUE(QFileInfo(P("dir.cqf")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"old.cqf"}));
}

// Every file read takes the encoding its bytes show: a mark; GB18030 for bytes that are no
// UTF-8; and for bytes that are UTF-8 by chance (short GBK texts often are) the reading that
// gives likely text.
TEST_F(TextFiles, EachFileReadsAsTheTextItHolds)
{
    const QString p = P("r.csv");
    auto read = [&](const QByteArray &bytes) {
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        QString text;
        EXPECT_TRUE(ReadTextFile(p, &text));
        return text;
    };
    const QStringList gbk{
        // GBK bytes that are valid UTF-8 as well ("支票" would read "֧Ʊ", "陆拾" "½ʰ")
        "支票,100", "陆拾,60", "一元", "谢谢", "写,1", "同票", "陆路", "每毛", "木目,2",
        // and ordinary GBK
        "收款人,小写金额\r\n试印单位,12.50\r\n", "你好,用途", "工行支票"};
    for (const QString &text : gbk) {
        const QByteArray bytes = Iconv(text.toUtf8(), "UTF-8", "GBK");
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_EQ(read(bytes), text) << text.toStdString();
    }
    // Characters outside GBK, in GB18030's four-byte form.
    const QString rare = "王䶮,𠀾𠮷村,€5";
    EXPECT_EQ(read(Iconv(rare.toUtf8(), "UTF-8", "GB18030")), rare);
    // UTF-8 with and without a mark, Chinese and Latin text; UTF-16 with its mark.
    const QStringList utf8{"收款人,小写金额\n试印单位,12.50\n", "支票,100", "王䶮,𠀾𠮷村",
                           "Café Müller,25°,m²,¥100", "阿卜杜·买买提,“用途”…", "ａｂｃ１２３，。",
                           "plain ascii,1"};
    for (const QString &text : utf8) {
        EXPECT_EQ(read(text.toUtf8()), text) << text.toStdString();
        EXPECT_EQ(read("\xEF\xBB\xBF" + text.toUtf8()), text) << text.toStdString();
    }
    EXPECT_EQ(read(Iconv(rare.toUtf8(), "UTF-8", "UTF-16")), rare);
    EXPECT_TRUE(messages->messages.isEmpty());
}
