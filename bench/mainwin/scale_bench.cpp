// The history at a bank's scale, each step beside its floor. One subcommand per step, so that the
// script run-scale-bench.sh can run each in a process of its own (memory, a cold page cache):
//
//   make FOLDER            two program folders: FOLDER/big (a cheque format with 100,000 prints
//                          of 15 fields: 1.5 million rows of 历史, plus 200 small formats) and
//                          FOLDER/wide (a deposit slip with 50,000 prints of 30 fields)
//   showall HOME           "显示全部" on the wide format: ms and peak memory; then the floor, the
//                          same query stepped through SQLite alone
//   reload HOME            the history tab's newest 300 prints, reloaded: ms beside the floor
//                          (the tab's two queries stepped through SQLite alone), paired runs
//   start HOME             the start-up from Main to the main window shown and loaded: ms
//   compact HOME           compaction of DATA.mdb: ms beside VACUUM INTO a file + fsync
//   check FILE             the check compaction makes of its copy, alone, on FILE: ms per run
//
// Every line of output is "name value unit" so that the script can take the figures.
#include "mainwin/mainwindow.h"
#include "mainwin/starthooks.h"
#include "store/ui/compact.h"
#include "store/db/db.h"
#include "store/db/dbcheck.h"
#include "store/view/grid.h"
#include "store/model/history.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"
#include "store/ui/startup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLockFile>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kBig = QStringLiteral("工行转账支票");
const QString kWide = QStringLiteral("批量进账单");

// Peak resident memory of this process in MiB.
double PeakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Print(const char *name, double value, const char *unit)
{
    std::printf("%s %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

// The value a field holds in print n, as SQL over n: names and purposes repeat, amounts, account
// numbers and dates vary, as on a clerk's history.
QString ValueSql(int f)
{
    switch (f % 8) {
    case 0:
        return QStringLiteral("printf('%04d年%02d月%02d日', 2020 + n % 5, 1 + n % 12, 1 + n % 28)");
    case 1:
        return QStringLiteral("'收款单位' || ((n * 7919) % 3000) || '有限公司'");
    case 2:
        return QStringLiteral("printf('%d.%02d', (n * 37) % 100000, n % 100)");
    case 3:
        return QStringLiteral("'货款' || (n % 400)");
    case 4:
        return QStringLiteral("printf('6222%012d', n * 13)");
    case 5:
        return QStringLiteral("printf('No.%d-%d', n, f)");
    case 6:
        return QStringLiteral("CASE n % 3 WHEN 0 THEN '工商银行北京分行' WHEN 1 THEN "
                              "'建设银行上海分行' ELSE 'Bank of Tianjin' END");
    default:
        return QStringLiteral("printf('%d', n % 1000)");
    }
}

// One format of fields x prints, written print by print as printing writes them.
bool AddFormat(const QString &fmt, int fields, int prints)
{
    store::Transaction tx;
    std::vector<qint64> ids;
    for (int f = 0; f < fields; ++f) {
        if (!store::ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Clas, Cash) "
                                           "VALUES(?, ?, ?, 10, 40, 6, 0, 0)"),
                            {fmt, QStringLiteral("栏目%1").arg(f + 1), f * 5.0}))
            return false;
        ids.push_back(store::LastInsertId());
    }
    QStringList cases;
    for (int f = 0; f < fields; ++f)
        cases << QStringLiteral("WHEN %1 THEN %2").arg(f).arg(ValueSql(f));
    const QString sql =
        QStringLiteral(
            "WITH RECURSIVE p(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM p WHERE n < ?), "
            "k(f) AS (SELECT 0 UNION ALL SELECT f + 1 FROM k WHERE f < ?) "
            "INSERT INTO 历史(Fmt, ID, CID, Con) SELECT ?, n, ? + f, CASE f %1 END "
            "FROM p, k ORDER BY n, f")
            .arg(cases.join(u' '));
    // Field IDs are consecutive within a format.
    if (!store::ExecSQL(sql, {prints, fields - 1, fmt, ids.front()}))
        return false;
    return tx.Commit();
}

