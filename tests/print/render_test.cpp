// The renderer on real devices: a 300 dpi image and PDF files, checked from outside (ink in the
// image, zbarimg for the barcode, pdfinfo and pdftotext for the PDF).
#include "oldwrap.h"
#include "print/pagerender.h"
#include "print/printdoc.h"
#include "print/twippainter.h"
#include "sample.h"
#include "store/core/units.h"
#include "values/barcode.h"
#include "values/code39.h"
#include "values/contentkind.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace print;

namespace {

FilledField Field(FieldKind kind, double x, double y, double w, double h, const QString &text,
                  double cash = 0)
{
    FilledField f;
    f.kind = kind;
    f.x = x;
    f.y = y;
    f.w = w;
    f.h = h;
    f.text = text;
    f.cash = cash;
    f.fontName = QStringLiteral("宋体");
    f.fontSize = 12;
    return f;
}

// The shipped cheque filled with known values, a tick and a line added.
FilledPage Cheque()
{
    FilledPage p = printtest::SampleCheque();
    FilledField tick = Field(FieldKind::Check, 200, 52, 6, 6, QStringLiteral("√"));
    tick.index = 1001;
    FilledField line = Field(FieldKind::Line, 14, 72, 230, 72, QString(), 1);
    line.index = 3001;
    line.fontSize = 2;
    p.fields << tick << line;
    return p;
}

const FilledField &ByPrompt(const FilledPage &p, const QString &prompt)
{
    for (const FilledField &f : p.fields) {
        if (f.prompt == prompt)
            return f;
    }
    static FilledField none;
    return none;
}

constexpr int kDpi = 300;

double Px(double mm)
{
    return mm / 25.4 * kDpi;
}

// A white image of the slip at the resolution.
QImage BlankPage(const FilledPage &page, int dpi = kDpi)
{
    QImage img(int(std::ceil(page.widthMm / 25.4 * dpi)),
               int(std::ceil(page.heightMm / 25.4 * dpi)), QImage::Format_RGB32);
    const int dpm = int(std::lround(dpi / 0.0254));
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    return img;
}

int DifferingPixels(const QImage &a, const QImage &b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    }
    return differing;
}

QImage Render(const FilledPage &page, int dpi = kDpi)
{
    QImage img = BlankPage(page, dpi);
    QPainter p(&img);
    TwipPainter surface(p, img,
                        QSizeF(store::MmToTwip(page.widthMm), store::MmToTwip(page.heightMm)));
    PageRenderer().PrintFmtPage(surface, page, 0, 0);
    return img;
}

bool Ink(const QImage &img, int x, int y)
{
    return qGray(img.pixel(x, y)) < 160;
}

QString RunTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(RenderImageTest, InkOnlyInsideTheFields)
{
    const FilledPage page = Cheque();
    const QImage img = Render(page);
    const double slack = Px(0.6); // glyph edges and anti-aliasing
    QList<QRectF> boxes;
    for (const FilledField &f : page.fields) {
        const QRectF r = f.kind == FieldKind::Line
                             ? QRectF(QPointF(Px(f.x), Px(f.y)), QPointF(Px(f.w), Px(f.h)))
                             : QRectF(Px(f.x), Px(f.y), Px(f.w), Px(f.h));
        boxes << r.normalized().adjusted(-slack, -slack, slack, slack);
    }
    QList<int> inkPerField(boxes.size(), 0);
    int stray = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (!Ink(img, x, y))
                continue;
            bool inside = false;
            for (int i = 0; i < boxes.size(); ++i) {
                if (boxes[i].contains(x + 0.5, y + 0.5)) {
                    inside = true;
                    ++inkPerField[i];
                }
            }
            stray += inside ? 0 : 1;
        }
    }
    EXPECT_EQ(stray, 0);
    for (int i = 0; i < boxes.size(); ++i)
        EXPECT_GT(inkPerField[i], 20) << "field " << i << " has no ink";
}

TEST(RenderImageTest, AmountBoxesHoldOneCharacterEach)
{
    const FilledPage page = Cheque();
    const QImage img = Render(page);
    const FilledField &amount = ByPrompt(page, QStringLiteral("小写金额"));
    ASSERT_EQ(int(amount.cash), 12);
    const int n = 12;
    const double boxW = Px(amount.w) / n;
    const int top = int(Px(amount.y)), bottom = int(Px(amount.y + amount.h));
    auto columnHasInk = [&](int x) {
        for (int y = top; y < bottom; ++y) {
            if (Ink(img, x, y))
                return true;
        }
        return false;
    };
    // No character crosses the edge between two boxes, and the last seven boxes hold the sign
    // and the digits 123450 while the first ones stay empty.
    for (int edge = 0; edge <= n; ++edge)
        EXPECT_FALSE(columnHasInk(int(std::lround(Px(amount.x) + boxW * edge)))) << edge;
    for (int box = 0; box < n; ++box) {
        bool ink = false;
        for (int x = int(Px(amount.x) + boxW * box) + 1; x < int(Px(amount.x) + boxW * (box + 1));
             ++x)
            ink = ink || columnHasInk(x);
        EXPECT_EQ(ink, box >= n - 7) << "box " << box + 1;
    }
}

