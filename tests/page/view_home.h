#pragma once
// A temporary program folder and config folder for one test.

#include <QTemporaryDir>

#include <gtest/gtest.h>

class ViewHome : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        ASSERT_TRUE(m_config.isValid());
        qputenv("QUORVAN_HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    QString home() const { return m_home.path(); }

    QTemporaryDir m_home;
    QTemporaryDir m_config;
};
