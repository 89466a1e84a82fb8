#pragma once
// The format commands on the main window: opening, saving under another name and deleting
// formats run through the store's commands with the window as their host.

#include "store/fmtcmd.h"

#include <QObject>

#include <functional>

namespace mainwin {

class MainWindow;

class MainFormatCommands : public QObject, public store::FormatCommandHost
{
    Q_OBJECT
public:
    explicit MainFormatCommands(MainWindow &w);

    // The name chooser "请选择格式名称" (its choice, "" when cancelled); without one, commands
    // that must ask for a name do nothing.
    using NameChooser = std::function<QString(bool allowEdit)>;
    void setNameChooser(NameChooser chooser) { m_nameChooser = std::move(chooser); }

    store::AppContext &context() override;
    QString chooseFormat() override;
    QString selectFormatName(bool allowEdit) override;
    void initFmtOnPage(const QString &name) override;
    void autoFillDates() override;
    void O2_Click(int index) override;
    QString backPicFile(const QString &name) override;
    store::FlexGridModel *historyGrid() override;

private:
    MainWindow &m_w;
    NameChooser m_nameChooser;
};

// Makes the format commands the window's way of opening formats (once).
MainFormatCommands *installFormatCommands(MainWindow &w);
MainFormatCommands *formatCommandsOf(const MainWindow &w);

} // namespace mainwin
