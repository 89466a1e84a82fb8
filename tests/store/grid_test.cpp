// The flex grid and grids bound to tables: set-up, loading by declared types, fitting, sorting
// (also by clicks on the header), deleting and clearing rows, colours, measuring.

#include "grid_fixture.h"

#include "store/view/grid.h"
#include "store/model/gridbind.h"
#include "store/view/gridcolor.h"

#include <QHeaderView>
#include <QImage>
#include <QTest>

#include "../common/qtry.h"

using namespace store;
using gridtest::GridDbTest;

namespace {

// A grid bound to table T: hidden ID, the row number, and five data columns.
void InitTestGrid(FlexGrid &grid)
{
    ASSERT_TRUE(InitGridCols(grid.Model(), {"ID", "", "Amount", "Dat", "Ok", "Code", "Color"},
                             {"ID", "序号", "金额", "日期", "标记", "代码", "颜色"}));
    grid.SetTag("T");
}

class BoundGridTest : public GridDbTest
{
protected:
    void SetUp() override
    {
        GridDbTest::SetUp();
        ASSERT_TRUE(ExecSQL("CREATE TABLE T(ID INTEGER PRIMARY KEY, Amount DOUBLE, Dat DATE, "
                            "Ok BOOLEAN, Code TEXT, Color INTEGER, Ref INTEGER)"));
    }
    void Row(const QVariant &amount, const QVariant &dat, const QVariant &ok, const QVariant &code,
             const QVariant &color = QVariant(), const QVariant &ref = QVariant())
    {
        ASSERT_TRUE(ExecSQL("INSERT INTO T(Amount, Dat, Ok, Code, Color, Ref) VALUES(?,?,?,?,?,?)",
                            {amount, dat, ok, code, color, ref}));
    }
};

} // namespace

TEST(FlexGridTest, CellsOutsideTheGridReadEmptyAndRefuseWrites)
{
    FlexGrid g;
    g.SetCols(3);
    g.SetRows(2);
    EXPECT_TRUE(g.SetTextMatrix(1, 2, "x"));
    EXPECT_EQ(g.TextMatrix(1, 2), "x");
    EXPECT_FALSE(g.SetTextMatrix(2, 0, "y"));
    EXPECT_FALSE(g.SetTextMatrix(0, 3, "y"));
    EXPECT_EQ(g.TextMatrix(-1, 0), "");
    EXPECT_EQ(g.TextMatrix(5, 5), "");
    // Numbers become their plain decimal text.
    g.SetNumber(0, 0, 0.1 + 0.2);
    EXPECT_EQ(g.TextMatrix(0, 0), "0.3");
    g.SetNumber(0, 1, 1e-7);
    EXPECT_EQ(g.TextMatrix(0, 1), "0.0000001");
}

TEST(FlexGridTest, InitGridColsRefusesListsOfDifferentLength)
{
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"A", "", "B"}, {"a", "序号", "b"}));
    g.SetRows(4);
    g.SetTextMatrix(3, 2, "keep");
    QStringList names;
    QStringList captions;
    for (int i = 0; i < 23; ++i)
        names << QString::number(i);
    for (int i = 0; i < 22; ++i)
        captions << QString::number(i);
    EXPECT_FALSE(InitGridCols(g.Model(), names, captions));
    EXPECT_EQ(g.Rows(), 4);
    EXPECT_EQ(g.Cols(), 3);
    EXPECT_EQ(g.TextMatrix(3, 2), "keep");
    EXPECT_EQ(g.TextMatrix(1, 0), "a");
}

