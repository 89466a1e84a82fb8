#include "print/margin.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace print;

namespace {

struct Labels
{
    QString x = QStringLiteral("3"), y = QStringLiteral("-2");
};

TEST(MarginDialogTest, AcceptCopiesTheTextsUnchecked)
{
    Labels l;
    QPointer<Margin> dlg = ShowMarginForm([&] { return l.x; }, [&] { return l.y; },
                                          [&](const QString &x, const QString &y) {
                                              l.x = x;
                                              l.y = y;
                                          });
    ASSERT_TRUE(dlg);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("输入打印页边距"));
    EXPECT_EQ(dlg->TX->text(), "3");
    EXPECT_EQ(dlg->TY->text(), "-2");
    EXPECT_EQ(dlg->TX->toolTip(), QStringLiteral("横向打印页边距。"));
    EXPECT_EQ(dlg->TY->toolTip(), QStringLiteral("纵向打印页边距。"));
    EXPECT_TRUE(dlg->isVisible());
    dlg->TX->setText(QStringLiteral("abc"));
    dlg->Comm[0]->click();
    EXPECT_EQ(l.x, "abc"); // read as 0 at the next print
    EXPECT_EQ(l.y, "-2");
}

TEST(MarginDialogTest, CancelKeepsTheMargins)
{
    Labels l;
    Margin dlg([&] { return l.x; }, [&] { return l.y; },
               [&](const QString &x, const QString &y) {
                   l.x = x;
                   l.y = y;
               });
    dlg.TX->setText(QStringLiteral("9"));
    dlg.Comm[1]->click();
    EXPECT_EQ(l.x, "3");
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

} // namespace
