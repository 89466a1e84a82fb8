#include "mainwin/starthooks.h"

#include "store/msgbox.h"
#include "store/startup.h"

#include <QApplication>
#include <QLockFile>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvan"));
    QApplication::setApplicationName(QStringLiteral("Quorvan"));

    store::MessageBoxReporter reporter;
    store::SetReporter(&reporter);

    const store::StartupHooks hooks = mainwin::ProgramHooks();

    std::unique_ptr<QLockFile> instanceLock;
    if (const auto code = store::Main(hooks, instanceLock))
        return *code;
    const int rc = app.exec();
    store::SetReporter(nullptr);
    return rc;
}
