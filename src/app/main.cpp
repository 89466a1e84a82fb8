#include "mainwin/starthooks.h"

#include "store/ui/msgbox.h"
#include "store/ui/startup.h"
#include "store/core/uilanguage.h"

#include <QApplication>
#include <QLockFile>

int main(int argc, char *argv[])
{
    store::CatchTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvan"));
    QApplication::setApplicationName(QStringLiteral("Quorvan"));
    store::CloseWindowsOnTerminationSignals();
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
