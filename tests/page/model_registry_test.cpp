// Field kinds, the per-kind arrays and the field index, the field row's accessors and look-ups,
// the prompt label's placement and the guarded rebuild.

#include "model_fixture.h"

#include "page/fieldrow.h"
#include "store/ui/indicator.h"
#include "store/db/reporter.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace page;
using modeltest::ModelTest;

TEST_F(ModelTest, EveryWalkIsEmptyAfterReset)
{
    m_reg->AddCtl(0, 2);
    m_reg->ResetCtlCount();
    for (int k = 0; k < kKindCount; ++k) {
        EXPECT_EQ(m_reg->FirstCtlIdx(k), k * 1000 + 1);
        EXPECT_EQ(m_reg->LastCtlIdx(k), k * 1000);
    }
    EXPECT_EQ(m_reg->LastCtlIdx(7), m_reg->FirstCtlIdx(7) - 1);
}

TEST_F(ModelTest, AddCtlTakesTheNextIndexOfItsKind)
{
    for (int i = 0; i < 3; ++i)
        m_reg->AddCtl(0, 2 + i);
    PageField *tt = m_reg->AddCtl(0, 5);
    ASSERT_TRUE(tt);
    EXPECT_EQ(tt->Index(), 4);
    EXPECT_EQ(tt->Row(), 5);
    ASSERT_TRUE(tt->Caption());
    EXPECT_TRUE(tt->Caption()->isVisibleTo(m_page.get()));
    EXPECT_TRUE(tt->Widget()->isVisibleTo(m_page.get()));
    EXPECT_EQ(m_reg->CtlCount(0), 4);
    EXPECT_EQ(m_reg->LastCtlIdx(0), 4);

    PageField *ln = m_reg->AddCtl(3, 9);
    ASSERT_TRUE(ln);
    EXPECT_EQ(ln->Index(), 3001);
    EXPECT_EQ(static_cast<LineField *>(ln)->BorderColor(), 0u);
    EXPECT_FALSE(ln->Caption());
    EXPECT_FALSE(ln->Widget());
    PageField *lb = m_reg->AddCtl(4, 10);
    EXPECT_EQ(lb->Index(), 4001);
    EXPECT_FALSE(lb->Caption());
    EXPECT_EQ(m_reg->AddCtl(5, 11), nullptr);
    EXPECT_EQ(m_reg->AddCtl(-1, 11), nullptr);
}

TEST_F(ModelTest, IndexLookUpsAndKinds)
{
    PageField *tt = m_reg->AddCtl(0, 2);
    PageField *cc = m_reg->AddCtl(1, 3);
    PageField *ln = m_reg->AddCtl(3, 4);
    PageField *lb = m_reg->AddCtl(4, 5);
    for (int index : {0, 1000, 2000, 3000, 4000, 5000, -1, 2001, 2, 1002, 99999})
        EXPECT_EQ(m_reg->GetCtlByIdx(index), nullptr) << index;
    EXPECT_EQ(m_reg->GetCtlByIdx(1), tt);
    EXPECT_EQ(m_reg->GetCtlByIdx(1001), cc);
    EXPECT_EQ(m_reg->GetCtlByIdx(3001), ln);
    EXPECT_EQ(m_reg->GetCtlByIdx(4001), lb);
    PageField *ii = m_reg->AddCtl(2, 6);
    EXPECT_EQ(m_reg->GetCtlByIdx(2001), ii);
    EXPECT_EQ(GetCtlClas(tt), 0);
    EXPECT_EQ(GetCtlClas(cc), 1);
    EXPECT_EQ(GetCtlClas(ii), 2);
    EXPECT_EQ(GetCtlClas(ln), 3);
    EXPECT_EQ(GetCtlClas(lb), 4);
    EXPECT_EQ(GetCtlClas(nullptr), 0);
}

