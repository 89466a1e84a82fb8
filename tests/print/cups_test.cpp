// The print run against a real CUPS queue: a private scheduler with a queue whose device puts each
// job into a file (cups-start.sh). Skipped when the scheduler cannot be started here.
#include "print/pagerender.h"
#include "print/paperform.h"
#include "print/printers.h"
#include "print/printrun.h"
#include "print/selprinter.h"
#include "sample.h"
#include "store/params.h"
#include "store/reporter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

using namespace print;

namespace {

QString g_cupsDir; // the scheduler's folder, empty when it did not start
QString g_skipWhy;
const QString kQueue = QStringLiteral("quorvan-test");

// Waits, on file-system events, until the job's file is complete in the output folder.
QString WaitForJobFile(const QString &outDir, int deadlineMs)
{
    QFileSystemWatcher watcher({outDir});
    QSignalSpy spy(&watcher, &QFileSystemWatcher::directoryChanged);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < deadlineMs) {
        const QStringList jobs =
            QDir(outDir).entryList({QStringLiteral("job-*.prn")}, QDir::Files, QDir::Name);
        if (!jobs.isEmpty())
            return QDir(outDir).filePath(jobs.last());
        spy.wait(int(std::max<qint64>(1, deadlineMs - timer.elapsed())));
    }
    return QString();
}

TEST(CupsPrintTest, SampleChequeReachesTheQueueAndTheHistory)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    ASSERT_TRUE(QPrinterInfo::availablePrinterNames().contains(kQueue));

    // The chooser lists the queue and the PDF output, and takes the queue.
    store::SaveRegStr(QStringLiteral("KVRTM"), QStringLiteral("Validate"),
                      QStringLiteral("Printer"), kQueue);
    {
        SelPrinter chooser;
        chooser.Tag = kChoosePrinterRole;
        chooser.FillPrinterList();
        EXPECT_GE(chooser.COMB->findText(kPdfPrinterName), 0);
        EXPECT_EQ(chooser.COMB->currentText(), kQueue);
        chooser.COM[0]->click();
        ASSERT_EQ(chooser.SelResult, kQueue);
    }
    EXPECT_EQ(Current().Name(), kQueue);

    QList<std::pair<QString, QList<HistoryValue>>> history;
    PrintHooks hooks;
    hooks.fillPage = [] { return printtest::SampleCheque(); };
    hooks.choosePrinter = [] { return kQueue; };
    QList<std::pair<QString, QList<HistoryValue>>> kept;
    hooks.keepPrint = [&](const PendingPrint &p) {
        kept.append({p.format, p.values});
        return true;
    };
    hooks.saveHistory = [&](const std::function<bool()> &finish) {
        history.append(std::exchange(kept, {}));
        return finish();
    };
    store::ScopedRecordingReporter rec;
    PrintRun run(hooks);
    ASSERT_TRUE(run.PrintFmt(true, true)) << rec->messages.join('|').toStdString();

    const QString job = WaitForJobFile(g_cupsDir + QStringLiteral("/out"), 60000);
    ASSERT_FALSE(job.isEmpty()) << "no job came out of the queue";
    QFile f(job);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF-"));
    // The slip's own paper size went with the job.
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {job});
    if (info.waitForFinished(30000)) {
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        const auto m =
            QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)")).match(out);
        ASSERT_TRUE(m.hasMatch()) << out.toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), 240 / 25.4 * 72, 1.0);
        EXPECT_NEAR(m.captured(2).toDouble(), 80 / 25.4 * 72, 1.0);
    }
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history[0].first, QStringLiteral("转账支票"));
    EXPECT_FALSE(history[0].second.isEmpty());
    EXPECT_TRUE(rec->messages.isEmpty()) << rec->messages.join('|').toStdString();
}

TEST(CupsPrintTest, OnlyInstalledQueuesAreReachable)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    EXPECT_TRUE(SystemPrinters().Reachable(kQueue));
    EXPECT_FALSE(SystemPrinters().Reachable(QStringLiteral("no-such-queue")));
}

