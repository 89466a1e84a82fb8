#pragma once
// The print run: one slip on the chosen printer, the history reprint, and the batch of all
// imported records as one document of one page each. A print that failed is reported and not
// recorded; the history of a document is written once the printer has taken the whole document.

#include "print/pagebuild.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace print {

class PrintDocument;

// What the print run needs of the main window and the history.
struct PrintHooks
{
    std::function<FilledPage()> fillPage;       // the page as it is filled now
    // Stores one print of the format (a new print number) with these values.
    std::function<void(const QString &format, const QList<HistoryValue> &values)> saveHistory;
    std::function<int()> batchCount;            // HS maximum
    std::function<int()> batchValue;            // HS value, the record shown
    std::function<void(int row)> loadBatchRow;  // LoadBatchRow of the batch grid
    // Why the batch records cannot be printed under the open format ("" when they can).
    std::function<QString()> batchProblem;
    // Asks for the printer; default: the printer chooser.
    std::function<QString()> choosePrinter;
    // The file for the PDF output; "" cancels. Default: a save dialog.
    std::function<QString()> pdfFileName;
    QWidget *parent = nullptr;
};

class PrintRun
{
public:
    explicit PrintRun(PrintHooks hooks);
    ~PrintRun();
    PrintRun(const PrintRun &) = delete;
    PrintRun &operator=(const PrintRun &) = delete;

    // single: ask for the printer first and end the document after the page; otherwise only a
    // page break follows. record: store the values in the history. False when the printer choice
    // was cancelled or nothing could be printed.
    bool PrintFmt(bool single, bool record);
    // Prints every batch record, each on its own page of one document. Closing the progress
    // window (Esc) stops after the current page; the pages done are printed.
    void PrintBatchRows();
    // Ends the printer document begun by PrintFmt(false, ...); false (reported) on failure.
    bool EndDoc();
    QString ChoosePrinter();

    bool Busy() const { return m_busy; }

private:
    enum class PageResult { Printed, Refused, Failed, Cancelled };
    PageResult PrintOnePage(const FilledPage &page, bool record);
    bool OpenDocument();
    void Discard();

    PrintHooks m_hooks;
    std::unique_ptr<PrintDocument> m_doc;
    QString m_pdfTarget, m_pdfPart;
    QList<std::pair<QString, QList<HistoryValue>>> m_pendingHistory;
    qsizetype m_told = 0;
    bool m_busy = false;
};

} // namespace print
