#include "mainwin/statexport.h"

#include "batch/gridexport.h"
#include "mainwin/mainwindow.h"
#include "mainwin/popupmenus.h"
#include "store/grid.h"

#include <memory>

namespace mainwin {

void InstallStatExport(MainWindow &w,
                       std::function<QString(const QString &, const QString &)> chooser)
{
    PopupMenus *menus = w.menuForm();
    if (!menus)
        return;
    auto dialog = std::make_shared<batch::SaveDialog>();
    dialog->chooser = std::move(chooser);
    menus->setGridExporter([dialog](store::FlexGridModel *grid, const QString &sheetName) {
        if (grid)
            batch::ExportGrid(*grid, *dialog, sheetName);
    });
}

} // namespace mainwin
