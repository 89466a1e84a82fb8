#include "mainwin/helppages.h"

#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"
#include "store/db/website.h"

#include <QFileInfo>

namespace mainwin {

bool OpenWebPage(const QString &path)
{
    const QString base = store::WebServerBase();
    if (base.isEmpty()) {
        store::ReportMessage(QStringLiteral("没有设置网站地址，无法打开网页！"),
                             store::MsgKind::Warning);
        return false;
    }
    const QString address = base + path;
    if (!store::ShellOpen(address)) {
        store::ReportMessage(QStringLiteral("无法打开网页“") + address + QStringLiteral("”！"),
                             store::MsgKind::Warning);
        return false;
    }
    return true;
}

QString HelpFilePath()
{
    return store::AppDataDir() + QStringLiteral("/XRM.CHM");
}

bool OpenHelpFile()
{
    const QString path = HelpFilePath();
    if (!QFileInfo(path).isFile()) {
        store::ReportMessage(QStringLiteral("没有找到帮助文件“") + path + QStringLiteral("”！"),
                             store::MsgKind::Warning);
        return false;
    }
    if (!store::ShellOpen(path)) {
        store::ReportMessage(QStringLiteral("无法打开帮助文件“") + path + QStringLiteral("”！"),
                             store::MsgKind::Warning);
        return false;
    }
    return true;
}

} // namespace mainwin
