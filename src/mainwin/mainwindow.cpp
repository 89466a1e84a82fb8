#include "mainwin/mainwindow.h"

#include "mainwin/batchtab.h"
#include "mainwin/buttonicons.h"
#include "mainwin/commandroute.h"
#include "mainwin/historytab.h"
#include "mainwin/menus.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/pageediting.h"
#include "mainwin/popupmenus.h"
#include "mainwin/printing.h"
#include "mainwin/typing.h"
#include "mainwin/typingfmt.h"
#include "library/fmtdown.h"
#include "page/backpic.h"
#include "page/fieldvalue.h"
#include "page/fmtinit.h"
#include "page/pagegrid.h"
#include "page/pageview.h"
#include "page/pageviewlayout.h"
#include "page/piccontent.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "page/zoompage.h"
#include "print/batchnav.h"
#include "store/model/context.h"
#include "store/db/db.h"
#include "store/model/defaults.h"
#include "store/view/fmtcmd.h"
#include "store/model/fmtstore.h"
#include "store/view/grid.h"
#include "store/db/params.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"
#include "store/core/vb.h"
#include "values/fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace mainwin {

namespace {

// Design places of the first tab's top band, twips.
constexpr int kBandHeight = 720;
constexpr int kHsTop = 750;
constexpr int kHsHeight = 255;
constexpr int kFramLeft = 60;
constexpr int kFramWidth = 1530;
constexpr int kComLeft = 1650;
constexpr int kComSize = 540;
constexpr int kFrm0Left = 2820;
constexpr int kFrm0Width = 4920;

struct OptionBox
{
    const char16_t *caption;
    const char16_t *tip;
};

const OptionBox kOptions[5] = {
    {u"显示标尺(1厘米/大格；2毫米/小格)", u"显示标尺网格，方便您根据打印偏差移动输入框。"},
    {u"纵向打印", u"将单据纵向放入打印机打印时，请选择此项。"},
    {u"锁定格式", u"选择此项后，格式被锁定，无法进行修改。"},
    {u"卡纸器两边向中间收缩", u"对于卡纸器两边向中间同时收缩的打印机，请选择此项。"},
    {u"显示底图", u"显示单据的背景图片。"},
};

QString str(const char16_t *s)
{
    return QString::fromUtf16(s);
}

void makeRed(QWidget *w)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, QColor(0xFF, 0, 0));
    pal.setColor(QPalette::ButtonText, QColor(0xFF, 0, 0));
    w->setPalette(pal);
}

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

int pxOf(int tw, int tpp)
{
    return int(std::lround(double(tw) / tpp));
}

QRect pxRect(const QRect &tw, int tpp)
{
    return QRect(pxOf(tw.x(), tpp), pxOf(tw.y(), tpp), pxOf(tw.width(), tpp),
                 pxOf(tw.height(), tpp));
}

} // namespace

MainWindow::MainWindow(store::AppContext *ctx, QWidget *parent)
    : MainWindow(MainWindowHooks(), ctx, parent)
{
}

MainWindow::MainWindow(MainWindowHooks hooks, store::AppContext *ctx, QWidget *parent)
    : QMainWindow(parent), m_ownCtx(ctx ? nullptr : std::make_unique<store::AppContext>()),
      m_ctx(ctx ? ctx : m_ownCtx.get()),
      // A command first finishes the typing in the field being edited.
      m_route(new CommandRoute(
          [this](const QWidget *keep) { return !m_typing || m_typing->FinishEdit(keep); }, this)),
      m_tpp(page::ScreenTpp())
{
    connect(m_route, &CommandRoute::idle, this, &MainWindow::closeIfPending);
    setObjectName(QStringLiteral("MF"));
    // Loading: the Temp folder, the caption, the line-break symbol, the field counters, the
    // pop-up menus, the layout; the format used last opens once the window shows.
    store::MakeAppSubDir(QStringLiteral("Temp"));
    setWindowTitle(
        str(kMainCaption)
            .replace(QStringLiteral("[EDITION]"), QString::fromLatin1(store::kProgramVersion)));
    m_ctx->SetCrlfChr(store::GetRegStr(QStringLiteral("KVRTM"), QStringLiteral("Para"),
                                       QStringLiteral("CrlfChr"), QStringLiteral("//")));

    m_mCtlSame = menuBar()->addMenu(QStringLiteral("内容框设置(&C)"));
    m_mCtlSame->setObjectName(QStringLiteral("mCtlSame"));

    buildTabs();
    m_fields = std::make_unique<page::FieldRegistry>(*m_ctx, PG());
    m_ctx->SetFieldGrid(&m_msf[3]->Model());
    m_ctx->SetFields(m_fields.get());
    page::InstallPicCtlContent(*m_ctx);
    values::registerFontSubstitutes();
    PG()->addPaintLayer([this](QPainter &p) {
        if (m_fields)
            m_fields->PaintLines(p);
    });
    connectContext();
    m_fields->ResetCtlCount();

    // The parts, each after those it needs.
    m_dialogs = new page::PropertyDialogs(*m_fields, *this, this);
    m_menus = std::make_unique<PopupMenus>(this, *m_dialogs, std::move(hooks.statExportFile));
    m_typing = new Typing(*this);
    m_fmtCmds = new MainFormatCommands(*this, std::move(hooks.chooseFormat));
    m_printing = new Printing(*this, *m_typing, std::move(hooks.print));
    m_historyTab = new HistoryTab(*this, *m_printing);
    m_batchTab = new BatchTab(*this);
    m_pageEditing = new PageEditing(*this, *m_typing, *m_dialogs);
    m_menuBar = new Menus(*this, *m_fmtCmds);

    LayoutMainForm();
}

