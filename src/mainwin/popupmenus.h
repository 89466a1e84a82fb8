#pragma once
// The hidden pop-up menu form 菜单 ("弹出菜单") of the main window: it lives as long as the
// window and holds the page's pop-up menus, what each was opened on, and their commands.

#include "batch/gridexport.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace page {
class PageField;
class PropertyDialogs;
} // namespace page
namespace store {
class FlexGridModel;
}

namespace mainwin {

class MainWindow;

class PopupMenus : public QObject
{
    Q_OBJECT
public:
    // The answer of the statistics export's save dialog: given the filter and the name held, the
    // file name, "" for cancel.
    using ExportChooser = std::function<QString(const QString &filter, const QString &current)>;
    // dialogs opens "设置内容框"; exportChooser, when given, answers the save dialog of "导出表格"
    // in its place (tests).
    PopupMenus(QWidget *owner, page::PropertyDialogs &dialogs, ExportChooser exportChooser = {});
    ~PopupMenus() override;

    QString caption() const;
    // The field menu m_CtlSet "CTL_Set": mCtlSet "设置内容框", L5, mCopy "复制文本", mPaste
    // "粘贴文本".
    QMenu *m_CtlSet() const { return m_ctlSetMenu; }
    QAction *mCtlSet() const { return m_ctlSet; }
    QAction *L5() const { return m_l5; }
    QAction *mCopy() const { return m_copy; }
    QAction *mPaste() const { return m_paste; }
    // The page menu mPicGraph "单据菜单".
    QMenu *mPicGraph() const { return m_picGraph; }
    QAction *mAutoGetDate() const { return m_autoGetDate; }
    QAction *mClearCtl() const { return m_clearCtl; }
    QAction *mModiBackgroundPic() const { return m_modiBack; }
    QAction *mClearBackPic() const { return m_clearBack; }
    // The format list menu mFmtOp "格式操作", the statistics grid menu mMSF "表格" and the chart
    // menu mPic "图片".
    QMenu *mFmtOp() const { return m_fmtOp; }
    QMenu *mMSF() const { return m_msf; }
    QMenu *mPic() const { return m_pic; }

    // What the menu was opened on: a field of the page, the statistics grid, the chart.
    page::PageField *CurCtl = nullptr;
    store::FlexGridModel *CurGrid = nullptr;
    QPointer<QWidget> CurPic;

    // "设置内容框": the property dialog of CurCtl's kind with its row.
    void mCtlset_Click();

    void mCopy_Click();
    void mPaste_Click();
    void mAutoGetDate_Click();
    void mClearCtl_Click();
    void mModiBackgroundPic_Click();
    void mClearBackPic_Click();
    // "导出表格": the statistics grid through the grid export, with a save dialog of the form's
    // own that shows the name it held last.
    void mOutMSF_Click();
    void mOutputPic_Click();

private:
    // Connects an entry to its command through the window's command route; onField: the command
    // edits CurCtl itself, whose typing goes on.
    void route(QAction *entry, std::function<void()> command, bool onField = false);
    MainWindow *window() const;
    // CurCtl when it still is a field of the page.
    page::PageField *curCtl() const;

    QMenu *m_ctlSetMenu;
    QAction *m_ctlSet;
    QAction *m_l5 = nullptr;
    QAction *m_copy = nullptr;
    QAction *m_paste = nullptr;
    QMenu *m_picGraph;
    QAction *m_autoGetDate = nullptr;
    QAction *m_clearCtl = nullptr;
    QAction *m_modiBack = nullptr;
    QAction *m_clearBack = nullptr;
    QMenu *m_fmtOp;
    QMenu *m_msf;
    QMenu *m_pic;
    page::PropertyDialogs &m_dialogs;
    batch::SaveDialog m_exportDialog;
};

} // namespace mainwin
