// The print history: numbers, saving, the history grid, reprint, deletion and the look-ups of
// typing and calculation. Stored rows are read back with the sqlite3 client.

#include "history_fixture.h"

#include "store/model/gridbind.h"
#include "store/model/history.h"

using namespace store;

using histtest::History;

TEST_F(History, PrintNumbersCountPerFormat)
{
    MakeFormat();
    m_page.SetValue(m_text, "甲");
    EXPECT_EQ(SaveHistory(m_ctx, "A"), 1);
    EXPECT_EQ(SaveHistory(m_ctx, "A"), 2);
    EXPECT_EQ(SaveHistory(m_ctx, "A"), 3);
    EXPECT_EQ(SaveHistory(m_ctx, "B"), 1);
    EXPECT_EQ(Sqlite3("SELECT group_concat(ID, ',') FROM (SELECT DISTINCT ID FROM 历史 "
                      "WHERE Fmt='A' ORDER BY ID)"),
              "1,2,3");
    // Gaps: the next number follows the largest.
    Store("C", 1, 1, "x");
    Store("C", 2, 1, "x");
    Store("C", 5, 1, "x");
    EXPECT_EQ(NextPrintNumber("C"), 6);
    EXPECT_EQ(NextPrintNumber("没有"), 1);
}

TEST_F(History, OnePrintWritesOneRowPerValue)
{
    MakeFormat();
    m_page.SetValue(m_text, "a");
    m_page.SetValue(m_text2, "b");
    m_page.SetValue(m_check, "1");
    m_page.SetValue(m_pic, "");
    ASSERT_EQ(SaveHistory(m_ctx, "A"), 1);
    EXPECT_EQ(Sqlite3("SELECT count(*), count(DISTINCT ID), min(ID) FROM 历史 WHERE Fmt='A'"),
              "3|1|1");
    EXPECT_EQ(Sqlite3(QString("SELECT Con FROM 历史 WHERE CID=%1").arg(m_check)), "1");

    // Nothing to record: no row, and the next print takes the same number.
    for (auto &[index, f] : m_page.fields)
        f.value.clear();
    EXPECT_EQ(SaveHistory(m_ctx, "A"), 0);
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 历史 WHERE Fmt='A'"), "3");
    m_page.SetValue(m_pic, "logo.jpg");
    EXPECT_EQ(SaveHistory(m_ctx, "A"), 2);
    // An unticked box (0) is no value.
    m_page.fields.clear();
    m_page.Add(1, m_check, "0");
    EXPECT_EQ(SaveHistory(m_ctx, "A"), 0);
}

TEST_F(History, ValuesAreStoredExactly)
{
    MakeFormat();
    const QStringList values = {"甲\r\n乙", "O'Brien \"X\"", "50%", "a_b", "\\_%"};
    for (const QString &v : values) {
        m_page.SetValue(m_text, v);
        ASSERT_GT(SaveHistory(m_ctx, "A"), 0) << v.toStdString();
    }
    EXPECT_EQ(Sqlite3("SELECT hex(Con) FROM 历史 WHERE ID=1"),
              QString::fromLatin1(QString("甲\r\n乙").toUtf8().toHex().toUpper()));
    for (int i = 1; i < values.size(); ++i)
        EXPECT_EQ(Sqlite3(QString("SELECT Con FROM 历史 WHERE ID=%1").arg(i + 1)), values[i]);
}

