#include "print/batchnav.h"

#include "store/model/fmtstore.h"
#include "store/model/gridmodel.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace print;

namespace {

class BatchNavTest : public testing::Test
{
protected:
    void SetUp() override
    {
        grid.SetRedraw(false); // filled as the readers fill it, drawn once at the end
        grid.SetCols(5);
        grid.SetRows(2);
        grid.SetFixedRows(2);
        grid.SetFixedCols(1);
        // Columns: text fields 1 and 2, check box 1001, a column naming no field.
        grid.SetTextMatrix(0, 1, QStringLiteral("1"));
        grid.SetTextMatrix(0, 2, QStringLiteral("2"));
        grid.SetTextMatrix(0, 3, QStringLiteral("1001"));
        grid.SetTextMatrix(0, 4, QStringLiteral("x"));
        grid.SetRedraw(true);
        target.HS = &hs;
        target.R_Num[0] = &count;
        target.R_Num[1] = &shown;
        target.printAll = &printAll;
        // The open format: three text fields and a check box.
        fields.SetCols(store::FmtColCount);
        fields.SetRows(5);
        fields.SetFixedRows(1);
        for (int r = 1; r <= 4; ++r) {
            fields.SetTextMatrix(r, store::ColID, QString::number(r));
            fields.SetTextMatrix(r, store::ColClas, r == 4 ? QStringLiteral("1") : QStringLiteral("0"));
        }
        layout = page::FieldLayout(fields);
        target.layout = [this] { return &layout; };
        target.record = [this] { return page::FieldRecord(layout); };
        // What the page would be given: every value set, in order.
        target.putRecord = [this](page::FieldRecord &r) {
            for (int index : r.TakeTouched())
                set << QStringLiteral("%1=%2").arg(index).arg(r.Value(index));
        };
        target.leaveText = [this](page::FieldRecord &, int index) { lost << index; };
    }
    void AddRecord(const QStringList &cells)
    {
        const int row = grid.Rows();
        grid.SetRows(row + 1);
        for (int c = 0; c < cells.size(); ++c)
            grid.SetTextMatrix(row, c + 1, cells[c]);
    }

    store::FlexGridModel grid;
    store::FlexGridModel fields;
    page::FieldLayout layout;
    QScrollBar hs{Qt::Horizontal};
    QLabel count, shown;
    QPushButton printAll;
    BatchNavTarget target;
    QStringList set;
    QList<int> lost;
};

TEST_F(BatchNavTest, EmptyGrid)
{
    BatchNav nav(target);
    nav.InitBatchNav(grid);
    EXPECT_EQ(hs.value(), 1);
    EXPECT_EQ(hs.maximum(), 1);
    EXPECT_EQ(count.text(), "1");
    EXPECT_EQ(shown.text(), "1");
    EXPECT_FALSE(hs.isEnabled());
    EXPECT_FALSE(printAll.isEnabled());
    EXPECT_TRUE(set.isEmpty());
}

TEST_F(BatchNavTest, OneRecordIsLoadedButNotSteppable)
{
    AddRecord({"甲", "", "1"});
    BatchNav nav(target);
    nav.InitBatchNav(grid);
    EXPECT_EQ(set, (QStringList{"1=甲", "1001=1"}));
    EXPECT_EQ(lost, (QList<int>{1, 2}));
    EXPECT_EQ(count.text(), "1");
    EXPECT_EQ(shown.text(), "1");
    EXPECT_FALSE(printAll.isEnabled());
}

TEST_F(BatchNavTest, RecordsFillTheirFieldsByIndex)
{
    AddRecord({"甲", "", ""});
    AddRecord({"乙", "", "1"});
    AddRecord({"", "", ""});
    BatchNav nav(target);
    nav.InitBatchNav(grid);
    EXPECT_EQ(hs.maximum(), 3);
    EXPECT_TRUE(hs.isEnabled());
    EXPECT_TRUE(printAll.isEnabled());
    EXPECT_EQ(count.text(), "3");

    set.clear();
    lost.clear();
    nav.LoadBatchRow(grid, 3);
    // Column 2 is empty in every record: field 2 keeps its value but is still converted.
    EXPECT_EQ(set, (QStringList{"1=乙", "1001=1"}));
    EXPECT_EQ(lost, (QList<int>{1, 2}));
    EXPECT_EQ(shown.text(), "2");

    set.clear();
    nav.LoadBatchRow(grid, 4);
    // A column with data somewhere clears its field where the record is empty.
    EXPECT_EQ(set, (QStringList{"1=", "1001="}));
}

TEST_F(BatchNavTest, RowsOutsideTheRecordsChangeNothing)
{
    AddRecord({"甲", "", ""});
    AddRecord({"乙", "", ""});
    BatchNav nav(target);
    nav.InitBatchNav(grid);
    set.clear();
    shown.setText("keep");
    nav.LoadBatchRow(grid, 1);
    nav.LoadBatchRow(grid, 4);
    EXPECT_TRUE(set.isEmpty());
    EXPECT_EQ(shown.text(), "keep");
}

TEST_F(BatchNavTest, EditedRecordsAreSeenWithoutReinit)
{
    AddRecord({"甲", "", ""});
    AddRecord({"乙", "", ""});
    BatchNav nav(target);
    nav.InitBatchNav(grid);
    AddRecord({"丙", "丁", ""});
    set.clear();
    nav.LoadBatchRow(grid, 4);
    EXPECT_EQ(set, (QStringList{"1=丙", "2=丁"}));
}

TEST_F(BatchNavTest, RecordsOfAnotherFormatAreNotUsed)
{
    QString open = QStringLiteral("转账支票");
    target.formatName = [&] { return open; };
    AddRecord({"甲", "", ""});
    AddRecord({"乙", "", ""});
    BatchNav nav(target);
    nav.InitBatchNav(grid);
    EXPECT_TRUE(nav.Problem().isEmpty());
    open = QStringLiteral("进账单");
    set.clear();
    nav.LoadBatchRow(grid, 3);
    EXPECT_TRUE(set.isEmpty());
    EXPECT_EQ(
        nav.Problem(),
        QStringLiteral("批量记录是为格式“转账支票”导入的，与当前格式“进账单”不符，请重新导入！"));
    open = QStringLiteral("转账支票");
    nav.LoadBatchRow(grid, 3);
    EXPECT_EQ(set.first(), QStringLiteral("1=乙"));
}

} // namespace
