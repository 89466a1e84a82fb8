// The format store: whole-format row, state row, field rows to and from the field grid, and
// saving a format as one transaction.

#include "grid_fixture.h"

#include "store/model/fmtstore.h"
#include "store/model/gridbind.h"

#include <cmath>

using namespace store;
using gridtest::GridDbTest;

namespace {

class FmtStoreTest : public GridDbTest
{
protected:
    QString Marker() const { return QString::fromUtf8(kFmtParaMarker); }

    QString FmtRows(const QString &fmt) const
    {
        return Sqlite3(QStringLiteral("SELECT * FROM Fmt WHERE Fmt='%1' ORDER BY ID").arg(fmt));
    }
};

} // namespace

TEST_F(FmtStoreTest, ScreenFactorFromTheSavedScreenWidth)
{
    struct Case
    {
        qint64 color;
        int screen;
        double zoom;
        const char *size105;
        const char *size12;
    };
    const Case cases[] = {
        {15360, 19200, 18860.0 / 15020.0, "13.18", "15.07"},
        {0, 15360, 1.0, "10.5", "12"},
        {0, 19200, 18860.0 / 15020.0, "13.18", "15.07"},
        {19200, 19200, 1.0, "10.5", "12"},
        {340, 19200, 1.0, "10.5", "12"}, // would divide by zero
        {200, 19200, 1.0, "10.5", "12"}, // would give a negative factor
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(n);
        const QString fmt = QStringLiteral("缩放%1支票").arg(n++);
        InsertPara(fmt, 10, 10, 200, 90, c.color, "True|False|0|0|0|0|0|False|");
        InsertText(fmt, "甲", 10, 10, {{"fSize", 10.5}});
        InsertText(fmt, "乙", 10, 20, {{"fSize", 12}});
        m_screenWidth = c.screen;
        ASSERT_TRUE(LoadFmtPara(m_ctx, fmt));
        EXPECT_NEAR(m_ctx.FmtZoom(), c.zoom, 1e-12);
        FlexGridModel g;
        ASSERT_TRUE(LoadFmtToGrid(m_ctx, g, fmt));
        ASSERT_EQ(g.Rows(), 4);
        EXPECT_EQ(g.TextMatrix(2, ColFSize), QString::fromUtf8(c.size105));
        EXPECT_EQ(g.TextMatrix(3, ColFSize), QString::fromUtf8(c.size12));
    }
}

TEST_F(FmtStoreTest, WholeFormatRowSetsSizeMarginsAndSwitches)
{
    InsertPara("甲支票", 7.1, 8, 210, 95.5, 15360, "True|False|1|0|0|1|0|True|");
    ASSERT_TRUE(LoadFmtPara(m_ctx, "甲支票"));
    EXPECT_EQ(m_ctx.Wid(), "210");
    EXPECT_EQ(m_ctx.Hie(), "95.5");
    EXPECT_EQ(m_ctx.MarginX(), "2.9"); // 15 significant digits, not 2.9000000000000004
    EXPECT_EQ(m_ctx.MarginY(), "2");
    EXPECT_TRUE(m_ctx.SetPaper());
    EXPECT_FALSE(m_ctx.DiTuPrint());
    EXPECT_TRUE(m_ctx.PrintRulers());
    const int o2[] = {1, 0, 0, 1, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(m_ctx.O2(i), o2[i]) << i;
}

TEST_F(FmtStoreTest, SwitchItemsNeedEightItems)
{
    struct Case
    {
        const char *mem;
        bool setPaper, diTu, rulers;
        int o2_0, o2_4;
    };
    // Starting from all switches off except the rulers, and O2 = 0 0 0 0 1.
    const Case cases[] = {
        {"TRUE|true|1|1|1|1|0|TRUE|", true, true, true, 1, 0},
        {"True|False|1|0|0|1|0", false, false, true, 0, 1},      // seven items: nothing changes
        {"True|False|1|0|0|1|0|", true, false, false, 1, 0},     // item 7 is "", unchecked
        {"True|False|x|0|0|1|1|True|", true, false, true, 0, 1}, // "x" leaves O2(0)
        {"", false, false, true, 0, 1},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mem);
        const QString fmt = QStringLiteral("开关%1支票").arg(n++);
        InsertPara(fmt, 9, 9, 100 + n, 50, 15360, QString::fromUtf8(c.mem));
        m_ctx.SetSwitches(false, false, true);
        for (int i = 0; i < 5; ++i)
            m_ctx.SetO2(i, i == 4 ? 1 : 0);
        ASSERT_TRUE(LoadFmtPara(m_ctx, fmt));
        EXPECT_EQ(m_ctx.Wid(), QString::number(100 + n)); // the size is always taken
        EXPECT_EQ(m_ctx.SetPaper(), c.setPaper);
        EXPECT_EQ(m_ctx.DiTuPrint(), c.diTu);
        EXPECT_EQ(m_ctx.PrintRulers(), c.rulers);
        EXPECT_EQ(m_ctx.O2(0), c.o2_0);
        EXPECT_EQ(m_ctx.O2(4), c.o2_4);
    }
}

