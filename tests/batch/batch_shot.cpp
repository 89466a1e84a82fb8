// Shows the worksheet chooser ("sheets", of sheet.xls or the workbook named next) or the import
// window ("inputmap") over the real main window on a fresh program folder, for looking at them
// (not a test). Messages show in message boxes, as in the program.
#include "batch/analysewin.h"
#include "batch/chart.h"
#include "batch/inputmap.h"
#include "batch/sheets.h"

#include "mainwin/mainwindow.h"
#include "mainwin/popupmenus.h"
#include "page/registry.h"
#include "stat_sample.h"
#include "store/db/db.h"
#include "store/view/grid.h"
#include "store/ui/msgbox.h"
#include "store/db/paths.h"
#include "store/db/schema.h"

#include "store/core/uilanguage.h"

#include <QApplication>
#include <QDateEdit>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    qputenv("QUORVAN_HOME", (dir.path() + "/home").toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
    QApplication app(argc, argv);
    store::UseChineseLanguage();
    store::MessageBoxReporter reporter;
    store::SetReporter(&reporter);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("inputmap");
    const QString data = QStringLiteral(BATCH_DATA_DIR);
    store::Db::Main().OpenConn(store::DataFilePath());
    store::UpgradeDBSchema();
    mainwin::MainWindow w;
    w.show();
    w.OpenFmt(QStringLiteral("转账支票"), false);
    if (what == QLatin1String("stats")) {
        statsample::MakeHistory(statsample::MakeFormat());
        w.OpenFmt(statsample::kFormat, false);
        batch::StatTarget t{&w, &w, w.menuForm()->mMSF(), w.menuForm()->mPic(), {}, {}};
        batch::AnalyseWindow *a = batch::ShowAnalyse(t);
        a->DTP[0]->setDate(QDate(2024, 1, 1));
        a->DTP[1]->setDate(QDate(2024, 4, 15));
        QTimer::singleShot(300, a->Comm, &QToolButton::click);
        if (argc > 2)
            QTimer::singleShot(800, [a, argv] { a->Pic->Image().save(QString::fromLocal8Bit(argv[2])); });
    } else if (what == QLatin1String("sheets")) {
        const QString book = argc > 2 ? QString::fromLocal8Bit(argv[2]) : data + "/sheet.xls";
        auto *s = new batch::Sheets(book, 1, &w);
        QTimer::singleShot(500, s, [s] {
            if (s->LoadSheets())
                s->show();
        });
    } else {
        batch::ImportFile = data + "/sheet.xlsx";
        batch::ImportSheet = QStringLiteral("A");
        batch::ImportTarget t{&w, [&w] { return &w.fields()->Layout(); }, &w, {}};
        auto *m = new batch::InputMap(t);
        m->Form_Load();
        const char *specs[][2] = {{"8", "A"}, {"10", "C"}, {"11", "E,“//”,B"}, {"5", "D"}};
        for (int r = 1; r < m->M1->Rows(); ++r)
            for (const auto &s : specs)
                if (m->M1->TextMatrix(r, 0) == QLatin1String(s[0]))
                    m->M1->SetTextMatrix(r, 4, QString::fromUtf8(s[1]));
        m->show();
    }
    return app.exec();
}
