#include "mainwin/mainwindow.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/popupmenus.h"
#include "mainwin_fixture.h"
#include "page/backpic.h"
#include "page/field.h"
#include "page/fieldvalue.h"
#include "page/pageview.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/model/fmtstore.h"
#include "store/core/helpers.h"
#include "store/db/params.h"
#include "store/core/vb.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

using mainwin::MainWindow;
using page::FieldKind;
using page::PageField;

namespace {

std::unique_ptr<MainWindow> openWindow()
{
    auto w = std::make_unique<MainWindow>();
    QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
    w->show();
    EXPECT_TRUE(loaded.count() > 0 || loaded.wait(5000));
    return w;
}

struct StoredField
{
    int clas;
    double x, y, w, h;
};

std::vector<StoredField> storedFields(const QString &fmt)
{
    store::Recordset rs;
    EXPECT_TRUE(store::OpenRs(rs,
                              "SELECT Clas, X, Y, W, H FROM Fmt WHERE Fmt=? AND LBL<>? "
                              "ORDER BY Clas, ID",
                              {fmt, QString::fromUtf8(store::kFmtParaMarker)}));
    std::vector<StoredField> out;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        out.push_back({int(rs.Number("Clas")), rs.Number("X"), rs.Number("Y"), rs.Number("W"),
                       rs.Number("H")});
    return out;
}

// Every field where its stored row puts it at the page's present scale.
void expectFieldsAtScale(MainWindow &w, const QString &fmt)
{
    page::FieldRegistry &reg = *w.fields();
    const double s = w.PG()->twWidth() / store::Val(w.context().Wid());
    const auto rows = storedFields(fmt);
    int n[5] = {};
    for (const StoredField &r : rows) {
        ASSERT_GE(r.clas, 0);
        ASSERT_LE(r.clas, 4);
        const int index = r.clas * 1000 + ++n[r.clas];
        PageField *f = reg.GetCtlByIdx(index);
        ASSERT_NE(f, nullptr) << index;
        if (r.clas == 3) {
            auto *l = static_cast<page::LineField *>(f);
            EXPECT_EQ(l->X1(), store::MMToPage(r.x, s));
            EXPECT_EQ(l->Y2(), store::MMToPage(r.h, s));
            continue;
        }
        EXPECT_EQ(f->Left(), store::MMToPage(r.x, s)) << index;
        EXPECT_EQ(f->Top(), store::MMToPage(r.y, s)) << index;
        if (r.clas != 1) {
            EXPECT_EQ(f->Width(), store::MMToPage(r.w, s)) << index;
            EXPECT_EQ(f->Height(), store::MMToPage(r.h, s)) << index;
        }
        ASSERT_TRUE(f->Widget());
        EXPECT_EQ(f->Widget()->geometry().x(), qRound(f->Left() / double(f->Tpp())));
        EXPECT_TRUE(f->Widget()->isVisibleTo(w.PG()));
    }
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(reg.CtlCount(k), n[k]) << "kind " << k;
}

page::TextField *textField(MainWindow &w, int n)
{
    return static_cast<page::TextField *>(w.fields()->GetCtlByIdx(n));
}

} // namespace

