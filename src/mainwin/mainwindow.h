#pragma once
// The main window MF: the program's one working window. Three tabs (slip printing, batch data,
// history), the page with its frame, scroll bars and zoom buttons, the five option boxes, the
// slip size, margins and format name, and the hidden field grid that models the open format.

#include "mainwin/popupmenus.h"
#include "mainwin/printing.h"
#include "page/pageviewhost.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace store {
class AppContext;
class FlexGrid;
class FlexGridModel;
} // namespace store

namespace page {
class FieldRegistry;
class PageFrame;
class PageView;
class PropertyDialogs;
} // namespace page

namespace mainwin {

class BatchTab;
class CommandRoute;
class HistoryTab;
class MainFormatCommands;
class Menus;
class NotifyingLabel;
class PageEditing;
class Typing;

// What a window built for a test answers in place of the user: the printer and the PDF output's
// file, the format manager's choice, the statistics export's file. Empty members ask the user.
struct MainWindowHooks
{
    PrintQuestions print;
    std::function<std::optional<QString>()> chooseFormat;
    PopupMenus::ExportChooser statExportFile;
};

inline constexpr const char16_t *kMainCaption = u"Quorvan支票打印软件[专业版][EDITION]";

class MainWindow : public QMainWindow, public page::PageHost
{
    Q_OBJECT
public:
    // Fills ctx (not owned) or, without one, a context of its own. The window is built whole:
    // its controls, then its parts (typing, format commands, printing, the tabs, page editing,
    // menus), each handed the parts it needs.
    explicit MainWindow(store::AppContext *ctx = nullptr, QWidget *parent = nullptr);
    explicit MainWindow(MainWindowHooks hooks, store::AppContext *ctx = nullptr,
                        QWidget *parent = nullptr);
    ~MainWindow() override;

    // --- controls, by their names
    QTabWidget *SST() const { return m_sst; }
    QWidget *PIC(int i) const;
    page::PageFrame *PFrm() const { return m_pfrm; }
    page::PageView *PG() const;
    QScrollBar *VS() const { return m_vs; }
    QScrollBar *PHS() const { return m_phs; }
    QScrollBar *HS() const { return m_hs; }
    QCheckBox *O2(int i) const;
    QToolButton *Zm(int i) const;
    // A picture button; nullptr for an index the window has no button for.
    QToolButton *COM(int i) const;
    NotifyingLabel *LFMT(int i) const;
    QLabel *Wid() const { return m_wid; }
    QLabel *Hie() const { return m_hie; }
    QLabel *M_X() const { return m_mx; }
    QLabel *M_Y() const { return m_my; }
    NotifyingLabel *R_Num(int i) const;
    // MSF(1) batch grid, MSF(2) history grid, MSF(3) field grid.
    store::FlexGrid *MSF(int i) const;
    QGroupBox *FRM(int i) const;
    // The slip-size row Frame2(1) "单据尺寸" and the margin row Frame2(0) "页边距".
    QFrame *Frame2(int i) const { return i >= 0 && i < 2 ? m_frame2[size_t(i)] : nullptr; }
    QLabel *LBL() const { return m_lbl; }
    QLineEdit *KWord() const { return m_kword; }
    QComboBox *COMB() const { return m_comb; }
    QTimer *AutoFind() const { return m_autoFind; }
    QMenu *mCtlSame() const { return m_mCtlSame; }
    // The hidden pop-up menu form 菜单 (null once the window unloaded it).
    PopupMenus *menuForm() const { return m_menus.get(); }
    page::FieldRegistry *fields() const { return m_fields.get(); }
    // The route every command of the window takes (buttons, menus, pop-up menus, shortcuts).
    CommandRoute &route() const { return *m_route; }

    // --- the window's parts
    Typing &typing() const { return *m_typing; }
    MainFormatCommands &formatCommands() const { return *m_fmtCmds; }
    Printing &printing() const { return *m_printing; }
    HistoryTab &historyTab() const { return *m_historyTab; }
    BatchTab &batchTab() const { return *m_batchTab; }
    // The property dialogs of the fields and the slip size dialog.
    page::PropertyDialogs &dialogs() const { return *m_dialogs; }
    PageEditing &pageEditing() const { return *m_pageEditing; }
    Menus &menus() const { return *m_menuBar; }