TEST_F(FmtStoreTest, FormatWithoutWholeFormatRowKeepsThePreviousSettingsButNotTheFactor)
{
    InsertText("无参数支票", "甲", 1, 2);
    m_ctx.SetPageSize("180", "50");
    m_ctx.SetMargins("1", "2");
    m_ctx.SetFmtZoom(1.5);
    m_ctx.SetO2(3, 1);
    EXPECT_FALSE(LoadFmtPara(m_ctx, "无参数支票"));
    EXPECT_EQ(m_ctx.Wid(), "180");
    EXPECT_EQ(m_ctx.MarginY(), "2");
    EXPECT_EQ(m_ctx.O2(3), 1);
    EXPECT_EQ(m_ctx.FmtZoom(), 1.0);
}

TEST_F(FmtStoreTest, NamesWithQuotesAreValuesNotSql)
{
    const QString name = QStringLiteral("O'Brien's 支票");
    InsertPara(name, 8, 8, 150, 70, 15360, "False|False|0|0|0|0|0|False|");
    InsertText(name, "它's", 1, 2);
    ASSERT_TRUE(LoadFmtPara(m_ctx, name));
    EXPECT_EQ(m_ctx.Wid(), "150");
    FlexGridModel g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g, name));
    ASSERT_EQ(g.Rows(), 3);
    EXPECT_EQ(g.TextMatrix(2, ColLBL), "它's");
    ASSERT_TRUE(SaveFmtState(m_ctx, name));
    EXPECT_EQ(LoadFmtState(m_ctx), name);
    EXPECT_TRUE(m_messages->messages.isEmpty());
}

TEST_F(FmtStoreTest, StateRowNamesTheLastFormatAndThreeOptions)
{
    m_ctx.SetO2(0, 1);
    m_ctx.SetO2(1, 0);
    m_ctx.SetO2(2, 0);
    ASSERT_TRUE(SaveFmtState(m_ctx, "A支票"));
    EXPECT_EQ(Sqlite3("SELECT LBL || '/' || fName FROM Fmt WHERE Fmt=''"), "A支票/1§☆§0§☆§0");
    m_ctx.SetO2(0, 0);
    m_ctx.SetO2(2, 1);
    EXPECT_EQ(LoadFmtState(m_ctx), "A支票");
    EXPECT_EQ(m_ctx.O2(0), 1);
    EXPECT_EQ(m_ctx.O2(2), 0);

    ASSERT_TRUE(ExecSQL("UPDATE Fmt SET fName=? WHERE Fmt=''", {QStringLiteral("0§☆§1")}));
    m_ctx.SetO2(2, 1);
    LoadFmtState(m_ctx);
    EXPECT_EQ(m_ctx.O2(0), 0);
    EXPECT_EQ(m_ctx.O2(1), 1);
    EXPECT_EQ(m_ctx.O2(2), 1); // not named, unchanged

    ASSERT_TRUE(ExecSQL("UPDATE Fmt SET LBL=NULL, fName=NULL WHERE Fmt=''"));
    EXPECT_EQ(LoadFmtState(m_ctx), "");
}

TEST_F(FmtStoreTest, WithoutStateRowNothingIsKeptOrInserted)
{
    ASSERT_TRUE(ExecSQL("DELETE FROM Fmt WHERE Fmt=''"));
    m_ctx.SetO2(0, 1);
    EXPECT_EQ(LoadFmtState(m_ctx), "");
    EXPECT_EQ(m_ctx.O2(0), 1);
    SaveFmtState(m_ctx, "乙支票");
    EXPECT_EQ(Sqlite3("SELECT COUNT(*) FROM Fmt WHERE Fmt=''"), "0");
}

