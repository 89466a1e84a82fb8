// The menu bar through the real main window: its table, every enabled entry and what it reaches;
// the format-name chooser, the password windows through the program's start-up, the about box.
#include "mainwin_fixture.h"
#include "window_fixture.h"

#include "library/fmtfile.h"
#include "library/fmtlist.h"
#include "mainwin/helppages.h"
#include "mainwin/historytab.h"
#include "mainwin/mainwindow.h"
#include "mainwin/menus.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/password.h"
#include "mainwin/printing.h"
#include "mainwin/rightform.h"
#include "mainwin/selformat.h"
#include "mainwin/starthooks.h"
#include "mainwin/typing.h"
#include "mainwin/typingfmt.h"
#include "page/field.h"
#include "page/pageview.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "print/printers.h"
#include "store/model/context.h"
#include "store/view/fmtcmd.h"
#include "store/view/grid.h"
#include "store/core/helpers.h"
#include "store/ui/indicator.h"
#include "store/ui/msgbox.h"
#include "store/db/params.h"
#include "store/ui/startup.h"
#include "store/db/textfile.h"
#include "store/core/vb.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

#include <functional>
#include <memory>

using mainwin::MainWindow;

namespace {

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return QStringLiteral("<timeout>");
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString sqlite(const QString &sql)
{
    return run(QStringLiteral("sqlite3"), {store::DataFilePath(), sql});
}

// A setting of KVRTM.ini as Python's configparser reads it; "<none>" when missing.
QString ini(const QString &section, const QString &key)
{
    return run(QStringLiteral("python3"),
               {QStringLiteral("-c"),
                QStringLiteral("import configparser,sys\n"
                               "c=configparser.ConfigParser(interpolation=None)\n"
                               "c.optionxform=str\n"
                               "c.read(sys.argv[1],encoding='utf-8')\n"
                               "print('['+c.get(sys.argv[2],sys.argv[3],fallback='<none>')+']')"),
                store::SettingsFilePath(), section, key});
}

// Records what the desktop would open instead of starting a program.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder()
    {
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlRecorder() override
    {
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

// Picks the item with the mouse from the combo's pop-up list.
void mousePick(QComboBox *combo, const QString &text)
{
    const int i = combo->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QRect r = view->visualRect(view->model()->index(i, combo->modelColumn()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    QTRY_VERIFY(!view->isVisible());
}

class MenusTest : public MainWinTest
{
protected:
    void SetUp() override
    {
        MainWinTest::SetUp();
        // As the program wires it, with the printer and the PDF file answered here.
        mainwin::PrintQuestions q;
        q.choosePrinter = [this] {
            ++asked;
            return ChoosePdfPrinter();
        };
        q.pdfFileName = [this] { return pdfFile; };
        ASSERT_NO_FATAL_FAILURE(ShowChequeWindow(w, q));
        menus = &w->menus();
        ASSERT_EQ(w->LFMT(0)->caption(), QStringLiteral("转账支票"));
    }
    void TearDown() override
    {
        w.reset();
        MainWinTest::TearDown();
    }
    QAction *act(const char *name) const
    {
        QAction *a = w->findChild<QAction *>(QString::fromLatin1(name));
        EXPECT_TRUE(a) << name;
        return a;
    }
    void setServer(const QString &base)
    {
        ASSERT_TRUE(store::SaveRegStr("KVRTM", "Web", "Server", base));
    }

    std::unique_ptr<MainWindow> w;
    mainwin::Menus *menus = nullptr;
    QString pdfFile = m_dir.filePath(QStringLiteral("out.pdf"));
    int asked = 0;
};

// One line per entry: "-" a separator, "✓"/"☐" a check item's mark, "#" greyed.
QStringList describe(QMenu *m)
{
    QStringList out;
    for (QAction *a : m->actions()) {
        if (a->isSeparator()) {
            out << QStringLiteral("-");
            continue;
        }
        QString s;
        if (!a->isEnabled())
            s += u'#';
        if (a->isCheckable())
            s += a->isChecked() ? u'✓' : u'☐';
        out << s + a->text();
    }
    return out;
}

TEST_F(MenusTest, MenuBarAsTheTableSays)
{
    QStringList bar;
    for (QAction *a : w->menuBar()->actions())
        bar << a->text() + u'=' + (a->menu() ? a->menu()->objectName() : QString());
    EXPECT_EQ(bar, (QStringList{"打印(&P)=mPrint", "格式(&F)=mFormat", "内容框设置(&C)=mCtlSame",
                                "设置=m_Set", "工具=mTools", "帮助(&H)=mHelp"}));
    EXPECT_EQ(describe(menus->mPrint), (QStringList{"打印当前单据", "打印所有单据"}));
    EXPECT_EQ(describe(menus->mFormat),
              (QStringList{"选择格式", "保存格式", "另存格式", "-", "管理格式", "-", "导出格式",
                           "导入格式", "下载格式"}));
    // The sample cheque brings its own marks (automatic paper only).
    EXPECT_EQ(describe(menus->m_Set),
              (QStringList{"✓自动设置纸张", "☐连同底图打印", "☐打印标尺坐标", "设置换行特殊符",
                           "条码标准设置", "-", "登录密码设置"}));
    EXPECT_EQ(describe(menus->mTools), (QStringList{"#检查凭据外内容框", "压缩整理数据库"}));
    EXPECT_EQ(describe(menus->mHelp), (QStringList{"如何定制格式", "-", "使用说明", "QQ帮助 1",
                                                   "QQ帮助 2", "-", "关于软件"}));
    const char *names[] = {
        "m_PCom(0)",  "m_PCom(1)",     "m_FCom(30)",   "m_FCom(31)",       "m_FCom(32)",
        "mManageFmt", "mOutputFormat", "mInputFormat", "DownFmt",          "mSetPaper",
        "mDiTuPrint", "mPrintRulers",  "mSetCrlfChr",  "mStrBarCodeStand", "mPSDSet",
        "mTool(0)",   "mTool(1)",      "mModeFmt",     "mMoreHelp",        "mQQOnline1",
        "mQQOnline2", "mAbout"};
    for (const char *n : names)
        act(n);
    // Before a format brings its own marks: ticked, ticked, clear.
    MainWindow fresh;
    mainwin::Menus *m = &fresh.menus();
    EXPECT_EQ(describe(m->m_Set).mid(0, 3),
              (QStringList{"✓自动设置纸张", "✓连同底图打印", "☐打印标尺坐标"}));
    EXPECT_TRUE(fresh.context().SetPaper());
    EXPECT_TRUE(fresh.context().DiTuPrint());
    EXPECT_FALSE(fresh.context().PrintRulers());
}

TEST_F(MenusTest, PrintEntriesReachThePrintRunEvenWithTheButtonGreyed)
{
    w->MSF(2)->SetTag(QStringLiteral("转账支票|300"));
    act("m_PCom(0)")->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(QFile::exists(pdfFile));
    EXPECT_EQ(sqlite("SELECT COUNT(DISTINCT ID) FROM 历史 WHERE Fmt='转账支票';"), "1");
    EXPECT_TRUE(w->MSF(2)->Tag().isEmpty()); // the history tab reads the prints again

    // One record only: the print-all button is greyed, its menu entry still prints.
    ASSERT_FALSE(w->COM(1)->isEnabled());
    QFile::remove(pdfFile);
    w->MSF(2)->SetTag(QStringLiteral("转账支票|300"));
    act("m_PCom(1)")->trigger();
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(QFile::exists(pdfFile));
    EXPECT_TRUE(w->MSF(2)->Tag().isEmpty());
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();

    // The history drop-down goes away with any command, also one without an action.
    w->COMB()->show();
    w->Com_Click(99);
    EXPECT_FALSE(w->COMB()->isVisible());
}

TEST_F(MenusTest, ChooseFormatShowsTheFormatManager)
{
    QString title, current;
    whenModal<library::FmtList>([&](library::FmtList *d) {
        title = d->windowTitle();
        current = d->MSF->TextMatrix(d->MSF->Row(), 3);
        const int row = current == QStringLiteral("进账单") ? d->MSF->Row() + 1 : d->MSF->Row() - 1;
        d->MSF->SetRow(row);
        d->Com[0]->click();
    });
    act("m_FCom(30)")->trigger();
    EXPECT_EQ(title, QStringLiteral("选择/管理格式模板"));
    EXPECT_EQ(current, QStringLiteral("转账支票"));
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("进账单"));
    EXPECT_EQ(w->fields()->CtlCount(0), 14);

    // "管理格式" and the double click on the name show it too; quitting and the close box keep
    // the format.
    whenModal<library::FmtList>([](library::FmtList *d) { d->Com[1]->click(); });
    act("mManageFmt")->trigger();
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("进账单"));
    QString closedAnswer = QStringLiteral("unset");
    whenModal<library::FmtList>([&](library::FmtList *d) {
        d->close();
        closedAnswer = d->SelResult;
    });
    emit w->LFMT(0)->doubleClicked();
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("进账单"));
    EXPECT_TRUE(closedAnswer.isEmpty());
}

TEST_F(MenusTest, DeleteAsksTheNameChooserMouseOnly)
{
    QStringList offered;
    MainWindow &win = *w;
    whenModal<mainwin::SelFormat>([&](mainwin::SelFormat *d) {
        for (int i = 0; i < d->CMB->count(); ++i)
            offered << d->CMB->itemText(i);
        EXPECT_EQ(d->CMB->currentText(), QStringLiteral("转账支票"));
        // Typed keys change nothing; the mouse chooses.
        d->CMB->setFocus();
        QTest::keyClicks(d->CMB, QStringLiteral("abc"));
        QTest::keyClick(d->CMB, Qt::Key_Down);
        QTest::keyClick(d->CMB, Qt::Key_Up);
        EXPECT_EQ(d->CMB->currentText(), QStringLiteral("转账支票"));
        mousePick(d->CMB, QStringLiteral("进账单"));
        EXPECT_EQ(d->CMB->currentText(), QStringLiteral("进账单"));
        d->COM[0]->click();
    });
    rec().answer = false;
    EXPECT_FALSE(store::DeleteFmt(win.formatCommands()));
    EXPECT_EQ(offered, (QStringList{"进账单", "转账支票"})); // no empty state-row name
    EXPECT_EQ(rec().messages, QStringList{"您确定要删除格式：“进账单”？"});
}

TEST_F(MenusTest, SavePullsFieldsOntoThePageFirst)
{
    // A line half off the page, for the check to pull in too.
    const double pageMM = store::Val(w->context().Wid());
    ASSERT_TRUE(store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, Clas, X, Y, W, H, fSize, Color, Cash) "
                               "VALUES('转账支票', '线', 3, -1, 20, ?, 20, 1, 0, 1)",
                               {pageMM + 5}));
    w->OpenFmt(QStringLiteral("转账支票"), true);
    page::FieldRegistry &reg = *w->fields();
    ASSERT_EQ(reg.CtlCount(3), 1);
    auto *line = static_cast<page::LineField *>(reg.GetCtlByIdx(3001));
    const int pageW = int(std::lround(w->PG()->twWidth()));
    EXPECT_LT(line->X1(), 0);
    EXPECT_GT(line->X2(), pageW);

