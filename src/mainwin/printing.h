#pragma once
// Printing from the main window: the print buttons, the margin button, the batch records on the
// record scroll bar and the history after a print.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "page/record.h"
#include "store/db/params.h"
#include "values/valueenv.h"

namespace print {
class BatchNav;
class PageSource;
class PrintRun;
} // namespace print

namespace store {
class PendingHistory;
} // namespace store

namespace mainwin {

class MainWindow;
class Typing;

// How a print asks for the printer and for the PDF output's file; an empty one asks the user
// (the printer chooser, a save dialog).
struct PrintQuestions
{
    std::function<QString()> choosePrinter;
    std::function<QString()> pdfFileName;
};

class Printing : public QObject
{
    Q_OBJECT
public:
    // Batch records do not go through typing or the page: BatchNav::FillRecord fills each one
    // into a record, converted and calculated as leaving its fields would (page::LeaveTextField),
    // and print::PageSource prints it.
    Printing(MainWindow &w, Typing &typing, PrintQuestions questions);
    ~Printing() override;

    print::PrintRun &run() const { return *m_run; }
    print::BatchNav &batchNav() const { return *m_nav; }

    // The print button: the page as filled now on the chosen printer, then into the history.
    void PrintCurrent();
    // The print-all button: every batch record on a page of its own, each into the history.
    void PrintBatch();
    // One page of a reprint: the record on the chosen printer in the document begun, without
    // the history; false when it was not printed.
    bool PrintRecord(const page::FieldRecord &record);
    // The record scroll bar moved: that record onto the page (only with two records or more).
    void HS_Change(int value);
    // The margin button: the margin dialog.
    void EditMargins();

private:
    MainWindow &m_w;
    Typing &m_typing;
    std::unique_ptr<print::BatchNav> m_nav;
    // The prints of the document being printed, until it is complete (before m_run, which may
    // still drop them when it goes).
    std::unique_ptr<store::PendingHistory> m_pending;
    std::unique_ptr<print::PrintRun> m_run;
    // The page's values for one command; pictures and background are read once per command.
    std::unique_ptr<print::PageSource> m_source;
    // The clock and parameters of a batch, read once for all its records.
    std::optional<values::ValueEnv> m_batchEnv;
    // While print-all runs: the record carried from one batch row to the next, in place of the
    // page, and the grid row it holds.
    std::optional<page::FieldRecord> m_batchRecord;
    int m_batchRow = -1;
    // Outside a batch, the record one print command prints.
    std::optional<page::FieldRecord> m_record;
    std::optional<store::ParaSnapshot> m_batchPara;
};

} // namespace mainwin
