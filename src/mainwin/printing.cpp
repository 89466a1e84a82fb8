#include "mainwin/printing.h"

#include "mainwin/mainwindow.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/typing.h"
#include "page/calcadapter.h"
#include "page/fieldvalue.h"
#include "page/pageview.h"
#include "page/registry.h"
#include "print/batchnav.h"
#include "print/margin.h"
#include "print/pagebuild.h"
#include "print/printrun.h"
#include "store/model/context.h"
#include "store/model/fmtstore.h"
#include "store/view/grid.h"
#include "store/model/history.h"
#include "store/db/params.h"

#include <QScrollBar>
#include <QToolButton>

namespace mainwin {

namespace {

const QString kObjectName = QStringLiteral("Printing");

} // namespace

Printing::Printing(MainWindow &w, Typing &typing, PrintQuestions questions)
    : QObject(&w), m_w(w), m_typing(typing), m_pending(std::make_unique<store::PendingHistory>())
{
    setObjectName(kObjectName);

    print::BatchNavTarget t;
    t.HS = w.HS();
    t.R_Num[0] = w.R_Num(0);
    t.R_Num[1] = w.R_Num(1);
    t.printAll = w.COM(1);
    t.layout = [&w]() -> const page::FieldLayout * {
        return w.fields() ? &w.fields()->Layout() : nullptr;
    };
    t.record = [&w] { return w.fields() ? w.fields()->Record() : page::FieldRecord(); };
    t.putRecord = [&w](page::FieldRecord &record) {
        if (w.fields())
            w.fields()->PutRecord(record);
    };
    t.leaveText = [this, &w](page::FieldRecord &record, int index) {
        if (!w.fields())
            return;
        try {
            page::StoreCalcHistory history;
            page::LeaveTextField(
                w.fields()->Layout(), record, index,
                page::FillEnv{m_batchEnv ? *m_batchEnv : page::PageValueEnv(), &history,
                              w.context().FormatName()});
        } catch (...) {
            // A failing step changes nothing more, as when the field is left on the page.
        }
    };
    t.crlfChr = [&w] { return w.context().CrlfChr(); };
    t.formatName = [&w] { return w.LFMT(0)->caption(); };
    m_nav = std::make_unique<print::BatchNav>(std::move(t));

    print::PrintHooks h;
    h.parent = &w;
    h.fillPage = [this] {
        if (!m_source) {
            // A print is made from a record, never from the page's widgets: the record a batch
            // carries, the print being reprinted, or else the page's values as they stand when
            // the command starts.
            if (!m_batchRecord && !m_record && m_w.fields())
                m_record = m_w.fields()->Record();
            m_source = std::make_unique<print::PageSource>(
                m_w.context(), print::ValuesOf([this](int index) {
                    if (m_batchRecord)
                        return m_batchRecord->Value(index);
                    return m_record ? m_record->Value(index) : QString();
                }));
        }
        return m_source->Fill();
    };
    h.keepPrint = [this](const print::PendingPrint &p) {
        QList<store::PrintValue> values;
        values.reserve(p.values.size());
        for (const print::HistoryValue &v : p.values)
            values.append({v.cid, v.content});
        return m_pending->Add(p.format, values);
    };
    h.saveHistory = [this](const std::function<bool()> &finish) {
        return m_pending->Save(finish);
    };
    h.dropHistory = [this] { m_pending->Drop(); };
    h.batchCount = [&w] { return w.HS()->maximum(); };
    h.batchValue = [&w] { return w.HS()->value(); };
    h.loadBatchRow = [this](int row) {
        store::FlexGrid *grid = m_w.MSF(1);
        if (!grid || !m_w.fields())
            return;
        if (!m_batchRecord) {
            m_nav->LoadBatchRow(grid->Model(), row);
            return;
        }
        if (m_nav->FillRecord(grid->Model(), row, m_w.fields()->Layout(), *m_batchRecord))
            m_batchRow = row;
    };
    h.batchProblem = [this] { return m_nav->Problem(); };
    h.batchRunning = [this](bool running) {
        // No record passes through the page: each one is filled into m_batchRecord without a
        // widget (BatchNav::FillRecord) and printed from it through print::PageSource. The page
        // is not painted during the run and gets back the record shown before it at the end; the
        // clock and the parameters are read once for the whole run.
        // The rest of the window keeps answering the desktop: on one without a compositor, what
        // the questions before uncover must be painted again.
        if (running) {
            m_batchPara.emplace();
            m_batchEnv = page::PageValueEnv();
            m_w.PG()->setUpdatesEnabled(false);
            if (m_w.fields()) {
                m_batchRecord = m_w.fields()->Record();
                m_batchRow = -1;
                m_source.reset();
            }
        } else {
            if (m_batchRecord && m_w.fields()) {
                // The record the batch ended with (the one shown before it) goes on the page.
                m_w.fields()->PutRecord(*m_batchRecord, true);
                if (m_batchRow >= 0)
                    m_nav->ShowRecordNumber(m_batchRow);
            }
            m_batchRecord.reset();
            m_source.reset();
            m_w.PG()->setUpdatesEnabled(true);
            m_batchEnv.reset();
            m_batchPara.reset();
        }
    };
    h.choosePrinter = std::move(questions.choosePrinter);
    h.pdfFileName = std::move(questions.pdfFileName);
    m_run = std::make_unique<print::PrintRun>(std::move(h));

    w.setCommand(0, [this] { PrintCurrent(); });
    w.setCommand(1, [this] { PrintBatch(); });
    w.setCommand(36, [this] { EditMargins(); });
    connect(w.HS(), &QScrollBar::valueChanged, this, &Printing::HS_Change);

    if (store::FlexGrid *grid = w.MSF(1))
        m_nav->InitBatchNav(grid->Model());
}

Printing::~Printing() = default;

void Printing::PrintCurrent()
{
    if (m_run->Busy())
        return;
    m_source.reset();
    m_record.reset();
    m_run->PrintFmt(true, true);
    m_source.reset();
    m_record.reset();
}

void Printing::PrintBatch()
{
    if (m_run->Busy())
        return;
    m_source.reset();
    m_run->PrintBatchRows();
    m_source.reset();
}

bool Printing::PrintRecord(const page::FieldRecord &record)
{
    m_source.reset();
    m_record = record;
    const bool printed = m_run->PrintFmt(false, false);
    m_source.reset();
    m_record.reset();
    return printed;
}

void Printing::HS_Change(int value)
{
    // While a batch prints, the print run loads the records itself.
    if (m_run->Busy() || m_w.HS()->maximum() <= 1)
        return;
    if (store::FlexGrid *grid = m_w.MSF(1))
        m_nav->LoadBatchRow(grid->Model(), value + 1);
}

void Printing::EditMargins()
{
    store::AppContext &ctx = m_w.context();
    print::ShowMarginForm([&ctx] { return ctx.MarginX(); }, [&ctx] { return ctx.MarginY(); },
                          [&ctx](const QString &x, const QString &y) {
                              // The margins belong to the format: kept in its whole-format row
                              // at once, so that they are there at the next start.
                              ctx.SetMargins(x, y);
                              store::SaveFmtMargins(ctx);
                          },
                          &m_w);
}

} // namespace mainwin
