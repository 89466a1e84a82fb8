#pragma once
// The password window shown at start when a start-up password is set, and the version check.

#include <QString>

class QWidget;

namespace app {

QWidget *ShowPasswordWindowStandIn();

// The start-up version check: asks the vendor's server for a newer version. No server is
// configured in this build, so it returns at once with "".
QString CheckNewVersion(int product, const QString &version);

} // namespace app
