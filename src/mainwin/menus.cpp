#include "mainwin/menus.h"

#include "library/fmtdown.h"
#include "library/fmtfile.h"
#include "mainwin/commandroute.h"
#include "mainwin/helppages.h"
#include "mainwin/mainwindow.h"
#include "mainwin/password.h"
#include "mainwin/rightform.h"
#include "mainwin/typingfmt.h"
#include "page/barcodestand.h"
#include "page/field.h"
#include "page/pageview.h"
#include "page/registry.h"
#include "store/ui/compact.h"
#include "store/model/context.h"
#include "store/view/fmtcmd.h"
#include "store/ui/indicator.h"
#include "store/db/params.h"
#include "store/db/reporter.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <cmath>

namespace mainwin {

namespace {

const QString kObjectName = QStringLiteral("Menus");

QMenu *makeMenu(QMenuBar *bar, const QString &name, const QString &caption)
{
    auto *m = new QMenu(caption, bar);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name + QStringLiteral("Action"));
    return m;
}

QAction *item(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
}

bool saveSetting(const QString &section, const QString &name, const QString &value)
{
    if (store::SaveRegStr(QStringLiteral("KVRTM"), section, name, value))
        return true;
    store::ReportMessage(QStringLiteral("无法写入设置文件“") + store::SettingsFilePath() +
                             QStringLiteral("”！"),
                         store::MsgKind::Error);
    return false;
}

// Moves a line's ends onto the page (its row follows); a line on the page stays as it is.
void ClampLine(page::FieldRegistry &reg, page::LineField &ln, int pageW, int pageH)
{
    // Not std::clamp: the far edge wins even on a page of negative size.
    const auto onPage = [](int v, int edge) { return std::min(std::max(v, 0), edge); };
    const int x1 = onPage(ln.X1(), pageW), x2 = onPage(ln.X2(), pageW);
    const int y1 = onPage(ln.Y1(), pageH), y2 = onPage(ln.Y2(), pageH);
    if (x1 != ln.X1() || x2 != ln.X2() || y1 != ln.Y1() || y2 != ln.Y2())
        reg.PlaceLine(ln, x1, y1, x2, y2);
}

// Moves a field onto the page by the rules in their order (its prompt label and row follow); a
// field on the page stays as it is. A field wider (taller) than the page ends flush with its
// right (bottom) edge.
void ClampField(page::FieldRegistry &reg, page::PageField &f, int pageW, int pageH)
{
    int left = f.Left(), top = f.Top();
    if (left < 0 && top < 0) {
        left = 0;
        top = 300;
    }
    if (left < 0)
        left = 0;
    if (left > pageW - f.Width())
        left = pageW - f.Width();
    if (top < 0)
        top = 0;
    if (top > pageH - f.Height())
        top = pageH - f.Height();
    if (left != f.Left() || top != f.Top())
        reg.PlaceField(f, left, top, f.Width(), f.Height());
}

} // namespace

