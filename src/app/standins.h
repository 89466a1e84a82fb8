#pragma once
// The version check, until the program talks to the maker's server.

#include <QString>

namespace app {

// The start-up version check: asks the vendor's server for a newer version. No server is
// configured in this build, so it returns at once with "".
QString CheckNewVersion(int product, const QString &version);

} // namespace app
