#pragma once
// The main window's menu bar and the commands it carries out itself: the check of fields lying
// outside the page, the three print switches, the line-break symbol and the help entries. The
// print entries go through the window's dispatcher Com_Click, the format entries through the
// format commands.

#include <QObject>

#include <map>

class QAction;
class QMenu;

namespace mainwin {

class MainFormatCommands;
class MainWindow;

class Menus : public QObject
{
    Q_OBJECT
public:
    // Builds the menu bar of the window and sets the print switches to their start (automatic
    // paper, with background, no rulers) until a format brings its own; the format entries go
    // through cmds.
    Menus(MainWindow &w, MainFormatCommands &cmds);

    QMenu *mPrint, *mFormat, *m_Set, *mTools, *mHelp;
    std::map<int, QAction *> m_PCom, m_FCom, mTool;
    QAction *mManageFmt, *mOutputFormat, *mInputFormat, *DownFmt;
    QAction *mSetPaper, *mDiTuPrint, *mPrintRulers, *mSetCrlfChr, *mStrBarCodeStand, *mPSDSet;
    QAction *mModeFmt, *mMoreHelp, *mQQOnline1, *mQQOnline2, *mAbout;

    void m_PCom_Click(int index);
    void m_FCom_Click(int index);
    // 0: pulls every field lying outside the page back onto it; 1: compacts the database.
    void mTool_Click(int index);
    void mSetCrlfChr_Click();
    // The format library: a format into a file (the chooser, then the file), a format file
    // into the database, the web catalogue (one window, not blocking).
    void mOutputFormat_Click();
    void mInputFormat_Click();
    void DownFmt_Click();

private:
    // A check item toggled by the user: the context's switches and Validate\<item name>.
    void switchClicked(QAction *item);
    void showSwitches();

    MainWindow &m_w;
    MainFormatCommands &m_cmds;
};

} // namespace mainwin
