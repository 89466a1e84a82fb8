#include "store_fixture.h"

#include "store/db/db.h"
#include "store/db/paths.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

using namespace store;
using storetest::StoreTest;

namespace {

using DbLayer = StoreTest;

qint64 AddField(const QString &fmt, const QString &lbl)
{
    EXPECT_TRUE(ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL) VALUES(?, ?)"), {fmt, lbl}));
    return LastInsertId();
}

} // namespace

TEST_F(DbLayer, QueryReadsIntoMemoryWithExactCountAndNamedFields)
{
    const qint64 a = AddField("工行支票", "收款人");
    const qint64 b = AddField("工行支票", "金额");
    Recordset rs;
    ASSERT_TRUE(OpenRs(rs, "SELECT ID, LBL, X FROM Fmt WHERE Fmt=? ORDER BY ID", {"工行支票"}));
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.FieldNames(), QStringList({"ID", "LBL", "X"}));
    EXPECT_EQ(rs.FieldIndex("lbl"), 1); // as SQLite, names are found ignoring case
    EXPECT_EQ(rs.FieldType("X"), ColType::Double);
    EXPECT_EQ(rs.FieldType("LBL"), ColType::Text);
    EXPECT_EQ(rs.FieldType("ID"), ColType::Integer);
    // A statement that writes between the reads does not disturb the held rows.
    EXPECT_TRUE(ExecSQL("DELETE FROM Fmt WHERE ID=?", {a}));
    QStringList seen;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        seen << rs.Text("LBL");
    EXPECT_EQ(seen, QStringList({"收款人", "金额"}));
    EXPECT_EQ(rs.Value(1, "ID").toLongLong(), b);
    EXPECT_TRUE(rs.Field("LBL").isValid() == false); // off the rows
    CloseRs(rs);
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_EQ(rs.RecordCount(), 0);
}

TEST_F(DbLayer, EmptyResultGivesNoMessage)
{
    Recordset rs;
    ASSERT_TRUE(OpenRs(rs, "SELECT * FROM Fmt WHERE Fmt=?", {"没有的格式"}));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.Bof());
    EXPECT_TRUE(m_messages->messages.isEmpty());
}

TEST_F(DbLayer, FailingQueryShowsTheStatementAndFailingStatementOnlyReturnsFalse)
{
    Recordset rs;
    EXPECT_FALSE(OpenRs(rs, "SELECT * FROM 无此表"));
    EXPECT_FALSE(rs.IsOpen());
    ASSERT_EQ(m_messages->messages.size(), 1);
    EXPECT_EQ(m_messages->messages[0], "数据库打开错误(SELECT * FROM 无此表)！");
    EXPECT_FALSE(ExecSQL("DELETE FROM 无此表"));
    EXPECT_EQ(m_messages->messages.size(), 1);
}

TEST_F(DbLayer, AwkwardValuesAreStoredAndFoundExactly)
{
    const QStringList values = {"O'Brien支票", "100%_收款'人\"", "a\\b", "'; DROP TABLE Fmt; --",
                                "0012", "1.50", " 带空格 ", "换行\r\n第二行"};
    for (const QString &v : values) {
        SCOPED_TRACE(v.toStdString());
        const qint64 id = AddField(v, v);
        EXPECT_EQ(GetFieldWhere("Fmt", "Fmt=?", "LBL", {v}).toString(), v);
        EXPECT_EQ(GetFieldByID("Fmt", id, "Fmt").toString(), v);
        EXPECT_EQ(GetFieldByID("Fmt", id, "Fmt").typeId(), QMetaType::QString);
    }
    // LIKE with the literal helper matches only the literal text.
    AddField("x", "100%_abc");
    AddField("x", "100xyabc");
    Recordset rs;
    ASSERT_TRUE(OpenRs(rs, "SELECT LBL FROM Fmt WHERE LBL LIKE ? ESCAPE '\\'",
                       {LikeLiteral("100%_") + "%"}));
    QStringList found;
    for (const auto &r : rs.Rows())
        found << r[0].toString();
    found.sort();
    EXPECT_EQ(found, QStringList({"100%_abc", "100%_收款'人\""}));
    EXPECT_TRUE(TableExists("Fmt"));
    EXPECT_TRUE(m_messages->messages.isEmpty());
}