MainWindow::~MainWindow()
{
    if (m_ctx->Fields() == m_fields.get())
        m_ctx->SetFields(nullptr);
    if (m_ctx->FieldGrid() == &m_msf[3]->Model())
        m_ctx->SetFieldGrid(nullptr);
    m_fields.reset();
}

QWidget *MainWindow::PIC(int i) const
{
    return i >= 0 && i < 3 ? m_pic[size_t(i)] : nullptr;
}
page::PageView *MainWindow::PG() const
{
    return m_pfrm->page();
}
QCheckBox *MainWindow::O2(int i) const
{
    return i >= 0 && i < 5 ? m_o2[size_t(i)] : nullptr;
}
QToolButton *MainWindow::Zm(int i) const
{
    return i >= 0 && i < 3 ? m_zm[size_t(i)] : nullptr;
}
QToolButton *MainWindow::COM(int i) const
{
    const auto it = m_com.find(i);
    return it == m_com.end() ? nullptr : it->second;
}
NotifyingLabel *MainWindow::LFMT(int i) const
{
    return i >= 0 && i < 2 ? m_lfmt[size_t(i)] : nullptr;
}
NotifyingLabel *MainWindow::R_Num(int i) const
{
    return i >= 0 && i < 2 ? m_rnum[size_t(i)] : nullptr;
}
store::FlexGrid *MainWindow::MSF(int i) const
{
    return i >= 1 && i <= 3 ? m_msf[size_t(i)] : nullptr;
}
QGroupBox *MainWindow::FRM(int i) const
{
    return i >= 0 && i < 2 ? m_frm[size_t(i)] : nullptr;
}
int MainWindow::pageRedraws() const
{
    return PG()->drawCount();
}

QToolButton *MainWindow::makeButton(int index, QWidget *parent, const QString &tip)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QStringLiteral("COM(%1)").arg(index));
    b->setAutoRaise(false);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    m_com[index] = b;
    connect(b, &QToolButton::clicked, this, [this, index] { Com_Click(index); });
    return b;
}

void MainWindow::buildTabs()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("MFClient"));
    setCentralWidget(central);
    m_sst = new QTabWidget(central);
    m_sst->setObjectName(QStringLiteral("SST"));
    const char16_t *tabs[3] = {u" 单 据 打 印", u" 批 量 数 据", u" 历 史 记 录"};
    for (int i = 0; i < 3; ++i) {
        m_pic[size_t(i)] = new QWidget;
        m_pic[size_t(i)]->setObjectName(QStringLiteral("PIC(%1)").arg(i));
        m_sst->addTab(m_pic[size_t(i)], str(tabs[i]));
    }
    m_lbl = plainLabel(QString(), central);
    m_lbl->setObjectName(QStringLiteral("LBL"));

    // Directly in the tab control: the hidden field grid and the measuring label.
    m_msf[3] = new store::FlexGrid(m_sst);
    m_msf[3]->setObjectName(QStringLiteral("MSF(3)"));
    m_msf[3]->hide();
    m_ll4 = plainLabel(QStringLiteral("测试"), m_sst);
    m_ll4->setObjectName(QStringLiteral("LL4"));
    m_ll4->hide();

    buildPrintTab(m_pic[0]);
    buildBatchTab(m_pic[1]);
    buildHistoryTab(m_pic[2]);
    m_sst->setCurrentIndex(0);
}