int Make(const QString &folder)
{
    for (const QString &which : {QStringLiteral("big"), QStringLiteral("wide")}) {
        const QString home = folder + u'/' + which;
        QDir(home).removeRecursively();
        QDir().mkpath(home);
        if (!store::Db::Main().OpenConn(home + QStringLiteral("/DATA.mdb")) ||
            !store::UpgradeDBSchema())
            return 1;
        QElapsedTimer t;
        t.start();
        bool ok;
        if (which == u"big") {
            ok = AddFormat(kBig, 15, 100000);
            for (int o = 0; ok && o < 200; ++o)
                ok = AddFormat(QStringLiteral("其他进账单%1").arg(o), 1, 50);
            // The program opens the big format at start, as a clerk's last format.
            ok = ok && store::ExecSQL(QStringLiteral("UPDATE Fmt SET LBL=? WHERE Fmt=''"), {kBig});
        } else {
            ok = AddFormat(kWide, 30, 50000);
        }
        store::ExecSQL(QStringLiteral("ANALYZE"));
        store::Db::Main().Close();
        if (!ok)
            return 1;
        std::printf("made %s in %.1f s: %.0f MB\n", qPrintable(home), double(t.elapsed()) / 1000,
                    double(QFileInfo(home + QStringLiteral("/DATA.mdb")).size()) / 1e6);
    }
    return 0;
}

// The floor of a query: its rows stepped through SQLite on a connection of its own, every column
// read as text.
double StepQuery(const QString &file, const QString &sql, const QStringList &args)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt *st = nullptr;
    const QByteArray q = sql.toUtf8();
    sqlite3_prepare_v2(db, q.constData(), -1, &st, nullptr);
    std::vector<QByteArray> keep;
    for (int i = 0; i < args.size(); ++i) {
        keep.push_back(args[i].toUtf8());
        sqlite3_bind_text(st, i + 1, keep.back().constData(), -1, SQLITE_STATIC);
    }
    qint64 bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            sqlite3_column_text16(st, c);
            bytes += sqlite3_column_bytes16(st, c);
        }
    }
    sqlite3_finalize(st);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    sqlite3_close(db);
    return bytes >= 0 ? ms : 0;
}

int ShowAll(const QString &home)
{
    const QString file = home + QStringLiteral("/DATA.mdb");
    if (!store::Db::Main().OpenConn(file))
        return 1;
    Print("showall.baseline_memory", PeakMiB(), "MiB");
    // The file read once beforehand, so that ours and the floor both read it from the page cache
    // (whichever ran first would otherwise pay for reading it from the disk).
    {
        QFile warm(file);
        if (warm.open(QIODevice::ReadOnly)) {
            while (!warm.read(1 << 20).isEmpty()) {
            }
        }
    }
    store::FlexGrid grid;
    grid.resize(1200, 600);
    QElapsedTimer t;
    t.start();
    store::LoadHistoryToGrid(grid.Model(), kWide, 0);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    Print("showall.rows", grid.Rows() - grid.FixedRows(), "prints");
    Print("showall.ours", ms, "ms");
    Print("showall.peak_memory", PeakMiB(), "MiB");
    const double floor = StepQuery(
        file, QStringLiteral("SELECT ID, CID, Con FROM 历史 WHERE Fmt=? ORDER BY ID DESC"),
        {kWide});
    Print("showall.floor", floor, "ms");
    Print("showall.ratio", ms / floor, "x");
    return 0;
}

