#include "print/paperform.h"

#include "print/pagerender.h"

#include <QPrinter>
#include <gtest/gtest.h>

using namespace print;

namespace {

QPrinter &Pdf()
{
    static QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    return printer;
}

TEST(PaperFormTest, StandardSizeWhenOneMatches)
{
    struct Case
    {
        double w, h;
        QPageSize::PageSizeId id;
        QString name;
    } cases[] = {
        {210, 297, QPageSize::A4, "A4"},
        {209.9, 297.1, QPageSize::A4, "A4"}, // the same size in whole points
        {148, 210, QPageSize::A5, "A5"},
        {180, 80, QPageSize::Custom, kFormName},
        {175.0004, 80, QPageSize::Custom, kFormName},
    };
    for (const Case &c : cases) {
        QString form = kFormName;
        const QPageSize size = PaperFormFor(Pdf(), form, c.w, c.h);
        EXPECT_EQ(size.id(), c.id) << c.w << "x" << c.h;
        EXPECT_EQ(form, c.name) << c.w << "x" << c.h;
        if (c.id == QPageSize::Custom) {
            EXPECT_NEAR(size.size(QPageSize::Millimeter).width(), c.w, 0.01);
            EXPECT_NEAR(size.size(QPageSize::Millimeter).height(), c.h, 0.01);
        }
    }
}

TEST(PaperFormTest, SetsThePaperOfThePdfOutput)
{
    QString form = kFormName;
    const PaperFormResult r = SetPrinterPaperSize(Pdf(), form, 240, 80);
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.applied);
    EXPECT_TRUE(r.message.isEmpty());
    const QSizeF mm = Pdf().pageLayout().pageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(mm.width(), 240, 0.01);
    EXPECT_NEAR(mm.height(), 80, 0.01);
}

TEST(PaperFormTest, NoSlipNoSize)
{
    QString form = kFormName;
    EXPECT_FALSE(PaperFormFor(Pdf(), form, 0, 80).isValid());
}

} // namespace