void MainWindow::buildPrintTab(QWidget *pic)
{
    const int tpp = m_tpp;
    // Zoom buttons.
    m_fram = new QGroupBox(pic);
    m_fram->setObjectName(QStringLiteral("Fram"));
    m_fram->setGeometry(pxRect(QRect(kFramLeft, 30, kFramWidth, kBandHeight - 60), tpp));
    const ButtonPicture zoomPics[3] = {ButtonPicture::ZoomIn, ButtonPicture::ZoomOut,
                                       ButtonPicture::FitWidth};
    const char16_t *zoomTips[3] = {u"放大", u"缩小", u"适合宽度"};
    for (int i = 0; i < 3; ++i) {
        auto *b = new QToolButton(m_fram);
        b->setObjectName(QStringLiteral("Zm(%1)").arg(i));
        b->setIcon(ButtonIcon(zoomPics[i]));
        b->setIconSize(QSize(22, 22));
        b->setToolTip(str(zoomTips[i]));
        const int side = qMin(m_fram->height() - 8, (m_fram->width() - 10) / 3);
        b->setGeometry(4 + i * (side + 1), (m_fram->height() - side) / 2, side, side);
        connect(b, &QToolButton::clicked, this, [this, i] { Zm_Click(i); });
        m_zm[size_t(i)] = b;
    }

    // Print buttons.
    auto *print = makeButton(0, pic, QStringLiteral("打印当前显示的单据。"));
    print->setIcon(ButtonIcon(ButtonPicture::Print, 28));
    print->setIconSize(QSize(28, 28));
    print->setGeometry(pxRect(QRect(kComLeft, 60, kComSize, kComSize), tpp));
    auto *batch =
        makeButton(1, pic, QStringLiteral("按照当前单据的格式设置，批量打印所有导入的单据内容。"));
    batch->setIcon(ButtonIcon(ButtonPicture::PrintBatch, 28));
    batch->setIconSize(QSize(28, 28));
    batch->setGeometry(pxRect(QRect(kComLeft + kComSize + 30, 60, kComSize, kComSize), tpp));

    // The option boxes.
    m_frm[0] = new QGroupBox(pic);
    m_frm[0]->setObjectName(QStringLiteral("FRM(0)"));
    m_frm[0]->setGeometry(pxRect(QRect(kFrm0Left, 0, kFrm0Width, kBandHeight), tpp));
    auto *og = new QGridLayout(m_frm[0]);
    og->setContentsMargins(6, 2, 4, 2);
    og->setHorizontalSpacing(10);
    og->setVerticalSpacing(0);
    for (int i = 0; i < 5; ++i) {
        auto *c = new QCheckBox(str(kOptions[i].caption), m_frm[0]);
        c->setObjectName(QStringLiteral("O2(%1)").arg(i));
        c->setToolTip(str(kOptions[i].tip));
        m_o2[size_t(i)] = c;
    }
    makeRed(m_o2[2]);
    og->addWidget(m_o2[0], 0, 0, 1, 2);
    og->addWidget(m_o2[1], 0, 2);
    og->addWidget(m_o2[2], 1, 0);
    og->addWidget(m_o2[3], 1, 1);
    og->addWidget(m_o2[4], 1, 2);

    // Slip size, margins, format name and the batch counter.
    m_frm[1] = new QGroupBox(pic);
    m_frm[1]->setObjectName(QStringLiteral("FRM(1)"));
    auto *fl = new QHBoxLayout(m_frm[1]);
    fl->setContentsMargins(6, 1, 4, 1);
    fl->setSpacing(10);
    auto *rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    // Each of the two frames is one row: its caption, the two values and its button.
    auto sizeRow = [&](int index, const QString &title, QLabel *x, QLabel *y, int button,
                       const QString &buttonTip, ButtonPicture pic2) {
        auto *g = new QFrame(m_frm[1]);
        g->setObjectName(QStringLiteral("Frame2(%1)").arg(index));
        g->setAccessibleName(title);
        auto *gl = new QHBoxLayout(g);
        gl->setContentsMargins(0, 0, 0, 0);
        gl->setSpacing(2);
        auto *cap = plainLabel(title, g);
        cap->setObjectName(QStringLiteral("Frame2(%1).Caption").arg(index));
        cap->setMinimumWidth(cap->fontMetrics().horizontalAdvance(QStringLiteral("单据尺寸")) + 8);
        gl->addWidget(cap);
        gl->addWidget(plainLabel(QStringLiteral("横向(毫米)："), g));
        gl->addWidget(x);
        gl->addWidget(plainLabel(QStringLiteral("纵向(毫米)："), g));
        gl->addWidget(y);
        x->setParent(g);
        y->setParent(g);
        auto *b = makeButton(button, g, buttonTip);
        b->setIcon(ButtonIcon(pic2, 16));
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(22, 21);
        gl->addWidget(b);
        m_frame2[size_t(index)] = g;
        rows->addWidget(g);
    };
    m_wid = plainLabel(QStringLiteral("180"), nullptr);
    m_wid->setObjectName(QStringLiteral("Wid"));
    m_wid->setToolTip(QStringLiteral("当前单据的宽度（点击可修改）。"));
    m_hie = plainLabel(QStringLiteral("50"), nullptr);
    m_hie->setObjectName(QStringLiteral("Hie"));
    m_hie->setToolTip(QStringLiteral("当前单据的高度（点击可修改）。"));
    m_mx = plainLabel(QStringLiteral("    "), nullptr);
    m_mx->setObjectName(QStringLiteral("M_X"));
    m_mx->setToolTip(QStringLiteral("当前单据打印的横向页边距。"));
    m_my = plainLabel(QStringLiteral("    "), nullptr);
    m_my->setObjectName(QStringLiteral("M_Y"));
    m_my->setToolTip(QStringLiteral("当前单据打印时的纵向页边距。"));
    for (QLabel *l : {m_wid, m_hie, m_mx, m_my}) {
        makeRed(l);
        l->setMinimumWidth(30);
    }
    sizeRow(1, QStringLiteral("单据尺寸"), m_wid, m_hie, 2, QString(), ButtonPicture::EditSize);
    sizeRow(0, QStringLiteral("页边距"), m_mx, m_my, 36,
            QStringLiteral("重新设置横向和纵向页边距。"), ButtonPicture::EditMargins);
    fl->addLayout(rows);

    auto *names = new QGridLayout;
    names->setContentsMargins(0, 0, 0, 0);
    names->setHorizontalSpacing(2);
    names->setVerticalSpacing(0);
    m_lfmt[1] = new NotifyingLabel(QStringLiteral("格式名："), m_frm[1]);
    m_lfmt[1]->setObjectName(QStringLiteral("LFMT(1)"));
    m_lfmt[0] = new NotifyingLabel(QStringLiteral("上次退出时格式"), m_frm[1]);
    m_lfmt[0]->setObjectName(QStringLiteral("LFMT(0)"));
    m_lfmt[0]->setToolTip(QStringLiteral("当前显示的单据格式名称（双击可选择其他格式）。"));
    m_lfmt[0]->setTextFormat(Qt::PlainText);
    makeRed(m_lfmt[0]);
    names->addWidget(m_lfmt[1], 0, 0);
    names->addWidget(m_lfmt[0], 0, 1, 1, 4);
    auto *count = plainLabel(QStringLiteral("单据数："), m_frm[1]);
    count->setObjectName(QStringLiteral("Label1(0)"));
    m_rnum[1] = new NotifyingLabel(QStringLiteral("1"), m_frm[1]);
    m_rnum[1]->setObjectName(QStringLiteral("R_Num(1)"));
    m_rnum[1]->setToolTip(QStringLiteral("当前显示单据在的序号。"));
    auto *slash = plainLabel(QStringLiteral("/"), m_frm[1]);
    slash->setObjectName(QStringLiteral("L_K(1)"));
    m_rnum[0] = new NotifyingLabel(QStringLiteral("1"), m_frm[1]);
    m_rnum[0]->setObjectName(QStringLiteral("R_Num(0)"));
    m_rnum[0]->setToolTip(QStringLiteral("批量导入的单据数量。"));
    makeRed(m_rnum[0]);
    makeRed(m_rnum[1]);
    names->addWidget(count, 1, 0);
    names->addWidget(m_rnum[1], 1, 1);
    names->addWidget(slash, 1, 2);
    names->addWidget(m_rnum[0], 1, 3);
    names->setColumnStretch(4, 1);
    fl->addLayout(names, 1);
    for (int i = 0; i < 2; ++i)
        connect(m_lfmt[size_t(i)], &NotifyingLabel::doubleClicked, this,
                [this, i] { LFMT_DblClick(i); });

    // The batch records bar, the page frame and the page's bars.
    m_hs = new QScrollBar(Qt::Horizontal, pic);
    m_hs->setObjectName(QStringLiteral("HS"));
    m_pfrm = new page::PageFrame(pic);
    m_vs = new QScrollBar(Qt::Vertical, pic);
    m_vs->setObjectName(QStringLiteral("VS"));
    m_phs = new QScrollBar(Qt::Horizontal, pic);
    m_phs->setObjectName(QStringLiteral("PHS"));
    for (QScrollBar *b : {m_vs, m_phs, m_hs}) {
        b->setRange(0, 0);
        b->setEnabled(false);
    }
    m_pfrm->setScrollBars(m_vs, m_phs);
    m_vs->raise();

    // On the page: the font measuring label, the history drop-down and its timer.
    m_ptest = plainLabel(QStringLiteral("字号测试"), PG());
    m_ptest->setObjectName(QStringLiteral("PTest"));
    m_ptest->hide();
    m_comb = new QComboBox(PG());
    m_comb->setObjectName(QStringLiteral("COMB"));
    m_comb->hide();
    m_autoFind = new QTimer(this);
    m_autoFind->setObjectName(QStringLiteral("AutoFind"));
    m_autoFind->setSingleShot(true);

    // The print tab is a plain page of Qt's tab widget: its resizes are seen only as events.
    pic->installEventFilter(this);
}

