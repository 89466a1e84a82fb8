#pragma once
// A temporary program folder and config folder per test, with the database opened and its
// schema made, and the messages recorded instead of shown.

#include "store/db/db.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace storetest {

class TempHome
{
public:
    TempHome()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("QUORVAN_HOME", (m_dir->path() + "/home").toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir->path() + "/config").toUtf8());
    }
    ~TempHome()
    {
        store::Db::Main().Close();
        qunsetenv("QUORVAN_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString Path() const { return m_dir->path(); }
    QString Home() const { return m_dir->path() + "/home"; }
    QString DataFile() const { return Home() + "/DATA.mdb"; }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// A fixture with a fresh database made by the schema upgrade.
class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_home = std::make_unique<TempHome>();
        ASSERT_EQ(store::DataFilePath(), m_home->DataFile()); // makes the program folder
        ASSERT_TRUE(store::Db::Main().OpenConn(m_home->DataFile()));
        ASSERT_TRUE(store::UpgradeDBSchema());
    }
    void TearDown() override
    {
        m_home.reset();
    }

    QString DataFile() const { return m_home->DataFile(); }
    QString Home() const { return m_home->Home(); }

    std::unique_ptr<TempHome> m_home;
    store::ScopedRecordingReporter m_messages;
};

inline QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs the sqlite3 command-line client on a database file and returns its output.
inline QString Sqlite3(const QString &db, const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), db, sql});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace storetest
