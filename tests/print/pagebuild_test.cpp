#include "print/pagebuild.h"

#include "store/model/context.h"
#include "store/model/gridmodel.h"

#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace print;

namespace {

// A record's values by field index.
struct FakeFields
{
    QHash<int, QString> values;
    FieldValues Values()
    {
        return ValuesOf([this](int index) { return values.value(index); });
    }
};

class PageBuildTest : public testing::Test
{
protected:
    void SetUp() override
    {
        grid.SetRedraw(false);
        grid.SetCols(23);
        grid.SetRows(2);
        grid.SetFixedRows(2);
        grid.SetFixedCols(2);
        grid.SetRedraw(true);
    }
    // A field row: ID, label, kind, X, Y, W, H, content kind.
    int Row(int id, const QString &lbl, int kind, QStringList pos, double cash = 0)
    {
        const int r = grid.Rows();
        grid.SetRows(r + 1);
        grid.SetTextMatrix(r, 0, QString::number(id));
        grid.SetTextMatrix(r, 2, lbl);
        for (int i = 0; i < 4; ++i)
            grid.SetTextMatrix(r, 4 + i, pos.value(i));
        grid.SetTextMatrix(r, 11, QStringLiteral("宋体"));
        grid.SetTextMatrix(r, 12, QStringLiteral("10.5"));
        grid.SetTextMatrix(r, 17, QString::number(kind));
        grid.SetTextMatrix(r, 18, QString::number(cash));
        return r;
    }
    store::FlexGridModel grid;
    FakeFields fields;
};

TEST_F(PageBuildTest, RowsBecomeFieldsByKindAndIndex)
{
    const int label = Row(7, "标题", 4, {"1", "2", "30", "5"});
    const int text = Row(3, "收款人", 0, {"10", "20", "50", "8"}, 0);
    Row(4, "已付", 1, {"60", "20", "5", "5"});
    Row(5, "条码", 2, {"10", "40", "50", "15"});
    Row(6, "金额", 0, {"10", "x", "50", "8"}, 11);
    Row(8, "已核", 1, {"70", "20", "5", "5"});
    grid.SetTextMatrix(text, 9, QStringLiteral("-1002.5"));
    grid.SetTextMatrix(text, 13, QStringLiteral("√"));
    grid.SetTextMatrix(text, 15, QStringLiteral("√"));
    grid.SetCellBackColor(text, 10, 0x010101);
    grid.SetCellBackColor(label, 10, 0x0000FF);
    fields.values = {{1, "甲公司"}, {2, "12"}, {1001, "1"}, {1002, "2"}, {2001, "A12"}};

    PageOptions o;
    o.formatName = QStringLiteral("转账支票");
    o.width = QStringLiteral("240");
    o.height = QStringLiteral("80毫米");
    o.marginX = QStringLiteral("3");
    o.marginY = QStringLiteral("abc");
    const FilledPage page = BuildFilledPage(grid, o, fields.Values());
    EXPECT_DOUBLE_EQ(page.widthMm, 240);
    EXPECT_DOUBLE_EQ(page.heightMm, 80);
    EXPECT_DOUBLE_EQ(page.offX, -3);
    EXPECT_DOUBLE_EQ(page.offY, 0);

    ASSERT_EQ(page.fields.size(), 6);
    QList<int> indexes;
    for (const FilledField &f : page.fields)
        indexes << f.index;
    EXPECT_EQ(indexes, (QList<int>{1, 2, 1001, 1002, 2001, 4001}));
    const FilledField &payee = page.fields[0];
    EXPECT_EQ(payee.id, 3);
    EXPECT_EQ(payee.text, QStringLiteral("甲公司"));
    EXPECT_DOUBLE_EQ(payee.packedSpacing, -1002.5);
    EXPECT_TRUE(payee.bold);
    EXPECT_FALSE(payee.italic);
    EXPECT_TRUE(payee.underline);
    EXPECT_EQ(payee.color, QColor(Qt::black)); // stored black reads back as black
    EXPECT_FALSE(page.fields[1].valid);        // "x" is no position
    EXPECT_EQ(page.fields[2].text, QStringLiteral("√"));
    EXPECT_EQ(page.fields[3].text, QString()); // a grey box prints nothing
    EXPECT_EQ(page.fields[3].checkValue, 2);
    EXPECT_EQ(page.fields[4].text, QStringLiteral("A12"));
    EXPECT_EQ(page.fields[5].text, QStringLiteral("标题"));
    EXPECT_EQ(page.fields[5].color, QColor(Qt::red));

    const QList<HistoryValue> expected{{3, "甲公司"}, {6, "12"}, {4, "1"}, {8, "2"}, {5, "A12"}};
    EXPECT_EQ(HistoryValues(page), expected);
}

TEST_F(PageBuildTest, PicturesAreLoadedFromTheirFiles)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("logo.png"));
    QImage img(8, 4, QImage::Format_RGB32);
    img.fill(Qt::green);
    ASSERT_TRUE(img.save(file));
    Row(5, "图", 2, {"10", "40", "50", "15"});
    fields.values = {{2001, file}};
    const FilledPage page = BuildFilledPage(grid, PageOptions(), fields.Values());
    ASSERT_EQ(page.fields.size(), 1);
    EXPECT_EQ(page.fields[0].picture.size(), QSize(8, 4));
}

