#pragma once
// Start-up of the program: one instance, the database opened and brought up to date, the version
// check, then the password window or the main window.

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLockFile;
class QWidget;

namespace store {

// The text through which the chooser dialogs hand back their choice.
inline QString SelResult;

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

// Holds the single-instance lock of the program folder; false when another instance holds it.
// The lock stays as long as the returned object lives.
std::unique_ptr<QLockFile> TakeInstanceLock();

// Runs the start-up. Returns the exit code when the program must end now (0 for a second
// instance, silently; 1 when the database cannot be used, after the message), or nullopt when a
// window is up and the event loop should run. The instance check comes before anything touches the
// database, so a second process never writes to it.
std::optional<int> Main(const StartupHooks &hooks, std::unique_ptr<QLockFile> &instanceLock);

} // namespace store
