#include "batch/inputmap.h"

#include "batch/gridexport.h"
#include "batch/sheetread.h"
#include "batch/sheets.h"
#include "batch/sheetsource.h"

#include "page/pageviewhost.h"
#include "page/pageviewlayout.h"
#include "page/record.h"
#include "store/model/context.h"
#include "store/db/db.h"
#include "store/view/grid.h"
#include "store/model/gridbind.h"
#include "store/ui/indicator.h"
#include "store/db/params.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"
#include "store/core/vb.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

#include <cmath>

namespace batch {

QString ImportFile;
QString ImportSheet;

namespace {

const QString kRoot = QStringLiteral("KVRTM");
const QString kSection = QStringLiteral("Quillbrook");
const QString kHelpText = QStringLiteral(
    "列号填写方法：        "
    "来自单列数据，直接填入列号（如：A）；来自多列数据，用逗号隔开（如：D,F）；"
    "需要插入固定字符,在将插入内容用引号引起来（如A,\"地址：\",E)；需插入换行符，可用“//”代表换行"
    "（如：D,“//”,F）；空着表示不导入。");

bool IsCsv(const QString &path)
{
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}
bool IsWorkbook(const QString &path)
{
    return path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}

QString RowBoxName(int i)
{
    return QStringLiteral("T(%1)").arg(i);
}

} // namespace

QString ShowOpenDlg(const QString &filter, const ImportTarget &target)
{
    const QString f = filter.isEmpty() ? kImportFilter : filter;
    return target.openChooser ? target.openChooser(f) : store::SelectFileDlg(f, false);
}

void SelImportFile(int mode, const ImportTarget &target)
{
    ImportFile.clear();
    ImportSheet.clear();
    const QString path = ShowOpenDlg(QString(), target);
    // The path keeps its case: file names on this system are case-sensitive.
    ImportFile = path;
    if (!path.isEmpty() && !IsCsv(path))
        ImportSheet = ChooseSheets(path, mode, target.parent);
}

void ShowInputMap(const ImportTarget &target)
{
    if (ImportFile.isEmpty() || (!IsCsv(ImportFile) && ImportSheet.isEmpty()))
        return;
    InputMap window(target);
    window.Form_Load();
    window.exec();
}

InputMap::InputMap(const ImportTarget &target) : QDialog(target.parent), m_t(target)
{
    setObjectName(QStringLiteral("InputMap"));
    setWindowTitle(QStringLiteral("导入数据映射"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const int tpp = std::max(1, page::ScreenTpp());
    auto px = [tpp](int twips) { return twips / tpp; };
    auto place = [&](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(px(left), px(top), px(width), px(height));
    };
    auto label = [&](const QString &text, const QString &name, int left, int top, int width) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        place(l, left, top, width, 255);
        return l;
    };
    setFixedSize(px(10740), px(8040));

    label(QStringLiteral("您将要导入的EXCEL表格样式："), QStringLiteral("Label1(0)"), 60, 90, 4200);
    M0 = new store::FlexGrid(this);
    M0->setObjectName(QStringLiteral("M0"));
    M0->setToolTip(QStringLiteral("要导入表格的部分内容示例。"));
    M0->SetSortable(false);
    store::MeasureWithCellMargins(*M0);
    place(M0, 60, 360, 6735, 6855);

    label(QStringLiteral("间隔"), QStringLiteral("Label2(4)"), 5580, 90, 420);
    T[2] = new QLineEdit(QStringLiteral("1"), this);
    place(T[2], 6000, 60, 480, 285);
    label(QStringLiteral("行"), QStringLiteral("Label2(5)"), 6540, 90, 255);

    label(QStringLiteral("请按内容填入相应的对应列号："), QStringLiteral("Label1(1)"), 6960, 90,
          3735);
    M1 = new store::FlexGrid(this);
    M1->setObjectName(QStringLiteral("M1"));
    M1->setToolTip(QStringLiteral("请填入各输入框对应表格所在的列号。"));
    M1->SetSortable(false);
    store::MeasureWithCellMargins(*M1);
    place(M1, 6960, 360, 3735, 6615);

    label(QStringLiteral("导入行数设置："), QStringLiteral("Label2(0)"), 6960, 7080, 1320);
    label(QStringLiteral("第"), QStringLiteral("Label2(3)"), 8280, 7080, 240);
    T[0] = new QLineEdit(QStringLiteral("2"), this);
    T[0]->setToolTip(QStringLiteral("数据导入的开始行号。"));
    place(T[0], 8520, 7035, 600, 285);
    label(QStringLiteral("行至第"), QStringLiteral("Label2(1)"), 9150, 7080, 720);
    T[1] = new QLineEdit(QStringLiteral("100"), this);
    T[1]->setToolTip(QStringLiteral("数据导入的截止行号。"));
    place(T[1], 9870, 7035, 600, 285);
    label(QStringLiteral("行"), QStringLiteral("Label2(2)"), 10500, 7080, 240);
    for (int i = 0; i < 3; ++i)
        T[i]->setObjectName(RowBoxName(i));

    LBL2 = new QLabel(this);
    LBL2->setObjectName(QStringLiteral("LBL(2)"));
    LBL2->setWordWrap(true);
    // The help names the user's own line-break symbol: shown as it stands.
    LBL2->setTextFormat(Qt::PlainText);
    LBL2->setText(kHelpText);
    // Raised to hold its three lines above the window's edge, it ends before the row settings
    // beside it.
    place(LBL2, 120, 7300, 6960 - 120 - 120, 700);

    Com[0] = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton),
                             QStringLiteral("确 定"), this);
    Com[1] = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                             QStringLiteral("取 消"), this);
    for (int i = 0; i < 2; ++i) {
        Com[i]->setObjectName(QStringLiteral("Com(%1)").arg(i));
        Com[i]->setAutoDefault(false);
        place(Com[i], i == 0 ? 7920 : 9600, 7560, 1100, 375);
        connect(Com[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    }

    TT = new QLineEdit(this);
    TT->setObjectName(QStringLiteral("TT"));
    TT->hide();
    // Qt's line edit tells of losing the focus only by its focus-out event.
    TT->installEventFilter(this);
    connect(TT, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (MapEditRow >= M1->FixedRows())
            M1->SetTextMatrix(MapEditRow, MapEditCol, text);
    });
    connect(M1, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &i) { M1_Click(i.row() + M1->FixedRows(), i.column()); });
    connect(M1->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { HideEditBox(); });
    connect(M1->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { HideEditBox(); });
}