void MainWindow::buildBatchTab(QWidget *pic)
{
    auto *v = new QVBoxLayout(pic);
    v->setContentsMargins(4, 4, 4, 4);
    auto *row = new QHBoxLayout;
    const struct
    {
        int index;
        const char16_t *tip;
        ButtonPicture pic;
    } buttons[] = {
        {10, u"从XLS或CSV格式表格导入要批量打印的数据。", ButtonPicture::Import},
        {11, u"删除已导入的批量打印数据。", ButtonPicture::DeleteRows},
        {12, u"清除所有已经导入的批量数据。", ButtonPicture::ClearAll},
    };
    for (const auto &b : buttons) {
        auto *btn = makeButton(b.index, pic, str(b.tip));
        btn->setIcon(ButtonIcon(b.pic, 24));
        btn->setIconSize(QSize(24, 24));
        row->addWidget(btn);
    }
    row->addStretch(1);
    v->addLayout(row);
    m_msf[1] = new store::FlexGrid(pic);
    m_msf[1]->setObjectName(QStringLiteral("MSF(1)"));
    // The batch records: field indexes (hidden) and captions above, record numbers at the left.
    m_msf[1]->SetFixedRows(2);
    m_msf[1]->SetFixedCols(1);
    m_msf[1]->SetRowHeight(0, 0);
    v->addWidget(m_msf[1], 1);
}