TEST_F(ModelTest, UnloadRemovesFieldsAndTheirPromptLabels)
{
    QPointer<CaptionLabel> l1 = m_reg->AddCtl(0, 2)->Caption();
    QPointer<CaptionLabel> l2 = m_reg->AddCtl(0, 3)->Caption();
    m_reg->AddCtl(3, 4);
    QPointer<QWidget> w1 = m_reg->GetCtlByIdx(1)->Widget();
    m_reg->UnloadAllCtl();
    for (int k = 0; k < kKindCount; ++k)
        EXPECT_EQ(m_reg->CtlCount(k), 0);
    EXPECT_TRUE(l1.isNull());
    EXPECT_TRUE(l2.isNull());
    EXPECT_TRUE(w1.isNull());
    EXPECT_EQ(m_reg->GetCtlByIdx(1), nullptr);
}

TEST_F(ModelTest, NoMoreThan999FieldsOfAKind)
{
    store::ScopedRecordingReporter rec;
    for (int i = 0; i < 1000; ++i)
        AddRow(4, QString("标签%1").arg(i));
    AddRow(0, "甲");
    EXPECT_FALSE(ReloadAllCtl(*m_reg, *m_grid, false));
    EXPECT_EQ(m_reg->CtlCount(4), 0);
    EXPECT_EQ(m_reg->CtlCount(0), 0);
    EXPECT_EQ(rec->messages, QStringList({"该格式中同一类的输入框超过999个，无法显示在页面上！"}));
    // The index scheme itself refuses the thousandth field.
    for (int i = 0; i < 999; ++i)
        ASSERT_TRUE(m_reg->AddCtl(4, 2 + i));
    EXPECT_EQ(m_reg->GetCtlByIdx(4999)->Index(), 4999);
    EXPECT_EQ(m_reg->AddCtl(4, 1001), nullptr);
}

TEST_F(ModelTest, PromptLabelPlacement)
{
    const int r = AddRow(0, "收款人");
    PageField *tt = m_reg->AddCtl(0, r);
    tt->SetGeometryTw(1000, 2000, 1500, 300);
    CaptionLabel *ll = tt->Caption();
    ll->SetCaption("收款人");
    const int w = ll->Width();
    const int h = ll->Height();
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    struct Case
    {
        int dir, left, top;
    };
    const Case cases[] = {
        {0, 1000, 2000 - h}, {1, 1000 - w, 2040}, {2, 2500, 2040}, {3, 1000, 2300}, {7, 1000, 2300},
    };
    for (const Case &c : cases) {
        int dir = c.dir;
        EXPECT_EQ(m_reg->SetCtlLBLPos(tt, nullptr, dir), ll);
        EXPECT_EQ(ll->Left(), c.left) << c.dir;
        EXPECT_EQ(ll->Top(), c.top) << c.dir;
        EXPECT_EQ(ll->geometry().topLeft(), QPoint(qRound(c.left / 15.0), qRound(c.top / 15.0)));
    }
    struct Word
    {
        const char *word;
        int dir, left;
    };
    const Word words[] = {{"右边", 2, 2500}, {"右边 ", 0, 1000}, {"", 0, 1000}, {"左边", 1, 1000 - w}};
    for (const Word &c : words) {
        m_grid->SetTextMatrix(r, store::ColDir, QString::fromUtf8(c.word));
        int dir = -1;
        m_reg->SetCtlLBLPos(tt, ll, dir);
        EXPECT_EQ(dir, c.dir) << c.word;
        EXPECT_EQ(ll->Left(), c.left) << c.word;
    }
}

TEST_F(ModelTest, PromptLabelPlacementLeavesLinesAndLabels)
{
    PageField *ln = m_reg->AddCtl(3, AddRow(3));
    PageField *lb = m_reg->AddCtl(4, AddRow(4));
    for (PageField *f : {ln, lb}) {
        const QRect before = f->Widget() ? f->Widget()->geometry() : QRect();
        int dir = 2;
        EXPECT_EQ(m_reg->SetCtlLBLPos(f, nullptr, dir), nullptr);
        EXPECT_EQ(dir, 2);
        if (f->Widget())
            EXPECT_EQ(f->Widget()->geometry(), before);
    }
}

