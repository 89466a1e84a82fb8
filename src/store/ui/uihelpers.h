#pragma once
// Small window services shared by many windows.

#include <QString>

class QComboBox;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace store {

// Width of the primary screen in twips (15360 for 1024 pixels at 96 dpi); 15360 without one.
int PrimaryScreenWidthTwips();

// Opens a file, a folder or a web address with the desktop's default program.
bool ShellOpen(const QString &target);

// Sets a tool tip that shows the text as it stands, never as markup: for tips that carry names and
// values from files, servers or the user. toolTip() keeps the text itself.
void SetPlainToolTip(QWidget *widget, const QString &text);

// Keeps the window above the others (where the window system allows it) and shows it.
void SetFormTopmost(QWidget *window);

// A file filter of the form "desc|patterns|desc|patterns" as a dialog filter
// "desc (patterns);;desc (patterns)"; "*.*" becomes "*", ";" between patterns a blank.
QString VbFilterToQt(const QString &filter);
// Qt's open (save false) or save dialog over parent, starting at start (a folder or a file) with
// the dialog filter; "" when cancelled. Its file list writes the dates in the Chinese form
// whatever the machine's locale, whole. The save dialog asks about an existing file only when
// confirmOverwrite.
QString ChooseFileName(QWidget *parent, bool save, const QString &start, const QString &filter,
                    bool confirmOverwrite = true);
// The open or save dialog; "" when cancelled. The save dialog asks nothing about an existing
// file: the caller completes the name and asks itself. Without a default name it starts with the
// file chosen last time.
QString SelectFileDlg(const QString &filter, bool save, const QString &defaultName = QString());

// The "确定" and "取消" buttons of a small dialog, made in that order (and so in that tab order)
// and set at the right of the returned row.
QHBoxLayout *OkCancelRow(QWidget *parent, QPushButton *(&buttons)[2]);

// A combo box whose choice is made with the mouse only: key presses and releases reach it no
// more (a non-editable combo would otherwise step through its items on arrows and letters).
void SetComboMouseOnly(QComboBox *combo);

// The width at which a closed combo box shows its longest entry whole.
int ClosedComboWidth(const QComboBox *combo);

// A combo box sized to its longest entry, now and whenever its list changes: in a layout it
// grows to it, and its drop-down list is always wide enough for it (a combo placed at a fixed
// size cuts only the text shown closed). With closedWhole false only the list is fitted: for a
// list of values of any length, the closed box keeps the width its place gives it.
void FitComboToEntries(QComboBox *combo, bool closedWhole = true);

// Refills the combo's list with the earlier values of a text field from the print history: its own
// values, or those of its label group when its label ends in "_n" with n >= 1 (labels that start
// with the same text followed by "_"). Distinct, sorted; the typed text is kept.
void FillHistoryCombo(QComboBox *combo, qint32 id);

// The font dialog (with underline and strike-out), starting from the field's font ("宋体" when it
// has none), and then the colour dialog for a field. A size of 0 becomes 0.1; a family the user
// did not change keeps its name. True when the font was accepted; cancelling the font dialog
// leaves the field as it was, cancelling the colour keeps the old colour.
bool ChooseCtlFont(QWidget *ctl);

} // namespace store
