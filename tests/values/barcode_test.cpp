#include "values/code39.h"
#include "values/ean13.h"
#include "values/fonts.h"

#include "store/core/units.h"

#include "print.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace values;

namespace {

QString zbarimg()
{
    return QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
}

// The text zbarimg reads from an image ("" when it finds no symbol).
QString decode(const QImage &image)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("symbol.png"));
    if (!image.save(file))
        return QStringLiteral("<not saved>");
    QProcess p;
    p.start(zbarimg(), {QStringLiteral("--raw"), QStringLiteral("-q"), file});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QImage blankImage(double widthMm, double heightMm, double dpi)
{
    const double pxPerMm = dpi / 25.4;
    QImage img(int(widthMm * pxPerMm), int(heightMm * pxPerMm), QImage::Format_RGB32);
    img.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    img.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    img.fill(Qt::white);
    return img;
}

bool anyInk(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                return true;
    return false;
}

} // namespace

TEST(Code39, TableInTheFiveBarsFourSpacesForm)
{
    EXPECT_STREQ(Code39Pattern(Code39Index(u'0')), "001100100");
    EXPECT_STREQ(Code39Pattern(Code39Index(u'A')), "100010010");
    EXPECT_STREQ(Code39Pattern(Code39Index(u'*')), "001101000");
    EXPECT_STREQ(Code39Pattern(Code39Index(u'$')), "000001110");
    EXPECT_STREQ(Code39Pattern(Code39Index(u'%')), "000000111");
    EXPECT_EQ(Code39Pattern(40), nullptr);
    EXPECT_EQ(Code39Index(u'.'), -1);
    EXPECT_EQ(Code39Index(u'a'), -1);
    // three wide elements in every character, all patterns different
    QSet<QString> seen;
    for (int i = 0; i < 40; ++i) {
        const QString p = QString::fromLatin1(Code39Pattern(i));
        EXPECT_EQ(p.count(u'1'), 3) << i;
        seen.insert(p);
    }
    EXPECT_EQ(seen.size(), 40);
}

TEST(Code39, Framing)
{
    EXPECT_EQ(PrepareCode39Text(u"abc"_qs), u"*ABC*"_qs);
    EXPECT_EQ(PrepareCode39Text(u"*AB*"_qs), u"*AB*"_qs);
    EXPECT_EQ(PrepareCode39Text(u"*AB"_qs), u"*AB*"_qs);
    EXPECT_EQ(PrepareCode39Text(u"ß"_qs), u"*ß*"_qs); // only ASCII letters change case
}

TEST(Code39, StandardWidthsMeasureAndSearch)
{
    // narrow = X, wide = 3X for bars and spaces, a 3X gap: 18X per character
    EXPECT_EQ(MeasureCode39(u"A"_qs, 10), 540);
    EXPECT_EQ(MeasureCode39(u"$"_qs, 10), 540);
    EXPECT_EQ(MeasureCode39(QString(), 10), 0);
    EXPECT_EQ(GetCode39BarWidth(u"A"_qs, 1000), 18);
    EXPECT_EQ(GetCode39BarWidth(u"12345"_qs, 50000), 396);
    EXPECT_EQ(GetCode39BarWidth(QString(), 1000), 0);
    // already wider than the field at X = 10: the search counts down to 0
    EXPECT_EQ(GetCode39BarWidth(u"ABCDEFGHIJ"_qs, 100), 0);
    EXPECT_EQ(Code39Modules(u"A"_qs).size(), 54);
    // "*": narrow bar, wide space, narrow bar, narrow space, wide bar, ... and the gap
    EXPECT_EQ(Code39Modules(u"A"_qs).left(18), u"100010111011101000"_qs);
}

TEST(Code39, InvalidCharactersStopTheSymbol)
{
    bool valid = true;
    EXPECT_EQ(Code39Modules(u"AB.C"_qs, &valid).size(), 54); // "*", "A" and "B"
    EXPECT_FALSE(valid);
    Code39Modules(u"A*B"_qs, &valid);
    EXPECT_FALSE(valid);
    Code39Modules(u"*A-$%9*"_qs, &valid);
    EXPECT_TRUE(valid);
    const BarcodeLayout l = LayoutCode39(u"A B"_qs, 0, 0, 100, 10, -1, &valid);
    EXPECT_FALSE(valid);
    EXPECT_EQ(l.bars.size(), 10); // "*" and "A" stay drawn
}

