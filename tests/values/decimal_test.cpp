#include "values/decimal.h"

#include "print.h"

#include <gtest/gtest.h>

using namespace values;

TEST(Decimal, ReadsAsValReadsExactly)
{
    EXPECT_EQ(Decimal::fromText(u"  -0012.500x").toPlainText(), "-12.5");
    EXPECT_EQ(Decimal::fromText(u"123456789012345.67").toPlainText(), "123456789012345.67");
    EXPECT_EQ(Decimal::fromText(u"1.5e3").toPlainText(), "1500");
    EXPECT_EQ(Decimal::fromText(u"15e-3").toPlainText(), "0.015");
    EXPECT_EQ(Decimal::fromText(u"-0").toPlainText(), "0");
    EXPECT_EQ(Decimal::fromText(u"abc").toPlainText(), "0");
    EXPECT_EQ(Decimal::fromText(u"1 2").toPlainText(), "12");
    EXPECT_EQ(Decimal::fromInteger(-9223372036854775807LL - 1).toPlainText(),
              "-9223372036854775808");
}

TEST(Decimal, CashTextAsTyped)
{
    EXPECT_EQ(Decimal::fromCashText(u"￥1,234.50"_qs).toText(), "1234.5");
    EXPECT_EQ(Decimal::fromCashText(u"12.5%"_qs).toText(), "0.125");
    EXPECT_EQ(Decimal::fromCashText(u"$3"_qs).toText(), "3");
    EXPECT_EQ(Decimal::fromCashText(u"abc"_qs).toText(), "0");
    EXPECT_EQ(Decimal::fromCashText(u"1.1%"_qs).toText(), "0.011");
}

TEST(Decimal, ArithmeticIsExact)
{
    struct Row
    {
        const char16_t *a;
        const char16_t *b;
        const char *sum;
        const char *difference;
        const char *product;
    };
    const Row rows[] = {
        {u"1.1", u"2.2", "3.3", "-1.1", "2.42"},
        {u"0.1", u"0.2", "0.3", "-0.1", "0.02"},
        {u"-5", u"5", "0", "-10", "-25"},
        {u"999999999999999", u"1", "1000000000000000", "999999999999998", "999999999999999"},
        {u"0.01", u"-0.01", "0", "0.02", "-0.0001"},
        {u"123456.789", u"1000", "124456.789", "122456.789", "123456789"},
        {u"", u"7", "7", "-7", "0"},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(DecimalAdd(r.a, r.b), r.sum);
        EXPECT_EQ(DecimalSubtract(r.a, r.b), r.difference);
        EXPECT_EQ(DecimalMultiply(r.a, r.b), r.product);
    }
    const Decimal x =
        Decimal::fromText(u"1.1") + Decimal::fromText(u"2.2") - Decimal::fromText(u"3.3");
    EXPECT_TRUE(x.isZero());
    EXPECT_EQ(x.toText(), "0");
}

TEST(Decimal, RoundingHalvesAwayFromZero)
{
    EXPECT_EQ(Decimal::fromText(u"0.125").roundedToDecimals(2).toPlainText(), "0.13");
    EXPECT_EQ(Decimal::fromText(u"-0.125").roundedToDecimals(2).toPlainText(), "-0.13");
    EXPECT_EQ(Decimal::fromText(u"0.124").roundedToDecimals(2).toPlainText(), "0.12");
    EXPECT_EQ(Decimal::fromText(u"9.995").roundedToDecimals(2).toPlainText(), "10");
    EXPECT_EQ(Decimal::fromText(u"0.004").roundedToDecimals(2).toPlainText(), "0");
    EXPECT_EQ(Decimal::fromText(u"1234").roundedToDecimals(-2).toPlainText(), "1200");
    EXPECT_EQ(Decimal::fromText(u"1234567890123456789").toText(), "1234567890123460000");
    EXPECT_EQ(Decimal::fromText(u"0.1234567890123456789").toText(), "0.123456789012346");
    EXPECT_EQ(Decimal::fromText(u"9999999999999995").toText(), "10000000000000000");
}

TEST(Decimal, OrderAndDigits)
{
    EXPECT_TRUE(Decimal::fromText(u"-2") < Decimal::fromText(u"-1.5"));
    EXPECT_TRUE(Decimal::fromText(u"0.5") < Decimal::fromText(u"1"));
    EXPECT_EQ(Decimal::fromText(u"1.50"), Decimal::fromText(u"1.5"));
    EXPECT_EQ(Decimal::fromText(u"1234.5").integerDigits(), 4);
    EXPECT_EQ(Decimal::fromText(u"0.05").integerDigits(), 0);
    EXPECT_EQ(Decimal::fromText(u"0.05").scaledDigits(2), "5");
    EXPECT_EQ(Decimal::fromText(u"12").scaledDigits(2), "1200");
    EXPECT_EQ(Decimal().scaledDigits(2), "0");
    EXPECT_EQ(Decimal::fromText(u"1e400").toPlainText().size(), 401);
}
