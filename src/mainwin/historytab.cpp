#include "mainwin/historytab.h"

#include "batch/analysewin.h"
#include "mainwin/mainwindow.h"
#include "mainwin/popupmenus.h"
#include "mainwin/printing.h"
#include "page/registry.h"
#include "print/printrun.h"
#include "store/model/context.h"
#include "store/view/grid.h"
#include "store/model/gridbind.h"
#include "store/model/gridsearch.h"
#include "store/model/history.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QToolButton>

namespace mainwin {

namespace {

const QString kObjectName = QStringLiteral("HistoryTab");
constexpr int kHistoryTab = 2;
// The sheet's name when the history is saved as a workbook.
const QString kExportSheet = QStringLiteral("Quorvan支票打印历史数据");

} // namespace

HistoryTab::HistoryTab(MainWindow &w, Printing &printing)
    : QObject(&w), m_w(w), m_printing(printing)
{
    setObjectName(kObjectName);
    QObject::connect(w.SST(), &QTabWidget::currentChanged, this, [this] { SST_Click(); });
    // Enter in the keyword box searches; every other key types. Qt's line edit would hand Enter
    // on to the window after it: it is taken before.
    w.KWord()->installEventFilter(this);
    // Fitted columns show whole texts.
    store::MeasureWithCellMargins(*w.MSF(2));
    // Prints written or deleted, or the format's fields saved: the rows are read again the next
    // time the tab is shown.
    connect(&store::HistoryEvents::Instance(), &store::HistoryEvents::historyChanged, this,
            [&w] { store::ClearHistoryCache(w.MSF(2)->Model()); });

    w.setCommand(20, [this] { Reprint(); });
    w.setCommand(21, [&w] { store::DeleteHistoryRows(w.MSF(2)->Model()); });
    w.setCommand(22, [&w] { store::DeleteAllHistory(w.MSF(2)->Model()); });
    w.setCommand(23, [this] { Export(); });
    w.setCommand(24, [this] { Find(); });
    w.setCommand(25, [this] { ShowHistory(0); });
    w.setCommand(26, [this] { ShowStatistics(); });
}

void HistoryTab::SST_Click()
{
    if (m_w.SST()->currentIndex() == kHistoryTab)
        ShowHistory(store::kHistoryTabLimit);
}

void HistoryTab::ShowHistory(int limit)
{
    store::FlexGrid *grid = m_w.MSF(2);
    if (!grid)
        return;
    const QString name = m_w.context().FormatName();
    if (name.isEmpty())
        return;
    if (const auto more = store::LoadHistoryToGrid(grid->Model(), name, limit)) {
        if (QToolButton *all = m_w.COM(25))
            all->setEnabled(*more);
    }
}

void HistoryTab::Reprint()
{
    print::PrintRun &run = m_printing.run();
    page::FieldRegistry *fields = m_w.fields();
    if (run.Busy() || !fields)
        return;
    store::ReprintHooks hooks;
    hooks.showPrintTab = [this] { m_w.SST()->setCurrentIndex(0); };
    // The printer and, for the PDF output, the file are asked for before the progress window
    // shows; the reprints go to that file and numbered files beside it.
    hooks.choosePrinter = [&run] {
        const QString printer = run.ChoosePrinter();
        return !printer.isEmpty() && run.AskOutputFile(true) ? printer : QString();
    };
    // The prints are filled into a record that starts as the page's values; each is printed
    // from it, and the page shows the last one filled.
    page::FieldRecord record = fields->Record();
    page::RecordFields recordFields(fields->Layout(), record, m_w.context().CrlfChr());
    hooks.printPage = [this, &record] { return m_printing.PrintRecord(record); };
    hooks.endDoc = [&run] { return run.EndDoc(); };
    if (store::FillFromHistory(m_w.MSF(2)->Model(), recordFields, hooks) > 0)
        fields->PutRecord(record);
    run.ForgetOutputFile();
}

void HistoryTab::Export()
{
    // No file name is preset: the dialog starts from the name chosen last.
    batch::ExportGrid(m_w.MSF(2)->Model(), m_csave, kExportSheet);
}

void HistoryTab::Find()
{
    QString keyword = m_w.KWord()->text();
    store::FindInGrid(m_w.MSF(2)->Model(), keyword);
}

void HistoryTab::ShowStatistics()
{
    batch::StatTarget t;
    t.host = &m_w;
    t.parent = &m_w;
    if (QPointer<PopupMenus> menus = m_w.menuForm()) {
        t.mMSF = menus->mMSF();
        t.mPic = menus->mPic();
        t.setCurGrid = [menus](store::FlexGridModel *g) {
            if (menus)
                menus->CurGrid = g;
        };
        t.setCurPic = [menus](QWidget *p) {
            if (menus)
                menus->CurPic = p;
        };
    }
    batch::ShowAnalyse(t);
}

bool HistoryTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_w.KWord() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_w.Com_Click(24);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace mainwin
