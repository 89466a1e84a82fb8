#include "print/textlayout.h"

#include "oldwrap.h"
#include "print/twippainter.h"
#include "recorder.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <cmath>
#include <random>

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

// The lines a wrapping draws with the real font metrics of a 300 dpi image, on paper so large
// that nothing is left out: each line's characters, their places and its top.
class LineRecorder : public TwipPainter
{
public:
    LineRecorder(QPainter &painter, QImage &image) : TwipPainter(painter, image, QSizeF(1e9, 1e9))
    {
    }
    void PrintChars(const QStringList &chars, const QList<double> &xs, double y) override
    {
        if (chars.isEmpty())
            return;
        QString line = QString::number(y) + u':';
        for (qsizetype i = 0; i < chars.size(); ++i)
            line += chars.at(i) + u'@' + QString::number(xs.at(i), 'g', 17) + u' ';
        lines << line;
        texts << chars.join(QString());
    }
    QStringList lines, texts;
};

TEST(MultiLineTest, SearchGivesTheSameLinesAsMeasuringEveryRun)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    QPainter painter(&image);
    const QString zeroWidth = QStringLiteral("Cafe\u0301 re\u0301sume\u0301 a\u200bb\u00adc "
                                             "\u200d\u200d\u200dend");
    const QStringList texts = {
        QStringLiteral("中华人民共和国北京市海淀区某某科技发展有限公司，壹仟贰佰叁拾肆元伍角整。"
                       "工商银行北京分行营业部代收款项"),
        QStringLiteral("AVATAR Tower WAVE To Yo. Ta, LTAV office ffl  two  blanks, Smith & Co. "
                       "Wolfgang VAT Tj Ty"),
        QStringLiteral("6222021001088888 1234567890 0001 9999.99 1,234,567.89 -35.2 11111111"),
        QStringLiteral("ＡＢＣ１２３，。！（）【】￥：；　ＶＡＷ％＆＊＋－＝〇一二三"),
        QStringLiteral("𠀀𠀁𠮷𩸽𡈽字𠀀A𝐀𝐁𝐂😀😁1𠮷2"),
        QStringLiteral("第一行\r\n\r\nsecond line that runs on\nthird\rfourth 第四\r\n"),
        QStringLiteral("收款单位0001有限公司 Bank of Quorvan（分行）账号6222 0210；𠮷野家 AV "
                       "ＡＶ\n\n末行"),
        zeroWidth,
    };
    const struct
    {
        FontSpec font;
        int align;
    } fonts[] = {{{QStringLiteral("宋体"), 12}, 0},
                 {{QStringLiteral("DejaVu Sans"), 9, false, true}, 1},
                 {{QStringLiteral("Nimbus Roman"), 14, true}, 2}};
    const double widths[] = {1, 300, 1517.5, 4000, 9000};
    // Twips; the last spacing is wider than the narrow letters.
    const double spacings[] = {0, 37.5, -10, -60};
    int compared = 0;
    for (const auto &f : fonts) {
        for (const QString &text : texts) {
            for (double w : widths) {
                for (double spacing : spacings) {
                    LineRecorder was(painter, image), now(painter, image);
                    was.SetFont(f.font);
                    now.SetFont(f.font);
                    printtest::OldPrintMultiLineStr(was, text, 500, 30.5, w, spacing, 12, f.align);
                    PrintMultiLineStr(now, text, 500, 30.5, w, spacing, 12, f.align);
                    ASSERT_FALSE(was.lines.isEmpty());
                    ASSERT_EQ(now.lines, was.lines)
                        << f.font.name.toStdString() << " w " << w << " spacing " << spacing
                        << " text " << text.toStdString();
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 3 * 8 * 5 * 4);
}

// The rule as it stands, plainly: for each line the first o characters of the rest, o from the
// rest's length down to 2, until their width and o - 1 gaps fit; else one character. Each line
// as its characters; `turns` counts the lines that fit although a shorter run does not.
QStringList RuleLines(TextSurface &s, const QString &text, double w, double spacing, int &turns)
{
    QStringList lines;
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    for (const QString &source : text.split(breaks)) {
        QStringList rest = SplitChars(source);
        while (!rest.isEmpty()) {
            qsizetype take = 1;
            for (qsizetype o = rest.size(); o >= 2; --o) {
                if (s.TextWidth(rest.mid(0, o).join(QString())) + spacing * double(o - 1) <= w) {
                    take = o;
                    break;
                }
            }
            for (qsizetype o = take - 1; o >= 2; --o) {
                if (s.TextWidth(rest.mid(0, o).join(QString())) + spacing * double(o - 1) > w) {
                    ++turns;
                    break;
                }
            }
            lines << rest.mid(0, take).join(QString());
            rest = rest.mid(take);
        }
    }
    return lines;
}

// The printed lines of a text, each as its characters (empty lines draw nothing).
QStringList CutterLines(LineRecorder &r, const QString &text, double w, double spacing)
{
    r.lines.clear();
    r.texts.clear();
    // Far from the paper's edges, where a line that runs back left is drawn whole too.
    PrintMultiLineStr(r, text, 1e6, 0, w, spacing, 0, 0);
    return r.texts;
}

// Where two lists of lines first differ: the line's number and both lines, as code points.
std::string FirstDifference(QStringList a, QStringList b)
{
    a.removeAll(QString());
    b.removeAll(QString());
    auto codes = [](const QString &line) {
        QString out;
        for (const uint c : line.toUcs4())
            out += QString::number(c, 16) + u' ';
        return out.toStdString();
    };
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (a.value(i) != b.value(i))
            return "line " + std::to_string(i) + ": " + codes(a.value(i)) + "/ " +
                   codes(b.value(i));
    }
    return "none";
}

// Lines as one readable text, the empty ones left out.
std::string Shown(const QStringList &lines)
{
    QStringList shown = lines;
    shown.removeAll(QString());
    return shown.join(QStringLiteral(" | ")).toStdString();
}

TEST(MultiLineTest, NegativeSpacingBreaksWhereTheRuleDoes)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    QPainter painter(&image);
    LineRecorder r(painter, image);
    r.SetFont({QStringLiteral("Noto Sans CJK SC"), 10.5});
    const QString text = QStringLiteral("中国iiii工商银行iiii北京分行");
    // The narrow letters pull the run back under the box after 国 no longer fits beside 中.
    int turns = 0;
    const QStringList rule = RuleLines(r, text, 360, -60, turns);
    ASSERT_GE(rule.size(), 4);
    EXPECT_EQ(Shown(rule.mid(0, 4)), "中国iiii | 工 | 商 | 银行iiii");
    EXPECT_GT(turns, 0);
    EXPECT_EQ(Shown(CutterLines(r, text, 360, -60)), Shown(rule));

    // At -0.1 mm a long run of combining marks or of zero-width characters, each taking a gap
    // and no width, pulls the whole text back into the box: one line, though its first two
    // characters do not fit.
    const double spacing = -0.1 * 1440 / 25.4;
    const QString marks =
        QStringLiteral("工商") + QString(300, QChar(0x0301)) + QStringLiteral("行");
    const QString zeroWidth =
        QStringLiteral("中国工商银行") + QString(250, QChar(0x200b)) + QStringLiteral("北京");
    for (const QString &pulled : {marks, zeroWidth}) {
        const QStringList whole = RuleLines(r, pulled, 360, spacing, turns);
        EXPECT_EQ(whole, QStringList{pulled});
        EXPECT_EQ(Shown(CutterLines(r, pulled, 360, spacing)), Shown(whole));
    }
}

