#include "library/fmtlist.h"

#include "library/fmtdown.h"
#include "library/fmtfile.h"
#include "library/preview.h"
#include "page/pageviewlayout.h"
#include "store/model/context.h"
#include "store/db/db.h"
#include "store/view/fmtcmd.h"
#include "store/ui/formpos.h"
#include "store/view/grid.h"
#include "store/model/gridbind.h"
#include "store/db/params.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace library {

namespace {

const QString kPosKey = QStringLiteral("格式模板列表");
const QString kHistoryKey = QStringLiteral("格式查找");
constexpr int kNameCol = 3;
constexpr quint32 kRed = 255;

} // namespace

void LoadComboHistory(QComboBox &combo, const QString &key)
{
    combo.clear();
    const QStringList items = store::GetPara(key).split(QStringLiteral("||"));
    for (const QString &item : items)
        if (!item.isEmpty())
            combo.addItem(item);
    combo.setEditText(combo.count() > 0 ? combo.itemText(0) : QString());
}

bool SaveComboHistory(const QComboBox &combo, const QString &key)
{
    const QString text = combo.currentText();
    QString v = text;
    for (int i = 0; i < combo.count(); ++i)
        if (combo.itemText(i) != text)
            v += QStringLiteral("||") + combo.itemText(i);
    if (v.startsWith(QStringLiteral("||")))
        v.remove(0, 2);
    return store::SetPara(key, v);
}

FmtList::FmtList(store::FormatCommandHost &host, QWidget *parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("FmtList"));
    setWindowTitle(QString::fromUtf16(store::kFmtListCaption));
    setWindowModality(Qt::ApplicationModal);
    MSF = new store::FlexGrid(this);
    MSF->setObjectName(QStringLiteral("MSF"));
    MSF->SetTag(QStringLiteral("Fmt"));
    store::InitGridCols(MSF->Model(), {"ID", "", "", "Fmt", "W", "H"},
                        {"ID", "序号", "选择", "格式名称", "宽(毫米)", "高(毫米)"});
    MSF->SetColAlignment(2, 4); // the tick centred
    store::MeasureWithCellMargins(*MSF);
    Preview = new PicturePreview(this);
    Skey = new QComboBox(this);
    Skey->setObjectName(QStringLiteral("Skey"));
    Skey->setEditable(true);
    Skey->setInsertPolicy(QComboBox::NoInsert);
    Skey->setToolTip(QStringLiteral("按ESC可以清除搜索关键词列表"));
    Skey->setMinimumWidth(160);
    // Enter and Esc are taken before Qt's combo box and its line edit act on them.
    Skey->installEventFilter(this);
    Skey->lineEdit()->installEventFilter(this);
    const char16_t *captions[7] = {u"选 择", u"退 出", u"下载更多…", u"导 入",
                                   u"删 除", u"导 出", u"搜索"};
    for (int i = 0; i < 7; ++i) {
        Com[size_t(i)] = new QPushButton(QString::fromUtf16(captions[i]), this);
        Com[size_t(i)]->setObjectName(QStringLiteral("Com(%1)").arg(i));
        Com[size_t(i)]->setAutoDefault(false);
        connect(Com[size_t(i)], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    }

    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("格式模板列表："), this));
    left->addWidget(MSF, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("格式模板预览："), this));
    right->addWidget(Preview, 1);
    auto *lists = new QHBoxLayout;
    lists->addLayout(left, 1);
    lists->addLayout(right, 1);
    auto *buttons = new QHBoxLayout;
    for (int i : {0, 1, 2, 3, 4, 5})
        buttons->addWidget(Com[size_t(i)]);
    buttons->addStretch();
    buttons->addWidget(Skey);
    buttons->addWidget(Com[6]);
    auto *v = new QVBoxLayout(this);
    v->addLayout(lists, 1);
    v->addLayout(buttons);
    resize(820, 520);

    connect(MSF, &store::FlexGrid::cellDoubleClicked, this, [this] { Com_Click(0); });
    connect(MSF->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { MSF_RowColChange(); });

    // Opening: the list, the current format marked, the keyword history.
    store::LoadFormPos(this, kPosKey);
    LoadFmtList(true);
    LoadComboHistory(*Skey, kHistoryKey);
}

void FmtList::LoadFmtList(bool markCurrent)
{
    MSF->setEnabled(false);
    store::LoadTableToGrid(
        MSF->Model(), QStringLiteral("LBL=? AND (Fmt LIKE '%支票%' OR Fmt LIKE '%进账单%')"),
        {QString::fromUtf8(store::kFmtParaMarker)},
        QStringLiteral("Fmt COLLATE %1").arg(QLatin1String(store::kOrderCollate)));
    store::AutoColWidth(MSF->Model(), 0, false);
    if (markCurrent) {
        const int row = currentRowOfFormat();
        if (row >= 0) {
            MSF->SetRow(row);
            MSF->SetCol(2);
            MSF->SetRowSel(row);
            MSF->SetColSel(MSF->Cols() - 1);
            MarkCurFmtRow(kRed);
        } else if (MSF->Rows() > MSF->FixedRows()) {
            MSF->SetRow(MSF->FixedRows());
        }
    }
    MSF->setEnabled(true);
    // The tick of the selected row counts for the widths too.
    MSF_RowColChange();
    store::AutoColWidth(MSF->Model(), 0, false);
}

