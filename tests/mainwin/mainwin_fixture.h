#pragma once
// A fresh program folder with its database (schema and sample formats) for each test, messages
// recorded instead of shown.

#include "store/db/db.h"
#include "store/model/fmtstore.h"
#include "store/ui/indicator.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include "../common/programfolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The page count of a PDF file as pdfinfo reads it, -1 when it cannot.
inline int PdfPages(const QString &file)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(RunTool(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
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

// The program is usable again after a run: no progress window, nothing modal, and a click and keys
// through the main window reach the field.
inline void ExpectUsable(QLineEdit *field)
{
    EXPECT_FALSE(store::IndicatorWindow());
    EXPECT_FALSE(store::ProgressShowing());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const QString before = field->text();
    ClickThroughWindow(field);
    TypeThroughWindow(field, QStringLiteral("7"));
    EXPECT_EQ(field->text().size(), before.size() + 1) << field->text().toStdString();
}

class MainWinTest : public ProgramFolderTest
{
};
