#include "store_fixture.h"

#include "store/ui/compact.h"
#include "store/db/db.h"
#include "store/db/dbcheck.h"
#include "store/ui/indicator.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace store;
using storetest::Sqlite3;
using storetest::StoreTest;

namespace {

class Compaction : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        Transaction tx;
        for (int i = 0; i < 400; ++i)
            ASSERT_TRUE(ExecSQL("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES(?, ?, ?, ?)",
                                {"转账支票", i / 10, i % 10, QString(200, QChar(u'字'))}));
        ASSERT_TRUE(tx.Commit());
        ASSERT_TRUE(ExecSQL("DELETE FROM 历史 WHERE ID >= 20"));
    }

    QString Dump(const QString &db)
    {
        QString all;
        for (const char *t : {"Fmt", "历史", "默认", "参数", "映射", "网站格式"})
            all += Sqlite3(db, QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(t)) + "\n";
        return all;
    }
};

} // namespace

TEST_F(Compaction, KeepsEveryRowShrinksAndKeepsWorking)
{
    const QString before = Dump(DataFile());
    const qint64 sizeBefore = QFileInfo(DataFile()).size();
    ASSERT_TRUE(CompactMainDB());
    EXPECT_TRUE(m_messages->messages.isEmpty()) << m_messages->messages.join("|").toStdString();
    EXPECT_EQ(Dump(DataFile()), before);
    EXPECT_LT(QFileInfo(DataFile()).size(), sizeBefore);
    EXPECT_EQ(Dump(CompactBackupPath(DataFile())), before);
    EXPECT_FALSE(QFile::exists(CompactWorkPath(DataFile())));
    EXPECT_FALSE(ProgressShowing());
    // The connection was reopened on the new file.
    EXPECT_TRUE(ExecSQL("INSERT INTO 参数(Var, Con) VALUES('after', 'ok')"));
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT Con FROM 参数 WHERE Var='after'"), "ok");
    // A second run replaces the backup with the current database.
    const QDateTime firstBackup = QFileInfo(CompactBackupPath(DataFile())).lastModified();
    ASSERT_TRUE(CompactMainDB());
    EXPECT_GE(QFileInfo(CompactBackupPath(DataFile())).lastModified(), firstBackup);
    EXPECT_EQ(Sqlite3(CompactBackupPath(DataFile()), "SELECT Con FROM 参数 WHERE Var='after'"),
              "ok");
}

TEST_F(Compaction, WithoutBackupTheOldBackupStaysUntouched)
{
    const QString backup = CompactBackupPath(DataFile());
    QFile f(backup);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old backup");
    f.close();
    ASSERT_TRUE(CompactDB(DataFile(), false));
    EXPECT_EQ(storetest::FileBytes(backup), QByteArray("old backup"));
}

TEST_F(Compaction, FailureAfterTheBackupLeavesTheDatabaseIntact)
{
    const QString before = Dump(DataFile());
    // Something that cannot be removed sits where the work file goes.
    const QString work = CompactWorkPath(DataFile());
    ASSERT_TRUE(QDir().mkpath(work + "/inside"));
    EXPECT_FALSE(CompactMainDB());
    ASSERT_EQ(m_messages->messages.size(), 1);
    EXPECT_TRUE(m_messages->messages[0].startsWith("数据库压缩失败（"));
    EXPECT_TRUE(m_messages->messages[0].endsWith("）！"));
    EXPECT_FALSE(ProgressShowing());
    EXPECT_TRUE(QFile::exists(CompactBackupPath(DataFile())));
    EXPECT_EQ(Dump(DataFile()), before);
    EXPECT_TRUE(ExecSQL("INSERT INTO 参数(Var, Con) VALUES('still', 'works')"));
}

TEST_F(Compaction, VacuumFailureLeavesTheDatabaseIntact)
{
    const QString before = Dump(DataFile());
    // The Temp folder is a file: the work file cannot be made.
    QDir(Home()).rmdir("Temp");
    QFile f(Home() + "/Temp");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(CompactDB(DataFile(), false));
    ASSERT_EQ(m_messages->messages.size(), 1);
    EXPECT_TRUE(m_messages->messages[0].startsWith("数据库压缩失败（"));
    EXPECT_EQ(Dump(DataFile()), before);
    EXPECT_TRUE(Db::Main().IsOpen());
}

TEST_F(Compaction, MissingFileGivesOnlyItsMessage)
{
    EXPECT_FALSE(CompactDB(Home() + "/无此文件.mdb", true));
    EXPECT_EQ(m_messages->messages, QStringList({"没有找到要压缩的数据库文件！"}));
    EXPECT_FALSE(ProgressShowing());
    EXPECT_FALSE(QFile::exists(Home() + "/backup.mdb"));
}

