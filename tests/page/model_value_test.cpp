// The value text of each field kind.

#include "model_fixture.h"

#include "page/fieldvalue.h"

using namespace page;
using modeltest::ModelTest;

TEST_F(ModelTest, TextBoxValuesUseTheLineBreakSymbol)
{
    auto *tt = static_cast<TextField *>(m_reg->AddCtl(0, AddRow(0, "甲")));
    SetCtlValue(tt, "甲//乙", "//");
    EXPECT_EQ(GetCtlValue(tt), "甲\r\n乙");
    SetCtlValue(tt, "a##b##c", "##");
    EXPECT_EQ(tt->Text(), "a\r\nb\r\nc");
    SetCtlValue(tt, "http://x", "//", false);
    EXPECT_EQ(GetCtlValue(tt), "http://x");
    SetCtlValue(tt, "0012", "//");
    EXPECT_EQ(GetCtlValue(tt), "0012");
}

TEST_F(ModelTest, CheckBoxValues)
{
    auto *cc = static_cast<CheckField *>(m_reg->AddCtl(1, AddRow(1, "甲")));
    struct Case
    {
        const char *text;
        int value;
    };
    const Case cases[] = {{" ", 0}, {"0", 1}, {"", 0}, {"1", 1}, {"abc", 1}};
    for (const Case &c : cases) {
        cc->SetValue(c.value == 1 ? 0 : 1);
        SetCtlValue(cc, c.text, "//");
        EXPECT_EQ(cc->Value(), c.value) << c.text;
    }
    cc->SetValue(0);
    EXPECT_EQ(GetCtlValue(cc), "");
    cc->SetValue(1);
    EXPECT_EQ(GetCtlValue(cc), "1");
    cc->SetValue(2);
    EXPECT_EQ(GetCtlValue(cc), "2");
}

TEST_F(ModelTest, PictureLinesAndLabels)
{
    auto *ii = static_cast<PictureField *>(m_reg->AddCtl(2, AddRow(2)));
    SetCtlValue(ii, "6901234567892", "//");
    EXPECT_EQ(GetCtlValue(ii), "6901234567892");
    int handled = 0;
    SetPictureContentHandler([&](PictureField &f, const QString &link) {
        ++handled;
        f.SetLinkItem(link + "!");
    });
    SetCtlValue(ii, "a.jpg", "//");
    SetPictureContentHandler({});
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(GetCtlValue(ii), "a.jpg!");
    PageField *ln = m_reg->AddCtl(3, AddRow(3));
    auto *lb = static_cast<LabelField *>(m_reg->AddCtl(4, AddRow(4, "标题")));
    SetCtlValue(ln, "x", "//");
    SetCtlValue(lb, "x", "//");
    EXPECT_EQ(GetCtlValue(ln), "");
    EXPECT_EQ(GetCtlValue(lb), "");
    EXPECT_EQ(lb->CaptionText(), "标签");
    EXPECT_EQ(GetCtlValue(nullptr), "");
}
