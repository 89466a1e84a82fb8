// Format files: written, read back and refused, checked through the sqlite3 client and the
// file's bytes.
#include "../common/hiddennames.h"
#include "../common/smalldisk.h"
#include "library_fixture.h"

#include "library/fmtfile.h"
#include "page/backpic.h"
#include "store/model/context.h"
#include "store/db/filewriter.h"
#include "store/view/fmtcmd.h"
#include "store/ui/indicator.h"
#include "store/ui/startup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cmath>

#include <map>

namespace {

// A host for the format commands without a window: it remembers what was put on the page.
class TestHost : public store::FormatCommandHost
{
public:
    store::AppContext &context() override { return ctx; }
    std::optional<QString> chooseFormat() override { return QString(); }
    std::optional<QString> selectFormatName(bool allowEdit) override
    {
        asked << allowEdit;
        return chosen;
    }
    void initFmtOnPage(const QString &name) override { opened << name; }
    void autoFillDates() override {}
    void O2_Click(int) override {}
    QString backPicFile(const QString &name) override { return page::GetBackPicFile(name); }

    store::AppContext ctx;
    QString chosen;
    QList<bool> asked;
    QStringList opened;
};

class FmtFileTest : public LibraryTest
{
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        library::SetFileQuestion([this](const QString &filter, bool save, const QString &def) {
            questions << QStringLiteral("%1|%2|%3").arg(filter).arg(save).arg(def);
            return answerFile;
        });
    }
    void TearDown() override
    {
        library::SetFileQuestion({});
        LibraryTest::TearDown();
    }
    static QString Dump() { return Sqlite("SELECT * FROM Fmt ORDER BY ID;"); }

