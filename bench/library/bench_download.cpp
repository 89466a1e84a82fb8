// Downloads a reply of the given size (MB, default 200) from the test web server on 127.0.0.1
// into a file, as the catalogue does, and prints the time it took, the file's size and the
// process's peak memory. The reply must go to the disk as it arrives, not be held whole.
// Usage: bench_download [MB]   (QT_QPA_PLATFORM=offscreen)

#include "library/web.h"
#include "store/db/params.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const qint64 mb = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200;
    QTemporaryDir dir;
    qputenv("QUORVAN_HOME", (dir.path() + "/home").toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
    QDir().mkpath(dir.path() + "/www");
    QFile(dir.path() + "/www/big.cqf").open(QIODevice::WriteOnly);
    QFile size(dir.path() + "/www/big.cqf.size");
    if (!size.open(QIODevice::WriteOnly))
        return 1;
    size.write(QByteArray::number(mb * 1024 * 1024));
    size.close();

    QProcess server;
    server.start("/usr/bin/python3", {"-u", QUORVAN_WEBSERVER, dir.path() + "/www"});
    if (!server.waitForStarted() || !server.waitForReadyRead(10000))
        return 1;
    const QByteArray first = server.readLine();
    if (!first.startsWith("PORT "))
        return 1;
    const QString base = "http://127.0.0.1:" + QString::fromLatin1(first.mid(5).trimmed());
    store::SaveRegStr("KVRTM", "Web", "Server", base);

    struct rusage before;
    ::getrusage(RUSAGE_SELF, &before);
    const QString file = dir.path() + "/big.cqf";
    QElapsedTimer t;
    t.start();
    QString why;
    const bool ok = library::DownloadUrlToFile(library::WebUrl("/big.cqf"), file, 600, nullptr,
                                               &why, (mb + 1) * 1024 * 1024);
    const double seconds = t.elapsed() / 1000.0;
    struct rusage after;
    ::getrusage(RUSAGE_SELF, &after);
    std::printf("download %s: %lld MB in %.2f s, file %lld bytes, peak memory %.1f MiB "
                "(%.1f MiB before the download)\n",
                ok ? "ok" : qPrintable("failed " + why), mb, seconds, QFileInfo(file).size(),
                after.ru_maxrss / 1024.0, before.ru_maxrss / 1024.0);
    server.kill();
    server.waitForFinished();
    return ok ? 0 : 1;
}
