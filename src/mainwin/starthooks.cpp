#include "mainwin/starthooks.h"

#include "mainwin/mainwindow.h"
#include "mainwin/password.h"
#include "library/version.h"

namespace mainwin {

store::StartupHooks ProgramHooks()
{
    store::StartupHooks hooks;
    hooks.checkNewVersion = library::CheckNewVersion;
    hooks.endAfterVersionCheck = library::UpdaterStarted;
    hooks.showMainWindow = ShowMainWindow;
    hooks.showPasswordWindow = ShowPasswordWindow;
    return hooks;
}

} // namespace mainwin