    page::PageField *payee = reg.GetCtlByIdx(2);
    page::PageField *amount = reg.GetCtlByIdx(3);
    page::PageField *wide = reg.GetCtlByIdx(4);
    payee->SetGeometryTw(-100, -50, payee->Width(), payee->Height());
    amount->SetGeometryTw(-100, 200, amount->Width(), amount->Height());
    wide->SetGeometryTw(10, 100, pageW + 600, wide->Height());
    const qint32 payeeID = *reg.GetCtlID(payee), amountID = *reg.GetCtlID(amount),
                 wideID = *reg.GetCtlID(wide), lineID = *reg.GetCtlID(line);

    act("m_FCom(31)")->trigger();

    EXPECT_EQ(payee->Left(), 0);
    EXPECT_EQ(payee->Top(), 300);
    EXPECT_EQ(amount->Left(), 0);
    EXPECT_EQ(amount->Top(), 200);
    EXPECT_EQ(wide->Left(), -600);
    EXPECT_EQ(line->X1(), 0);
    EXPECT_EQ(line->X2(), pageW);
    const double scale = reg.Scale();
    auto stored = [](qint32 id, const char *col) {
        return sqlite(QStringLiteral("SELECT %1 FROM Fmt WHERE ID=%2;")
                          .arg(QString::fromLatin1(col))
                          .arg(id))
            .toDouble();
    };
    EXPECT_NEAR(stored(payeeID, "X"), 0, 1e-9);
    EXPECT_NEAR(stored(payeeID, "Y"), store::PageToMM(300, scale), 0.01);
    EXPECT_NEAR(stored(amountID, "X"), 0, 1e-9);
    EXPECT_NEAR(stored(amountID, "Y"), store::PageToMM(200, scale), 0.01);
    EXPECT_NEAR(stored(wideID, "X"), store::PageToMM(-600, scale), 0.01);
    EXPECT_NEAR(stored(lineID, "X"), 0, 1e-9);
    EXPECT_NEAR(stored(lineID, "W"), pageMM, 0.05);

