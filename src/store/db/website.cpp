#include "store/db/website.h"

#include "store/db/params.h"

namespace store {

QString WebServerBase()
{
    QString base =
        GetRegStr(QStringLiteral("KVRTM"), QStringLiteral("Web"), QStringLiteral("Server"))
            .trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    return base;
}

} // namespace store
