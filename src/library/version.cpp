#include "library/version.h"

#include "library/web.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

namespace library {

namespace {

bool g_updaterStarted = false;
// The whole check, connecting and answer, tries included: start-up waits no longer.
double g_timeoutS = 4;

// The text after the first marker; the whole text without one.
QString After(const QString &text, const QString &marker)
{
    const qsizetype i = text.indexOf(marker);
    return i < 0 ? text : text.mid(i + marker.size());
}

} // namespace

QString CheckNewVersion(int product, const QString &version)
{
    g_updaterStarted = false;
    const QString url = WebUrl(
        QStringLiteral("/radovezorur/downpage/Pro.asp?ID=%1&O=%2").arg(product).arg(version));
    if (url.isEmpty())
        return QString();
    QString reply;
    // Up to five tries, all within the one time allowance.
    QElapsedTimer spent;
    spent.start();
    bool answered = false;
    for (int attempt = 0; attempt < 5 && !answered; ++attempt) {
        const double left = g_timeoutS - spent.elapsed() / 1000.0;
        if (left <= 0.05)
            break;
        answered = GetUrlText(url, reply, QStringLiteral("</title>"), left).isEmpty();
    }
    if (!answered)
        return QString();
    const double server =
        store::Val(After(After(reply, QStringLiteral("<title>")), QStringLiteral("(")));
    const double own = store::Val(version);
    if (server == 0 || own == 0)
        return QString();
    if (server <= own)
        return store::CStr(server);

    store::ReportMessage(QStringLiteral("本软件已升级，启动自动升级..."));
    const QString updater = store::AppDataDir() + QStringLiteral("/update.exe");
    const QString argument = QStringLiteral("KT58.rar|") +
                             QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                             QStringLiteral(".exe");
    if (QFileInfo(updater).isFile() &&
        QProcess::startDetached(updater, {argument}, store::AppDataDir())) {
        g_updaterStarted = true;
        return QString();
    }
    store::ReportMessage(QStringLiteral("无法启动自动升级程序“") + updater + QStringLiteral("”！"),
                         store::MsgKind::Error);
    return store::CStr(server);
}

bool UpdaterStarted()
{
    return g_updaterStarted;
}

void SetVersionCheckTimeout(double seconds)
{
    g_timeoutS = seconds;
}

} // namespace library
