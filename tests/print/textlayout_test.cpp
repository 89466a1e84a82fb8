#include "print/textlayout.h"

#include "recorder.h"

#include <gtest/gtest.h>
#include <cmath>

using namespace print;
using printtest::Recorder;

namespace {

struct PackedCase
{
    double packed;
    int mode;
    double spacing;
};

TEST(SpacingTest, UnpacksAlignmentAndSpacing)
{
    const PackedCase cases[] = {
        {2003.5, 2, 3.5}, {-1002.5, 1, -2.5}, {1000, 1, 0},      {0, 0, 0},
        {25000, 25, 5000}, {-1003.5, 1, -3.5}, {1003.5, 1, 3.5}, {-3.5, 0, -3.5},
    };
    for (const PackedCase &c : cases) {
        EXPECT_EQ(GetSpaceMode(c.packed), c.mode) << c.packed;
        EXPECT_DOUBLE_EQ(GetSpaceVal(c.packed), c.spacing) << c.packed;
    }
    // A zero spacing is never negative zero, which would show as "-0".
    EXPECT_FALSE(std::signbit(GetSpaceVal(0)));
    EXPECT_FALSE(std::signbit(GetSpaceVal(-1000)));
}

TEST(MultiLineTest, EmptyLinesAndLineAdvance)
{
    Recorder r;
    PrintMultiLineStr(r, QStringLiteral("AB\r\n\r\nC"), 100, 50.4, 5000, 0, 30, 0);
    ASSERT_EQ(r.texts.size(), 3);
    EXPECT_EQ(r.texts[0].text, "A");
    EXPECT_DOUBLE_EQ(r.texts[0].x, 100);
    EXPECT_DOUBLE_EQ(r.texts[0].y, 50); // the top is rounded to whole twips
    EXPECT_DOUBLE_EQ(r.texts[1].x, 200);
    EXPECT_EQ(r.texts[2].text, "C");
    // Two line advances of height 200 + spacing 30 + 1.
    EXPECT_DOUBLE_EQ(r.texts[2].y, 50 + 2 * 231);
}

TEST(MultiLineTest, LineFeedAloneBreaksToo)
{
    Recorder r;
    PrintMultiLineStr(r, QStringLiteral("A\nB"), 0, 0, 5000, 0, 0, 0);
    ASSERT_EQ(r.texts.size(), 2);
    EXPECT_DOUBLE_EQ(r.texts[1].y, 201);
}

TEST(MultiLineTest, WrapsAfterTheLastCharacterThatFits)
{
    Recorder r;
    // 3 characters + 2 gaps of 5 = 310 fit exactly; the fourth goes to the next line.
    PrintMultiLineStr(r, QStringLiteral("ABCD"), 0, 0, 310, 5, 0, 0);
    ASSERT_EQ(r.texts.size(), 4);
    EXPECT_DOUBLE_EQ(r.texts[1].x, 105);
    EXPECT_DOUBLE_EQ(r.texts[2].x, 210);
    EXPECT_DOUBLE_EQ(r.texts[3].x, 0);
    EXPECT_DOUBLE_EQ(r.texts[3].y, 201);
}

TEST(MultiLineTest, TooNarrowGivesOneCharacterPerLine)
{
    Recorder r;
    PrintMultiLineStr(r, QStringLiteral("ABC"), 0, 0, 50, 0, 0, 0);
    ASSERT_EQ(r.texts.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(r.texts[i].x, 0);
        EXPECT_DOUBLE_EQ(r.texts[i].y, 201.0 * i);
    }
}

TEST(MultiLineTest, Alignment)
{
    // Width plus spacing equal to the field: right alignment starts 1 twip left of x.
    Recorder right;
    PrintMultiLineStr(right, QStringLiteral("AB"), 1000, 0, 220, 10, 0, 1);
    EXPECT_DOUBLE_EQ(right.texts[0].x, 999);
    Recorder centre;
    PrintMultiLineStr(centre, QStringLiteral("AB"), 1000, 0, 601, 0, 0, 2);
    EXPECT_DOUBLE_EQ(centre.texts[0].x, 1000 + 200); // (601 - 200 - 0 - 1) / 2
    Recorder other;
    PrintMultiLineStr(other, QStringLiteral("AB"), 1000, 0, 601, 0, 0, 7);
    EXPECT_DOUBLE_EQ(other.texts[0].x, 1000);
}

TEST(MultiLineTest, EmptyTextPrintsNothing)
{
    Recorder r;
    PrintMultiLineStr(r, QString(), 0, 0, 100, 0, 0, 0);
    PrintSpacedStr(r, QString(), 0, 0, 0);
    EXPECT_TRUE(r.texts.isEmpty());
}

// Box number (from 1) of each printed non-blank character.
QList<int> BoxesOf(const Recorder &r, double x, double boxW)
{
    QList<int> out;
    for (const auto &t : r.texts) {
        if (t.text != " ")
            out << int(std::floor((t.x - x) / boxW)) + 1;
    }
    return out;
}

TEST(BoxesTest, PaddingAndMovingByAlignment)
{
    struct Case
    {
        QString text;
        int align;
        QList<int> boxes;
    } cases[] = {
        {"12", 1, {5, 6}},
        {"12", 2, {3, 4}},
        {"12", 0, {1, 2}},
        {"123", 2, {2, 3, 4}}, // the odd blank goes to the right
        {"1234567", 1, {0, 1, 2, 3, 4, 5, 6}},
        {"12345678", 2, {0, 1, 2, 3, 4, 5, 6, 7}},
        {"1234567", 0, {1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case &c : cases) {
        Recorder r;
        PrintStrInBoxes(r, c.text, 1000, 0, 1200, 6, c.align);
        EXPECT_EQ(BoxesOf(r, 1000, 200), c.boxes) << c.text.toStdString() << " " << c.align;
    }
}

TEST(BoxesTest, CharactersCentredInTheirBoxes)
{
    Recorder r;
    PrintStrInBoxes(r, QStringLiteral("7"), 0, 33, 600, 2, 0);
    ASSERT_EQ(r.texts.size(), 1);
    EXPECT_DOUBLE_EQ(r.texts[0].x, 100); // (300 - 100) / 2
    EXPECT_DOUBLE_EQ(r.texts[0].y, 33);
}

TEST(CashBoxesTest, BoxTexts)
{
    struct Case
    {
        QString amount;
        int n;
        std::optional<QString> boxes;
    } cases[] = {
        {"2.5", 311, QStringLiteral("        250")},
        {"1234.5", 11, QStringLiteral("    ￥123450")},
        {"", 11, QString()},
        // The sign and eleven digits in eleven boxes: only the currency sign falls off.
        {"123456789", 11, QStringLiteral("12345678900")},
        // Twelve integer digits in eleven boxes would lose digits: refused.
        {"123456789012", 11, std::nullopt},
        {"123456789012", 311, std::nullopt},
        {"0.05", 3, QStringLiteral("005")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CashBoxText(c.amount, c.n), c.boxes) << c.amount.toStdString() << " " << c.n;
}

TEST(CashBoxesTest, PrintsOneCharacterPerBoxAndRefusesLostDigits)
{
    Recorder r;
    PrintCashInBoxes(r, QStringLiteral("1234.5"), 0, 0, 1100, 11, 1);
    EXPECT_EQ(r.Joined(), QStringLiteral("    ￥123450"));
    EXPECT_EQ(BoxesOf(r, 0, 100), (QList<int>{5, 6, 7, 8, 9, 10, 11}));

    Recorder refused;
    PrintCashInBoxes(refused, QStringLiteral("123456789012"), 0, 0, 1100, 11, 0);
    EXPECT_TRUE(refused.texts.isEmpty());
    Recorder empty;
    PrintCashInBoxes(empty, QString(), 0, 0, 1100, 11, 0);
    EXPECT_TRUE(empty.texts.isEmpty());
}

} // namespace