InputMap::~InputMap() = default;

QString InputMap::FormatName() const
{
    return m_t.host ? m_t.host->context().FormatName() : QString();
}

void InputMap::Form_Load()
{
    page::CenterForm(this);
    LoadImportPreview();
    InitMapGridHeader();
    FillMapGridRows();
    LoadImportMap();
    const QString crlf = m_t.host ? m_t.host->context().CrlfChr() : QStringLiteral("//");
    LBL2->setText(QString(kHelpText).replace(QLatin1String("//"), crlf));
}

void InputMap::LoadImportPreview()
{
    M0->SetRedraw(false);
    M0->SetRows(20);
    M0->SetCols(60);
    M0->SetFixedRows(1);
    M0->SetFixedCols(1);
    M0->SetColWidth(0, 300);
    for (int r = 1; r < 20; ++r)
        M0->SetTextMatrix(r, 0, QString::number(r));
    for (int c = 1; c < 60; ++c)
        M0->SetTextMatrix(0, c, ColNumToLetter(c));
    if (IsCsv(ImportFile)) {
        LoadCsvToGrid(M0->Model(), ImportFile);
    } else if (!IsWorkbook(ImportFile)) {
        store::ReportMessage(QStringLiteral("您选择的文件格式不支持导入，请选择CSV或XLS文件！"),
                             store::MsgKind::Warning);
        ImportFile.clear();
    } else {
        store::StartProgress(QStringLiteral("正在读取EXCEL数据……"), 20);
        const int e = LoadSheetToGrid(M0->Model(), ImportFile, ImportSheet);
        if (e != 0) {
            store::EndProgress();
            if (e != kSheetCancelled)
                ReportSheetError(e);
        } else {
            for (int r = 1; r < 20; ++r)
                store::StepProgress(1, store::StepShows::CountAndTimes);
        }
    }
    store::AutoColWidth(M0->Model(), 2, false);
    // The row numbers keep their narrow column as long as they fit in it.
    M0->SetColWidth(0, std::max(300, M0->ColWidth(0)));
    M0->SetRedraw(true);
    store::EndProgress();
}

