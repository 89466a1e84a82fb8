#include "store_fixture.h"

#include "store/compact.h"
#include "store/db.h"
#include "store/indicator.h"

#include <QDir>
#include <QFileInfo>

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
    const auto modeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                          | QFileDevice::ReadGroup | QFileDevice::WriteGroup
                          | QFileDevice::ExeGroup | QFileDevice::ReadOther
                          | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(real) & modeBits, privateMode);
    // The backup of a private file is private too, beside the file it copies.
    EXPECT_EQ(QFile::permissions(Home() + "/elsewhere/backup.mdb") & modeBits, privateMode);
    EXPECT_EQ(Dump(Home() + "/elsewhere/backup.mdb"), before);
    // The program goes on writing through the link.
    EXPECT_TRUE(ExecSQL("INSERT INTO 参数(Var, Con) VALUES('after', 'ok')"));
    EXPECT_EQ(Sqlite3(real, "SELECT Con FROM 参数 WHERE Var='after'"), "ok");
}
