// Test runner of the store. Started with "--child-save <db> <rows> <commit>", the binary is the
// child process of the crash test instead: it writes rows in one transaction, says how far it got
// on stdout and then waits to be killed. With "--child-write <file>" it writes the file again and
// again through the file writer, as an export does, and with "--child-compact" it compacts the
// program folder's database again and again, each time saying so, until it is killed.

#include "store/ui/compact.h"
#include "store/db/db.h"
#include "store/db/filewriter.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

int ChildSave(const char *path, int rows, bool commit)
{
    store::Db &db = store::Db::Main();
    if (!db.OpenConn(QString::fromUtf8(path), true))
        return 2;
    // A tiny page cache makes the writer spill into the file before COMMIT, so the kill leaves a
    // half-written file with its rollback journal behind.
    db.ExecSQL(QStringLiteral("PRAGMA cache_size=2"));
    const QString bulk(3000, QChar(u'字'));
    {
        store::Transaction tx;
        if (!tx.Ok())
            return 3;
        for (int i = 0; i < rows; ++i) {
            if (!store::ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, X, Mem) VALUES(?, ?, ?, ?)"),
                                {QStringLiteral("崩溃测试"), QStringLiteral("字段%1").arg(i), i, bulk}))
                return 4;
            if (i == rows / 2 && !commit) {
                std::printf("half\n");
                std::fflush(stdout);
                std::getchar(); // killed here, in the middle of the transaction
            }
        }
        if (commit && !tx.Commit())
            return 5;
    }
    std::printf("committed\n");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

// Writes 2 MB in pieces of 64 KB per file, as an export writes its rows.
int ChildWrite(const QString &target)
{
    const QByteArray piece(64 * 1024, 'x');
    for (int n = 1;; ++n) {
        std::printf("writing %d\n", n);
        std::fflush(stdout);
        store::FileWriter w(target);
        if (!w.Open())
            return 2;
        for (int i = 0; i < 32; ++i)
            if (!w.Write(piece))
                return 3;
        if (!w.Commit())
            return 4;
    }
}

int ChildCompact()
{
    store::SetReporter(nullptr);
    if (!store::Db::Main().OpenConn(QString(), true))
        return 2;
    for (;;) {
        std::printf("compacting\n");
        std::fflush(stdout);
        if (!store::CompactMainDB())
            return 3;
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && std::strcmp(argv[1], "--child-save") == 0) {
        QCoreApplication app(argc, argv);
        return ChildSave(argv[2], std::atoi(argv[3]), std::strcmp(argv[4], "1") == 0);
    }
    if (argc == 3 && std::strcmp(argv[1], "--child-write") == 0) {
        QCoreApplication app(argc, argv);
        return ChildWrite(QString::fromUtf8(argv[2]));
    }
    if (argc == 2 && std::strcmp(argv[1], "--child-compact") == 0) {
        QApplication app(argc, argv);
        return ChildCompact();
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
