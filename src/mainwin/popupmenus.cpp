#include "mainwin/popupmenus.h"

#include "print/picoutput.h"
#include "store/grid.h"

#include <QMenu>

namespace mainwin {

PopupMenus::PopupMenus(QWidget *owner) : QObject(owner), m_ctlSetMenu(new QMenu)
{
    setObjectName(QStringLiteral("菜单"));
    m_ctlSetMenu->setObjectName(QStringLiteral("m_CtlSet"));
    m_ctlSetMenu->setTitle(QStringLiteral("CTL_Set"));
    m_ctlSet = m_ctlSetMenu->addAction(QStringLiteral("设置内容框"));
    m_ctlSet->setObjectName(QStringLiteral("mCtlSet"));

    m_msfMenu = new QMenu;
    m_msfMenu->setObjectName(QStringLiteral("mMSF"));
    m_msfMenu->setTitle(QStringLiteral("表格"));
    m_outMsf = m_msfMenu->addAction(QStringLiteral("导出表格"));
    m_outMsf->setObjectName(QStringLiteral("mOutMSF"));
    connect(m_outMsf, &QAction::triggered, this, [this] {
        if (CurGrid)
            batch::ExportGrid(*CurGrid, m_exportDialog, QStringLiteral("Quorvan支票统计数据"));
    });
    m_picMenu = new QMenu;
    m_picMenu->setObjectName(QStringLiteral("mPic"));
    m_picMenu->setTitle(QStringLiteral("图片"));
    m_outputPic = m_picMenu->addAction(QStringLiteral("导出图片"));
    m_outputPic->setObjectName(QStringLiteral("mOutputPic"));
    connect(m_outputPic, &QAction::triggered, this, [this] {
        if (CurPic)
            print::OutputPicture(CurPic);
        CurPic = nullptr;
    });
}

PopupMenus::~PopupMenus()
{
    delete m_ctlSetMenu;
    delete m_msfMenu;
    delete m_picMenu;
}

QString PopupMenus::caption() const { return QStringLiteral("弹出菜单"); }

} // namespace mainwin
