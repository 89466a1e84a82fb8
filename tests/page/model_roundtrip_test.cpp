// A format put on the page and saved back: nothing drifts, a nudge changes one number, links
// follow new IDs, and the fields' values go to and come from the default record.

#include "model_fixture.h"

#include "page/fieldvalue.h"
#include "store/model/defaults.h"

using namespace page;
using namespace store;
using modeltest::ModelTest;

namespace {

class RoundTripTest : public ModelTest
{
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        const double checkSize = PageToMM(kCheckBoxWidth, 54);
        m_text = InsertText(kFmt, "0012", 20.019, 10.01,
                            {{"Dir", 2}, {"S", 1.25}, {"L", -1003.5}, {"Color", 0x3366CC},
                             {"fName", "黑体"}, {"fSize", 12.5}, {"fBold", 1}, {"Cash", 104}});
        m_fixed = InsertText(kFmt, "", 30.333, 40.7, {{"Mem", "固定\r\n文字"}, {"fItalic", 1}});
        m_check = Insert(kFmt, {{"LBL", "同意"}, {"Clas", 1}, {"Dir", 1}, {"X", 5.005}, {"Y", 6},
                                {"W", checkSize}, {"H", checkSize}, {"S", 0}, {"L", 1000},
                                {"Color", 0}, {"fName", "宋体"}, {"fSize", 9}, {"Cash", 0}});
        m_pic = Insert(kFmt, {{"LBL", "条码"}, {"Clas", 2}, {"Dir", 3}, {"X", 50.5}, {"Y", 60},
                              {"W", 40}, {"H", 15}, {"Color", 0x00FF00}, {"fName", "宋体"},
                              {"fSize", 9}, {"Cash", 0}});
        Insert(kFmt, {{"LBL", "线条"}, {"Clas", 3}, {"Dir", 0}, {"X", 1}, {"Y", 2.5}, {"W", 100.125},
                      {"H", 2.5}, {"fName", "宋体"}, {"fSize", 2}, {"Cash", 3}, {"Color", 0x0000FF}});
        Insert(kFmt, {{"LBL", "标题文字"}, {"Clas", 4}, {"Dir", 0}, {"X", 70}, {"Y", 3}, {"W", 60},
                      {"H", 8}, {"L", 2000}, {"Color", 0x808080}, {"fName", "楷体"}, {"fSize", 16},
                      {"fStrikethru", 1}, {"Cash", 0}});
        ASSERT_TRUE(ExecSQL("UPDATE Fmt SET RCtl=?, SumID=?, SumID1=?, RCtl1=? WHERE ID=?",
                            {double(m_check), -(double(m_pic) + 0.1), double(m_fixed) + 0.1,
                             -m_check, m_text}));
        InsertPara(kFmt, 8, 9, 210, 100, 15360, "True|False|1|0|0|1|0|True|");
    }

    void Open(const QString &fmt)
    {
        m_ctx.SetFormatName(fmt);
        LoadFmtPara(m_ctx, fmt);
        ASSERT_TRUE(LoadFmtToGrid(m_ctx, *m_grid, fmt));
        ASSERT_TRUE(ReloadAllCtl(*m_reg, *m_grid, false));
    }

    // The field rows as the sqlite3 client shows them, one line per record.
    QStringList FieldRows(const QString &fmt) const
    {
        return Sqlite3(QStringLiteral("SELECT ID, Fmt, LBL, Dir, X, Y, W, H, S, L, Color, fName, "
                                      "fSize, fBold, fItalic, fUnderline, fStrikethru, Clas, Cash, "
                                      "RCtl, SumID, SumID1, RCtl1, typeof(LBL), "
                                      "replace(replace(Mem, char(13), '\\r'), char(10), '\\n') "
                                      "FROM Fmt WHERE Fmt='%1' AND LBL<>'%2' ORDER BY ID")
                           .arg(fmt, QString::fromUtf8(kFmtParaMarker)))
            .split(u'\n');
    }

    PageField *ByLabel(const QString &lbl) const
    {
        for (PageField *f : m_reg->AllFields())
            if (m_grid->TextMatrix(f->Row(), ColLBL) == lbl)
                return f;
        return nullptr;
    }

    const QString kFmt = QStringLiteral("往返支票");
    qint64 m_text = 0, m_fixed = 0, m_check = 0, m_pic = 0;
};

} // namespace

TEST_F(RoundTripTest, EveryKindOnThePageSavesBackUnchanged)
{
    const QStringList before = FieldRows(kFmt);
    ASSERT_EQ(before.size(), 6) << before.join(u'\n').toStdString();
    Open(kFmt);
    EXPECT_EQ(m_reg->CtlCount(0), 2);
    EXPECT_EQ(m_reg->CtlCount(1), 1);
    EXPECT_EQ(m_reg->CtlCount(2), 1);
    EXPECT_EQ(m_reg->CtlCount(3), 1);
    EXPECT_EQ(m_reg->CtlCount(4), 1);
    // Every field written back into its row, as a move of all of them would.
    for (PageField *f : m_reg->AllFields())
        CtlToRow(*m_reg, f);
    ASSERT_TRUE(SaveGridToFmt(m_ctx, *m_grid));
    EXPECT_EQ(FieldRows(kFmt), before);
    EXPECT_EQ(Sqlite3(QStringLiteral("SELECT typeof(LBL) || LBL FROM Fmt WHERE ID=%1").arg(m_text)),
              "text0012");

    // Reopened, every field lies on the same twips with the same look.
    std::vector<QRect> geometry;
    for (PageField *f : m_reg->AllFields())
        geometry.push_back(QRect(f->Left(), f->Top(), f->Width(), f->Height()));
    const FieldFont font = m_reg->GetCtlByIdx(1)->Font();
    Open(kFmt);
    const auto after = m_reg->AllFields();
    ASSERT_EQ(after.size(), geometry.size());
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(QRect(after[i]->Left(), after[i]->Top(), after[i]->Width(), after[i]->Height()),
                  geometry[i])
            << i;
    EXPECT_EQ(m_reg->GetCtlByIdx(1)->Font(), font);
    EXPECT_EQ(m_reg->GetCtlByIdx(1)->ForeColor(), 0x3366CCu);
    EXPECT_EQ(static_cast<TextField *>(m_reg->GetCtlByIdx(2))->Text(), "固定\r\n文字");
    EXPECT_EQ(static_cast<LineField *>(m_reg->GetCtlByIdx(3001))->BorderColor(), 0x0000FFu);
}

