#include "mainwin/batchtab.h"

#include "mainwin/mainwindow.h"
#include "mainwin/popupmenus.h"
#include "page/registry.h"
#include "store/view/grid.h"
#include "store/model/gridbind.h"

#include <QHeaderView>

namespace mainwin {

namespace {

const QString kObjectName = QStringLiteral("BatchTab");

} // namespace

BatchTab::BatchTab(MainWindow &w) : QObject(&w), m_w(w)
{
    setObjectName(kObjectName);
    m_import.host = &w;
    m_import.layout = [&w]() -> const page::FieldLayout * {
        return w.fields() ? &w.fields()->Layout() : nullptr;
    };
    m_import.parent = &w;

    if (store::FlexGrid *grid = w.MSF(1)) {
        // The records keep the order of the sheet and the widths of the import: a press on the
        // header neither sorts nor fits the columns.
        grid->SetSortable(false);
        grid->horizontalHeader()->setSectionsClickable(false);
    }
    w.setCommand(10, [this] { ImportRecords(); });
    w.setCommand(11, [this] { DeleteRecords(); });
    w.setCommand(12, [this] { ClearRecords(); });
    if (store::FlexGrid *fieldGrid = w.MSF(3))
        connect(fieldGrid, &store::FlexGrid::cellDoubleClicked, this, [&w] { MSF_DblClick(w, 3); });
}

void BatchTab::ImportRecords()
{
    batch::SelImportFile(1, m_import);
    batch::ShowInputMap(m_import);
}

void BatchTab::DeleteRecords()
{
    store::FlexGrid *grid = m_w.MSF(1);
    if (!grid)
        return;
    int first = grid->Row(), last = grid->RowSel();
    if (store::DeleteGridRows(grid->Model(), first, last, true))
        m_w.resetBatchNav(grid->Model());
}

void BatchTab::ClearRecords()
{
    store::FlexGrid *grid = m_w.MSF(1);
    if (!grid)
        return;
    store::ClearGrid(grid->Model(), true,
                     [this](store::FlexGridModel &g) { m_w.resetBatchNav(g); });
}

void MSF_DblClick(MainWindow &w, int index)
{
    store::FlexGrid *grid = w.MSF(index);
    PopupMenus *menus = w.menuForm();
    if (index != 3 || !grid || !menus || !w.fields())
        return;
    const int row = grid->Row();
    if (row < grid->FixedRows() || row >= grid->Rows())
        return;
    menus->CurCtl = w.fields()->GetCtlByRow(row);
    menus->mCtlset_Click();
}

} // namespace mainwin