TEST_F(ModelTest, RebuildNumbersEachKindInRowOrder)
{
    AddRow(0, "甲");
    AddRow(4, "标题");
    AddRow(0, "乙");
    AddRow(2, "图");
    Reload();
    EXPECT_EQ(m_reg->GetCtlByIdx(1)->Row(), 2);
    EXPECT_EQ(m_reg->GetCtlByIdx(4001)->Row(), 3);
    EXPECT_EQ(m_reg->GetCtlByIdx(2)->Row(), 4);
    EXPECT_EQ(m_reg->GetCtlByIdx(2001)->Row(), 5);
    EXPECT_EQ(m_reg->CtlCount(0), 2);

    m_grid->SetRows(2);
    Reload();
    for (int k = 0; k < kKindCount; ++k)
        EXPECT_EQ(m_reg->CtlCount(k), 0);
}

TEST_F(ModelTest, RebuildWithProgressWindow)
{
    AddRow(0, "甲");
    AddRow(1, "乙");
    ASSERT_TRUE(ReloadAllCtl(*m_reg, *m_grid, true));
    EXPECT_EQ(store::ProgressState().caption, "重新加载格式……");
    EXPECT_EQ(store::ProgressState().total, m_grid->Rows());
    EXPECT_FALSE(store::ProgressShowing());
    EXPECT_EQ(m_reg->CtlCount(1), 1);
}

TEST_F(ModelTest, LeavingATextFieldDuringARebuildRunsNothing)
{
    AddRow(0, "甲");
    AddRow(0, "乙");
    m_page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_page.get()));
    m_page->activateWindow();
    QApplication::setActiveWindow(m_page.get());
    Reload();
    QSignalSpy spy(m_reg.get(), &FieldRegistry::textLostFocus);
    auto focus = [&](int index) {
        QWidget *w = m_reg->GetCtlByIdx(index)->Widget();
        w->setFocus(Qt::OtherFocusReason);
        return QApplication::focusWidget() == w;
    };
    ASSERT_TRUE(focus(1));
    ASSERT_TRUE(focus(2)); // an ordinary leave is reported
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), 1);
    Reload(); // the focused field goes away
    EXPECT_EQ(spy.count(), 0);
    {
        FieldRegistry::ReloadGuard guard(*m_reg);
        ASSERT_TRUE(focus(1));
        ASSERT_TRUE(focus(2));
    }
    EXPECT_EQ(spy.count(), 0);
}

// --- the field row

TEST(FieldRowCodingTest, PackedSpacingAndAlignment)
{
    EXPECT_EQ(PackSpacing(0, 2), 2000);
    EXPECT_EQ(PackSpacing(3.5, 1), 1003.5);
    EXPECT_EQ(PackSpacing(-3.5, 1), -1003.5);
    struct Case
    {
        double packed;
        int alignment;
        double spacing;
    };
    const Case cases[] = {{-1003.5, 1, -3.5}, {2000, 2, 0}, {-2003, 2, -3}, {0, 0, 0}, {-0.5, 0, -0.5}};
    for (const Case &c : cases) {
        EXPECT_EQ(AlignmentOfPacked(c.packed), c.alignment) << c.packed;
        EXPECT_EQ(SpacingOfPacked(c.packed), c.spacing) << c.packed;
    }
}

TEST(FieldRowCodingTest, PositionWords)
{
    EXPECT_EQ(DirTextToCode("上方"), 0);
    EXPECT_EQ(DirTextToCode("左边"), 1);
    EXPECT_EQ(DirTextToCode("右边"), 2);
    EXPECT_EQ(DirTextToCode("下方"), 3);
    EXPECT_EQ(DirTextToCode("左"), 0);
    EXPECT_EQ(DirTextToCode("右边 "), 0);
    EXPECT_EQ(DirTextToCode(""), 0);
    EXPECT_EQ(DirCodeToText(2), "右边");
    EXPECT_EQ(DirCodeToText(4), "");
    EXPECT_EQ(DirCodeToText(-1), "");
    EXPECT_TRUE(TickOf("√"));
    EXPECT_TRUE(TickOf("x"));
    EXPECT_FALSE(TickOf(""));
}

