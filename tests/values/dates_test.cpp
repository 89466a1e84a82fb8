#include "values/dates.h"

#include "store/core/vb.h"

#include "print.h"

#include <gtest/gtest.h>

using namespace values;

namespace {

const QDate kToday(2014, 8, 28);

QString q(const char16_t *s)
{
    return QString::fromUtf16(s);
}

} // namespace

TEST(GetDatePart, Table)
{
    struct Row
    {
        const char16_t *in;
        int part;
        const char16_t *out;
    };
    const Row rows[] = {
        {u"2014", Year, u"2014"},  {u"贰零壹肆", Year, u"2014"}, {u"14", Year, u"2014"},
        {u"6000", Year, u"2014"},  {u"1999", Year, u"1999"},     {u" 2015 ", Year, u"2015"},
        {u"3", Month, u"03"},      {u"零叁", Month, u"03"},      {u"13", Month, u"08"},
        {u"壹拾贰", Month, u"12"}, {u"32", Day, u"28"},          {u"5", Day, u"05"},
        {u"", Day, u"28"},         {u"abc", Month, u"08"},       {u"2014-08-28", Year, u"2014"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(GetDatePart(q(r.in), r.part, kToday), q(r.out)) << q(r.in).toStdString();
}

TEST(DatePartToCapital, Table)
{
    struct Row
    {
        const char16_t *in;
        int part;
        const char16_t *out;
    };
    const Row rows[] = {
        {u"2014", Year, u"贰零壹肆"},
        {u"1999", Year, u"1999"},
        {u"3", Month, u"零叁"},
        {u"10", Month, u"零壹拾"},
        {u"11", Month, u"壹拾壹"},
        {u"12", Month, u"壹拾贰"},
        {u"20", Day, u"零贰拾"},
        {u"25", Day, u"贰拾伍"},
        {u"28", Day, u"贰拾捌"},
        {u"30", Day, u"零叁拾"},
        {u"31", Day, u"叁拾壹"},
        {u"05", Day, u"零伍"},
        {u"叁", Month, u"叁"},
        {u"13", Month, u"13"},
        {u"", Month, u""},
        // built from the number, not the text
        {u"010", Month, u"零壹拾"},
        {u"10日", Day, u"零壹拾"},
        {u"3.0", Month, u"零叁"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(DatePartToCapital(q(r.in), r.part), q(r.out)) << q(r.in).toStdString();
}

TEST(FormatDateStr, PatternsAndReading)
{
    struct Row
    {
        const char16_t *in;
        const char16_t *pattern;
        const char16_t *out;
    };
    const Row rows[] = {
        {u"2014-8-28", u"YYYY年MM月DD日", u"2014年08月28日"},
        {u"2014-8-28", u"YYYY-MM-DD", u"2014-08-28"},
        {u"2014-8-28", u"MM月DD日", u"08月28日"},
        {u"2014-8-28", u"MM-DD", u"08-28"},
        {u"abc", u"YYYY-MM-DD", u""},
        // the outputs read back as dates
        {u"2014年08月28日", u"YYYY-MM-DD", u"2014-08-28"},
        {u"08月28日", u"YYYY-MM-DD", u"2014-08-28"},
        {u"08-28", u"YYYY年MM月DD日", u"2014年08月28日"},
        {u"3/5", u"YYYY-MM-DD", u"2014-03-05"},
        {u"2013/12/1 10:30", u"YYYY-MM-DD", u"2013-12-01"},
        {u"2013.12.1", u"YYYY-MM-DD", u"2013-12-01"},
        {u"20140828", u"YYYY-MM-DD", u"2014-08-28"},
        {u"2014-2-30", u"YYYY-MM-DD", u""},
        // identity numbers: 18 digits with carry-over, 15 digits in the 1900s
        {u"110105199003071234", u"YYYY-MM-DD", u"1990-03-07"},
        {u"11010519900307123X", u"YYYY-MM-DD", u"1990-03-07"},
        {u"110105199013321234", u"YYYY-MM-DD", u"1991-02-01"},
        {u"110105900307123", u"YYYY-MM-DD", u"1990-03-07"},
        // a long note is no identity number
        {u"a long note here..", u"YYYY-MM-DD", u""},
        {u"1101051990030 71234", u"YYYY-MM-DD", u""},
    };
    for (const Row &r : rows)
        EXPECT_EQ(FormatDateStr(q(r.in), q(r.pattern), kToday), q(r.out)) << q(r.in).toStdString();
}

TEST(IDCardToSex, Table)
{
    EXPECT_EQ(IDCardToSex(u"110105199003071234"_qs), u"男"_qs); // 17th character is 3
    EXPECT_EQ(IDCardToSex(u"110105199003071248"_qs), u"女"_qs);
    EXPECT_EQ(IDCardToSex(u"11010519900307123X"_qs), u"男"_qs); // 17th character is 3
    EXPECT_EQ(IDCardToSex(u"110105199003071240"_qs), u"女"_qs);
    EXPECT_EQ(IDCardToSex(u"110105900307123"_qs), u"男"_qs);
    EXPECT_EQ(IDCardToSex(u"110105900307124"_qs), u"女"_qs);
    EXPECT_EQ(IDCardToSex(u"11010590030712"_qs), u"11010590030712"_qs);
    EXPECT_EQ(IDCardToSex(u"abcdefghijklmnopqr"_qs), u"abcdefghijklmnopqr"_qs);
}

TEST(ToPostcode, Table)
{
    EXPECT_EQ(ToPostcode(u"100 01"_qs), u"010001"_qs);
    EXPECT_EQ(ToPostcode(u"12345678"_qs), u"123456"_qs);
    EXPECT_EQ(ToPostcode(u"abc"_qs), QString());
    EXPECT_EQ(ToPostcode(u"100080"_qs), u"100080"_qs);
    EXPECT_EQ(StripChars(u"a1b2"_qs, u"0123456789"), u"12"_qs);
}

TEST(FormatDateByKind, UserPatternOrSystemForm)
{
    const QDateTime now(kToday, QTime(9, 5, 7));
    ValueEnv env{now, [](const QString &key) {
                     return key == u"自定义类型119" ? u"yyyy年m月d日 hh:mm"_qs : QString();
                 }};
    EXPECT_EQ(FormatDateByKind(now, 119, env), u"2014年8月28日 09:05"_qs);
}

TEST(VbDates, DateSerialCarriesOver)
{
    EXPECT_EQ(store::DateSerial(1990, 13, 32), QDate(1991, 2, 1));
    EXPECT_EQ(store::DateSerial(0, 0, 0), QDate(1999, 11, 30));
    EXPECT_EQ(store::DateSerial(2014, 2, 29), QDate(2014, 3, 1));
    EXPECT_EQ(store::DateSerial(2014, -1, 1), QDate(2013, 11, 1));
    EXPECT_EQ(store::DateSerial(99, 12, 31), QDate(1999, 12, 31));
    EXPECT_FALSE(store::DateSerial(10000, 1, 1).has_value());
    EXPECT_FALSE(store::DateSerial(2014, 1, 99999999999LL).has_value());
}

TEST(VbDates, CDateAcceptsTheProgramsForms)
{
    const auto d = [](const char16_t *s) { return store::CDate(QString::fromUtf16(s), kToday); };
    EXPECT_EQ(d(u"2014-8-28")->date(), QDate(2014, 8, 28));
    EXPECT_EQ(d(u"2014/08/28")->date(), QDate(2014, 8, 28));
    EXPECT_EQ(d(u"2014.8.28")->date(), QDate(2014, 8, 28));
    EXPECT_EQ(d(u"2014年8月28日")->date(), QDate(2014, 8, 28));
    EXPECT_EQ(d(u"2014年8月28")->date(), QDate(2014, 8, 28));
    EXPECT_EQ(d(u"8月28日")->date(), QDate(2014, 8, 28));
    EXPECT_EQ(d(u"12-31")->date(), QDate(2014, 12, 31));
    EXPECT_EQ(d(u"02-29")->date(), QDate(2012, 2, 29));
    EXPECT_EQ(d(u" 2014-8-28 13:45:10 ")->time(), QTime(13, 45, 10));
    EXPECT_EQ(d(u"2014-08-28T07:00")->time(), QTime(7, 0));
    for (const char16_t *bad :
         {u"", u"14-8-28", u"2014-8", u"2014-8/28", u"2014-13-1", u"2014-8-28 25:00", u"2014-8-28x",
          u"3.5", u"201408281", u"2-30", u"abc", u"２０１４-8-28"})
        EXPECT_FALSE(d(bad).has_value()) << QString::fromUtf16(bad).toStdString();
}

TEST(VbDates, FormatTokens)
{
    const QDateTime v(QDate(2014, 8, 28), QTime(9, 5, 7));
    struct Row
    {
        const char16_t *pattern;
        const char16_t *out;
    };
    const Row rows[] = {
        {u"YYYY年MM月DD日", u"2014年08月28日"},
        {u"yyyy-mm-dd", u"2014-08-28"},
        {u"yy/m/d", u"14/8/28"},
        {u"hh:mm:ss", u"09:05:07"},
        {u"h:nn", u"9:05"},
        {u"mm:ss", u"05:07"},
        {u"dddd", u"星期四"},
        {u"mmmm", u"八月"},
        {u"\"Date\" d\\d", u"Date 28d"},
        {u"第X期", u"第X期"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(store::FormatDate(v, r.pattern), q(r.out)) << q(r.pattern).toStdString();
}
