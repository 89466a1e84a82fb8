#pragma once
// The worksheet chooser: lists the sheets of a workbook and lets the user mark the one (or, in the
// several-sheet mode, the ones) to import.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace store {
class FlexGrid;
}

namespace batch {

inline const QString kSheetsTitle = QStringLiteral("选择要导入数据所在的工作表");

class Sheets : public QDialog
{
    Q_OBJECT

public:
    // mode 1: exactly one sheet may be marked; larger: several.
    Sheets(const QString &workbook, int mode, QWidget *parent = nullptr);

    store::FlexGrid *SHL = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Img[2] = {nullptr, nullptr};

    // Lists the sheets (the first one marked); false, after "无法打开XLS文件！", when the
    // workbook cannot be read.
    bool LoadSheets();
    // A press on grid row row (a sheet row toggles its mark); on the header of column 1 in the
    // several-sheet mode, all or none.
    void PressRow(int row);
    void PressHeader(int col);
    // The marked names joined by "‖", in row order.
    QString MarkedSheets() const;
    // The choice once the window closed: the marked names after accept, "" otherwise.
    QString Result;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_file;
    int m_mode = 1;
};

// Shows the chooser for the workbook and waits for it; the chosen name(s) or "". While it is open
// no other window of the program takes input.
QString ChooseSheets(const QString &workbook, int mode, QWidget *parent = nullptr);

} // namespace batch