    // The check on its own: one counted step per kind.
    payee->SetGeometryTw(-100, -50, payee->Width(), payee->Height());
    menus->mTool_Click(0);
    EXPECT_EQ(payee->Left(), 0);
    EXPECT_EQ(payee->Top(), 300);
    const store::IndicatorState &p = store::ProgressState();
    EXPECT_EQ(p.caption, QStringLiteral("正在检查所有内容框..."));
    EXPECT_EQ(p.total, 5);
    EXPECT_EQ(p.current, 5);
    EXPECT_FALSE(store::ProgressShowing());
}

TEST_F(MenusTest, SaveAsStoresUnderTheTypedName)
{
    QString answer;
    whenModal<mainwin::SelFormat>([&](mainwin::SelFormat *d) {
        EXPECT_TRUE(d->CMB->isEditable());
        d->CMB->lineEdit()->selectAll();
        d->CMB->lineEdit()->insert(QStringLiteral("  工行支票｜备注 "));
        d->COM[0]->click();
        answer = d->SelResult;
    });
    act("m_FCom(32)")->trigger();
    EXPECT_EQ(answer, QStringLiteral("工行支票"));
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("工行支票"));
    EXPECT_EQ(sqlite("SELECT COUNT(*) FROM Fmt WHERE Fmt='工行支票';"),
              sqlite("SELECT COUNT(*) FROM Fmt WHERE Fmt='转账支票';"));
    EXPECT_NE(sqlite("SELECT COUNT(*) FROM Fmt WHERE Fmt='工行支票';"), "0");
}

