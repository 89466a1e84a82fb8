#include "store_fixture.h"

#include "store/db/db.h"
#include "store/db/schema.h"

using namespace store;
using storetest::Sqlite3;
using storetest::StoreTest;

namespace {

using Schema = StoreTest;

// Every row of every table, as the command-line client prints it.
QString Dump(const QString &db)
{
    QString all;
    const QStringList tables =
        Sqlite3(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name").split('\n');
    for (const QString &t : tables)
        all += t + ":\n" + Sqlite3(db, QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(t)) + "\n";
    return all;
}

} // namespace

TEST_F(Schema, NewDatabaseHasEveryTableTheStateRowAndTheSampleFormats)
{
    Db::Main().Close();
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(name, ' ') FROM (SELECT name FROM "
                                  "sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' "
                                  "ORDER BY name)"),
              "Fmt 历史 参数 映射 网站格式 默认");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(name, ',') FROM pragma_table_info('参数')"),
              "ID,Var,Con");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(name, ',') FROM pragma_table_info('网站格式')"),
              "ID,Clas,Name,fPath,pPath,Dat");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(name, ',') FROM pragma_table_info('历史')"),
              "Fmt,ID,CID,Con");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(name, ',') FROM pragma_table_info('默认')"),
              "Fmt,ID,Con");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(name, ',') FROM pragma_table_info('映射')"),
              "ID,Fmt,Map");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(name || ' ' || type, ',') FROM "
                                  "pragma_table_info('Fmt') WHERE name IN "
                                  "('Cash','RCtl','SumID','SumID1','RCtl1','Mem','LBL')"),
              "LBL TEXT,Cash DOUBLE,RCtl DOUBLE,Mem TEXT,SumID DOUBLE,SumID1 DOUBLE,RCtl1 INTEGER");
    // Exactly one state row, with '' (not NULL), naming the first sample format.
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT count(*) || '|' || max(LBL) FROM Fmt WHERE Fmt=''"),
              "1|转账支票");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT count(*) FROM Fmt WHERE Fmt IS NULL"), "0");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(Fmt, ',') FROM (SELECT DISTINCT Fmt FROM "
                                  "Fmt WHERE Fmt<>'' ORDER BY Fmt)"),
              "转账支票,进账单"); // binary order
    EXPECT_EQ(Sqlite3(DataFile(), "PRAGMA user_version"), QString::number(kSchemaVersion));
    const QString indexes = Sqlite3(DataFile(), "SELECT group_concat(name, ',') FROM sqlite_master "
                                                "WHERE type='index'");
    for (const char *i : {"Fmt_by_name", "历史_fmt_id", "历史_cid", "默认_fmt", "映射_fmt"})
        EXPECT_TRUE(indexes.contains(QString::fromUtf8(i))) << i;
}

TEST_F(Schema, SampleFormatsCarryPageSizeDatesAmountsAndLinks)
{
    struct Expect
    {
        const char *fmt;
        double w, h;
    };
    for (const Expect e : {Expect{"转账支票", 240, 80}, Expect{"进账单", 212, 100}}) {
        SCOPED_TRACE(e.fmt);
        const QString fmt = QString::fromUtf8(e.fmt);
        EXPECT_TRUE(fmt.contains("支票") || fmt.contains("进账单"));
        Recordset rs;
        ASSERT_TRUE(OpenRs(rs, "SELECT * FROM Fmt WHERE Fmt=? AND LBL=?", {fmt, kFmtParaMarker}));
        ASSERT_EQ(rs.RecordCount(), 1);
        EXPECT_DOUBLE_EQ(rs.Number("W"), e.w);
        EXPECT_DOUBLE_EQ(rs.Number("H"), e.h);
        EXPECT_DOUBLE_EQ(rs.Number("X"), 10); // margins 0 are stored as 10 - 0
        EXPECT_GE(rs.Text("Mem").split('|').size(), 8);
        ASSERT_TRUE(OpenRs(rs, "SELECT * FROM Fmt WHERE Fmt=? AND LBL<>? ORDER BY Clas, ID",
                           {fmt, kFmtParaMarker}));
        QList<int> kinds;
        QHash<qint64, double> kindById;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            kinds << int(rs.Number("Cash"));
            kindById.insert(rs.Field("ID").toLongLong(), rs.Number("Cash"));
            EXPECT_LE(rs.Number("X") + rs.Number("W"), e.w);
            EXPECT_LE(rs.Number("Y") + rs.Number("H"), e.h);
        }
        for (int k : {100, 101, 102, 103, 12})
            EXPECT_TRUE(kinds.contains(k)) << k;
        // The boxed amount copies into the capital amount: its link names that field's new ID.
        const QVariant link = GetFieldWhere("Fmt", "Fmt=? AND Cash=12", "RCtl", {fmt});
        ASSERT_GT(link.toDouble(), 0);
        EXPECT_EQ(kindById.value(qint64(link.toDouble())), 103);
    }
}