void MainWindow::buildHistoryTab(QWidget *pic)
{
    auto *v = new QVBoxLayout(pic);
    v->setContentsMargins(4, 4, 4, 4);
    auto *row = new QHBoxLayout;
    auto *kw = plainLabel(QStringLiteral("关键词："), pic);
    kw->setObjectName(QStringLiteral("Label3(0)"));
    row->addWidget(kw);
    m_kword = new QLineEdit(pic);
    m_kword->setObjectName(QStringLiteral("KWord"));
    m_kword->setMaximumWidth(220);
    row->addWidget(m_kword);
    auto *find = makeButton(24, pic, QStringLiteral("根据左侧输入的关键词查找相关历史记录。"));
    find->setIcon(ButtonIcon(ButtonPicture::Search, 24));
    find->setIconSize(QSize(24, 24));
    row->addWidget(find);
    auto *all = makeButton(25, pic, QString());
    all->setText(QStringLiteral("显示全部"));
    all->setToolButtonStyle(Qt::ToolButtonTextOnly);
    all->setEnabled(false);
    row->addWidget(all);
    row->addStretch(1);
    const struct
    {
        int index;
        const char16_t *tip;
        ButtonPicture pic;
    } buttons[] = {
        {20, u"再次打印选中的历史打印记录内容。", ButtonPicture::Reprint},
        {21, u"删除选中的历史打印记录。", ButtonPicture::DeleteRows},
        {22, u"清空所有历史打印记录。", ButtonPicture::ClearAll},
        {23, u"将历史打印记录导出成XLS或CSV格式表格文件。", ButtonPicture::Export},
        {26, u"", ButtonPicture::Statistics},
    };
    for (const auto &b : buttons) {
        auto *btn = makeButton(b.index, pic, str(b.tip));
        btn->setIcon(ButtonIcon(b.pic, 24));
        btn->setIconSize(QSize(24, 24));
        row->addWidget(btn);
    }
    v->addLayout(row);
    m_msf[2] = new store::FlexGrid(pic);
    m_msf[2]->setObjectName(QStringLiteral("MSF(2)"));
    v->addWidget(m_msf[2], 1);
}