TEST_F(MenusTest, SwitchesFollowTheUserAndTheFormat)
{
    QAction *rulers = act("mPrintRulers");
    rulers->trigger();
    EXPECT_TRUE(rulers->isChecked());
    EXPECT_TRUE(w->context().PrintRulers());
    EXPECT_EQ(ini("Validate", "mPrintRulers"), "[1]");
    rulers->trigger();
    EXPECT_FALSE(rulers->isChecked());
    EXPECT_FALSE(w->context().PrintRulers());
    EXPECT_EQ(ini("Validate", "mPrintRulers"), "[]");

    // The format keeps its marks; opening one sets them and writes no setting. The samples
    // carry automatic paper only.
    act("mSetPaper")->trigger();
    rulers->trigger();
    EXPECT_EQ(describe(menus->m_Set).mid(0, 3),
              (QStringList{"☐自动设置纸张", "☐连同底图打印", "✓打印标尺坐标"}));
    act("m_FCom(31)")->trigger();
    w->OpenFmt(QStringLiteral("进账单"), false);
    EXPECT_EQ(describe(menus->m_Set).mid(0, 3),
              (QStringList{"✓自动设置纸张", "☐连同底图打印", "☐打印标尺坐标"}));
    EXPECT_TRUE(w->context().SetPaper());
    EXPECT_FALSE(w->context().PrintRulers());
    w->OpenFmt(QStringLiteral("转账支票"), false);
    EXPECT_EQ(describe(menus->m_Set).mid(0, 3),
              (QStringList{"☐自动设置纸张", "☐连同底图打印", "✓打印标尺坐标"}));
    EXPECT_FALSE(w->context().SetPaper());
    EXPECT_FALSE(w->context().DiTuPrint());
    EXPECT_TRUE(w->context().PrintRulers());
    // Only the user's toggles were written.
    EXPECT_EQ(ini("Validate", "mSetPaper"), "[]");
    EXPECT_EQ(ini("Validate", "mPrintRulers"), "[1]");
    EXPECT_EQ(ini("Validate", "mDiTuPrint"), "[<none>]");
    EXPECT_EQ(sqlite("SELECT Mem FROM Fmt WHERE Fmt='转账支票' AND LBL='【§单据整体格式参数§】';"),
              "False|False|0|0|0|0|0|True|");
}

TEST_F(MenusTest, LineBreakSymbolAndCompaction)
{
    rec().textAnswers = {QStringLiteral("##")};
    act("mSetCrlfChr")->trigger();
    EXPECT_EQ(rec().messages.value(0), QStringLiteral("请输入表示回车的表示字符串"));
    EXPECT_EQ(rec().textPresets.value(0), QStringLiteral("//"));
    EXPECT_EQ(w->context().CrlfChr(), QStringLiteral("##"));
    EXPECT_EQ(ini("Para", "CrlfChr"), "[##]");
    rec().textAnswers = {QStringLiteral(""), QString()}; // an empty answer, then a cancel
    act("mSetCrlfChr")->trigger();
    EXPECT_EQ(rec().textPresets.value(1), QStringLiteral("##"));
    act("mSetCrlfChr")->trigger();
    EXPECT_EQ(w->context().CrlfChr(), QStringLiteral("##"));
    EXPECT_EQ(ini("Para", "CrlfChr"), "[##]");

    act("mTool(1)")->trigger();
    EXPECT_TRUE(QFile::exists(home() + QStringLiteral("/backup.mdb")));
    EXPECT_EQ(sqlite("SELECT COUNT(*) FROM Fmt WHERE Fmt='转账支票';"), "12");
    EXPECT_EQ(rec().messages.size(), 3) << rec().messages.join('|').toStdString();
}

