// Searching a bound grid for a keyword, row after row.

#include "store/model/gridbind.h"
#include "store/model/gridsearch.h"
#include "store/db/reporter.h"

#include <gtest/gtest.h>

using namespace store;

namespace {

// Hidden print number, row number, two data columns; data rows 1..5 at grid rows 2..6.
void Fill(FlexGridModel &g, const QStringList &texts)
{
    ASSERT_TRUE(InitGridCols(g, {"ID", "", "A", "B"}, {"ID", "序号", "内容", "备注"}));
    g.SetRows(2 + int(texts.size()));
    for (int i = 0; i < texts.size(); ++i) {
        g.SetTextMatrix(2 + i, 0, QString("编号%1").arg(i));
        g.SetTextMatrix(2 + i, 1, QString::number(i + 1));
        g.SetTextMatrix(2 + i, 3, texts[i]);
    }
}

bool WhollySelected(const FlexGridModel &g, int row)
{
    return g.Row() == row && g.RowSel() == row && g.Col() == g.FixedCols() &&
           g.ColSel() == g.Cols() - 1;
}

} // namespace

TEST(FindInGridTest, BlankKeywordIsTrimmedAndFindsNothingSilently)
{
    ScopedRecordingReporter rec;
    FlexGridModel g;
    Fill(g, {"x", "y"});
    g.SetRow(3);
    QString kw = "   ";
    EXPECT_FALSE(FindInGrid(g, kw));
    EXPECT_EQ(kw, "");
    EXPECT_EQ(g.Row(), 3);
    EXPECT_TRUE(rec->messages.isEmpty());
}

TEST(FindInGridTest, RepeatedSearchesWalkTheMatchesAndWrap)
{
    ScopedRecordingReporter rec;
    FlexGridModel g;
    Fill(g, {"a", "支票甲", "b", "甲支票", "c"});
    g.SetRow(2); // row 1 current, not wholly selected
    g.SetCol(2);
    QString kw = " 支票 ";
    ASSERT_TRUE(FindInGrid(g, kw));
    EXPECT_EQ(kw, "支票");
    EXPECT_TRUE(WhollySelected(g, 3));
    EXPECT_EQ(g.TopRow(), 3);
    ASSERT_TRUE(FindInGrid(g, kw));
    EXPECT_TRUE(WhollySelected(g, 5));
    ASSERT_TRUE(FindInGrid(g, kw));
    EXPECT_TRUE(WhollySelected(g, 3));
    EXPECT_TRUE(rec->messages.isEmpty());
}

TEST(FindInGridTest, OnlyInTheSelectedRowIsNotFoundAgain)
{
    ScopedRecordingReporter rec;
    FlexGridModel g;
    Fill(g, {"a", "key", "b"});
    g.SetRow(3);
    g.SetCol(2);
    g.SetColSel(3);
    QString kw = "key";
    EXPECT_FALSE(FindInGrid(g, kw));
    EXPECT_EQ(rec->messages, QStringList({"没有查到相关的记录！"}));
    EXPECT_TRUE(WhollySelected(g, 3)); // selection unchanged
}

TEST(FindInGridTest, CurrentRowNotWhollySelectedIsSearchedFirst)
{
    ScopedRecordingReporter rec;
    FlexGridModel g;
    Fill(g, {"a", "key", "b"});
    g.SetRow(3);
    g.SetCol(3);
    QString kw = "key";
    ASSERT_TRUE(FindInGrid(g, kw));
    EXPECT_TRUE(WhollySelected(g, 3));
}

TEST(FindInGridTest, CaseAndHiddenColumnsAreNotMatched)
{
    ScopedRecordingReporter rec;
    FlexGridModel g;
    Fill(g, {"abc", "def"});
    g.SetRow(2);
    QString upper = "ABC";
    EXPECT_FALSE(FindInGrid(g, upper));
    QString hidden = "编号1"; // only in the print-number column
    EXPECT_FALSE(FindInGrid(g, hidden));
    QString number = "2"; // only in the 序号 column
    EXPECT_FALSE(FindInGrid(g, number));
    EXPECT_EQ(rec->messages.size(), 3);
}

TEST(FindInGridTest, CurrentRowAmongTheHeadersEndsAndIgnoresCaptions)
{
    ScopedRecordingReporter rec;
    FlexGridModel g;
    Fill(g, {"abc", "def"});
    g.SetRow(1);
    QString absent = "zzz";
    EXPECT_FALSE(FindInGrid(g, absent)); // ends instead of walking for ever
    QString caption = "备注";
    EXPECT_FALSE(FindInGrid(g, caption));
    EXPECT_EQ(rec->messages.size(), 2);
    QString present = "def";
    ASSERT_TRUE(FindInGrid(g, present));
    EXPECT_TRUE(WhollySelected(g, 3));
}

TEST(FindInGridTest, NoDataRows)
{
    ScopedRecordingReporter rec;
    FlexGridModel g;
    Fill(g, {});
    QString kw = "x";
    EXPECT_FALSE(FindInGrid(g, kw));
    EXPECT_TRUE(rec->messages.isEmpty());
}