int FmtList::currentRowOfFormat() const
{
    const QString current = m_host.context().FormatName();
    for (int r = MSF->FixedRows(); r < MSF->Rows(); ++r)
        if (MSF->TextMatrix(r, kNameCol) == current)
            return r;
    return -1;
}

void FmtList::MarkCurFmtRow(quint32 color)
{
    const int row = currentRowOfFormat();
    if (row >= 0)
        store::SetRowForeColor(MSF->Model(), row, color);
}

void FmtList::MSF_RowColChange()
{
    if (!MSF->isEnabled())
        return;
    const int row = MSF->Row();
    for (int r = MSF->FixedRows(); r < MSF->Rows(); ++r)
        MSF->SetTextMatrix(r, 2, r == row ? QStringLiteral("√") : QString());
    const QString name =
        row >= MSF->FixedRows() && row < MSF->Rows() ? MSF->TextMatrix(row, kNameCol) : QString();
    Preview->LoadFmtPicToFrame(name);
}

void FmtList::FindInFmtList()
{
    const QString keyword = Skey->currentText();
    if (keyword.isEmpty()) {
        store::ReportMessage(QStringLiteral("请先输入关键词！"), store::MsgKind::Warning);
        return;
    }
    const int row = FindNextRow(MSF->Model(), keyword, {kNameCol});
    if (row < 0)
        return;
    MSF->SetTopRow(row);
    MSF->SetRow(row);
    MSF->SetCol(MSF->FixedCols());
    MSF->SetRowSel(row);
    MSF->SetColSel(MSF->Cols() - 1);
    MSF_RowColChange();
}

void FmtList::Com_Click(int index)
{
    SelResult.clear();
    const int row = MSF->Row();
    const QString rowName =
        row >= MSF->FixedRows() && row < MSF->Rows() ? MSF->TextMatrix(row, kNameCol) : QString();
    switch (index) {
    case 0:
        SelResult = rowName;
        accept();
        break;
    case 1:
        SelResult = m_host.context().FormatName();
        accept();
        break;
    case 2:
        m_download = true;
        reject();
        break;
    case 3:
        if (ImportFmtFile(m_host))
            LoadFmtList(true);
        break;
    case 4:
        DeleteSelected();
        break;
    case 5:
        if (!rowName.isEmpty())
            ExportFmtFile(m_host, rowName);
        break;
    case 6:
        FindInFmtList();
        break;
    default:
        break;
    }
}

void FmtList::DeleteSelected()
{
    const int r = MSF->Row();
    MSF->setEnabled(false);
    int hi = MSF->RowSel(), lo = MSF->Row();
    store::OrderPair(hi, lo);
    MarkCurFmtRow(0);
    int deleted = 0;
    for (int i = hi; i >= lo; --i) {
        if (i < MSF->FixedRows() || i >= MSF->Rows())
            continue;
        if (store::DeleteFmt(m_host, MSF->TextMatrix(i, kNameCol))) {
            int first = i, last = i;
            store::DeleteGridRows(MSF->Model(), first, last, false);
            ++deleted;
        }
    }
    const int row = r >= MSF->Rows() ? MSF->Rows() - 1 : r;
    if (row >= MSF->FixedRows())
        MSF->SetRow(row);
    MarkCurFmtRow(kRed);
    MSF->setEnabled(true);
    MSF_RowColChange();
    // Told only when a format went: after a refusal or a No, "done" would say what did not happen.
    if (deleted > 0)
        store::ReportMessage(QStringLiteral("删除完成！"));
}

void FmtList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Fitted again now that the grid has its size (a column takes at most half of it).
    store::AutoColWidth(MSF->Model(), 0, false);
}

bool FmtList::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Skey || watched == Skey->lineEdit()) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            FindInFmtList();
            return true;
        }
        if (key == Qt::Key_Escape) {
            if (store::AskQuestion(QStringLiteral("您要清除搜索关键词列表？"))) {
                Skey->clear();
                Skey->setEditText(QString());
                store::SetPara(kHistoryKey, QString());
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<QString> ChooseFmtFromList(store::FormatCommandHost &host, QWidget *parent)
{
    bool download = false;
    QString choice;
    {
        FmtList list(host, parent);
        page::CenterForm(&list);
        list.exec();
        store::SaveFormPos(&list, kPosKey);
        SaveComboHistory(*list.Skey, kHistoryKey);
        download = list.downloadRequested();
        choice = list.SelResult;
    }
    if (download)
        FmtDown::ShowModeless(host, parent);
    return store::ChosenName(choice);
}

} // namespace library
