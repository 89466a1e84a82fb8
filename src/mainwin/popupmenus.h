#pragma once
// The hidden pop-up menu form 菜单 ("弹出菜单") of the main window: it lives as long as the
// window and holds the page's pop-up menus.

#include "batch/gridexport.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace store {
class FlexGrid;
}

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

    // The statistics window's menus: mMSF "表格" with mOutMSF "导出表格" (exports CurGrid),
    // mPic "图片" with mOutputPic "导出图片" (saves CurPic as a JPEG file, then forgets it).
    QMenu *mMSF() const { return m_msfMenu; }
    QAction *mOutMSF() const { return m_outMsf; }
    QMenu *mPic() const { return m_picMenu; }
    QAction *mOutputPic() const { return m_outputPic; }
    QPointer<store::FlexGrid> CurGrid;
    QPointer<QWidget> CurPic;
    // The save dialog of "导出表格", keeping the name it held last.
    batch::SaveDialog &exportDialog() { return m_exportDialog; }

private:
    QMenu *m_ctlSetMenu;
    QAction *m_ctlSet;
    QMenu *m_msfMenu;
    QAction *m_outMsf;
    QMenu *m_picMenu;
    QAction *m_outputPic;
    batch::SaveDialog m_exportDialog;
};

} // namespace mainwin