// Draws every character with a drawText call of its own, as the page was drawn before its lines
// went out as glyph runs; counts those calls on the glyph-run surface.
// The Code 39 line under the bars goes out the same way, one drawText per character.
class CharByChar : public TwipPainter
{
public:
    CharByChar(QPainter &painter, QPaintDevice &device, QSizeF paperTw)
        : TwipPainter(painter, device, paperTw), m_painter(painter), m_device(device)
    {
    }
    void PrintChars(const QStringList &chars, const QList<double> &xs, double y) override
    {
        TextSurface::PrintChars(chars, xs, y);
    }
    void SetColor(const QColor &color) override
    {
        TwipPainter::SetColor(color);
        m_color = color;
    }
    void Code39(const QString &text, double xMm, double yMm, double hMm, double narrowTw,
                double textSize, const QString &fontName) override
    {
        m_painter.save();
        m_painter.setPen(m_color);
        values::SetTwipScale(m_painter, m_device);
        values::DrawCode39(m_painter, text, xMm, yMm, hMm, narrowTw, textSize, true, fontName);
        m_painter.restore();
    }

private:
    QPainter &m_painter;
    QPaintDevice &m_device;
    QColor m_color = Qt::black;
};
class CountingSurface : public TwipPainter
{
public:
    using TwipPainter::TwipPainter;
    void PrintAt(double x, double y, const QString &text) override
    {
        ++drawTextCalls;
        TwipPainter::PrintAt(x, y, text);
    }
    int drawTextCalls = 0;
};

template <typename Surface> QImage RenderWith(const FilledPage &page, int *drawTextCalls = nullptr)
{
    QImage img = BlankPage(page);
    QPainter p(&img);
    Surface surface(p, img, QSizeF(store::MmToTwip(page.widthMm), store::MmToTwip(page.heightMm)));
    PageRenderer renderer;
    // Twice on one surface: the second time the characters come from what was shaped before.
    for (int i = 0; i < 2; ++i)
        renderer.PrintFmtPage(surface, page, page.offX, page.offY);
    if constexpr (std::is_same_v<Surface, CountingSurface>) {
        if (drawTextCalls)
            *drawTextCalls = surface.drawTextCalls;
    }
    return img;
}

int InkPixels(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x)
            n += Ink(img, x, y) ? 1 : 0;
    }
    return n;
}

TEST(RenderImageTest, GlyphRunsGiveTheSamePixelsAsCharacterByCharacter)
{
    struct Case
    {
        QString name;
        FilledPage page;
        bool underlined = false;
    };
    QList<Case> cases;
    for (const QString &format : {QStringLiteral("转账支票"), QStringLiteral("进账单")}) {
        FilledPage page = printtest::SampleFormat(format);
        ASSERT_GT(page.fields.size(), 10) << format.toStdString();
        cases.append({format, page});
        // The same slip with what the layout can ask of a line: spacing wider and narrower than
        // the font, right and centred lines, bold and italic, mixed scripts, breaks, a tick.
        FilledPage spaced = page;
        int n = 0;
        for (FilledField &f : spaced.fields) {
            ++n;
            f.charSpacing = n % 3 == 0 ? -0.35 : 1.3 + 0.17 * n;
            f.packedSpacing = (n % 3) * 1000 + (n % 2 ? 0.8 : 0);
            f.bold = n % 4 == 1;
            f.italic = n % 5 == 2;
            if (f.cash == 0 && n % 2 == 0)
                f.text += QStringLiteral("Ab1，（壹）￥√\r\n第二行：Wg.");
        }
        FilledField tick = Field(FieldKind::Check, 200, 60, 6, 6, QStringLiteral("√"));
        tick.index = 1001;
        spaced.fields << tick;
        cases.append({format + QStringLiteral(" spaced"), spaced});
        FilledPage underlined = spaced;
        for (FilledField &f : underlined.fields)
            f.underline = true;
        cases.append({format + QStringLiteral(" underlined"), underlined, true});
        // Code 39 lines of every character the symbology has, in several sizes, at places that
        // fall between the device's pixels.
        FilledPage barcodes = page;
        barcodes.barcodeStandard = 0;
        barcodes.fields.clear();
        for (int k = 0; k < 8; ++k) {
            FilledField code = Field(FieldKind::Picture, 3.37 + 0.61 * k, 4.13 + 11.7 * k,
                                     120 + 3.3 * k, 9.1 + 0.7 * k,
                                     k % 2 ? QStringLiteral("A000123-K. $/+%")
                                           : QStringLiteral("0123456789BCDEFGHIJLMNOPQRSTUVWXYZ"));
            code.index = 2001 + k;
            code.fontSize = 7 + 1.5 * k;
            code.fontName = k % 3 ? QStringLiteral("宋体") : QStringLiteral("Arial");
            barcodes.fields << code;
        }
        cases.append({format + QStringLiteral(" barcodes"), barcodes});
    }
    for (const Case &c : cases) {
        int calls = -1;
        const QImage runs = RenderWith<CountingSurface>(c.page, &calls);
        const QImage chars = RenderWith<CharByChar>(c.page);
        EXPECT_GT(InkPixels(runs), 2000) << c.name.toStdString();
        // Underlined lines keep a line under each character, so they are drawn as before.
        if (c.underlined)
            EXPECT_GT(calls, 0) << c.name.toStdString();
        else
            EXPECT_EQ(calls, 0) << c.name.toStdString();
        EXPECT_EQ(DifferingPixels(runs, chars), 0) << c.name.toStdString();
    }
}

