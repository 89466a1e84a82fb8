// The print-all command of the main window on the benchmark's records: the slip of benchslip.h
// saved as a format, its records in the batch grid, and the print-all button pressed with the
// PDF output chosen. Everything the command does runs: each record onto the page with its
// conversion and calculation, the page built and printed, the history of all records recorded.
// Usage: bench_print_allpath data.csv out.pdf [times]
// With QUORVAN_HOME set, the program folder there is used as an installed program's (created with
// the benchmark's format on the first run); without, a fresh one in a temporary folder.
#include "benchslip.h"
#include "printall.h"

#include "store/db/db.h"
#include "store/view/grid.h"
#include "store/db/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

const QString kFormat = QStringLiteral("基准支票");

// The benchmark's slip as rows of table Fmt: its text fields and its barcode field, and the
// whole-format row (240 x 80 mm, no margins, paper size set from the slip).
void AddBenchFormat()
{
    const print::FilledPage slip = printbench::BenchSlip({});
    store::Transaction tx;
    int n = 0;
    for (const print::FilledField &f : slip.fields) {
        store::ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, S, L, Color, "
                                      "fName, fSize, Clas, Cash) "
                                      "VALUES(?, ?, 0, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, 0)"),
                       {kFormat, QStringLiteral("栏目%1").arg(++n), f.x, f.y, f.w, f.h,
                        f.charSpacing, f.packedSpacing, f.fontName, f.fontSize, int(f.kind)});
    }
    store::ExecSQL(
        QStringLiteral("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Color, Mem) VALUES(?, ?, "
                       "10, 10, ?, ?, 15360, 'True|False|0|0|0|0|0|False|')"),
        {kFormat, QString::fromUtf8(store::kFmtParaMarker), slip.widthMm, slip.heightMm});
    tx.Commit();
}

// The records as the import leaves them in the batch grid: row 0 the field indexes, row 1 the
// captions, one record a row from row 2.
void FillBatchGrid(store::FlexGrid &g, const QList<QStringList> &records, int times)
{
    const QList<int> indexes{1, 2, 3, 4, 5, 2001};
    g.SetRedraw(false);
    g.SetRows(2);
    g.SetCols(1 + int(indexes.size()));
    g.SetFixedRows(2);
    g.SetFixedCols(1);
    for (int c = 0; c < indexes.size(); ++c) {
        g.SetTextMatrix(0, c + 1, QString::number(indexes[c]));
        g.SetTextMatrix(1, c + 1, QStringLiteral("栏目%1").arg(c + 1));
    }
    g.SetRows(2 + int(records.size()) * times);
    int row = 2;
    for (int t = 0; t < times; ++t) {
        for (const QStringList &r : records) {
            g.SetTextMatrix(row, 0, QString::number(row - 1));
            for (int c = 0; c < indexes.size(); ++c)
                g.SetTextMatrix(row, c + 1, r.value(c));
            ++row;
        }
    }
    g.SetRedraw(true);
}

// The process's peak resident memory so far (what /usr/bin/time reports at the end).
double PeakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    batchbench::BenchHome home(batchbench::BenchHome::Folder::Installed);
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s data.csv out.pdf [times]\n", argv[0]);
        return 2;
    }
    const QList<QStringList> records = printbench::ReadRecords(QString::fromLocal8Bit(argv[1]));
    const QString out = QString::fromLocal8Bit(argv[2]);
    const int times = argc > 3 ? std::max(1, atoi(argv[3])) : 1;

    QElapsedTimer process;
    process.start();
    if (!home.Open())
        return 1;
    if (store::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=?"), QStringLiteral("ID"),
                             {kFormat})
            .toString()
            .isEmpty())
        AddBenchFormat();
    // The prints this run records: those numbered above the last one before it (a count over the
    // whole history would grow with every run).
    const auto lastPrint = [] {
        store::Recordset rs;
        store::OpenRs(rs, QStringLiteral("SELECT MAX(ID) FROM 历史 WHERE Fmt=?"), {kFormat});
        return rs.Value(0, 0).toLongLong();
    };
    const qint64 before = lastPrint();

    int pages = 0;
    {
        batchbench::PrintAllWindow p(out);
        if (!p.loaded)
            return 1;
        p.w.OpenFmt(kFormat, false);
        FillBatchGrid(*p.w.MSF(1), records, times);
        p.w.resetBatchNav(p.w.MSF(1)->Model());

        std::printf("ready after %.3f s, peak memory %.1f MiB\n", process.elapsed() / 1000.0,
                    PeakMiB());
        const double s = p.PrintAll();

        store::Recordset rs;
        store::OpenRs(rs,
                      QStringLiteral("SELECT COUNT(DISTINCT ID) FROM 历史 WHERE Fmt=? AND ID>?"),
                      {kFormat, before});
        pages = rs.Value(0, 0).toInt();
        std::printf("print-all: %d records recorded in %.3f s, peak memory %.1f MiB\n", pages, s,
                    PeakMiB());
        for (const QString &m : home.quiet.messages)
            std::fprintf(stderr, "%s\n", qPrintable(m));
    }
    return pages == int(records.size()) * times ? 0 : 1;
}
