#pragma once
// A fresh program folder with its database (schema and sample formats) for each test, messages
// recorded instead of shown.

#include "store/db.h"
#include "store/paths.h"
#include "store/reporter.h"
#include "store/schema.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class MainWinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("QUORVAN_HOME", (m_dir.path() + "/home").toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").toUtf8());
        ASSERT_TRUE(store::Db::Main().OpenConn(store::DataFilePath()));
        ASSERT_TRUE(store::UpgradeDBSchema());
        m_rec = std::make_unique<store::ScopedRecordingReporter>();
    }
    void TearDown() override
    {
        m_rec.reset();
        store::Db::Main().Close();
        qunsetenv("QUORVAN_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString home() const { return m_dir.path() + "/home"; }
    QString config() const { return m_dir.path() + "/config"; }
    store::RecordingReporter &rec() { return **m_rec; }

    QTemporaryDir m_dir;
    std::unique_ptr<store::ScopedRecordingReporter> m_rec;
};