void InputMap::InitMapGridHeader()
{
    M1->hide();
    M1->SetRows(1);
    M1->SetCols(5);
    M1->SetFixedRows(1);
    M1->SetFixedCols(0);
    const char16_t *headers[] = {u"Index", u"ID", u"序号", u"输入框内容", u"对应列号"};
    for (int c = 0; c < 5; ++c) {
        M1->SetTextMatrix(0, c, QString::fromUtf16(headers[c]));
        M1->SetColAlignment(c, c == 3 ? 7 : 1);
    }
}

void InputMap::FillMapGridRows()
{
    int n = 0;
    if (const page::FieldLayout *layout = m_t.layout ? m_t.layout() : nullptr) {
        for (int kind = 0; kind <= 2; ++kind) {
            for (int k = 1; k <= layout->Count(kind); ++k) {
                const int index = kind * 1000 + k;
                const page::LayoutField *f = layout->ByIndex(index);
                const int row = M1->Rows();
                M1->SetRows(row + 1);
                M1->SetTextMatrix(row, 0, QString::number(index));
                M1->SetTextMatrix(row, 1, f && f->id ? QString::number(*f->id) : QString());
                M1->SetTextMatrix(row, 2, QString::number(++n));
                M1->SetTextMatrix(row, 3, f ? f->caption : QString());
            }
        }
    }
    store::AutoColWidth(M1->Model(), 0, false);
    FitMapGridWidth();
    M1->show();
}

void InputMap::FitMapGridWidth()
{
    // The map grid shows its columns whole, the one the column numbers are typed into included:
    // what it lacks at this desktop's fonts is taken from the preview beside it, which scrolls.
    const QHeaderView *rowHeader = M1->verticalHeader();
    const int need = M1->horizontalHeader()->length() +
                     (rowHeader->isVisible() ? rowHeader->width() : 0) +
                     M1->verticalScrollBar()->sizeHint().width() + 2 * M1->frameWidth();
    const int extra = std::min(need - M1->width(), M0->width() / 2);
    if (extra <= 0)
        return;
    M0->resize(M0->width() - extra, M0->height());
    M1->setGeometry(M1->x() - extra, M1->y(), M1->width() + extra, M1->height());
    // The texts above the two grids keep their places at the grids' edges.
    for (const char *name : {"Label1(1)", "Label2(4)", "Label2(5)"}) {
        if (auto *l = findChild<QLabel *>(QLatin1String(name)))
            l->move(l->x() - extra, l->y());
    }
    T[2]->move(T[2]->x() - extra, T[2]->y());
}