TEST_F(Schema, UpgradeOnAnUpToDateFileChangesNoByte)
{
    Db::Main().Close();
    const QByteArray before = storetest::FileBytes(DataFile());
    const QString dumpBefore = Dump(DataFile());
    ASSERT_TRUE(Db::Main().OpenConn(DataFile()));
    ASSERT_TRUE(UpgradeDBSchema());
    ASSERT_TRUE(UpgradeDBSchema());
    Db::Main().Close();
    EXPECT_EQ(Dump(DataFile()), dumpBefore);
    EXPECT_EQ(storetest::FileBytes(DataFile()), before);
}

TEST_F(Schema, OlderFileGetsMissingTablesAndColumnsButNoSamples)
{
    Db::Main().Close();
    QFile::remove(DataFile());
    // A file of an earlier build: Fmt without the late columns, no 参数, no state row.
    ASSERT_EQ(Sqlite3(DataFile(),
                      "CREATE TABLE Fmt(ID INTEGER PRIMARY KEY AUTOINCREMENT, Fmt TEXT NOT NULL "
                      "DEFAULT '', LBL TEXT, Dir INTEGER, X DOUBLE, Y DOUBLE, W DOUBLE, H DOUBLE, "
                      "S DOUBLE, L DOUBLE, Color INTEGER, fName TEXT, fSize DOUBLE, fBold BOOLEAN, "
                      "fItalic BOOLEAN, fUnderline BOOLEAN, fStrikethru BOOLEAN, Clas INTEGER, "
                      "Cash DOUBLE, RCtl DOUBLE, Mem TEXT);"
                      "INSERT INTO Fmt(Fmt, LBL, Cash, RCtl) VALUES('旧支票','a',103,0),"
                      "('旧支票','b',12,1),('旧支票','c',0,0); SELECT 'ok';"),
              "ok");
    ASSERT_TRUE(Db::Main().OpenConn(DataFile()));
    ASSERT_TRUE(UpgradeDBSchema());
    Db::Main().Close();
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(LBL || RCtl1 || SumID || SumID1, ',') "
                                  "FROM Fmt WHERE Fmt='旧支票'"),
              "a00.00.0,b00.00.0,c00.00.0");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT group_concat(Cash, ',') FROM Fmt WHERE Fmt='旧支票'"),
              "103.0,12.0,0.0");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT count(*) FROM 参数"), "0");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT count(*) FROM Fmt WHERE Fmt=''"), "1");
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT count(*) FROM Fmt WHERE Fmt='转账支票'"), "0");
    ASSERT_TRUE(Db::Main().OpenConn(DataFile()));
    EXPECT_EQ(GetFieldWhere("参数", "Var=?", "Con", {"软件密码"}).toString(), "");
}