TEST_F(FmtStoreTest, FieldGridHasTheFormatsFieldRowsInKindAndIdOrder)
{
    const qint64 line = Insert("格式甲", {{"LBL", "线条"}, {"Clas", 3}, {"Dir", 1}, {"X", 1}});
    const qint64 t1 = InsertText("格式甲", "收款人", 10, 10, {{"Dir", 2}});
    const qint64 label = Insert("格式甲", {{"LBL", "标题"}, {"Clas", 4}, {"Dir", 3}});
    const qint64 t2 = InsertText("格式甲", "", 20, 20, {{"Dir", 7}});
    InsertPara("格式甲", 10, 10, 200, 80, 15360, "True|False|0|0|0|0|0|False|");
    InsertText("格式乙", "别的", 1, 1);
    FlexGridModel g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g, "格式甲"));
    EXPECT_EQ(g.Cols(), 23);
    EXPECT_EQ(g.FixedRows(), 2);
    EXPECT_EQ(g.FixedCols(), 2);
    EXPECT_EQ(g.Tag(), "Fmt");
    for (int c = 0; c < 23; ++c) {
        EXPECT_EQ(g.TextMatrix(0, c), FmtFieldNames()[c]);
        EXPECT_EQ(g.TextMatrix(1, c), FmtFieldCaptions()[c]);
    }
    EXPECT_EQ(g.TextMatrix(1, 4), "横向位置(毫米)");
    ASSERT_EQ(g.Rows(), 6);
    const qint64 order[] = {t1, t2, line, label};
    const char *dirs[] = {"右边", "", "左边", "下方"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g.TextMatrix(2 + i, ColID), QString::number(order[i]));
        EXPECT_EQ(g.TextMatrix(2 + i, ColNo), QString::number(i + 1));
        EXPECT_EQ(g.TextMatrix(2 + i, ColDir), QString::fromUtf8(dirs[i]));
    }
    EXPECT_EQ(g.ColWidth(ColID), 900);
    EXPECT_FALSE(g.Sortable());
    EXPECT_EQ(g.headerData(ColLBL, Qt::Horizontal, Qt::DisplayRole).toString(), "标签内容");
}

TEST_F(FmtStoreTest, SavingDeletesExactlyTheRemovedRowAndWritesANewWholeFormatRow)
{
    const qint64 a = InsertText("保存支票", "甲", 10, 10);
    const qint64 b = InsertText("保存支票", "乙", 20, 10);
    const qint64 c = InsertText("保存支票", "丙", 30, 10);
    const qint64 para = InsertPara("保存支票", 10, 10, 200, 80, 15360, "x");
    const QString other = FmtRows("进账单");
    ASSERT_FALSE(other.isEmpty());
    m_ctx.SetFormatName("保存支票");
    m_ctx.SetPageSize("210", "99");
    m_ctx.SetMargins("2.9", "1");
    m_ctx.SetO2(0, 1);
    m_screenWidth = 19200;
    FlexGridModel g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g));
    int first = 3, last = 3;
    ASSERT_TRUE(DeleteGridRows(g, first, last, false));
    g.SetTextMatrix(3, ColX, "33.5");
    ASSERT_TRUE(SaveGridToFmt(m_ctx, g));
    EXPECT_EQ(Sqlite3(QStringLiteral("SELECT group_concat(ID) FROM (SELECT ID FROM Fmt WHERE "
                                     "Fmt='保存支票' AND LBL<>'%1' ORDER BY ID)")
                          .arg(Marker())),
              QStringLiteral("%1,%2").arg(a).arg(c));
    Q_UNUSED(b);
    EXPECT_EQ(Sqlite3(QStringLiteral("SELECT X FROM Fmt WHERE ID=%1").arg(c)), "33.5");
    const QString paraRow =
        Sqlite3(QStringLiteral("SELECT COUNT(*) || ' ' || MAX(ID) || ' ' || MAX(Color) || ' ' || "
                               "MAX(X) || ' ' || MAX(W) || ' ' || MAX(H) || ' ' || MAX(Mem) "
                               "FROM Fmt WHERE Fmt='保存支票' AND LBL='%1'")
                    .arg(Marker()));
    const QStringList parts = paraRow.split(u' ');
    ASSERT_EQ(parts.size(), 7) << paraRow.toStdString();
    EXPECT_EQ(parts[0], "1");
    EXPECT_GT(parts[1].toLongLong(), para);
    EXPECT_EQ(parts[2], "19200");
    EXPECT_EQ(parts[3], "7.1");
    EXPECT_EQ(parts[4], "210.0");
    EXPECT_EQ(parts[5], "99.0");
    EXPECT_EQ(parts[6], "False|False|1|0|0|0|0|False|");
    EXPECT_EQ(FmtRows("进账单"), other); // another format is untouched
    EXPECT_EQ(GetCellColor(g, 2, 4, true), 0u);
}