void MainWindow::connectContext()
{
    store::AppContext *ctx = m_ctx;
    for (int i = 0; i < 5; ++i) {
        connect(m_o2[size_t(i)], &QCheckBox::stateChanged, this, [this, i](int state) {
            const int value = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
            auto apply = [this, i, value] {
                m_ctx->SetO2(i, value);
                O2_Click(i);
            };
            // A box set from the options (a format that opens) is no command of the user's.
            if (m_ctx->O2(i) == value) {
                apply();
                return;
            }
            if (!m_route->Run(apply)) {
                const QSignalBlocker blocker(m_o2[size_t(i)]);
                m_o2[size_t(i)]->setCheckState(m_ctx->O2(i) == 1   ? Qt::Checked
                                               : m_ctx->O2(i) == 2 ? Qt::PartiallyChecked
                                                                   : Qt::Unchecked);
            }
        });
    }
    connect(ctx, &store::AppContext::o2Changed, this, [this](int i, int value) {
        if (QCheckBox *c = O2(i))
            c->setCheckState(value == 1   ? Qt::Checked
                             : value == 2 ? Qt::PartiallyChecked
                                          : Qt::Unchecked);
    });
    for (int i = 0; i < 5; ++i)
        m_o2[size_t(i)]->setCheckState(ctx->O2(i) == 1 ? Qt::Checked : Qt::Unchecked);

    connect(ctx, &store::AppContext::formatNameChanged, this,
            [this](const QString &name) { m_lfmt[0]->setCaption(name); });
    connect(m_lfmt[0], &NotifyingLabel::captionChanged, this, [this](const QString &name) {
        m_ctx->SetFormatName(name);
        LFMT_Change(0);
    });
    auto showSize = [this] {
        m_wid->setText(m_ctx->Wid());
        m_hie->setText(m_ctx->Hie());
    };
    auto showMargins = [this] {
        m_mx->setText(m_ctx->MarginX().isEmpty() ? QStringLiteral("    ") : m_ctx->MarginX());
        m_my->setText(m_ctx->MarginY().isEmpty() ? QStringLiteral("    ") : m_ctx->MarginY());
    };
    connect(ctx, &store::AppContext::pageSizeChanged, this, showSize);
    connect(ctx, &store::AppContext::marginsChanged, this, showMargins);
    showSize();
    showMargins();
    if (!ctx->FormatName().isEmpty())
        m_lfmt[0]->setCaption(ctx->FormatName());
}

void MainWindow::O2_Click(int index)
{
    switch (index) {
    case 0:
    case 4:
        page::DrawPageGrid(*PG(), m_fields.get(), store::Val(m_ctx->Wid()), m_ctx->O2(0),
                           m_ctx->O2(4) == 1);
        break;
    case 2: {
        const bool enabled = m_ctx->O2(2) != 1;
        if (m_menus)
            m_menus->mCtlSet()->setEnabled(enabled);
        m_mCtlSame->setEnabled(enabled);
        m_mCtlSame->menuAction()->setEnabled(enabled);
        for (int b : {2, 36})
            if (QToolButton *btn = COM(b))
                btn->setEnabled(enabled);
        break;
    }
    default:
        break; // 1 and 3 are read when printing
    }
}

void MainWindow::LFMT_Change(int index)
{
    if (index != 0)
        return;
    const QString name = m_lfmt[0]->caption();
    page::ShowBackPic(name, *PG());
    store::SetPlainToolTip(m_lfmt[0], name);
}

void MainWindow::LFMT_DblClick(int)
{
    m_route->Run([this] { OpenFmt(QString(), false); });
}

void MainWindow::Zm_Click(int index)
{
    m_route->Run([this, index] { page::ZoomButton(*this, index); });
}

void MainWindow::Com_Click(int index)
{
    m_route->Run([this, index] {
        m_comb->hide();
        const auto it = m_commands.find(index);
        if (it != m_commands.end() && it->second)
            it->second();
    });
}

