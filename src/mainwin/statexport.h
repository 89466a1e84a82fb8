#pragma once
// "导出表格" of the pop-up menu form: the statistics grid saved through the grid export, with a
// save dialog of the form's own that shows the name it held last.

#include <QString>

#include <functional>

namespace mainwin {

class MainWindow;

// Installs the export on the window's pop-up menu form. chooser, when given, answers the save
// dialog in its place (tests): it gets the filter and the name held, and returns "" for cancel.
void InstallStatExport(
    MainWindow &w,
    std::function<QString(const QString &filter, const QString &current)> chooser = {});

} // namespace mainwin
