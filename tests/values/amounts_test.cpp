#include "values/amounts.h"

#include "print.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QString>
#include <random>

using namespace values;

namespace {

struct Case
{
    const char16_t *in;
    const char16_t *out;
};

QString q(const char16_t *s)
{
    return QString::fromUtf16(s);
}

} // namespace

TEST(FormatCash, Table)
{
    struct Row
    {
        const char16_t *in;
        int d;
        bool sep;
        bool yen;
        const char16_t *out;
    };
    const Row rows[] = {
        {u"1234.5", 2, true, true, u"￥1,234.50"},
        {u"1234.565", 2, true, false, u"1,234.57"},
        {u"-1234.5", 2, true, true, u"￥-1,234.50"},
        {u"-1234.565", 2, false, false, u"-1234.57"},
        {u".5", 2, false, false, u"0.50"},
        {u"1234", 0, true, false, u"1,234"},
        {u"abc", 2, true, true, u"￥0.00"},
        {u"", 2, true, true, u""},
        {u"-", 2, true, true, u"-"},
        // rounding from the text, halves away from zero, and what follows from it
        {u"0.125", 2, false, false, u"0.13"},
        {u"1.005", 2, false, false, u"1.01"},
        {u"2.675", 2, false, false, u"2.68"},
        {u"-0.005", 2, false, false, u"-0.01"},
        {u"-0.004", 2, false, false, u"0.00"},
        {u"0.49999999999999999999", 0, false, false, u"0"},
        {u"999.995", 2, true, true, u"￥1,000.00"},
        {u"1234.5", 0, true, false, u"1,235"},
        {u"-.5", 0, false, false, u"-1"},
        // separators never after the sign
        {u"-123", 0, true, false, u"-123"},
        {u"-123456", 2, true, true, u"￥-123,456.00"},
        // typed amounts with signs and separators formatting to themselves
        {u"￥1,234.50", 2, true, true, u"￥1,234.50"},
        {u"￥-1,234.50", 2, true, true, u"￥-1,234.50"},
        {u"12-34.567", 2, false, false, u"12.01"},
        // 15 significant digits exact, never an exponent
        {u"9999999999999.99", 2, true, false, u"9,999,999,999,999.99"},
        {u"123456789012345", 0, false, false, u"123456789012345"},
        {u"1234567890123456789", 2, false, false, u"1234567890123460000.00"},
        {u"0.000000001", 2, false, false, u"0.00"},
        {u"1e3", 2, false, false, u"13.00"},
        {u"12.5", 5, false, false, u"12.50000"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(FormatCash(q(r.in), r.d, r.sep, r.yen), q(r.out))
            << QString(q(r.in)).toStdString();
}

TEST(CashToCapital, UnitYuan)
{
    const Case cases[] = {
        {u"100", u"壹佰元整"},
        {u"10", u"壹拾元整"},
        {u"100.05", u"壹佰元零伍分"},
        {u"100.50", u"壹佰元伍角整"},
        {u"1005", u"壹仟零伍元整"},
        {u"1000000", u"壹佰万元整"},
        {u"100005000", u"壹亿零伍仟元整"},
        {u"0", u"零元整"},
        {u"-100", u"-壹佰元整"},
        {u"￥1,234.00", u"壹仟贰佰叁拾肆元整"},
        {u"壹佰元整", u"壹佰元整"},
        {u"-壹佰元整", u"-壹佰元整"},
        {u"", u""},
        // below one yuan no 零元 is written
        {u"0.05", u"伍分"},
        {u"0.5", u"伍角整"},
        {u"0.125", u"壹角叁分"},
        {u"1.005", u"壹元零壹分"},
        {u"10000", u"壹万元整"},
        {u"100000000", u"壹亿元整"},
        {u"1000000000000", u"壹万亿元整"},
        {u"100010001", u"壹亿零壹万零壹元整"},
        {u"1010101.01", u"壹佰零壹万零壹佰零壹元零壹分"},
        {u"9999999999999.99", u"玖万玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖元玖角玖分"},
        {u"20.3", u"贰拾元叁角整"},
        {u"1e3", u"壹拾叁元整"},
        {u"abc", u"零元整"},
        {u"100-", u"壹佰元整"},
        {u"￥-100", u"-壹佰元整"},
        // a sign on an amount that rounds to nothing is dropped, as the figures drop it
        {u"-0.001", u"零元整"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CashToCapital(q(c.in), u"元"_qs), q(c.out)) << q(c.in).toStdString();
}

TEST(CashToCapital, OtherUnits)
{
    EXPECT_EQ(CashToCapital(u"100"_qs, u"圆"_qs), u"壹佰圆整"_qs);
    EXPECT_EQ(CashToCapital(u"100.5"_qs, u"圆"_qs), u"壹佰圆伍角整"_qs);
    EXPECT_EQ(CashToCapital(u"100"_qs, QString()), u"壹佰"_qs);
    EXPECT_EQ(CashToCapital(u"100.50"_qs, QString()), u"壹佰元伍角整"_qs);
    EXPECT_EQ(CashToCapital(u"0"_qs, QString()), u"零"_qs);
}

TEST(CashToCapital, HundredYiAndMore)
{
    const Case cases[] = {
        // a bare 万 group after 亿 reads as one 零 before the next digit, none before 元
        {u"10000000000", u"壹佰亿元整"},
        {u"90000009000", u"玖佰亿零玖仟元整"},
        {u"10000000090", u"壹佰亿零玖拾元整"},
        {u"10000000000.05", u"壹佰亿元零伍分"},
        {u"1000000000000", u"壹万亿元整"},
        {u"12000000001", u"壹佰贰拾亿零壹元整"},
        // a 万 group with digits is written as before
        {u"10000050000", u"壹佰亿零伍万元整"},
        {u"10100005000", u"壹佰零壹亿零伍仟元整"},
        {u"10050000000", u"壹佰亿零伍仟万元整"},
    };
    for (const Case &c : cases) {
        const QString capital = CashToCapital(q(c.in), u"元"_qs);
        EXPECT_EQ(capital, q(c.out)) << q(c.in).toStdString();
        EXPECT_FALSE(capital.contains(u"亿零万"_qs));
    }
    // The forms written before still read back.
    EXPECT_EQ(CapitalToNum(u"壹佰亿零万元整"_qs, 103), u"10000000000"_qs);
    EXPECT_EQ(CapitalToNum(u"玖佰亿零万玖仟元整"_qs, 103), u"90000009000"_qs);
    EXPECT_EQ(CapitalToNum(u"壹佰亿元整"_qs, 103), u"10000000000"_qs);
    EXPECT_EQ(CapitalToNum(u"玖佰亿零玖仟元整"_qs, 103), u"90000009000"_qs);
}

TEST(CashToCapital, AmountsBelowHundredYiKeepTheirForm)
{
    // 400 000 amounts below 100亿 in the three units, most of them with runs of zeros; the
    // digest is of the texts the conversion wrote before amounts of 100亿 and more were mended.
    std::mt19937_64 rng(100000000000ULL);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QString units[3] = {u"元"_qs, u"圆"_qs, QString()};
    for (int i = 0; i < 400000; ++i) {
        const int n = 1 + int(rng() % 12);
        quint64 fen = 0;
        for (int k = 0; k < n; ++k)
            fen = fen * 10 + (k > 0 && rng() % 100 < 55 ? 0 : 1 + rng() % 9);
        const QString x =
            QString::number(fen / 100) + u'.' + QString::number(fen % 100).rightJustified(2, u'0');
        hash.addData(CashToCapital(x, units[i % 3]).toUtf8());
        hash.addData("\n");
    }
    EXPECT_EQ(hash.result().toHex().toStdString(),
              "cbdea86e9c86cc0b5d7af32eba5de2f9d8bf73b4b30b6a95b09e34015f738de2");
}

TEST(CashToCapital, MoreThanFifteenFenDigitsFailsCleanly)
{
    bool ok = true;
    EXPECT_EQ(CashToCapital(u"10000000000000"_qs, u"元"_qs, &ok), u"10000000000000"_qs);
    EXPECT_FALSE(ok);
    // rounding up into the sixteenth digit fails too
    EXPECT_EQ(CashToCapital(u"9999999999999.995"_qs, u"元"_qs, &ok), u"9999999999999.995"_qs);
    EXPECT_FALSE(ok);
    const QString big = u"￥10,000,000,000,000.00"_qs;
    EXPECT_EQ(CashToCapital(big, u"元"_qs, &ok), big);
    EXPECT_FALSE(ok);
    CashToCapital(u"9999999999999.99"_qs, u"元"_qs, &ok);
    EXPECT_TRUE(ok);
}

TEST(CashToCapitalDigits, Table)
{
    struct Row
    {
        const char16_t *in;
        int positions;
        const char16_t *out;
    };
    const Row rows[] = {
        {u"12.5", 6, u"零零壹贰伍零"},
        {u"12.5", 2, u"壹贰伍零"},
        {u"1,234.56", 8, u"零零壹贰叁肆伍陆"},
        {u"壹贰", 8, u"壹贰"},
        {u"", 8, u""},
        // the same fen as the figures and the capital amount
        {u"0.125", 4, u"零零壹叁"},
        {u"1.005", 4, u"零壹零壹"},
        {u"0.135", 4, u"零零壹肆"},
        {u"￥1,234.565", 8, u"零零壹贰叁肆伍柒"},
        {u"0", 3, u"零零零"},
        {u"0.05", 0, u"伍"},
        // read as every amount is read: a trailing % divides by 100
        {u"12.5%", 4, u"零零壹叁"},
        {u"$1,000%", 4, u"壹零零零"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CashToCapitalDigits(q(r.in), r.positions), q(r.out)) << q(r.in).toStdString();
}

TEST(CashToCapitalDigits, NegativeAndTooLongStayAsTyped)
{
    bool ok = true;
    EXPECT_EQ(CashToCapitalDigits(u"-12.5"_qs, 8, &ok), u"-12.5"_qs);
    EXPECT_FALSE(ok);
    EXPECT_EQ(CashToCapitalDigits(u"10000000000000"_qs, 8, &ok), u"10000000000000"_qs);
    EXPECT_FALSE(ok);
}

TEST(CapitalToNum, Table)
{
    struct Row
    {
        const char16_t *in;
        double code;
        const char16_t *out;
    };
    const Row rows[] = {
        {u"壹佰元伍角整", 103, u"100.5"},
        {u"壹仟零伍元整", 103, u"1005"},
        {u"壹万元整", 103, u"10000"},
        {u"壹亿零伍仟元整", 103, u"100005000"},
        {u"壹佰元零伍分", 103, u"100.05"},
        {u"零零壹贰叁肆伍陆", 114.08, u"1234.56"},
        {u"零零零零壹贰叁肆", 121.08, u"1234"},
        {u"壹佰圆伍角整", 120, u"100.5"},
        {u"伍分", 103, u"0.05"},
        {u"伍角整", 103, u"0.5"},
        {u"零元整", 103, u"0"},
        {u"壹万亿零万元整", 103, u"1000000000000"},
        {u"壹万亿元整", 103, u"1000000000000"},
        // a leading "-" is taken off and put back
        {u"-壹佰元整", 103, u"-100"},
        {u"-壹仟零伍元整", 103, u"-1005"},
        {u"-壹佰贰拾叁元整", 103, u"-123"},
        // forms never written, read as the rules read them; a text that does not begin
        // with a capital digit is no capital amount
        {u"壹万", 103, u"1"},
        {u"壹拾元", 103, u"10"},
        {u"拾元", 103, u"拾元"},
        // empty in, empty out; figures stay figures
        {u"", 103, u""},
        {u"", 114, u""},
        {u"100", 103, u"100"},
        {u"￥10,000,000,000,000.00", 103, u"￥10,000,000,000,000.00"},
        {u"-12.5", 114.08, u"-12.5"},
        // other kinds: unchanged
        {u"壹佰", 134, u"壹佰"},
        {u"abc", 0, u"abc"},
        {u"壹佰元整", 104, u"壹佰元整"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CapitalToNum(q(r.in), r.code), q(r.out)) << q(r.in).toStdString();
}

TEST(CapitalToNum, RoundTripOverManyAmounts)
{
    std::mt19937_64 rng(20140828);
    auto check = [](quint64 fen) {
        const QString x =
            QString::number(fen / 100) +
            (fen % 100 ? u'.' + QString::number(fen % 100).rightJustified(2, u'0') : QString());
        QString expect = x;
        if (expect.contains(u'.') && expect.endsWith(u'0'))
            expect.chop(1);
        const QString capital = CashToCapital(x, u"元"_qs);
        ASSERT_EQ(CapitalToNum(capital, 103), expect)
            << x.toStdString() << " " << capital.toStdString();
        ASSERT_EQ(CapitalToNum(CashToCapital(x, u"圆"_qs), 120), expect);
        ASSERT_EQ(CapitalToNum(u'-' + capital, 103), u'-' + expect);
    };
    // Every length of amount, with digits drawn so that runs of zeros are frequent.
    std::uniform_int_distribution<int> len(1, 15);
    std::uniform_int_distribution<int> digit(0, 9);
    std::bernoulli_distribution zero(0.45);
    for (int i = 0; i < 200000; ++i) {
        const int n = len(rng);
        quint64 fen = 0;
        for (int k = 0; k < n; ++k)
            fen = fen * 10 + quint64((k == 0 || !zero(rng)) ? std::max(1, digit(rng)) : 0);
        check(fen);
    }
    // The edges and every power of ten.
    check(1);
    check(999999999999999ULL);
    for (quint64 p = 1; p <= 100000000000000ULL; p *= 10)
        check(p);
}

TEST(ConvertDigits, Table)
{
    const Case back[] = {
        {u"贰零壹伍", u"2015"}, {u"零捌", u"8"},  {u"贰拾", u"20"},
        {u"拾伍", u"15"},       {u"拾", u"10"},   {u"零壹拾", u"10"},
        {u"贰拾伍", u"25"},     {u"3.5", u"3.5"}, {u"a1b2", u"12"},
    };
    for (const Case &c : back)
        EXPECT_EQ(ConvertDigits(q(c.in), -1), q(c.out)) << q(c.in).toStdString();
    EXPECT_EQ(ConvertDigits(u"2015"_qs, 1), u"贰零壹伍"_qs);
    EXPECT_EQ(ConvertDigits(u"年2015a"_qs, 0), u"年贰零壹伍a"_qs);
}

TEST(KeepChars, RemovesEverythingNotAllowed)
{
    EXPECT_EQ(KeepChars(u"1a2.b3"_qs, u"0123456789."), u"12.3"_qs);
    EXPECT_EQ(KeepChars(u"abc"_qs, u"0123456789"), QString());
    EXPECT_EQ(KeepChars(QString(), u"0"), QString());
}