int Reload(const QString &home)
{
    const QString file = home + QStringLiteral("/DATA.mdb");
    if (!store::Db::Main().OpenConn(file))
        return 1;
    store::FlexGrid grid;
    grid.resize(1200, 600);
    store::LoadHistoryToGrid(grid.Model(), kBig, store::kHistoryTabLimit); // fonts, caches
    std::vector<double> ours, floors;
    for (int i = 0; i < 15; ++i) {
        floors.push_back(
            StepQuery(file,
                      QStringLiteral("SELECT DISTINCT ID FROM 历史 WHERE Fmt=? ORDER BY ID DESC "
                                     "LIMIT 301"),
                      {kBig}) +
            StepQuery(file,
                      QStringLiteral("SELECT ID, CID, Con FROM 历史 WHERE Fmt=? AND ID>=99701 "
                                     "ORDER BY ID DESC"),
                      {kBig}));
        store::ClearHistoryCache(grid.Model());
        QElapsedTimer t;
        t.start();
        store::LoadHistoryToGrid(grid.Model(), kBig, store::kHistoryTabLimit);
        ours.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    Print("reload.rows", grid.Rows() - grid.FixedRows(), "prints");
    Print("reload.ours", Median(ours), "ms");
    Print("reload.floor", Median(floors), "ms");
    Print("reload.ratio", Median(ours) / Median(floors), "x");
    return 0;
}

int Start(const QString &home)
{
    qputenv("QUORVAN_HOME", home.toUtf8());
    store::RecordingReporter quiet;
    store::SetReporter(&quiet);
    const int checksBefore = store::FullChecksRun();
    QElapsedTimer t;
    t.start();
    std::unique_ptr<QLockFile> lock;
    if (store::Main(mainwin::ProgramHooks(), lock))
        return 1;
    mainwin::MainWindow *w = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<mainwin::MainWindow *>(top))
            w = m;
    if (!w)
        return 1;
    // The window loads its last format from the event loop, once it is shown.
    {
        QEventLoop loop;
        QObject::connect(w, &mainwin::MainWindow::loadFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    Print("start.ours", ms, "ms");
    Print("start.full_checks", store::FullChecksRun() - checksBefore, "");
    QApplication::closeAllWindows();
    QApplication::processEvents();
    store::EndSession();
    store::SetReporter(nullptr);
    for (const QString &m : quiet.messages)
        std::printf("message: %s\n", qPrintable(m));
    return 0;
}

int Compact(const QString &home)
{
    const QString file = home + QStringLiteral("/DATA.mdb");
    qputenv("QUORVAN_HOME", home.toUtf8());
    store::RecordingReporter quiet;
    store::SetReporter(&quiet);
    std::vector<double> ours, floors;
    for (int i = 0; i < 3; ++i) {
        // The floor: one VACUUM INTO a new file and its fsync.
        const QString target = home + QStringLiteral("/Temp/floor.mdb");
        QDir().mkpath(home + QStringLiteral("/Temp"));
        QFile::remove(target);
        {
            sqlite3 *db = nullptr;
            sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE,
                            nullptr);
            QElapsedTimer t;
            t.start();
            const QByteArray sql = "VACUUM INTO '" + QFile::encodeName(target) + "'";
            sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
            const int fd = ::open(QFile::encodeName(target).constData(), O_RDWR);
            ::fsync(fd);
            ::close(fd);
            floors.push_back(double(t.nsecsElapsed()) / 1e6);
            sqlite3_close(db);
        }
        QFile::remove(target);
        if (!store::Db::Main().OpenConn(file))
            return 1;
        QElapsedTimer t;
        t.start();
        const bool ok = store::CompactMainDB();
        ours.push_back(double(t.nsecsElapsed()) / 1e6);
        store::Db::Main().Close();
        if (!ok)
            break;
    }
    Print("compact.ours", Median(ours), "ms");
    Print("compact.floor", Median(floors), "ms");
    Print("compact.ratio", Median(ours) / Median(floors), "x");
    for (const QString &m : quiet.messages)
        std::printf("message: %s\n", qPrintable(m));
    store::SetReporter(nullptr);
    return 0;
}

// The check of a compacted copy alone, on the file as it is (read from the page cache after a
// first, untimed run): ms of each of five runs.
int Check(const QString &file)
{
    QString why;
    store::CheckDatabaseFile(file, &why);
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        const bool ok = store::CheckDatabaseFile(file, &why);
        Print("check.ms", double(t.nsecsElapsed()) / 1e6, ok ? "ms" : "ms (refused)");
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s make|showall|reload|start|compact|check FOLDER\n", argv[0]);
        return 2;
    }
    const QString what = QString::fromLocal8Bit(argv[1]);
    const QString folder = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    int rc = 2;
    if (what == u"make")
        rc = Make(folder);
    else if (what == u"showall")
        rc = ShowAll(folder);
    else if (what == u"reload")
        rc = Reload(folder);
    else if (what == u"start")
        rc = Start(folder);
    else if (what == u"compact")
        rc = Compact(folder);
    else if (what == u"check")
        rc = Check(folder);
    store::Db::Main().Close();
    return rc;
}
