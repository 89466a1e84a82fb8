#pragma once
// The sheet import: choosing the file (and for a workbook its sheet), the import window InputMap
// where the user types each field's column spec and the rows to read, and the import into the
// main window's batch grid.

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace page {
class FieldLayout;
class PageHost;
} // namespace page

namespace store {
class FlexGrid;
}

namespace batch {

// The selection of the import, from one press of the import button to the next: the chosen file
// (its path as chosen) and the chosen worksheet.
extern QString ImportFile;
extern QString ImportSheet;

// What the import needs of the main window: its batch grid, the record navigation and context
// (through the page host), and the fields of the open format.
struct ImportTarget
{
    page::PageHost *host = nullptr;
    // The field layout of the open format as it stands; null without one.
    std::function<const page::FieldLayout *()> layout;
    QWidget *parent = nullptr;
    // Answers the open dialog in its place (tests); gets the filter, returns "" for cancel.
    std::function<QString(const QString &filter)> openChooser;
};

// The open dialog's filter when the caller gives none.
inline const QString kImportFilter = QStringLiteral(
    "Microsoft Office Excel 工作簿(*.xls *.xlsx)|*.xls;*.xlsx|CSV (逗号分隔)(*.csv)|*.csv");

// The open dialog: the chosen path, "" when cancelled. An empty filter takes kImportFilter.
QString ShowOpenDlg(const QString &filter, const ImportTarget &target);

// Empties the selection, asks for the file and, for a workbook, for its sheet (mode 1: one).
void SelImportFile(int mode, const ImportTarget &target);

// Shows the import window and waits for it, when the selection is complete.
void ShowInputMap(const ImportTarget &target);

class InputMap : public QDialog
{
    Q_OBJECT

public:
    explicit InputMap(const ImportTarget &target);
    ~InputMap() override;

    store::FlexGrid *M0 = nullptr; // preview
    store::FlexGrid *M1 = nullptr; // column map
    QLineEdit *TT = nullptr;       // floating edit box over column 4 of M1
    QLineEdit *T[3] = {nullptr, nullptr, nullptr};
    QLabel *LBL2 = nullptr; // LBL(2), the help text
    QPushButton *Com[2] = {nullptr, nullptr};

    // The column maps of the last confirm and the cell the edit box is editing.
    QStringList ImportMapTT, ImportMapCC, ImportMapII;
    int MapEditRow = 0;
    int MapEditCol = 0;

    void Form_Load();
    void Com_Click(int index);
    // A click on the map grid at grid cell (row, col).
    void M1_Click(int row, int col);

    void LoadImportPreview();
    void InitMapGridHeader();
    void FillMapGridRows();
    void FitMapGridWidth();
    void LoadImportMap();
    // Stores the specs and the row boxes; false (after a message) when the database refused.
    bool SaveImportMap();
    void MapGridToArrays();

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void HideEditBox();
    QString FormatName() const;

    ImportTarget m_t;
    bool m_unloaded = false;
};

} // namespace batch
