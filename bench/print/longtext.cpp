// One slip whose purpose field holds a long text, printed to one PDF page as the print run
// prints it: the time of the page alone and of the whole document, in this process.
// Usage: bench_print_longtext CHARACTERS out.pdf
#include "benchslip.h"
#include "print/printdoc.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPrinter>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s characters out.pdf\n", argv[0]);
        return 2;
    }
    const qsizetype n = std::max(1L, std::atol(argv[1]));
    // Payee names, amounts in words and account numbers as a clerk pastes them: CJK, digits,
    // Latin letters, full-width signs and blanks.
    const QString unit = QStringLiteral("收款单位0001有限公司，账号6222 0210 0108 8888；Bank of "
                                        "Quorvan（分行）壹仟贰佰叁拾肆元伍角整。");
    QString text;
    text.reserve(n + unit.size());
    while (text.size() < n)
        text += unit;
    text.truncate(n);

    print::FilledPage page = printbench::BenchSlip(
        {QStringLiteral("贰零贰陆年壹拾贰月零玖日"), QStringLiteral("收款单位0001有限公司"),
         QStringLiteral("壹仟贰佰叁拾肆元伍角整"), QStringLiteral("888599.97"), text,
         QStringLiteral("A000001")});
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(argv[2]));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
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
    std::printf("%lld characters: page %.1f ms, document %.1f ms, %.3f us a character\n",
                (long long)n, pageMs, allMs, allMs * 1000.0 / double(n));
    return 0;
}