TEST(CupsPrintTest, QueueWithoutCustomSizesKeepsItsPaperAndSaysSo)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    QPrinter printer(QPrinterInfo::printerInfo(QStringLiteral("quorvan-raw")),
                     QPrinter::HighResolution);
    const QPageSize before = printer.pageLayout().pageSize();
    QString form = kFormName;
    const PaperFormResult r = SetPrinterPaperSize(printer, form, 240, 80);
    EXPECT_TRUE(r.opened);
    EXPECT_FALSE(r.applied);
    EXPECT_EQ(r.message, QStringLiteral("打印机“quorvan-raw”不支持自定义纸张尺寸！"));
    EXPECT_TRUE(printer.pageLayout().pageSize().isEquivalentTo(before));
    // A size the queue knows is still taken.
    form = kFormName;
    EXPECT_TRUE(SetPrinterPaperSize(printer, form, 210, 297).applied);
    EXPECT_EQ(form, QStringLiteral("A4"));
}

// Prints the sample cheque on the queue, which `prepare` spoils first; nothing may be recorded.
void ExpectFailedPrint(const QString &queue, const QStringList &prepare)
{
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("lpadmin"),
                          {QStringLiteral("-p"), queue, QStringLiteral("-E"), QStringLiteral("-v"),
                           QStringLiteral("quorvanfile:/"), QStringLiteral("-P"),
                           g_cupsDir + QStringLiteral("/quorvan-test.ppd")}),
        0);
    ASSERT_TRUE(QPrinterInfo::availablePrinterNames().contains(queue));
    Current().Select(queue);
    ASSERT_EQ(QProcess::execute(prepare.first(), prepare.mid(1)), 0);
    QList<HistoryValue> saved;
    PrintHooks hooks;
    hooks.fillPage = [] { return printtest::SampleCheque(); };
    hooks.choosePrinter = [&] { return queue; };
    QList<HistoryValue> kept;
    hooks.keepPrint = [&](const PendingPrint &p) {
        kept = p.values;
        return true;
    };
    hooks.saveHistory = [&](const std::function<bool()> &finish) {
        saved = std::exchange(kept, {});
        return finish();
    };
    store::ScopedRecordingReporter rec;
    PrintRun run(hooks);
    EXPECT_FALSE(run.PrintFmt(true, true));
    EXPECT_TRUE(saved.isEmpty());
    ASSERT_EQ(rec->messages.size(), 1) << rec->messages.join('|').toStdString();
    EXPECT_TRUE(rec->messages[0].contains(queue)) << rec->messages[0].toStdString();
    Current().Select(kQueue);
}

TEST(CupsPrintTest, QueueGoneBeforeTheJobIsReportedAndNotRecorded)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    ExpectFailedPrint(
        QStringLiteral("quorvan-gone"),
        {QStringLiteral("lpadmin"), QStringLiteral("-x"), QStringLiteral("quorvan-gone")});
}

TEST(CupsPrintTest, QueueRefusingJobsIsReportedAndNotRecorded)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    ExpectFailedPrint(QStringLiteral("quorvan-closed"),
                      {QStringLiteral("cupsreject"), QStringLiteral("quorvan-closed")});
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QUORVAN_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    QTemporaryDir cups(QDir::tempPath() + QStringLiteral("/quorvan-cups-XXXXXX"));
    QString pid;
    {
        QProcess start;
        start.start(QStringLiteral("bash"), {QStringLiteral(PRINT_CUPS_SCRIPT), cups.path()});
        if (!start.waitForFinished(60000)) {
            start.kill();
            start.waitForFinished(5000);
            g_skipWhy = QStringLiteral("cupsd did not start in time");
        } else if (start.exitCode() != 0) {
            g_skipWhy = QStringLiteral("cupsd could not be started: ") +
                        QString::fromLocal8Bit(start.readAllStandardError()).trimmed();
        } else {
            const QString sock = QString::fromLocal8Bit(start.readAllStandardOutput()).trimmed();
            // The printer support reads the scheduler's address when it first starts.
            qputenv("CUPS_SERVER", sock.toLocal8Bit());
            g_cupsDir = cups.path();
        }
        QFile pidFile(cups.filePath(QStringLiteral("cupsd.pid")));
        if (pidFile.open(QIODevice::ReadOnly))
            pid = QString::fromLatin1(pidFile.readAll()).trimmed();
    }
    int rc = 0;
    {
        QApplication app(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    if (!pid.isEmpty()) {
        // Stop the scheduler and wait for it to be gone before its folder is removed.
        QProcess::execute(QStringLiteral("kill"), {pid});
        QProcess gone;
        gone.start(QStringLiteral("tail"), {QStringLiteral("--pid=") + pid, QStringLiteral("-f"),
                                            QStringLiteral("/dev/null")});
        if (!gone.waitForFinished(20000))
            gone.kill();
    }
    return rc;
}
