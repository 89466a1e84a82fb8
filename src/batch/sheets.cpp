#include "batch/sheets.h"

#include "batch/sheetsource.h"

#include "store/view/grid.h"
#include "store/ui/indicator.h"
#include "store/db/reporter.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace batch {

namespace {
const QString kTick = QStringLiteral("√");
}

Sheets::Sheets(const QString &workbook, int mode, QWidget *parent)
    : QDialog(parent), m_file(workbook), m_mode(mode)
{
    setObjectName(QStringLiteral("Sheets"));
    setWindowTitle(kSheetsTitle);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto *v = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("请在要导入数据所在的表格行打“√”"), this);
    v->addWidget(Label1);
    SHL = new store::FlexGrid(this);
    SHL->setObjectName(QStringLiteral("SHL"));
    SHL->setToolTip(QStringLiteral("要导入的表格文件所含的表格张数据及其名称。"));
    SHL->SetSortable(false);
    SHL->SetCols(3);
    SHL->SetRows(1);
    SHL->SetFixedRows(1);
    SHL->SetFixedCols(0);
    const int widths[] = {500, 600, 4400};
    const char16_t *headers[] = {u"No.", u"选择", u"工作表名称"};
    for (int c = 0; c < 3; ++c) {
        SHL->SetColWidth(c, widths[c]);
        SHL->SetTextMatrix(0, c, QString::fromUtf16(headers[c]));
    }
    SHL->SetColAlignment(0, 0);
    SHL->SetColAlignment(1, 4);
    // Presses on the grid arrive at the viewports of Qt's scroll area and header, and are taken
    // there before the view selects anything.
    SHL->viewport()->installEventFilter(this);
    SHL->horizontalHeader()->viewport()->installEventFilter(this);
    v->addWidget(SHL, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Img[0] = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton),
                             QStringLiteral("确 定"), this);
    Img[0]->setObjectName(QStringLiteral("Img(0)"));
    Img[1] = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                             QStringLiteral("取 消"), this);
    Img[1]->setObjectName(QStringLiteral("Img(1)"));
    buttons->addWidget(Img[0]);
    buttons->addWidget(Img[1]);
    v->addLayout(buttons);
    connect(Img[0], &QPushButton::clicked, this, [this] {
        Result = MarkedSheets();
        accept();
    });
    connect(Img[1], &QPushButton::clicked, this, [this] {
        Result.clear();
        reject();
    });
    const int tpp = SHL->TwipsPerPixel();
    resize((500 + 600 + 4400) / tpp + 40, 300);
    // Centred on the whole screen, not its work area.
    if (QScreen *s = QGuiApplication::primaryScreen()) {
        const QRect g = s->geometry();
        move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
    }
}

bool Sheets::LoadSheets()
{
    store::StartProgress(QStringLiteral("正在读取EXCEL文件数据……"), 100);
    QStringList names;
    if (!ListSheets(m_file, names)) {
        store::EndProgress();
        store::ReportMessage(QStringLiteral("无法打开XLS文件！"), store::MsgKind::Warning);
        return false;
    }
    SHL->SetRows(1);
    store::StartProgress(QStringLiteral("正在读取EXCEL文件数据……"), qint32(names.size()));
    SHL->SetRows(1 + int(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        SHL->SetTextMatrix(i + 1, 0, QString::number(i + 1));
        SHL->SetTextMatrix(i + 1, 2, names.at(i));
        store::StepProgress(1, store::StepShows::CountAndTimes);
    }
    if (SHL->Rows() > 1)
        SHL->SetTextMatrix(1, 1, kTick);
    store::EndProgress();
    return true;
}

void Sheets::PressRow(int row)
{
    if (row < 1 || row >= SHL->Rows())
        return;
    if (SHL->TextMatrix(row, 1).isEmpty()) {
        if (m_mode <= 1)
            for (int r = 1; r < SHL->Rows(); ++r)
                SHL->SetTextMatrix(r, 1, QString());
        SHL->SetTextMatrix(row, 1, kTick);
    } else {
        SHL->SetTextMatrix(row, 1, QString());
    }
}

void Sheets::PressHeader(int col)
{
    if (m_mode <= 1 || col != 1 || SHL->Rows() < 2)
        return;
    const QString mark = SHL->TextMatrix(1, 1).trimmed().isEmpty() ? kTick : QString();
    for (int r = 1; r < SHL->Rows(); ++r)
        if (!SHL->TextMatrix(r, 2).isEmpty())
            SHL->SetTextMatrix(r, 1, mark);
}

QString Sheets::MarkedSheets() const
{
    QStringList names;
    for (int r = 1; r < SHL->Rows(); ++r)
        if (!SHL->TextMatrix(r, 1).isEmpty())
            names << SHL->TextMatrix(r, 2);
    return names.join(QChar(0x2016));
}

bool Sheets::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        if (watched == SHL->viewport()) {
            const QModelIndex i = SHL->indexAt(pos);
            if (i.isValid())
                PressRow(i.row() + SHL->FixedRows());
            return true;
        }
        if (watched == SHL->horizontalHeader()->viewport()) {
            PressHeader(SHL->horizontalHeader()->logicalIndexAt(pos));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString ChooseSheets(const QString &workbook, int mode, QWidget *parent)
{
    Sheets chooser(workbook, mode, parent);
    if (!chooser.LoadSheets())
        return QString();
    chooser.exec();
    return chooser.Result;
}

} // namespace batch
