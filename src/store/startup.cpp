#include "store/startup.h"

#include "store/db.h"
#include "store/params.h"
#include "store/paths.h"
#include "store/reporter.h"
#include "store/schema.h"

#include <QLockFile>

namespace store {

std::unique_ptr<QLockFile> TakeInstanceLock()
{
    auto lock = std::make_unique<QLockFile>(AppDataDir() + QStringLiteral("/.instance.lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

std::optional<int> Main(const StartupHooks &hooks, std::unique_ptr<QLockFile> &instanceLock)
{
    instanceLock = TakeInstanceLock();
    if (!instanceLock)
        return 0;

    Db &db = Db::Main();
    if (!db.OpenConn(DataFilePath()))
        return 1;
    if (!UpgradeDBSchema()) {
        ReportMessage(QStringLiteral("无法建立数据库连接！\n") + db.LastError(), MsgKind::Error);
        db.Close();
        return 1;
    }

    if (hooks.checkNewVersion)
        hooks.checkNewVersion(60, QString::fromUtf8(kProgramVersion));
    if (hooks.endAfterVersionCheck && hooks.endAfterVersionCheck()) {
        db.Close();
        return 0;
    }

    SelResult.clear();

    QWidget *w = nullptr;
    if (!GetPara(QStringLiteral("软件密码")).isEmpty()) {
        if (hooks.showPasswordWindow)
            w = hooks.showPasswordWindow();
    } else if (hooks.showMainWindow) {
        w = hooks.showMainWindow();
    }
    if (!w)
        return 1;
    return std::nullopt;
}

} // namespace store
