// The print run against a real CUPS queue: a private scheduler with a queue whose device puts each
// job into a file (cups-start.sh). Skipped when the scheduler cannot be started here.
#include "print/pagerender.h"
#include "print/paperform.h"
#include "print/printers.h"
#include "print/printrun.h"
#include "print/selprinter.h"
#include "sample.h"
#include "store/db/params.h"
#include "store/db/reporter.h"

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

// Waits, on file-system events, until a job's file other than those named in `earlier` is
// complete in the output folder.
QString WaitForJobFile(const QString &outDir, int deadlineMs, const QStringList &earlier = {})
{
    QFileSystemWatcher watcher({outDir});
    QSignalSpy spy(&watcher, &QFileSystemWatcher::directoryChanged);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < deadlineMs) {
        const QStringList jobs =
            QDir(outDir).entryList({QStringLiteral("job-*.prn")}, QDir::Files, QDir::Name);
        for (const QString &job : jobs) {
            if (!earlier.contains(job))
                return QDir(outDir).filePath(job);
        }
        spy.wait(int(std::max<qint64>(1, deadlineMs - timer.elapsed())));
    }
    return QString();
}

// The sample cheque printed on the queue; with records, a batch of that many of it.
PrintHooks SampleHooks(const QString &queue, int records = 0)
{
    PrintHooks hooks;
    hooks.fillPage = [] { return printtest::SampleCheque(); };
    hooks.choosePrinter = [queue] { return queue; };
    if (records > 0) {
        hooks.batchCount = [records] { return records; };
        hooks.batchValue = [] { return 1; };
        hooks.loadBatchRow = [](int) {};
    }
    return hooks;
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
    PrintHooks hooks = SampleHooks(kQueue);
    QList<std::pair<QString, QList<HistoryValue>>> kept;
    hooks.keepPrint = [&](const PendingPrint &p) {
        kept.append({p.format, p.values});
        return true;
    };
    hooks.saveHistory = [&](const std::function<bool()> &finish) {
        const auto pending = std::exchange(kept, {});
        if (!finish())
            return false;
        history.append(pending);
        return true;
    };
    store::ScopedRecordingReporter rec;
    PrintRun run(hooks);
    ASSERT_TRUE(run.PrintFmt(true, true)) << rec->messages.join('|').toStdString();

    const QString job = WaitForJobFile(g_cupsDir + QStringLiteral("/out"), 60000);
    ASSERT_FALSE(job.isEmpty()) << "no job came out of the queue";
    QFile f(job);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF-"));
    // The queue lists the job by the format's name.
    QFile title(job.chopped(4) + QStringLiteral(".title"));
    ASSERT_TRUE(title.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(title.readAll()), QStringLiteral("转账支票"));
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

// The words of a PDF file as pdftotext -bbox sees them: text and box in points.
struct WordBox
{
    QString text;
    double x0, y0, x1, y1;
};

QList<WordBox> WordBoxes(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    QList<WordBox> words;
    if (!p.waitForFinished(30000))
        return words;
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re"));
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        // The job passes through the queue's filters, which may name a glyph by another code point
        // of the same shape (⽉ for 月): compared as read.
        QString text = m.captured(5).normalized(QString::NormalizationForm_KC);
        text.replace(QChar(0x2EC6), QChar(0x89D2)); // ⻆ for 角
        words.append({text, m.captured(1).toDouble(), m.captured(2).toDouble(),
                      m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return words;
}

// Prints the sample cheque with the given print margins on a printer; the file it went to.
QString PrintSample(const QString &printer, double marginX, double marginY, const QString &pdf)
{
    const QString outDir = g_cupsDir + QStringLiteral("/out");
    const QStringList before = QDir(outDir).entryList(QDir::Files);
    PrintHooks hooks;
    hooks.fillPage = [=] {
        FilledPage page = printtest::SampleCheque();
        page.offX = -marginX;
        page.offY = -marginY;
        return page;
    };
    hooks.choosePrinter = [printer] {
        Current().Select(printer);
        return printer;
    };
    hooks.pdfFileName = [pdf] { return pdf; };
    hooks.saveHistory = [](const std::function<bool()> &finish) { return finish(); };
    store::ScopedRecordingReporter rec;
    PrintRun run(hooks);
    if (!run.PrintFmt(true, true))
        return QString();
    if (printer == kPdfPrinterName)
        return pdf;
    // The queue's new job, once complete.
    QFileSystemWatcher watcher({outDir});
    QSignalSpy spy(&watcher, &QFileSystemWatcher::directoryChanged);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        for (const QString &f : QDir(outDir).entryList({QStringLiteral("job-*.prn")}, QDir::Files))
            if (!before.contains(f))
                return QDir(outDir).filePath(f);
        spy.wait(1000);
    }
    return QString();
}

TEST(CupsPrintTest, FieldsLandOnThePaperWhereThePdfPutsThem)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    QTemporaryDir dir;
    const double tolerance = 0.1 * 72 / 25.4; // 0.1 mm in points
    const struct
    {
        double x, y;
    } margins[] = {{0, 0}, {3, -2}};
    for (const auto &m : margins) {
        const QString pdf =
            PrintSample(kPdfPrinterName, m.x, m.y,
                        dir.filePath(QStringLiteral("m%1_%2.pdf").arg(m.x).arg(m.y)));
        const QString job = PrintSample(kQueue, m.x, m.y, QString());
        ASSERT_FALSE(pdf.isEmpty());
        ASSERT_FALSE(job.isEmpty()) << "no job came out of the queue";
        const QList<WordBox> onPdf = WordBoxes(pdf), onPaper = WordBoxes(job);
        ASSERT_GE(onPdf.size(), 8);
        ASSERT_EQ(onPaper.size(), onPdf.size());
        for (qsizetype i = 0; i < onPdf.size(); ++i) {
            const WordBox &a = onPdf[i], &b = onPaper[i];
            SCOPED_TRACE(
                QStringLiteral("%1 margins %2/%3").arg(a.text).arg(m.x).arg(m.y).toStdString());
            EXPECT_EQ(b.text, a.text);
            EXPECT_NEAR(b.x0, a.x0, tolerance);
            EXPECT_NEAR(b.y0, a.y0, tolerance);
            EXPECT_NEAR(b.x1, a.x1, tolerance);
            EXPECT_NEAR(b.y1, a.y1, tolerance);
        }
        // The margins move the fields on the paper, and nothing else does: the payee lies at its
        // place in the format plus the margins.
        const QString payee = printtest::SampleValue(QStringLiteral("收款人"));
        const auto it = std::find_if(onPaper.begin(), onPaper.end(),
                                     [&](const WordBox &w) { return w.text == payee; });
        ASSERT_NE(it, onPaper.end());
        EXPECT_NEAR(it->x0 * 25.4 / 72, 82 + m.x, 0.5);
    }
    Current().Select(kQueue);
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

// Prints the sample cheque on the queue, which `prepare` spoils first (as a batch of three
// records when asked, whose pages are drawn and sent on a thread of their own); nothing may be
// recorded.
void ExpectFailedPrint(const QString &queue, const QStringList &prepare, bool batch = false)
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
    PrintHooks hooks = SampleHooks(queue, 3);
    QList<HistoryValue> kept;
    hooks.keepPrint = [&](const PendingPrint &p) {
        kept += p.values;
        return true;
    };
    hooks.saveHistory = [&](const std::function<bool()> &finish) {
        const QList<HistoryValue> pending = std::exchange(kept, {});
        if (!finish())
            return false;
        saved = pending;
        return true;
    };
    hooks.dropHistory = [&] { kept.clear(); };
    store::ScopedRecordingReporter rec;
    PrintRun run(hooks);
    if (batch)
        run.PrintBatchRows();
    else
        EXPECT_FALSE(run.PrintFmt(true, true));
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_TRUE(kept.isEmpty());
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

// The jobs the scheduler has had for the queue, done or not.
int JobsOf(const QString &queue)
{
    QProcess p;
    p.start(QStringLiteral("lpstat"),
            {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), queue});
    if (!p.waitForFinished(30000))
        return -1;
    return int(
        QString::fromLocal8Bit(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).size());
}

// Prints the history cannot take do not reach the printer: a cheque is never printed
// without its record.
TEST(CupsPrintTest, PrintsWhoseHistoryCannotBeStoredSendNoJob)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    Current().Select(kQueue);
    const int before = JobsOf(kQueue);
    ASSERT_GE(before, 0);
    PrintHooks hooks = SampleHooks(kQueue, 6);
    hooks.keepPrint = [](const PendingPrint &) { return true; };
    hooks.saveHistory = [](const std::function<bool()> &) { return false; };
    PrintRun run(hooks);
    EXPECT_FALSE(run.PrintFmt(true, true));
    EXPECT_EQ(JobsOf(kQueue), before);

    // A batch whose third print cannot be put aside: its first pages are not printed either.
    int kept = 0;
    hooks.keepPrint = [&](const PendingPrint &) { return ++kept < 3; };
    PrintRun batch(hooks);
    batch.PrintBatchRows();
    EXPECT_EQ(kept, 3);
    EXPECT_EQ(JobsOf(kQueue), before);
}