TEST_F(MenusTest, HelpPagesAndAboutBox)
{
    UrlRecorder urls;
    // No server set: nothing opens, the user is told.
    act("mModeFmt")->trigger();
    EXPECT_TRUE(urls.urls.isEmpty());
    EXPECT_EQ(rec().messages.value(0), QStringLiteral("没有设置网站地址，无法打开网页！"));
    act("mMoreHelp")->trigger();
    const QString chm = home() + QStringLiteral("/XRM.CHM");
    EXPECT_EQ(rec().messages.value(1),
              QStringLiteral("没有找到帮助文件“") + chm + QStringLiteral("”！"));
    EXPECT_TRUE(urls.urls.isEmpty());

    setServer(QStringLiteral("http://127.0.0.1:8123/"));
    QFile f(chm);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    act("mModeFmt")->trigger();
    act("mMoreHelp")->trigger();
    act("mQQOnline1")->trigger();
    act("mQQOnline2")->trigger();
    act("mAbout")->trigger();
    auto *about = w->findChild<mainwin::Rightform *>();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_TRUE(about->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(about->lblCopyright->text().contains(QStringLiteral("9.10")));
    EXPECT_FALSE(about->lblCopyright->text().contains(QStringLiteral("[EDITION]")));
    QTest::mouseClick(about->Image1, Qt::LeftButton);
    QTest::mouseClick(about->lblCompany.at(2), Qt::LeftButton);
    QTest::mouseClick(about->lblCopyright, Qt::LeftButton);
    QStringList opened;
    for (const QUrl &u : urls.urls)
        opened << u.toString();
    const QString maker = QStringLiteral("http://127.0.0.1:8123/radovezorur/");
    EXPECT_EQ(
        opened,
        (QStringList{"http://127.0.0.1:8123/Help/QA.asp?id=23", QUrl::fromLocalFile(chm).toString(),
                     "http://127.0.0.1:8123/Help/Contact.asp?id=1",
                     "http://127.0.0.1:8123/Help/Contact.asp?id=2", maker, maker, maker}));
    about->Com0->click();
    QTRY_VERIFY(!w->findChild<mainwin::Rightform *>());
    EXPECT_EQ(rec().messages.size(), 2) << rec().messages.join('|').toStdString();

    // The password window and the barcode standard show without blocking.
    act("mPSDSet")->trigger();
    auto *modi = w->findChild<mainwin::ModiPSD *>();
    ASSERT_TRUE(modi);
    EXPECT_TRUE(modi->isVisible());
    EXPECT_FALSE(modi->isModal());
    modi->close();
    act("mStrBarCodeStand")->trigger();
    QWidget *stand = nullptr;
    for (QWidget *tw : QApplication::topLevelWidgets())
        if (tw->isVisible() && tw->windowTitle() == QStringLiteral("条码编码标准设置"))
            stand = tw;
    ASSERT_TRUE(stand);
    EXPECT_FALSE(stand->isModal());
    stand->close();
}

// --- the chooser on its own

class SelFormatTest : public MainWinTest
{
};

TEST_F(SelFormatTest, AnswerIsTrimmedAndCutAtTheBar)
{
    EXPECT_EQ(mainwin::SelFormatAnswer(QStringLiteral("  工行支票｜备注 ")), "工行支票");
    EXPECT_EQ(mainwin::SelFormatAnswer(QStringLiteral("名 ｜x")), "名 ");
    EXPECT_EQ(mainwin::SelFormatAnswer(QStringLiteral("   ")), "");
    // An empty text and the cancel button answer nothing.
    whenModal<mainwin::SelFormat>([](mainwin::SelFormat *d) {
        d->CMB->setEditText(QString());
        d->COM[0]->click();
    });
    EXPECT_FALSE(mainwin::ChooseFormatName(true, QStringLiteral("转账支票")));
    whenModal<mainwin::SelFormat>([](mainwin::SelFormat *d) {
        d->CMB->setEditText(QStringLiteral("old"));
        d->COM[0]->click();
    });
    EXPECT_EQ(mainwin::ChooseFormatName(true, QStringLiteral("转账支票")), QStringLiteral("old"));
    whenModal<mainwin::SelFormat>([](mainwin::SelFormat *d) {
        EXPECT_EQ(d->CMB->currentText(), QStringLiteral("转账支票"));
        EXPECT_EQ(d->CMB->toolTip(), QStringLiteral("要选择的单据格式名称。"));
        EXPECT_EQ(d->windowTitle(), QStringLiteral("请选择格式名称"));
        EXPECT_TRUE(d->windowFlags() & Qt::WindowStaysOnTopHint);
        d->COM[1]->click();
    });
    EXPECT_FALSE(mainwin::ChooseFormatName(true, QStringLiteral("转账支票")));
}

// --- the password through the program's start-up

class PasswordTest : public MainWinTest
{
protected:
    void TearDown() override
    {
        QList<QPointer<QWidget>> left;
        for (QWidget *tw : QApplication::topLevelWidgets())
            if (qobject_cast<MainWindow *>(tw) || qobject_cast<mainwin::PSDCon *>(tw))
                left << tw;
        for (const QPointer<QWidget> &tw : left)
            delete tw.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        lock.reset();
        MainWinTest::TearDown();
    }
    // store::Main with the program's own windows; the window it showed.
    QWidget *start()
    {
        lock.reset();
        std::optional<int> code = store::Main(mainwin::ProgramHooks(), lock);
        EXPECT_FALSE(code.has_value());
        QWidget *shown = nullptr;
        for (QWidget *tw : QApplication::topLevelWidgets())
            if (tw->isVisible())
                shown = tw;
        return shown;
    }
    std::unique_ptr<QLockFile> lock;
};

TEST_F(PasswordTest, SetCheckedAndRemoved)
{
    // No password yet: straight to the main window; set one there.
    QWidget *first = start();
    auto *mf = qobject_cast<MainWindow *>(first);
    ASSERT_TRUE(mf);
    QTRY_COMPARE(mf->context().FormatName(), QStringLiteral("转账支票"));
    mf->findChild<QAction *>("mPSDSet")->trigger();
    auto *modi = mf->findChild<mainwin::ModiPSD *>();
    ASSERT_TRUE(modi);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(modi->T[size_t(i)]->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(modi->T[size_t(i)]->styleSheet().contains("lineedit-password-character: 42"));
    }
    EXPECT_EQ(modi->T[0]->toolTip(), QStringLiteral("原始密码为空"));
    EXPECT_EQ(modi->T[1]->toolTip(), QStringLiteral("不输内容表示去除密码"));
    QTest::keyClicks(modi->T[1], "x");
    QTest::keyClicks(modi->T[2], "y");
    QTest::keyClick(modi->T[2], Qt::Key_Return);
    EXPECT_EQ(rec().messages, QStringList{"两次输入的新密码不相符！"});
    EXPECT_TRUE(modi->isVisible());
    modi->T[1]->setText("Abc");
    modi->T[2]->setText("Abc");
    modi->T[0]->setText("wrong");
    modi->Com->click();
    EXPECT_TRUE(modi->isVisible()); // a wrong old password: nothing, not a word
    EXPECT_EQ(rec().messages.size(), 1);
    EXPECT_EQ(store::GetPara("软件密码"), "");
    modi->T[0]->clear();
    QTest::keyClick(modi->T[0], Qt::Key_Enter);
    QTRY_VERIFY(!mf->findChild<mainwin::ModiPSD *>());
    EXPECT_EQ(store::GetPara("软件密码"), "Abc");
    mf->close();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty() ||
                !std::any_of(QApplication::topLevelWidgets().begin(),
                             QApplication::topLevelWidgets().end(),
                             [](QWidget *t) { return qobject_cast<MainWindow *>(t); }));

    // The next start asks for it; case counts, the text stays, any number of tries.
    auto *psd = qobject_cast<mainwin::PSDCon *>(start());
    ASSERT_TRUE(psd);
    EXPECT_EQ(psd->windowTitle(), QStringLiteral("请输入密码"));
    EXPECT_EQ(psd->Com->text(), QStringLiteral("确    定"));
    EXPECT_EQ(psd->T->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(psd->windowFlags() & Qt::WindowStaysOnTopHint);
    QTest::keyClicks(psd->T, "abc");
    QTest::keyClick(psd->T, Qt::Key_Return);
    EXPECT_EQ(rec().messages.last(), QStringLiteral("密码错误！"));
    EXPECT_EQ(psd->T->text(), "abc");
    EXPECT_TRUE(psd->isVisible());
    QTest::keyClick(psd->T, Qt::Key_Return);
    EXPECT_EQ(rec().messages.size(), 3);
    for (QWidget *tw : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<MainWindow *>(tw) && tw->isVisible())
            << tw->isVisible() << tw->objectName().toStdString();
    psd->T->setText("Abc");
    QPointer<mainwin::PSDCon> guard(psd);
    psd->Com->click();
    QTRY_VERIFY(!guard);
    MainWindow *mf2 = nullptr;
    for (QWidget *tw : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<MainWindow *>(tw))
            mf2 = m;
    ASSERT_TRUE(mf2);
    EXPECT_TRUE(mf2->isVisible());
    QTRY_COMPARE(mf2->context().FormatName(), QStringLiteral("转账支票"));

    // Removing it: the right old password and two empty new ones.
    mf2->findChild<QAction *>("mPSDSet")->trigger();
    auto *modi2 = mf2->findChild<mainwin::ModiPSD *>();
    ASSERT_TRUE(modi2);
    modi2->T[0]->setText("Abc");
    modi2->Com->click();
    QTRY_VERIFY(!mf2->findChild<mainwin::ModiPSD *>());
    EXPECT_EQ(store::GetPara("软件密码"), "");
    mf2->close();
    QCoreApplication::processEvents();
    auto *third = qobject_cast<MainWindow *>(start());
    EXPECT_TRUE(third);
}

TEST_F(PasswordTest, ClosingThePasswordWindowLeavesNoWindow)
{
    ASSERT_TRUE(store::SetPara("软件密码", "Abc"));
    auto *psd = qobject_cast<mainwin::PSDCon *>(start());
    ASSERT_TRUE(psd);
    // The program's event loop ends by itself once the window is closed.
    QSignalSpy last(qApp, &QGuiApplication::lastWindowClosed);
    QTimer::singleShot(0, psd, &QWidget::close);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    guard.stop();
    EXPECT_EQ(last.count(), 1);
    for (QWidget *tw : QApplication::topLevelWidgets())
        EXPECT_FALSE(tw->isVisible()) << tw->metaObject()->className();
}

// The format import from the menu with the program's own message boxes, answered with the mouse
// and keys through the windows as a user would: each question opens above the progress window
// "正在导入格式..." and takes input.
class ImportQuestionsTest : public MenusTest
{
protected:
    void SetUp() override
    {
        MenusTest::SetUp();
        library::SetFileQuestion([this](const QString &, bool, const QString &) { return cqf; });
        store::SetReporter(&boxes);
    }
    void TearDown() override
    {
        store::SetReporter(&rec());
        library::SetFileQuestion({});
        MenusTest::TearDown();
    }
    // The cheque's own format file under another file name, its name line replaced if asked.
    void writeCqf(const QString &fileName, const QString &nameLine = QString())
    {
        QStringList lines = library::FmtFileText(QStringLiteral("转账支票")).split("\r\n");
        ASSERT_GT(lines.size(), 3);
        if (!nameLine.isEmpty())
            lines[1] = nameLine;
        cqf = path(fileName);
        ASSERT_EQ(store::WriteTextFile(lines.join("\r\n"), cqf), 1);
    }
    // The box is up above the progress window of the import.
    static bool aboveProgress(QWidget *box)
    {
        store::Indicator *progress = store::IndicatorWindow();
        return progress && progress->isVisible() && box->parentWidget() == progress &&
               progress->LBL->text() == QStringLiteral("正在导入格式...");
    }
    static void clickOk(QInputDialog *d, QDialogButtonBox::StandardButton which)
    {
        auto *buttons = d->findChild<QDialogButtonBox *>();
        ASSERT_TRUE(buttons);
        ClickThroughWindow(buttons->button(which));
    }
    QLineEdit *payee() const
    {
        return static_cast<page::TextField *>(w->fields()->GetCtlByIdx(8))->Box();
    }
    QString names() const { return sqlite("SELECT group_concat(DISTINCT Fmt) FROM Fmt;"); }

    store::MessageBoxReporter boxes;
    QString cqf;
};

TEST_F(ImportQuestionsTest, TakenNameIsRenamedByTypingAndClickingOk)
{
    writeCqf(QStringLiteral("转账支票.cqf"));
    const QString rows = sqlite("SELECT COUNT(*) FROM Fmt WHERE Fmt='转账支票';");
    QString prompt, title, preset, done;
    bool promptAbove = false, doneAbove = true;
    whenModal<QInputDialog>([&](QInputDialog *d) {
        prompt = d->labelText();
        title = d->windowTitle();
        preset = d->textValue();
        promptAbove = aboveProgress(d);
        KeyThroughWindow(d, Qt::Key_A, Qt::ControlModifier);
        TypeThroughWindow(d, QStringLiteral(" 转账支票二 "));
        clickOk(d, QDialogButtonBox::Ok);
    });
    whenModal<QMessageBox>([&](QMessageBox *box) {
        done = box->text();
        doneAbove = store::IndicatorWindow() != nullptr;
        ClickThroughWindow(box->button(QMessageBox::Yes));
    });
    act("mInputFormat")->trigger();

    EXPECT_EQ(prompt, QStringLiteral("格式：“转账支票”已存在，请另取格式名！"));
    EXPECT_EQ(title, QStringLiteral("格式名输入"));
    EXPECT_EQ(preset, QStringLiteral("转账支票"));
    EXPECT_TRUE(promptAbove);
    EXPECT_EQ(done, QStringLiteral("格式“转账支票二”导入成功,立即调用此格式？"));
    EXPECT_FALSE(doneAbove); // the import had ended its progress window before asking
    EXPECT_EQ(sqlite("SELECT COUNT(*) FROM Fmt WHERE Fmt='转账支票二';"), rows);
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("转账支票二"));
    ExpectUsable(payee());
}

