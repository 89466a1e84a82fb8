#pragma once
// Plain windows that stand in for the main window and the password window until those are built.

#include <QString>

class QWidget;

namespace app {

QWidget *ShowMainWindowStandIn();
QWidget *ShowPasswordWindowStandIn();

// The start-up version check: asks the vendor's server for a newer version. No server is
// configured in this build, so it returns at once with "".
QString CheckNewVersion(int product, const QString &version);

} // namespace app
