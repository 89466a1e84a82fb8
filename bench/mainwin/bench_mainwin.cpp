// The main window with a format of 60 fields: opening it onto the page (from the command to the
// page drawn) and one zoom step.
#include "mainwin/mainwindow.h"
#include "mainwin/pageediting.h"
#include "page/designer.h"
#include "page/field.h"
#include "page/pageview.h"
#include "page/registry.h"
#include "store/db/db.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Two formats of 60 fields each (40 text boxes, 10 check boxes, 5 pictures, 5 lines), so that
// every opening is a real switch.
void addBenchFormats()
{
    const QString marker = QString::fromUtf8(store::kFmtParaMarker);
    store::Transaction tx;
    for (const QString fmt : {"基准支票甲", "基准支票乙"}) {
        for (int i = 0; i < 60; ++i) {
            const int clas = i < 40 ? 0 : i < 50 ? 1 : i < 55 ? 2 : 3;
            const double x = 5 + (i % 6) * 38, y = 5 + (i / 6) * 9;
            store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, Color, fName, fSize, "
                           "Clas, Cash) VALUES(?, ?, 0, ?, ?, ?, ?, 0, '宋体', 10.5, ?, ?)",
                           {fmt, QStringLiteral("栏目%1").arg(i), x, y,
                            clas == 3 ? x + 30 : 34, clas == 3 ? y : 6, clas,
                            clas == 0 ? (i % 3 == 0 ? 12 : 0) : clas == 3 ? 1 : 0});
        }
        store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Color, Mem) VALUES(?, ?, 10, 10, "
                       "240, 100, 15360, 'True|False|1|0|0|0|0|False|')",
                       {fmt, marker});
    }
    tx.Commit();
}

struct Env
{
    Env()
    {
        qputenv("QUORVAN_HOME", (dir.path() + "/home").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        store::Db::Main().OpenConn(store::DataFilePath());
        store::UpgradeDBSchema();
        addBenchFormats();
        window = std::make_unique<mainwin::MainWindow>();
        window->resize(1024, 768);
        QSignalSpy loaded(window.get(), &mainwin::MainWindow::loadFinished);
        window->show();
        loaded.wait(5000);
    }
    QTemporaryDir dir;
    store::ScopedRecordingReporter rec;
    std::unique_ptr<mainwin::MainWindow> window;
};

Env &env()
{
    static Env e;
    return e;
}

void BM_OpenFormatOntoPage(benchmark::State &state)
{
    mainwin::MainWindow &w = *env().window;
    int n = 0;
    for (auto _ : state) {
        w.OpenFmt(n++ % 2 ? QStringLiteral("基准支票甲") : QStringLiteral("基准支票乙"), false);
        w.PG()->repaint();
        QCoreApplication::processEvents();
    }
    if (w.fields()->AllFields().size() != 60)
        state.SkipWithError("the format did not open with 60 fields");
}
BENCHMARK(BM_OpenFormatOntoPage)->Unit(benchmark::kMillisecond);

void BM_ZoomOnce(benchmark::State &state)
{
    mainwin::MainWindow &w = *env().window;
    w.OpenFmt(QStringLiteral("基准支票甲"), false);
    int n = 0;
    for (auto _ : state) {
        w.Zm_Click(n++ % 2 ? 2 : 0); // in, then back to the frame's width
        w.PG()->repaint();
        QCoreApplication::processEvents();
    }
    if (w.fields()->AllFields().size() != 60)
        state.SkipWithError("fields lost");
}
BENCHMARK(BM_ZoomOnce)->Unit(benchmark::kMillisecond);

void sendMove(QWidget *w, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// One drag step at a text field's move grip with all 60 fields selected: 60 moves, 60 row
// writes and the repaint of the page.
void BM_DragStepOf60Fields(benchmark::State &state)
{
    mainwin::MainWindow &w = *env().window;
    w.OpenFmt(QStringLiteral("基准支票甲"), false);
    page::Designer &d = w.pageEditing().designer();
    d.SelRect = {-100000, -100000, 100000, 100000};
    d.SelCtlByRect(0);
    page::PageField *f = w.fields()->GetCtlByIdx(8); // a text field inside the page
    QWidget *box = f->Widget();
    sendMove(box, QPoint(2, 2), Qt::NoButton); // the move grip
    if (f->PointerMode() != 5)
        state.SkipWithError("no move grip");
    const int left = f->Left();
    int n = 0;
    for (auto _ : state) {
        // 15 twips (one pixel) right, then back.
        sendMove(box, QPoint(n++ % 2 ? 1 : 3, 2), Qt::LeftButton);
        w.PG()->repaint();
        QCoreApplication::processEvents();
    }
    if (std::abs(f->Left() - left) > 15)
        state.SkipWithError("the field did not step back and forth");
}
BENCHMARK(BM_DragStepOf60Fields)->Unit(benchmark::kMillisecond);

// One step of a band over the 60 fields: the test of every field, the band and the repaint.
void BM_BandStepOver60Fields(benchmark::State &state)
{
    mainwin::MainWindow &w = *env().window;
    w.OpenFmt(QStringLiteral("基准支票甲"), false);
    auto *edit = &w.pageEditing();
    edit->PG_MouseDown(1, 0, 5, 5);
    const double pw = w.PG()->twWidth(), ph = w.PG()->twHeight();
    int n = 0;
    for (auto _ : state) {
        const bool big = n++ % 2;
        edit->PG_MouseMove(1, 0, big ? pw - 10 : pw / 2, big ? ph - 10 : ph / 2);
        w.PG()->repaint();
        QCoreApplication::processEvents();
    }
    edit->PG_MouseUp(1, 0, 0, 0);
}
BENCHMARK(BM_BandStepOver60Fields)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