TEST_F(Compaction, KeepsTheFilesModeAndFollowsALinkedDatabase)
{
    // The database lives elsewhere, private to its owner; DATA.mdb is a link to it.
    Db::Main().Close();
    const QString real = Home() + "/elsewhere/real.mdb";
    ASSERT_TRUE(QDir().mkpath(Home() + "/elsewhere"));
    ASSERT_TRUE(QFile::rename(DataFile(), real));
    ASSERT_TRUE(QFile::link(real, DataFile()));
    ASSERT_TRUE(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(Db::Main().OpenConn(DataFile()));
    const QString before = Dump(DataFile());
    const qint64 sizeBefore = QFileInfo(real).size();

    ASSERT_TRUE(CompactMainDB());
    EXPECT_TRUE(m_messages->messages.isEmpty()) << m_messages->messages.join("|").toStdString();
    EXPECT_TRUE(QFileInfo(DataFile()).isSymLink());
    EXPECT_EQ(QFileInfo(DataFile()).symLinkTarget(), real);
    EXPECT_LT(QFileInfo(real).size(), sizeBefore);
    EXPECT_EQ(Dump(real), before);
    const auto privateMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto modeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(real) & modeBits, privateMode);
    // The backup of a private file is private too, beside the file it copies.
    EXPECT_EQ(QFile::permissions(Home() + "/elsewhere/backup.mdb") & modeBits, privateMode);
    EXPECT_EQ(Dump(Home() + "/elsewhere/backup.mdb"), before);
    // The program goes on writing through the link.
    EXPECT_TRUE(ExecSQL("INSERT INTO 参数(Var, Con) VALUES('after', 'ok')"));
    EXPECT_EQ(Sqlite3(real, "SELECT Con FROM 参数 WHERE Var='after'"), "ok");
}

namespace {

// A database whose index i was built over table t2, a near copy of t1, and then handed to t1
// through the schema: the index's entries are then not t1's, the way a damaged index differs
// from its table. change makes t2 from t1.
// spread: rowids 1,000 apart, so that the table counts as large and is read in parts.
QString FileWithForeignIndex(const QString &path, const QString &change,
                             const QString &index = "(a, b)", bool spread = false)
{
    Sqlite3(path, QStringLiteral("CREATE TABLE t1(a INTEGER NOT NULL, b TEXT, c);"
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                                 " WHERE i < 300) INSERT INTO t1(rowid, a, b, c) SELECT %1, i,"
                                 " '值' || (i % 50), CASE i % 4 WHEN 0 THEN NULL WHEN 1 THEN"
                                 " i * 1.5 WHEN 2 THEN x'00ff' || i ELSE 'x' END FROM n;")
                          .arg(spread ? "i * 1000 + 7" : "i") +
                      "CREATE TABLE t2(a INTEGER NOT NULL, b TEXT, c);"
                      "INSERT INTO t2(rowid, a, b, c) SELECT rowid, a, b, c FROM t1;" +
                      change + "; CREATE INDEX i ON t2" + index +
                      ";"
                      "PRAGMA writable_schema = ON;"
                      "UPDATE sqlite_master SET tbl_name = 't1', sql = 'CREATE INDEX i ON t1" +
                      index + "' WHERE name = 'i';");
    return Sqlite3(path, "PRAGMA integrity_check");
}

} // namespace