void MainWindow::setCommand(int index, std::function<void()> action)
{
    m_commands[index] = std::move(action);
}

void MainWindow::LayoutMainForm()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect g = s->geometry();
    const QRect work = s->availableGeometry().translated(-g.topLeft());
    const page::MainLayout l = page::computeMainLayout(g.size(), work, m_tpp);
    // The window, frame and title bar included, takes the screen less the taskbar strip; centred
    // in the work area it lands at its top-left corner.
    const QSize outer(pxOf(l.main.width(), m_tpp), pxOf(l.main.height(), m_tpp));
    const QRect wa = s->availableGeometry();
    QRect target(QPoint(0, 0), outer);
    target.moveTopLeft(g.topLeft() + QPoint(qMax(0, (g.width() - outer.width()) / 2), 0));
    if (!work.isEmpty())
        target.moveTopLeft(QPoint(wa.x() + (wa.width() - outer.width()) / 2,
                                  wa.y() + (wa.height() - outer.height()) / 2));
    page::PlaceFrame(this, target);
    m_sst->setCurrentIndex(0);
    layoutWindowContents();
}

void MainWindow::layoutWindowContents()
{
    // The window's outer size (with the window frame once it has one).
    const QSize outerPx = isVisible() ? frameGeometry().size() : size();
    const int outerW = outerPx.width() * m_tpp;
    const int outerH = outerPx.height() * m_tpp;
    const page::MainLayoutDesign d;
    const QRect sst(0, d.sstTop, outerW - 80, outerH - 1000);
    m_sst->setGeometry(pxRect(sst, m_tpp));
    m_lbl->setGeometry(pxOf(20, m_tpp), pxOf(sst.y() + sst.height() + 20, m_tpp),
                       pxOf(sst.width() - 40, m_tpp), m_lbl->sizeHint().height());
}

void MainWindow::layoutPrintTab()
{
    QWidget *pic = m_pic[0];
    page::MainLayoutDesign d;
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent) * m_tpp;
    d.vsWidth = extent;
    d.phsHeight = extent;
    const int picW = pic->width() * m_tpp;
    const int picH = pic->height() * m_tpp;
    page::MainLayout l;
    page::computeTabPageLayout(l, picW, picH, picW, d);

    const double oldFrameW = m_pfrm->twWidth();
    const bool wasFitted = oldFrameW > 0 && PG()->twWidth() == oldFrameW;
    m_pfrm->setTwipGeometry(l.pfrm.x(), l.pfrm.y(), l.pfrm.width(), l.pfrm.height());
    m_phs->setGeometry(pxRect(l.phs, m_tpp));
    m_vs->setGeometry(pxRect(l.vs, m_tpp));
    m_hs->setGeometry(pxRect(QRect(0, kHsTop, l.hs.width(), kHsHeight), m_tpp));
    m_frm[1]->setGeometry(pxRect(QRect(l.frm1.x(), 0, l.frm1.width(), kBandHeight), m_tpp));
    m_vs->raise();
    // A page that filled the frame's width keeps filling it when the frame changes.
    if (wasFitted && l.pfrm.width() != oldFrameW && m_loaded)
        page::ZoomPage(*this, page::FitWidthStep(PG()->twWidth(), l.pfrm.width()));
}

bool MainWindow::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_pic[0] && e->type() == QEvent::Resize)
        layoutPrintTab();
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    layoutWindowContents();
}

void MainWindow::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (m_loaded || m_unloaded)
        return;
    layoutWindowContents();
    m_loadScheduled = true;
    QTimer::singleShot(0, this, [this] { formLoadAfterShow(); });
}

void MainWindow::formLoadAfterShow()
{
    if (m_loaded || m_unloaded)
        return;
    layoutPrintTab();
    const QString name = store::LoadFmtState(*m_ctx);
    m_lfmt[0]->setCaption(name);
    OpenFmt(name, true);
    m_loaded = true;
    emit loadFinished();
    if (m_closePending)
        close();
}

void MainWindow::closeIfPending()
{
    if (m_closePending && (m_loaded || !m_loadScheduled))
        close();
}

void MainWindow::OpenFmt(const QString &name, bool force)
{
    QString chosen = name;
    store::OpenFmt(*m_fmtCmds, chosen, force);
}