// Random texts of every kind of character at random widths and spacings (-2 mm to 5 mm), in
// three real fonts: the lines are the rule's every time.
TEST(MultiLineTest, RandomTextsBreakWhereTheRuleDoes)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    QPainter painter(&image);
    const QStringList kinds[] = {
        // CJK, Latin, narrow letters and signs, combining marks, zero-width characters,
        // full-width forms, characters beyond the BMP, blanks and breaks.
        {"中", "国", "工", "商", "银", "行", "北", "京", "分", "钟", "壹", "仟", "，", "。"},
        {"A", "V", "W", "a", "o", "T", "y", "f", "e", "m", "0", "7", "&"},
        {"i", "l", "j", "I", "!", ".", ",", "|", "'", "t", "f"},
        {"\u0301", "\u0308", "\u0323", "\u0332", "\u20dd"},
        {"\u200b", "\u200c", "\u200d", "\u2060", "\ufeff", "\u00ad"},
        {"Ａ", "Ｗ", "１", "（", "）", "￥", "　"},
        {"𠀀", "𠮷", "𩸽", "𝐀", "😀"},
        {" ", " ", "\t", "\r\n", "\n"},
    };
    const FontSpec fonts[] = {{QStringLiteral("Noto Sans CJK SC"), 10.5},
                              {QStringLiteral("DejaVu Sans"), 9, false, true},
                              {QStringLiteral("Nimbus Roman"), 14, true}};
    std::mt19937 random(48151623);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    auto below = [&](qsizetype n) {
        return qsizetype(std::uniform_int_distribution<qsizetype>(0, n - 1)(random));
    };
    const double mm = 1440 / 25.4;
    int cases = 0, negative = 0, turns = 0;
    for (const FontSpec &font : fonts) {
        LineRecorder r(painter, image);
        r.SetFont(font);
        for (int i = 0; i < 410; ++i) {
            // Each text draws on a few kinds of character, so that runs of one kind occur; the
            // last few are long, in wide boxes, with runs of a kind, so that a line can fit again
            // far on.
            const bool longer = i >= 400;
            QList<qsizetype> mix;
            for (int k = 0, n = 1 + int(below(3)); k < n; ++k)
                mix << below(std::size(kinds));
            QString text;
            for (qsizetype n = longer ? 120 + below(80) : 1 + below(60); n > 0;) {
                const QStringList &kind = kinds[mix.at(below(mix.size()))];
                for (qsizetype run = longer ? 1 + below(30) : 1; run > 0 && n > 0; --run, --n)
                    text += kind.at(below(kind.size()));
            }
            const double widths[] = {0, uniform(0, 60), uniform(60, 800), uniform(800, 4000)};
            const double w = longer ? uniform(1500, 6000) : widths[below(4)];
            double spacing = uniform(-2 * mm, 5 * mm);
            if (i % 3 == 0)
                spacing = uniform(-2 * mm, 0);
            else if (i % 7 == 0)
                spacing = -0.1 * mm;
            const QStringList rule = RuleLines(r, text, w, spacing, turns);
            ASSERT_EQ(Shown(CutterLines(r, text, w, spacing)), Shown(rule))
                << FirstDifference(CutterLines(r, text, w, spacing), rule)
                << font.name.toStdString() << " w " << w << " spacing " << spacing << " text "
                << text.toStdString();
            ++cases;
            negative += spacing < 0;
        }
    }
    EXPECT_EQ(cases, 1230);
    EXPECT_GT(negative, 500);
    // Lines that fit after a shorter run did not: the case a search that assumes growing runs
    // gets wrong.
    EXPECT_GT(turns, 20);
}

