// Starts the program's start-up with the real main window, for looking at it on a display:
// the same wiring the program's entry uses (hooks.showMainWindow = mainwin::ShowMainWindow).
// Arguments: option boxes to tick (0-4) and zoom clicks ("in", "out", "fit"), e.g.
// "mainwin_shot 0 in" shows the rulers on a page zoomed in once; "fmt=<name>" opens a format,
// "selectall" selects every field, "band" holds a band dragged over the left half of the page,
// "pagemenu" opens the page's pop-up menu, "dialog=<kind>" the property dialog of the first field
// of that kind (0-4), "formsize" the slip size dialog. "menu=<name>" opens a menu of the bar,
// "show=SelFormat|PSDCon|ModiPSD|Rightform|FmtList|FmtDown" one of the small windows,
// "typed=<text>" types into the password boxes shown. "records=<csv>" imports the sheet into the
// batch tab with the column map as stored, "tab=<n>" brings a tab to the front.
#include "batch/inputmap.h"
#include "library/fmtdown.h"
#include "mainwin/batchtab.h"
#include "mainwin/mainwindow.h"
#include "mainwin/pageediting.h"
#include "mainwin/password.h"
#include "mainwin/rightform.h"
#include "mainwin/selformat.h"
#include "mainwin/typingfmt.h"
#include "page/designer.h"
#include "page/pageview.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/ui/msgbox.h"
#include "store/ui/startup.h"

#include "store/core/uilanguage.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    store::UseChineseLanguage();
    QApplication::setOrganizationName(QStringLiteral("Quorvan"));
    QApplication::setApplicationName(QStringLiteral("Quorvan"));
    store::MessageBoxReporter reporter;
    store::SetReporter(&reporter);

    QStringList tick;
    for (int i = 1; i < argc; ++i)
        tick << QString::fromLocal8Bit(argv[i]);
    store::StartupHooks hooks;
    hooks.showMainWindow = [tick] {
        auto *w = static_cast<mainwin::MainWindow *>(mainwin::ShowMainWindow());
        QObject::connect(w, &mainwin::MainWindow::loadFinished, w, [w, tick] {
            QString typed;
            for (const QString &t : tick)
                if (t.startsWith(QLatin1String("typed=")))
                    typed = t.mid(6);
            for (const QString &t : tick) {
                if (t.startsWith(QLatin1String("menu="))) {
                    if (auto *m = w->findChild<QMenu *>(t.mid(5)))
                        QTimer::singleShot(
                            300, w, [w, m] { w->menuBar()->setActiveAction(m->menuAction()); });
                    continue;
                }
                if (t.startsWith(QLatin1String("show="))) {
                    const QString which = t.mid(5);
                    QTimer::singleShot(300, w, [w, which, typed] {
                        QDialog *d = nullptr;
                        if (which == QLatin1String("PSDCon")) {
                            auto *p = new mainwin::PSDCon({});
                            p->T->setText(typed);
                            d = p;
                            p->show();
                        } else if (which == QLatin1String("ModiPSD")) {
                            auto *p = mainwin::ModiPSD::ShowModeless(w);
                            for (QLineEdit *e : p->T)
                                e->setText(typed);
                            d = p;
                        } else if (which == QLatin1String("Rightform")) {
                            d = mainwin::Rightform::ShowModeless(w);
                        } else if (which == QLatin1String("FmtList")) {
                            w->OpenFmt(QString(), false);
                        } else if (which == QLatin1String("FmtDown")) {
                            library::FmtDown::ShowModeless(w->formatCommands(), w);
                        } else if (which == QLatin1String("SelFormat")) {
                            mainwin::ChooseFormatName(false, w->context().FormatName(), w);
                        }
                        (void)d;
                    });
                    continue;
                }
                if (t.startsWith(QLatin1String("typed=")))
                    continue;
                if (t.startsWith(QLatin1String("records="))) {
                    const QString csv = t.mid(8);
                    w->batchTab().importTarget().openChooser = [csv](const QString &) {
                        return csv;
                    };
                    QTimer::singleShot(300, w, [] {
                        if (auto *m =
                                qobject_cast<batch::InputMap *>(QApplication::activeModalWidget()))
                            m->Com_Click(0);
                    });
                    w->Com_Click(10);
                    continue;
                }
                if (t.startsWith(QLatin1String("tab="))) {
                    w->SST()->setCurrentIndex(t.mid(4).toInt());
                    continue;
                }
                const int zoom = QStringList{"in", "out", "fit"}.indexOf(t);
                auto *edit = &w->pageEditing();
                const double pw = w->PG()->twWidth(), ph = w->PG()->twHeight();
                if (t.startsWith("fmt=")) {
                    w->OpenFmt(t.mid(4), false);
                } else if (t == "selectall") {
                    edit->designer().SelRect = {0, 0, int(pw), int(ph)};
                    edit->designer().SelCtlByRect(0);
                } else if (t == "band") {
                    edit->PG_MouseDown(1, 0, pw * 0.55, ph * 0.9);
                    edit->PG_MouseMove(1, 0, pw * 0.05, ph * 0.1);
                } else if (t.startsWith("dialog=")) {
                    const int kind = t.mid(7).toInt();
                    edit->dialogs().Open(w->fields()->GetCtlByIdx(kind * 1000 + 1));
                } else if (t == "formsize") {
                    edit->dialogs().OpenFormSize();
                } else if (t == "pagemenu") {
                    QTimer::singleShot(
                        300, w, [edit, pw, ph] { edit->PG_MouseDown(2, 0, pw * 0.6, ph * 0.9); });
                } else if (zoom >= 0)
                    w->Zm_Click(zoom);
                else if (QCheckBox *box = w->O2(t.toInt()))
                    box->setChecked(true);
            }
        });
        return static_cast<QWidget *>(w);
    };
    std::unique_ptr<QLockFile> lock;
    if (const auto code = store::Main(hooks, lock))
        return *code;
    const int rc = app.exec();
    store::SetReporter(nullptr);
    return rc;
}
