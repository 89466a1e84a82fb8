#pragma once
// The print run: one slip on the chosen printer, the history reprint, and the batch of all
// imported records as one document of one page each. A print that failed is reported and not
// recorded; the history of a document is written once the printer has taken the whole document.

#include "print/pagebuild.h"

#include <QList>
#include <QStringList>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace print {

class PrintDocument;

// One print of a document, waiting for the document to be complete before it is recorded.
struct PendingPrint
{
    QString format;
    QList<HistoryValue> values;
};

// What the print run needs of the main window and the history.
struct PrintHooks
{
    std::function<FilledPage()> fillPage; // the page as it is filled now
    // The history of one document: each print to be recorded is put aside as its page is drawn
    // (false when it could not be; the history has told why and the document is given up), and
    // all of them are stored once the printer has taken the whole document, each as a new print
    // of its format, all or none; finish runs last before they are kept and may still refuse
    // them (saveHistory false when nothing was kept: a database failure is told by the history
    // itself). dropHistory forgets the prints put aside when the document is given up.
    std::function<bool(const PendingPrint &print)> keepPrint;
    std::function<bool(const std::function<bool()> &finish)> saveHistory;
    std::function<void()> dropHistory;
    std::function<int()> batchCount;           // HS maximum
    std::function<int()> batchValue;           // HS value, the record shown
    // Takes grid row row: onto the page (BatchNav::LoadBatchRow), or while a batch runs into the
    // record it prints (BatchNav::FillRecord), which fillPage then lays out.
    std::function<void(int row)> loadBatchRow;
    // Why the batch records cannot be printed under the open format ("" when they can).
    std::function<QString()> batchProblem;
    // Told true once the questions of a batch are answered and its records start to be filled
    // and printed without the page's widgets, false at the end, when the record shown before is
    // loaded again and goes back on the page.
    std::function<void(bool running)> batchRunning;
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
    // window (Esc) stops after the current page; the pages done are printed. Esc while the run
    // waits for the page writer gives the whole document up: nothing is printed or recorded.
    void PrintBatchRows();
    // Ends the printer document begun by PrintFmt(false, ...); false (reported) on failure. The
    // prints of the document are recorded before it counts as done; a PDF file takes its place
    // only together with them.
    bool EndDoc();
    QString ChoosePrinter();
    // Asks for the PDF output's file now, when the current printer is the PDF output, so that
    // no question comes up under a progress window: the next document goes to that file.
    // series: several documents follow, the second and later ones go to "<name>-2.pdf" and so
    // on beside it. False when the question was cancelled.
    bool AskOutputFile(bool series = false);
    // Drops the file asked for ahead (after the documents of a series).
    void ForgetOutputFile();

    bool Busy() const { return m_busy; }

private:
    enum class PageResult { Printed, Refused, Failed, Cancelled };
    PageResult PrintOnePage(const FilledPage &page, bool record);
    void TellDocumentMessages(const QStringList &told);
    // Ends the document (end: false when the printer did not take it, ErrorText says why, and it
    // is told) while its prints are moved into the history, then puts the file in its place: all
    // of it or none. False leaves the document to be discarded.
    bool EndAndRecord(const std::function<bool()> &end);
    bool OpenDocument();
    void Discard();

    bool CommitFile();
    // Why the document failed: for a PDF the file and the reason its folder gives.
    QString DocumentError() const;

    PrintHooks m_hooks;
    std::unique_ptr<PrintDocument> m_doc;
    QString m_pdfTarget, m_pdfPart;
    // The file asked for ahead of the documents, and how many documents went to it so far.
    QString m_askedFile;
    bool m_series = false;
    int m_seriesCount = 0;
    qsizetype m_kept = 0; // prints of the open document put aside for the history
    qsizetype m_told = 0;
    bool m_busy = false;
};

} // namespace print
