// Field calculation on fields and a history held in memory.

#include "values/calc.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

using values::CalcFieldRow;
using values::CalcHistoryValue;

namespace {

struct FakeField
{
    CalcFieldRow row;
    QString text;
    std::optional<int> border;
    int writes = 0;
};

class FakeFields : public values::CalcFields
{
public:
    // A text field: ID, content kind, links RCtl/RCtl1, targets SumID/SumID1, caption.
    FakeFields &add(qint32 id, double code, double rctl = 0, double rctl1 = 0, double sum = 0,
                    double sum1 = 0, const QString &caption = {})
    {
        order.push_back(id);
        fields[id] = FakeField{{id, code, rctl, rctl1, sum, sum1, caption}, {}, {}, 0};
        return *this;
    }
    std::vector<CalcFieldRow> TextFieldRows() const override
    {
        std::vector<CalcFieldRow> rows;
        for (qint32 id : order)
            rows.push_back(fields.at(id).row);
        return rows;
    }
    QString Text(qint32 id) const override
    {
        const auto it = fields.find(id);
        return it == fields.end() ? QString() : it->second.text;
    }
    void SetText(qint32 id, const QString &text, std::optional<int> border) override
    {
        auto &f = fields.at(id);
        f.text = text;
        if (border)
            f.border = border;
        ++f.writes;
    }
    QString FormatName() const override { return QStringLiteral("转账支票"); }

    QString &text(qint32 id) { return fields.at(id).text; }

    std::vector<qint32> order;
    std::map<qint32, FakeField> fields;
};

class FakeHistory : public values::CalcHistory
{
public:
    qint32 FindHistoryByCon(const QString &fmt, qint32 id, const QString &content,
                            int &member) override
    {
        lookups.emplace_back(fmt, id, content);
        const auto it = answers.find({id, content});
        if (it == answers.end())
            return 0;
        member = it->second.second;
        return it->second.first;
    }
    std::vector<CalcHistoryValue> LoadPrint(const QString &, qint32 print) override
    {
        const auto it = prints.find(print);
        return it == prints.end() ? std::vector<CalcHistoryValue>{} : it->second;
    }

    std::map<std::pair<qint32, QString>, std::pair<qint32, int>> answers; // -> print, member
    std::map<qint32, std::vector<CalcHistoryValue>> prints;
    std::vector<std::tuple<QString, qint32, QString>> lookups;
};

values::ValueEnv env()
{
    return values::ValueEnv{QDateTime(QDate(2014, 8, 28), QTime(9, 30)), {}};
}

std::vector<qint32> calc(qint32 id, FakeFields &f, FakeHistory &h)
{
    return values::AutoCalc(id, f, h, env());
}

} // namespace

TEST(AutoCalc, FieldWithoutLinksChangesNothingButItself)
{
    FakeFields f;
    f.add(1, 104).add(2, 103);
    f.text(1) = "￥100.00";
    FakeHistory h;
    EXPECT_EQ(calc(1, f, h), std::vector<qint32>{1});
    EXPECT_EQ(f.fields[2].writes, 0);
    EXPECT_EQ(f.text(1), "￥100.00");
    // Nothing could be filled from a print: the history is not searched.
    EXPECT_TRUE(h.lookups.empty());
}

// A (kind 104) and B (kind 103) name each other as fields of the same content.
struct PairCase
{
    const char *typedIntoA; // A's text after its own conversion
    const char *bBefore;
    const char *aAfter;
    const char *bAfter;
};

class CapitalPair : public ::testing::TestWithParam<PairCase>
{
};

TEST_P(CapitalPair, EachSideGetsTheOthersValueInItsOwnKind)
{
    const PairCase &c = GetParam();
    FakeFields f;
    f.add(10, 104, 20).add(20, 103, 10);
    f.text(10) = QString::fromUtf8(c.typedIntoA);
    f.text(20) = QString::fromUtf8(c.bBefore);
    FakeHistory h;
    calc(10, f, h);
    EXPECT_EQ(f.text(10), QString::fromUtf8(c.aAfter));
    EXPECT_EQ(f.text(20), QString::fromUtf8(c.bAfter));
}

INSTANTIATE_TEST_SUITE_P(
    Values, CapitalPair,
    ::testing::Values(PairCase{"￥100.00", "", "￥100.00", "壹佰元整"},
                      PairCase{"￥1,234.50", "", "￥1,234.50", "壹仟贰佰叁拾肆元伍角整"},
                      // Clearing the figures clears the capitals and leaves the figures empty.
                      PairCase{"", "壹佰元整", "", ""},
                      // A negative amount stays itself on both sides.
                      PairCase{"￥-100.00", "", "￥-100.00", "-壹佰元整"},
                      // Too large for capitals: the capital field keeps the figures, and the
                      // figures are not reset from them.
                      PairCase{"￥10,000,000,000,000.00", "", "￥10,000,000,000,000.00",
                               "￥10,000,000,000,000.00"}));