TEST_F(RoundTripTest, OneNudgeChangesOnlyThatFieldsX)
{
    const QStringList before = FieldRows(kFmt);
    Open(kFmt);
    PageField *tt = m_reg->GetCtlByIdx(1);
    const int left = tt->Left() + 10;
    tt->SetLeft(left);
    CtlToRow(*m_reg, tt);
    ASSERT_TRUE(SaveGridToFmt(m_ctx, *m_grid));
    const QStringList after = FieldRows(kFmt);
    ASSERT_EQ(after.size(), before.size()) << after.join(u'\n').toStdString();
    for (int i = 0; i < before.size(); ++i) {
        const QStringList a = before[i].split(u'|');
        const QStringList b = after[i].split(u'|');
        ASSERT_EQ(a.size(), b.size());
        for (int c = 0; c < a.size(); ++c) {
            if (a[0].toLongLong() == m_text && c == 4) // column X
                EXPECT_EQ(b[c], CStr(PageToMM(left, 54)));
            else
                EXPECT_EQ(a[c], b[c]) << "record " << a[0].toStdString() << " column " << c;
        }
    }
    Open(kFmt);
    EXPECT_EQ(m_reg->GetCtlByIdx(1)->Left(), left); // and it lies where it was put
}

TEST_F(RoundTripTest, LinksSurviveASaveUnderANewNameAndAReload)
{
    Open(kFmt);
    ASSERT_TRUE(SaveGridToFmt(m_ctx, *m_grid, "往返支票副本"));
    Open("往返支票副本");
    PageField *tt = ByLabel("0012");
    ASSERT_TRUE(tt);
    EXPECT_GT(*m_reg->GetCtlID(tt), m_pic);
    PageField *linked = m_reg->GetCtlByID(m_reg->GetRCtl(tt));
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked, ByLabel("同意"));
    EXPECT_EQ(m_reg->GetRCtl1(tt), -*m_reg->GetCtlID(linked));
    const qint32 sum = m_reg->GetSumID(tt);
    EXPECT_LT(sum, 0);
    EXPECT_EQ(m_reg->GetCtlByID(-sum), ByLabel("条码"));
    EXPECT_EQ(m_grid->TextMatrix(tt->Row(), ColSumID), CStr(sum - 0.1)); // negate tenth kept
    EXPECT_EQ(m_reg->GetCtlByID(m_reg->GetSumID1(tt)), ByLabel(""));
    EXPECT_EQ(m_grid->TextMatrix(tt->Row(), ColSumID1), CStr(m_reg->GetSumID1(tt) + 0.1));
}

TEST_F(RoundTripTest, DefaultRecordOfTheFieldsOnThePage)
{
    Open(kFmt);
    ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES('A', 1, 'old'), ('B', 2, 'keep')"));
    auto *tt = static_cast<TextField *>(m_reg->GetCtlByIdx(1));
    auto *fixed = static_cast<TextField *>(m_reg->GetCtlByIdx(2));
    auto *cc = static_cast<CheckField *>(m_reg->GetCtlByIdx(1001));
    auto *ii = static_cast<PictureField *>(m_reg->GetCtlByIdx(2001));
    tt->SetText("abc");
    fixed->SetText("");
    cc->SetValue(1);
    SetCtlValue(ii, "x.jpg", m_ctx.CrlfChr());
    ASSERT_TRUE(SaveDefaultRecord(m_ctx, "A"));
    EXPECT_EQ(Sqlite3("SELECT group_concat(Fmt || ',' || ID || ',' || Con, ';') FROM (SELECT * "
                      "FROM 默认 WHERE Fmt='A' ORDER BY rowid)"),
              QStringLiteral("A,%1,abc;A,%2,1;A,%3,x.jpg").arg(m_text).arg(m_check).arg(m_pic));
    EXPECT_EQ(Sqlite3("SELECT Con FROM 默认 WHERE Fmt='B'"), "keep");

    ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES('A', 999, 'z')"));
    tt->SetText("");
    fixed->SetText("kept");
    cc->SetValue(0);
    SetCtlValue(ii, "", m_ctx.CrlfChr());
    EXPECT_EQ(LoadDefaultRecord(m_ctx, "A"), 3);
    EXPECT_EQ(tt->Text(), "abc");
    EXPECT_EQ(fixed->Text(), "kept");
    EXPECT_EQ(cc->Value(), 1);
    EXPECT_EQ(ii->LinkItem(), "x.jpg");
    EXPECT_TRUE(m_messages->messages.isEmpty());
}
