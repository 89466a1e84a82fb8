#include "mainwin/starthooks.h"

#include "store/ui/msgbox.h"
#include "store/ui/startup.h"
#include "store/core/uilanguage.h"

#include <QApplication>
#include <QLockFile>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A termination request (SIGTERM at log-out or shut-down, SIGINT, SIGHUP) closes the windows as
// the user would, so the values of the page and the options are saved as at every close. The
// handler only writes a byte; the event loop reads it.
int g_closePipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_closePipe[1], &c, 1);
}

void CatchTerminationSignals()
{
    if (::pipe2(g_closePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction sa = {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

void CloseWindowsOnTerminationSignal(QApplication &app)
{
    if (g_closePipe[0] < 0)
        return;
    auto *n = new QSocketNotifier(g_closePipe[0], QSocketNotifier::Read, &app);
    QObject::connect(n, &QSocketNotifier::activated, &app, [] {
        char buf[16];
        while (::read(g_closePipe[0], buf, sizeof buf) > 0) {
        }
        QApplication::closeAllWindows();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    CatchTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvan"));
    QApplication::setApplicationName(QStringLiteral("Quorvan"));
    CloseWindowsOnTerminationSignal(app);
    store::UseChineseLanguage();

    store::MessageBoxReporter reporter;
    store::SetReporter(&reporter);

    const store::StartupHooks hooks = mainwin::ProgramHooks();

    std::unique_ptr<QLockFile> instanceLock;
    int rc;
    if (const auto code = store::Main(hooks, instanceLock)) {
        rc = *code;
    } else {
        rc = app.exec();
        // The windows are closed and their values saved: the database is left as a clean close
        // leaves it, before the instance lock goes.
        store::EndSession();
    }
    store::SetReporter(nullptr);
    return rc;
}