// The page as it was drawn before lines were found by a search: every field through the
// renderer, each free text through the wrapping that measured every run from the rest down.
QImage RenderWithOldWrapping(const FilledPage &page)
{
    QImage img = BlankPage(page);
    QPainter p(&img);
    TwipPainter s(p, img, QSizeF(store::MmToTwip(page.widthMm), store::MmToTwip(page.heightMm)));
    PageRenderer renderer;
    for (const FilledField &f : page.fields) {
        const values::KindInfo kind = values::DecodeKind(f.cash);
        if (f.kind != FieldKind::Text || f.text.isEmpty() ||
            kind.print != values::PrintForm::Lines) {
            FilledPage one = page;
            one.fields = {f};
            renderer.PrintFmtPage(s, one, 0, 0);
            continue;
        }
        FontSpec font = s.Font();
        font.name = f.fontName;
        font.bold = f.bold;
        font.italic = f.italic;
        s.SetColor(f.color);
        s.SetFont(font);
        renderer.GetPrinterFontSize(s, page, f.fontSize, f.fontName, f.bold, 1);
        const QPointF at = FeedShift(page, store::MmToTwip(f.x), store::MmToTwip(f.y),
                                     s.PaperWidth(), s.PaperHeight());
        printtest::OldPrintMultiLineStr(s, f.text, at.x(), at.y(), store::MmToTwip(f.w),
                                        store::MmToTwip(f.charSpacing),
                                        store::MmToTwip(GetSpaceVal(f.packedSpacing)),
                                        kind.rightAligned ? 1 : GetSpaceMode(f.packedSpacing));
    }
    return img;
}

TEST(RenderImageTest, LongFreeTextsGiveTheSamePixelsAsBefore)
{
    FilledPage page = printtest::SampleFormat(QStringLiteral("转账支票"));
    const QString unit = QStringLiteral("收款单位0001有限公司，账号6222 0210 0108 8888；Bank of "
                                        "AVATAR To（分行）𠮷野家ＡＢ１２。\r\n");
    QString text;
    while (text.size() < 300)
        text += unit;
    int n = 0;
    for (FilledField &f : page.fields) {
        if (f.kind != FieldKind::Text || f.cash != 0)
            continue;
        // Left, right and centred lines; spacing none, wide and narrow; line spacing tight.
        ++n;
        f.text = text.mid(n * 7);
        f.charSpacing = n == 2 ? 0.8 : n == 3 ? -0.1 : 0;
        f.packedSpacing = (n % 3) * 1000 + 0.5 * n;
        f.italic = n == 4;
    }
    ASSERT_EQ(n, 4);
    const QImage now = Render(page);
    const QImage was = RenderWithOldWrapping(page);
    EXPECT_GT(InkPixels(now), 20000);
    EXPECT_EQ(DifferingPixels(now, was), 0);
}

TEST(RenderImageTest, BarcodeDecodes)
{
    if (QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty())
        GTEST_SKIP() << "zbarimg is not installed";
    const QImage img = Render(Cheque());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cheque.png"));
    ASSERT_TRUE(img.save(file));
    const QString out = RunTool(QStringLiteral("zbarimg"), {QStringLiteral("-q"), file});
    EXPECT_TRUE(out.contains(QStringLiteral("A000123"))) << out.toStdString();
}

FilledPage Record(int n)
{
    FilledPage p = Cheque();
    p.setPaper = true;
    for (FilledField &f : p.fields) {
        if (f.prompt == QStringLiteral("收款人"))
            f.text = QStringLiteral("收款单位%1").arg(n);
    }
    return p;
}

QString PdfInfo(const QString &file)
{
    return RunTool(QStringLiteral("pdfinfo"), {file});
}