    // --- handlers
    void O2_Click(int index) override;
    void LFMT_Change(int index);
    void LFMT_DblClick(int index);
    void Zm_Click(int index);
    // The picture buttons' and the menus' one dispatcher: through the command route (the edit of
    // the field being typed is finished first) it hides the history drop-down COMB, then runs the
    // command registered for the index; an index without one does nothing. A greyed button does
    // not stop its menu entry.
    void Com_Click(int index);
    void setCommand(int index, std::function<void()> action);
    // Places the window over the screen's work area and its controls within it.
    void LayoutMainForm();
    // Validate\DefaultSoftSet: the five option values, each followed by "§☆§".
    bool SaveSoftSet();

    // Opens a format through the format commands (store::OpenFmt); an empty name lets the user
    // choose in the format manager.
    void OpenFmt(const QString &name, bool force);

    // How often the page was redrawn by the option handler (tests).
    int pageRedraws() const;

    // --- the page host
    page::PageFrame &pageFrame() override;
    store::AppContext &context() override;
    store::FlexGridModel *batchGrid() override;
    void resetBatchNav(store::FlexGridModel &grid) override;
    void showBatchGrid() override;
    void closeFieldDialogs() override;
    void reloadFields() override;
    page::FieldValues saveFieldValues() override;
    void restoreFieldValues(const page::FieldValues &values) override;

signals:
    // Start-up is complete: the format used last is open (or none could be).
    void loadFinished();
    // The window has saved its state and is going away.
    void unloaded();

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void buildTabs();
    void buildPrintTab(QWidget *pic);
    void buildBatchTab(QWidget *pic);
    void buildHistoryTab(QWidget *pic);
    void connectContext();
    void layoutWindowContents();
    void layoutPrintTab();
    void formLoadAfterShow();
    // A close asked for while it could not be done (a command ran) is done now.
    void closeIfPending();
    void formUnload();
    QToolButton *makeButton(int index, QWidget *parent, const QString &tip);

    std::unique_ptr<store::AppContext> m_ownCtx;
    store::AppContext *m_ctx;
    CommandRoute *m_route;
    int m_tpp = 15;
    QTabWidget *m_sst = nullptr;
    std::array<QWidget *, 3> m_pic{};
    page::PageFrame *m_pfrm = nullptr;
    QScrollBar *m_vs = nullptr;
    QScrollBar *m_phs = nullptr;
    QScrollBar *m_hs = nullptr;
    std::array<QCheckBox *, 5> m_o2{};
    std::array<QToolButton *, 3> m_zm{};
    std::map<int, QToolButton *> m_com;
    std::array<NotifyingLabel *, 2> m_lfmt{};
    std::array<NotifyingLabel *, 2> m_rnum{};
    QLabel *m_wid = nullptr;
    QLabel *m_hie = nullptr;
    QLabel *m_mx = nullptr;
    QLabel *m_my = nullptr;
    QGroupBox *m_fram = nullptr;
    std::array<QGroupBox *, 2> m_frm{};
    std::array<QFrame *, 2> m_frame2{};
    std::array<store::FlexGrid *, 4> m_msf{};
    QLabel *m_lbl = nullptr;
    QLabel *m_ll4 = nullptr;
    QLineEdit *m_kword = nullptr;
    QComboBox *m_comb = nullptr;
    QLabel *m_ptest = nullptr;
    QTimer *m_autoFind = nullptr;
    QMenu *m_mCtlSame = nullptr;
    std::unique_ptr<page::FieldRegistry> m_fields;
    std::map<int, std::function<void()>> m_commands;
    // The parts, in the order they are built; each is a child of the window.
    page::PropertyDialogs *m_dialogs = nullptr;
    std::unique_ptr<PopupMenus> m_menus;
    Typing *m_typing = nullptr;
    MainFormatCommands *m_fmtCmds = nullptr;
    Printing *m_printing = nullptr;
    HistoryTab *m_historyTab = nullptr;
    BatchTab *m_batchTab = nullptr;
    PageEditing *m_pageEditing = nullptr;
    Menus *m_menuBar = nullptr;
    bool m_loaded = false;
    bool m_loadScheduled = false;
    bool m_closePending = false;
    bool m_unloaded = false;
    double m_frameWidthTw = 0;
};

// Builds the main window on a context of its own and shows it (the start-up's main window).
QWidget *ShowMainWindow();

} // namespace mainwin