TEST_F(FmtStoreTest, EmptyNameIsRefused)
{
    FlexGridModel g;
    ASSERT_TRUE(InitGridCols(g, FmtFieldNames(), FmtFieldCaptions()));
    const QString before = Sqlite3("SELECT * FROM Fmt ORDER BY ID");
    EXPECT_FALSE(SaveGridToFmt(m_ctx, g, ""));
    EXPECT_EQ(m_messages->messages, QStringList({"格式名称为空，不能保存格式！"}));
    EXPECT_EQ(Sqlite3("SELECT * FROM Fmt ORDER BY ID"), before);
}

TEST_F(FmtStoreTest, AFailurePartWayLeavesThePreviousFormatExactly)
{
    InsertText("中断支票", "甲", 10, 10);
    const qint64 b = InsertText("中断支票", "乙", 20, 10, {{"RCtl", 0}});
    InsertText("中断支票", "丙", 30, 10);
    InsertPara("中断支票", 10, 10, 200, 80, 15360, "True|False|0|0|0|0|0|False|");
    m_ctx.SetFormatName("中断支票");
    FlexGridModel g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g));
    // Remove the first field, change the others, and add a new one that links to field b.
    int first = 2, last = 2;
    ASSERT_TRUE(DeleteGridRows(g, first, last, false));
    g.SetTextMatrix(2, ColX, "99");
    g.SetRows(g.Rows() + 1);
    const int added = g.Rows() - 1;
    for (int c = 0; c < g.Cols(); ++c)
        g.SetTextMatrix(added, c, g.TextMatrix(2, c));
    g.SetTextMatrix(added, ColID, "");
    g.SetTextMatrix(added, ColLBL, "炸");
    g.SetTextMatrix(added, ColRCtl, QString::number(b));
    const QStringList gridBefore = gridtest::Dump(g);
    const QString dbBefore = Sqlite3(".dump Fmt");
    // The new record is refused by the database: the save stops after the delete pass and two
    // written rows.
    ASSERT_TRUE(ExecSQL("CREATE TRIGGER boom BEFORE INSERT ON Fmt WHEN NEW.LBL='炸' "
                        "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    EXPECT_FALSE(SaveGridToFmt(m_ctx, g));
    ASSERT_TRUE(ExecSQL("DROP TRIGGER boom"));
    EXPECT_EQ(Sqlite3(".dump Fmt"), dbBefore);
    EXPECT_EQ(gridtest::Dump(g), gridBefore);
    ASSERT_FALSE(m_messages->messages.isEmpty());
    EXPECT_EQ(m_messages->messages.last(), "保存格式“中断支票”失败，数据库中的格式未作改动！");
    // Once the database accepts it, the same grid saves.
    EXPECT_TRUE(SaveGridToFmt(m_ctx, g));
    EXPECT_EQ(Sqlite3("SELECT COUNT(*) FROM Fmt WHERE Fmt='中断支票'"), "4");
}

TEST_F(FmtStoreTest, SavingUnderANewNameRenumbersLinksInOnePass)
{
    const qint64 a = InsertText("源支票", "金额", 10, 10);
    const qint64 b = InsertText("源支票", "大写", 10, 20);
    const qint64 c = InsertText("源支票", "合计", 10, 30);
    // Links before and after their targets, both signs, sums with the negate tenth.
    ASSERT_TRUE(ExecSQL("UPDATE Fmt SET RCtl=?, SumID=?, SumID1=?, RCtl1=? WHERE ID=?",
                        {double(b), -(double(c) + 0.1), double(c), -b, a}));
    ASSERT_TRUE(ExecSQL("UPDATE Fmt SET RCtl=?, SumID=?, SumID1=?, RCtl1=? WHERE ID=?",
                        {-double(a), double(c) + 0.1, 0, 5, b}));
    ASSERT_TRUE(ExecSQL("UPDATE Fmt SET RCtl=?, SumID=?, SumID1=? WHERE ID=?",
                        {double(a), 0, -(double(b)), c}));
    FlexGridModel g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g, "源支票"));
    ASSERT_TRUE(SaveGridToFmt(m_ctx, g, "新支票"));
    const qint64 na = g.TextMatrix(2, ColID).toLongLong();
    const qint64 nb = g.TextMatrix(3, ColID).toLongLong();
    const qint64 nc = g.TextMatrix(4, ColID).toLongLong();
    EXPECT_GT(na, c);
    EXPECT_NE(na, nb);
    auto expectRow = [&](qint64 id, const QString &links) {
        EXPECT_EQ(Sqlite3(QStringLiteral("SELECT RCtl || ' ' || SumID || ' ' || SumID1 || ' ' || "
                                         "RCtl1 FROM Fmt WHERE ID=%1")
                              .arg(id)),
                  links)
            << id;
    };
    expectRow(na, QStringLiteral("%1.0 %2.1 %3.0 %4").arg(nb).arg(-nc).arg(nc).arg(-nb));
    expectRow(nb, QStringLiteral("%1.0 %2.1 0.0 5").arg(-na).arg(nc));
    expectRow(nc, QStringLiteral("%1.0 0.0 %2.0 0").arg(na).arg(-nb));
    // The grid holds the same links.
    EXPECT_EQ(g.TextMatrix(2, ColSumID), QStringLiteral("%1.1").arg(-nc));
    EXPECT_EQ(g.TextMatrix(3, ColRCtl1), "5");
    // The source format is untouched, and a reload gives back the saved grid.
    EXPECT_EQ(Sqlite3("SELECT COUNT(*) FROM Fmt WHERE Fmt='源支票'"), "3");
    FlexGridModel again;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, again, "新支票"));
    EXPECT_EQ(gridtest::Dump(again), gridtest::Dump(g));
}

