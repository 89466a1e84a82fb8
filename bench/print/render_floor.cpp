// The bare renderer beside its floor, in one run: the records of the benchmark's CSV file, each
// filled into the slip and printed by the page renderer as one page of one PDF document, and the
// same texts and bars drawn straight onto a QPdfWriter (each text in one drawText call, the bars
// in one drawRects call). The two alternate over several rounds after one round of each to warm
// up; the median wall time of each and their ratio are printed. Run under callgrind (see
// run-render-floor.sh), each side's instructions are collected apart: the last round of each is
// dumped under its own name ("renderer", "floor").
// Usage: bench_print_floor data.csv out-folder [rounds] [records]
#include "benchslip.h"
#include "print/pagerender.h"
#include "print/printdoc.h"
#include "print/twippainter.h"
#include "store/core/units.h"
#include "store/core/vb.h"
#include "values/code39.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <algorithm>
#include <cstdio>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#define CALLGRIND_DUMP_STATS_AT(name)
#endif

namespace {

// The printer font sizes the renderer fits for the slip's text fields and for its barcode's
// line, on the device the floor draws on.
struct FloorFonts
{
    QFont text, code;
};

FloorFonts FitFonts(QPdfWriter &writer, const print::FilledPage &page)
{
    QPainter p(&writer);
    print::TwipPainter s(p, writer,
                         QSizeF(store::MmToTwip(page.widthMm), store::MmToTwip(page.heightMm)));
    print::PageRenderer r;
    const print::FilledField &text = page.fields.first();
    const print::FilledField &code = page.fields.last();
    FloorFonts fonts;
    print::FontSpec spec;
    spec.name = text.fontName;
    s.SetFont(spec);
    spec.size = r.GetPrinterFontSize(s, page, text.fontSize, text.fontName, false, 1);
    fonts.text = print::TwipPainter::MakeFont(spec);
    spec.size = r.GetPrinterFontSize(s, page, code.fontSize, code.fontName, false, 1);
    fonts.code = values::TwipFont(code.fontName, spec.size);
    p.end();
    return fonts;
}

bool Renderer(const QList<QStringList> &records, const QString &file)
{
    QPrinter printer(QPrinter::HighResolution);
    printbench::PdfOutput(printer, file);
    print::PrintDocument doc(printer);
    for (const QStringList &r : records) {
        const print::FilledPage page = printbench::BenchSlip(r);
        if (!doc.BeginPage(page) || !doc.PrintPage(page))
            return false;
        doc.NewPage();
    }
    return doc.End();
}

bool Floor(const QList<QStringList> &records, const QString &file)
{
    const print::FilledPage first = printbench::BenchSlip(records.value(0));
    QPdfWriter writer(file);
    writer.setPageSize(QPageSize(QSizeF(first.widthMm, first.heightMm), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    const FloorFonts fonts = FitFonts(writer, first);
    const double dpm = writer.resolution() / 25.4;
    QPainter p;
    if (!p.begin(&writer))
        return false;
    const double ascent = QFontMetricsF(fonts.text, &writer).ascent();
    bool firstPage = true;
    for (const QStringList &r : records) {
        if (!firstPage)
            writer.newPage();
        firstPage = false;
        const print::FilledPage page = printbench::BenchSlip(r);
        p.setFont(fonts.text);
        p.setPen(Qt::black);
        for (const print::FilledField &f : page.fields) {
            if (f.kind == print::FieldKind::Text)
                p.drawText(QPointF(f.x * dpm, f.y * dpm + ascent), f.text);
        }
        const print::FilledField &code = page.fields.last();
        const double narrow = values::GetCode39BarWidth(code.text, store::MmToTwip(code.w));
        const double x0 = store::RoundEven(store::MmToTwip(code.x));
        const double y0 = store::RoundEven(store::MmToTwip(code.y));
        const double h =
            store::RoundEven(store::MmToTwip(code.h)) - QFontMetricsF(fonts.code).height();
        const values::BarcodeLayout bars = values::LayoutCode39(code.text, x0, y0, h, narrow, -1);
        p.save();
        values::SetTwipScale(p, writer);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRects(bars.bars.constData(), int(bars.bars.size()));
        p.setPen(Qt::black);
        p.setFont(fonts.code);
        p.drawText(QPointF(x0, y0 + h + QFontMetricsF(fonts.code).ascent()),
                   values::PrepareCode39Text(code.text));
        p.restore();
    }
    return p.end();
}

double Median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s data.csv out-folder [rounds] [records]\n", argv[0]);
        return 2;
    }
    QList<QStringList> records = printbench::ReadRecords(QString::fromLocal8Bit(argv[1]));
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const int rounds = argc > 3 ? std::max(1, atoi(argv[3])) : 5;
    if (argc > 4)
        records = records.mid(0, std::max(1, atoi(argv[4])));
    if (records.isEmpty())
        return 2;

    QList<double> renderer, floor;
    for (int round = 0; round <= rounds; ++round) {
        const bool last = round == rounds;
        QElapsedTimer t;
        if (last)
            CALLGRIND_TOGGLE_COLLECT;
        t.start();
        if (!Renderer(records, out.filePath(QStringLiteral("renderer.pdf"))))
            return 1;
        const double r = t.nsecsElapsed() / 1e9;
        if (last) {
            CALLGRIND_TOGGLE_COLLECT;
            CALLGRIND_DUMP_STATS_AT("renderer");
            CALLGRIND_TOGGLE_COLLECT;
        }
        t.start();
        if (!Floor(records, out.filePath(QStringLiteral("floor.pdf"))))
            return 1;
        const double f = t.nsecsElapsed() / 1e9;
        if (last) {
            CALLGRIND_TOGGLE_COLLECT;
            CALLGRIND_DUMP_STATS_AT("floor");
        }
        if (round > 0) { // the first round warms the font caches up
            renderer << r;
            floor << f;
        }
    }
    const double r = Median(renderer), f = Median(floor);
    std::printf("%lld records, median of %d rounds\n", qlonglong(records.size()), rounds);
    std::printf("bare renderer   %8.3f s\n", r);
    std::printf("QPdfWriter floor %7.3f s\n", f);
    std::printf("renderer / floor: %.2f (target at most 1.3)\n", f > 0 ? r / f : 0.0);
    return 0;
}