TEST(AutoCalc, CapitalsTypedIntoTheCapitalFieldGiveTheFigures)
{
    FakeFields f;
    f.add(10, 104, 20).add(20, 103, 10);
    f.text(20) = "壹佰元整";
    FakeHistory h;
    const auto work = calc(20, f, h);
    EXPECT_EQ(f.text(10), "￥100.00");
    EXPECT_EQ(work, (std::vector<qint32>{20, 10}));
}

TEST(AutoCalc, SameContentChainGivesEveryFieldTheStartValue)
{
    // Boxed figures -> capitals -> stub figures, as on the transfer cheque.
    FakeFields f;
    f.add(3, 104).add(9, 103, 3).add(10, 12, 9);
    f.text(10) = "￥1,234.50";
    FakeHistory h;
    const auto work = calc(10, f, h);
    EXPECT_EQ(f.text(9), "壹仟贰佰叁拾肆元伍角整");
    EXPECT_EQ(f.text(3), "￥1,234.50");
    EXPECT_EQ(f.fields[3].border, 0);
    EXPECT_EQ(work, (std::vector<qint32>{10, 9, 3}));
}

TEST(AutoCalc, SecondLinkColumnWinsAndMissingFieldsEndTheWalk)
{
    FakeFields f;
    f.add(1, 0, 2, 3).add(2, 0).add(3, 0, 99);
    f.text(1) = "甲";
    FakeHistory h;
    calc(1, f, h);
    EXPECT_EQ(f.text(3), "甲");
    EXPECT_EQ(f.text(2), "");
}

struct TargetCase
{
    const char *a;
    double codeA;
    const char *b;
    double codeB;
    const char *expected; // text of the target, kind 104
};

class Targets : public ::testing::TestWithParam<TargetCase>
{
};

