#include "store/core/helpers.h"

#include <gtest/gtest.h>

using namespace store;

TEST(CutStr, CutsAtFirstOrLastSeparator)
{
    struct Case
    {
        const char *text, *sep;
        bool fromLeft;
        const char *result, *rest;
    };
    for (const Case c : {Case{"a_b_3", "_", false, "3", "a_b"}, Case{"a_b_3", "_", true, "a", "b_3"},
                         Case{"abc", "_", false, "", "abc"}, Case{"abc", "_", true, "", "abc"},
                         Case{"收款人§☆§1", "§☆§", true, "收款人", "1"},
                         Case{"aXb", "x", true, "", "aXb"}, Case{"_", "_", false, "", ""}}) {
        QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(CutStr(text, QString::fromUtf8(c.sep), c.fromLeft), QString::fromUtf8(c.result))
            << c.text;
        EXPECT_EQ(text, QString::fromUtf8(c.rest)) << c.text;
    }
}

TEST(CashStrToVal, StripsCurrencySignsAndReadsPercent)
{
    EXPECT_DOUBLE_EQ(CashStrToVal("￥1,234.50"), 1234.5);
    EXPECT_DOUBLE_EQ(CashStrToVal("12.5%"), 0.125);
    EXPECT_DOUBLE_EQ(CashStrToVal("$3"), 3);
    EXPECT_DOUBLE_EQ(CashStrToVal("abc"), 0);
    EXPECT_DOUBLE_EQ(CashStrToVal(""), 0);
    EXPECT_DOUBLE_EQ(CashStrToVal("-￥1,000"), -1000);
    EXPECT_DOUBLE_EQ(CashStrToVal("50%%"), 0.5);
    EXPECT_DOUBLE_EQ(CashStrToVal("5%0"), 5); // "%" not last: plain Val
}

TEST(PageUnits, ThreeDecimalsAndWholeTwipsHalvesToEven)
{
    EXPECT_DOUBLE_EQ(PageToMM(1000, 56.7), 17.637);
    EXPECT_EQ(MMToPage(17.637, 56.7), 1000);
    EXPECT_EQ(MMToPage(0.5, 1), 0);
    EXPECT_EQ(MMToPage(1.5, 1), 2);
    EXPECT_DOUBLE_EQ(PageToMM(0.0025, 1), 0.002);
    EXPECT_DOUBLE_EQ(PageToMM(1000, 0), 0); // slip width 0: no division
    EXPECT_DOUBLE_EQ(PageScale(13607, "240"), 13607.0 / 240);
    EXPECT_DOUBLE_EQ(PageScale(13607, "0"), 0);
    EXPECT_DOUBLE_EQ(PageScale(13607, "abc"), 0);
}

TEST(MonthDays, FirstAndLast)
{
    EXPECT_EQ(LastDayOfMonth(QDate(2016, 2, 15)), QDate(2016, 2, 29));
    EXPECT_EQ(LastDayOfMonth(QDate(2015, 2, 15)), QDate(2015, 2, 28));
    EXPECT_EQ(LastDayOfMonth(QDate(2015, 12, 3)), QDate(2015, 12, 31));
    EXPECT_EQ(FirstDayOfMonth(QDate(2016, 2, 15)), QDate(2016, 2, 1));
}

TEST(BoolToTick, BooleansNumbersAndText)
{
    EXPECT_EQ(BoolToTick(true), "√");
    EXPECT_EQ(BoolToTick(false), "");
    EXPECT_EQ(BoolToTick(0), "");
    EXPECT_EQ(BoolToTick(2), "√");
    EXPECT_EQ(BoolToTick(-1), "√");
    EXPECT_EQ(BoolToTick(0.0), "");
    EXPECT_EQ(BoolToTick(QString("1")), "√");
    EXPECT_EQ(BoolToTick(QString("abc")), "");
    EXPECT_EQ(BoolToTick(QVariant()), "");
    EXPECT_TRUE(IsNotEmpty(" "));
    EXPECT_FALSE(IsNotEmpty(""));
}

TEST(NumKeyFilter, KeepsDigitsPointAndBackspace)
{
    for (int k : {8, 46, 48, 50, 57}) {
        int key = k;
        NumKeyFilter(key);
        EXPECT_EQ(key, k);
    }
    for (int k : {45, 65, 47, 58, 32, 13}) {
        int key = k;
        NumKeyFilter(key);
        EXPECT_EQ(key, 0) << k;
    }
}

TEST(SecondsToTimeStr, DropsLeadingZeroGroups)
{
    const std::pair<qint64, const char *> cases[] = {
        {0, "0:0"},       {-5, "0:0"},         {7, "0:7"},          {65, "1:5"},
        {3600, "1:0:0"},  {3725, "1:2:5"},     {86399, "23:59:59"}, {90000, "25:0:0"},
        {216000, "60:0:0"}, {59, "0:59"},      {60, "1:0"}};
    for (const auto &[s, text] : cases)
        EXPECT_EQ(SecondsToTimeStr(s), QString::fromUtf8(text)) << s;
}