TEST(Code39, TextUnderEachCharacterIncludingTheFrame)
{
    const BarcodeLayout l = LayoutCode39(u"AB"_qs, 100, 200, 500, 10, 700);
    ASSERT_EQ(l.texts.size(), 4);
    EXPECT_EQ(l.texts[0].text, u"*"_qs);
    EXPECT_EQ(l.texts[3].text, u"*"_qs);
    EXPECT_EQ(l.texts[1].topLeft, QPointF(280, 700));
    EXPECT_EQ(l.bars.front(), QRectF(100, 200, 10, 500));
    EXPECT_TRUE(LayoutCode39(u"AB"_qs, 0, 0, 500, 10, -1).texts.isEmpty());
}

TEST(EAN13, Cleaning)
{
    EXPECT_EQ(CleanEAN13Str(u"690123456789"_qs), u"6901234567892"_qs);
    EXPECT_EQ(CleanEAN13Str(u"6901234567890"_qs), u"6901234567892"_qs);
    EXPECT_EQ(CleanEAN13Str(u"123"_qs), u"0000000001236"_qs);
    EXPECT_EQ(CleanEAN13Str(u"abc"_qs), u"0000000000000"_qs);
    // separators go first, so no digit is lost
    EXPECT_EQ(CleanEAN13Str(u"690-1234-5678-9"_qs), u"6901234567892"_qs);
    EXPECT_EQ(CleanEAN13Str(u"4006381333931"_qs), u"4006381333931"_qs);
}

TEST(EAN13, ModulesAndRuns)
{
    QString text = u"690123456789"_qs;
    const QString bits = EncodeEAN13(text);
    EXPECT_EQ(text, u"6901234567892"_qs);
    ASSERT_EQ(bits.size(), 95);
    EXPECT_TRUE(bits.startsWith(u"101"));
    EXPECT_EQ(bits.mid(45, 5), u"01010"_qs);
    EXPECT_TRUE(bits.endsWith(u"101"));
    // first digit 6: parity A B B B A A; digit 9 in set A is 0001011, 0 in set B is 0100111
    EXPECT_EQ(bits.mid(3, 7), u"0001011"_qs);
    EXPECT_EQ(bits.mid(10, 7), u"0100111"_qs);
    EXPECT_EQ(bits.mid(85, 7), u"1101100"_qs); // the check digit 2 in set C
    const QList<int> runs = EAN13Runs(bits);
    ASSERT_EQ(runs.size(), 59);
    for (int guard : {0, 2, 28, 30, 56, 58})
        EXPECT_EQ(runs[guard], 11) << guard;
    int modules = 0;
    for (int r : runs)
        modules += r > 10 ? r - 10 : r;
    EXPECT_EQ(modules, 95);
}

TEST(EAN13, LayoutGuardsAndDigits)
{
    const EAN13Metrics m{100, 100, 240};
    const BarcodeLayout l = LayoutEAN13(u"690123456789"_qs, 0, 0, 1500, 115 + 95 * 20, 12, true, m);
    ASSERT_EQ(l.bars.size(), 30);
    const double h = 1500 - 240;
    EXPECT_EQ(l.bars[0].bottom(), h + 120); // a guard bar reaches half a digit into the line
    EXPECT_EQ(l.bars[1].bottom(), h + 120);
    EXPECT_EQ(l.bars[2].bottom(), h - 30); // data bars end 30 twips above it
    EXPECT_EQ(l.bars[0].left(), 115);
    EXPECT_EQ(l.bars[0].width(), 20);
    ASSERT_EQ(l.texts.size(), 13);
    EXPECT_EQ(l.texts[0].text, u"6"_qs);
    EXPECT_EQ(l.texts[0].topLeft, QPointF(0, h));
    EXPECT_EQ(l.texts[12].text, u"2"_qs);
    // size 1: the line is kept free, no digits; size 0: full height
    EXPECT_TRUE(LayoutEAN13(u"1"_qs, 0, 0, 1500, 2000, 1, true, m).texts.isEmpty());
    EXPECT_EQ(LayoutEAN13(u"1"_qs, 0, 0, 1500, 2000, 0, true, m).bars[2].bottom(), 1500 - 30);
}

struct Code39Case
{
    const char *text;
    double narrowTwips;
    double dpi;
};

class Code39Scan : public ::testing::TestWithParam<Code39Case>
{
};

TEST_P(Code39Scan, DecodesToItsText)
{
    if (zbarimg().isEmpty())
        GTEST_SKIP() << "zbarimg is not installed";
    const Code39Case c = GetParam();
    const QString text = QString::fromLatin1(c.text);
    const double widthMm = store::TwipToMm(MeasureCode39(text, c.narrowTwips)) + 20;
    QImage img = blankImage(widthMm, 30, c.dpi);
    {
        QPainter p(&img);
        SetTwipScale(p, img);
        EXPECT_TRUE(DrawCode39(p, text, 10, 5, 20, c.narrowTwips, 10, true, u"宋体"_qs));
    }
    EXPECT_EQ(decode(img), PrepareCode39Text(text).mid(1).chopped(1));
}

