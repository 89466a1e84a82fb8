#pragma once
// The main window as the print-all benchmarks drive it: typing (conversion and calculation),
// printing with the PDF output chosen and its file given, the history tab; shown until its
// start-up is complete. PrintAll presses the print-all button as the user does.

#include "benchhome.h"

#include "mainwin/mainwindow.h"
#include "mainwin/printing.h"
#include "print/printers.h"

#include <QElapsedTimer>
#include <QToolButton>

namespace batchbench {

class PrintAllWindow
{
public:
    explicit PrintAllWindow(const QString &pdf)
        : w(mainwin::MainWindowHooks{Questions(pdf), {}, {}})
    {
        w.resize(1024, 768);
        loaded = ShowLoaded(w);
    }
    // Seconds the print-all command took.
    double PrintAll()
    {
        QElapsedTimer t;
        t.start();
        w.COM(1)->click();
        return t.nsecsElapsed() / 1e9;
    }
    static mainwin::PrintQuestions Questions(const QString &pdf)
    {
        mainwin::PrintQuestions q;
        q.choosePrinter = [] {
            print::Current().Select(print::kPdfPrinterName);
            return print::kPdfPrinterName;
        };
        q.pdfFileName = [pdf] { return pdf; };
        return q;
    }
    mainwin::MainWindow w;
    bool loaded = false;
};

} // namespace batchbench
