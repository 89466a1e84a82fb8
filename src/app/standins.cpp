#include "standins.h"

namespace app {

QString CheckNewVersion(int, const QString &)
{
    return QString();
}

} // namespace app
