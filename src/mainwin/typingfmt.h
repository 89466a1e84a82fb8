#pragma once
// The format commands on the main window: opening, saving under another name and deleting
// formats run through the store's commands with the window as their host. The format manager
// chooses the format to open ("选择格式", "管理格式", the double click on the format name, a
// stored name that is gone); the name chooser "请选择格式名称" names one to save or delete.

#include "store/view/fmtcmd.h"

#include <QObject>

#include <functional>
#include <optional>

namespace mainwin {

class MainWindow;

class MainFormatCommands : public QObject, public store::FormatCommandHost
{
    Q_OBJECT
public:
    // chooseFormat, when given, answers in place of the format manager (tests).
    MainFormatCommands(MainWindow &w, std::function<std::optional<QString>()> chooseFormat = {});

    store::AppContext &context() override;
    std::optional<QString> chooseFormat() override;
    std::optional<QString> selectFormatName(bool allowEdit) override;
    void initFmtOnPage(const QString &name) override;
    void autoFillDates() override;
    void O2_Click(int index) override;
    QString backPicFile(const QString &name) override;

private:
    MainWindow &m_w;
    std::function<std::optional<QString>()> m_chooseFormat;
};

} // namespace mainwin
