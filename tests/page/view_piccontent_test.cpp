#include "page/barcodestand.h"
#include "page/fieldvalue.h"
#include "page/piccontent.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/db/db.h"
#include "store/db/params.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"
#include "view_home.h"

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

#include <memory>

using namespace page;

namespace {

// Decodes a picture with zbarimg; "" when nothing is found.
QString decode(const QImage &img, const QString &dir)
{
    // A quiet zone around the symbol, as on paper.
    QImage framed(img.width() + 80, img.height() + 80, QImage::Format_RGB32);
    framed.fill(Qt::white);
    {
        QPainter p(&framed);
        p.drawImage(40, 40, img);
    }
    const QString file = dir + "/code.png";
    EXPECT_TRUE(framed.save(file));
    QProcess z;
    z.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), file});
    z.waitForFinished(20000);
    return QString::fromUtf8(z.readAllStandardOutput()).trimmed();
}

class PicContent : public ViewHome
{
protected:
    void SetUp() override
    {
        ViewHome::SetUp();
        ASSERT_TRUE(store::Db::Main().OpenConn(store::DataFilePath()));
        ASSERT_TRUE(store::UpgradeDBSchema());
        m_page.resize(1200, 600);
        m_fields = std::make_unique<FieldRegistry>(m_ctx, &m_page);
        m_ctx.SetFields(m_fields.get());
        InstallPicCtlContent(m_ctx);
    }
    void TearDown() override
    {
        SetPictureContentHandler({});
        m_fields.reset();
        store::Db::Main().Close();
    }
    PictureField &addPicture(int w = 6000, int h = 1500)
    {
        auto *f = static_cast<PictureField *>(m_fields->AddCtl(2, 2));
        f->SetGeometryTw(0, 0, w, h);
        return *f;
    }

    store::ScopedRecordingReporter m_rec;
    store::AppContext m_ctx;
    QWidget m_page;
    std::unique_ptr<FieldRegistry> m_fields;
};

bool darkIn(const QImage &img, int y)
{
    for (int x = 0; x < img.width(); ++x)
        if (qGray(img.pixel(x, y)) < 100)
            return true;
    return false;
}

} // namespace

TEST_F(PicContent, StandardFromTheParameter)
{
    EXPECT_EQ(BarcodeStandardOf(""), BarcodeStandard::Code39);
    EXPECT_EQ(BarcodeStandardOf("abc"), BarcodeStandard::Code39);
    EXPECT_EQ(BarcodeStandardOf("0"), BarcodeStandard::Code39);
    EXPECT_EQ(BarcodeStandardOf("1"), BarcodeStandard::EAN13);
    EXPECT_EQ(BarcodeStandardOf("2"), BarcodeStandard::EAN13);
    EXPECT_EQ(CurrentBarcodeStandard(), BarcodeStandard::Code39); // unset
}

TEST_F(PicContent, BarcodesDecodeInBothStandards)
{
    PictureField &f = addPicture();
    SetPicCtlContent(f, "QV-2024");
    EXPECT_EQ(f.LinkItem(), "QV-2024");
    EXPECT_EQ(f.Box()->toolTip(), "当前条码：QV-2024");
    EXPECT_EQ(decode(f.Box()->Picture(), home()), "QV-2024");

    ASSERT_TRUE(store::SetPara("StrBarCodeStand", "1"));
    SetPicCtlContent(f, "690123456789");
    EXPECT_EQ(decode(f.Box()->Picture(), home()), "6901234567892");
    EXPECT_TRUE(m_rec->messages.isEmpty());
}

TEST_F(PicContent, SmallFontGivesBarsOverTheWholeHeight)
{
    PictureField &f = addPicture();
    FieldFont font = f.Font();
    font.size = 2;
    f.SetFont(font);
    SetPicCtlContent(f, "ABC");
    const QImage img = f.Box()->Picture();
    EXPECT_TRUE(darkIn(img, img.height() - 2));
    font.size = 12;
    f.SetFont(font);
    SetPicCtlContent(f, "ABD");
    // A text line under the bars: the lowest rows hold text, not bars all along.
    EXPECT_TRUE(darkIn(f.Box()->Picture(), 2));
}

