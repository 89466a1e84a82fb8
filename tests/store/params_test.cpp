#include "store_fixture.h"

#include "../common/smalldisk.h"

#include "store/ui/formpos.h"
#include "store/db/params.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

using namespace store;
using storetest::Sqlite3;
using storetest::StoreTest;

namespace {
using Params = StoreTest;
}

TEST_F(Params, SetParaKeepsOneRowPerKey)
{
    EXPECT_EQ(GetPara("never"), "");
    ASSERT_TRUE(SetPara("k", "1"));
    ASSERT_TRUE(SetPara("k", "2"));
    EXPECT_EQ(GetPara("k"), "2");
    // Duplicates left by another program are folded into one on the next write.
    ASSERT_TRUE(ExecSQL("INSERT INTO 参数(Var, Con) VALUES('k', 'dup')"));
    ASSERT_TRUE(SetPara("k", "3"));
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT count(*) || ':' || Con FROM 参数 WHERE Var='k'"), "1:3");
    // NULL reads as the empty text, and values stay text exactly.
    ASSERT_TRUE(ExecSQL("INSERT INTO 参数(Var, Con) VALUES('n', NULL)"));
    EXPECT_EQ(GetPara("n"), "");
    ASSERT_TRUE(SetPara("软件密码", "0012"));
    EXPECT_EQ(GetPara("软件密码"), "0012");
    ASSERT_TRUE(SetPara("自定义类型119", "YYYY年'MM'月"));
    EXPECT_EQ(GetPara("自定义类型119"), "YYYY年'MM'月");
    EXPECT_TRUE(m_messages->messages.isEmpty());
}

TEST_F(Params, RegistrySettingsRoundTripWithEmptyAsMissing)
{
    EXPECT_EQ(GetRegStr("KVRTM", "Para", "CrlfChr", "//"), "//");
    ASSERT_TRUE(SaveRegStr("KVRTM", "Para", "CrlfChr", ""));
    EXPECT_EQ(GetRegStr("KVRTM", "Para", "CrlfChr", "//"), "//");
    ASSERT_TRUE(SaveRegStr("KVRTM", "Para", "CrlfChr", "##"));
    EXPECT_EQ(GetRegStr("KVRTM", "Para", "CrlfChr", "//"), "##");
    ASSERT_TRUE(SaveRegStr("KVRTM", "位置", "统计_分界线", "收款人"));
    EXPECT_EQ(GetRegStr("KVRTM", "位置", "统计_分界线"), "收款人");
    ASSERT_TRUE(SaveRegStr("KVRTM", "Quillbrook", "T(0)", "3"));
    EXPECT_EQ(GetRegStr("KVRTM", "Quillbrook", "T(0)"), "3");
    ASSERT_TRUE(SaveRegStr("KVRTM", "Validate", "Printer", "HP LaserJet; 中文 打印机"));
    EXPECT_EQ(GetRegStr("KVRTM", "Validate", "Printer"), "HP LaserJet; 中文 打印机");
    EXPECT_EQ(SettingsFilePath(), m_home->Path() + "/config/KVRTM.ini");
    EXPECT_TRUE(QFile::exists(SettingsFilePath()));
    EXPECT_EQ(GetRegStr("KVRTM", "Quillbrook", "T(1)", "x"), "x");
}

TEST_F(Params, SettingsOnAFullDiskStayAsTheyWere)
{
    SmallDisk disk(m_home->Path() + "/config", "256k");
    if (!disk.mounted())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    ASSERT_TRUE(SaveRegStr("KVRTM", "Validate", "Printer", "旧打印机"));
    const QByteArray before = storetest::FileBytes(SettingsFilePath());
    disk.fill(4096);
    EXPECT_FALSE(SaveRegStr("KVRTM", "Para", "CrlfChr", QString(20000, u'长')));
    EXPECT_EQ(storetest::FileBytes(SettingsFilePath()), before);
    EXPECT_EQ(disk.names(), QStringList{"KVRTM.ini"});
    EXPECT_EQ(GetRegStr("KVRTM", "Validate", "Printer"), "旧打印机");
    // A change of the same length, made at once, is read back (not an earlier reading).
    ASSERT_TRUE(SaveRegStr("KVRTM", "Validate", "Printer", "新打印机"));
    EXPECT_EQ(GetRegStr("KVRTM", "Validate", "Printer"), "新打印机");
}

TEST_F(Params, WindowPositionsInTwips)
{
    QWidget w;
    w.setWindowTitle("格式模板列表");
    const double k = 1440.0 / w.logicalDpiX();
    w.move(int(1200 / k), int(800 / k));
    w.resize(int(9000 / k), int(6000 / k));
    ASSERT_TRUE(SaveFormPos(&w, "格式模板列表"));
    const QString stored = GetPara("窗口参数：格式模板列表");
    const QStringList items = stored.split(';');
    ASSERT_EQ(items.size(), 4) << stored.toStdString();
    EXPECT_EQ(items[2].toDouble(), std::round(int(9000 / k) * k));
    EXPECT_EQ(Sqlite3(DataFile(), "SELECT count(*) FROM 参数 WHERE Var='窗口参数：格式模板列表'"),
              "1");

    QWidget other;
    other.move(10, 10);
    other.resize(100, 100);
    LoadFormPos(&other, "格式模板列表");
    EXPECT_EQ(other.size(), w.size());
    EXPECT_EQ(other.pos(), w.pos());

    // Fewer than four items: nothing changes.
    ASSERT_TRUE(SetPara("窗口参数：x", "1;2;3"));
    QWidget a;
    a.move(5, 6);
    a.resize(70, 80);
    LoadFormPos(&a, "x");
    EXPECT_EQ(a.pos(), QPoint(5, 6));
    EXPECT_EQ(a.size(), QSize(70, 80));

    // A left edge beyond the screen: size restored, place kept.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(SetPara("窗口参数：y", QString("%1;100;9000;6000").arg(int(screen.width() * k + 800))));
    LoadFormPos(&a, "y");
    EXPECT_EQ(a.pos(), QPoint(5, 6));
    EXPECT_EQ(a.size(), QSize(int(std::nearbyint(9000 / k)), int(std::nearbyint(6000 / k))));

    // "0;0;0;0" (a window as wide as the screen) keeps the design place and size.
    QWidget wide;
    wide.resize(screen.width() + 10, 200);
    ASSERT_TRUE(SaveFormPos(&wide, "wide"));
    EXPECT_EQ(GetPara("窗口参数：wide"), "0;0;0;0");
    LoadFormPos(&a, "wide");
    EXPECT_EQ(a.pos(), QPoint(5, 6));
    EXPECT_EQ(a.size(), QSize(int(std::nearbyint(9000 / k)), int(std::nearbyint(6000 / k))));

    // Halves round to even.
    ASSERT_TRUE(SetPara("窗口参数：h", QString("%1;%2;0;0").arg(30 * k + 0.5).arg(40 * k + 0.5)));
    LoadFormPos(&a, "h");
    EXPECT_EQ(a.pos(), QPoint(30, 40));
}
