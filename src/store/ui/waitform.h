#pragma once
// Waiting for a modeless dialog: the caller goes on once the dialog is gone, while the rest of the
// program stays usable. The wait is on the window object (no polling): it ends when the window is
// hidden, closed, finished or destroyed.

#include <QString>

class QWidget;

namespace store {

// True when a visible top-level window has exactly this caption (case-sensitive).
bool IsFormOpen(const QString &caption);
// The visible top-level window with this caption, or nullptr.
QWidget *FindForm(const QString &caption);

// Returns at once when the window is null or not shown.
void WaitFormClosed(QWidget *window);
// Waits for the window with this caption; returns at once when none is open.
void WaitFormClosed(const QString &caption);

} // namespace store