TEST_P(Targets, TargetIsRecomputedFromEveryFieldFeedingIt)
{
    const TargetCase &c = GetParam();
    FakeFields f;
    f.add(1, 0, 0, 0, c.codeA).add(2, 0, 0, 0, c.codeB).add(5, 104);
    f.text(1) = QString::fromUtf8(c.a);
    f.text(2) = QString::fromUtf8(c.b);
    FakeHistory h;
    calc(1, f, h);
    EXPECT_EQ(f.text(5), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Values, Targets,
                         ::testing::Values(TargetCase{"100", 5, "50", 5, "￥150.00"},
                                           TargetCase{"100", 5, "50", 5.1, "￥50.00"},
                                           TargetCase{"3", -5, "4", -5, "￥12.00"},
                                           TargetCase{"3", -5, "4", -5.1, "￥-12.00"},
                                           TargetCase{"3", -5, "", -5, ""},
                                           // Exact decimals: no residue ever reaches the amount.
                                           TargetCase{"1.1", 5, "2.2", 5, "￥3.30"},
                                           TargetCase{"￥1,234.50", 5, "12.5%", 5, "￥1,234.63"},
                                           TargetCase{"0.000000001", -5, "-1", -5, "￥0.00"}));

TEST(AutoCalc, SumOfThreeWithSubtractionIsExactlyZero)
{
    struct Row
    {
        const char *a, *b, *c;
    };
    for (const Row &r : {Row{"1.1", "2.2", "3.3"}, Row{"0.1", "0.2", "0.3"}}) {
        FakeFields f;
        f.add(1, 0, 0, 0, 7).add(2, 0, 0, 0, 7).add(3, 0, 0, 0, 7.1).add(7, 104);
        f.text(1) = r.a;
        f.text(2) = r.b;
        f.text(3) = r.c;
        FakeHistory h;
        calc(3, f, h);
        EXPECT_EQ(f.text(7), "￥0.00") << r.a << "+" << r.b << "-" << r.c;
    }
    // 100.1 - 100 - 0.1, in a plain figure field: exactly 0.
    FakeFields f;
    f.add(1, 0, 0, 0, 7).add(2, 0, 0, 0, 7.1).add(3, 0, 0, 0, 7.1).add(7, 0);
    f.text(1) = "100.1";
    f.text(2) = "100";
    f.text(3) = "0.1";
    FakeHistory h;
    calc(1, f, h);
    EXPECT_EQ(f.text(7), "0");
}

TEST(AutoCalc, ProductEqualToTheOldMarkerIsKept)
{
    FakeFields f;
    f.add(1, 0, 0, 0, -7).add(2, 0, 0, 0, -7).add(7, 0);
    f.text(1) = "0.000000001";
    f.text(2) = "-1";
    FakeHistory h;
    calc(1, f, h);
    EXPECT_EQ(f.text(7), "-0.000000001");
}

TEST(AutoCalc, TargetNamingTheFieldItselfIsIgnored)
{
    FakeFields f;
    f.add(1, 104, 0, 0, 1);
    f.text(1) = "￥5.00";
    FakeHistory h;
    EXPECT_EQ(calc(1, f, h), std::vector<qint32>{1});
    EXPECT_EQ(f.text(1), "￥5.00");
}

TEST(AutoCalc, ChangedTargetIsProcessedInTurn)
{
    // A adds into T, T is the same content as the capitals C.
    FakeFields f;
    f.add(1, 0, 0, 0, 2).add(2, 104, 3).add(3, 103);
    f.text(1) = "20";
    FakeHistory h;
    const auto work = calc(1, f, h);
    EXPECT_EQ(f.text(2), "￥20.00");
    EXPECT_EQ(f.text(3), "贰拾元整");
    EXPECT_EQ(work, (std::vector<qint32>{1, 2, 3}));
}

TEST(AutoCalc, CyclicLinksAndTargetsEnd)
{
    FakeFields f;
    // A feeds B, B feeds A negated (a product), and both are the same content as each other.
    f.add(1, 0, 2, 0, 2).add(2, 0, 1, 0, -1.1);
    f.text(1) = "1";
    FakeHistory h;
    const auto work = calc(1, f, h);
    EXPECT_LE(work.size(), 2u);
}

TEST(AutoCalc, RelatedFieldsFillFromTheHistoryAsStored)
{
    // 收款人 (1) is related to 账号 (2), 账号 to 开户银行 (3).
    FakeFields f;
    f.add(1, 0, -2).add(2, 104, -3).add(3, 0);
    f.text(1) = "甲公司";
    FakeHistory h;
    h.answers[{1, "甲公司"}] = {7, 0};
    h.prints[7] = {{1, "甲公司", "收款人"}, {2, "6222", "账号"}, {3, "工行", "开户银行"}};
    const auto work = calc(1, f, h);
    EXPECT_EQ(f.text(2), "6222"); // not converted to the field's kind
    EXPECT_EQ(f.text(3), "工行");
    EXPECT_EQ(work, (std::vector<qint32>{1, 2, 3}));
    ASSERT_FALSE(h.lookups.empty());
    EXPECT_EQ(h.lookups.front(), std::make_tuple(QString("转账支票"), 1, QString("甲公司")));
}

TEST(AutoCalc, RelatedFieldAlreadyHoldingTheValueEndsTheWalk)
{
    FakeFields f;
    f.add(1, 0, -2).add(2, 0, -3).add(3, 0);
    f.text(1) = "甲公司";
    f.text(2) = "6222";
    FakeHistory h;
    h.answers[{1, "甲公司"}] = {7, 0};
    h.prints[7] = {{2, "6222", "账号"}, {3, "工行", "开户银行"}};
    calc(1, f, h);
    EXPECT_EQ(f.text(3), "");
}

TEST(AutoCalc, GroupMemberTakesWhatTheMatchingMemberHeld)
{
    // 全称_1 related to 账号_1; the name was printed before as 全称_2.
    FakeFields f;
    f.add(11, 0, -12, 0, 0, 0, "全称_1").add(12, 0, 0, 0, 0, 0, "账号_1");
    f.add(21, 0, -22, 0, 0, 0, "全称_2").add(22, 0, 0, 0, 0, 0, "账号_2");
    f.text(11) = "乙公司";
    FakeHistory h;
    h.answers[{11, "乙公司"}] = {3, 2};
    h.prints[3] = {{11, "丙公司", "全称_1"},
                   {12, "1111", "账号_1"},
                   {21, "乙公司", "全称_2"},
                   {22, "2222", "账号_2"}};
    calc(11, f, h);
    EXPECT_EQ(f.text(12), "2222");
    EXPECT_EQ(f.text(22), "");
}

TEST(AutoCalc, EmptyFieldIsLookedUpInNoPrint)
{
    FakeFields f;
    f.add(1, 0, -2).add(2, 0);
    f.text(2) = "x";
    FakeHistory h;
    h.answers[{1, ""}] = {7, 0};
    h.prints[7] = {{2, "", "账号"}};
    calc(1, f, h);
    EXPECT_TRUE(h.lookups.empty());
    EXPECT_EQ(f.text(2), "x");
}

TEST(ComputeTarget, SumsAndProductsOfNumberTexts)
{
    using values::ComputeTarget;
    EXPECT_EQ(ComputeTarget(false, {}), "0");
    EXPECT_EQ(ComputeTarget(true, {}), "1");
    EXPECT_EQ(ComputeTarget(false, {{5, "1.1"}, {5, "2.2"}, {5.1, "3.3"}}), "0");
    EXPECT_EQ(ComputeTarget(true, {{-5, "1.5"}, {-5.1, "2"}}), "-3");
    EXPECT_EQ(ComputeTarget(true, {{-5, "1.5"}, {-5, ""}}), std::nullopt);
    EXPECT_EQ(ComputeTarget(false, {{5, "1.5"}, {5, ""}}), "1.5");
    // Ten decimals at most, never an exponent.
    EXPECT_EQ(ComputeTarget(true, {{-5, "0.00001"}, {-5, "0.00001"}}), "0.0000000001");
    EXPECT_EQ(ComputeTarget(true, {{-5, "0.000001"}, {-5, "0.000001"}}), "0");
}