TEST_F(History, FailedPrintWritesNothing)
{
    MakeFormat();
    // The second value of the print is refused by the database: the first goes too.
    ASSERT_TRUE(ExecSQL("CREATE TRIGGER no_b BEFORE INSERT ON 历史 WHEN NEW.Con='b' "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    m_page.SetValue(m_text, "a");
    m_page.SetValue(m_text2, "b");
    EXPECT_EQ(SaveHistory(m_ctx, "A"), 0);
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 历史"), "0");
    ASSERT_FALSE(m_messages->messages.isEmpty());
    EXPECT_TRUE(m_messages->messages.last().startsWith("数据库打开错误("));
}

TEST_F(History, GridShowsPrintsNewestFirst)
{
    MakeFormat();
    for (int p = 1; p <= 3; ++p) {
        Store("A", p, qint32(m_text), QString("收%1").arg(p));
        Store("A", p, qint32(m_text2), QString("用%1").arg(p));
        Store("A", p, qint32(m_check), "1");
        Store("A", p, qint32(m_pic), QString("码%1").arg(p));
    }
    Store("B", 9, qint32(m_text), "别的格式");
    const auto more = LoadHistoryToGrid(m_grid, "A", kHistoryTabLimit);
    ASSERT_TRUE(more.has_value());
    EXPECT_FALSE(*more);
    EXPECT_EQ(m_grid.FixedRows(), 2);
    EXPECT_EQ(m_grid.FixedCols(), 2);
    EXPECT_EQ(m_grid.TextMatrix(1, 1), "序号");
    EXPECT_EQ(m_grid.Tag(), "A|300");
    EXPECT_EQ(m_grid.ColWidth(0), 0);
    EXPECT_EQ(m_grid.RowHeight(0), 0);
    // One column per text, check and picture field, in ascending ID, captions in row 1.
    ASSERT_EQ(m_grid.Cols(), 6);
    EXPECT_EQ(m_grid.TextMatrix(0, 2), QString::number(m_text));
    EXPECT_EQ(m_grid.TextMatrix(1, 2), "收款人");
    EXPECT_EQ(m_grid.TextMatrix(1, 5), "条码");
    EXPECT_EQ(Column(0), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(Column(1), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(Column(ColumnOf(m_text)), (QStringList{"收3", "收2", "收1"}));
    EXPECT_EQ(Column(ColumnOf(m_check)), (QStringList{"1", "1", "1"}));
}

TEST_F(History, LimitCountsPrintsSoTheOldestShownIsComplete)
{
    MakeFormat();
    for (int p = 1; p <= 301; ++p) {
        Store("A", p, qint32(m_text), QString("收%1").arg(p));
        Store("A", p, qint32(m_text2), QString("用%1").arg(p));
    }
    const auto more = LoadHistoryToGrid(m_grid, "A", kHistoryTabLimit);
    ASSERT_TRUE(more.has_value());
    EXPECT_TRUE(*more);
    ASSERT_EQ(m_grid.Rows() - m_grid.FixedRows(), 300);
    const int last = m_grid.Rows() - 1;
    EXPECT_EQ(m_grid.TextMatrix(last, 0), "2");
    EXPECT_EQ(m_grid.TextMatrix(last, ColumnOf(m_text)), "收2");
    EXPECT_EQ(m_grid.TextMatrix(last, ColumnOf(m_text2)), "用2");
    // "显示全部".
    const auto all = LoadHistoryToGrid(m_grid, "A", 0);
    ASSERT_TRUE(all.has_value());
    EXPECT_FALSE(*all);
    EXPECT_EQ(m_grid.Rows() - m_grid.FixedRows(), 301);
    EXPECT_EQ(m_grid.TextMatrix(m_grid.Rows() - 1, 0), "1");
    // Exactly the limit: nothing more to show.
    ASSERT_TRUE(ExecSQL("DELETE FROM 历史 WHERE ID=1"));
    ClearHistoryCache(m_grid);
    EXPECT_EQ(LoadHistoryToGrid(m_grid, "A", kHistoryTabLimit), std::optional<bool>(false));
}

TEST_F(History, ValueOfADeletedFieldIsNotShown)
{
    MakeFormat();
    Store("A", 1, qint32(m_text), "甲");
    Store("A", 1, 99999, "没有此输入框");
    LoadHistoryToGrid(m_grid, "A", 300);
    ASSERT_EQ(m_grid.Rows(), 3);
    for (int c = 0; c < m_grid.Cols(); ++c)
        EXPECT_NE(m_grid.TextMatrix(2, c), "没有此输入框");
    EXPECT_EQ(m_grid.TextMatrix(2, ColumnOf(m_text)), "甲");
}

TEST_F(History, SameFormatAndLimitIsNotLoadedAgain)
{
    MakeFormat();
    Store("A", 1, qint32(m_text), "甲");
    ASSERT_TRUE(LoadHistoryToGrid(m_grid, "A", 300).has_value());
    Store("A", 2, qint32(m_text), "乙");
    EXPECT_FALSE(LoadHistoryToGrid(m_grid, "A", 300).has_value());
    EXPECT_EQ(m_grid.Rows(), 3);
    // After a print the tag is emptied and the table is read again.
    ClearHistoryCache(m_grid);
    EXPECT_TRUE(LoadHistoryToGrid(m_grid, "A", 300).has_value());
    EXPECT_EQ(m_grid.Rows(), 4);
    EXPECT_TRUE(LoadHistoryToGrid(m_grid, "A", 0).has_value());
    EXPECT_TRUE(LoadHistoryToGrid(m_grid, "B", 0).has_value());
    EXPECT_EQ(m_grid.Rows(), 2);
}

TEST_F(History, FormatNameWithTheSeparatorKeepsItsCache)
{
    MakeFormat("A|B");
    Store("A|B", 1, qint32(m_text), "甲");
    ASSERT_TRUE(LoadHistoryToGrid(m_grid, "A|B", 300).has_value());
    QString fmt;
    int limit = -1;
    ASSERT_TRUE(HistoryGridKey(m_grid, fmt, limit));
    EXPECT_EQ(fmt, "A|B");
    EXPECT_EQ(limit, 300);
    EXPECT_FALSE(LoadHistoryToGrid(m_grid, "A|B", 300).has_value());
}

TEST_F(History, DeletingRowsAsksAndRemovesThosePrints)
{
    MakeFormat();
    for (int p = 1; p <= 5; ++p)
        Store("A", p, qint32(m_text), QString("收%1").arg(p));
    LoadHistoryToGrid(m_grid, "A", 300);
    // Rows 2 and 3 hold prints 4 and 3.
    m_grid.SetRow(3);
    m_grid.SetRowSel(4);
    m_messages->answer = false;
    EXPECT_FALSE(DeleteHistoryRows(m_grid));
    EXPECT_EQ(m_messages->messages.last(), "您确定要删除第2至第3行？");
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 历史"), "5");
    m_messages->answer = true;
    m_grid.SetRow(4);
    m_grid.SetRowSel(3);
    EXPECT_TRUE(DeleteHistoryRows(m_grid));
    EXPECT_EQ(Sqlite3("SELECT group_concat(ID, ',') FROM (SELECT ID FROM 历史 ORDER BY ID)"),
              "1,2,5");
    EXPECT_EQ(Column(1), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(Column(0), (QStringList{"5", "2", "1"}));
}

TEST_F(History, DeletionHitsTheFormatTheGridShows)
{
    MakeFormat();
    Store("A", 1, qint32(m_text), "甲");
    Store("B", 1, qint32(m_text), "乙");
    LoadHistoryToGrid(m_grid, "A", 300);
    // A print empties the tag; the open format may have changed meanwhile.
    ClearHistoryCache(m_grid);
    m_ctx.SetFormatName("B");
    m_grid.SetRow(2);
    EXPECT_TRUE(DeleteHistoryRows(m_grid));
    EXPECT_EQ(Sqlite3("SELECT Fmt FROM 历史"), "B");
}

TEST_F(History, DeleteAllAsksForEveryRow)
{
    MakeFormat();
    for (int p = 1; p <= 4; ++p)
        Store("A", p, qint32(m_text), "x");
    LoadHistoryToGrid(m_grid, "A", 300);
    EXPECT_TRUE(DeleteAllHistory(m_grid));
    EXPECT_EQ(m_messages->messages.last(), "您确定要删除第1至第4行？");
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 历史"), "0");
    EXPECT_EQ(m_grid.Rows(), m_grid.FixedRows());
    EXPECT_FALSE(DeleteAllHistory(m_grid));
}

TEST_F(History, FailedDeletionKeepsRowsAndTells)
{
    MakeFormat();
    Store("A", 1, qint32(m_text), "x");
    Store("A", 2, qint32(m_text), "y");
    LoadHistoryToGrid(m_grid, "A", 300);
    ASSERT_TRUE(ExecSQL("CREATE TRIGGER keep1 BEFORE DELETE ON 历史 WHEN OLD.ID=1 "
                        "BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    m_grid.SetRow(2);
    m_grid.SetRowSel(3);
    EXPECT_FALSE(DeleteHistoryRows(m_grid));
    EXPECT_EQ(m_messages->messages.last(), "删除历史记录失败！");
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 历史"), "2");
    EXPECT_EQ(m_grid.Rows(), 4);
}

namespace {

struct Reprints
{
    int tabs = 0, questions = 0, pages = 0, docs = 0;
    QString printer = "PDF";
    ReprintHooks hooks()
    {
        return {[this] { ++tabs; },
                [this] {
                    ++questions;
                    return printer;
                },
                [this] {
                    ++pages;
                    return true;
                },
                [this] {
                    ++docs;
                    return true;
                }};
    }
};

} // namespace

TEST_F(History, OnePrintSelectedIsOnlyFilledIn)
{
    MakeFormat();
    Store("A", 1, qint32(m_text), "甲\r\n乙");
    Store("A", 1, qint32(m_check), "1");
    LoadHistoryToGrid(m_grid, "A", 300);
    m_page.SetValue(m_text2, "留下前的值");
    m_page.SetValue(m_pic, "old.jpg");
    m_grid.SetRow(2);
    Reprints r;
    EXPECT_EQ(FillFromHistory(m_grid, m_page, r.hooks()), 1);
    EXPECT_EQ(m_page.ValueOf(m_text), "甲\r\n乙");
    EXPECT_EQ(m_page.ValueOf(m_check), "1");
    // An empty cell empties its field.
    EXPECT_EQ(m_page.ValueOf(m_text2), "");
    EXPECT_EQ(m_page.ValueOf(m_pic), "");
    EXPECT_EQ(r.tabs, 1);
    EXPECT_EQ(r.questions + r.pages + r.docs, 0);
}

TEST_F(History, SeveralPrintsAskOnceAndPrintEachAsItsOwnDocument)
{
    MakeFormat();
    for (int p = 1; p <= 3; ++p)
        Store("A", p, qint32(m_text), QString("收%1").arg(p));
    LoadHistoryToGrid(m_grid, "A", 300);
    m_grid.SetRow(4);
    m_grid.SetRowSel(2);
    Reprints r;
    r.printer.clear();
    m_page.SetValue(m_text, "不变");
    EXPECT_EQ(FillFromHistory(m_grid, m_page, r.hooks()), 0);
    EXPECT_EQ(r.questions, 1);
    EXPECT_EQ(r.pages, 0);
    EXPECT_EQ(m_page.ValueOf(m_text), "不变");

    r = Reprints{};
    EXPECT_EQ(FillFromHistory(m_grid, m_page, r.hooks()), 3);
    EXPECT_EQ(r.questions, 1);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(r.docs, 3);
    // The last row filled is the oldest selected print.
    EXPECT_EQ(m_page.ValueOf(m_text), "收1");
}

TEST_F(History, CompletionsAreExactPrefixes)
{
    MakeFormat();
    const struct
    {
        const char *con;
    } stored[] = {{"123"}, {"125"}, {"50%off"}, {"50x"},     {"a_b"},
                  {"axb"}, {"Abc"}, {"abc"},    {"O'Brien"}, {"123"}};
    int p = 1;
    for (const auto &s : stored)
        Store("A", p++, qint32(m_text), s.con);
    Store("B", 1, qint32(m_text), "12 其他格式");
    Store("A", p, qint32(m_text2), "12 其他输入框");
    const struct
    {
        const char *prefix;
        QStringList expected;
    } cases[] = {
        {"12", {"123", "125"}},
        {"123", {"123"}},
        {"50%", {"50%off"}},
        {"a_", {"a_b"}},
        {"a", {"a_b", "abc", "axb"}},
        {"A", {"Abc"}},
        {"O'B", {"O'Brien"}},
        {"%", {}},
        {"x", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HistoryCompletions("A", qint32(m_text), c.prefix, 5), c.expected) << c.prefix;
    EXPECT_EQ(HistoryCompletions("A", qint32(m_text), "", 2).size(), 2);
    EXPECT_TRUE(m_messages->messages.isEmpty());
}

TEST_F(History, LabelGroups)
{
    const struct
    {
        const char *label;
        const char *base;
        int member;
    } cases[] = {{"收款人_1", "收款人", 1},   {"收款人_2", "收款人", 2},
                 {"a_b_3", "a_b", 3},         {"收款人", "收款人", 0},
                 {"收款人_0", "收款人", 0},   {"收款人_0.5", "收款人", 0},
                 {"收款人_1.5", "收款人", 2}, {"x_", "x", 0}};
    for (const auto &c : cases) {
        const LabelGroup g = LabelGroupOf(c.label);
        EXPECT_EQ(g.base, c.base) << c.label;
        EXPECT_EQ(g.member, c.member) << c.label;
    }
}

TEST_F(History, FindByContentInTheFieldOrItsGroup)
{
    const qint64 own = InsertText("A", "用途", 1, 1);
    const qint64 name1 = InsertText("A", "收款人_1", 1, 1);
    const qint64 name2 = InsertText("A", "收款人_2", 1, 1);
    const qint64 account = InsertText("A", "收款人账号", 1, 1);
    const qint64 other = InsertText("B", "收款人_2", 1, 1);
    Store("A", 1, qint32(own), "货款");
    Store("A", 4, qint32(own), "货款");
    Store("A", 2, qint32(name2), "乙公司");
    Store("A", 3, qint32(account), "丙公司");
    Store("B", 7, qint32(other), "乙公司");
    Store("A", 5, qint32(own), "O'B \"X\"");
    int member = -1;
    EXPECT_EQ(FindHistoryByCon("A", qint32(own), "货款", member), 4);
    EXPECT_EQ(member, 0);
    EXPECT_EQ(FindHistoryByCon("A", qint32(own), "O'B \"X\"", member), 5);
    EXPECT_EQ(FindHistoryByCon("A", qint32(own), "货", member), 0);
    EXPECT_EQ(FindHistoryByCon("A", qint32(own), "", member), 0);
    // A member of the group finds the name printed in another member.
    EXPECT_EQ(FindHistoryByCon("A", qint32(name1), "乙公司", member), 2);
    EXPECT_EQ(member, 2);
    // "收款人账号" is no member of the group "收款人".
    EXPECT_EQ(FindHistoryByCon("A", qint32(name1), "丙公司", member), 0);
    // Another format's print of the same name does not count.
    ASSERT_TRUE(ExecSQL("DELETE FROM 历史 WHERE Fmt='A' AND ID=2"));
    EXPECT_EQ(FindHistoryByCon("A", qint32(name1), "乙公司", member), 0);
}

TEST_F(History, OnePrintWithItsLabels)
{
    MakeFormat();
    Store("A", 3, qint32(m_text), "甲");
    Store("A", 3, qint32(m_check), "1");
    Store("A", 4, qint32(m_text), "乙");
    const auto rows = LoadHistoryPrint("A", 3);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cid, m_text);
    EXPECT_EQ(rows[0].con, "甲");
    EXPECT_EQ(rows[0].lbl, "收款人");
    EXPECT_EQ(rows[1].lbl, "现金");
    EXPECT_TRUE(LoadHistoryPrint("A", 9).empty());
}
