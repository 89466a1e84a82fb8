#include "mainwin/starthooks.h"

#include "mainwin/mainwindow.h"
#include "mainwin/password.h"

namespace mainwin {

store::StartupHooks ProgramHooks()
{
    store::StartupHooks hooks;
    hooks.showMainWindow = ShowMainWindow;
    hooks.showPasswordWindow = ShowPasswordWindow;
    return hooks;
}

} // namespace mainwin
