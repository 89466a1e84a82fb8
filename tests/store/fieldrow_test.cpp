// The typed field row: every coding of the field grid's cells read once and written back, on the
// cell model alone (no view).

#include "store/model/fieldrow.h"
#include "store/model/gridmodel.h"

#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <memory>

using namespace store;

namespace {

// Texts of the 23 columns of one row, in column order.
using RowTexts = std::array<QString, FmtColCount>;

std::unique_ptr<FlexGridModel> FieldGrid(int dataRows)
{
    auto g = std::make_unique<FlexGridModel>();
    g->SetCols(FmtColCount);
    g->SetRows(2 + dataRows);
    g->SetFixedRows(2);
    return g;
}

void Put(FlexGridModel &g, int row, const RowTexts &texts, std::optional<quint32> color)
{
    for (int c = 0; c < FmtColCount; ++c)
        g.SetTextMatrix(row, c, texts[size_t(c)]);
    if (color)
        g.SetCellBackColor(row, ColColor, *color);
}

// A row's texts joined with "|", readable in a failure message.
std::string Joined(const RowTexts &t)
{
    return QStringList(t.begin(), t.end()).join(u'|').toStdString();
}

std::string Texts(const FlexGridModel &g, int row)
{
    RowTexts t;
    for (int c = 0; c < FmtColCount; ++c)
        t[size_t(c)] = g.TextMatrix(row, c);
    return Joined(t);
}

// Rows as the grid holds them: stored numbers, packed spacing with each alignment and a
// negative one, every side word, ticks, links with signs and the negating tenth, and cells
// that are no number (a caller keeps the stored value for those, so they must survive).
const RowTexts kRows[] = {
    {"12", "",  "金额", "上方", "10.5", "20", "30.25", "5",  "0",   "1002.5", "", "宋体",
     "12", "√", "",     "",     "",     "0",  "202",   "-7", "7.1", "-9.1",   "0"},
    {"7",   "2", "",  "左边", "abc", " 4 ", "1e1", "",   "1.5", "-2003", "",  "黑体",
     "9.5", "",  "√", "√",    "√",   "1",   "0",   "12", "-12", "12.1",  "-3"},
    {"", "", "线条", "右边", "-1", "-0", "12abc", "3", "",  "0", "", "宋体",
     "", "", "",     "",     "",   "3",  "2",     "",  "0", "",  ""},
    {"9", "",  "图", "下方", "0.001", "2", "3", "4", "", "2000", "", "",
     "8", "x", "",   "",     "",      "2", "",  "",  "", "",     ""},
};

TEST(FieldRowTest, ReadAndWrittenBackLeavesEveryCellAsItWas)
{
    auto g = FieldGrid(4);
    const std::optional<quint32> colors[] = {std::nullopt, 0x123456, 0, 0xFF};
    for (int i = 0; i < 4; ++i)
        Put(*g, 2 + i, kRows[i], colors[i]);
    QSignalSpy changed(g.get(), &FlexGridModel::dataChanged);
    for (int i = 0; i < 4; ++i)
        WriteFieldRow(*g, 2 + i, ReadFieldRow(*g, 2 + i));
    EXPECT_EQ(changed.count(), 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Texts(*g, 2 + i), Joined(kRows[i])) << i;
        EXPECT_EQ(g->HasCellBackColor(2 + i, ColColor), colors[i].has_value()) << i;
    }
    EXPECT_EQ(g->CellBackColor(3, ColColor), 0x123456u);

    // Copied into an empty grid the row is the same, the colour with it.
    auto copy = FieldGrid(1);
    WriteFieldRow(*copy, 2, ReadFieldRow(*g, 3));
    EXPECT_EQ(Texts(*copy, 2), Joined(kRows[1]));
    EXPECT_EQ(copy->CellBackColor(2, ColColor), 0x123456u);
    // Nothing is written outside the grid.
    WriteFieldRow(*copy, 3, ReadFieldRow(*g, 3));
    EXPECT_EQ(copy->Rows(), 3);
    EXPECT_EQ(ReadFieldRow(*copy, 3).lbl, QString());
}

