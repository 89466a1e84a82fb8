#include "print/printrun.h"

#include "print/pagewriter.h"
#include "print/printdoc.h"
#include "print/printers.h"
#include "print/selprinter.h"
#include "store/db/filewriter.h"
#include "store/ui/indicator.h"
#include "store/core/termination.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <optional>
#include <utility>

namespace print {

namespace {

struct BusyGuard
{
    explicit BusyGuard(bool &flag) : m_flag(flag) { m_flag = true; }
    ~BusyGuard() { m_flag = false; }
    bool &m_flag;
};

struct RunningGuard
{
    explicit RunningGuard(const std::function<void(bool)> &tell) : m_tell(tell)
    {
        if (m_tell)
            m_tell(true);
    }
    ~RunningGuard()
    {
        if (m_tell)
            m_tell(false);
    }
    const std::function<void(bool)> &m_tell;
};

// The n-th file of a series asked for once: the name itself, then "<name>-2.pdf" and on.
QString SeriesFile(const QString &file, int n)
{
    if (n <= 1)
        return file;
    QString base = file;
    QString ext;
    if (base.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        ext = base.right(4);
        base.chop(4);
    }
    return base + u'-' + QString::number(n) + ext;
}

} // namespace

PrintRun::PrintRun(PrintHooks hooks) : m_hooks(std::move(hooks))
{
    if (!m_hooks.choosePrinter)
        m_hooks.choosePrinter = [this] { return print::ChoosePrinter(m_hooks.parent); };
    if (!m_hooks.pdfFileName) {
        m_hooks.pdfFileName = [this] {
            QString f = store::ChooseFileName(m_hooks.parent, true, QString(),
                                           QStringLiteral("PDF文件 (*.pdf)"));
            if (!f.isEmpty() && !f.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
                f += QStringLiteral(".pdf");
            return f;
        };
    }
}

PrintRun::~PrintRun()
{
    Discard();
}

QString PrintRun::ChoosePrinter()
{
    return m_hooks.choosePrinter();
}

bool PrintRun::AskOutputFile(bool series)
{
    m_askedFile.clear();
    m_series = series;
    m_seriesCount = 0;
    if (m_doc || !Current().IsPdf())
        return true;
    m_askedFile = m_hooks.pdfFileName();
    return !m_askedFile.isEmpty();
}

void PrintRun::ForgetOutputFile()
{
    m_askedFile.clear();
    m_series = false;
    m_seriesCount = 0;
}

void PrintRun::Discard()
{
    if (m_doc)
        m_doc->Abort();
    m_doc.reset();
    if (!m_pdfPart.isEmpty()) {
        QFile::remove(m_pdfPart);
        store::ForgetUnfinishedFile(m_pdfPart);
    }
    m_pdfPart.clear();
    m_pdfTarget.clear();
    if (m_kept > 0 && m_hooks.dropHistory)
        m_hooks.dropHistory();
    m_kept = 0;
}

bool PrintRun::OpenDocument()
{
    if (m_doc)
        return true;
    QPrinter &printer = Current().Printer();
    if (Current().IsPdf()) {
        if (!m_askedFile.isEmpty()) {
            m_pdfTarget = SeriesFile(m_askedFile, ++m_seriesCount);
            if (!m_series)
                ForgetOutputFile();
        } else {
            m_pdfTarget = m_hooks.pdfFileName();
        }
        if (m_pdfTarget.isEmpty())
            return false;
        // The file is written beside its place and put there only when complete.
        m_pdfPart = m_pdfTarget + QStringLiteral(".part");
        store::NoteUnfinishedFile(m_pdfPart);
        printer.setOutputFileName(m_pdfPart);
    }
    m_doc = std::make_unique<PrintDocument>(printer);
    if (!m_pdfTarget.isEmpty())
        m_doc->SetOutputName(m_pdfTarget);
    m_told = 0;
    return true;
}

PrintRun::PageResult PrintRun::PrintOnePage(const FilledPage &page, bool record)
{
    if (!OpenDocument())
        return PageResult::Cancelled;
    if (!m_doc->BeginPage(page)) {
        store::ReportMessage(DocumentError(), store::MsgKind::Error);
        Discard();
        return PageResult::Failed;
    }
    TellDocumentMessages(m_doc->Messages());
    m_doc->PrintPage(page);
    TellDocumentMessages(m_doc->Messages());
    if (record && m_hooks.keepPrint) {
        ++m_kept;
        if (!m_hooks.keepPrint({page.formatName, HistoryValues(page)})) {
            Discard();
            return PageResult::Failed;
        }
    }
    return PageResult::Printed;
}

void PrintRun::TellDocumentMessages(const QStringList &told)
{
    for (qsizetype i = m_told; i < told.size(); ++i)
        store::ReportMessage(told.at(i), store::MsgKind::Warning);
    m_told = told.size();
}

QString PrintRun::DocumentError() const
{
    // The PDF writer does not say why it failed: the file's folder tells.
    if (!m_pdfPart.isEmpty())
        return store::WrittenFileFailedText(m_pdfPart, m_pdfTarget);
    return m_doc->ErrorText();
}

bool PrintRun::CommitFile()
{
    if (m_pdfPart.isEmpty())
        return true;
    // The document checked itself complete and synced when it ended; it replaces an earlier
    // file in one step.
    QString error;
    if (!store::CommitWrittenFile(m_pdfPart, m_pdfTarget, &error)) {
        store::ReportMessage(error, store::MsgKind::Error);
        return false;
    }
    m_pdfPart.clear();
    return true;
}

bool PrintRun::EndDoc()
{
    if (!m_doc)
        return true;
    if (!EndAndRecord([this] { return m_doc->End(); })) {
        Discard();
        return false;
    }
    return true;
}

bool PrintRun::EndAndRecord(const std::function<bool()> &end)
{
    // The prints go into the history while the document is ended; they are kept only once the
    // printer has taken it, and the file takes its place inside the same transaction, so that a
    // file that could not be put there leaves no prints behind, and prints that could not be
    // recorded leave the earlier file as it was. Only a commit that fails once the file is in
    // its place leaves the file without its prints; the user is told which of the two it was.
    enum class Finished { No, Failed, Done } finished = Finished::No;
    const auto finish = [&] {
        finished = Finished::Failed;
        if (!end()) {
            // A document given up by the user has nothing to tell.
            if (!m_doc->ErrorText().isEmpty())
                store::ReportMessage(DocumentError(), store::MsgKind::Error);
            return false;
        }
        if (!CommitFile())
            return false;
        finished = Finished::Done;
        return true;
    };
    const qsizetype kept = std::exchange(m_kept, 0);
    const bool done = kept == 0 || !m_hooks.saveHistory ? finish() : m_hooks.saveHistory(finish);
    if (done) {
        m_doc.reset();
        m_pdfTarget.clear();
    } else if (finished != Finished::Failed) {
        // The history has told why it failed; what became of the document is told here.
        const bool pdf = !m_pdfTarget.isEmpty();
        const QString where = QDir::toNativeSeparators(pdf ? m_pdfTarget : Current().Name());
        QString told;
        if (finished == Finished::Done)
            told = pdf ? QStringLiteral("文件“%1”已经写入，但这次打印未能记入历史。")
                       : QStringLiteral("单据已送往打印机“%1”，但这次打印未能记入历史。");
        else
            told = pdf ? QStringLiteral("这次打印未能记入历史，文件“%1”没有写入。")
                       : QStringLiteral("这次打印未能记入历史，单据没有送往打印机“%1”。");
        store::ReportMessage(told.arg(where), store::MsgKind::Error);
    }
    return done;
}

bool PrintRun::PrintFmt(bool single, bool record)
{
    if (single) {
        if (m_busy)
            return false;
        if (ChoosePrinter().isEmpty())
            return false;
    }
    const FilledPage page = m_hooks.fillPage ? m_hooks.fillPage() : FilledPage();
    const QString refused = CheckCashBoxes(page);
    if (!refused.isEmpty()) {
        store::ReportMessage(refused, store::MsgKind::Warning);
        return false;
    }
    if (PrintOnePage(page, record) != PageResult::Printed)
        return false;
    if (single)
        return EndDoc();
    m_doc->NewPage();
    return true;
}

void PrintRun::PrintBatchRows()
{
    if (m_busy)
        return;
    if (const QString problem = m_hooks.batchProblem ? m_hooks.batchProblem() : QString();
        !problem.isEmpty()) {
        store::ReportMessage(problem, store::MsgKind::Warning);
        return;
    }
    if (ChoosePrinter().isEmpty())
        return;
    // The file question comes before the progress window, which would cover it.
    if (!AskOutputFile())
        return;
    BusyGuard busy(m_busy);
    std::optional<RunningGuard> running(std::in_place, m_hooks.batchRunning);
    const int count = m_hooks.batchCount ? m_hooks.batchCount() : 0;
    store::StartProgress(QStringLiteral("正在打印单据……"), count);
    store::ProgressGuard progress;
    int printed = 0;
    QString stopped;
    bool failed = false;
    // The pages are drawn on a thread of their own while the next record is filled; the
    // document is not touched here until the writer has finished with it. Closing the progress
    // window while the run waits for the writer gives the document up: its last pages may be
    // far from drawn.
    std::optional<PageWriter> writer;
    QMetaObject::Connection stopOnClose;
    if (store::Indicator *progressWindow = store::IndicatorWindow())
        stopOnClose = QObject::connect(progressWindow, &store::Indicator::closed, [&writer] {
            if (writer && writer->Waiting())
                writer->Stop();
        });
    for (int i = 1; i <= count; ++i) {
        if (m_hooks.loadBatchRow)
            m_hooks.loadBatchRow(i + 1);
        FilledPage page = m_hooks.fillPage ? m_hooks.fillPage() : FilledPage();
        const QString refused = CheckCashBoxes(page);
        if (!refused.isEmpty()) {
            stopped = QStringLiteral("第%1条记录：").arg(i) + refused;
            break;
        }
        if (!writer) {
            if (!OpenDocument()) {
                failed = true;
                break;
            }
            writer.emplace(*m_doc);
        }
        PendingPrint print{page.formatName, HistoryValues(page)};
        if (!writer->Queue(std::move(page))) {
            failed = !writer->Stopped();
            break;
        }
        TellDocumentMessages(writer->Messages());
        if (m_hooks.keepPrint) {
            ++m_kept;
            if (!m_hooks.keepPrint(print)) {
                failed = true;
                break;
            }
        }
        ++printed;
        store::StepProgress(1, store::StepShows::CountAndTimes);
        if (!store::ProgressShowing() && i < count) {
            stopped = QStringLiteral("批量打印已中止。");
            break;
        }
    }
    bool givenUp = false;
    if (writer) {
        // Once the progress window is closed nobody can stop the wait any more; it still answers
        // the desktop and a termination request, but takes no command in the middle of the run.
        if (!store::ProgressShowing())
            writer->SetWaitEvents(QEventLoop::ExcludeUserInputEvents);
        const auto finishWriter = [&](bool end) {
            const bool ended = writer->Finish(end);
            TellDocumentMessages(writer->Messages());
            return ended;
        };
        if (failed || writer->Stopped()) {
            finishWriter(false);
            if (failed && !m_doc->ErrorText().isEmpty())
                store::ReportMessage(DocumentError(), store::MsgKind::Error);
        } else if (!EndAndRecord([&] { return finishWriter(true); })) {
            failed = !writer->Stopped();
        }
        // A history that failed before the end was asked for leaves the document to abort.
        finishWriter(false);
        givenUp = writer->Stopped();
        writer.reset();
        if (failed || givenUp)
            Discard();
    }
    QObject::disconnect(stopOnClose);
    if (givenUp) {
        stopped =
            QStringLiteral("批量打印已中止：文档没有打印完，已放弃，没有打印也没有记录任何单据。");
        printed = 0;
    }
    if (!failed && !stopped.isEmpty() && printed > 0)
        stopped += QStringLiteral("已打印前%1张单据。").arg(printed);
    if (!failed && printed == 0)
        Discard();
    ForgetOutputFile();
    if (m_hooks.loadBatchRow && m_hooks.batchValue)
        m_hooks.loadBatchRow(m_hooks.batchValue() + 1);
    // The window shows the record put back before the last word comes up. A run stopped because
    // the program is asked to end says nothing: a message now would hold the end up.
    running.reset();
    if (!stopped.isEmpty() && !store::TerminationRequested())
        store::ReportMessage(stopped, store::MsgKind::Warning);
}

} // namespace print