bool MainWindow::SaveSoftSet()
{
    QString s;
    for (int i = 0; i < 5; ++i)
        s += QString::number(m_ctx->O2(i)) + QString::fromUtf16(store::kStateSeparator);
    return store::SaveRegStr(QStringLiteral("KVRTM"), QStringLiteral("Validate"),
                             QStringLiteral("DefaultSoftSet"), s);
}

void MainWindow::formUnload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // What the user leaves behind is saved; a save that fails is said, not lost unnoticed.
    QStringList failed;
    const QString name = m_ctx->FormatName();
    if (!name.isEmpty() && m_ctx->Fields() && !store::SaveDefaultRecord(*m_ctx, name))
        failed << QStringLiteral("当前单据的内容");
    if (!SaveSoftSet())
        failed << QStringLiteral("选项设置");
    if (!store::SaveFmtState(*m_ctx, QString()))
        failed << QStringLiteral("当前格式和选项");
    if (!failed.isEmpty()) {
        const QString why = store::Db::Main().LastError();
        store::ReportMessage(QStringLiteral("退出时无法保存") + failed.join(QStringLiteral("、")) +
                                 QStringLiteral("！") + (why.isEmpty() ? QString() : u'\n' + why),
                             store::MsgKind::Error);
    }
    m_menus.reset();
    emit unloaded();
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    // A close that comes while the page is still being loaded waits for the load: saving a
    // half-loaded page would overwrite the format's stored values with a part of them.
    if (m_loadScheduled && !m_loaded && !m_unloaded) {
        m_closePending = true;
        e->ignore();
        return;
    }
    // So does a close that comes while a command runs (a termination request while a print
    // waits for its pages) or the catalogue, a window of ours, waits for its server: the window,
    // and what the command holds of it, stay until the command has returned.
    library::FmtDown *catalogue = library::FmtDown::Open();
    if ((m_route->Running() || (catalogue && catalogue->Busy())) && !m_unloaded) {
        m_closePending = true;
        if (catalogue)
            connect(catalogue, &library::FmtDown::requestEnded, this, &MainWindow::closeIfPending,
                    Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
        e->ignore();
        return;
    }
    // What is being typed is kept as leaving the field keeps it; a field that refuses to be left
    // keeps the window open.
    if (!m_unloaded && !m_route->FinishEdit()) {
        e->ignore();
        return;
    }
    formUnload();
    e->accept();
    // Closing the main window ends the program, whatever other windows are still open.
    QCoreApplication::quit();
}

page::PageFrame &MainWindow::pageFrame()
{
    return *m_pfrm;
}
store::AppContext &MainWindow::context()
{
    return *m_ctx;
}
store::FlexGridModel *MainWindow::batchGrid()
{
    return m_msf[1] ? &m_msf[1]->Model() : nullptr;
}

void MainWindow::resetBatchNav(store::FlexGridModel &grid)
{
    if (m_printing)
        m_printing->batchNav().InitBatchNav(grid);
}

void MainWindow::showBatchGrid()
{
    if (m_msf[1])
        m_msf[1]->setVisible(true);
}

void MainWindow::closeFieldDialogs()
{
    if (m_dialogs)
        m_dialogs->CloseAll();
}

void MainWindow::reloadFields()
{
    if (m_fields)
        m_fields->ReloadFields(false);
}

page::FieldValues MainWindow::saveFieldValues()
{
    page::FieldValues v;
    if (!m_fields)
        return v;
    for (int kind = 0; kind <= 2; ++kind)
        for (int i = m_fields->FirstCtlIdx(kind); i <= m_fields->LastCtlIdx(kind); ++i)
            if (const page::PageField *f = m_fields->GetCtlByIdx(i))
                v[i] = page::GetCtlValue(f);
    return v;
}

void MainWindow::restoreFieldValues(const page::FieldValues &values)
{
    if (!m_fields)
        return;
    for (const auto &[index, value] : values) {
        page::PageField *f = m_fields->GetCtlByIdx(index);
        if (!f)
            continue;
        if (f->Kind() == page::FieldKind::Picture) {
            // Every content comes back, barcodes included (the original kept only pictures
            // whose file exists, and lost the barcodes).
            if (!value.isEmpty())
                page::SetPicCtlContent(static_cast<page::PictureField &>(*f), value);
        } else {
            page::SetCtlValue(f, value, m_ctx->CrlfChr(), false);
        }
    }
}

QWidget *ShowMainWindow()
{
    auto *w = new MainWindow;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    return w;
}

} // namespace mainwin
