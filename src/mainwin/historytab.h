#pragma once
// The history tab of the main window: the prints of the open format, newest first, loaded when
// the tab is shown; find, show all, reprint, delete, export and the statistics window.

#include "batch/gridexport.h"

#include <QObject>

namespace mainwin {

class MainWindow;
class Printing;

class HistoryTab : public QObject
{
    Q_OBJECT
public:
    // printing reprints the chosen prints.
    HistoryTab(MainWindow &w, Printing &printing);

    // The window's save dialog for the export; tests answer it through its chooser.
    batch::SaveDialog &CSave() { return m_csave; }

    // The tab change, by the user or by code: the history tab loads the newest prints.
    void SST_Click();
    // Loads the newest prints of the open format (0: all) unless the grid already shows them;
    // "显示全部" is enabled when the format has more.
    void ShowHistory(int limit);

    // 20: the selected prints back onto the page (several: printed one after another).
    void Reprint();
    // 23: the grid saved as a CSV file or a workbook.
    void Export();
    // 24: the next row holding the keyword.
    void Find();
    // 26: the statistics window (one; a second press brings it forward).
    void ShowStatistics();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MainWindow &m_w;
    Printing &m_printing;
    batch::SaveDialog m_csave;
};

} // namespace mainwin
