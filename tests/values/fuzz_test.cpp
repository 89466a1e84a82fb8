#include "values/amounts.h"
#include "values/code39.h"
#include "values/contentkind.h"
#include "values/dates.h"
#include "values/decimal.h"
#include "values/ean13.h"

#include "store/core/vb.h"

#include "print.h"

#include <gtest/gtest.h>

#include <random>

using namespace values;

namespace {

// Arbitrary text from the characters a slip's fields meet: digits, capitals and units, signs,
// separators, letters, blanks and a few others; now and then very long.
QString randomText(std::mt19937 &rng)
{
    static const QString alphabet = QStringLiteral(
        "0123456789零壹贰叁肆伍陆柒捌玖拾佰仟万亿元圆角分整.-,+￥$%eE 年月日:/abcXYZ*\t√\u00DF");
    std::uniform_int_distribution<int> pick(0, int(alphabet.size()) - 1);
    std::uniform_int_distribution<int> shortLen(0, 24);
    std::uniform_int_distribution<int> longLen(100, 3000);
    std::bernoulli_distribution isLong(0.02);
    std::bernoulli_distribution digitsOnly(0.3);
    const int n = isLong(rng) ? longLen(rng) : shortLen(rng);
    QString s;
    s.reserve(n);
    const bool digits = digitsOnly(rng);
    for (int i = 0; i < n; ++i)
        s.append(digits ? QChar(u'0' + pick(rng) % 10) : alphabet[pick(rng)]);
    return s;
}

bool hasExponent(const QString &s)
{
    return s.contains(u'e') || s.contains(u'E');
}

// A number text of ours: no exponent, only digits, one point and a leading sign.
void expectPlainNumber(const QString &s, const QString &in)
{
    ASSERT_FALSE(hasExponent(s)) << in.toStdString() << " -> " << s.toStdString();
    ASSERT_EQ(s, store::ValText(s)) << in.toStdString() << " -> " << s.toStdString();
}

} // namespace

TEST(Fuzz, EveryConverterTakesAnyText)
{
    std::mt19937 rng(828);
    const ValueEnv env{QDateTime(QDate(2014, 8, 28), QTime(10, 0)), {}};
    const double codes[] = {0,      1,   11,  99,  100, 101,    102, 103,   104, 104.01, 104.5,
                            105,    106, 107, 108, 109, 110,    111, 112,   113, 114.08, 115,
                            116,    117, 118, 119, 120, 121.08, 122, 123,   131, 134,    136,
                            136.08, 211, 250, 300, 311, 399,    400, 1e300, -5};
    for (int i = 0; i < 20000; ++i) {
        const QString t = randomText(rng);
        const bool inE = hasExponent(t);
        for (double code : codes) {
            const QString out = convertByKind(code, t, env);
            if (!(out == t && inE))
                ASSERT_FALSE(hasExponent(out)) << code << " " << t.toStdString();
            ASSERT_EQ(convertByKind(code, out, env), out) << code << " " << t.toStdString();
        }
        const QString cash = FormatCash(t, 2, true, true);
        if (t != u"-" && !t.isEmpty())
            ASSERT_TRUE(cash.startsWith(u'￥')) << t.toStdString();
        ASSERT_FALSE(hasExponent(cash));
        ASSERT_EQ(FormatCash(cash, 2, true, true), cash);
        bool ok = true;
        const QString capital = CashToCapital(t, u"元"_qs, &ok);
        ASSERT_TRUE(ok || capital == t);
        if (ok && !capital.isEmpty() && capital != t) {
            ASSERT_FALSE(hasExponent(capital));
            expectPlainNumber(CapitalToNum(capital, 103), t);
        }
        CashToCapitalDigits(t, 8, &ok);
        for (double code : {103.0, 114.0, 120.0, 121.0}) {
            const QString n = CapitalToNum(t, code);
            if (n != t)
                expectPlainNumber(n, t);
        }
        ConvertDigits(t, -1);
        ConvertDigits(t, 1);
        KeepChars(t, u"0123456789.");
        for (int part : {Year, Month, Day}) {
            ASSERT_EQ(GetDatePart(t, part, env.today()).size(), part == Year ? 4 : 2);
            DatePartToCapital(t, part);
            DateNumToCapital(t, part);
        }
        FormatDateStr(t, u"YYYY-MM-DD"_qs, env.today());
        IDCardToSex(t);
        ASSERT_TRUE(ToPostcode(t).isEmpty() || ToPostcode(t).size() == 6);
        expectPlainNumber(DecimalAdd(t, t), t);
        expectPlainNumber(DecimalMultiply(t, u"1.5"), t);
        ASSERT_EQ(CleanEAN13Str(t).size(), 13);
        QString e = t;
        ASSERT_EQ(EncodeEAN13(e).size(), 95);
        ASSERT_GE(MeasureCode39(t, 3), 0);
        Code39Modules(t);
    }
}