TEST(FlexGridTest, SetUpAsBoundGrid)
{
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"A", "", "B"}, {"a", "序号", "b"}));
    EXPECT_EQ(g.Rows(), 2);
    EXPECT_EQ(g.FixedRows(), 2);
    EXPECT_EQ(g.FixedCols(), 2);
    EXPECT_EQ(g.Cols(), 3);
    EXPECT_EQ(g.RowHeight(0), 0);
    EXPECT_EQ(g.ColAlignment(0), 0);
    EXPECT_EQ(g.ColAlignment(1), 2);
    EXPECT_EQ(g.ColAlignment(2), 0);
    // The view shows the caption row as its header and no data row.
    EXPECT_EQ(g.model()->rowCount(), 0);
    EXPECT_EQ(g.model()->headerData(2, Qt::Horizontal).toString(), "b");
}

TEST_F(BoundGridTest, ValuesShowByDeclaredType)
{
    Row(12.345, "2014-08-28", 1, "0012");
    Row(12.355, "2014-08-28 10:20:30", 0, "abc");
    Row(3.0, QVariant(), QVariant(), QVariant());
    Row(0.07, "", 1, "");
    Row(30000000.0, "2014-08-28", -1, "x"); // beyond what a 32-bit hundredfold holds
    FlexGrid g;
    InitTestGrid(g);
    ASSERT_TRUE(LoadTableToGrid(g.Model(), "", {}, "ID"));
    ASSERT_EQ(g.Rows(), 7);
    EXPECT_EQ(g.FixedCols(), 2);
    struct Expect
    {
        int row;
        const char *amount, *date, *ok, *code;
    };
    const Expect table[] = {
        {2, "12.34", "2014.08.28", "√", "0012"},
        {3, "12.36", "2014.08.28", "", "abc"},
        {4, "3", "", "", ""},
        {5, "0.07", "", "√", ""},
        {6, "30000000", "2014.08.28", "√", "x"},
    };
    for (const Expect &e : table) {
        SCOPED_TRACE(e.row);
        EXPECT_EQ(g.TextMatrix(e.row, 1), QString::number(e.row - 1)); // 序号
        EXPECT_EQ(g.TextMatrix(e.row, 2), QString::fromUtf8(e.amount));
        EXPECT_EQ(g.TextMatrix(e.row, 3), QString::fromUtf8(e.date));
        EXPECT_EQ(g.TextMatrix(e.row, 4), QString::fromUtf8(e.ok));
        EXPECT_EQ(g.TextMatrix(e.row, 5), QString::fromUtf8(e.code));
    }
}

TEST(GridCellTextTest, DoublesRoundHalfToEvenOnTheHundredfold)
{
    EXPECT_EQ(GridCellText(12.345, ColType::Double), "12.34");
    EXPECT_EQ(GridCellText(12.355, ColType::Double), "12.36");
    EXPECT_EQ(GridCellText(3.0, ColType::Double), "3");
    EXPECT_EQ(GridCellText(0.07, ColType::Double), "0.07");
    EXPECT_EQ(GridCellText(-1003.5, ColType::Double), "-1003.5");
    EXPECT_EQ(GridCellText(20.019, ColType::Double, 3), "20.019");
    EXPECT_EQ(GridCellText(QVariant(), ColType::Double), "");
    EXPECT_EQ(GridCellText(qlonglong(7), ColType::Double), "7");
    EXPECT_EQ(GridCellText(true, ColType::Boolean), "√");
    EXPECT_EQ(GridCellText(0, ColType::Boolean), "");
    EXPECT_EQ(GridCellText(2, ColType::Boolean), "√");
    EXPECT_EQ(GridCellText("0012", ColType::Text), "0012");
}

