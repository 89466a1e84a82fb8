#include "values/contentkind.h"

#include "values/amounts.h"
#include "values/dates.h"
#include "values/decimal.h"

#include "print.h"

#include "store/core/uilanguage.h"

#include <QSet>

#include <gtest/gtest.h>

#include <cmath>

using namespace values;

namespace {

const ValueEnv kEnv{QDateTime(QDate(2014, 8, 28), QTime(10, 20, 30)), {}};

QString q(const char16_t *s)
{
    return QString::fromUtf16(s);
}

struct Row
{
    double code;
    const char16_t *in;
    const char16_t *out;
};

} // namespace

TEST(GetCashDecimals, HundredthsRule)
{
    EXPECT_EQ(GetCashDecimals(104), 2);
    EXPECT_EQ(GetCashDecimals(104.01), 3);
    EXPECT_EQ(GetCashDecimals(104.5), 52);
    EXPECT_EQ(GetCashDecimals(104.97), 99);
    EXPECT_EQ(GetCashDecimals(104.98), 0);
    EXPECT_EQ(GetCashDecimals(104.99), 1);
    EXPECT_EQ(GetCashDecimals(117.03), 5);
}

TEST(ConvertByKind, Table)
{
    const Row rows[] = {
        {104, u"1234.5", u"￥1,234.50"},
        {104.98, u"1234.5", u"￥1,235"},
        {104.99, u"1234.5", u"￥1,234.5"},
        {104.01, u"1234.5", u"￥1,234.500"},
        {105, u"1234.5", u"1,234.50"},
        {117, u"1234.5", u"1234.50"},
        {11, u"1234.5", u"￥1,234.50"},
        {311, u"1234.5", u"1,234.50"},
        {118, u"1234.5", u"￥1234.50"},
        {123, u"1234.5", u"1234.50元"},
        {114.08, u"1234.56", u"零零壹贰叁肆伍陆"},
        {121.08, u"1234.56", u"零零零零壹贰叁肆"},
        {116, u"12.5", u"1250%"},
        {116, u"0.125", u"12.5%"},
        {116, u"12.5%", u"12.5%"},
        {136.08, u"12.5", u"12.50000"},
        {136, u"12.5", u"12.500000000"},
        {103, u"100", u"壹佰元整"},
        {120, u"100", u"壹佰圆整"},
        {134, u"100", u"壹佰"},
        {100, u"2014", u"贰零壹肆"},
        {101, u"8", u"零捌"},
        {102, u"28", u"贰拾捌"},
        {106, u"14", u"2014"},
        {107, u"3", u"03"},
        {108, u"40", u"28"},
        {109, u"100 01", u"010001"},
        {110, u"2014-8-28", u"2014年08月28日"},
        {111, u"2014/8/28", u"2014-08-28"},
        {112, u"2014-8-28", u"08月28日"},
        {113, u"2014-8-28", u"08-28"},
        {111, u"abc", u""},
        {131, u"110105199003071234", u"男"},
        {131, u"110105199003071248", u"女"},
        // kinds that leave the text as it is
        {0, u"1234.5", u"1234.5"},
        {0.5, u"1234.5", u"1234.5"},
        {-3, u"1234.5", u"1234.5"},
        {115, u"√", u"√"},
        {119, u"abc", u"abc"},
        {122, u"0001", u"0001"},
        {211, u"12345", u"12345"},
        {250, u"12345", u"12345"},
        {300, u"12345", u"12345"},
        {400, u"12345", u"12345"},
        {125, u"12345", u"12345"},
        {208.5, u"12345", u"12345"},
        {11, u"", u""},
        // mended: negative capital digits stay as typed, 136 keeps every integer digit,
        // too long for capitals stays as typed
        {114.08, u"-12.5", u"-12.5"},
        {121.08, u"-12.5", u"-12.5"},
        {136.03, u"12345", u"12345"},
        {136.03, u"-12345.6", u"-12345"},
        {103, u"10000000000000", u"10000000000000"},
        {120, u"￥10,000,000,000,000.00", u"￥10,000,000,000,000.00"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(convertByKind(r.code, q(r.in), kEnv), q(r.out))
            << r.code << " " << q(r.in).toStdString();
}

TEST(ConvertByKind, OneAmountOneRounding)
{
    // On one slip the figures, the capitals and the capital digits show the same fen.
    for (const char16_t *t : {u"0.125", u"1.005", u"2.675", u"0.135", u"1234.565", u"0.005"}) {
        const QString in = q(t);
        const QString figures = Decimal::fromText(convertByKind(117, in, kEnv)).toText();
        EXPECT_EQ(CapitalToNum(convertByKind(114.01, in, kEnv), 114.01), figures)
            << in.toStdString();
        EXPECT_EQ(CapitalToNum(convertByKind(103, in, kEnv), 103), figures) << in.toStdString();
    }
}

TEST(ConvertByKind, AmountKindsMapTheirOutputToItself)
{
    const double codes[] = {11,  103,    104, 104.01, 104.98, 105, 114.08, 116, 117, 118,
                            120, 121.08, 123, 134,    136.08, 311, 106,    107, 108, 109,
                            110, 111,    112, 113,    100,    101, 102,    131};
    const char16_t *texts[] = {u"1234.5",    u"0.125", u"-100",      u"￥1,234.56", u"12.5%",
                               u"100005000", u"0",     u"2014-8-28", u"3",          u"abc"};
    for (double code : codes) {
        for (const char16_t *t : texts) {
            const QString once = convertByKind(code, q(t), kEnv);
            EXPECT_EQ(convertByKind(code, once, kEnv), once) << code << " " << q(t).toStdString();
        }
    }
}

TEST(BorderForCode, BoxKindsOnly)
{
    for (double c : {1.0, 11.0, 99.0, 99.5, 0.5, 201.0, 211.0, 250.0, 300.0, 311.0, 399.9})
        EXPECT_EQ(borderForCode(c), 1) << c;
    for (double c : {0.0, -1.0, 100.0, 103.0, 114.08, 121.08, 200.0, 400.0, 500.0})
        EXPECT_EQ(borderForCode(c), 0) << c;
}

TEST(AutoConvert, EmptyTextKeepsTheBorder)
{
    EXPECT_EQ(AutoConvert(11, QString(), kEnv).border, std::nullopt);
    EXPECT_EQ(AutoConvert(11, QString(), kEnv).text, QString());
    const Converted c = AutoConvert(250, u"12"_qs, kEnv);
    EXPECT_EQ(c.text, u"12"_qs);
    EXPECT_EQ(c.border, 1);
    EXPECT_EQ(AutoConvert(114.08, u"1"_qs, kEnv).border, 0);
}

TEST(AutoFillDate, TodayByKind)
{
    const Row rows[] = {
        {100, u"", u"贰零壹肆"},       {101, u"", u"零捌"},        {102, u"", u"贰拾捌"},
        {106, u"", u"2014"},           {107, u"", u"08"},          {108, u"", u"28"},
        {110, u"", u"2014年08月28日"}, {111, u"", u"2014-08-28"},  {112, u"x", u"08月28日"},
        {113, u"", u"08-28"},          {103, u"100", u"壹佰元整"}, {0, u"note", u"note"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(AutoFillDate(r.code, q(r.in), kEnv).text, q(r.out)) << r.code;
    ValueEnv withPattern = kEnv;
    withPattern.para = [](const QString &key) {
        return key == u"自定义类型119" ? u"YYYY.MM.DD"_qs : QString();
    };
    EXPECT_EQ(AutoFillDate(119, u"old"_qs, withPattern).text, u"2014.08.28"_qs);
}

// This binary runs under LANG=C: the program's Chinese locale still gives the Chinese forms.
TEST(FormatDateByKind, ChineseFormsWhateverTheMachinesLocale)
{
    ASSERT_EQ(QLocale::system().language(), QLocale::C);
    store::UseChineseLanguage();
    const ValueEnv none{QDateTime(QDate(2014, 8, 28), QTime(9, 5, 7)), {}};
    EXPECT_EQ(FormatDateByKind(none.now, 119, none), u"2014/8/28 9:05:07"_qs);
    const Row rows[] = {{110, u"", u"2014年08月28日"},
                        {111, u"", u"2014-08-28"},
                        {112, u"x", u"08月28日"},
                        {113, u"", u"08-28"},
                        {119, u"", u"2014/8/28 9:05:07"}};
    for (const Row &r : rows)
        EXPECT_EQ(AutoFillDate(r.code, q(r.in), none).text, q(r.out)) << r.code;
    // What the fields show is read back as the same date.
    EXPECT_EQ(AutoConvert(110, u"2014/8/28 9:05:07"_qs, none).text, u"2014年08月28日"_qs);
    EXPECT_EQ(AutoConvert(111, u"2014年08月28日"_qs, none).text, u"2014-08-28"_qs);
}

TEST(ContentKindEntries, TheUsersList)
{
    const QStringList &e = ContentKindEntries();
    ASSERT_EQ(e.size(), 27);
    EXPECT_EQ(e.front(), u"000｜普通文本"_qs);
    EXPECT_EQ(e[10], u"011｜小写金额(对格 有￥)"_qs);
    EXPECT_EQ(e.back(), u"122｜自动编号"_qs);
    for (const QString &s : e) {
        EXPECT_EQ(s[3], QChar(0xFF5C)) << s.toStdString();
        EXPECT_EQ(s.left(3).toInt(), ContentKindOfEntry(s));
    }
    EXPECT_EQ(ContentKindOfEntry(u"011｜小写金额(对格 有￥)"_qs), 11);
    EXPECT_EQ(ContentKindOfEntry(u"119｜自定义日期：yyyy"_qs), 119);
}

// Every reader of a content kind code (page border and alignment, key filter, property dialog,
// printer) takes it from DecodeKind: one row per entry of the user's list, with the count the
// dialog stores beside it.
TEST(DecodeKind, EveryEntryOfTheList)
{
    using P = PrintForm;
    struct Expect
    {
        int entry;
        double count; // what the dialog stores with the entry (the code itself for the others)
        double code;
        int border;
        bool right;
        bool digits;
        P print;
        int boxes;
    } rows[] = {
        {0, 0, 0, 0, false, false, P::Lines, 0},
        {100, 100, 100, 0, false, false, P::Lines, 0},
        {101, 101, 101, 0, false, false, P::Lines, 0},
        {102, 102, 102, 0, false, false, P::Lines, 0},
        {103, 103, 103, 0, false, false, P::Lines, 0},
        {120, 120, 120, 0, false, false, P::Lines, 0},
        {104, 104, 104, 0, false, false, P::Lines, 0},
        {105, 105, 105, 0, false, true, P::Lines, 0},
        {117, 117, 117, 0, false, false, P::Lines, 0},
        {118, 118, 118, 0, false, false, P::Lines, 0},
        {11, 11, 11, 1, true, true, P::CashBoxes, 11},
        {11, 7, 7, 1, true, true, P::CashBoxes, 7},
        {311, 11, 311, 1, true, false, P::CashBoxes, 11},
        {311, 99, 399, 1, true, false, P::CashBoxes, 99},
        {211, 11, 211, 1, false, false, P::Boxes, 11},
        {211, 1, 201, 1, false, false, P::Boxes, 1},
        {106, 106, 106, 0, false, true, P::Lines, 0},
        {107, 107, 107, 0, false, true, P::Lines, 0},
        {108, 108, 108, 0, false, true, P::Lines, 0},
        {109, 109, 109, 0, false, false, P::Boxes, 6},
        {110, 110, 110, 0, false, false, P::Lines, 0},
        {111, 111, 111, 0, false, false, P::Lines, 0},
        {112, 112, 112, 0, false, false, P::Lines, 0},
        {113, 113, 113, 0, false, false, P::Lines, 0},
        {119, 119, 119, 0, false, false, P::Lines, 0},
        {114, 11, 114.11, 0, true, false, P::Lines, 0},
        {121, 8, 121.08, 0, true, false, P::Lines, 0},
        {115, 115, 115, 0, false, false, P::Lines, 0},
        {116, 116, 116, 0, false, false, P::Lines, 0},
        {122, 122, 122, 0, false, false, P::Lines, 0},
    };
    QSet<int> seen;
    for (const Expect &r : rows) {
        const double code = KindCode(r.entry, r.count);
        EXPECT_DOUBLE_EQ(code, r.code) << r.entry;
        const KindInfo k = DecodeKind(code);
        EXPECT_EQ(k.listKind, r.entry) << code;
        EXPECT_DOUBLE_EQ(k.count, r.count) << code;
        EXPECT_EQ(k.border, r.border) << code;
        EXPECT_EQ(k.rightAligned, r.right) << code;
        EXPECT_EQ(k.digitKeys, r.digits) << code;
        EXPECT_EQ(k.print, r.print) << code;
        EXPECT_EQ(k.boxes, r.boxes) << code;
        seen.insert(r.entry);
    }
    for (const QString &entry : ContentKindEntries())
        EXPECT_TRUE(seen.contains(ContentKindOfEntry(entry))) << entry.toStdString();
}

TEST(DecodeKind, CodesNoDialogWrites)
{
    // A fraction between the box ranges: the screen's border and the conversion's border are one.
    EXPECT_EQ(DecodeKind(200.5).border, 1);
    EXPECT_EQ(DecodeKind(200.5).kind, 200);
    EXPECT_EQ(DecodeKind(200.5).print, PrintForm::Nothing);
    EXPECT_EQ(DecodeKind(0.5).border, 1);
    EXPECT_EQ(DecodeKind(0.5).kind, 0);
    EXPECT_EQ(DecodeKind(99.5).border, 1);
    EXPECT_EQ(DecodeKind(300).print, PrintForm::Nothing);
    EXPECT_EQ(DecodeKind(300).border, 1);
    // The key filter rounds the code, the other readers cut it.
    EXPECT_TRUE(DecodeKind(104.6).digitKeys);
    EXPECT_EQ(DecodeKind(104.6).kind, 104);
    EXPECT_FALSE(DecodeKind(99.6).digitKeys);
    EXPECT_EQ(DecodeKind(104.98).listKind, 104);
    EXPECT_EQ(DecodeKind(104.98).decimals, 0);
    EXPECT_EQ(DecodeKind(123.01).decimals, 3);
    EXPECT_EQ(DecodeKind(136).print, PrintForm::Nothing);
    EXPECT_EQ(DecodeKind(-3).kind, 0);
    EXPECT_EQ(DecodeKind(3e12).kind, 0);
    // The capital-digit positions the dialog shows are those the conversion writes.
    for (int n = 1; n <= 99; ++n) {
        const double c114 = KindCode(114, n);
        const double c121 = KindCode(121, n);
        EXPECT_EQ(DecodeKind(c114).positions, n) << c114;
        EXPECT_EQ(DecodeKind(c121).positions, n) << c121;
        EXPECT_EQ(DecodeKind(c121).positions + 2, int(std::floor((c121 - 121 + 0.0201) * 100)));
    }
}
