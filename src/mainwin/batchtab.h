#pragma once
// The batch tab of the main window: the imported sheet records in the batch grid, the import
// button and the two buttons that delete some or all of the records; and the double click on
// the field grid.

#include "batch/inputmap.h"

#include <QObject>

namespace mainwin {

class MainWindow;

class BatchTab : public QObject
{
    Q_OBJECT
public:
    explicit BatchTab(MainWindow &w);

    // What the import works on; tests answer its open dialog through openChooser.
    batch::ImportTarget &importTarget() { return m_import; }

    // 10: the sheet chosen and its records imported through the column map.
    void ImportRecords();
    // 11: the records from the current row to the end of the selection deleted, after asking.
    void DeleteRecords();
    // 12: every record deleted, after asking.
    void ClearRecords();

private:
    MainWindow &m_w;
    batch::ImportTarget m_import;
};

// A double click on a grid: on a data row of the field grid (3) the property dialog of the
// field of that row, also while the format is locked; the other grids do nothing.
void MSF_DblClick(MainWindow &w, int index);

} // namespace mainwin
