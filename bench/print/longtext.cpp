// One slip whose purpose field holds a long text, printed to one PDF page as the print run
// prints it: the time of the page alone and of the whole document, in this process. Then the
// whole text wrapped on a sheet tall enough for all its lines, with the printer's metrics and
// nothing drawn: the cost of the line breaking itself. The free text's character spacing is
// SPACING mm (0 unless given; a negative one pulls each character back over the one before).
// Usage: bench_print_longtext CHARACTERS out.pdf [SPACING]
#include "benchslip.h"
#include "print/printdoc.h"
#include "store/core/units.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <cstdio>

namespace {

// The printer's font metrics on a sheet a kilometre tall; lines are counted, not drawn.
class Counter : public print::TwipPainter
{
public:
    Counter(QPainter &painter, QImage &device, int &lines)
        : TwipPainter(painter, device, QSizeF(store::MmToTwip(210), store::MmToTwip(1e6))),
          m_lines(lines)
    {
    }
    void PrintChars(const QStringList &, const QList<double> &, double) override { ++m_lines; }

private:
    int &m_lines;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s characters out.pdf\n", argv[0]);
        return 2;
    }
    const qsizetype n = std::max(1L, std::atol(argv[1]));
    const double spacingMm = argc > 3 ? std::atof(argv[3]) : 0;
    // Payee names, amounts in words and account numbers as a clerk pastes them (CJK, digits,
    // Latin letters, full-width signs and blanks), picked by a fixed generator so that no two
    // lines are alike.
    const QStringList words = {
        QStringLiteral("收款单位"), QStringLiteral("0001"), QStringLiteral("有限公司"),
        QStringLiteral("，"),       QStringLiteral("账号"), QStringLiteral("6222 0210"),
        QStringLiteral(" "),        QStringLiteral("Bank"), QStringLiteral("of Quorvan"),
        QStringLiteral("（分行）"), QStringLiteral("壹仟"), QStringLiteral("贰佰叁拾肆元"),
        QStringLiteral("伍角整"),   QStringLiteral("。"),   QStringLiteral("ＡＢ１２"),
        QStringLiteral("Wang"),     QStringLiteral("AVE."), QStringLiteral("888599.97")};
    QString text;
    text.reserve(n + 16);
    quint64 seed = 1;
    while (text.size() < n) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        text += words.at(qsizetype((seed >> 33) % quint64(words.size())));
    }
    text.truncate(n);

    print::FilledPage page = printbench::BenchSlip(
        {QStringLiteral("贰零贰陆年壹拾贰月零玖日"), QStringLiteral("收款单位0001有限公司"),
         QStringLiteral("壹仟贰佰叁拾肆元伍角整"), QStringLiteral("888599.97"), text,
         QStringLiteral("A000001")});
    page.fields[4].charSpacing = spacingMm;
    QPrinter printer(QPrinter::HighResolution);
    printbench::PdfOutput(printer, QString::fromLocal8Bit(argv[2]));
    QElapsedTimer t;
    t.start();
    print::PrintDocument doc(printer);
    if (!doc.BeginPage(page) || !doc.PrintPage(page)) {
        std::fprintf(stderr, "%s\n", qPrintable(doc.ErrorText()));
        return 1;
    }
    const double pageMs = t.nsecsElapsed() / 1e6;
    if (!doc.End()) {
        std::fprintf(stderr, "%s\n", qPrintable(doc.ErrorText()));
        return 1;
    }
    const double allMs = t.nsecsElapsed() / 1e6;

    QImage device(8, 8, QImage::Format_RGB32);
    device.setDotsPerMeterX(printer.resolution() * 10000 / 254);
    device.setDotsPerMeterY(printer.resolution() * 10000 / 254);
    QPainter painter(&device);
    int lines = 0;
    Counter tall(painter, device, lines);
    print::FontSpec font;
    font.name = page.fields.at(4).fontName;
    font.size = 12;
    tall.SetFont(font);
    t.restart();
    print::PrintMultiLineStr(tall, text, 0, 0, store::MmToTwip(page.fields.at(4).w),
                             store::MmToTwip(spacingMm), 0, 0);
    const double wrapMs = t.nsecsElapsed() / 1e6;
    std::printf("%lld characters, spacing %g mm: page %.1f ms, document %.1f ms, %.3f us a "
                "character; all %d lines wrapped %.1f ms, %.3f us a character\n",
                (long long)n, spacingMm, pageMs, allMs, allMs * 1000.0 / double(n), lines, wrapMs,
                wrapMs * 1000.0 / double(n));
    return 0;
}