TEST(TranslateLinkTest, WholeValuesSignsAndTheNegateTenth)
{
    struct Case
    {
        const char *cell;
        bool sum;
        const char *out;
    };
    const Case cases[] = {
        {"40", false, "731"},    {"-40", false, "-731"},    {"40.0", true, "731"},
        {"40.1", true, "731.1"}, {"-40.1", true, "-731.1"}, {"40.1", false, "40.1"},
        {"0", true, "0"},        {"5", true, "5"},          {"", true, ""},
        {"abc", true, "abc"},    {"400", true, "400"},      {"40.2", true, "40.2"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TranslateLink(QString::fromUtf8(c.cell), 40, 731, c.sum),
                  QString::fromUtf8(c.out))
            << c.cell;
    EXPECT_EQ(TranslateLink("2.1", 2, 731, true), "731.1");
    EXPECT_EQ(TranslateLink("731", 731, 731, false), "731");
}

TEST_F(FmtStoreTest, EveryKindSavedAndLoadedGivesTheSameRows)
{
    const QString fmt = "全类支票";
    const qint64 t = InsertText(fmt, "0012", 20.019, 10.5,
                                {{"Dir", 2},
                                 {"S", 1.25},
                                 {"L", -1003.5},
                                 {"Color", 0x3366CC},
                                 {"fName", "黑体"},
                                 {"fSize", 12.5},
                                 {"fBold", 1},
                                 {"fUnderline", 1},
                                 {"Cash", 114.11}});
    const qint64 fixed = InsertText(fmt, "", 30, 40, {{"Mem", "固定\r\n文字"}});
    const qint64 ck = Insert(fmt, {{"LBL", "同意"},
                                   {"Clas", 1},
                                   {"X", 5.005},
                                   {"Y", 6},
                                   {"W", 4.498},
                                   {"H", 4.498},
                                   {"Dir", 1},
                                   {"fSize", 9},
                                   {"fItalic", 1}});
    const qint64 pic = Insert(fmt, {{"LBL", "条码"},
                                    {"Clas", 2},
                                    {"X", 50},
                                    {"Y", 60},
                                    {"W", 40},
                                    {"H", 15},
                                    {"Dir", 3},
                                    {"Color", 0x00FF00}});
    Insert(fmt, {{"LBL", "线条"},
                 {"Clas", 3},
                 {"X", 1},
                 {"Y", 2.5},
                 {"W", 100.125},
                 {"H", 2.5},
                 {"fName", "宋体"},
                 {"fSize", 2},
                 {"Cash", 3},
                 {"Color", 0x0000FF}});
    Insert(fmt, {{"LBL", "标题文字"},
                 {"Clas", 4},
                 {"X", 70},
                 {"Y", 3},
                 {"W", 60},
                 {"H", 8},
                 {"L", 2000},
                 {"fSize", 16},
                 {"fStrikethru", 1}});
    ASSERT_TRUE(ExecSQL("UPDATE Fmt SET RCtl=?, SumID=?, SumID1=?, RCtl1=? WHERE ID=?",
                        {double(ck), -(double(pic) + 0.1), double(fixed) + 0.1, -ck, t}));
    FlexGridModel g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g, fmt));
    const QStringList loaded = gridtest::Dump(g);
    EXPECT_EQ(g.TextMatrix(2, ColLBL), "0012");
    EXPECT_EQ(g.TextMatrix(2, ColX), "20.019");
    EXPECT_EQ(g.TextMatrix(2, ColL), "-1003.5");
    EXPECT_EQ(g.TextMatrix(2, ColBold), "√");
    EXPECT_EQ(g.TextMatrix(2, ColItalic), "");
    EXPECT_EQ(g.CellBackColor(2, ColColor), 0x3366CCu);
    ASSERT_TRUE(SaveGridToFmt(m_ctx, g, fmt));
    EXPECT_EQ(gridtest::Dump(g), loaded); // saving an unchanged format renumbers nothing
    FlexGridModel again;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, again, fmt));
    EXPECT_EQ(gridtest::Dump(again), loaded);
    EXPECT_EQ(Sqlite3(QStringLiteral("SELECT Mem FROM Fmt WHERE ID=%1").arg(fixed)),
              "固定\r\n文字");
    EXPECT_EQ(
        Sqlite3(QStringLiteral("SELECT typeof(LBL) || ' ' || LBL FROM Fmt WHERE ID=%1").arg(t)),
        "text 0012");
}