TEST_F(ImportQuestionsTest, CancelledRenameStoresNothing)
{
    writeCqf(QStringLiteral("转账支票.cqf"));
    const QString before = names();
    bool above = false;
    whenModal<QInputDialog>([&](QInputDialog *d) {
        above = aboveProgress(d);
        clickOk(d, QDialogButtonBox::Cancel);
    });
    act("mInputFormat")->trigger();
    EXPECT_TRUE(above);
    EXPECT_EQ(names(), before);
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("转账支票"));
    ExpectUsable(payee());
}

TEST_F(ImportQuestionsTest, DamagedFileMessageIsClosedWithOk)
{
    cqf = path(QStringLiteral("坏支票.cqf"));
    ASSERT_EQ(store::WriteTextFile(QStringLiteral("<不是格式>\r\n转账支票\r\n1"), cqf), 1);
    const QString before = names();
    QString told;
    bool above = false;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        told = box->text();
        above = aboveProgress(box);
        ClickThroughWindow(box->button(QMessageBox::Ok));
    });
    act("mInputFormat")->trigger();
    EXPECT_EQ(told, QStringLiteral("无法识别此文件，请确认文件：“") + cqf +
                        QStringLiteral("”为支票格式文件！"));
    EXPECT_TRUE(above);
    EXPECT_EQ(names(), before);
    ExpectUsable(payee());
}