TEST_F(MainWinTest, StartUpOnAFreshProgramFolder)
{
    auto w = openWindow();
    EXPECT_TRUE(QDir(home() + "/Temp").exists());
    EXPECT_EQ(w->windowTitle(), "Quorvan支票打印软件[专业版]9.10");
    EXPECT_EQ(w->context().CrlfChr(), "//");
    ASSERT_EQ(w->SST()->count(), 3);
    EXPECT_EQ(w->SST()->tabText(0), " 单 据 打 印");
    EXPECT_EQ(w->SST()->tabText(1), " 批 量 数 据");
    EXPECT_EQ(w->SST()->tabText(2), " 历 史 记 录");
    EXPECT_EQ(w->SST()->currentIndex(), 0);
    const char *captions[5] = {"显示标尺(1厘米/大格；2毫米/小格)", "纵向打印", "锁定格式",
                               "卡纸器两边向中间收缩", "显示底图"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(w->O2(i)->text(), QString::fromUtf8(captions[i]));
    EXPECT_EQ(w->LFMT(1)->text(), "格式名：");
    EXPECT_NE(w->menuForm(), nullptr);
    EXPECT_EQ(w->menuForm()->objectName(), "菜单");
    EXPECT_EQ(w->menuForm()->caption(), "弹出菜单");
    // The state row of a new database names the transfer cheque: it opens at once.
    EXPECT_EQ(w->LFMT(0)->caption(), "转账支票");
    EXPECT_EQ(w->LFMT(0)->toolTip(), "转账支票");
    EXPECT_EQ(w->Wid()->text(), "240");
    EXPECT_EQ(w->Hie()->text(), "80");
    EXPECT_EQ(w->M_X()->text(), "0");
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join("\n").toStdString();
}

TEST_F(MainWinTest, LineBreakSymbolFromTheSettings)
{
    for (const auto &[stored, expected] :
         {std::pair{QString("##"), QString("##")}, std::pair{QString(""), QString("//")}}) {
        {
            QSettings ini(config() + "/KVRTM.ini", QSettings::IniFormat);
            ini.setValue("Para/CrlfChr", stored);
        }
        MainWindow w;
        EXPECT_EQ(w.context().CrlfChr(), expected);
    }
}

TEST_F(MainWinTest, LayoutFillsTheWindow)
{
    auto w = openWindow();
    const int tpp = w->PG()->tpp();
    // The frame lies under the top band, the bars at its right and bottom edges.
    EXPECT_EQ(w->PFrm()->y(), qRound(1020.0 / tpp));
    EXPECT_EQ(w->PFrm()->x(), 0);
    EXPECT_GT(w->PFrm()->width(), 0);
    EXPECT_LE(w->PFrm()->x() + w->PFrm()->width(), w->PIC(0)->width());
    EXPECT_NEAR(w->VS()->x(), w->PIC(0)->width() - 280.0 / tpp, 1);
    EXPECT_NEAR(w->PHS()->y() + w->PHS()->height(), w->PIC(0)->height() - 1, 1);
    EXPECT_EQ(w->PHS()->width(), w->PFrm()->width());
    // The cheque (240 x 80 mm) fits the frame's width.
    EXPECT_EQ(w->PG()->twWidth(), w->PFrm()->twWidth());
    EXPECT_EQ(w->PG()->twHeight(), store::RoundEven(w->PFrm()->twWidth() / 3));
    EXPECT_FALSE(w->PHS()->isEnabled());
}

TEST_F(MainWinTest, EachSampleFormatGetsOneFieldPerRow)
{
    auto w = openWindow();
    for (const QString fmt : {"转账支票", "进账单"}) {
        w->OpenFmt(fmt, false);
        EXPECT_EQ(w->context().FormatName(), fmt);
        EXPECT_FALSE(storedFields(fmt).empty());
        expectFieldsAtScale(*w, fmt);
        // Chinese prompts beside the fields.
        PageField *first = w->fields()->GetCtlByIdx(1);
        ASSERT_TRUE(first && first->Caption());
        EXPECT_FALSE(first->Caption()->Caption().isEmpty());
    }
    addEveryKindFormat();
    w->OpenFmt("全类型支票", false);
    expectFieldsAtScale(*w, "全类型支票");
    EXPECT_EQ(w->context().O2(0), 1); // from the format's switches
}

TEST_F(MainWinTest, ZoomKeepsGeometryAndValues)
{
    addEveryKindFormat();
    auto w = openWindow();
    w->OpenFmt("全类型支票", false);
    page::FieldRegistry &reg = *w->fields();
    textField(*w, 1)->SetText("上海某某有限公司");
    textField(*w, 2)->SetText("1234.50");
    static_cast<page::CheckField *>(reg.GetCtlByIdx(1001))->SetValue(1);
    auto *bar = static_cast<page::PictureField *>(reg.GetCtlByIdx(2001));
    page::SetPicCtlContent(*bar, "6901234567892");
    const QString pic = home() + "/seal.png";
    QImage seal(20, 20, QImage::Format_RGB32);
    seal.fill(Qt::red);
    ASSERT_TRUE(seal.save(pic));
    page::SetPicCtlContent(*static_cast<page::PictureField *>(reg.GetCtlByIdx(2002)), pic);

    std::map<int, QRect> before;
    for (PageField *f : reg.AllFields())
        before[f->Index()] = QRect(f->Left(), f->Top(), f->Width(), f->Height());
    const double frameW = w->PFrm()->twWidth();

    auto expectValues = [&] {
        EXPECT_EQ(textField(*w, 1)->Text(), "上海某某有限公司");
        EXPECT_EQ(textField(*w, 2)->Text(), "1234.50");
        EXPECT_EQ(page::GetCtlValue(reg.GetCtlByIdx(1001)), "1");
        EXPECT_EQ(page::GetCtlValue(reg.GetCtlByIdx(2001)), "6901234567892");
        EXPECT_FALSE(
            static_cast<page::PictureField *>(reg.GetCtlByIdx(2001))->Box()->Picture().isNull());
        EXPECT_EQ(page::GetCtlValue(reg.GetCtlByIdx(2002)), pic);
    };

    w->Zm(0)->click();
    EXPECT_EQ(w->PG()->twWidth(), store::RoundEven(frameW * 1.1));
    EXPECT_TRUE(w->PHS()->isEnabled());
    expectFieldsAtScale(*w, "全类型支票");
    expectValues();
    w->Zm(0)->click();
    w->Zm(1)->click();
    expectFieldsAtScale(*w, "全类型支票");
    expectValues();
    // Back to the frame's width: every field exactly where it was.
    w->Zm(2)->click();
    EXPECT_EQ(w->PG()->twWidth(), frameW);
    EXPECT_FALSE(w->PHS()->isEnabled());
    EXPECT_EQ(w->PG()->twLeft(), 0);
    for (PageField *f : reg.AllFields())
        EXPECT_EQ(QRect(f->Left(), f->Top(), f->Width(), f->Height()), before[f->Index()])
            << f->Index();
    expectValues();
    EXPECT_TRUE(w->PG()->isVisible());
    EXPECT_TRUE(rec().messages.isEmpty());
}

TEST_F(MainWinTest, ZoomStopsAtItsBounds)
{
    auto w = openWindow();
    const double frameW = w->PFrm()->twWidth();
    for (int i = 0; i < 40; ++i)
        w->Zm(0)->click();
    EXPECT_EQ(w->PG()->twWidth(), store::RoundEven(frameW * 8));
    EXPECT_EQ(w->fields()->CtlCount(0), 11);
    for (int i = 0; i < 80; ++i)
        w->Zm(1)->click();
    EXPECT_EQ(w->PG()->twWidth(), store::RoundEven(frameW * 0.25));
    expectFieldsAtScale(*w, "转账支票");
    // Scrolled to the bottom of a tall page, the page's lower edge meets the frame's.
    w->Zm(2)->click();
    for (int i = 0; i < 12; ++i)
        w->Zm(0)->click();
    ASSERT_TRUE(w->VS()->isEnabled());
    w->VS()->setValue(w->VS()->maximum());
    EXPECT_EQ(w->PG()->twTop() + w->PG()->twHeight(), w->PFrm()->twHeight());
}

TEST_F(MainWinTest, ClosingSavesAndReopeningRestores)
{
    QString today;
    {
        auto w = openWindow();
        ASSERT_EQ(w->LFMT(0)->caption(), "转账支票");
        textField(*w, 2)->SetText("北京某某科技有限公司");
        textField(*w, 4)->SetText("货款");
        // The date field took today's date when the format opened.
        today = textField(*w, 1)->Text();
        ASSERT_FALSE(today.isEmpty());
        const int values[5] = {1, 0, 1, 0, 1};
        for (int i = 0; i < 5; ++i)
            w->O2(i)->setChecked(values[i] == 1);
        QSignalSpy unloaded(w.get(), &MainWindow::unloaded);
        EXPECT_TRUE(w->close());
        EXPECT_EQ(unloaded.count(), 1);
        EXPECT_EQ(w->menuForm(), nullptr);
    }
    QSettings ini(config() + "/KVRTM.ini", QSettings::IniFormat);
    EXPECT_EQ(ini.value("Validate/DefaultSoftSet").toString(), "1§☆§0§☆§1§☆§0§☆§1§☆§");
    EXPECT_EQ(store::GetFieldWhere("Fmt", "Fmt=''", "LBL").toString(), "转账支票");
    EXPECT_EQ(store::GetFieldWhere("Fmt", "Fmt=''", "fName").toString(), "1§☆§0§☆§1");
    store::Recordset rs;
    ASSERT_TRUE(store::OpenRs(rs, "SELECT Con FROM 默认 WHERE Fmt=? ORDER BY rowid", {"转账支票"}));
    QStringList saved;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        saved << rs.Text("Con");
    // The date, the two texts, then the date's parts in capitals that follow from it.
    EXPECT_EQ(saved.mid(0, 3), (QStringList{today, "北京某某科技有限公司", "货款"}));
    EXPECT_EQ(saved.size(), 6);

    auto w = openWindow();
    EXPECT_EQ(w->LFMT(0)->caption(), "转账支票");
    EXPECT_EQ(textField(*w, 2)->Text(), "北京某某科技有限公司");
    EXPECT_EQ(textField(*w, 4)->Text(), "货款");
    EXPECT_EQ(textField(*w, 1)->Text(), today);
}

TEST_F(MainWinTest, ClosingSavesEvenWhenNothingChanged)
{
    {
        auto w = openWindow();
        w->close();
    }
    QSettings ini(config() + "/KVRTM.ini", QSettings::IniFormat);
    EXPECT_EQ(ini.value("Validate/DefaultSoftSet").toString(), "0§☆§0§☆§0§☆§0§☆§0§☆§");
    EXPECT_EQ(store::GetFieldWhere("Fmt", "Fmt=''", "fName").toString(), "0§☆§0§☆§0");
}

TEST_F(MainWinTest, LockingGreysTheEditingCommands)
{
    auto w = openWindow();
    auto states = [&] {
        return std::vector<bool>{w->menuForm()->mCtlSet()->isEnabled(),
                                 w->mCtlSame()->menuAction()->isEnabled(), w->COM(2)->isEnabled(),
                                 w->COM(36)->isEnabled()};
    };
    EXPECT_EQ(states(), std::vector<bool>(4, true));
    w->O2(2)->setChecked(true);
    EXPECT_EQ(w->context().O2(2), 1);
    EXPECT_EQ(states(), std::vector<bool>(4, false));
    w->O2(2)->setChecked(false);
    EXPECT_EQ(states(), std::vector<bool>(4, true));
    // Set from the stores (a format's switches), the box and its effect follow too.
    w->context().SetO2(2, 1);
    EXPECT_TRUE(w->O2(2)->isChecked());
    EXPECT_EQ(states(), std::vector<bool>(4, false));
}

TEST_F(MainWinTest, OnlyRulerAndBackgroundRedraw)
{
    auto w = openWindow();
    const int n = w->pageRedraws();
    w->O2(1)->setChecked(true);
    w->O2(3)->setChecked(true);
    EXPECT_EQ(w->pageRedraws(), n);
    w->O2(0)->setChecked(true);
    EXPECT_EQ(w->pageRedraws(), n + 1);
    EXPECT_EQ(w->PG()->ruler(), 1);
    EXPECT_EQ(w->PG()->gridWidthMM(), 240);
    // The grid shows on the page: orange centimetre lines.
    const QImage img = w->PG()->renderPage();
    bool orange = false;
    for (int x = 0; x < img.width() && !orange; ++x)
        orange = img.pixelColor(x, img.height() / 2) == QColor(0xFF, 0x72, 0x00);
    EXPECT_TRUE(orange);
}

TEST_F(MainWinTest, FormatNameLoadsTheBackground)
{
    auto w = openWindow();
    QImage img(48, 16, QImage::Format_RGB32);
    img.fill(QColor(200, 230, 255));
    ASSERT_TRUE(img.save(page::GetBackPicFile("进账单"), "JPG"));
    w->OpenFmt("进账单", false);
    EXPECT_FALSE(w->PG()->backPicture().isNull());
    EXPECT_EQ(w->LFMT(0)->toolTip(), "进账单");
    // With the background shown, the prompts give way to the printed ones on the picture.
    w->O2(4)->setChecked(true);
    EXPECT_TRUE(w->PG()->backShown());
    EXPECT_FALSE(w->fields()->GetCtlByIdx(1)->Caption()->isVisibleTo(w->PG()));
    w->O2(4)->setChecked(false);
    EXPECT_TRUE(w->fields()->GetCtlByIdx(1)->Caption()->isVisibleTo(w->PG()));
    w->OpenFmt("转账支票", false);
    EXPECT_TRUE(w->PG()->backPicture().isNull());
    EXPECT_EQ(w->LFMT(0)->toolTip(), "转账支票");
}

TEST_F(MainWinTest, FormatNamesAreShownAsTheyStand)
{
    const QString name = "<b>进账</b>&amp;单";
    ASSERT_TRUE(store::ExecSQL("UPDATE Fmt SET Fmt=? WHERE Fmt='进账单'", {name}));
    auto w = openWindow();
    w->OpenFmt(name, false);
    ASSERT_EQ(w->context().FormatName(), name);
    EXPECT_EQ(w->LFMT(0)->text(), name);
    EXPECT_EQ(w->LFMT(0)->textFormat(), Qt::PlainText);
    for (const QLabel *l : w->findChildren<QLabel *>())
        EXPECT_EQ(l->textFormat(), Qt::PlainText) << l->objectName().toStdString();
}

TEST_F(MainWinTest, SavesAtCloseThatFailAreReported)
{
    auto w = openWindow();
    textField(*w, 2)->SetText("北京某某科技有限公司");
    // The file stops taking writes (a read-only file, a full disk).
    ASSERT_TRUE(store::ExecSQL("PRAGMA query_only=ON"));
    EXPECT_TRUE(w->close());
    ASSERT_EQ(rec().messages.size(), 1) << rec().messages.join("|").toStdString();
    EXPECT_TRUE(rec().messages[0].startsWith("退出时无法保存当前单据的内容、当前格式和选项！\n"))
        << rec().messages[0].toStdString();
    EXPECT_TRUE(store::ExecSQL("PRAGMA query_only=OFF"));
}

TEST_F(MainWinTest, EmptyStoredNameAsksTheChooser)
{
    ASSERT_TRUE(store::ExecSQL("UPDATE Fmt SET LBL='' WHERE Fmt=''"));
    int asked = 0;
    QString answer; // the user closes the format manager
    mainwin::MainWindowHooks hooks;
    hooks.chooseFormat = [&] {
        ++asked;
        return answer;
    };
    auto w = std::make_unique<MainWindow>(hooks);
    QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
    w->show();
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w->context().FormatName(), "");
    EXPECT_EQ(w->fields()->CtlCount(0), 0);
    EXPECT_TRUE(rec().messages.isEmpty());
    // Double-clicking the name asks again, and opens what was chosen.
    answer = "进账单";
    emit w->LFMT(0)->doubleClicked();
    EXPECT_EQ(w->context().FormatName(), "进账单");
    EXPECT_EQ(w->fields()->CtlCount(0), 14);
}