TEST_F(PicContent, InvalidCode39TextIsReportedOncePerText)
{
    PictureField &f = addPicture();
    SetPicCtlContent(f, "AB/C");
    // The field keeps the text and its tip even though the bars stop at "/".
    EXPECT_EQ(f.LinkItem(), "AB/C");
    EXPECT_EQ(f.Box()->toolTip(), "当前条码：AB/C");
    ASSERT_EQ(m_rec->messages.size(), 1);
    EXPECT_EQ(
        m_rec->messages[0],
        "要打印的条形码字符串中包含无效字符！当前版本只支持字符0-9,A-Z,-,%和$，*只能作为首尾字符");
    // Repaints of the same text (mouse moves, the standard dialog, a zoom) say nothing more.
    for (int i = 0; i < 5; ++i)
        SetPicCtlContent(f, f.LinkItem());
    f.Box()->repaint();
    EXPECT_EQ(m_rec->messages.size(), 1);
    // A new text is a new message; going back to a text is a change too.
    SetPicCtlContent(f, "中文");
    EXPECT_EQ(m_rec->messages.size(), 2);
    SetPicCtlContent(f, "OK1");
    SetPicCtlContent(f, "AB/C");
    EXPECT_EQ(m_rec->messages.size(), 3);
    // "*" frames the symbol: at the ends it is taken, inside the text it is refused.
    SetPicCtlContent(f, "*AB*");
    EXPECT_EQ(m_rec->messages.size(), 3);
    SetPicCtlContent(f, "A*B");
    ASSERT_EQ(m_rec->messages.size(), 4);
    EXPECT_EQ(m_rec->messages[3], m_rec->messages[0]);
    // EAN-13 never complains.
    ASSERT_TRUE(store::SetPara("StrBarCodeStand", "1"));
    SetPicCtlContent(f, "69-01/23");
    EXPECT_EQ(m_rec->messages.size(), 4);
}

TEST_F(PicContent, PicturesAndEmptyValues)
{
    PictureField &f = addPicture(3000, 1500);
    EXPECT_EQ(f.LinkItem(), "");
    const QString file = home() + "/logo.png";
    QImage img(30, 15, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(file));

    SetPicCtlContent(f, file);
    EXPECT_EQ(f.LinkItem(), file);
    EXPECT_EQ(f.Box()->toolTip(), "当前图片：" + file);
    EXPECT_EQ(f.Box()->Picture().pixelColor(5, 5), QColor(Qt::red));

    // The same path again only repaints: a changed file is not read again.
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(file));
    SetPicCtlContent(f, file);
    EXPECT_EQ(f.Box()->Picture().pixelColor(5, 5), QColor(Qt::red));

    SetPicCtlContent(f, "");
    EXPECT_EQ(f.LinkItem(), "");
    EXPECT_TRUE(f.Box()->Picture().isNull());
    EXPECT_EQ(f.Box()->toolTip(),
              "点鼠标右键，在弹出菜单选相应的菜单项，可添加/更改图片或输入条码。");

    // A file that is gone keeps the value (nothing lost from the default record), empty box.
    const QString gone = home() + "/gone.jpg";
    SetPicCtlContent(f, gone);
    EXPECT_EQ(f.LinkItem(), gone);
    EXPECT_TRUE(f.Box()->Picture().isNull());
    EXPECT_EQ(f.Box()->toolTip(), "当前图片：" + gone);
    EXPECT_EQ(GetCtlValue(&f), gone);
    EXPECT_TRUE(m_rec->messages.isEmpty());
}

TEST_F(PicContent, StandardDialog)
{
    PictureField &bar = addPicture();
    SetPicCtlContent(bar, "690123456789");
    const QImage code39 = bar.Box()->Picture();
    {
        StrCodeStand dlg(m_fields.get());
        EXPECT_EQ(dlg.windowTitle(), "条码编码标准设置");
        EXPECT_EQ(dlg.Op(0)->text(), " 39码");
        EXPECT_EQ(dlg.Op(1)->text(), " EAN-13码");
        EXPECT_EQ(dlg.Command1()->text(), "确     定");
        EXPECT_NE(dlg.findChild<QWidget *>("Line1"), nullptr);
        EXPECT_TRUE(dlg.Op(0)->isChecked()); // unset reads 0
        dlg.Op(1)->setChecked(true);
        dlg.Command1()->click();
    }
    EXPECT_EQ(store::GetPara("StrBarCodeStand"), "1");
    EXPECT_NE(bar.Box()->Picture(), code39);
    EXPECT_EQ(decode(bar.Box()->Picture(), home()), "6901234567892");

    // A stored value with no option of its own: nothing chosen, and OK stores 2.
    ASSERT_TRUE(store::SetPara("StrBarCodeStand", "7"));
    StrCodeStand dlg(m_fields.get());
    EXPECT_FALSE(dlg.Op(0)->isChecked());
    EXPECT_FALSE(dlg.Op(1)->isChecked());
    dlg.Command1()->click();
    EXPECT_EQ(store::GetPara("StrBarCodeStand"), "2");
}