// Text measured as shaped text is, by a plain table: ideographs 210 twips, narrow letters 28,
// marks and zero-width characters nothing, others 110; the pairs AV, VA and To kern by -25, "ffi"
// takes the place of a ligature 20 narrower, and a tab moves on to the next multiple of 500
// from the start of the text.
class Shaped : public printtest::Recorder
{
public:
    using Recorder::Recorder;
    double TextWidth(const QString &text) override
    {
        double x = 0;
        uint before = 0, before2 = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            uint c = text.at(i).unicode();
            if (text.at(i).isHighSurrogate() && i + 1 < text.size()) {
                c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
                ++i;
            }
            if (c == '\t')
                x = (std::floor(x / 500) + 1) * 500;
            else if (c >= 0x4e00)
                x += 210;
            else if (QStringLiteral("il.,|'!").contains(QChar(c)))
                x += 28;
            else if ((c >= 0x300 && c < 0x370) || c == 0x200b || c == 0x200d || c == 0x2060)
                x += 0;
            else
                x += 110;
            if ((before == 'A' && c == 'V') || (before == 'V' && c == 'A') ||
                (before == 'T' && c == 'o'))
                x -= 25;
            if (before2 == 'f' && before == 'f' && c == 'i')
                x -= 20;
            before2 = before;
            before = c;
        }
        return x;
    }
};

