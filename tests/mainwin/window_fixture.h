#pragma once
// The main window as the program builds it, for the tests that print: the printer question is
// answered with the PDF printer, the file question by the test.

#include "mainwin/mainwindow.h"
#include "mainwin/printing.h"
#include "print/printers.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

// Selects the PDF printer, the answer to the printer question.
inline QString ChoosePdfPrinter()
{
    print::Current().Select(print::kPdfPrinterName);
    return print::kPdfPrinterName;
}

// Builds the window with these answers into w, shows it, waits for its start-up and opens the
// cheque format.
inline void ShowChequeWindow(std::unique_ptr<mainwin::MainWindow> &w,
                             const mainwin::PrintQuestions &answers)
{
    w = std::make_unique<mainwin::MainWindow>(mainwin::MainWindowHooks{answers, {}, {}});
    QSignalSpy loaded(w.get(), &mainwin::MainWindow::loadFinished);
    w->show();
    ASSERT_TRUE(loaded.count() > 0 || loaded.wait(5000));
    w->OpenFmt(QStringLiteral("转账支票"), false);
    ASSERT_EQ(w->context().FormatName(), QStringLiteral("转账支票"));
}