TEST(FieldRowTest, EachCodingReadsOnce)
{
    auto g = FieldGrid(4);
    for (int i = 0; i < 4; ++i)
        Put(*g, 2 + i, kRows[i], std::nullopt);
    const FieldRow a = ReadFieldRow(*g, 2);
    const FieldRow b = ReadFieldRow(*g, 3);
    const FieldRow c = ReadFieldRow(*g, 4);
    const FieldRow d = ReadFieldRow(*g, 5);

    // Sides by their words.
    EXPECT_EQ(a.dir, 0);
    EXPECT_EQ(b.dir, 1);
    EXPECT_EQ(c.dir, 2);
    EXPECT_EQ(d.dir, 3);

    // Numbers: strict reading, leading-number reading, whole numbers.
    EXPECT_EQ(a.w.Number(), 30.25);
    EXPECT_FALSE(b.x.Number()); // "abc"
    EXPECT_EQ(b.x.Val(), 0);
    EXPECT_EQ(b.x.Text(), "abc");
    EXPECT_EQ(b.y.Number(), 4); // blanks around a number
    EXPECT_EQ(b.w.Number(), 10);
    EXPECT_FALSE(c.w.Number()); // "12abc"
    EXPECT_EQ(c.w.Val(), 12);
    EXPECT_FALSE(b.h.Number()); // empty
    EXPECT_EQ(a.Kind(), 0);
    EXPECT_EQ(c.Kind(), 3);
    EXPECT_FALSE(c.id.Long());
    EXPECT_EQ(NumberCell("2.5").Long(), 2);
    EXPECT_EQ(NumberCell("3.5").Long(), 4);
    EXPECT_FALSE(NumberCell("3000000000").Long());

    // Packed spacing and alignment.
    EXPECT_EQ(AlignmentOfPacked(*a.l.Number()), 1);
    EXPECT_EQ(SpacingOfPacked(*a.l.Number()), 2.5);
    EXPECT_EQ(AlignmentOfPacked(*b.l.Number()), 2);
    EXPECT_EQ(SpacingOfPacked(*b.l.Number()), -3);
    EXPECT_EQ(AlignmentOfPacked(*d.l.Number()), 2);
    EXPECT_EQ(SpacingOfPacked(*d.l.Number()), 0);

    // Ticks: any text is true.
    EXPECT_TRUE(a.bold);
    EXPECT_FALSE(a.italic);
    EXPECT_TRUE(b.italic && b.underline && b.strikethru);
    EXPECT_FALSE(b.bold);
    EXPECT_TRUE(d.bold); // "x"
    EXPECT_FALSE(d.fontName.size());

    // Relations by sign, sums with the negating tenth.
    EXPECT_EQ(a.rctl.Long(), -7);
    EXPECT_EQ(b.rctl1.Long(), -3);
    const SumLink add = SumLinkOf(a.sumId);      // 7.1
    const SumLink product = SumLinkOf(a.sumId1); // -9.1
    const SumLink plain = SumLinkOf(b.sumId);    // -12
    const SumLink negated = SumLinkOf(b.sumId1); // 12.1
    const SumLink none = SumLinkOf(c.sumId);     // 0
    EXPECT_TRUE(add.target == 7 && !add.product && add.negate);
    EXPECT_TRUE(product.target == 9 && product.product && product.negate);
    EXPECT_TRUE(plain.target == 12 && plain.product && !plain.negate);
    EXPECT_TRUE(negated.target == 12 && !negated.product && negated.negate);
    EXPECT_TRUE(none.target == 0 && !none.product && !none.negate);
    EXPECT_DOUBLE_EQ(SumLinkValue(12, false, true), 12.1);
    EXPECT_DOUBLE_EQ(SumLinkValue(12, true, true), -12.1);
    EXPECT_EQ(SumLinkValue(12, true, false), -12);
    EXPECT_EQ(SumLinkValue(0, false, true), 0); // no tenth without a target
}

TEST(FieldRowTest, ChangedValuesAreWrittenInTheirCodingAndNothingElse)
{
    auto g = FieldGrid(1);
    Put(*g, 2, kRows[1], std::nullopt);
    FieldRow f = ReadFieldRow(*g, 2);
    f.dir = 3;
    f.l.Set(PackSpacing(-1.5, 1));
    f.bold = true;
    f.italic = false;
    f.color = 0x0000FF;
    f.sumId.Set(SumLinkValue(15, true, true));
    f.clas.Set(2);

    QSignalSpy changed(g.get(), &FlexGridModel::dataChanged);
    WriteFieldRow(*g, 2, f);
    RowTexts want = kRows[1];
    want[ColDir] = "下方";
    want[ColL] = "-1001.5";
    want[ColBold] = "√";
    want[ColItalic] = "";
    want[ColSumID] = "-15.1";
    want[ColClas] = "2";
    EXPECT_EQ(Texts(*g, 2), Joined(want));
    EXPECT_EQ(g->CellBackColor(2, ColColor), 0x0000FFu);
    EXPECT_EQ(changed.count(), 7); // six texts and the colour

    // A side code outside 0..3 has no word; the cell is emptied and reads as the top again.
    f.dir = 7;
    WriteFieldRow(*g, 2, f);
    EXPECT_EQ(g->TextMatrix(2, ColDir), "");
    EXPECT_EQ(ReadFieldRow(*g, 2).dir, 0);
}

} // namespace