TEST(CupsPrintTest, BatchOnAQueueRefusingJobsIsReportedAndNotRecorded)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    ExpectFailedPrint(QStringLiteral("quorvan-closed2"),
                      {QStringLiteral("cupsreject"), QStringLiteral("quorvan-closed2")}, true);
}

// The paper message of a batch comes from the page writer, and is told once for the document.
TEST(CupsPrintTest, BatchOnAQueueWithoutCustomSizesSaysSoOnce)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    const QString raw = QStringLiteral("quorvan-raw");
    const QString outDir = g_cupsDir + QStringLiteral("/out");
    const QStringList before = QDir(outDir).entryList({QStringLiteral("job-*.prn")}, QDir::Files);
    Current().Select(raw);
    PrintHooks hooks = SampleHooks(raw, 5);
    store::ScopedRecordingReporter rec;
    PrintRun run(hooks);
    run.PrintBatchRows();
    EXPECT_EQ(rec->messages,
              QStringList{QStringLiteral("打印机“quorvan-raw”不支持自定义纸张尺寸！")});
    Current().Select(kQueue);
    // The job still comes out, on the queue's own paper (the same output folder as the others).
    EXPECT_FALSE(WaitForJobFile(outDir, 60000, before).isEmpty());
}

// A batch is one job of one page per record, taken by the queue and then recorded.
TEST(CupsPrintTest, BatchReachesTheQueueAsOneJob)
{
    if (g_cupsDir.isEmpty())
        GTEST_SKIP() << g_skipWhy.toStdString();
    const QString outDir = g_cupsDir + QStringLiteral("/out");
    const QStringList before = QDir(outDir).entryList({QStringLiteral("job-*.prn")}, QDir::Files);
    Current().Select(kQueue);
    int saved = 0, kept = 0;
    PrintHooks hooks = SampleHooks(kQueue, 7);
    hooks.keepPrint = [&](const PendingPrint &) {
        ++kept;
        return true;
    };
    hooks.saveHistory = [&](const std::function<bool()> &finish) {
        const int pending = std::exchange(kept, 0);
        if (!finish())
            return false;
        saved = pending;
        return true;
    };
    store::ScopedRecordingReporter rec;
    PrintRun run(hooks);
    run.PrintBatchRows();
    EXPECT_TRUE(rec->messages.isEmpty()) << rec->messages.join('|').toStdString();
    EXPECT_EQ(saved, 7);
    const QString job = WaitForJobFile(outDir, 60000, before);
    ASSERT_FALSE(job.isEmpty()) << "no job came out of the queue";
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {job});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+7\\b"))))
        << out.toStdString();
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
