#pragma once
// A fresh program folder with its database (schema and sample formats) for each test, messages
// recorded instead of shown.

#include "store/db.h"
#include "store/fmtstore.h"
#include "store/paths.h"
#include "store/reporter.h"
#include "store/schema.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The standard output of a program run to its end ("" when it does not end in 30 s).
inline QString RunTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The page count of a PDF file as pdfinfo reads it, -1 when it cannot.
inline int PdfPages(const QString &file)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(RunTool(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Runs f on the modal window of type T as soon as one shows (it waits in exec()).
template <class T> void whenModal(std::function<void(T *)> f)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, f] {
        if (T *d = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            f(d);
        }
    });
    timer->start();
}

// A format with a field of every kind, among them two picture fields.
inline void addEveryKindFormat()
{
    const QString sql = "INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, S, L, Color, fName, fSize, "
                        "Clas, Cash) VALUES('全类型支票', ?, 0, ?, ?, ?, ?, 0, 0, 0, '宋体', 10.5, "
                        "?, ?)";
    struct R
    {
        const char *lbl;
        double x, y, w, h;
        int clas;
        double cash;
    } rows[] = {{"收款人", 20, 12, 80, 7, 0, 0},   {"金额", 110, 12, 50, 7, 0, 12},
                {"加急", 20, 30, 5, 5, 1, 0},      {"条码", 60, 28, 70, 14, 2, 0},
                {"图章", 140, 28, 20, 14, 2, 0},   {"线条", 10, 45, 170, 45, 3, 1},
                {"全类型支票", 70, 2, 60, 6, 4, 0}};
    for (const R &r : rows)
        ASSERT_TRUE(
            store::ExecSQL(sql, {QString::fromUtf8(r.lbl), r.x, r.y, r.w, r.h, r.clas, r.cash}));
    ASSERT_TRUE(store::ExecSQL(
        "INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Color, Mem) VALUES('全类型支票', ?, 10, 10, 180, "
        "60, 15360, 'True|False|1|0|0|0|0|False|')",
        {QString::fromUtf8(store::kFmtParaMarker)}));
}

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
