#include "mainwin/typingfmt.h"

#include "mainwin/mainwindow.h"
#include "page/backpic.h"
#include "page/calcadapter.h"
#include "page/fmtinit.h"
#include "store/grid.h"

#include <QPointer>

namespace mainwin {

MainFormatCommands::MainFormatCommands(MainWindow &w) : QObject(&w), m_w(w)
{
    setObjectName(QStringLiteral("FormatCommands"));
}

store::AppContext &MainFormatCommands::context()
{
    return m_w.context();
}
QString MainFormatCommands::chooseFormat()
{
    return m_w.chooseFormat();
}

QString MainFormatCommands::selectFormatName(bool allowEdit)
{
    return m_nameChooser ? m_nameChooser(allowEdit) : QString();
}

void MainFormatCommands::initFmtOnPage(const QString &name)
{
    page::InitFmtOnPage(m_w, name);
}

void MainFormatCommands::autoFillDates()
{
    if (m_w.fields())
        page::AutoFillDates(*m_w.fields());
}

void MainFormatCommands::O2_Click(int index)
{
    m_w.O2_Click(index);
}
QString MainFormatCommands::backPicFile(const QString &name)
{
    return page::GetBackPicFile(name);
}
store::FlexGridModel *MainFormatCommands::historyGrid()
{
    store::FlexGrid *grid = m_w.MSF(2);
    return grid ? &grid->Model() : nullptr;
}

MainFormatCommands *installFormatCommands(MainWindow &w)
{
    if (MainFormatCommands *c = formatCommandsOf(w))
        return c;
    auto *cmds = new MainFormatCommands(w);
    QPointer<MainFormatCommands> guard(cmds);
    w.setFormatOpener([guard](MainWindow &win, const QString &requested, bool force) {
        QString name = requested;
        if (guard)
            store::OpenFmt(*guard, name, force);
        else
            OpenFmtOnPage(win, name, force);
    });
    return cmds;
}

MainFormatCommands *formatCommandsOf(const MainWindow &w)
{
    return w.findChild<MainFormatCommands *>(QStringLiteral("FormatCommands"),
                                             Qt::FindDirectChildrenOnly);
}

} // namespace mainwin