TEST_F(BoundGridTest, ColourColumnSetsTheBackColourAndBlackReadsZero)
{
    Row(1, QVariant(), 0, "a", 0);
    Row(2, QVariant(), 0, "b", 255);
    Row(3, QVariant(), 0, "c", QVariant());
    FlexGrid g;
    InitTestGrid(g);
    ASSERT_TRUE(LoadTableToGrid(g.Model(), "", {}, "ID"));
    EXPECT_TRUE(g.HasCellBackColor(2, 6));
    EXPECT_EQ(GetCellColor(g.Model(), 2, 6, false), 0u);
    EXPECT_EQ(VbToQColor(GetCellColor(g.Model(), 2, 6, false)), QColor(Qt::black));
    EXPECT_EQ(GetCellColor(g.Model(), 3, 6, false), 0x0000FFu);
    EXPECT_EQ(VbToQColor(0x0000FF), QColor(255, 0, 0)); // red sits in the low byte
    EXPECT_FALSE(g.HasCellBackColor(4, 6));
    EXPECT_EQ(g.TextMatrix(3, 6), ""); // a colour column writes no text
    // A colour that happens to be 0x010101 is kept as it is.
    SetCellColor(g.Model(), 4, 6, 0x010101, false);
    EXPECT_EQ(GetCellColor(g.Model(), 4, 6, false), 0x010101u);
    EXPECT_EQ(QColorToVb(QColor(0x12, 0x34, 0x56)), 0x563412u);
}

TEST_F(BoundGridTest, ConditionValuesAreBoundAndLookupsRead)
{
    const qint64 id = Insert("外表", {{"LBL", QStringLiteral("它's 100%_")}});
    Row(1, QVariant(), 0, "O'Neil", QVariant(), id);
    Row(2, QVariant(), 0, "other", QVariant(), 999999);
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"ID", "", "Code", "Fmt:Ref:LBL", "Fmt:Ref"},
                             {"ID", "序号", "代码", "标签", "短"}));
    g.SetTag("T");
    ASSERT_TRUE(LoadTableToGrid(g.Model(), "Code=? OR Code=?", {"O'Neil", "other"}, "ID"));
    ASSERT_EQ(g.Rows(), 4);
    EXPECT_EQ(g.TextMatrix(2, 2), "O'Neil");
    EXPECT_EQ(g.TextMatrix(2, 3), QStringLiteral("它's 100%_"));
    EXPECT_EQ(g.TextMatrix(3, 3), ""); // no such record
    EXPECT_EQ(g.TextMatrix(2, 4), ""); // fewer than three parts: nothing
}

TEST_F(BoundGridTest, FailedQueryLeavesOnlyTheHeaderRows)
{
    Row(1, QVariant(), 0, "a");
    FlexGrid g;
    InitTestGrid(g);
    ASSERT_TRUE(LoadTableToGrid(g.Model()));
    EXPECT_EQ(g.Rows(), 3);
    g.SetTag("NoSuchTable");
    EXPECT_FALSE(LoadTableToGrid(g.Model()));
    EXPECT_EQ(g.Rows(), 2);
    ASSERT_FALSE(m_messages->messages.isEmpty());
    EXPECT_TRUE(m_messages->messages.last().startsWith("数据库打开错误("));
}

TEST(AutoColWidthTest, WidthsFromContents)
{
    FlexGrid g;
    g.resize(400, 300); // 6000 twips at 15 twips a pixel
    ASSERT_TRUE(InitGridCols(g.Model(), {"ID", "", "A", "B", "C"},
                             {"ID", "序号", "空列标题很长", "B", "C"}));
    g.SetTextMeasurer([](const QString &t) { return int(t.size()) * 100; });
    g.SetRows(4);
    g.SetTextMatrix(2, 0, "12345");
    g.SetTextMatrix(2, 1, "1");
    g.SetTextMatrix(3, 1, "2");
    g.SetTextMatrix(2, 3, "12345678"); // 800 twips
    g.SetTextMatrix(3, 3, "1");
    g.SetTextMatrix(2, 4, QString(100, u'x'));
    AutoColWidth(g.Model(), 2, false);
    EXPECT_EQ(g.ColWidth(0), 0);                 // left of 序号
    EXPECT_EQ(g.ColWidth(1), 300);               // caption "序号" counts: 200 + 100
    EXPECT_EQ(g.ColWidth(2), 50);                // all data cells empty, caption ignored
    EXPECT_EQ(g.ColWidth(3), 900);               // widest text 800 + 100
    EXPECT_EQ(g.ColWidth(4), g.GridWidth() / 2); // capped at half the grid
}