Menus::Menus(MainWindow &w, MainFormatCommands &cmds) : QObject(&w), m_w(w), m_cmds(cmds)
{
    setObjectName(kObjectName);
    QMenuBar *bar = w.menuBar();
    QMenu *ctlSame = w.mCtlSame();

    mPrint = makeMenu(bar, QStringLiteral("mPrint"), QStringLiteral("打印(&P)"));
    m_PCom[0] = item(mPrint, QStringLiteral("m_PCom(0)"), QStringLiteral("打印当前单据"));
    m_PCom[1] = item(mPrint, QStringLiteral("m_PCom(1)"), QStringLiteral("打印所有单据"));

    mFormat = makeMenu(bar, QStringLiteral("mFormat"), QStringLiteral("格式(&F)"));
    m_FCom[30] = item(mFormat, QStringLiteral("m_FCom(30)"), QStringLiteral("选择格式"));
    m_FCom[31] = item(mFormat, QStringLiteral("m_FCom(31)"), QStringLiteral("保存格式"));
    m_FCom[32] = item(mFormat, QStringLiteral("m_FCom(32)"), QStringLiteral("另存格式"));
    mFormat->addSeparator();
    mManageFmt = item(mFormat, QStringLiteral("mManageFmt"), QStringLiteral("管理格式"));
    mFormat->addSeparator();
    mOutputFormat = item(mFormat, QStringLiteral("mOutputFormat"), QStringLiteral("导出格式"));
    mInputFormat = item(mFormat, QStringLiteral("mInputFormat"), QStringLiteral("导入格式"));
    DownFmt = item(mFormat, QStringLiteral("DownFmt"), QStringLiteral("下载格式"));

    // The field-layout menu came with the window; the print and format menus go before it.
    if (ctlSame) {
        bar->insertMenu(ctlSame->menuAction(), mPrint);
        bar->insertMenu(ctlSame->menuAction(), mFormat);
    } else {
        bar->addMenu(mPrint);
        bar->addMenu(mFormat);
    }

    m_Set = makeMenu(bar, QStringLiteral("m_Set"), QStringLiteral("设置"));
    mSetPaper = item(m_Set, QStringLiteral("mSetPaper"), QStringLiteral("自动设置纸张"));
    mDiTuPrint = item(m_Set, QStringLiteral("mDiTuPrint"), QStringLiteral("连同底图打印"));
    mPrintRulers = item(m_Set, QStringLiteral("mPrintRulers"), QStringLiteral("打印标尺坐标"));
    mSetCrlfChr = item(m_Set, QStringLiteral("mSetCrlfChr"), QStringLiteral("设置换行特殊符"));
    mStrBarCodeStand =
        item(m_Set, QStringLiteral("mStrBarCodeStand"), QStringLiteral("条码标准设置"));
    m_Set->addSeparator();
    mPSDSet = item(m_Set, QStringLiteral("mPSDSet"), QStringLiteral("登录密码设置"));
    bar->addMenu(m_Set);

    mTools = makeMenu(bar, QStringLiteral("mTools"), QStringLiteral("工具"));
    mTool[0] = item(mTools, QStringLiteral("mTool(0)"), QStringLiteral("检查凭据外内容框"));
    mTool[1] = item(mTools, QStringLiteral("mTool(1)"), QStringLiteral("压缩整理数据库"));
    // The check runs before every save; the user never starts it alone.
    mTool[0]->setEnabled(false);
    bar->addMenu(mTools);

    mHelp = makeMenu(bar, QStringLiteral("mHelp"), QStringLiteral("帮助(&H)"));
    mModeFmt = item(mHelp, QStringLiteral("mModeFmt"), QStringLiteral("如何定制格式"));
    mHelp->addSeparator();
    mMoreHelp = item(mHelp, QStringLiteral("mMoreHelp"), QStringLiteral("使用说明"));
    mQQOnline1 = item(mHelp, QStringLiteral("mQQOnline1"), QStringLiteral("QQ帮助 1"));
    mQQOnline2 = item(mHelp, QStringLiteral("mQQOnline2"), QStringLiteral("QQ帮助 2"));
    mHelp->addSeparator();
    mAbout = item(mHelp, QStringLiteral("mAbout"), QStringLiteral("关于软件"));
    bar->addMenu(mHelp);

    // Every entry runs through the window's command route; the print entries reach it through
    // the buttons' dispatcher.
    CommandRoute &route = w.route();
    for (auto &[i, a] : m_PCom)
        connect(a, &QAction::triggered, this, [this, i = i] { m_PCom_Click(i); });
    for (auto &[i, a] : m_FCom)
        route.Connect(a, [this, i = i] { m_FCom_Click(i); });
    route.Connect(mManageFmt, [this] { m_FCom_Click(30); });
    route.Connect(mOutputFormat, [this] { mOutputFormat_Click(); });
    route.Connect(mInputFormat, [this] { mInputFormat_Click(); });
    route.Connect(DownFmt, [this] { DownFmt_Click(); });
    for (auto &[i, a] : mTool)
        route.Connect(a, [this, i = i] { mTool_Click(i); });

    // The marks: the user's toggle sets the switches and the setting; a format that opens sets
    // the marks through the context, which writes no setting.
    for (QAction *a : {mSetPaper, mDiTuPrint, mPrintRulers}) {
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a] {
            if (!m_w.route().Run([this, a] { switchClicked(a); }))
                showSwitches();
        });
    }
    store::AppContext &ctx = w.context();
    ctx.SetSwitches(true, true, false);
    connect(&ctx, &store::AppContext::switchesChanged, this, &Menus::showSwitches);
    showSwitches();

    route.Connect(mSetCrlfChr, [this] { mSetCrlfChr_Click(); });
    route.Connect(mStrBarCodeStand,
                  [this] { page::StrCodeStand::ShowModeless(m_w.fields(), &m_w); });
    route.Connect(mPSDSet, [this] { ModiPSD::ShowModeless(&m_w); });
    route.Connect(mModeFmt, [] { OpenWebPage(QString::fromUtf16(kHowToFormatPage)); });
    route.Connect(mMoreHelp, [] { OpenHelpFile(); });
    route.Connect(mQQOnline1, [] { OpenWebPage(QString::fromUtf16(kContactPage1)); });
    route.Connect(mQQOnline2, [] { OpenWebPage(QString::fromUtf16(kContactPage2)); });
    route.Connect(mAbout, [this] { Rightform::ShowModeless(&m_w); });
}

