// A grid row applied to its field and a field written back into its row.

#include "model_fixture.h"

#include "page/fieldvalue.h"
#include "store/model/gridbind.h"

#include <QLineEdit>

using namespace page;
using namespace store;
using modeltest::ModelTest;

namespace {

TextField *Text(PageField *f) { return static_cast<TextField *>(f); }

} // namespace

TEST_F(ModelTest, RowsOutsideTheDataRowsChangeNothing)
{
    AddRow(0, "甲", 20, 10);
    PageField *tt = Reload();
    const int left = tt->Left();
    m_grid->SetTextMatrix(1, ColX, "99");
    EXPECT_EQ(RowToCtl(*m_reg, *m_grid, m_grid->Rows(), tt), nullptr);
    EXPECT_EQ(RowToCtl(*m_reg, *m_grid, 1, tt), nullptr);
    EXPECT_EQ(RowToCtl(*m_reg, *m_grid, m_grid->Rows()), nullptr);
    EXPECT_EQ(tt->Left(), left);
}

TEST_F(ModelTest, RowGeometryInPageTwips)
{
    const int r = AddRow(0, "甲", 20, 10, 50, 8);
    PageField *tt = Reload();
    EXPECT_EQ(tt->Left(), 1080);
    EXPECT_EQ(tt->Top(), 540);
    EXPECT_EQ(tt->Width(), 2700);
    EXPECT_EQ(tt->Height(), 432);
    EXPECT_EQ(tt->Font().size, 10.5);
    EXPECT_EQ(tt->Widget()->geometry(), QRect(72, 36, 180, 29)); // 15 twips a pixel
    EXPECT_EQ(tt->Widget()->font().pointSizeF(), 10.5);
    // Whole twips, halves to even.
    m_grid->SetTextMatrix(r, ColX, "0.25");
    m_grid->SetTextMatrix(r, ColY, "0.75");
    RowToCtl(*m_reg, *m_grid, r);
    EXPECT_EQ(tt->Left(), 14);
    EXPECT_EQ(tt->Top(), 40);
    // A cell that is no number leaves its property.
    m_grid->SetTextMatrix(r, ColX, "abc");
    m_grid->SetTextMatrix(r, ColW, "");
    m_grid->SetTextMatrix(r, ColFSize, "x");
    RowToCtl(*m_reg, *m_grid, r);
    EXPECT_EQ(tt->Left(), 14);
    EXPECT_EQ(tt->Width(), 2700);
    EXPECT_EQ(tt->Font().size, 10.5);
}

TEST_F(ModelTest, ZoomedPageShowsZoomedFontsAndMovesWriteThemBackAtZoomOne)
{
    SetWidths(12474, 11340); // z = 1.1, s = 59.4
    const int r = AddRow(0, "甲", 20, 10, 50, 8);
    m_grid->SetTextMatrix(r, ColFSize, "10");
    PageField *tt = Reload();
    EXPECT_NEAR(tt->Font().size, 11, 1e-12);
    EXPECT_EQ(tt->Left(), 1188);
    EXPECT_EQ(tt->Height(), 475);
    tt->SetLeft(tt->Left() + 10); // one nudge
    EXPECT_EQ(CtlToRow(*m_reg, tt), r);
    EXPECT_EQ(m_grid->TextMatrix(r, ColX), "20.168");
    EXPECT_EQ(m_grid->TextMatrix(r, ColFSize), "10");
    EXPECT_EQ(m_grid->TextMatrix(r, ColH), "8"); // still lays out to 475 twips: kept
    tt->SetHeight(474);
    CtlToRow(*m_reg, tt);
    EXPECT_EQ(m_grid->TextMatrix(r, ColH), "7.98");
    FieldFont f = tt->Font();
    f.size = 12;
    tt->SetFont(f);
    CtlToRow(*m_reg, tt);
    EXPECT_EQ(m_grid->TextMatrix(r, ColFSize), "10.9090909090909");
}

TEST_F(ModelTest, TextBoxBorderAndAlignmentByContentKind)
{
    struct Case
    {
        const char *cash;
        int border;
        int alignment; // with column 9 holding centre
    };
    const Case cases[] = {{"0", 0, 2},      {"11", 1, 1},     {"311", 1, 1},  {"211", 1, 2},
                          {"300", 1, 2},    {"114.11", 0, 1}, {"121.02", 0, 1}, {"109", 0, 2}};
    const int r = AddRow(0, "甲");
    m_grid->SetTextMatrix(r, ColL, "2000");
    PageField *tt = Reload();
    for (const Case &c : cases) {
        m_grid->SetTextMatrix(r, ColCash, c.cash);
        RowToCtl(*m_reg, *m_grid, r);
        EXPECT_EQ(Text(tt)->BorderStyle(), c.border) << c.cash;
        EXPECT_EQ(tt->Alignment(), c.alignment) << c.cash;
        EXPECT_EQ(Text(tt)->Box()->hasFrame(), c.border == 1) << c.cash;
    }
    m_grid->SetTextMatrix(r, ColCash, "0");
    m_grid->SetTextMatrix(r, ColL, "-2003");
    RowToCtl(*m_reg, *m_grid, r);
    EXPECT_EQ(tt->Alignment(), 2);
    EXPECT_TRUE(Text(tt)->Box()->alignment() & Qt::AlignHCenter);
}