// Long texts, whose lines run over many of the pieces the cutter measures ahead, against the rule
// on a surface that measures as shaped text does.
TEST(MultiLineTest, LongTextsBreakWhereTheRuleDoes)
{
    const QStringList kinds[] = {
        {"中", "国", "工", "商", "银"},
        {"A", "V", "T", "o", "f", "i", "e", "7"},
        {"i", "l", ".", "|", "f", "f"},
        {"\u0301", "\u0308", "\u200b", "\u200d", "\u2060"},
        {"𠮷", "😀", "𝐀"},
        {" ", "\t", "\r\n"},
    };
    std::mt19937 random(16180339);
    auto below = [&](qsizetype n) {
        return qsizetype(std::uniform_int_distribution<qsizetype>(0, n - 1)(random));
    };
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    const double mm = 1440 / 25.4;
    Shaped s;
    int turns = 0;
    for (int i = 0; i < 300; ++i) {
        // Long runs of one kind: a stretch of narrow or zero-width characters lets a long run fit
        // again far on.
        QString text;
        for (qsizetype n = 64 + below(400); text.size() < n;) {
            const QStringList &kind = kinds[below(std::size(kinds))];
            for (qsizetype run = 1 + below(40); run > 0; --run)
                text += kind.at(below(kind.size()));
        }
        const double widths[] = {0, uniform(0, 300), uniform(300, 3000), uniform(3000, 20000)};
        const double w = widths[below(4)];
        // Around the width of the characters too, where a run barely grows or shrinks.
        const double spacings[] = {uniform(-2 * mm, 0), -uniform(100, 115), -uniform(20, 30),
                                   uniform(0, 5 * mm)};
        const double spacing = spacings[below(4)];
        const QStringList rule = RuleLines(s, text, w, spacing, turns);
        Shaped printed(1e6, 1e6); // paper far wider and taller than the lines
        PrintMultiLineStr(printed, text, 1e6, 0, w, spacing, 0, 0);
        QStringList lines;
        double y = -1;
        for (const printtest::Text &t : printed.texts) {
            if (t.y != y)
                lines << QString();
            y = t.y;
            lines.last() += t.text;
        }
        ASSERT_EQ(Shown(lines), Shown(rule))
            << FirstDifference(lines, rule) << " w " << w << " spacing " << spacing << " text "
            << text.toStdString();
    }
    EXPECT_GT(turns, 100);
}

// A recorder that counts what it measures.
class Counting : public Recorder
{
public:
    using Recorder::Recorder;
    double TextWidth(const QString &text) override
    {
        ++measures;
        measured += text.size();
        return Recorder::TextWidth(text);
    }
    qsizetype measures = 0, measured = 0;
};

QString Repeated(const QString &unit, qsizetype n)
{
    QString s;
    while (s.size() < n)
        s += unit;
    s.truncate(n);
    return s;
}

