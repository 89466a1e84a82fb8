#pragma once
// The history tab of the main window: the prints of the open format, newest first, loaded when
// the tab is shown; find, show all, reprint and delete.

namespace mainwin {

class MainWindow;

// Connects the history tab's buttons and its showing (once per window).
void InstallHistoryTab(MainWindow &w);

// SST_Click for the history tab: loads the newest prints of the open format unless the grid
// already shows them; "显示全部" is enabled when the format has more.
void ShowHistoryTab(MainWindow &w, int limit);

} // namespace mainwin