TEST_F(ModelTest, CheckBoxKeepsTheTemplateSizeYetWritesIt)
{
    const int r = AddRow(1, "同意", 10, 20, 30, 30);
    m_grid->SetTextMatrix(r, ColFSize, "20");
    m_grid->SetTextMatrix(r, ColL, "1000");
    PageField *cc = m_reg->AddCtl(1, r);
    RowToCtl(*m_reg, *m_grid, r);
    EXPECT_EQ(cc->Left(), 540);
    EXPECT_EQ(cc->Width(), kCheckBoxWidth);
    EXPECT_EQ(cc->Height(), kCheckBoxHeight);
    EXPECT_EQ(cc->Font().size, kTemplateFontSize);
    EXPECT_EQ(cc->Alignment(), 1);
    EXPECT_EQ(cc->Widget()->layoutDirection(), Qt::RightToLeft);
    m_grid->SetTextMatrix(r, ColL, "2000"); // centre is no place for a box
    RowToCtl(*m_reg, *m_grid, r);
    EXPECT_EQ(cc->Alignment(), 1);
    CtlToRow(*m_reg, cc);
    EXPECT_EQ(m_grid->TextMatrix(r, ColW), CStr(PageToMM(kCheckBoxWidth, 54)));
    EXPECT_EQ(m_grid->TextMatrix(r, ColH), CStr(PageToMM(kCheckBoxHeight, 54)));
    EXPECT_EQ(m_grid->TextMatrix(r, ColFSize), "9");
    EXPECT_EQ(m_grid->TextMatrix(r, ColLBL), "同意");
}

TEST_F(ModelTest, LineRowsAndTheSelectionGrey)
{
    const int r = AddRow(3, "线条", 10, 20, 110, 20);
    m_grid->SetTextMatrix(r, ColFSize, "2");
    m_grid->SetTextMatrix(r, ColCash, "3");
    m_grid->SetCellBackColor(r, ColColor, 0x0000FF);
    Reload();
    auto *ln = static_cast<LineField *>(m_reg->GetCtlByIdx(3001));
    ASSERT_TRUE(ln);
    EXPECT_EQ(ln->X1(), 540);
    EXPECT_EQ(ln->Y1(), 1080);
    EXPECT_EQ(ln->X2(), 5940);
    EXPECT_EQ(ln->BorderWidth(), 2);
    EXPECT_EQ(ln->BorderStyle(), 3);
    EXPECT_EQ(ln->BorderColor(), 0x0000FFu);

    ln->SetSelected(true);
    ln->SetBorderColor(kSelectionGrey);
    ln->SetBorderStyle(5);
    m_grid->SetTextMatrix(r, ColLBL, "x");
    CtlToRow(*m_reg, ln);
    EXPECT_EQ(m_grid->CellBackColor(r, ColColor), 0x0000FFu); // the grey never reaches the row
    EXPECT_EQ(m_grid->TextMatrix(r, ColLBL), "线条");
    EXPECT_EQ(m_grid->TextMatrix(r, ColFName), "宋体");
    EXPECT_EQ(m_grid->TextMatrix(r, ColCash), "5");
    RowToCtl(*m_reg, *m_grid, r);
    EXPECT_EQ(ln->BorderColor(), 0x0000FFu);
    EXPECT_FALSE(ln->Selected());
    ln->SetBorderColor(0x00FF00);
    CtlToRow(*m_reg, ln);
    EXPECT_EQ(m_grid->CellBackColor(r, ColColor), 0x00FF00u);
    // A width that rounds to nothing keeps the previous one.
    m_grid->SetTextMatrix(r, ColFSize, "0.2");
    RowToCtl(*m_reg, *m_grid, r);
    EXPECT_EQ(ln->BorderWidth(), 2);
}

TEST_F(ModelTest, ALaterZoomNeverRewritesALinesThickness)
{
    const int r = AddRow(3, "线条", 10, 20, 110, 20);
    m_grid->SetTextMatrix(r, ColFSize, "2");
    Reload();
    auto *ln = static_cast<LineField *>(m_reg->GetCtlByIdx(3001));
    ASSERT_TRUE(ln);
    SetWidths(12474, 11340); // the frame changes size after the line was made
    ln->SetPoints(ln->X1() + 10, ln->Y1(), ln->X2(), ln->Y2());
    CtlToRow(*m_reg, ln);
    EXPECT_EQ(m_grid->TextMatrix(r, ColFSize), "2");
}