// The check of the compacted copy finds what SQLite's full check finds, also where the quick
// check sees nothing: an index that misses a row, holds one too many, holds a wrong key, is out
// of its order or repeats a key it declares unique.
TEST(DatabaseCheck, FindsEveryIndexThatDoesNotHoldItsTable)
{
    QTemporaryDir dir;
    const struct
    {
        const char *name;
        const char *change;
        const char *index;
    } faults[] = {
        {"missing row", "DELETE FROM t2 WHERE a = 150", "(a, b)"},
        {"extra row", "INSERT INTO t2(rowid, a, b) VALUES(301, 301, 'extra')", "(a, b)"},
        {"wrong key", "UPDATE t2 SET b = '值7 ' WHERE a = 57", "(a, b)"},
        {"wrong type", "UPDATE t2 SET c = '85.5' WHERE a = 57", "(a, c)"},
        {"wrong rowid", "UPDATE t2 SET rowid = 1000 WHERE a = 300", "(a, b)"},
        {"out of order", "SELECT 1", "(b, a)"},
    };
    for (const bool spread : {false, true}) {
        for (const auto &f : faults) {
            SCOPED_TRACE(std::string(f.name) + (spread ? ", large table" : ""));
            const QString path =
                dir.filePath(QString::fromUtf8(f.name) + (spread ? "-large.db" : ".db"));
            const QString full = FileWithForeignIndex(path, f.change, f.index, spread);
            if (QString(f.name) == "out of order") {
                // Built ascending on (b, a), then declared descending on b; in a large table
                // the other way round (an ascending index is read in two halves).
                Sqlite3(path, spread ? "PRAGMA writable_schema = ON; DROP INDEX i;"
                                       " CREATE INDEX i ON t2(b DESC, a); UPDATE sqlite_master"
                                       " SET tbl_name = 't1', sql = 'CREATE INDEX i ON t1(b, a)'"
                                       " WHERE name = 'i'"
                                     : "PRAGMA writable_schema = ON; UPDATE sqlite_master SET"
                                       " sql = 'CREATE INDEX i ON t1(b DESC, a)' WHERE name = 'i'");
            }
            EXPECT_EQ(Sqlite3(path, "PRAGMA quick_check"), "ok");
            ASSERT_NE(Sqlite3(path, "PRAGMA integrity_check"), "ok");
            QString why;
            EXPECT_FALSE(CheckDatabaseFile(path, &why));
            EXPECT_FALSE(why.isEmpty());
        }
    }

    // A key declared unique that the index repeats.
    const QString twice = dir.filePath("twice.db");
    Sqlite3(twice, "CREATE TABLE t(a TEXT NOT NULL, b);"
                   "INSERT INTO t VALUES('甲', 1), ('乙', 2), ('乙', 3), ('丙', NULL);"
                   "CREATE INDEX u ON t(a); PRAGMA writable_schema = ON;"
                   "UPDATE sqlite_master SET sql = 'CREATE UNIQUE INDEX u ON t(a)'"
                   " WHERE name = 'u'");
    ASSERT_NE(Sqlite3(twice, "PRAGMA integrity_check"), "ok");
    QString why;
    EXPECT_FALSE(CheckDatabaseFile(twice, &why));
    EXPECT_TRUE(why.contains("non-unique")) << why.toStdString();

    // A sound file with every kind of index and value passes, as it does SQLite's full check;
    // its rowids spread so wide that the table is read in parts, each index in halves.
    const QString sound = dir.filePath("sound.db");
    Sqlite3(sound,
            "CREATE TABLE t(a INTEGER PRIMARY KEY, b TEXT, c REAL, d, e TEXT UNIQUE);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500)"
            " INSERT INTO t SELECT i * 997, CASE WHEN i % 7 = 0 THEN NULL ELSE '名' || (i % 30)"
            " END, i / 4.0, CASE i % 5 WHEN 0 THEN i WHEN 1 THEN i + 0.5 WHEN 2 THEN"
            " 'x' || i WHEN 3 THEN x'00' || i END, CASE WHEN i % 3 = 0 THEN NULL ELSE"
            " 'e' || i END FROM n;"
            "CREATE INDEX t_b ON t(b DESC, c); CREATE INDEX t_d ON t(d, b);"
            "CREATE INDEX t_ab ON t(b, a); CREATE INDEX t_c ON t(c) WHERE c > 10;"
            "CREATE INDEX t_x ON t(lower(b)); CREATE INDEX t_n ON t(b COLLATE NOCASE);"
            "CREATE TABLE w(k TEXT PRIMARY KEY, v) WITHOUT ROWID;"
            "INSERT INTO w SELECT b || a, a FROM t WHERE b IS NOT NULL;"
            "CREATE TABLE empty(x); CREATE INDEX empty_x ON empty(x);"
            "CREATE TABLE s(x NOT NULL, y TEXT, z INTEGER NOT NULL);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 700)"
            " INSERT INTO s(rowid, x, y, z) SELECT i * 1009, CASE i % 3 WHEN 0 THEN"
            " i % 60 WHEN 1 THEN (i % 60) + 0.5 ELSE 'v' || (i % 40) END, CASE WHEN"
            " i % 5 = 0 THEN NULL ELSE '键' || (i % 17) END, i FROM n;"
            "CREATE INDEX s_xy ON s(x, y); CREATE UNIQUE INDEX s_z ON s(z);"
            "CREATE INDEX s_y ON s(y);");
    ASSERT_EQ(Sqlite3(sound, "PRAGMA integrity_check"), "ok");
    why.clear();
    EXPECT_TRUE(CheckDatabaseFile(sound, &why)) << why.toStdString();
}

TEST_F(Compaction, ACopyWhoseIndexDoesNotHoldItsTableIsRefusedAndTheFileKept)
{
    for (const char *change :
         {"DELETE FROM t2 WHERE a = 150", "INSERT INTO t2(rowid, a, b) VALUES(301, 301, 'x')",
          "UPDATE t2 SET b = '值7 ' WHERE a = 57"}) {
        SCOPED_TRACE(change);
        const QString path = Home() + "/damaged.mdb";
        QFile::remove(path);
        ASSERT_NE(FileWithForeignIndex(path, change), "ok");
        const QByteArray before = storetest::FileBytes(path);
        m_messages->messages.clear();
        EXPECT_FALSE(CompactDB(path, false));
        ASSERT_EQ(m_messages->messages.size(), 1);
        EXPECT_TRUE(
            m_messages->messages[0].startsWith("数据库压缩失败（-1压缩后的数据库未通过检查："))
            << m_messages->messages[0].toStdString();
        EXPECT_EQ(storetest::FileBytes(path), before);
        EXPECT_FALSE(QFile::exists(CompactWorkPath(path)));
        EXPECT_FALSE(ProgressShowing());
    }
}