// A printer that writes the given PDF file with no page margins.
void ToPdfFile(QPrinter &printer, const QString &file)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

TEST(RenderPdfTest, BatchOfThreeGivesThreePagesOfTheSlip)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("batch.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    ToPdfFile(printer, file);
    {
        PrintDocument doc(printer);
        for (int i = 1; i <= 3; ++i) {
            ASSERT_TRUE(doc.BeginPage(Record(i)));
            ASSERT_TRUE(doc.PrintPage(Record(i)));
            doc.NewPage(); // the last break must not leave an empty page
        }
        ASSERT_TRUE(doc.End()) << doc.ErrorText().toStdString();
        EXPECT_EQ(doc.Pages(), 3);
    }
    EXPECT_EQ(printer.pageLayout().pageSize().name(), kFormName);
    const QString info = PdfInfo(file);
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))))
        << info.toStdString();
    const QRegularExpression size(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"));
    const auto m = size.match(info);
    ASSERT_TRUE(m.hasMatch()) << info.toStdString();
    EXPECT_NEAR(m.captured(1).toDouble(), 240 / 25.4 * 72, 1.0);
    EXPECT_NEAR(m.captured(2).toDouble(), 80 / 25.4 * 72, 1.0);
}

TEST(RenderPdfTest, StandardSizeAndLengthwiseSlip)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a4.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    ToPdfFile(printer, file);
    FilledPage page = Cheque();
    page.widthMm = 210;
    page.heightMm = 297;
    page.setPaper = true;
    page.lengthwise = true;
    PrintDocument doc(printer);
    ASSERT_TRUE(doc.BeginPage(page));
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
    // Landscape: the paper is as wide as the slip is high.
    EXPECT_NEAR(doc.Surface().PaperWidth(), store::MmToTwip(297), 20);
    doc.PrintPage(page);
    ASSERT_TRUE(doc.End());
    const QString info = PdfInfo(file);
    EXPECT_TRUE(info.contains(QStringLiteral("Pages:           1"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("(A4)"))) << info.toStdString();
}

TEST(RenderPdfTest, MarginsPlaceTextOnThePaper)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("m.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    ToPdfFile(printer, file);
    FilledPage page;
    page.widthMm = 180;
    page.heightMm = 80;
    page.setPaper = true;
    page.offX = -3; // margins 3 and -2
    page.offY = 2;
    page.fields << Field(FieldKind::Text, 10, 20, 60, 8, QStringLiteral("WORD"));
    PrintDocument doc(printer);
    ASSERT_TRUE(doc.BeginPage(page));
    doc.PrintPage(page);
    ASSERT_TRUE(doc.End());
    const QString html =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    const QRegularExpression word(
        QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>WORD<"));
    const auto m = word.match(html);
    ASSERT_TRUE(m.hasMatch()) << html.toStdString();
    EXPECT_NEAR(m.captured(1).toDouble(), 13 / 25.4 * 72, 0.8);
    EXPECT_NEAR(m.captured(2).toDouble(), 18 / 25.4 * 72, 2.0);
}

// The text layer says what was drawn: the glyphs Noto CJK shares between an ideograph and its
// radical read as the ideograph, in a file whose pages are written once and updated at the end.
TEST(RenderPdfTest, TextLayerCarriesTheIdeographs)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty())
        GTEST_SKIP() << "pdftotext or qpdf is not installed";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("t.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    ToPdfFile(printer, file);
    FilledPage page;
    page.widthMm = 180;
    page.heightMm = 80;
    page.setPaper = true;
    page.fields << Field(FieldKind::Text, 10, 20, 160, 8,
                         QStringLiteral("收款人 2024年8月28日 伍角"));
    PrintDocument doc(printer);
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            doc.NewPage();
        ASSERT_TRUE(doc.BeginPage(page));
        doc.PrintPage(page);
    }
    ASSERT_TRUE(doc.End());
    const QString text = RunTool(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    EXPECT_EQ(text.count(QStringLiteral("收款人 2024年8月28日 伍角")), 3) << text.toStdString();
    for (const QChar radical : {QChar(0x2F08), QChar(0x2F49), QChar(0x2F47), QChar(0x2EC6)})
        EXPECT_FALSE(text.contains(radical)) << text.toStdString();
    EXPECT_TRUE(PdfInfo(file).contains(QStringLiteral("Pages:           3")));
    QProcess check;
    check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
}

TEST(RenderPdfTest, UnwritableFileFailsToBegin)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/nonexistent-folder/x.pdf"));
    PrintDocument doc(printer);
    EXPECT_FALSE(doc.BeginPage(Cheque()));
    EXPECT_TRUE(doc.ErrorText().contains(QStringLiteral("无法写入文件")));
    EXPECT_FALSE(doc.End());
}

} // namespace
