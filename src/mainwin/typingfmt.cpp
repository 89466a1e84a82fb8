#include "mainwin/typingfmt.h"

#include "library/fmtlist.h"
#include "mainwin/mainwindow.h"
#include "mainwin/selformat.h"
#include "page/backpic.h"
#include "page/calcadapter.h"
#include "page/fmtinit.h"
#include "store/model/context.h"

namespace mainwin {

MainFormatCommands::MainFormatCommands(MainWindow &w,
                                       std::function<std::optional<QString>()> chooseFormat)
    : QObject(&w), m_w(w), m_chooseFormat(std::move(chooseFormat))
{
    setObjectName(QStringLiteral("FormatCommands"));
}

store::AppContext &MainFormatCommands::context()
{
    return m_w.context();
}
std::optional<QString> MainFormatCommands::chooseFormat()
{
    if (m_chooseFormat)
        return m_chooseFormat();
    return library::ChooseFmtFromList(*this, &m_w);
}

std::optional<QString> MainFormatCommands::selectFormatName(bool allowEdit)
{
    return ChooseFormatName(allowEdit, m_w.context().FormatName(), &m_w);
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

} // namespace mainwin
