// The value text of each field kind.

#include "model_fixture.h"

#include "page/fieldvalue.h"

#include <QTest>

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

// A text box holds a value of any length. One longer than it shows whole shows its start, and an
// edit of it edits the whole value: by the rule, the cursor and the selection keep their places,
// the end of the start standing for the end of the value. Against that rule on random values,
// places and edits.
TEST_F(ModelTest, TextBoxKeepsAndEditsValuesOfAnyLength)
{
    auto *tt = static_cast<TextField *>(m_reg->AddCtl(0, AddRow(0, "甲")));
    TextBox *box = tt->Box();
    constexpr int kShown = TextBox::kShownWhole;

    // A pair at the end of the start is not split.
    QString paired = QString(kShown - 1, u'a') + QStringLiteral("𠮷b");
    tt->SetText(paired);
    EXPECT_EQ(box->text(), QString(kShown - 1, u'a'));
    EXPECT_EQ(tt->Text(), paired);
    EXPECT_TRUE(box->ShowsStart());
    // Set directly, the box's text is the value.
    box->setText(QStringLiteral("x"));
    EXPECT_FALSE(box->ShowsStart());
    EXPECT_EQ(tt->Text(), QStringLiteral("x"));

    quint64 seed = 17;
    const auto next = [&seed](int n) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return int((seed >> 33) % quint64(n));
    };
    const QString letters = QStringLiteral("甲乙丙丁ab 1。");
    const int lengths[] = {0, 1, kShown - 1, kShown, kShown + 1, 40000};
    for (int trial = 0; trial < 200; ++trial) {
        const int length = next(3) == 0 ? next(2 * kShown) : lengths[next(6)];
        QString value;
        for (int i = 0; i < length; ++i)
            value += letters.at(next(int(letters.size())));
        tt->SetText(value);
        ASSERT_EQ(tt->Text(), value);
        ASSERT_EQ(box->ShowsStart(), length > kShown);
        ASSERT_EQ(box->text(), value.left(kShown));

        const int shown = int(box->text().size());
        const int anchor = next(shown + 1), cursor = next(3) == 0 ? anchor : next(shown + 1);
        box->setCursorPosition(anchor);
        box->cursorForward(true, cursor - anchor);
        const auto at = [&](int p) { return p == shown ? int(value.size()) : p; };
        const int from = std::min(at(anchor), at(cursor)), to = std::max(at(anchor), at(cursor));
        QString expected = value;
        switch (next(4)) {
        case 0:
            QTest::keyClick(box, Qt::Key_Q, Qt::NoModifier);
            expected.replace(from, to - from, QStringLiteral("q"));
            break;
        case 1:
            QTest::keyClick(box, Qt::Key_Backspace);
            if (from < to)
                expected.remove(from, to - from);
            else if (from > 0)
                expected.remove(from - 1, 1);
            break;
        case 2:
            QTest::keyClick(box, Qt::Key_Delete);
            if (from < to)
                expected.remove(from, to - from);
            else
                expected.remove(from, 1);
            break;
        default:
            QTest::keyClick(box, Qt::Key_End);
            QTest::keyClick(box, Qt::Key_Q, Qt::NoModifier);
            expected += u'q';
            break;
        }
        ASSERT_FALSE(box->ShowsStart());
        ASSERT_EQ(tt->Text(), expected) << trial << ' ' << length << ' ' << anchor << ' ' << cursor;
    }
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