TEST_F(ModelTest, LinksAndSumsOfARow)
{
    const int r = AddRow(0, "甲");
    PageField *tt = m_reg->AddCtl(0, r);
    struct Case
    {
        const char *c19, *c22;
        int rctl, rctl1;
    };
    const Case cases[] = {{"0", "-12", -12, -12}, {"7", "0", 7, 7},  {"-5", "0", 0, -5},
                          {"-5", "8", 8, -5},     {"", "5", 5, 0},   {"abc", "-3", -3, -3}};
    for (const Case &c : cases) {
        m_grid->SetTextMatrix(r, store::ColRCtl, c.c19);
        m_grid->SetTextMatrix(r, store::ColRCtl1, c.c22);
        EXPECT_EQ(m_reg->GetRCtl(tt), c.rctl) << c.c19 << "/" << c.c22;
        EXPECT_EQ(m_reg->GetRCtl1(tt), c.rctl1) << c.c19 << "/" << c.c22;
    }
    struct Sum
    {
        const char *cell;
        int id;
    };
    const Sum sums[] = {{"-15.1", -15}, {"15.1", 15}, {"", 0}, {"abc", 0}, {"40000", 40000}};
    for (const Sum &s : sums) {
        m_grid->SetTextMatrix(r, store::ColSumID, s.cell);
        m_grid->SetTextMatrix(r, store::ColSumID1, s.cell);
        EXPECT_EQ(m_reg->GetSumID(tt), s.id) << s.cell;
        EXPECT_EQ(m_reg->GetSumID1(tt), s.id) << s.cell;
    }
    m_grid->SetTextMatrix(r, store::ColCash, "");
    EXPECT_EQ(m_reg->GetCtlCash(tt), 0);
    m_grid->SetTextMatrix(r, store::ColCash, "104.01");
    EXPECT_EQ(m_reg->GetCtlCash(tt), 104.01);
    m_grid->SetTextMatrix(r, store::ColID, "731");
    EXPECT_EQ(m_reg->GetCtlID(tt), 731);
    m_grid->SetTextMatrix(r, store::ColID, "");
    EXPECT_FALSE(m_reg->GetCtlID(tt).has_value());
    m_grid->SetTextMatrix(r, store::ColDir, "下方");
    EXPECT_EQ(m_reg->GetCtlDir(tt), 3);
}

TEST_F(ModelTest, LookUpsBetweenRowsIdsAndFields)
{
    const int a = AddRow(0, "甲");
    const int b = AddRow(4, "乙");
    Reload();
    m_grid->SetTextMatrix(a, store::ColID, "40");
    m_grid->SetTextMatrix(b, store::ColID, "41");
    EXPECT_EQ(m_reg->GetCtlIndexByID(0), 0);
    EXPECT_EQ(m_reg->GetCtlIndexByID(-3), 0);
    EXPECT_EQ(m_reg->GetCtlIndexByID(41), 4001);
    EXPECT_EQ(m_reg->GetCtlIndexByID(77), 0);
    EXPECT_EQ(m_reg->GetCtlByID(77), nullptr);
    EXPECT_EQ(m_reg->GetCtlIndexByRow(a), 1);
    EXPECT_FALSE(m_reg->GetCtlIndexByRow(1).has_value());
    bool error = false;
    m_grid->SetTextMatrix(b, store::ColClas, "7");
    EXPECT_EQ(m_reg->GetCtlByRow(b, &error), nullptr);
    EXPECT_TRUE(error);
    m_grid->SetTextMatrix(b, store::ColClas, "4");
    m_grid->SetTextMatrix(a, store::ColID, "");
    EXPECT_EQ(m_reg->GetCtlByID(41, &error), nullptr); // a bad ID cell met before the match
    EXPECT_TRUE(error);
}