    // A format with a field of every kind, links of all four columns, line breaks in a label
    // and a note, its whole-format row and a picture. Returns the IDs of its rows.
    QList<qint64> MakeFormat(const QString &name)
    {
        QList<qint64> ids;
        auto add = [&](const QVariantList &v) {
            EXPECT_TRUE(store::ExecSQL(
                "INSERT INTO Fmt(Fmt,LBL,Clas,Dir,X,Y,W,H,S,L,Color,fName,fSize,fBold,fItalic,"
                "fUnderline,fStrikethru,Cash,RCtl,Mem,SumID,SumID1,RCtl1) "
                "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                v));
            ids << store::LastInsertId();
        };
        add({name,  "【§单据整体格式参数§】",
             0,     0,
             7,     12,
             180,   80,
             0,     0,
             19200, "",
             0,     0,
             0,     0,
             0,     0,
             0,     "True|False|0|0|0|0|1|False|",
             0,     0,
             0});
        add({name, "小写金额", 0, 1, 10.5, 20,  50, 6,  0.5, 1002.5, 255, "宋体",
             10.5, 1,          0, 1, 0,    103, 0,  "", 0,   0,      0});
        const qint64 amount = ids.last();
        add({name,
             "大写\r\n金额",
             0,
             0,
             10,
             30,
             80,
             6,
             0,
             0,
             0,
             "黑体",
             12,
             0,
             1,
             0,
             1,
             120,
             double(amount),
             "备注\r\n第二行",
             0,
             0,
             0});
        add({name,
             "已付",
             1,
             0,
             100,
             30,
             5,
             5,
             0,
             0,
             0,
             "宋体",
             9,
             0,
             0,
             0,
             0,
             0,
             0,
             "",
             -(double(amount) + 0.1),
             double(amount),
             -double(amount)});
        add({name, "条码", 2, 3, 120, 40, 40, 12, 0, 0, 0, "Arial",
             8,    0,      0, 0, 0,   0,  0,  "", 0, 0, 0});
        add({name, "线", 3, 0, -1e-7, 50, 170, 50, 0, 0, 16711680, "",
             1,    0,    0, 0, 0,     2,  0,   "", 0, 0, 0});
        add({name, "说明", 4, 0, 0.3, 60, 30, 5,  0, 2, 0, "宋体",
             9,    0,      0, 0, 0,   0,  0,  "", 0, 0, 0});
        Put("/../home/" + QFileInfo(page::GetBackPicFile(name)).fileName(), "PICTURE");
        return ids;
    }

    // The format's rows with the IDs replaced by their position and every link by the position
    // of its target (sign and tenth kept), as sqlite3 prints them.
    static QStringList Rows(const QString &name)
    {
        QProcess p;
        p.start(QStringLiteral("sqlite3"),
                {QStringLiteral("-json"), store::DataFilePath(),
                 QStringLiteral("SELECT ID,LBL,Clas,Dir,X,Y,W,H,S,L,Color,fName,fSize,fBold,"
                                "fItalic,fUnderline,fStrikethru,Cash,RCtl,Mem,SumID,SumID1,RCtl1 "
                                "FROM Fmt WHERE Fmt='%1' ORDER BY ID;")
                     .arg(name)});
        if (!p.waitForFinished(30000))
            return {};
        const QJsonArray rows = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
        std::map<qint64, int> pos;
        for (int i = 0; i < rows.size(); ++i)
            pos[rows[i].toObject().value("ID").toInteger()] = i + 1;
        QStringList out;
        for (const QJsonValue &row : rows) {
            QJsonObject o = row.toObject();
            o["ID"] = pos[o.value("ID").toInteger()];
            for (const char *c : {"RCtl", "SumID", "SumID1", "RCtl1"}) {
                const double v = o.value(c).toDouble();
                const qint64 id = qint64(std::floor(std::fabs(v) + 1e-6));
                if (v != 0 && pos.count(id))
                    o[c] = QStringLiteral("%1@%2%3")
                               .arg(v < 0 ? "-" : "+")
                               .arg(pos[id])
                               .arg(std::fabs(v) - double(id) > 0.05 ? ".1" : "");
            }
            out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
        }
        return out;
    }

    TestHost host;
    QStringList questions;
    QString answerFile;
};

TEST_F(FmtFileTest, ExportDeleteImportGivesTheSameFormat)
{
    const QString name = QStringLiteral("测试支票");
    MakeFormat(name);
    const QStringList before = Rows(name);
    ASSERT_EQ(before.size(), 7);

    QDir().mkpath(m_dir.path() + "/out");
    answerFile = m_dir.path() + "/out/" + name; // ".cqf" is added
    host.chosen = name;
    ASSERT_EQ(library::ExportFmtFile(host), name);
    EXPECT_EQ(host.asked, QList<bool>{false});
    EXPECT_EQ(questions, QStringList{"支票格式(*.cqf)|*.cqf|1|" + home() + "/测试支票"});
    EXPECT_EQ(rec().messages, QStringList{"格式：“测试支票”导出完成！"});
    const QString file = answerFile + ".cqf";
    const QByteArray bytes = ReadAll(file);
    EXPECT_TRUE(bytes.startsWith(QByteArray::fromHex("3C56656C7472616E65B8F1CABDD7A8D3C33E0D0A")));
    EXPECT_FALSE(bytes.endsWith("\r\n"));
    EXPECT_TRUE(bytes.contains(QByteArray::fromHex("A1BFA1EFA1BE"))); // 】★【
    EXPECT_TRUE(bytes.contains(store::ToGbk("大写‖‖‖金额")));
    EXPECT_TRUE(bytes.contains(store::ToGbk("备注♂♂第二行")));
    EXPECT_TRUE(bytes.contains(store::ToGbk("】★【-0.0000001】★【")));
    EXPECT_TRUE(bytes.contains(store::ToGbk("】★【0.3】★【")));
    EXPECT_FALSE(bytes.contains("E-"));
    EXPECT_EQ(store::FromGbk(bytes).split("\r\n").size(), 9);
    EXPECT_EQ(ReadAll(m_dir.path() + "/out/测试支票.jpg"), "PICTURE");

    // Deleted, picture gone, imported again: the same rows with new IDs, links to the new rows.
    ASSERT_TRUE(store::ExecSQL("DELETE FROM Fmt WHERE Fmt=?", {name}));
    QFile::remove(page::GetBackPicFile(name));
    rec().messages.clear();
    rec().answer = false; // not opened now
    ASSERT_TRUE(library::ImportFmtFile(host, "  " + file + " "));
    EXPECT_EQ(Rows(name), before);
    EXPECT_EQ(ReadAll(page::GetBackPicFile(name)), "PICTURE");
    EXPECT_EQ(rec().messages, QStringList{"格式“测试支票”导入成功,立即调用此格式？"});
    EXPECT_TRUE(host.opened.isEmpty());
    EXPECT_FALSE(store::ProgressShowing());

    // Once more: the name is taken, another is asked for (trimmed), and it opens.
    rec().messages.clear();
    rec().answer = true;
    rec().textAnswers = {QStringLiteral("  工行支票 ")};
    ASSERT_TRUE(library::ImportFmtFile(host, file));
    EXPECT_EQ(rec().messages, (QStringList{"格式：“测试支票”已存在，请另取格式名！",
                                           "格式“工行支票”导入成功,立即调用此格式？"}));
    EXPECT_EQ(rec().textTitles, QStringList{"格式名输入"});
    EXPECT_EQ(rec().textPresets, QStringList{"测试支票"});
    EXPECT_EQ(Rows(QStringLiteral("工行支票")), before);
    EXPECT_EQ(host.opened, QStringList{"工行支票"});
    // A cancelled name prompt adds nothing.
    const QString dump = Dump();
    rec().textAnswers = {QString()}; // cancelled
    EXPECT_FALSE(library::ImportFmtFile(host, file));
    EXPECT_EQ(Dump(), dump);

    // Over an existing file it asks first; no writes nothing.
    rec().messages.clear();
    rec().answer = false;
    Put("/../out/测试支票.cqf", "KEEP");
    EXPECT_FALSE(library::ExportFmtFile(host, name));
    EXPECT_EQ(rec().messages, QStringList{"文件：“" + file + "”已经存在，是否覆盖？"});
    EXPECT_EQ(ReadAll(file), "KEEP");
    // Into a folder that cannot be written: our failure text, no success.
    rec().messages.clear();
    answerFile = m_dir.path() + "/no/such/folder/x.CQF";
    EXPECT_FALSE(library::ExportFmtFile(host, name));
    ASSERT_EQ(rec().messages.size(), 1);
    EXPECT_TRUE(rec().messages.at(0).startsWith("格式文件写入失败：“" + answerFile + "”！\n"))
        << rec().messages.at(0).toStdString();
}

QByteArray WorkedExample()
{
    return store::ToGbk(
        "<Veltrane格式专用>\r\n"
        "转账支票A\r\n"
        "7】★【】★【【§单据整体格式参数§】】★【】★【7】★【12】★【180】★【80】★【】★【】★【19200】★"
        "【"
        "】★【】★【False】★【False】★【False】★【False】★【】★【】★【True|False|0|0|0|0|1|False|"
        "】★【"
        "】★【\r\n"
        "8】★【0】★【金额】★【0】★【10.5】★【20】★【50】★【6】★【0.5】★【1002."
        "5】★【255】★【宋体】★【"
        "10.5】★【True】★【False】★【False】★【False】★【103】★【0】★【】★【0】★【0");
}

// Over an earlier export on a disk with a few KB left: the picture does not fit, so neither file
// is replaced (the format file is not left newer than its picture), nothing else is left, and
// the message names the file that could not be written.
TEST_F(FmtFileTest, ExportOnAFullDiskKeepsBothEarlierFiles)
{
    const QString name = QStringLiteral("测试支票");
    MakeFormat(name);
    QByteArray picture(150 * 1024, 'p');
    for (int i = 0; i < picture.size(); ++i)
        picture[i] = char((i * 7919) % 251);
    ASSERT_TRUE(store::WriteFileBytes(page::GetBackPicFile(name), picture));
    SmallDisk disk(m_dir.path() + "/small", "256k");
    if (!disk.mounted())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    answerFile = disk.path() + "/测试支票.cqf";
    ASSERT_TRUE(store::WriteTextFile("OLD FORMAT", answerFile) > 0);
    ASSERT_TRUE(store::WriteTextFile("OLD PICTURE", disk.path() + "/测试支票.jpg") > 0);
    disk.fill(16384);
    rec().answer = true;
    EXPECT_FALSE(library::ExportFmtFile(host, name));
    ASSERT_EQ(rec().messages.size(), 2); // the question to replace, then the failure
    EXPECT_TRUE(
        rec().messages.at(1).startsWith("格式文件写入失败：“" + disk.path() + "/测试支票.jpg”！\n"))
        << rec().messages.at(1).toStdString();
    EXPECT_TRUE(rec().messages.at(1).endsWith("\n磁盘空间不足。")) << rec().messages.at(1).toStdString();
    EXPECT_EQ(ReadAll(answerFile), "OLD FORMAT");
    EXPECT_EQ(ReadAll(disk.path() + "/测试支票.jpg"), "OLD PICTURE");
    EXPECT_EQ(disk.names(), (QStringList{"测试支票.cqf", "测试支票.jpg"}));
}

TEST_F(FmtFileTest, WorkedExampleAndItsVariantsImport)
{
    rec().answer = false;
    const QString file = m_dir.path() + "/example.cqf";
    Put("/../example.cqf", WorkedExample());
    ASSERT_TRUE(library::ImportFmtFile(host, file));
    // The file's base name holds no kind: the name line names the format.
    EXPECT_EQ(Sqlite("SELECT LBL||'|'||X||'|'||Y||'|'||W||'|'||H||'|'||Color||'|'||Mem FROM Fmt "
                     "WHERE Fmt='转账支票A' ORDER BY ID;"),
              "【§单据整体格式参数§】|7.0|12.0|180.0|80.0|19200|True|False|0|0|0|0|1|False|\n"
              "金额|10.5|20.0|50.0|6.0|255|\n");
    EXPECT_EQ(Sqlite("SELECT Clas||'|'||Dir||'|'||S||'|'||L||'|'||fName||'|'||fSize||'|'||fBold||"
                     "fItalic||fUnderline||fStrikethru||'|'||Cash||'|'||SumID1||'|'||RCtl1 FROM "
                     "Fmt WHERE Fmt='转账支票A' AND LBL='金额';"),
              "0|0|0.5|1002.5|宋体|10.5|1000|103.0|0.0|0\n");

    // Ending with CR LF, a record broken over two lines, lines of 21 and 23 fields.
    QByteArray text = WorkedExample() + "\r\n";
    Put("/../支票B.cqf", text);
    ASSERT_TRUE(library::ImportFmtFile(host, m_dir.path() + "/支票B.cqf"));
    EXPECT_EQ(Sqlite("SELECT COUNT(*), SUM(Cash) FROM Fmt WHERE Fmt='支票B';"), "2|103.0\n");

    QString broken = store::FromGbk(WorkedExample());
    broken.replace(QStringLiteral("【金额】"), QStringLiteral("【金\r\n额】"));
    broken.replace(QStringLiteral("】★【0】★【0"), QStringLiteral("】★【0】★【8"));
    broken += QStringLiteral(
        "\r\n9】★【1】★【勾】★【0】★【1】★【1】★【1】★【1】★【0】★【0】★【0】★【宋体】★【9】★【"
        "False】★【False】★【False】★【False】★【0】★【8】★【】★【-8.1");
    broken += QStringLiteral(
        "\r\n10】★【1】★【勾2】★【0】★【1】★【1】★【1】★【1】★【0】★【0】★【0】★【宋体】★【9】★"
        "【False】★【False】★【False】★【False】★【0】★【0】★【】★【0】★【0】★【-9】★【x");
    Put("/../支票C.cqf", store::ToGbk(broken));
    ASSERT_TRUE(library::ImportFmtFile(host, m_dir.path() + "/支票C.cqf"));
    const QString ids = Sqlite("SELECT ID FROM Fmt WHERE Fmt='支票C' ORDER BY ID;");
    const QStringList id = ids.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(id.size(), 4);
    EXPECT_EQ(Sqlite("SELECT LBL||'|'||RCtl||'|'||SumID||'|'||SumID1||'|'||RCtl1 FROM Fmt WHERE "
                     "Fmt='支票C' ORDER BY ID;"),
              QStringLiteral("【§单据整体格式参数§】|0.0|0.0|0.0|0\n"
                             "金\r\n额|0.0|0.0|%1.0|0\n"
                             "勾|%1.0|-%1.1|0.0|0\n"
                             "勾2|0.0|0.0|0.0|-%2\n")
                  .arg(id[1], id[2]));
}

TEST_F(FmtFileTest, BadFilesLeaveTheDatabaseAsItWas)
{
    const QString dump = Dump();
    const QByteArray good = WorkedExample();
    const struct
    {
        const char *file;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"/支票1.cqf", store::ToGbk("<Veltrane格式专用>\r\n转账支票A"), "无法识别"},
        {"/支票2.cqf", store::ToGbk("<Veltrane格式>\r\n") + good.mid(good.indexOf('\n') + 1),
         "无法识别"},
        {"/支票3.cqf", good.left(good.indexOf(store::ToGbk("【§单据")) - 10), "格式文件有错！"},
        {"/支票4.cqf",
         store::ToGbk("<Veltrane格式专用>\r\n工资单\r\n") + good.mid(good.indexOf("7")),
         "此格式不属于支票,进账单，无法导入！"},        // An empty file is no format file: told at once, not after waiting for it to fill.
        {"/支票5.cqf", QByteArray(), "无法识别"},
    };
    for (const auto &c : cases) {
        rec().messages.clear();
        Put(QString::fromUtf8("/..") + QString::fromUtf8(c.file), c.bytes);
        EXPECT_FALSE(library::ImportFmtFile(host, m_dir.path() + QString::fromUtf8(c.file)))
            << c.file;
        ASSERT_EQ(rec().messages.size(), 1) << c.file;
        EXPECT_TRUE(rec().messages[0].contains(c.message)) << rec().messages[0].toStdString();
        EXPECT_EQ(Dump(), dump) << c.file;
        EXPECT_FALSE(store::ProgressShowing());
    }
    // Without its whole-format row a format has no size: refused as unrecognised.
    QString noPara = store::FromGbk(good);
    noPara.remove(noPara.indexOf("\r\n7"), noPara.indexOf("\r\n8") - noPara.indexOf("\r\n7"));
    Put("/../支票6.cqf", store::ToGbk(noPara));
    rec().messages.clear();
    EXPECT_FALSE(library::ImportFmtFile(host, m_dir.path() + "/支票6.cqf"));
    EXPECT_EQ(rec().messages.value(0),
              "无法识别此文件，请确认文件：“" + m_dir.path() + "/支票6.cqf”为支票格式文件！");
    EXPECT_EQ(Dump(), dump);
    // A file that cannot be read (a catalogue download that went missing) is reported at once.
    rec().messages.clear();
    EXPECT_FALSE(library::ImportFmtFile(host, m_dir.path() + "/没有的支票.cqf"));
    EXPECT_EQ(rec().messages, QStringList{"无法打开下载文档：\r\n" + m_dir.path() + "/没有的支票.cqf"});
    EXPECT_EQ(Dump(), dump);
    EXPECT_FALSE(store::ProgressShowing());
}

// A format file reads as the text it holds: UTF-8 whose signs and Greek or Cyrillic letters a
// GBK reading would turn into rare characters, and GBK.
TEST_F(FmtFileTest, FormatFileReadsAsTheTextItHolds)
{
    const QString example = store::FromGbk(WorkedExample());
    const QString file = m_dir.path() + QStringLiteral("/named.cqf");
    const struct
    {
        QString name;
        bool utf8;
    } cases[] = {
        {QStringLiteral("支票½×2"), true},   {QStringLiteral("支票αβ"), true},
        {QStringLiteral("Иван支票"), true},  {QStringLiteral("进账单Иван Петров"), true},
        {QStringLiteral("陆拾支票"), false}, {QStringLiteral("谢谢支票"), false},
    };
    rec().answer = false; // not opened
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QString text = example;
        text.replace(QStringLiteral("转账支票A"), c.name);
        Put("/../named.cqf", c.utf8 ? text.toUtf8() : store::ToGbk(text));
        rec().messages.clear();
        EXPECT_TRUE(library::ImportFmtFile(host, file));
        EXPECT_EQ(rec().messages,
                  QStringList{QStringLiteral("格式“%1”导入成功,立即调用此格式？").arg(c.name)});
        EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) > 1 FROM Fmt WHERE Fmt='" + c.name + "';"), "1");
    }
}