void InputMap::LoadImportMap()
{
    store::Recordset rs;
    if (store::OpenRs(rs, QStringLiteral("SELECT ID, Map FROM 映射 WHERE Fmt=? ORDER BY ID"),
                      {FormatName()})) {
        for (const QVariantList &rec : rs.Rows()) {
            const QString id = QString::number(rec.value(0).toLongLong());
            for (int r = M1->FixedRows(); r < M1->Rows(); ++r) {
                if (M1->TextMatrix(r, 1) == id) {
                    M1->SetTextMatrix(r, 4, rec.value(1).toString());
                    break;
                }
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        const QString v = store::GetRegStr(kRoot, kSection, RowBoxName(i));
        if (!v.isEmpty())
            T[i]->setText(v);
    }
}

bool InputMap::SaveImportMap()
{
    const QString fmt = FormatName();
    bool ok = false;
    {
        store::Transaction tx;
        ok = tx.Ok() && store::ExecSQL(QStringLiteral("DELETE FROM 映射 WHERE Fmt=?"), {fmt});
        for (int r = M1->FixedRows(); ok && r < M1->Rows(); ++r) {
            const QString spec = M1->TextMatrix(r, 4);
            if (spec.isEmpty())
                continue;
            ok = store::ExecSQL(QStringLiteral("INSERT INTO 映射(ID, Fmt, Map) VALUES(?, ?, ?)"),
                                {M1->TextMatrix(r, 1).toLongLong(), fmt, spec});
        }
        ok = ok && tx.Commit();
    }
    for (int i = 0; i < 3; ++i)
        ok = store::SaveRegStr(kRoot, kSection, RowBoxName(i), T[i]->text()) && ok;
    if (!ok)
        store::ReportMessage(QStringLiteral("导入列号设置保存出错！"), store::MsgKind::Error);
    return ok;
}

void InputMap::MapGridToArrays()
{
    const page::FieldLayout *layout = m_t.layout ? m_t.layout() : nullptr;
    const int counts[3] = {layout ? layout->Count(0) : 0, layout ? layout->Count(1) : 0,
                           layout ? layout->Count(2) : 0};
    QStringList *maps[3] = {&ImportMapTT, &ImportMapCC, &ImportMapII};
    for (int kind = 0; kind < 3; ++kind) {
        maps[kind]->clear();
        for (int k = 0; k < counts[kind]; ++k)
            maps[kind]->append(QString());
    }
    for (int r = M1->FixedRows(); r < M1->Rows(); ++r) {
        const int index = M1->TextMatrix(r, 0).toInt();
        const int kind = index / 1000;
        const int k = index % 1000;
        if (kind >= 0 && kind < 3 && k >= 1 && k <= maps[kind]->size())
            (*maps[kind])[k - 1] = M1->TextMatrix(r, 4).trimmed();
    }
}

void InputMap::Com_Click(int index)
{
    HideEditBox();
    if (index != 0) {
        reject();
        return;
    }
    const bool csv = IsCsv(ImportFile);
    if (!csv && (ImportFile.isEmpty() || ImportSheet.isEmpty())) {
        accept();
        return;
    }
    MapGridToArrays();
    const auto start = store::CLngChecked(store::Val(T[0]->text()));
    const auto end = store::CLngChecked(store::Val(T[1]->text()));
    qint64 s = start.value_or(0), e = end.value_or(0);
    store::OrderPair(e, s);
    if (!start || !end || e - s > 29999) {
        store::ReportMessage(QStringLiteral("一次性导入数据不得超过3万条记录，请重新设置！"),
                             store::MsgKind::Warning);
        return;
    }
    const double n = std::clamp(store::RoundEven(store::Val(T[2]->text())), -1.0, 32768.0);
    store::FlexGridModel *grid = m_t.host ? m_t.host->batchGrid() : nullptr;
    if (grid) {
        ImportMaps maps{ImportMapTT, ImportMapCC, ImportMapII};
        ImportPage page;
        const page::FieldLayout *layout = m_t.layout ? m_t.layout() : nullptr;
        page.caption = [layout](int idx) {
            const page::LayoutField *f = layout ? layout->ByIndex(idx) : nullptr;
            return f ? f->caption : QString();
        };
        page.crlfChr = m_t.host->context().CrlfChr();
        if (csv)
            ReadCsvData(*grid, ImportFile, qint32(s), qint32(e), maps, qint32(n), page);
        else if (ReadExcelData(*grid, ImportFile, ImportSheet, qint32(s), qint32(e), maps,
                               qint32(n), page) != 0) {
            // Nothing was read: the batch grid and the page stay as they were.
            accept();
            return;
        }
        m_t.host->resetBatchNav(*grid);
        m_t.host->showBatchGrid();
    }
    accept();
}

void InputMap::M1_Click(int row, int col)
{
    if (col != 4 || row < M1->FixedRows() || row >= M1->Rows()) {
        HideEditBox();
        return;
    }
    const QModelIndex i = M1->model()->index(row - M1->FixedRows(), col);
    M1->scrollTo(i);
    const QRect cell = M1->visualRect(i);
    const QPoint topLeft = M1->viewport()->mapTo(this, cell.topLeft());
    MapEditRow = -1; // the text below is the cell's own
    TT->setGeometry(topLeft.x(), topLeft.y(), cell.width() + 1, cell.height());
    TT->setText(M1->TextMatrix(row, col));
    MapEditRow = row;
    MapEditCol = col;
    TT->show();
    TT->raise();
    TT->setFocus();
    // As in any grid cell, the first key replaces the spec shown (the mouse may still place
    // the cursor for an edit).
    TT->selectAll();
}

void InputMap::HideEditBox()
{
    if (TT)
        TT->hide();
}

bool InputMap::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TT && event->type() == QEvent::FocusOut)
        HideEditBox();
    return QDialog::eventFilter(watched, event);
}

void InputMap::done(int result)
{
    if (!m_unloaded) {
        m_unloaded = true;
        HideEditBox();
        SaveImportMap();
    }
    QDialog::done(result);
}

} // namespace batch
