#pragma once
// A temporary program folder and config folder per test with the database made by the schema
// upgrade, recorded messages, and small helpers to put format rows into table Fmt and to read
// the database with the sqlite3 client.

#include "store/model/context.h"
#include "store/db/db.h"
#include "store/model/fmtstore.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <memory>

namespace gridtest {

// Every cell and the colour column's back colour of the data rows, for comparing grids.
inline QStringList Dump(const store::FlexGridModel &g, bool withIds = true)
{
    QStringList out;
    for (int r = g.FixedRows(); r < g.Rows(); ++r) {
        QStringList cells;
        for (int c = withIds ? 0 : 1; c < g.Cols(); ++c)
            cells << g.TextMatrix(r, c);
        cells << QString::number(g.CellBackColor(r, store::ColColor), 16);
        out << cells.join(u'|');
    }
    return out;
}

class GridDbTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_dir->isValid());
        qputenv("QUORVAN_HOME", (m_dir->path() + "/home").toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir->path() + "/config").toUtf8());
        ASSERT_TRUE(store::Db::Main().OpenConn(store::DataFilePath()));
        ASSERT_TRUE(store::UpgradeDBSchema());
        m_ctx.SetScreenWidthSource([this] { return m_screenWidth; });
    }
    void TearDown() override
    {
        store::Db::Main().Close();
        qunsetenv("QUORVAN_HOME");
        qunsetenv("XDG_CONFIG_HOME");
        m_dir.reset();
    }

    QString DataFile() const { return store::DataFilePath(); }

    // Inserts a row into Fmt and returns its ID.
    qint64 Insert(const QString &fmt, const QVariantMap &values)
    {
        QStringList names{QStringLiteral("Fmt")};
        store::SqlArgs args{fmt};
        for (auto it = values.begin(); it != values.end(); ++it) {
            names << it.key();
            args << it.value();
        }
        QStringList marks;
        for (int i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        EXPECT_TRUE(store::ExecSQL(QStringLiteral("INSERT INTO Fmt(%1) VALUES(%2)")
                                       .arg(names.join(u','), marks.join(u',')),
                                   args));
        return store::LastInsertId();
    }

    // A text field row with the usual columns.
    qint64 InsertText(const QString &fmt, const QString &lbl, double x, double y,
                      QVariantMap extra = {})
    {
        QVariantMap v{{"LBL", lbl},    {"Dir", 0},
                      {"X", x},        {"Y", y},
                      {"W", 40},       {"H", 6},
                      {"S", 0},        {"L", 0},
                      {"Color", 0},    {"fName", QStringLiteral("宋体")},
                      {"fSize", 10.5}, {"Clas", 0},
                      {"Cash", 0},     {"RCtl", 0},
                      {"SumID", 0},    {"SumID1", 0},
                      {"RCtl1", 0}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            v[it.key()] = it.value();
        return Insert(fmt, v);
    }

    qint64 InsertPara(const QString &fmt, double x, double y, double w, double h, qint64 color,
                      const QString &mem)
    {
        return Insert(fmt, {{"LBL", QString::fromUtf8(store::kFmtParaMarker)},
                            {"X", x},
                            {"Y", y},
                            {"W", w},
                            {"H", h},
                            {"Color", color},
                            {"Mem", mem}});
    }

    // Output of the sqlite3 client on the database file.
    QString Sqlite3(const QString &sql) const
    {
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), DataFile(), sql});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    store::ScopedRecordingReporter m_messages;
    store::AppContext m_ctx;
    int m_screenWidth = 15360;
};

} // namespace gridtest