TEST(SortTest, HeaderMarksToggleAndRowsRenumber)
{
    FlexGrid g;
    ASSERT_TRUE(
        InitGridCols(g.Model(), {"ID", "", "Amount", "Name"}, {"ID", "序号", "金额", "名称△"}));
    const QStringList amounts = {"10", "9.5", "abc", "", "100", "-3"};
    g.SetRows(2 + int(amounts.size()));
    for (int i = 0; i < amounts.size(); ++i) {
        g.SetTextMatrix(2 + i, 0, QString::number(100 + i));
        g.SetTextMatrix(2 + i, 1, QString::number(i + 1));
        g.SetTextMatrix(2 + i, 2, amounts[i]);
        g.SetCellBackColor(2 + i, 3, quint32(i + 1));
    }
    ASSERT_TRUE(SortGridByCol(g.Model(), 2));
    EXPECT_EQ(g.TextMatrix(1, 2), "金额△");
    EXPECT_EQ(g.TextMatrix(1, 3), "名称"); // marks leave the other captions
    QStringList got;
    for (int r = 2; r < g.Rows(); ++r) {
        got << g.TextMatrix(r, 2);
        EXPECT_EQ(g.TextMatrix(r, 1), QString::number(r - 1));
    }
    // Numbers as numbers, before the texts; the texts in list order.
    EXPECT_EQ(got, QStringList({"-3", "9.5", "10", "100", "", "abc"}));
    // Whole rows move: the hidden ID and the colours go with their amount.
    EXPECT_EQ(g.TextMatrix(2, 0), "105");
    EXPECT_EQ(g.CellBackColor(2, 3), 6u);

    ASSERT_TRUE(SortGridByCol(g.Model(), 2));
    EXPECT_EQ(g.TextMatrix(1, 2), "金额▽");
    EXPECT_EQ(g.TextMatrix(2, 2), "abc");
    EXPECT_EQ(g.TextMatrix(g.Rows() - 1, 2), "-3");
    ASSERT_TRUE(SortGridByCol(g.Model(), 2));
    EXPECT_EQ(g.TextMatrix(1, 2), "金额△");
    EXPECT_EQ(g.TextMatrix(2, 2), "-3");
}

TEST(SortTest, EqualCellsKeepTheirOrder)
{
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"ID", "", "K"}, {"ID", "序号", "K"}));
    g.SetRows(6);
    const char *keys[] = {"b", "a", "b", "a"};
    for (int i = 0; i < 4; ++i) {
        g.SetTextMatrix(2 + i, 0, QString::number(i));
        g.SetTextMatrix(2 + i, 2, keys[i]);
    }
    ASSERT_TRUE(SortGridByCol(g.Model(), 2));
    EXPECT_EQ(g.TextMatrix(2, 0), "1");
    EXPECT_EQ(g.TextMatrix(3, 0), "3");
    EXPECT_EQ(g.TextMatrix(4, 0), "0");
    EXPECT_EQ(g.TextMatrix(5, 0), "2");
}

TEST_F(BoundGridTest, ClickOnAHeaderSortsABoundGrid)
{
    Row(30, QVariant(), 0, "c");
    Row(10, QVariant(), 0, "a");
    Row(20, QVariant(), 0, "b");
    FlexGrid g;
    InitTestGrid(g);
    ASSERT_TRUE(LoadTableToGrid(g.Model(), "", {}, "ID"));
    g.resize(700, 300);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    QHeaderView *header = g.horizontalHeader();
    const int x = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(g.TextMatrix(1, 2), "金额△");
    EXPECT_EQ(g.TextMatrix(2, 2), "10");
    EXPECT_EQ(g.TextMatrix(4, 2), "30");
    EXPECT_EQ(g.model()->index(0, 2).data().toString(), "10");
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(g.TextMatrix(1, 2), "金额▽");
    EXPECT_EQ(g.TextMatrix(2, 2), "30");
    EXPECT_EQ(g.TextMatrix(2, 1), "1");
}

