// Windows under a real window manager (openbox on Xvfb, see tests/common/on-desktop.sh): the
// whole window, frame and title bar included, lies on the screen's work area.
#include "mainwin/mainwindow.h"
#include "mainwin_fixture.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "page/pageviewlayout.h"
#include "store/ui/msgbox.h"

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QtTest>

#include "../common/qtry.h"

using mainwin::MainWindow;

namespace {

bool framed(const QWidget &w)
{
    return w.frameGeometry() != w.geometry();
}

} // namespace

TEST_F(MainWinTest, FramesLieOnTheWorkArea)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();

    MainWindow w;
    QSignalSpy loaded(&w, &MainWindow::loadFinished);
    w.show();
    ASSERT_TRUE(loaded.count() > 0 || loaded.wait(10000));
    // The frame is known once the window manager has framed the window; then it covers the work
    // area: title bar on screen, nothing cut at the bottom.
    QTRY_VERIFY_WITH_TIMEOUT(framed(w) && w.frameGeometry() == avail, 10000);
    EXPECT_GT(w.geometry().top(), avail.top()) << "no room left for the title bar";
    EXPECT_TRUE(avail.contains(w.frameGeometry()));

    // A centred window: its frame centred in the work area.
    QDialog d(&w);
    d.resize(500, 300);
    page::CenterForm(&d);
    d.show();
    QTRY_VERIFY_WITH_TIMEOUT(framed(d) && avail.contains(d.frameGeometry()) &&
                                 qAbs(d.frameGeometry().center().y() - avail.center().y()) <= 1 &&
                                 qAbs(d.frameGeometry().center().x() - avail.center().x()) <= 1,
                             10000);
    d.close();
    w.close();
}

// A message over a field dialog gives the dialog the focus back once it is answered, so that
// what the user types next goes on into the dialog and not into a field of the slip behind it.
TEST_F(MainWinTest, AnAnsweredMessageGivesTheFieldDialogTheFocusBack)
{
    MainWindow w;
    QSignalSpy loaded(&w, &MainWindow::loadFinished);
    w.show();
    ASSERT_TRUE(loaded.count() > 0 || loaded.wait(10000));
    page::PropertyDialog *dlg = w.dialogs().Open(w.fields()->GetCtlByIdx(1));
    ASSERT_NE(dlg, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == dlg, 10000);

    // A coordinate that is no number: OK answers with a message and keeps the dialog open.
    QLineEdit *x = static_cast<page::EditCtl *>(dlg)->TT(1);
    x->setFocus();
    x->selectAll();
    QTest::keyClicks(x, QStringLiteral("abc"));
    store::MessageBoxReporter boxes;
    store::SetReporter(&boxes);
    // Answered with the Enter key as the X server delivers it (the window manager sees it too).
    whenModal<QMessageBox>([](QMessageBox *m) {
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == m, 10000);
        if (QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("key"), QStringLiteral("Return")}) != 0)
            m->accept();
    });
    dlg->okButton()->click();
    store::SetReporter(&rec());
    ASSERT_TRUE(dlg->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == dlg, 10000);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->window(), dlg);
    dlg->close();
    w.close();
}
