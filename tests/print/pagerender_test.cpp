#include "print/pagerender.h"

#include "recorder.h"
#include "store/core/units.h"
#include "store/core/vb.h"

#include <gtest/gtest.h>

using namespace print;
using printtest::Recorder;

namespace {

FilledField TextField(double x, double y, double w, double h, const QString &text, double cash = 0)
{
    FilledField f;
    f.kind = FieldKind::Text;
    f.index = 1;
    f.x = x;
    f.y = y;
    f.w = w;
    f.h = h;
    f.text = text;
    f.cash = cash;
    f.fontName = QStringLiteral("宋体");
    f.fontSize = 10.5;
    return f;
}

FilledPage Slip(double w = 180, double h = 80)
{
    FilledPage p;
    p.widthMm = w;
    p.heightMm = h;
    return p;
}

double Tw(double mm)
{
    return store::MmToTwip(mm);
}

TEST(FontFitTest, LargestSizeNotWiderThanTheTarget)
{
    const auto linear = [](double size) { return 100 * size; };
    EXPECT_NEAR(FitFontSize(500, linear), 5.0, 1e-4);
    EXPECT_NEAR(FitFontSize(1234, linear), 12.2625, 1e-4);
    for (double target : {80.0, 333.0, 777.7, 2500.0, 9000.0}) {
        const double size = FitFontSize(target, linear);
        EXPECT_LE(linear(size), target + 1e-6) << target;
        EXPECT_GT(linear(size + 0.1), target - 1e-6) << target;
    }
}

TEST(FontFitTest, PrinterSizeMatchesTheScreenPage)
{
    // The sample is 30 characters: 30 * size px on the screen and 300 * size twips on paper.
    Recorder r(210, 297, true);
    FilledPage page = Slip(180, 80);
    page.frameWidthPx = 1000;
    PageRenderer renderer;
    const double size = renderer.GetPrinterFontSize(r, page, 12, QStringLiteral("宋体"), true, 1);
    const double target = 30 * 12 / 1000.0 * Tw(180);
    EXPECT_LE(300 * size, target);
    EXPECT_GT(300 * (size + 0.1), target);
    EXPECT_DOUBLE_EQ(r.Font().size, size);
    EXPECT_TRUE(r.Font().bold);
    // The same font again is not searched anew and gives the same size.
    EXPECT_DOUBLE_EQ(renderer.GetPrinterFontSize(r, page, 12, QStringLiteral("宋体"), true, 1),
                     size);
}

TEST(PageRenderTest, MarginsMoveFields)
{
    Recorder r;
    FilledPage page = Slip();
    page.fields << TextField(10, 20, 50, 8, QStringLiteral("A"));
    PageRenderer().PrintFmtPage(r, page, -3, 2); // margins 3 and -2
    ASSERT_EQ(r.texts.size(), 1);
    EXPECT_DOUBLE_EQ(r.texts[0].x, store::RoundEven(Tw(13)));
    EXPECT_DOUBLE_EQ(r.texts[0].y, store::RoundEven(Tw(18)));
}

TEST(PageRenderTest, PaperFeedShift)
{
    struct Case
    {
        bool lengthwise, centred;
        double paperW, paperH, dxMm, dyMm;
    } cases[] = {
        {false, false, 210, 297, 0, 0},
        {true, false, 297, 210, 0, 130},  // landscape: the slip at the bottom
        {true, true, 297, 210, 0, 65},    // and centred across the page
        {false, true, 210, 297, -15, 0},  // kept as users calibrated against it
    };
    for (const Case &c : cases) {
        Recorder r(c.paperW, c.paperH);
        FilledPage page = Slip(180, 80);
        page.lengthwise = c.lengthwise;
        page.centred = c.centred;
        page.fields << TextField(20, 10, 50, 8, QStringLiteral("A"));
        PageRenderer().PrintFmtPage(r, page, 0, 0);
        ASSERT_EQ(r.texts.size(), 1);
        EXPECT_NEAR(r.texts[0].x, Tw(20 + c.dxMm), 0.5) << c.lengthwise << c.centred;
        EXPECT_NEAR(r.texts[0].y, Tw(10 + c.dyMm), 0.5) << c.lengthwise << c.centred;
    }
}

TEST(PageRenderTest, DispatchByContentKind)
{
    struct Case
    {
        double cash;
        QString text;
        QString printed; // joined characters, blanks included
    } cases[] = {
        {0, "AB", "AB"},        {115, "AB", "AB"},  {150, "AB", ""},   {136, "AB", ""},
        {300, "AB", ""},        {400, "AB", ""},    {119, "AB", "AB"}, {122, "AB", "AB"},
        {109, "1234", "1234"},  {205, "12", "12"},  {11, "2.5", "       ￥250"},
        {311, "2.5", "        250"}, {103, "壹元", "壹元"}, {-5, "x", "x"},
    };
    for (const Case &c : cases) {
        Recorder r;
        FilledPage page = Slip();
        page.fields << TextField(10, 10, 60, 8, c.text, c.cash);
        PageRenderer().PrintFmtPage(r, page, 0, 0);
        EXPECT_EQ(r.Joined(), c.printed) << c.cash;
    }
}

TEST(PageRenderTest, BoxesSpreadOverTheFieldWidth)
{
    Recorder r;
    FilledPage page = Slip();
    page.fields << TextField(10, 10, 60, 8, QStringLiteral("123456"), 109);
    PageRenderer().PrintFmtPage(r, page, 0, 0);
    ASSERT_EQ(r.texts.size(), 6);
    const double boxW = Tw(60) / 6;
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(r.texts[i].x, Tw(10) + boxW * i + (boxW - 100) / 2, 1e-6);
}

TEST(PageRenderTest, CapitalDigitsAreRightAligned)
{
    Recorder r;
    FilledPage page = Slip();
    page.fields << TextField(10, 10, 60, 8, QStringLiteral("壹贰"), 121);
    PageRenderer().PrintFmtPage(r, page, 0, 0);
    ASSERT_EQ(r.texts.size(), 2);
    EXPECT_NEAR(r.texts[0].x, store::RoundEven(Tw(10) + Tw(60) - 200 - 1), 1e-6);
}

TEST(PageRenderTest, CheckBoxKeepsItsScreenFontSize)
{
    Recorder r(210, 297, true);
    FilledPage page = Slip();
    FilledField check = TextField(10, 10, 5, 5, QStringLiteral("√"));
    check.kind = FieldKind::Check;
    check.fontSize = 14;
    FilledField unchecked = check;
    unchecked.text.clear();
    page.fields << check << unchecked;
    PageRenderer().PrintFmtPage(r, page, 0, 0);
    ASSERT_EQ(r.texts.size(), 1);
    EXPECT_EQ(r.texts[0].text, QStringLiteral("√"));
    EXPECT_DOUBLE_EQ(r.texts[0].font.size, 14);
}

TEST(PageRenderTest, FontAndColourOfTheRow)
{
    Recorder r;
    FilledPage page = Slip();
    FilledField f = TextField(10, 10, 60, 8, QStringLiteral("A"));
    f.fontName = QStringLiteral("黑体");
    f.italic = f.underline = f.strikeOut = true;
    f.color = QColor(Qt::red);
    page.fields << f;
    PageRenderer().PrintFmtPage(r, page, 0, 0);
    ASSERT_EQ(r.texts.size(), 1);
    EXPECT_EQ(r.texts[0].font.name, QStringLiteral("黑体"));
    EXPECT_TRUE(r.texts[0].font.italic && r.texts[0].font.underline && r.texts[0].font.strikeOut);
    EXPECT_FALSE(r.texts[0].font.bold);
    EXPECT_EQ(r.texts[0].color, QColor(Qt::red));
}

TEST(PageRenderTest, PicturesAndBarcodes)
{
    FilledField pic = TextField(10, 20, 30, 15, QStringLiteral("/tmp/logo.png"));
    pic.kind = FieldKind::Picture;
    pic.picture = QImage(20, 10, QImage::Format_RGB32);
    FilledField code = pic;
    code.text = QStringLiteral("A123");
    code.picture = QImage();
    FilledField small = code;
    small.fontSize = 2;
    FilledField empty = code;
    empty.text.clear();

    Recorder r;
    FilledPage page = Slip();
    page.fields << pic << code << small << empty;
    PageRenderer().PrintFmtPage(r, page, -5, 0);
    ASSERT_EQ(r.pictures.size(), 1);
    EXPECT_NEAR(r.pictures[0].rect.x(), Tw(15), 1e-6);
    EXPECT_NEAR(r.pictures[0].rect.width(), Tw(30), 1e-6);
    ASSERT_EQ(r.barcodes.size(), 2);
    EXPECT_TRUE(r.barcodes[0].code39);
    EXPECT_NEAR(r.barcodes[0].xMm, 15, 1e-9);
    EXPECT_NEAR(r.barcodes[0].yMm, 20, 1e-9);
    EXPECT_DOUBLE_EQ(r.barcodes[0].hMm, 15);
    EXPECT_DOUBLE_EQ(r.barcodes[0].narrow, r.Code39BarWidth("A123", Tw(30)));
    EXPECT_GT(r.barcodes[0].textSize, 0);
    EXPECT_DOUBLE_EQ(r.barcodes[1].textSize, 0); // a font of 2 pt or less: no digits

    Recorder ean;
    page.barcodeStandard = 1;
    page.fields = {code};
    PageRenderer().PrintFmtPage(ean, page, 0, 0);
    ASSERT_EQ(ean.barcodes.size(), 1);
    EXPECT_FALSE(ean.barcodes[0].code39);
    EXPECT_DOUBLE_EQ(ean.barcodes[0].wMm, 30);
}

TEST(PageRenderTest, LinesTakeStyleWidthAndShift)
{
    FilledField line;
    line.kind = FieldKind::Line;
    line.x = 10;
    line.y = 20;
    line.w = 100;
    line.h = 20;
    line.fontSize = 3;
    line.cash = 5;
    line.color = QColor(Qt::blue);
    Recorder r(297, 210);
    FilledPage page = Slip(180, 80);
    page.lengthwise = true;
    page.fields << line;
    PageRenderer().PrintFmtPage(r, page, -1, -2);
    ASSERT_EQ(r.lines.size(), 1);
    const auto &l = r.lines[0];
    EXPECT_EQ(l.style, 4);
    EXPECT_EQ(l.width, 3);
    EXPECT_EQ(l.color, QColor(Qt::blue));
    EXPECT_NEAR(l.x1, Tw(11), 1e-6);
    EXPECT_NEAR(l.x2, Tw(101), 1e-6);
    EXPECT_NEAR(l.y1, Tw(22 + 130), 1e-6);
    EXPECT_NEAR(l.y2, Tw(22 + 130), 1e-6);
}

TEST(PageRenderTest, EmptyAndUnreadableFieldsPrintNothing)
{
    Recorder r;
    FilledPage page = Slip();
    FilledField bad = TextField(10, 10, 60, 8, QStringLiteral("A"));
    bad.valid = false;
    FilledField label = TextField(10, 10, 60, 8, QString());
    label.kind = FieldKind::Label;
    page.fields << bad << label << TextField(10, 10, 60, 8, QString());
    PageRenderer().PrintFmtPage(r, page, 0, 0);
    EXPECT_TRUE(r.texts.isEmpty());
    EXPECT_TRUE(r.lines.isEmpty());
}

TEST(PageRenderTest, BackgroundOnlyWhenAskedAndShiftedLikeTheFields)
{
    FilledPage page = Slip(180, 80);
    page.background = QImage(180, 80, QImage::Format_RGB32);
    Recorder off;
    PageRenderer().PrintFmtPage(off, page, 0, 0);
    EXPECT_TRUE(off.pictures.isEmpty());

    page.backPicture = true;
    page.centred = true;
    Recorder on;
    PageRenderer().PrintFmtPage(on, page, -2, -3);
    ASSERT_EQ(on.pictures.size(), 1);
    EXPECT_NEAR(on.pictures[0].rect.x(), Tw(2 - 15), 1e-6);
    EXPECT_NEAR(on.pictures[0].rect.y(), Tw(3), 1e-6);
    EXPECT_NEAR(on.pictures[0].rect.width(), Tw(180), 1e-6);
    EXPECT_NEAR(on.pictures[0].rect.height(), Tw(80), 1e-6);
}

TEST(RulersTest, TwoMillimetreGridOverThePaper)
{
    Recorder r(210, 297);
    PageRenderer::PrintRulers(r);
    int vertical = 0, horizontal = 0;
    for (const auto &l : r.lines) {
        const bool v = l.x1 == l.x2;
        (v ? vertical : horizontal)++;
        const double at = store::TwipToMm(v ? l.x1 : l.y1);
        const bool cm = std::fmod(std::round(at), 10.0) == 0;
        EXPECT_EQ(l.width, cm ? 2 : 1) << at;
        EXPECT_EQ(l.color, cm ? QColor(Qt::black) : QColor(0x33, 0x33, 0x33)) << at;
    }
    EXPECT_EQ(vertical, 105);   // 0, 2, ..., 208
    EXPECT_EQ(horizontal, 148); // 0, 2, ..., 294
    EXPECT_NEAR(store::TwipToMm(r.lines[104].x1), 208, 1e-9);
    EXPECT_NEAR(store::TwipToMm(r.lines[0].y2), 297, 1e-9);
}

TEST(CashCheckTest, NamesTheFieldWhoseDigitsDoNotFit)
{
    FilledPage page = Slip();
    FilledField ok = TextField(10, 10, 60, 8, QStringLiteral("123456789"), 11);
    FilledField tooLong = TextField(10, 20, 60, 8, QStringLiteral("123456789012"), 11);
    tooLong.prompt = QStringLiteral("小写金额");
    page.fields << ok;
    EXPECT_TRUE(CheckCashBoxes(page).isEmpty());
    page.fields << tooLong;
    EXPECT_EQ(CheckCashBoxes(page), QStringLiteral("“小写金额”的金额位数超过方格数，无法打印！"));
    page.fields[1].cash = 0; // free text is never cut
    EXPECT_TRUE(CheckCashBoxes(page).isEmpty());
}

} // namespace