TEST_F(MainWinTest, SwitchingFormatsKeepsEachOnesValues)
{
    auto w = openWindow();
    textField(*w, 2)->SetText("甲公司");
    w->OpenFmt("进账单", false);
    EXPECT_EQ(textField(*w, 4)->Text(), "");
    textField(*w, 4)->SetText("乙公司");
    w->OpenFmt("转账支票", false);
    EXPECT_EQ(textField(*w, 2)->Text(), "甲公司");
    w->OpenFmt("进账单", false);
    EXPECT_EQ(textField(*w, 4)->Text(), "乙公司");
    // The same format again without force does nothing.
    textField(*w, 4)->SetText("丙公司");
    w->OpenFmt("进账单", false);
    EXPECT_EQ(textField(*w, 4)->Text(), "丙公司");
}

TEST_F(MainWinTest, OptionsFromTheStateRowApplyWhenTheFormatHasNone)
{
    // A format without a whole-format row: the three options of the state row stay in force,
    // and each one's handler ran when it was restored.
    ASSERT_TRUE(store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, Clas, X, Y, W, H, fName, fSize) "
                               "VALUES('无参数支票', '收款人', 0, 10, 10, 50, 6, '宋体', 10)"));
    ASSERT_TRUE(store::ExecSQL("UPDATE Fmt SET LBL='无参数支票', fName='1§☆§0§☆§1' WHERE Fmt=''"));
    auto w = openWindow();
    EXPECT_EQ(w->LFMT(0)->caption(), "无参数支票");
    EXPECT_TRUE(w->O2(0)->isChecked());
    EXPECT_FALSE(w->O2(1)->isChecked());
    EXPECT_TRUE(w->O2(2)->isChecked());
    EXPECT_FALSE(w->COM(2)->isEnabled());
    EXPECT_EQ(w->PG()->ruler(), 1);
    EXPECT_EQ(w->fields()->CtlCount(0), 1);
}
