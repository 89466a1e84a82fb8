#pragma once
// Start-up of the program: one instance, the database opened and brought up to date, the version
// check, then the password window or the main window.

#include "store/core/termination.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLockFile;
class QWidget;

namespace store {

struct StartupHooks
{
    // Asks the vendor's server for a newer version (product number, version); may be empty.
    std::function<QString(int, const QString &)> checkNewVersion;
    // Asked right after the version check: true when the program must end now (an updater has
    // taken over); Main then returns 0.
    std::function<bool()> endAfterVersionCheck;
    // Builds and shows the main window `MF` / the password window `PSDCon`.
    std::function<QWidget *()> showMainWindow;
    std::function<QWidget *()> showPasswordWindow;
};

// The single-instance lock file in the program folder.
QString InstanceLockPath();

// Takes the single-instance lock of the program folder; it stays as long as the returned object
// lives. Only a lock held by a running copy means another instance: a lock left behind by a copy
// that is gone, or an empty or unreadable lock file, is taken over. nullptr with an empty
// failure when another instance runs; nullptr with the message in failure when the lock cannot
// be made (a read-only or full folder, a folder in the lock file's place).
std::unique_ptr<QLockFile> TakeInstanceLock(QString *failure = nullptr);

// The record a clean close leaves beside the database: what the file looked like then (its
// size, modification time, file identity and SQLite's change counter). A start that finds the
// file exactly so skips the full check of every page; a start after a run that did not close
// (killed, crashed, the power gone) or after another program changed the file runs it.
QString CleanCloseRecordPath();
// Ends the session once the windows are closed and saved: closes the database and records it.
void EndSession();
// The full database checks start-ups of this process have run.
int FullChecksRun();

// A termination request (see store/core/termination.h) closes the windows as the user would, so
// the values of the page and the options are saved as at every close: the progress window
// first, which stops the print or download that runs. Call once the application exists.
void CloseWindowsOnTerminationSignals();

// Runs the start-up. Returns the exit code when the program must end now (0 for a second
// instance, silently; 1 after the message when the lock cannot be made or the database cannot
// be used: not openable, read-only, damaged, made by a newer build, or with text columns of a
// numeric type), or nullopt when a window is up and the event loop should run. The instance
// check comes before anything touches the database, so a second process never writes to it.
std::optional<int> Main(const StartupHooks &hooks, std::unique_ptr<QLockFile> &instanceLock);

} // namespace store
