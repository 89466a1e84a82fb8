#include "store/core/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace store {

namespace {

// The handler writes a byte here; the event loop reads it.
int g_closePipe[2] = {-1, -1};
bool g_terminationRequested = false;

void OnTerminationSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_closePipe[1], &c, 1);
}

} // namespace

void CatchTerminationSignals()
{
    if (g_closePipe[0] >= 0 || ::pipe2(g_closePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction sa = {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

void OnTerminationRequest(std::function<void()> whenRequested)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (g_closePipe[0] < 0 || !app)
        return;
    auto *n = new QSocketNotifier(g_closePipe[0], QSocketNotifier::Read, app);
    QObject::connect(n, &QSocketNotifier::activated, app, [whenRequested = std::move(whenRequested)] {
        char buf[16];
        while (::read(g_closePipe[0], buf, sizeof buf) > 0) {
        }
        g_terminationRequested = true;
        if (whenRequested)
            whenRequested();
    });
}

bool TerminationRequested()
{
    return g_terminationRequested;
}

} // namespace store