TEST(GridHeaderClickTest, FixedColumnsFitAndScrollableColumnsSort)
{
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"ID", "", "A", "B"}, {"ID", "序号", "A", "B"}));
    g.SetTextMeasurer([](const QString &t) { return int(t.size()) * 100; });
    g.resize(800, 300);
    g.SetRows(4);
    g.SetTextMatrix(2, 2, "2");
    g.SetTextMatrix(3, 2, "1");
    for (int c = 0; c < 4; ++c)
        g.SetColWidth(c, 1000);
    g.SetRowHeight(1, 300);
    GridHeaderClick(g.Model(), 2500, 400); // below the header band
    EXPECT_EQ(g.TextMatrix(1, 2), "A");
    GridHeaderClick(g.Model(), 1500, 100); // over a fixed column: fit the widths
    EXPECT_EQ(g.ColWidth(0), 0);
    EXPECT_EQ(g.TextMatrix(1, 2), "A");
    const int left = g.ColWidth(0) + g.ColWidth(1);
    GridHeaderClick(g.Model(), left + 10, 100); // over column 2
    EXPECT_EQ(g.TextMatrix(1, 2), "A△");
    EXPECT_EQ(g.TextMatrix(2, 2), "1");
    GridHeaderClick(g.Model(), 99999, 100); // right of the last column
    EXPECT_EQ(g.TextMatrix(1, 2), "A△");
}

TEST(DeleteGridRowsTest, AsksWithTheShownNumbersAndRemovesWholeRows)
{
    store::ScopedRecordingReporter rec;
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"ID", "", "A"}, {"ID", "序号", "A"}));
    g.SetRows(10);
    for (int r = 2; r < 10; ++r) {
        g.SetTextMatrix(r, 0, QString::number(r));
        g.SetTextMatrix(r, 1, QString::number(r - 1));
        g.SetTextMatrix(r, 2, QString("v%1").arg(r));
        g.SetCellBackColor(r, 2, quint32(r));
    }
    int first = 7, last = 4;
    rec->answer = false;
    EXPECT_FALSE(DeleteGridRows(g.Model(), first, last, true));
    EXPECT_EQ(g.Rows(), 10);
    ASSERT_EQ(rec->messages.size(), 1);
    EXPECT_EQ(rec->messages[0], "您确定要删除第3至第6行？");

    rec->answer = true;
    first = 7;
    last = 4;
    EXPECT_TRUE(DeleteGridRows(g.Model(), first, last, true));
    EXPECT_EQ(first, 4);
    EXPECT_EQ(last, 7);
    ASSERT_EQ(g.Rows(), 6);
    const int kept[] = {2, 3, 8, 9};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(g.TextMatrix(2 + i, 0), QString::number(kept[i]));
        EXPECT_EQ(g.TextMatrix(2 + i, 1), QString::number(i + 1));
        EXPECT_EQ(g.CellBackColor(2 + i, 2), quint32(kept[i])); // colours go with their rows
    }
}

TEST(DeleteGridRowsTest, NothingToDeleteAsksNothing)
{
    store::ScopedRecordingReporter rec;
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"ID", "", "A"}, {"ID", "序号", "A"}));
    int first = 2, last = 5;
    EXPECT_FALSE(DeleteGridRows(g.Model(), first, last, true));
    EXPECT_TRUE(rec->messages.isEmpty());
}