void Menus::m_PCom_Click(int index)
{
    m_w.Com_Click(index);
}

void Menus::m_FCom_Click(int index)
{
    switch (index) {
    case 30:
        m_w.OpenFmt(QString(), false);
        break;
    case 31:
        mTool_Click(0);
        store::SaveFmt(m_cmds);
        break;
    case 32:
        mTool_Click(0);
        store::SaveFmtAs(m_cmds);
        break;
    default:
        break;
    }
}

void Menus::mOutputFormat_Click()
{
    library::ExportFmtFile(m_cmds, QString());
}

void Menus::mInputFormat_Click()
{
    library::ImportFmtFile(m_cmds, QString());
}

void Menus::DownFmt_Click()
{
    library::FmtDown::ShowModeless(m_cmds, &m_w);
}

void Menus::mTool_Click(int index)
{
    if (index == 1) {
        store::CompactMainDB();
        return;
    }
    if (index != 0)
        return;
    page::FieldRegistry *reg = m_w.fields();
    if (!reg)
        return;
    const int pageW = int(std::lround(m_w.PG()->twWidth()));
    const int pageH = int(std::lround(m_w.PG()->twHeight()));
    store::StartProgress(QStringLiteral("正在检查所有内容框..."), 5);
    for (int kind = 0; kind <= 4; ++kind) {
        for (int i = reg->FirstCtlIdx(kind); i <= reg->LastCtlIdx(kind); ++i) {
            page::PageField *f = reg->GetCtlByIdx(i);
            if (!f)
                continue;
            if (f->Kind() == page::FieldKind::Line)
                ClampLine(*reg, static_cast<page::LineField &>(*f), pageW, pageH);
            else
                ClampField(*reg, *f, pageW, pageH);
        }
        store::StepProgress(1, store::StepShows::CountAndTimes);
    }
    store::EndProgress();
}

void Menus::switchClicked(QAction *item)
{
    m_w.context().SetSwitches(mSetPaper->isChecked(), mDiTuPrint->isChecked(),
                              mPrintRulers->isChecked());
    saveSetting(QStringLiteral("Validate"), item->objectName(),
                item->isChecked() ? QStringLiteral("1") : QString());
}

void Menus::showSwitches()
{
    const store::AppContext &ctx = m_w.context();
    mSetPaper->setChecked(ctx.SetPaper());
    mDiTuPrint->setChecked(ctx.DiTuPrint());
    mPrintRulers->setChecked(ctx.PrintRulers());
}

void Menus::mSetCrlfChr_Click()
{
    const QString stored = store::GetRegStr(QStringLiteral("KVRTM"), QStringLiteral("Para"),
                                            QStringLiteral("CrlfChr"), QStringLiteral("//"));
    const QString answer =
        store::AskText(QStringLiteral("请输入表示回车的表示字符串"), stored).value_or(QString());
    if (answer.isEmpty())
        return;
    saveSetting(QStringLiteral("Para"), QStringLiteral("CrlfChr"), answer);
    m_w.context().SetCrlfChr(answer);
}

} // namespace mainwin