TEST_F(ModelTest, CaptionsOfLabelsAndPromptLabels)
{
    const int t = AddRow(0, "0012");
    const int l = AddRow(4, "标题");
    Reload();
    PageField *tt = m_reg->GetCtlByIdx(1);
    auto *lb = static_cast<LabelField *>(m_reg->GetCtlByIdx(4001));
    EXPECT_EQ(tt->Caption()->Caption(), "0012");
    EXPECT_EQ(lb->CaptionText(), "标题");
    lb->SetCaptionText("新标题");
    tt->Caption()->SetCaption("0012 ");
    CtlToRow(*m_reg, lb);
    CtlToRow(*m_reg, tt);
    EXPECT_EQ(m_grid->TextMatrix(l, ColLBL), "新标题");
    EXPECT_EQ(m_grid->TextMatrix(t, ColLBL), "0012 ");
}

TEST_F(ModelTest, FontAndColourOfARow)
{
    const int r = AddRow(0, "甲");
    m_grid->SetTextMatrix(r, ColFName, "黑体");
    m_grid->SetTextMatrix(r, ColBold, "√");
    m_grid->SetTextMatrix(r, ColStrikethru, "x");
    m_grid->SetCellBackColor(r, ColColor, 0x3366CC);
    SetWidths(12474, 11340);
    PageField *tt = Reload();
    EXPECT_EQ(tt->Font().name, "黑体");
    EXPECT_TRUE(tt->Font().bold);
    EXPECT_FALSE(tt->Font().italic);
    EXPECT_TRUE(tt->Font().strikethru);
    EXPECT_EQ(tt->ForeColor(), 0x3366CCu);
    EXPECT_EQ(tt->Widget()->palette().color(QPalette::Text), QColor(0xCC, 0x66, 0x33));

    QLineEdit sample;
    RowFontToCtl(*m_grid, r, &sample);
    EXPECT_EQ(sample.font().pointSizeF(), 10.5); // as stored, no zoom
    EXPECT_TRUE(sample.font().bold());
    EXPECT_TRUE(sample.font().strikeOut());
    QFont f = sample.font();
    f.setPointSizeF(14);
    f.setItalic(true);
    f.setBold(false);
    sample.setFont(f);
    m_reg->EditRow(*tt, [&](store::FieldRow &row) { CtlFontToRow(row, &sample); });
    EXPECT_EQ(m_grid->TextMatrix(r, ColFSize), "14");
    EXPECT_EQ(m_grid->TextMatrix(r, ColItalic), "√");
    EXPECT_EQ(m_grid->TextMatrix(r, ColBold), "");
    EXPECT_EQ(m_grid->CellBackColor(r, ColColor), 0x3366CCu);
}

TEST_F(ModelTest, FixedTextComesFromTheDatabaseOnlyWhenTheFieldIsMade)
{
    const qint64 id = InsertText("固定支票", "", 10, 10, {{"Mem", "盖章处"}});
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, *m_grid, "固定支票"));
    PageField *tt = Reload();
    EXPECT_EQ(Text(tt)->Text(), "盖章处");
    Text(tt)->SetText("用户改过");
    RowToCtl(*m_reg, *m_grid, 2); // a dialog's OK, a font step
    EXPECT_EQ(Text(tt)->Text(), "用户改过");
    // An unsaved row (no ID yet) or an odd ID cell reads nothing and says nothing.
    m_grid->SetTextMatrix(2, ColID, "");
    Reload();
    EXPECT_EQ(Text(m_reg->GetCtlByIdx(1))->Text(), "");
    m_grid->SetTextMatrix(2, ColID, "1 OR 1=1");
    Reload();
    EXPECT_EQ(Text(m_reg->GetCtlByIdx(1))->Text(), "");
    EXPECT_TRUE(m_messages->messages.isEmpty());
    Q_UNUSED(id);
}

TEST_F(ModelTest, SavingStoresTheTextOfPromptlessBoxesOnly)
{
    const QString fmt = "文字支票";
    const qint64 fixed = InsertText(fmt, "", 10, 10, {{"Mem", "旧"}});
    const qint64 prompt = InsertText(fmt, "收款人", 10, 20, {{"Mem", "留"}});
    const qint64 check = Insert(fmt, {{"LBL", ""}, {"Clas", 1}, {"X", 1}, {"Y", 1}, {"Mem", "勾"}});
    ASSERT_TRUE(LoadFmtToGrid(m_ctx, *m_grid, fmt));
    Reload();
    Text(m_reg->GetCtlByIdx(1))->SetText("ABC");
    Text(m_reg->GetCtlByIdx(2))->SetText("typed");
    static_cast<CheckField *>(m_reg->GetCtlByIdx(1001))->SetValue(1);
    ASSERT_TRUE(SaveGridToFmt(m_ctx, *m_grid, fmt));
    auto mem = [&](qint64 id) {
        return Sqlite3(QStringLiteral("SELECT Mem FROM Fmt WHERE ID=%1").arg(id));
    };
    EXPECT_EQ(mem(fixed), "ABC");
    EXPECT_EQ(mem(prompt), "留");
    EXPECT_EQ(mem(check), "勾");
}