TEST(ClearGridTest, AsksThenEmptiesAndResetsTheNavigator)
{
    store::ScopedRecordingReporter rec;
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"ID", "", "A"}, {"ID", "序号", "A"}));
    g.SetRows(5);
    int navigated = 0;
    auto nav = [&](FlexGridModel &) { ++navigated; };
    rec->answer = false;
    EXPECT_FALSE(ClearGrid(g.Model(), true, nav));
    EXPECT_EQ(g.Rows(), 5);
    EXPECT_EQ(navigated, 0);
    rec->answer = true;
    EXPECT_TRUE(ClearGrid(g.Model(), true, nav));
    EXPECT_EQ(g.Rows(), 2);
    EXPECT_EQ(navigated, 1);
    EXPECT_EQ(rec->messages, QStringList({"您确定要清除所有记录？", "您确定要清除所有记录？"}));
}

TEST(GridHelpersTest, RangeMaxMinOrderPairAndRowFromY)
{
    FlexGrid g;
    g.SetCols(3);
    g.SetRows(6);
    g.SetFixedRows(2);
    g.SetTextMatrix(2, 1, "5");
    g.SetTextMatrix(3, 1, "");
    g.SetTextMatrix(4, 1, "-3");
    double min = 0;
    EXPECT_EQ(GetRangeMaxMin(g.Model(), 1, 1, 4, 2, min), 5);
    EXPECT_EQ(min, -3);
    g.SetTextMatrix(2, 2, "-2");
    g.SetTextMatrix(3, 2, "-4");
    EXPECT_EQ(GetRangeMaxMin(g.Model(), 2, 2, 2, 3, min), 0);
    EXPECT_EQ(min, -4);

    int a = 3, b = 8;
    OrderPair(a, b);
    EXPECT_EQ(a, 8);
    EXPECT_EQ(b, 3);
    OrderPair(a, b);
    EXPECT_EQ(a, 8);

    for (int r = 0; r < 6; ++r)
        g.SetRowHeight(r, r == 0 ? 0 : 300);
    g.SetTopRow(2);
    EXPECT_EQ(GridRowFromY(g.Model(), 100), 1);   // in the caption band
    EXPECT_EQ(GridRowFromY(g.Model(), 350), 2);   // first data row
    EXPECT_EQ(GridRowFromY(g.Model(), 99999), 5); // below every row
}

TEST(GridColourTest, RowAndGridColours)
{
    FlexGrid g;
    ASSERT_TRUE(InitGridCols(g.Model(), {"ID", "", "A", "B"}, {"ID", "序号", "A", "B"}));
    g.SetRows(4);
    SetRowBackColor(g.Model(), 1, 0xFF); // a fixed row: nothing
    EXPECT_FALSE(g.HasCellBackColor(1, 2));
    SetRowBackColor(g.Model(), 2, 0xFF);
    EXPECT_FALSE(g.HasCellBackColor(2, 1));
    EXPECT_EQ(GetCellColor(g.Model(), 2, 3, false), 0xFFu);
    SetRowForeColor(g.Model(), 3, 0xFF00);
    EXPECT_EQ(GetCellColor(g.Model(), 3, 0, true), 0xFF00u);
    SetGridForeColor(g.Model(), 0);
    EXPECT_EQ(GetCellColor(g.Model(), 3, 0, true), 0u);
    EXPECT_TRUE(g.HasCellForeColor(2, 2));
    EXPECT_FALSE(g.HasCellForeColor(1, 2));
}

TEST(FlexGridTest, ShapeChangesWhileDrawingIsOn)
{
    FlexGrid grid;
    grid.show();
    grid.SetCols(5);
    grid.SetRows(2);
    grid.SetFixedRows(2);
    grid.SetFixedCols(1);
    grid.SetTextMatrix(0, 4, QStringLiteral("x"));
    grid.SetRows(6);
    grid.SetTextMatrix(5, 4, QStringLiteral("末行"));
    grid.SetCols(8);
    grid.SetColWidth(7, 900);
    grid.SetCols(3);
    EXPECT_EQ(grid.Cols(), 3);
    EXPECT_EQ(grid.TextMatrix(5, 4), QString());
    grid.SetCols(6);
    EXPECT_EQ(grid.TextMatrix(5, 4), QString());
    EXPECT_EQ(grid.Rows(), 6);
}

