#include "print/selprinter.h"

#include "fakeprinters.h"
#include "print/printers.h"
#include "store/db/params.h"
#include "store/db/reporter.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace print;
using printtest::FakePrinters;

namespace {

const QString kRoot = QStringLiteral("KVRTM");
const QString kSection = QStringLiteral("Validate");
const QString kName = QStringLiteral("Printer");

class SelPrinterTest : public testing::Test
{
protected:
    void Use(QStringList names, QString current, QSet<QString> down = {})
    {
        SetCatalogue(std::make_unique<FakePrinters>(names, current, down));
        Current().Select(current);
    }
    void SetUp() override { store::SaveRegStr(kRoot, kSection, kName, QString()); }
    void TearDown() override { SetCatalogue(nullptr); }
};

TEST_F(SelPrinterTest, SavedThenCurrentThenFirst)
{
    struct Case
    {
        QString saved, current, expected;
    } cases[] = {
        {"B", "C", "B"},   // the saved printer wins when installed
        {"Gone", "C", "C"}, // a saved name no longer installed is ignored
        {"", "", "A"},      // neither: the first
    };
    for (const Case &c : cases) {
        Use({"A", "B", "C"}, c.current);
        store::SaveRegStr(kRoot, kSection, kName, c.saved);
        SelPrinter dlg;
        dlg.Tag = kChoosePrinterRole;
        dlg.FillPrinterList();
        EXPECT_EQ(dlg.COMB->count(), 3);
        EXPECT_EQ(dlg.COMB->currentText(), c.expected) << c.saved.toStdString();
    }
}

TEST_F(SelPrinterTest, TypingChangesNothing)
{
    Use({"A", "B", "C"}, "A");
    SelPrinter dlg;
    dlg.FillPrinterList();
    for (int key : {Qt::Key_Down, Qt::Key_C, Qt::Key_End}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QStringLiteral("c"));
        QCoreApplication::sendEvent(dlg.COMB, &press);
    }
    EXPECT_EQ(dlg.COMB->currentText(), "A");
}

TEST_F(SelPrinterTest, EnterAndEscAnswerTheWindowWhileTheListHasTheFocus)
{
    Use({"A", "B"}, "A");
    for (const auto &[key, answer] : {std::pair{Qt::Key_Return, QDialog::Accepted},
                                      std::pair{Qt::Key_Escape, QDialog::Rejected}}) {
        SelPrinter dlg;
        dlg.Tag = kChoosePrinterRole;
        dlg.FillPrinterList();
        dlg.show();
        dlg.activateWindow();
        dlg.COMB->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(dlg.COMB, key);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), answer);
        EXPECT_EQ(dlg.COMB->currentText(), "A");
    }
}

TEST_F(SelPrinterTest, AcceptMakesCurrentAndRemembers)
{
    Use({"A", "B"}, "A");
    SelPrinter dlg;
    dlg.Tag = kChoosePrinterRole;
    dlg.FillPrinterList();
    dlg.COMB->setCurrentIndex(1);
    dlg.COM[0]->click();
    EXPECT_EQ(dlg.SelResult, "B");
    EXPECT_EQ(Current().Name(), "B");
    EXPECT_EQ(store::GetRegStr(kRoot, kSection, kName), "B");
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(SelPrinterTest, UnreachablePrinterIsNeitherCurrentNorSaved)
{
    Use({"A", "B"}, "A", {"B"});
    store::ScopedRecordingReporter rec;
    SelPrinter dlg;
    dlg.Tag = kChoosePrinterRole;
    dlg.FillPrinterList();
    dlg.COMB->setCurrentIndex(1);
    dlg.COM[0]->click();
    EXPECT_EQ(dlg.SelResult, "");
    EXPECT_EQ(Current().Name(), "A");
    EXPECT_EQ(store::GetRegStr(kRoot, kSection, kName), "");
    EXPECT_EQ(rec->messages, QStringList{QStringLiteral("没有正常连接打印机！")});
}

TEST_F(SelPrinterTest, NoPrinterInstalled)
{
    Use({}, "");
    store::ScopedRecordingReporter rec;
    SelPrinter dlg;
    dlg.FillPrinterList();
    EXPECT_EQ(dlg.COMB->count(), 0);
    dlg.COM[0]->click();
    EXPECT_EQ(dlg.SelResult, "");
    EXPECT_EQ(rec->messages.size(), 1);
}

TEST_F(SelPrinterTest, CancelLeavesEverything)
{
    Use({"A", "B"}, "A");
    store::SaveRegStr(kRoot, kSection, kName, "A");
    SelPrinter dlg;
    dlg.FillPrinterList();
    dlg.COMB->setCurrentIndex(1);
    dlg.COM[1]->click();
    EXPECT_EQ(dlg.SelResult, "");
    EXPECT_EQ(Current().Name(), "A");
    EXPECT_EQ(store::GetRegStr(kRoot, kSection, kName), "A");
}

TEST_F(SelPrinterTest, WindowTexts)
{
    SelPrinter dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("选择"));
    EXPECT_EQ(dlg.COMB->toolTip(), QStringLiteral("要选择的打印机名称。"));
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
}

} // namespace
