#include "mainwin/historytab.h"

#include "mainwin/mainwindow.h"
#include "mainwin/printing.h"
#include "page/registry.h"
#include "print/printrun.h"
#include "store/context.h"
#include "store/grid.h"
#include "store/gridsearch.h"
#include "store/history.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>

namespace mainwin {

namespace {

constexpr int kHistoryTab = 2;

void connectButton(MainWindow &w, int index, std::function<void()> handler)
{
    if (QToolButton *b = w.COM(index))
        QObject::connect(b, &QToolButton::clicked, &w, std::move(handler));
}

} // namespace

void ShowHistoryTab(MainWindow &w, int limit)
{
    store::FlexGrid *grid = w.MSF(2);
    if (!grid)
        return;
    const QString name = w.context().FormatName();
    if (name.isEmpty())
        return;
    if (const auto more = store::LoadHistoryToGrid(*grid, name, limit)) {
        if (QToolButton *all = w.COM(25))
            all->setEnabled(*more);
    }
}

void InstallHistoryTab(MainWindow &w)
{
    if (w.property("historyTabInstalled").toBool())
        return;
    w.setProperty("historyTabInstalled", true);
    QObject::connect(w.SST(), &QTabWidget::currentChanged, &w, [&w](int index) {
        if (index == kHistoryTab)
            ShowHistoryTab(w, store::kHistoryTabLimit);
    });
    connectButton(w, 25, [&w] { ShowHistoryTab(w, 0); });
    connectButton(w, 24, [&w] {
        QString keyword = w.KWord()->text();
        store::FindInGrid(*w.MSF(2), keyword);
    });
    connectButton(w, 21, [&w] { store::DeleteHistoryRows(*w.MSF(2)); });
    connectButton(w, 22, [&w] { store::DeleteAllHistory(*w.MSF(2)); });
    connectButton(w, 20, [&w] {
        Printing *printing = InstallPrinting(w);
        print::PrintRun &run = printing->run();
        if (run.Busy())
            return;
        store::ReprintHooks hooks;
        hooks.showPrintTab = [&w] { w.SST()->setCurrentIndex(0); };
        // The printer and, for the PDF output, the file are asked for before the progress
        // window shows; the reprints go to that file and numbered files beside it.
        hooks.choosePrinter = [&run] {
            const QString printer = run.ChoosePrinter();
            return !printer.isEmpty() && run.AskOutputFile(true) ? printer : QString();
        };
        hooks.printPage = [&run] { return run.PrintFmt(false, false); };
        hooks.endDoc = [&run] { return run.EndDoc(); };
        store::FillFromHistory(*w.MSF(2), *w.fields(), hooks);
        run.ForgetOutputFile();
    });
}

} // namespace mainwin