TEST_F(Schema, TextColumnsKeepLeadingZeros)
{
    const QString v = "0012";
    ASSERT_TRUE(ExecSQL("INSERT INTO Fmt(Fmt, LBL, fName, Mem) VALUES(?, ?, ?, ?)", {v, v, v, v}));
    ASSERT_TRUE(ExecSQL("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES(?, 1, 1, ?)", {v, v}));
    ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES(?, 1, ?)", {v, v}));
    ASSERT_TRUE(ExecSQL("INSERT INTO 映射(ID, Fmt, Map) VALUES(1, ?, ?)", {v, v}));
    ASSERT_TRUE(ExecSQL("INSERT INTO 参数(Var, Con) VALUES(?, ?)", {v, v}));
    ASSERT_TRUE(ExecSQL("INSERT INTO 网站格式(Clas, Name, fPath, pPath) VALUES(?, ?, ?, ?)",
                        {v, v, v, v}));
    Db::Main().Close();
    struct Col
    {
        const char *table, *column;
    };
    for (const Col c : {Col{"Fmt", "Fmt"}, Col{"Fmt", "LBL"}, Col{"Fmt", "fName"}, Col{"Fmt", "Mem"},
                        Col{"历史", "Fmt"}, Col{"历史", "Con"}, Col{"默认", "Con"}, Col{"默认", "Fmt"},
                        Col{"映射", "Map"}, Col{"映射", "Fmt"}, Col{"参数", "Var"}, Col{"参数", "Con"},
                        Col{"网站格式", "Clas"}, Col{"网站格式", "Name"}, Col{"网站格式", "fPath"},
                        Col{"网站格式", "pPath"}}) {
        SCOPED_TRACE(std::string(c.table) + "." + c.column);
        EXPECT_EQ(Sqlite3(DataFile(), QString("SELECT typeof(%2) || ':' || %2 FROM %1 WHERE "
                                              "%2='0012'")
                                          .arg(QString::fromUtf8(c.table), c.column)),
                  "text:0012");
    }
}

TEST_F(Schema, FmtIdsAreNeverReused)
{
    ASSERT_TRUE(ExecSQL("INSERT INTO Fmt(Fmt, LBL) VALUES('a', '1')"));
    const qint64 last = LastInsertId();
    ASSERT_TRUE(ExecSQL("DELETE FROM Fmt WHERE ID=?", {last}));
    ASSERT_TRUE(ExecSQL("INSERT INTO Fmt(Fmt, LBL) VALUES('a', '2')"));
    EXPECT_GT(LastInsertId(), last);
    // Also across a restart of the connection.
    const qint64 second = LastInsertId();
    ASSERT_TRUE(ExecSQL("DELETE FROM Fmt WHERE ID=?", {second}));
    Db::Main().Close();
    ASSERT_TRUE(Db::Main().OpenConn(DataFile()));
    ASSERT_TRUE(ExecSQL("INSERT INTO Fmt(Fmt, LBL) VALUES('a', '3')"));
    EXPECT_GT(LastInsertId(), second);
}

TEST_F(Schema, HistoryDefaultsAndMapTakeRepeatedIds)
{
    for (int cid : {5, 6, 7})
        ASSERT_TRUE(ExecSQL("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES('a', 1, ?, 'x')", {cid}));
    ASSERT_TRUE(ExecSQL("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES('b', 1, 5, 'x')"));
    ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES('a', 5, 'x'), ('b', 5, 'y')"));
    ASSERT_TRUE(ExecSQL("INSERT INTO 映射(ID, Fmt, Map) VALUES(5, 'a', 'A'), (5, 'b', 'B')"));
    Recordset rs;
    ASSERT_TRUE(OpenRs(rs, "SELECT count(*) AS n FROM 历史 WHERE ID=1"));
    EXPECT_EQ(rs.Field("n").toInt(), 4);
}

TEST_F(Schema, SampleLoaderSkipsFormatsThatExist)
{
    QStringList loaded;
    ASSERT_TRUE(LoadSampleFormats(":/quorvan/sample_formats.tsv", &loaded));
    EXPECT_TRUE(loaded.isEmpty());
    ASSERT_TRUE(ExecSQL("DELETE FROM Fmt WHERE Fmt='进账单'"));
    ASSERT_TRUE(LoadSampleFormats(":/quorvan/sample_formats.tsv", &loaded));
    EXPECT_EQ(loaded, QStringList({"进账单"}));
    EXPECT_FALSE(LoadSampleFormats(":/quorvan/无此文件.tsv"));
}
