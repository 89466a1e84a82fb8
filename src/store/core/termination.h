#pragma once
// A termination request (SIGTERM at log-out or shut-down, SIGINT, SIGHUP): caught before the
// application exists (the handler only writes a byte into a pipe), then handed to the event
// loop once it does. What a request stops (a print, a download, a start's message) asks
// TerminationRequested() and says nothing more: a message box now would hold the end up.

#include <functional>

namespace store {

// Installs the handler; call before the application object exists.
void CatchTerminationSignals();
// Calls whenRequested from the event loop of the application (which must exist) at each
// request, after TerminationRequested() has turned true.
void OnTerminationRequest(std::function<void()> whenRequested);
// Whether a termination request has come.
bool TerminationRequested();

} // namespace store