INSTANTIATE_TEST_SUITE_P(
    Widths, Code39Scan,
    ::testing::Values(Code39Case{"ABC123", 30, 96}, Code39Case{"ABC123", 45, 96},
                      Code39Case{"ABC123", 60, 96}, Code39Case{"abc-$%9", 30, 96},
                      Code39Case{"*20140828*", 45, 96}, Code39Case{"Q7", 14, 300},
                      Code39Case{"HELLO-39", 10, 600}, Code39Case{"0123456789", 23, 600}));

TEST(Code39Scan, FieldWidthFromTheSearch)
{
    if (zbarimg().isEmpty())
        GTEST_SKIP() << "zbarimg is not installed";
    // A picture field 60 mm wide on a 300 dpi printer page: the search picks X, the symbol fits.
    const QString text = u"NO12345"_qs;
    const double field = store::MmToTwip(60);
    const double x = GetCode39BarWidth(text, field);
    EXPECT_LE(MeasureCode39(text, x), field);
    EXPECT_GT(MeasureCode39(text, x + 1), field);
    QImage img = blankImage(80, 25, 300);
    {
        QPainter p(&img);
        SetTwipScale(p, img);
        DrawCode39(p, text, 10, 5, 15, x, 9, true, u"宋体"_qs);
    }
    EXPECT_EQ(decode(img), text);
}

struct EanCase
{
    const char *text;
    double moduleTwips;
    double dpi;
    double textSize;
    const char *expect;
};

class EAN13Scan : public ::testing::TestWithParam<EanCase>
{
};

TEST_P(EAN13Scan, DecodesToItsDigits)
{
    if (zbarimg().isEmpty())
        GTEST_SKIP() << "zbarimg is not installed";
    const EanCase c = GetParam();
    const QFontMetricsF fm(TwipFont(u"宋体"_qs, c.textSize > 0 ? c.textSize : 1));
    const double wTwips = 95 * c.moduleTwips + fm.horizontalAdvance(u'9') + 15;
    const double wMm = store::TwipToMm(wTwips);
    QImage img = blankImage(wMm + 20, 40, c.dpi);
    {
        QPainter p(&img);
        SetTwipScale(p, img);
        DrawEAN13(p, QString::fromLatin1(c.text), 10, 5, 25, wMm, c.textSize, true);
    }
    EXPECT_EQ(decode(img), QString::fromLatin1(c.expect));
}

INSTANTIATE_TEST_SUITE_P(Widths, EAN13Scan,
                         ::testing::Values(EanCase{"690123456789", 30, 96, 10, "6901234567892"},
                                           EanCase{"690123456789", 45, 96, 10, "6901234567892"},
                                           EanCase{"690123456789", 60, 96, 12, "6901234567892"},
                                           EanCase{"690-1234-5678-9", 30, 96, 10, "6901234567892"},
                                           EanCase{"4006381333931", 22.5, 300, 9, "4006381333931"},
                                           EanCase{"123", 19.7, 600, 0, "0000000001236"},
                                           EanCase{"9787111128069", 17.3, 600, 8,
                                                   "9787111128069"}));

TEST(BarcodeDrawing, RestoresThePainterAndDrawsDigits)
{
    QImage img = blankImage(60, 30, 96);
    QPainter p(&img);
    SetTwipScale(p, img);
    const QTransform before = p.transform();
    const QFont font = p.font();
    DrawEAN13(p, u"690123456789"_qs, 5, 5, 20, 45, 10, true);
    DrawCode39(p, u"A"_qs, 5, 5, 20, 15, 10, true, u"宋体"_qs);
    EXPECT_EQ(p.transform(), before);
    EXPECT_EQ(p.font(), font);
    p.end();
    EXPECT_TRUE(anyInk(img));
    QImage empty = blankImage(20, 20, 96);
    QPainter q(&empty);
    DrawEAN13(q, QString(), 0, 0, 10, 10, 10, true);
    EXPECT_TRUE(DrawCode39(q, QString(), 0, 0, 10, 15, 10, true, u"宋体"_qs));
    q.end();
    EXPECT_FALSE(anyInk(empty));
}

TEST(Fonts, SongMapsToAnInstalledCjkFont)
{
    const QFontInfo info(QFont(u"宋体"_qs));
    EXPECT_TRUE(info.family().contains(u"CJK"_qs)) << info.family().toStdString();
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    registerFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
