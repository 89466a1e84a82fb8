// The main window with a format of 60 fields: opening it onto the page (from the command to the
// page drawn) and one zoom step.
#include "mainwin/mainwindow.h"
#include "page/pageview.h"
#include "page/registry.h"
#include "store/db.h"
#include "store/paths.h"
#include "store/reporter.h"
#include "store/schema.h"

#include <QApplication>
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
