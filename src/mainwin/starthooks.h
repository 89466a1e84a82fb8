#pragma once
// The program's own start-up hooks: the windows store::Main shows.

#include "store/ui/startup.h"

namespace mainwin {

store::StartupHooks ProgramHooks();

} // namespace mainwin