// Names from a format file that no format may have (a control character, too long for its
// picture's file name) are asked for again; given none, nothing is stored and no file written.
// A stored format of such a name still opens. The file's text reads as GBK or as UTF-8.
TEST_F(FmtFileTest, NamesThatCannotBeFormatNamesAreAskedAgain)
{
    const QString dump = Dump();
    const QString example = store::FromGbk(WorkedExample());
    const QString home = QFileInfo(store::DataFilePath()).absolutePath();
    const QStringList before = QDir(home).entryList(QDir::Files);
    const QString longName = QStringLiteral("支票") + QString(298, u'长');
    struct Case
    {
        QString name;
        QString prompt;
        QString preset;
    };
    std::vector<Case> cases = {
        {QStringLiteral("支票") + QChar(0) + QStringLiteral("A"),
         QStringLiteral("格式：“支票□A”含有控制字符，请另取格式名！"), QStringLiteral("支票A")},
        {QStringLiteral("支票\nB"), QStringLiteral("格式：“支票□B”含有控制字符，请另取格式名！"),
         QStringLiteral("支票B")},
        {QStringLiteral("支票\x1b[31mC"),
         QStringLiteral("格式：“支票□[31mC”含有控制字符，请另取格式名！"),
         QStringLiteral("支票[31mC")},
        // Characters that hide or turn round what a name shows: a right-to-left override, a
        // zero-width space, a C1 control (NEL) and the line separator.
        {QStringLiteral("支票\u202Egpj.exe"),
         QStringLiteral("格式：“支票□gpj.exe”含有控制字符，请另取格式名！"),
         QStringLiteral("支票gpj.exe")},
        {QStringLiteral("转账\u200B支票"),
         QStringLiteral("格式：“转账□支票”含有控制字符，请另取格式名！"),
         QStringLiteral("转账支票")},
        {QStringLiteral("支票\u0085E"),
         QStringLiteral("格式：“支票□E”含有控制字符，请另取格式名！"), QStringLiteral("支票E")},
        {QStringLiteral("支票\u2028F"),
         QStringLiteral("格式：“支票□F”含有控制字符，请另取格式名！"), QStringLiteral("支票F")},
        {longName,
         QStringLiteral("格式：“") + longName.left(30) + QStringLiteral("…”太长，请另取格式名！"),
         longName.left(79)}, // 79 characters of three bytes and ".jpg": 241 bytes, which the
                             // file writer's temporary name still fits
    };
    // Every kind of character that hides what a name shows. (A name of fillers alone cannot come
    // from a format file: a format's name must be of a kind, "支票" or "进账单".) The long name
    // stays last: the file imports under the name it offers.
    for (const hiddennames::Case &c : hiddennames::Cases("支票", "G", false))
        cases.insert(cases.end() - 1, Case{c.name, c.Prompt(), c.preset});
    const QString file = m_dir.path() + QStringLiteral("/named.cqf");
    Put("/../named.jpg", "PICTURE");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.prompt.toStdString());
        QString text = example;
        text.replace(QStringLiteral("转账支票A"), c.name);
        Put("/../named.cqf", store::ToGbk(text));
        rec().messages.clear();
        rec().textPresets.clear();
        rec().textAnswers = QStringList{QString()}; // the question cancelled
        EXPECT_FALSE(library::ImportFmtFile(host, file));
        EXPECT_EQ(rec().messages, QStringList{c.prompt});
        EXPECT_EQ(rec().textPresets, QStringList{c.preset});
        EXPECT_EQ(rec().textTitles.value(0), QStringLiteral("格式名输入"));
        EXPECT_EQ(Dump(), dump);
        EXPECT_EQ(QDir(home).entryList(QDir::Files), before);
        EXPECT_FALSE(store::ProgressShowing());
    }
    // The name offered is taken: the file imports under it, the picture installed beside it.
    rec().answer = false;
    rec().messages.clear();
    rec().textAnswers.clear();
    EXPECT_TRUE(library::ImportFmtFile(host, file));
    EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) FROM Fmt WHERE Fmt='" + longName.left(79) + "';"),
              "2");
    EXPECT_TRUE(QFileInfo::exists(page::GetBackPicFile(longName.left(79))));

    // A Korean name is taken as it is.
    {
        QString text = example;
        text.replace(QStringLiteral("转账支票A"), hiddennames::kKorean + QStringLiteral("支票"));
        Put("/../named.cqf", store::ToGbk(text));
        rec().messages.clear();
        rec().textPresets.clear();
        EXPECT_TRUE(library::ImportFmtFile(host, file));
        EXPECT_TRUE(rec().textPresets.isEmpty());
        EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) > 1 FROM Fmt WHERE Fmt='" + hiddennames::kKorean +
                                "支票';"),
                  "1");
    }

    // The same file as UTF-8 without a mark, and a format stored under a name with a line
    // break, which opens.
    QString text = example;
    text.replace(QStringLiteral("转账支票A"), QStringLiteral("工行支票"));
    Put("/../named.cqf", text.toUtf8());
    rec().textAnswers.clear();
    EXPECT_TRUE(library::ImportFmtFile(host, file));
    EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) FROM Fmt WHERE Fmt='工行支票';"), "2");
    Sqlite("UPDATE Fmt SET Fmt='工行' || char(10) || '支票' WHERE Fmt='工行支票';");
    QString open = QStringLiteral("工行\n支票");
    store::OpenFmt(host, open, true);
    EXPECT_EQ(host.opened.value(host.opened.size() - 1), QStringLiteral("工行\n支票"));
}

} // namespace
