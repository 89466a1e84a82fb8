// One slip rendered at 600 dpi, and one page of the batch to PDF.
#include "benchslip.h"
#include "print/pagerender.h"
#include "print/printdoc.h"
#include "print/twippainter.h"
#include "store/core/units.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QStringList kRecord{QStringLiteral("贰零贰陆年壹拾贰月零玖日"),
                          QStringLiteral("收款单位0001有限公司"),
                          QStringLiteral("壹仟贰佰叁拾肆元伍角整"), QStringLiteral("888599.97"),
                          QStringLiteral("货款"), QStringLiteral("A000001")};

void BM_RenderSlip600dpi(benchmark::State &state)
{
    const print::FilledPage page = printbench::BenchSlip(kRecord);
    const int dpi = 600;
    QImage img(int(page.widthMm / 25.4 * dpi), int(page.heightMm / 25.4 * dpi),
               QImage::Format_RGB32);
    img.setDotsPerMeterX(int(dpi / 0.0254));
    img.setDotsPerMeterY(int(dpi / 0.0254));
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        print::TwipPainter surface(
            p, img, QSizeF(store::MmToTwip(page.widthMm), store::MmToTwip(page.heightMm)));
        print::PageRenderer().PrintFmtPage(surface, page, 0, 0);
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_RenderSlip600dpi)->Unit(benchmark::kMillisecond);

void BM_BatchPageToPdf(benchmark::State &state)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printbench::PdfOutput(printer, dir.filePath(QStringLiteral("b.pdf")));
    print::PrintDocument doc(printer);
    for (auto _ : state) {
        const print::FilledPage page = printbench::BenchSlip(kRecord);
        doc.BeginPage(page);
        doc.PrintPage(page);
        doc.NewPage();
    }
    doc.End();
}
BENCHMARK(BM_BatchPageToPdf)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
