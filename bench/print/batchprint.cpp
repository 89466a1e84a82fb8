// The program's batch print on its own: the records of a CSV file, each filled into the slip and
// printed as one page of one PDF document, as the print run does after loading a record.
// Usage: bench_print_batch data.csv out.pdf [times]  (times: the records over again, for size)
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
        std::fprintf(stderr, "usage: %s data.csv out.pdf [times]\n", argv[0]);
        return 2;
    }
    const QList<QStringList> records = printbench::ReadRecords(QString::fromLocal8Bit(argv[1]));
    const int times = argc > 3 ? std::max(1, atoi(argv[3])) : 1;
    QPrinter printer(QPrinter::HighResolution);
    printbench::PdfOutput(printer, QString::fromLocal8Bit(argv[2]));
    QElapsedTimer t;
    t.start();
    print::PrintDocument doc(printer);
    for (int round = 0; round < times; ++round) {
        for (const QStringList &r : records) {
            const print::FilledPage page = printbench::BenchSlip(r);
            if (!doc.BeginPage(page) || !doc.PrintPage(page)) {
                std::fprintf(stderr, "%s\n", qPrintable(doc.ErrorText()));
                return 1;
            }
            doc.NewPage();
        }
    }
    const bool ended = doc.End();
    if (!ended) {
        std::fprintf(stderr, "%s\n", qPrintable(doc.ErrorText()));
        return 1;
    }
    std::printf("pages %d in %.3f s\n", doc.Pages(), t.elapsed() / 1000.0);
    return 0;
}
