// One sheet import as the import window's confirm button runs it (reader, grid fill, column
// widths, record navigation) into the real batch grid of the main window, or the reader alone.
// Usage: bench_batch_import import|read FILE [START END]
#include "batch/csvparse.h"
#include "batch/sheetread.h"
#include "batch/sheetsource.h"

#include "benchhome.h"
#include "mainwin/mainwindow.h"
#include "mainwin/printing.h"
#include "mainwin/typing.h"
#include "page/field.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/db/db.h"
#include "store/view/grid.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    batchbench::BenchHome home;
    QApplication app(argc, argv);
    home.Open();
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString file = QString::fromLocal8Bit(argv[2]);
    const int start = argc > 3 ? atoi(argv[3]) : 70001;
    const int end = argc > 4 ? atoi(argv[4]) : 100000;
    store::RecordingReporter &quiet = home.quiet;
    const bool csv = file.endsWith(QLatin1String(".csv"));

    QElapsedTimer t;
    if (mode == QLatin1String("read")) {
        t.start();
        qint64 rows = 0;
        if (csv) {
            batch::CsvRecords recs;
            batch::ReadCsvRecords(file, recs);
            rows = qint64(recs.size());
        } else {
            batch::SheetData data;
            batch::LoadWorkbookSheet(file, QStringLiteral("Sheet"), 0, 702, data);
            rows = data.LastRow();
        }
        std::printf("read %lld rows: %lld ms\n", rows, t.elapsed());
        return 0;
    }

    mainwin::MainWindow w;
    batchbench::ShowLoaded(w);
    w.OpenFmt(QStringLiteral("转账支票"), false);

    batch::ImportMaps maps;
    for (int k = 0; k < w.fields()->CtlCount(0); ++k)
        maps.TT << (k < 10 ? QString(QChar(u'A' + k)) : QString());
    batch::ImportPage page;
    page::FieldRegistry *fields = w.fields();
    page.caption = [fields](int idx) {
        const page::PageField *f = fields->GetCtlByIdx(idx);
        return f && f->Caption() ? f->Caption()->Caption() : QString();
    };
    page.crlfChr = w.context().CrlfChr();
    store::FlexGrid &grid = *w.MSF(1);
    t.start();
    if (csv)
        batch::ReadCsvData(grid.Model(), file, start, end, maps, 1, page);
    else
        batch::ReadExcelData(grid.Model(), file, QStringLiteral("Sheet"), start, end, maps, 1, page);
    const qint64 read = t.elapsed();
    w.resetBatchNav(grid.Model());
    std::printf("import %d records: %lld ms (reader and grid %lld ms)\n",
                grid.Rows() - grid.FixedRows(), t.elapsed(), read);
    for (const QString &m : quiet.messages)
        std::printf("message: %s\n", m.toUtf8().constData());
    return 0;
}