TEST_F(FmtStoreTest, CellsThatAreNoNumberLeaveTheStoredValue)
{
    const qint64 id = InsertText("垃圾支票", "甲", 12.5, 7, {{"Cash", 104}});
    FlexGridModel g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g, "垃圾支票"));
    g.SetTextMatrix(2, ColX, "abc");
    g.SetTextMatrix(2, ColY, "");
    g.SetTextMatrix(2, ColCash, "12x");
    g.SetTextMatrix(2, ColW, " 41 ");
    ASSERT_TRUE(SaveGridToFmt(m_ctx, g, "垃圾支票"));
    EXPECT_EQ(Sqlite3(QStringLiteral("SELECT typeof(X) || X || ' ' || Y || ' ' || Cash || ' ' || W "
                                     "FROM Fmt WHERE ID=%1")
                          .arg(id)),
              "real12.5 7.0 104.0 41.0");
}

TEST_F(FmtStoreTest, TwoRowsWithOneIdKeepBothFields)
{
    const qint64 id = InsertText("重复支票", "甲", 1, 1);
    FlexGridModel g;
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, g, "重复支票"));
    g.SetRows(4);
    for (int c = 0; c < g.Cols(); ++c)
        g.SetTextMatrix(3, c, g.TextMatrix(2, c));
    g.SetTextMatrix(3, ColLBL, "乙");
    ASSERT_TRUE(SaveGridToFmt(m_ctx, g, "重复支票"));
    EXPECT_EQ(g.TextMatrix(2, ColID), QString::number(id));
    EXPECT_NE(g.TextMatrix(3, ColID), QString::number(id));
    EXPECT_EQ(Sqlite3(QStringLiteral("SELECT group_concat(LBL) FROM (SELECT LBL FROM Fmt WHERE "
                                     "Fmt='重复支票' AND LBL<>'%1' ORDER BY ID)")
                          .arg(Marker())),
              "甲,乙");
}

TEST_F(FmtStoreTest, WholeFormatRowIsUpdatedInPlaceOrInserted)
{
    m_ctx.SetSwitches(true, true, false);
    m_ctx.SetO2(4, 1);
    ASSERT_TRUE(SaveFmtPara(m_ctx, "200", "abc", 7.5, 8, "参数支票"));
    const QString first =
        Sqlite3(QStringLiteral("SELECT ID || ' ' || W || ' ' || ifnull(H, 'null') "
                               "|| ' ' || Mem FROM Fmt WHERE LBL='%1' AND "
                               "Fmt='参数支票'")
                    .arg(Marker()));
    const QString id = first.section(u' ', 0, 0);
    EXPECT_EQ(first.section(u' ', 1), "200.0 null True|True|0|0|0|0|1|False|");
    ASSERT_TRUE(SaveFmtPara(m_ctx, "210", "99", 7.5, 8, "参数支票"));
    EXPECT_EQ(Sqlite3(QStringLiteral("SELECT group_concat(ID || ' ' || W || ' ' || H) FROM Fmt "
                                     "WHERE LBL='%1' AND Fmt='参数支票'")
                          .arg(Marker())),
              id + " 210.0 99.0");
}