TEST_F(BoundGridTest, FieldGridShowsCaptionsAndRefusesHeaderSorting)
{
    InsertText("格式丙", "乙", 30, 10);
    InsertText("格式丙", "甲", 10, 10);
    InsertText("格式丙", "丙", 20, 10);
    FlexGrid g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g.Model(), "格式丙"));
    const QStringList before = gridtest::Dump(g.Model());
    g.resize(900, 300);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    QHeaderView *header = g.horizontalHeader();
    EXPECT_EQ(g.model()->headerData(ColX, Qt::Horizontal).toString(), "横向位置(毫米)");
    const int x = header->sectionViewportPosition(ColX) + header->sectionSize(ColX) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(gridtest::Dump(g.Model()), before);
    EXPECT_EQ(g.TextMatrix(1, ColX), "横向位置(毫米)");
    EXPECT_FALSE(SortGridByCol(g.Model(), ColX));
    EXPECT_EQ(gridtest::Dump(g.Model()), before);
}

// A model handed to views: what the code writes into the model is what every view shows and
// paints (texts, cell colours, the fixed column, sizes, the cursor), what the user selects comes
// back into the model, and a model that goes first leaves its views showing their own cells.
TEST(GridModelViewTest, ViewsShowAndPaintTheModelTheyAreHanded)
{
    auto model = std::make_unique<FlexGridModel>();
    ASSERT_TRUE(InitGridCols(*model, {"ID", "", "A", "B"}, {"ID", "序号", "甲", "乙"}));
    model->SetRows(5);
    for (int r = 2; r < 5; ++r)
        model->SetTextMatrix(r, 2, QString::number(r * 11));
    model->SetColWidth(0, 0);
    FlexGrid first, second;
    first.SetGridModel(model.get());
    second.SetGridModel(model.get());
    first.resize(500, 200);
    first.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));

    // Written after the views took the model: a colour, a width, a hidden row, the cursor.
    model->SetCellBackColor(3, 2, 0x0000FF); // red (0x00BBGGRR)
    model->SetColWidth(3, 1500);
    model->SetRowHeight(4, 0);
    model->SetRow(3);
    model->SetCol(2);
    EXPECT_EQ(first.model(), model.get());
    EXPECT_EQ(first.model()->index(1, 2).data().toString(), "33");
    EXPECT_EQ(first.model()->headerData(3, Qt::Horizontal).toString(), "乙");
    EXPECT_TRUE(first.isColumnHidden(0) || first.horizontalHeader()->sectionSize(0) == 0);
    EXPECT_EQ(first.horizontalHeader()->sectionSize(3), 1500 / first.TwipsPerPixel());
    EXPECT_TRUE(first.isRowHidden(2));
    EXPECT_EQ(first.currentIndex(), model->index(1, 2));
    EXPECT_EQ(second.currentIndex(), model->index(1, 2));

    // Ink: the red cell and the fixed row-number column in the button colour.
    QTRY_VERIFY(first.viewport()->isVisible());
    first.clearSelection();
    model->SetRow(2);
    const QImage shot = first.viewport()->grab().toImage();
    const QRect red = first.visualRect(model->index(1, 2));
    const QRect fixed = first.visualRect(model->index(0, 1));
    EXPECT_EQ(shot.pixelColor(red.left() + 2, red.center().y()), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(fixed.left() + 2, fixed.center().y()),
              first.palette().button().color());

    // The user's click comes back into the model.
    const QRect cell = first.visualRect(model->index(0, 3));
    QTest::mouseClick(first.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(model->Row(), 2);
    EXPECT_EQ(model->Col(), 3);

    model.reset();
    EXPECT_EQ(first.model(), &first.Model());
    EXPECT_EQ(second.Rows(), 0);
    first.SetRows(3);
    first.SetCols(2);
    EXPECT_TRUE(first.SetTextMatrix(2, 1, "x"));
    EXPECT_EQ(first.TextMatrix(2, 1), "x");
}