TEST_F(ImportQuestionsTest, MarkupInANameFromTheFileIsShownAsItStands)
{
    // A file name of no kind: the format is named after the name line.
    const QString name = QStringLiteral("<a href=\"http://127.0.0.1/\"><b>转账支票</b></a>");
    writeCqf(QStringLiteral("link.cqf"), name);
    whenModal<QMessageBox>(
        [](QMessageBox *box) { ClickThroughWindow(box->button(QMessageBox::Yes)); });
    act("mInputFormat")->trigger();
    ASSERT_EQ(w->context().FormatName(), name);

    // The format name's tip shows the tags too.
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), w->LFMT(0)->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w->LFMT(0), &tip);
    QTRY_VERIFY(QToolTip::isVisible());
    const auto shown = QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText();
    EXPECT_EQ(shown, name);
    QToolTip::hideText();

    // Imported again, the taken name is asked for with its tags as text.
    QString labelText;
    Qt::TextFormat format = Qt::AutoText;
    whenModal<QInputDialog>([&](QInputDialog *d) {
        for (QLabel *l : d->findChildren<QLabel *>()) {
            if (l->text().contains(QStringLiteral("已存在"))) {
                labelText = l->text();
                format = l->textFormat();
            }
        }
        clickOk(d, QDialogButtonBox::Cancel);
    });
    act("mInputFormat")->trigger();
    EXPECT_EQ(labelText,
              QStringLiteral("格式：“") + name + QStringLiteral("”已存在，请另取格式名！"));
    EXPECT_EQ(format, Qt::PlainText);
    ExpectUsable(payee());
}

} // namespace

#include "menus_test.moc"

