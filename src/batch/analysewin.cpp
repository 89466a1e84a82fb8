#include "batch/analysewin.h"

#include "batch/chart.h"

#include "page/pageviewhost.h"
#include "page/pageviewlayout.h"
#include "store/model/context.h"
#include "store/view/grid.h"
#include "store/model/gridbind.h"
#include "store/db/params.h"
#include "store/ui/uihelpers.h"
#include "store/core/vb.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>

namespace batch {

namespace {

const QString kRoot = QStringLiteral("KVRTM");
const QString kPlace = QStringLiteral("位置");
const QString kSplitKey = QStringLiteral("统计_分界线");
constexpr int kDefaultSplit = 3960;

QPointer<AnalyseWindow> g_window;

} // namespace

AnalyseWindow::AnalyseWindow(const StatTarget &target)
    : QWidget(target.parent, Qt::Window), m_t(target)
{
    setObjectName(QStringLiteral("Analyse"));
    setWindowTitle(QStringLiteral("数据统计分析"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_tpp = std::max(1, page::ScreenTpp());
    auto px = [this](int twips) { return twips / m_tpp; };
    // The controls above the table and the chart: the frames of the design side by side, each
    // laid out on its two lines, so that at the desktop's fonts nothing overlaps or is cut.
    m_top = new QWidget(this);
    auto *frames = new QHBoxLayout(m_top);
    frames->setContentsMargins(0, px(120) / 2, 0, 0);
    frames->setSpacing(px(120) / 2);
    auto frame = [&](const QString &title) {
        auto *g = new QGroupBox(title, m_top);
        frames->addWidget(g);
        auto *grid = new QGridLayout(g);
        grid->setContentsMargins(px(120) / 2, 2, px(120) / 2, 4);
        grid->setVerticalSpacing(4);
        grid->setHorizontalSpacing(6);
        return grid;
    };
    auto label = [&](QGridLayout *grid, const QString &text, int row, int col) {
        grid->addWidget(new QLabel(text, grid->parentWidget()), row, col);
    };
    auto option = [&](int i, QGridLayout *grid, const QString &text, int row, int col) {
        Op[i] = new QRadioButton(text, grid->parentWidget());
        Op[i]->setObjectName(QStringLiteral("Op(%1)").arg(i));
        grid->addWidget(Op[i], row, col);
        connect(Op[i], &QRadioButton::toggled, this, [this] { Op_Click(); });
    };
    auto combo = [&](int i, QGridLayout *grid, int row, int col, int span, int designWidth) {
        Com[i] = new QComboBox(grid->parentWidget());
        Com[i]->setObjectName(QStringLiteral("Com(%1)").arg(i));
        grid->addWidget(Com[i], row, col, 1, span);
        // The lists open as wide as their longest entry. Closed, the field lists ask for their
        // names whole, and the value list (any length) for the width of the design; on a screen
        // too narrow for that they give way down to the design's width (the wider ones to half
        // of it), so that the window still fits.
        store::FitComboToEntries(Com[i], false);
        if (i != 2)
            Com[i]->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        else
            Com[i]->setMinimumContentsLength(std::max(1, px(designWidth) / 12));
        Com[i]->setMinimumWidth(std::min(px(designWidth), std::max(px(855), px(designWidth) / 2)));
        // The year, month and day lists hold a field's name whole (greyed or not), up to twice
        // their design width.
        if (i >= 4)
            connect(Com[i]->model(), &QAbstractItemModel::rowsInserted, Com[i],
                    [box = Com[i], most = px(2 * designWidth)] {
                        box->setMinimumWidth(std::min(store::ClosedComboWidth(box), most));
                    });
        // The lists are chosen with the mouse only: Qt's combo box is watched so that no key
        // (Tab neither) reaches it.
        Com[i]->installEventFilter(this);
        connect(Com[i], &QComboBox::activated, this, [this, i] { Com_Click(i); });
    };

    QGridLayout *f1 = frame(QStringLiteral("日期范围"));
    label(f1, QStringLiteral("从"), 0, 0);
    label(f1, QStringLiteral("至"), 1, 0);
    for (int i = 0; i < 2; ++i) {
        DTP[i] = new QDateEdit(f1->parentWidget());
        DTP[i]->setObjectName(QStringLiteral("DTP(%1)").arg(i));
        DTP[i]->setCalendarPopup(true);
        DTP[i]->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        f1->addWidget(DTP[i], i, 1);
    }
    QGridLayout *f3 = frame(QStringLiteral("日期内容框"));
    option(4, f3, QStringLiteral("完整日期"), 0, 0);
    combo(3, f3, 0, 1, 6, 3375);
    option(5, f3, QStringLiteral("组合日期"), 1, 0);
    label(f3, QStringLiteral("年"), 1, 1);
    combo(4, f3, 1, 2, 1, 855);
    label(f3, QStringLiteral("月"), 1, 3);
    combo(5, f3, 1, 4, 1, 855);
    label(f3, QStringLiteral("日"), 1, 5);
    combo(6, f3, 1, 6, 1, 855);
    Op[4]->setChecked(true);
    QGridLayout *f2 = frame(QStringLiteral("统计内容"));
    option(0, f2, QStringLiteral("单据数量"), 0, 0);
    option(1, f2, QStringLiteral("开具金额"), 1, 0);
    Op[1]->setChecked(true);
    QGridLayout *f4 = frame(QStringLiteral("统计对象"));
    option(2, f4, QStringLiteral("综合统计"), 0, 0);
    label(f4, QStringLiteral("金额框："), 0, 1);
    // Its design width less what its label ("金额框：") takes of the line here.
    combo(0, f4, 0, 2, 3, 3615);
    option(3, f4, QStringLiteral("条件统计"), 1, 0);
    combo(1, f4, 1, 1, 2, 2415);
    label(f4, QStringLiteral("等于"), 1, 3);
    combo(2, f4, 1, 4, 1, 2415);
    Op[2]->setChecked(true);
    f4->setColumnStretch(4, 1);
    frames->setStretchFactor(f4->parentWidget(), 1);

    Comm = new QToolButton(m_top);
    Comm->setObjectName(QStringLiteral("Comm"));
    Comm->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    Comm->setIconSize(QSize(32, 32));
    Comm->setToolTip(QStringLiteral("统计"));
    Comm->setFixedSize(px(1215), px(855));
    frames->addWidget(Comm, 0, Qt::AlignVCenter);
    connect(Comm, &QToolButton::clicked, this, &AnalyseWindow::Comm_Click);

    SplitLine = new QSplitter(Qt::Horizontal, this);
    SplitLine->setObjectName(QStringLiteral("SplitLine"));
    SplitLine->setHandleWidth(std::max(3, px(45)));
    SplitLine->setChildrenCollapsible(false);
    MSF = new store::FlexGrid(SplitLine);
    MSF->setObjectName(QStringLiteral("MSF"));
    store::MeasureWithCellMargins(*MSF);
    Pic = new ChartPicture(SplitLine);
    SplitLine->addWidget(MSF);
    SplitLine->addWidget(Pic);
    // Presses on the grid arrive at the viewports of Qt's scroll area and header: watched there.
    MSF->viewport()->installEventFilter(this);
    MSF->horizontalHeader()->viewport()->installEventFilter(this);
    connect(Pic, &ChartPicture::rightPressed, this, [this](QPoint global) {
        if (m_t.setCurPic)
            m_t.setCurPic(Pic);
        if (m_t.mPic)
            m_t.mPic->popup(global + QPoint(0, 20 / m_tpp + 1));
    });
    // Qt's splitter handle tells of the end of a drag only by its release event.
    SplitLine->handle(1)->installEventFilter(this);
    connect(SplitLine, &QSplitter::splitterMoved, this, [this] { m_splitLeft = SplitLeft(); });
    resize(px(15840), px(9825));
    FitToControls();
}

void AnalyseWindow::FitToControls()
{
    // As wide as the controls above the grid ask (and the right margin), at least the design's
    // half, never wider than the screen's work area (less room for the window's frame).
    const int margin = 120 / m_tpp;
    const QRect area = screen() ? screen()->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
    const int room = area.width() - 16;
    const int least =
        std::min(std::max(15840 / m_tpp / 2, m_top->minimumSizeHint().width() + margin), room);
    setMinimumSize(least, 9825 / m_tpp / 2);
    const int want = std::clamp(std::max(width(), m_top->sizeHint().width() + margin), least, room);
    if (want != width())
        resize(want, std::min(height(), area.height() - 40));
}

AnalyseWindow::~AnalyseWindow() = default;

QString AnalyseWindow::FormatName() const
{
    return m_t.host ? m_t.host->context().FormatName() : QString();
}

void AnalyseWindow::Form_Load()
{
    const QString fmt = FormatName();
    const int kinds[7] = {1, 0, -1, 2, 3, 4, 5};
    for (int i = 0; i < 7; ++i) {
        if (kinds[i] < 0)
            continue;
        QString pre;
        const QStringList entries = CashNameEntries(fmt, kinds[i], &pre);
        QSignalBlocker block(Com[i]);
        Com[i]->clear();
        Com[i]->addItems(entries);
        Com[i]->setCurrentIndex(pre.isEmpty() ? -1 : int(entries.indexOf(pre)));
    }
    Com[2]->clear();
    if (!Com[3]->currentText().isEmpty())
        Op[4]->setChecked(true);
    else
        Op[5]->setChecked(true);
    const QDate today = QDate::currentDate();
    DTP[0]->setDate(QDate(today.year(), 1, 1));
    DTP[1]->setDate(today);
    Op_Click();
    const QString stored = store::GetRegStr(kRoot, kPlace, kSplitKey);
    m_splitLeft = stored.isEmpty() ? kDefaultSplit : int(store::Val(stored));
    FitToControls();
    PlaceSplitLine();
}

void AnalyseWindow::PlaceSplitLine()
{
    const int total = SplitLine->width() - SplitLine->handleWidth();
    const int gridPx = std::clamp(m_splitLeft / m_tpp, 0, std::max(0, total - 1));
    SplitLine->setSizes({gridPx, std::max(1, total - gridPx)});
}

void AnalyseWindow::Op_Click()
{
    // Not while the window is being built.
    if (!Comm)
        return;
    Com[3]->setEnabled(Op[4]->isChecked());
    for (int i = 4; i <= 6; ++i)
        Com[i]->setEnabled(Op[5]->isChecked());
    Com[1]->setEnabled(Op[3]->isChecked());
    Com[2]->setEnabled(Op[3]->isChecked());
}

void AnalyseWindow::Com_Click(int index)
{
    if (index != 1)
        return;
    const QStringList values = ValueEntries(FormatName(), Com[1]->currentText());
    QSignalBlocker block(Com[2]);
    Com[2]->clear();
    Com[2]->addItems(values);
    Com[2]->setCurrentIndex(values.isEmpty() ? -1 : 0);
}

StatChoice AnalyseWindow::Choice() const
{
    StatChoice c;
    c.from = DTP[0]->date();
    c.to = DTP[1]->date();
    c.fullDate = Op[4]->isChecked();
    c.dateField = Com[3]->currentText();
    c.yearField = Com[4]->currentText();
    c.monthField = Com[5]->currentText();
    c.dayField = Com[6]->currentText();
    c.count = Op[0]->isChecked();
    c.condition = Op[3]->isChecked();
    c.amountField = Com[0]->currentText();
    c.condField = Com[1]->currentText();
    c.condValue = Com[2]->currentText();
    return c;
}

void AnalyseWindow::Comm_Click()
{
    if (!Analyse(FormatName(), MSF->Model(), Choice(), ids))
        return;
    Pic->Cls();
    if (MSF->Rows() > MSF->FixedRows()) {
        ImageCanvas canvas = Pic->Canvas();
        DrawGridChart(canvas, MSF->Model(), -1, -1, true);
    }
    Pic->update();
}

int AnalyseWindow::SplitLeft() const
{
    return SplitLine->sizes().value(0) * m_tpp;
}

void AnalyseWindow::SaveSplitLine()
{
    m_splitLeft = SplitLeft();
    store::SaveRegStr(kRoot, kPlace, kSplitKey, QString::number(SplitLeft()));
}

bool AnalyseWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (qobject_cast<QComboBox *>(watched) &&
        (type == QEvent::KeyPress || type == QEvent::KeyRelease ||
         type == QEvent::ShortcutOverride))
        return true;
    if (type == QEvent::MouseButtonPress) {
        auto *me = static_cast<QMouseEvent *>(event);
        const QPoint global = me->globalPosition().toPoint() + QPoint(0, 20 / m_tpp + 1);
        if ((watched == MSF->viewport() || watched == MSF->horizontalHeader()->viewport()) &&
            me->button() != Qt::LeftButton) {
            if (m_t.setCurGrid)
                m_t.setCurGrid(&MSF->Model());
            if (m_t.mMSF)
                m_t.mMSF->popup(global);
            return true;
        }
    }
    if (type == QEvent::MouseButtonRelease && watched == SplitLine->handle(1))
        SaveSplitLine();
    return QWidget::eventFilter(watched, event);
}

void AnalyseWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_top->setGeometry(0, 0, width() - 120 / m_tpp, m_top->sizeHint().height());
    const int top = std::max(1080 / m_tpp, m_top->geometry().bottom() + 1 + 60 / m_tpp);
    SplitLine->setGeometry(0, top, width() - 120 / m_tpp,
                           std::max(1, height() - top - 500 / m_tpp));
    // The grid keeps its width; the chart takes the rest.
    PlaceSplitLine();
}

AnalyseWindow *ShowAnalyse(const StatTarget &target)
{
    if (!g_window) {
        g_window = new AnalyseWindow(target);
        g_window->Form_Load();
        page::CenterForm(g_window);
    }
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
    return g_window;
}

} // namespace batch