TEST(MultiLineTest, LongTextsCostInProportionToWhatCanPrint)
{
    // 19 characters and 18 gaps of 5 fit into 1990 twips: every line is measured about twice,
    // however long the text is, and each character once more as it is placed.
    const QString text = Repeated(QStringLiteral("中"), 200000);
    Counting tall(210, 1e7);
    PrintMultiLineStr(tall, text, 0, 0, 2050, 5, 0, 0);
    EXPECT_EQ(tall.texts.size(), text.size());
    EXPECT_EQ(tall.texts.constLast().y, 201.0 * (200000 / 19));
    EXPECT_LT(tall.measured, 4 * text.size());

    // On a sheet of A4 only the lines down to its bottom edge are laid out and drawn.
    const QString huge = Repeated(QStringLiteral("中"), 1750000);
    Counting a4;
    PrintMultiLineStr(a4, huge, 0, 0, 2050, 5, 0, 0);
    const double bottom = a4.PaperHeight();
    ASSERT_FALSE(a4.texts.isEmpty());
    EXPECT_LT(a4.texts.constLast().y, bottom + 200);
    EXPECT_GE(a4.texts.constLast().y, bottom - 201);
    EXPECT_LT(a4.measured, 10000);

    // Lines that climb (a negative line spacing) stop at the top edge; a field wider than the
    // paper draws only what lies on it.
    Counting climbing;
    PrintMultiLineStr(climbing, huge, 0, 2000, 2050, 5, -600, 0);
    EXPECT_LT(climbing.measured, 10000);
    EXPECT_LE(climbing.texts.size(), 19 * 7);
    Counting wide;
    PrintMultiLineStr(wide, huge, -500, 0, 1e12, 0, 0, 0);
    EXPECT_GE(wide.texts.size(), wide.PaperWidth() / 100);
    EXPECT_LE(wide.texts.size(), wide.PaperWidth() / 100 + 8);

    // A negative spacing: the text is measured once in pieces, and each line a few times more.
    Counting pulled(210, 1e7);
    PrintMultiLineStr(pulled, text, 0, 0, 2050, -5, 0, 0);
    EXPECT_EQ(pulled.texts.size(), text.size());
    EXPECT_EQ(pulled.texts.constLast().y, 201.0 * ((200000 - 1) / 21)); // 21 * 95 + 5 fit
    EXPECT_LT(pulled.measured, 8 * text.size());
    // On A4 that stays so however long the text is, and a spacing that pulls each character
    // back by its whole width or more lets the whole text fit on one line. A slight pull
    // measures the text only as far as a run that ends beyond could still be pulled back.
    for (double spacing : {-0.5, -99.5, -100.0, -150.0}) {
        Counting sheet;
        PrintMultiLineStr(sheet, huge, 0, 0, 2050, spacing, 0, 0);
        ASSERT_FALSE(sheet.texts.isEmpty());
        EXPECT_LT(sheet.measured, 4 * huge.size()) << spacing;
        if (spacing == -0.5)
            EXPECT_LT(sheet.measured, 50000) << sheet.measured;
        if (spacing <= -100)
            EXPECT_EQ(sheet.texts.constLast().y, 0) << spacing;
    }

    // Boxes: a text far longer than its boxes draws the boxes on the paper, at either end.
    for (int align : {0, 1}) {
        Counting boxes;
        PrintStrInBoxes(boxes, huge, 1000, 0, 1200, 6, align);
        ASSERT_FALSE(boxes.texts.isEmpty());
        EXPECT_LT(boxes.texts.size(), boxes.PaperWidth() / 200 + 4);
        for (const printtest::Text &t : boxes.texts)
            EXPECT_TRUE(t.x > -300 && t.x < boxes.PaperWidth() + 200) << t.x;
        if (align == 1)
            EXPECT_DOUBLE_EQ(boxes.texts.constLast().x, 1000 + 5 * 200 + 50);
    }
}

} // namespace
