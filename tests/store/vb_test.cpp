#include "store/core/units.h"
#include "store/core/vb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace store;

TEST(Val, ReadsTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(Val(u"  -12.5abc"), -12.5);
    EXPECT_DOUBLE_EQ(Val(u"1 2"), 12);
    EXPECT_DOUBLE_EQ(Val(u"1e3"), 1000);
    EXPECT_DOUBLE_EQ(Val(u""), 0);
    EXPECT_DOUBLE_EQ(Val(u"12abc"), 12);
    EXPECT_DOUBLE_EQ(Val(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val(u"1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(Val(u"abc"), 0);
    EXPECT_DOUBLE_EQ(Val(u"-"), 0);
    EXPECT_DOUBLE_EQ(Val(u"1,234"), 1);
    EXPECT_DOUBLE_EQ(Val(u"2e"), 2);
    EXPECT_DOUBLE_EQ(Val(u"１２"), 0); // full-width digits are not digits
}

// Plain decimals, the common case read without the full scan, give exactly what the C library
// gives for the same digits, halfway cases and long digit strings included.
TEST(Val, PlainDecimalsAreCorrectlyRounded)
{
    std::mt19937_64 random(7);
    std::vector<std::string> texts{"0.1",
                                   "-0.3",
                                   "9007199254740993",
                                   "2.675",
                                   "1.005",
                                   "0.30000000000000004",
                                   "123456789012345678901234567890",
                                   "00012.5000",
                                   "-1234.50",
                                   "4.35"};
    for (int i = 0; i < 2000; ++i) {
        std::string t = random() % 3 == 0 ? "-" : "";
        const int before = 1 + int(random() % 15);
        const int after = int(random() % 8);
        for (int d = 0; d < before; ++d)
            t += char('0' + random() % 10);
        if (after > 0)
            t += '.';
        for (int d = 0; d < after; ++d)
            t += char('0' + random() % 10);
        texts.push_back(t);
    }
    for (const std::string &t : texts) {
        const double expected = std::strtod(t.c_str(), nullptr);
        EXPECT_EQ(Val(QString::fromLatin1(t.c_str())), expected == 0.0 ? 0.0 : expected) << t;
    }
    EXPECT_FALSE(std::signbit(Val(u"-0.00")));
}

TEST(Val, TextFormStaysExact)
{
    EXPECT_EQ(ValText(u"  -0012.500x"), "-12.5");
    EXPECT_EQ(ValText(u"123456789012345.67"), "123456789012345.67");
    EXPECT_EQ(ValText(u"1.5e3"), "1500");
    EXPECT_EQ(ValText(u"15e-3"), "0.015");
    EXPECT_EQ(ValText(u"-0"), "0");
    EXPECT_EQ(ValText(u"x"), "0");
}

TEST(Rounding, FixIntAndCLng)
{
    EXPECT_EQ(Fix(-2.7), -2);
    EXPECT_EQ(Int(-2.7), -3);
    EXPECT_EQ(Fix(2.7), 2);
    EXPECT_EQ(CLng(2.5), 2);
    EXPECT_EQ(CLng(3.5), 4);
    EXPECT_EQ(CLng(-2.5), -2);
    EXPECT_EQ(CLng(1e12), 2147483647);
    EXPECT_FALSE(CLngChecked(1e12).has_value());
    EXPECT_EQ(CLngChecked(-7.4).value(), -7);
}

TEST(CStr, FifteenDigitsNeverAnExponent)
{
    EXPECT_EQ(CStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(CStr(1e15), "1000000000000000");
    EXPECT_EQ(CStr(1e-7), "0.0000001");
    EXPECT_EQ(CStr(-1234.5), "-1234.5");
    EXPECT_EQ(CStr(0), "0");
    EXPECT_EQ(CStr(-0.0), "0");
    EXPECT_EQ(CStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(CStr(15.1), "15.1");
    EXPECT_EQ(CStr(1.0 / 3.0), "0.333333333333333");
    for (double x : {1e20, 3.14e-12, 9.99e300, -5e-300})
        EXPECT_FALSE(CStr(x).contains(u'e')) << CStr(x).toStdString();
}

TEST(IsNumeric, WholeTextOnly)
{
    EXPECT_TRUE(IsNumeric(u" 12.5 "));
    EXPECT_TRUE(IsNumeric(u"-3"));
    EXPECT_TRUE(IsNumeric(u"1e3"));
    EXPECT_FALSE(IsNumeric(u""));
    EXPECT_FALSE(IsNumeric(u"abc"));
    EXPECT_FALSE(IsNumeric(u"12abc"));
    EXPECT_FALSE(IsNumeric(u"inf"));
    EXPECT_FALSE(IsNumeric(u"."));
}

TEST(Units, MillimetresAndTwips)
{
    EXPECT_DOUBLE_EQ(MmToTwip(10), 566.928);
    EXPECT_DOUBLE_EQ(TwipToMm(MmToTwip(17.637)), 17.637);
    EXPECT_DOUBLE_EQ(TwipsPerPixel(96), 15);
}