#include "../common/qtry.h"

// Every way a format opens — start-up, "选择格式", "管理格式", the double click on the format's
// name, the format import — closes the open field property dialog and puts today's date into the
// date fields in their kind's form, whatever the format's stored values held.
TEST_F(MainWinTest, EveryWayOfOpeningAFormatClosesTheDialogsAndFillsTheDates)
{
    // Today in the forms of the kinds the sample formats use: 110 the whole date, 100 the year
    // in capital digits.
    auto expected = [](int code) {
        const QDate today = QDate::currentDate();
        if (code == 110)
            return today.toString(QStringLiteral("yyyy年MM月dd日"));
        const QString capitals = QStringLiteral("零壹贰叁肆伍陆柒捌玖");
        QString year;
        for (const QChar c : QString::number(today.year()))
            year += capitals[c.digitValue()];
        return year;
    };
    auto dateFields = [](MainWindow &w) {
        std::vector<std::pair<int, page::TextField *>> out;
        page::FieldRegistry &reg = *w.fields();
        for (int i = reg.FirstCtlIdx(0); i <= reg.LastCtlIdx(0); ++i)
            if (auto *f = static_cast<page::TextField *>(reg.GetCtlByIdx(i))) {
                const int code = int(reg.GetCtlCash(f));
                if (code >= 100 && code <= 119)
                    out.emplace_back(code, f);
            }
        return out;
    };
    auto expectDatesToday = [&](MainWindow &w, const char *entry) {
        int checked = 0;
        for (const auto &[code, f] : dateFields(w))
            if (code == 100 || code == 110) {
                EXPECT_EQ(f->Text(), expected(code)) << entry << " kind " << code;
                ++checked;
            }
        EXPECT_GT(checked, 0) << entry;
    };

    MainWindow w; // the program's own format manager answers
    QSignalSpy loaded(&w, &MainWindow::loadFinished);
    w.show();
    ASSERT_TRUE(loaded.wait(5000));
    ASSERT_EQ(w.context().FormatName(), QStringLiteral("转账支票"));
    expectDatesToday(w, "start-up");

    // The format manager picks a format and is closed with its choose button.
    auto pickInManager = [](const QString &name) {
        whenModal<library::FmtList>([name](library::FmtList *d) {
            store::FlexGrid &g = *d->MSF;
            for (int r = g.FixedRows(); r < g.Rows(); ++r)
                if (g.TextMatrix(r, 3) == name)
                    g.SetRow(r);
            QTest::mouseClick(d->Com[0], Qt::LeftButton);
        });
    };
    auto menuEntry = [&w](const char *entry) {
        auto &menus = w.menus();
        QMenuBar *bar = w.menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menus.mFormat->menuAction()).center());
        QTRY_VERIFY(menus.mFormat->isVisible());
        QAction *a = menus.mFormat->findChild<QAction *>(QString::fromLatin1(entry));
        ASSERT_TRUE(a) << entry;
        QTest::mouseClick(menus.mFormat, Qt::LeftButton, {},
                          menus.mFormat->actionGeometry(a).center());
    };
    const QString cqf = m_dir.filePath(QStringLiteral("新进账单.cqf"));
    QStringList lines = library::FmtFileText(QStringLiteral("进账单")).split("\r\n");
    ASSERT_GT(lines.size(), 3);
    lines[1] = QStringLiteral("新进账单");
    ASSERT_EQ(store::WriteTextFile(lines.join("\r\n"), cqf), 1);
    library::SetFileQuestion([cqf](const QString &, bool, const QString &) { return cqf; });
    rec().answer = true; // "立即调用此格式？"

    const struct
    {
        const char *entry;
        QString format;
        std::function<void()> open;
    } entries[] = {
        {"选择格式", QStringLiteral("进账单"),
         [&] {
             pickInManager(QStringLiteral("进账单"));
             menuEntry("m_FCom(30)");
         }},
        {"管理格式", QStringLiteral("转账支票"),
         [&] {
             pickInManager(QStringLiteral("转账支票"));
             menuEntry("mManageFmt");
         }},
        {"double click", QStringLiteral("进账单"),
         [&] {
             pickInManager(QStringLiteral("进账单"));
             QTest::mouseDClick(w.LFMT(0), Qt::LeftButton);
         }},
        {"import", QStringLiteral("新进账单"), [&] { menuEntry("mInputFormat"); }},
    };
    for (const auto &e : entries) {
        // The dates of the format being left are cleared, so that only the open can fill them
        // when it comes back; a field's property dialog is open.
        for (const auto &[code, f] : dateFields(w))
            f->SetText(QString());
        page::PageField *field = w.fields()->GetCtlByIdx(w.fields()->FirstCtlIdx(0));
        ASSERT_TRUE(field);
        QPointer<QDialog> dialog = w.dialogs().Open(field);
        ASSERT_TRUE(dialog && dialog->isVisible()) << e.entry;

        e.open();
        QTRY_COMPARE(w.context().FormatName(), e.format);
        EXPECT_TRUE(!dialog || !dialog->isVisible()) << e.entry;
        expectDatesToday(w, e.entry);
    }
    library::SetFileQuestion({});
}
