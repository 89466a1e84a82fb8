#pragma once
// The main window MF: the program's one working window. Three tabs (slip printing, batch data,
// history), the page with its frame, scroll bars and zoom buttons, the five option boxes, the
// slip size, margins and format name, and the hidden field grid that models the open format.

#include "page/pageviewhost.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <memory>

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
} // namespace page

namespace mainwin {

class CommandRoute;
class NotifyingLabel;
class PopupMenus;

inline constexpr const char16_t *kMainCaption = u"Quorvan支票打印软件[专业版][EDITION]";

class MainWindow : public QMainWindow, public page::PageHost
{
    Q_OBJECT
public:
    // Fills ctx (not owned) or, without one, a context of its own.
    explicit MainWindow(store::AppContext *ctx = nullptr, QWidget *parent = nullptr);
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

    // Opening a format. The format commands install the full procedure; until then the window
    // opens a format by name itself (an empty name asks the chooser when one is installed).
    using FormatOpener = std::function<void(MainWindow &, const QString &name, bool force)>;
    void setFormatOpener(FormatOpener opener) { m_opener = std::move(opener); }
    using FormatChooser = std::function<QString(MainWindow &)>;
    void setFormatChooser(FormatChooser chooser) { m_chooser = std::move(chooser); }
    // The chooser's answer ("" when none is installed or it was cancelled).
    QString chooseFormat() { return m_chooser ? m_chooser(*this) : QString(); }
    void OpenFmt(const QString &name, bool force);
    // Resets the batch navigation after the batch grid was emptied (the batch records' owner).
    void setBatchNavigator(std::function<void(store::FlexGridModel &)> nav)
    {
        m_batchNav = std::move(nav);
    }
    // Closes the open field property dialogs (their owner installs it).
    void setDialogCloser(std::function<void()> closer) { m_closeDialogs = std::move(closer); }

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
    std::unique_ptr<PopupMenus> m_menus;
    std::unique_ptr<page::FieldRegistry> m_fields;
    FormatOpener m_opener;
    FormatChooser m_chooser;
    std::function<void(store::FlexGridModel &)> m_batchNav;
    std::function<void()> m_closeDialogs;
    std::map<int, std::function<void()>> m_commands;
    bool m_loaded = false;
    bool m_loadScheduled = false;
    bool m_closePending = false;
    bool m_unloaded = false;
    double m_frameWidthTw = 0;
};

// The window's own way of opening a format by name, as the format commands do it: the defaults
// of the format being left are saved, the new one is put on the page, the state row remembers it,
// its default record comes back and the options are applied.
void OpenFmtOnPage(MainWindow &w, const QString &name, bool force);

// Installs the window's typing, printing, tabs, page editing, menus and exports, as the
// start-up's main window has them (parts installed before keep their set-up).
void InstallMainWindowParts(MainWindow &w);

// Builds the main window on a context of its own and shows it (the start-up's main window).
QWidget *ShowMainWindow();

} // namespace mainwin