TEST_F(PageBuildTest, OptionsComeFromTheContext)
{
    store::AppContext ctx;
    ctx.SetFormatName(QStringLiteral("进账单"));
    ctx.SetPageSize(QStringLiteral("212"), QStringLiteral("100"));
    ctx.SetMargins(QStringLiteral("1.5"), QStringLiteral("-2"));
    ctx.SetSwitches(true, false, true);
    ctx.SetO2(1, 1);
    ctx.SetO2(3, 1);
    ctx.SetPageWidths(15000, 15000);
    ctx.SetFieldGrid(&grid);
    Row(3, "收款人", 0, {"10", "20", "50", "8"});
    fields.values = {{1, "乙"}};
    PageSource source(ctx, fields.Values());
    const FilledPage page = source.Fill();
    EXPECT_EQ(page.formatName, QStringLiteral("进账单"));
    EXPECT_DOUBLE_EQ(page.widthMm, 212);
    EXPECT_DOUBLE_EQ(page.offX, -1.5);
    EXPECT_DOUBLE_EQ(page.offY, 2);
    EXPECT_TRUE(page.setPaper && page.rulers && page.lengthwise && page.centred);
    EXPECT_FALSE(page.backPicture);
    EXPECT_NEAR(page.frameWidthPx, 15000 * page.screenDpi / 1440, 1e-9);
    ASSERT_EQ(page.fields.size(), 1);
    EXPECT_EQ(page.fields[0].text, QStringLiteral("乙"));
}

// Page after page of a batch reuses the fields' layout, and takes up every change of the format
// between two pages: a moved field, a new colour, a new row, and another grid in its place.
TEST_F(PageBuildTest, ASourceFollowsEveryChangeOfTheFormat)
{
    store::AppContext ctx;
    ctx.SetFieldGrid(&grid);
    const int payee = Row(3, "收款人", 0, {"10", "20", "50", "8"});
    fields.values = {{1, "乙"}};
    PageSource source(ctx, fields.Values());
    ASSERT_EQ(source.Fill().fields.size(), 1);

    fields.values = {{1, "丙"}};
    FilledPage page = source.Fill();
    EXPECT_EQ(page.fields[0].text, QStringLiteral("丙"));
    EXPECT_DOUBLE_EQ(page.fields[0].x, 10);

    grid.SetRedraw(false); // changes made while the grid does not redraw count too
    grid.SetTextMatrix(payee, 4, QStringLiteral("12.5"));
    grid.SetCellBackColor(payee, 10, 0x0000FF);
    grid.SetRedraw(true);
    page = source.Fill();
    EXPECT_DOUBLE_EQ(page.fields[0].x, 12.5);
    EXPECT_EQ(page.fields[0].color, QColor(Qt::red));
    EXPECT_EQ(page.fields[0].text, QStringLiteral("丙"));

    Row(4, "已付", 1, {"60", "20", "5", "5"});
    fields.values = {{1, "丁"}, {1001, "1"}};
    page = source.Fill();
    ASSERT_EQ(page.fields.size(), 2);
    EXPECT_EQ(page.fields[1].text, QStringLiteral("√"));

    store::FlexGridModel other;
    other.SetCols(23);
    other.SetRows(2);
    other.SetFixedRows(2);
    ctx.SetFieldGrid(&other);
    EXPECT_TRUE(source.Fill().fields.isEmpty());
}

} // namespace
