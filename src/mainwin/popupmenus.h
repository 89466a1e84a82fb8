#pragma once
// The hidden pop-up menu form 菜单 ("弹出菜单") of the main window: it lives as long as the
// window and holds the page's pop-up menus.

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace mainwin {

class PopupMenus : public QObject
{
    Q_OBJECT
public:
    explicit PopupMenus(QWidget *owner);
    ~PopupMenus() override;

    QString caption() const;
    // The field menu m_CtlSet "CTL_Set" with its first item mCtlSet "设置内容框".
    QMenu *m_CtlSet() const { return m_ctlSetMenu; }
    QAction *mCtlSet() const { return m_ctlSet; }

private:
    QMenu *m_ctlSetMenu;
    QAction *m_ctlSet;
};

} // namespace mainwin