TEST_F(DbLayer, RowsOfOnePreparedStatementAreStoredAsSingleStatementsStoreThem)
{
    ASSERT_TRUE(ExecSQL("CREATE TABLE t(Way TEXT, V)"));
    const SqlArgs values = {QStringLiteral("0012"), QStringLiteral("换行\r\n第二行"),
                            QStringLiteral(""), QVariant(), QVariant(QMetaType(QMetaType::QString)),
                            42, qint64(1) << 40, 1.5, true, QDate(2024, 3, 9),
                            QByteArray("\0\x01b", 3)};
    std::vector<SqlArgs> rows;
    for (const QVariant &v : values) {
        ASSERT_TRUE(ExecSQL("INSERT INTO t(Way, V) VALUES(?, ?)", {"one", v}));
        rows.push_back({"rows", v});
    }
    ASSERT_TRUE(Db::Main().ExecRows("INSERT INTO t(Way, V) VALUES(?, ?)", rows));
    const auto stored = [](const QString &way) {
        Recordset rs;
        EXPECT_TRUE(OpenRs(rs, "SELECT typeof(V) || ':' || quote(V) FROM t WHERE Way=? "
                               "ORDER BY rowid", {way}));
        QStringList out;
        for (const auto &r : rs.Rows())
            out << r[0].toString();
        return out;
    };
    EXPECT_EQ(stored("rows").size(), values.size());
    EXPECT_EQ(stored("rows"), stored("one"));
    // A refused row stops the rest and says so.
    ASSERT_TRUE(ExecSQL("CREATE TRIGGER no_b BEFORE INSERT ON t WHEN NEW.V='b' "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    EXPECT_FALSE(Db::Main().ExecRows("INSERT INTO t(Way, V) VALUES(?, ?)",
                                     {{"late", "a"}, {"late", "b"}, {"late", "c"}}));
    EXPECT_EQ(stored("late"), QStringList{"text:'a'"});
    EXPECT_TRUE(Db::Main().LastError().contains("refused"));
}

TEST_F(DbLayer, GetFieldGivesEmptyTextForNoRowAndNullForNullValue)
{
    const QVariant none = GetFieldWhere("参数", "Var=?", "Con", {"nokey"});
    EXPECT_FALSE(none.isNull());
    EXPECT_EQ(none.toString(), "");
    ASSERT_TRUE(ExecSQL("INSERT INTO 参数(Var, Con) VALUES(?, ?)", {"k", QVariant()}));
    EXPECT_TRUE(GetFieldWhere("参数", "Var=?", "Con", {"k"}).isNull());
    const qint64 id = AddField("工行支票", "收款人");
    EXPECT_EQ(GetFieldByID("Fmt", id, "LBL").toString(), "收款人");
    EXPECT_EQ(GetFieldByID("Fmt", id, "没有的列").toString(), "");
}

TEST_F(DbLayer, BoundDatesAndBooleansAreStoredAsIsoTextAndZeroOne)
{
    ASSERT_TRUE(ExecSQL("INSERT INTO 网站格式(Name, Dat) VALUES(?, ?)",
                        {"a", QDate(2024, 3, 9)}));
    ASSERT_TRUE(ExecSQL("INSERT INTO Fmt(Fmt, fBold, fItalic) VALUES(?, ?, ?)", {"b", true, false}));
    Recordset rs;
    ASSERT_TRUE(OpenRs(rs, "SELECT Dat, typeof(Dat) AS t FROM 网站格式"));
    EXPECT_EQ(rs.Text("Dat"), "2024-03-09");
    EXPECT_EQ(rs.Text("t"), "text");
    EXPECT_EQ(rs.FieldType("Dat"), ColType::Date);
    ASSERT_TRUE(OpenRs(rs, "SELECT fBold, fItalic FROM Fmt WHERE Fmt='b'"));
    EXPECT_EQ(rs.Field("fBold").toLongLong(), 1);
    EXPECT_TRUE(rs.Bool("fBold"));
    EXPECT_FALSE(rs.Bool("fItalic"));
    EXPECT_EQ(rs.FieldType("fBold"), ColType::Boolean);
    // A value written as -1 by an older program still reads true.
    ASSERT_TRUE(ExecSQL("UPDATE Fmt SET fItalic=-1 WHERE Fmt='b'"));
    ASSERT_TRUE(OpenRs(rs, "SELECT fItalic FROM Fmt WHERE Fmt='b'"));
    EXPECT_TRUE(rs.Bool("fItalic"));
}

TEST_F(DbLayer, SchemaProbesAreExactAndCaseSensitive)
{
    EXPECT_TRUE(TableExists("参数"));
    EXPECT_FALSE(TableExists("fmt"));
    EXPECT_FALSE(TableExists("sqlite_sequence"));
    EXPECT_FALSE(TableExists("Fmt_by_name")); // an index is no table
    EXPECT_TRUE(FieldExists("Fmt", "SumID"));
    EXPECT_FALSE(FieldExists("Fmt", "sumid"));
    EXPECT_FALSE(FieldExists("无此表", "ID"));
    ASSERT_TRUE(ExecSQL("CREATE VIEW v AS SELECT * FROM Fmt"));
    EXPECT_FALSE(TableExists("v"));
}

TEST_F(DbLayer, AddFieldIfMissingAddsZeroFilledColumnOrLeavesDataAlone)
{
    ASSERT_TRUE(ExecSQL("CREATE TABLE T(ID INTEGER, Name TEXT)"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(ExecSQL("INSERT INTO T(ID, Name) VALUES(?, ?)", {i, "n"}));
    ASSERT_TRUE(AddFieldIfMissing("T", "RCtl1", "INTEGER"));
    EXPECT_TRUE(FieldExists("T", "RCtl1"));
    EXPECT_EQ(storetest::Sqlite3(DataFile(), "SELECT group_concat(RCtl1) FROM T"), "0,0,0");
    ASSERT_TRUE(ExecSQL("UPDATE T SET RCtl1=7 WHERE ID=1"));
    ASSERT_TRUE(AddFieldIfMissing("T", "RCtl1", "INTEGER"));
    EXPECT_EQ(storetest::Sqlite3(DataFile(), "SELECT group_concat(RCtl1) FROM T"), "0,7,0");
    // A column differing only in case is not zeroed: the add fails and nothing else runs.
    EXPECT_FALSE(AddFieldIfMissing("T", "rctl1", "INTEGER"));
    EXPECT_EQ(storetest::Sqlite3(DataFile(), "SELECT group_concat(RCtl1) FROM T"), "0,7,0");
}

TEST_F(DbLayer, DropTableDropsWhenPresentAndIgnoresAbsent)
{
    ASSERT_TRUE(ExecSQL("CREATE TABLE TEMP_Ana(DT Date, Sm DOUBLE)"));
    EXPECT_TRUE(DropTable("TEMP_Ana"));
    EXPECT_FALSE(TableExists("TEMP_Ana"));
    EXPECT_TRUE(DropTable("TEMP_Ana"));
    EXPECT_TRUE(m_messages->messages.isEmpty());
}

TEST_F(DbLayer, TransactionIsAllOrNothingAndNestsAsSavepoints)
{
    {
        Transaction tx;
        ASSERT_TRUE(tx.Ok());
        AddField("甲", "1");
        AddField("甲", "2");
        // destroyed without Commit
    }
    EXPECT_EQ(storetest::Sqlite3(DataFile(), "SELECT count(*) FROM Fmt WHERE Fmt='甲'"), "0");
    {
        Transaction outer;
        AddField("乙", "1");
        {
            Transaction inner;
            ASSERT_TRUE(inner.Ok());
            AddField("乙", "2");
        } // inner part rolled back
        {
            Transaction inner;
            AddField("乙", "3");
            EXPECT_TRUE(inner.Commit());
        }
        EXPECT_EQ(Db::Main().TransactionDepth(), 1);
        EXPECT_TRUE(outer.Commit());
    }
    EXPECT_EQ(Db::Main().TransactionDepth(), 0);
    EXPECT_EQ(storetest::Sqlite3(DataFile(),
                                 "SELECT group_concat(LBL) FROM (SELECT LBL FROM Fmt WHERE "
                                 "Fmt='乙' ORDER BY ID)"),
              "1,3");
}

TEST_F(DbLayer, ListsSortChineseByPinyinThroughTheCollation)
{
    for (const char *n : {"中国银行", "北京银行", "上海银行", "Abc", "abc", "建设银行"})
        AddField(QString::fromUtf8(n), "x");
    Recordset rs;
    ASSERT_TRUE(OpenRs(rs, "SELECT Fmt FROM Fmt WHERE Fmt<>'' AND LBL='x' GROUP BY Fmt "
                           "ORDER BY Fmt COLLATE ZH"));
    QStringList order;
    for (const auto &r : rs.Rows())
        order << r[0].toString();
    // Pinyin puts 北(bei) < 建(jian) < 上(shang) < 中(zhong), which code-point order does not
    // (上 U+4E0A < 中 U+4E2D < 北 U+5317); Chinese names come before Latin ones, and "Abc" and
    // "abc" stay two names.
    ASSERT_EQ(order.size(), 6);
    EXPECT_EQ(order.mid(0, 4), QStringList({"北京银行", "建设银行", "上海银行", "中国银行"}));
    EXPECT_EQ(order.mid(4), QStringList({"abc", "Abc"}));
    // Equality stays binary: "abc" does not find "Abc".
    EXPECT_EQ(GetFieldWhere("Fmt", "Fmt=?", "Fmt", {"ABC"}).toString(), "");
}

TEST(DbOpen, ForeignFileIsRefusedAndLeftUntouched)
{
    storetest::TempHome home;
    ScopedRecordingReporter messages;
    QDir().mkpath(home.Home());
    QByteArray jet(4096, '\0');
    jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
    for (int i = 19; i < jet.size(); ++i)
        jet[i] = char(i * 7);
    QFile f(home.DataFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(jet);
    f.close();
    const QDateTime before = QFileInfo(home.DataFile()).lastModified();

    EXPECT_FALSE(Db::Main().OpenConn(home.DataFile()));
    EXPECT_FALSE(Db::Main().IsOpen());
    ASSERT_EQ(messages->messages.size(), 1);
    EXPECT_TRUE(messages->messages[0].startsWith("无法建立数据库连接！\n"));
    EXPECT_TRUE(messages->messages[0].contains("Access"));
    EXPECT_EQ(storetest::FileBytes(home.DataFile()), jet);
    EXPECT_EQ(QFileInfo(home.DataFile()).lastModified(), before);
    EXPECT_FALSE(QFile::exists(home.DataFile() + "-journal"));
}

TEST(DbOpen, UnreadableFileIsRefused)
{
    storetest::TempHome home;
    ScopedRecordingReporter messages;
    QDir().mkpath(home.DataFile()); // a folder where the file should be
    EXPECT_FALSE(Db::Main().OpenConn(home.DataFile()));
    ASSERT_EQ(messages->messages.size(), 1);
    EXPECT_TRUE(messages->messages[0].startsWith("无法建立数据库连接！"));
    EXPECT_TRUE(QFileInfo(home.DataFile()).isDir());
}

TEST(DbOpen, ProgramFolderIsCreatedWhenMissing)
{
    storetest::TempHome home;
    EXPECT_FALSE(QFileInfo::exists(home.Home()));
    EXPECT_EQ(AppDataDir(), home.Home());
    EXPECT_TRUE(QFileInfo(home.Home()).isDir());
    EXPECT_EQ(DataFilePath(), home.Home() + "/DATA.mdb");
    EXPECT_FALSE(MakeAppSubDir("  "));
    EXPECT_TRUE(MakeAppSubDir("Temp"));
    EXPECT_TRUE(QFileInfo(home.Home() + "/Temp").isDir());
    QFile file(home.Home() + "/afile");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(MakeAppSubDir("afile"));
}

TEST(DbOpen, InMemoryDatabaseTakesTheSchema)
{
    ScopedRecordingReporter messages;
    ASSERT_TRUE(Db::Main().OpenConn(":memory:"));
    ASSERT_TRUE(UpgradeDBSchema());
    EXPECT_TRUE(TableExists("历史"));
    EXPECT_EQ(GetFieldWhere("Fmt", "Fmt=''", "LBL").toString(), "转账支票");
    Db::Main().Close();
    EXPECT_TRUE(messages->messages.isEmpty());
}
