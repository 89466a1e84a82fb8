#include "mainwin/popupmenus.h"

#include <QMenu>

namespace mainwin {

PopupMenus::PopupMenus(QWidget *owner) : QObject(owner), m_ctlSetMenu(new QMenu)
{
    setObjectName(QStringLiteral("菜单"));
    m_ctlSetMenu->setObjectName(QStringLiteral("m_CtlSet"));
    m_ctlSetMenu->setTitle(QStringLiteral("CTL_Set"));
    m_ctlSet = m_ctlSetMenu->addAction(QStringLiteral("设置内容框"));
    m_ctlSet->setObjectName(QStringLiteral("mCtlSet"));
}

PopupMenus::~PopupMenus() { delete m_ctlSetMenu; }

QString PopupMenus::caption() const { return QStringLiteral("弹出菜单"); }

} // namespace mainwin
