// The batch print through the program's whole path: the real main window on a fresh program
// folder, a slip laid out as the peer's template, the sheet import of a CSV file (the open dialog
// answered, the specs A to F, rows 2 to 1001, the confirm button), then print-all to a PDF file.
// Usage: bench_batch_print data.csv out.pdf
#include "batch/inputmap.h"

#include "page/registry.h"
#include "printall.h"
#include "stat_sample.h"
#include "store/db/db.h"
#include "store/view/grid.h"
#include "store/db/reporter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

const QString kFormat = QStringLiteral("批量基准");

// The peer's slip: five text fields and a Code 39 picture field, millimetres.
void MakeSlip()
{
    statsample::MakeFormat(kFormat, {});
    const struct
    {
        const char16_t *label;
        int clas;
        double x, y, w, h;
    } fields[] = {{u"日期", 0, 20, 8, 120, 8},   {u"收款人", 0, 20, 18, 150, 8},
                  {u"大写", 0, 20, 28, 150, 8},  {u"金额", 0, 170, 28, 60, 8},
                  {u"用途", 0, 20, 38, 150, 8},  {u"流水号", 2, 20, 50, 80, 15}};
    for (const auto &f : fields)
        store::ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, fName, fSize, "
                                      "Clas, Cash) VALUES(?, ?, 1, ?, ?, ?, ?, '黑体', 12, ?, 0)"),
                       {kFormat, QString::fromUtf16(f.label), f.x, f.y, f.w, f.h, f.clas});
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    batchbench::BenchHome home;
    QApplication app(argc, argv);
    home.Open();
    const QString csv = QString::fromLocal8Bit(argv[1]);
    const QString pdf = QString::fromLocal8Bit(argv[2]);
    store::RecordingReporter &quiet = home.quiet;
    MakeSlip();
    QElapsedTimer t;
    t.start();
    {
        batchbench::PrintAllWindow p(pdf);
        mainwin::MainWindow &w = p.w;
        w.OpenFmt(kFormat, false);
        const qint64 start = t.elapsed();

        batch::ImportTarget target{
            &w, [&w] { return &w.fields()->Layout(); }, &w, [csv](const QString &) { return csv; }};
        batch::SelImportFile(1, target);
        // The import window, once it waits for the user: the specs typed, the rows set, confirmed.
        std::function<void()> answer = [&answer] {
            auto *m = qobject_cast<batch::InputMap *>(QApplication::activeModalWidget());
            if (!m || !m->isVisible()) {
                QTimer::singleShot(0, answer);
                return;
            }
            for (int r = 1; r < m->M1->Rows(); ++r) {
                const int index = m->M1->TextMatrix(r, 0).toInt();
                const int k = index % 1000;
                m->M1->SetTextMatrix(r, 4, QString(QChar(u'A' + (index >= 2000 ? 5 : k - 1))));
            }
            m->T[0]->setText(QStringLiteral("2"));
            m->T[1]->setText(QStringLiteral("1001"));
            m->T[2]->setText(QStringLiteral("1"));
            m->Com[0]->click();
        };
        QTimer::singleShot(0, answer);
        batch::ShowInputMap(target);
        const qint64 imported = t.elapsed();
        const double printed = p.PrintAll();
        std::printf("records %d; window %lld ms, import %lld ms, print-all %.0f ms\n",
                    w.MSF(1)->Rows() - w.MSF(1)->FixedRows(), start, imported - start,
                    printed * 1000);
        for (const QString &m : quiet.messages)
            std::printf("message: %s\n", m.toUtf8().constData());
    }
    return 0;
}
